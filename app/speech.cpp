#include "app/speech.h"

#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

#if __has_include(<speech-dispatcher/libspeechd.h>)
#include <speech-dispatcher/libspeechd.h>
#else
#include <libspeechd.h>
#endif

namespace app {

namespace {

// The signal that ends a blocked read or write on the worker: its handler does nothing, and it
// is installed without SA_RESTART, so the call fails with EINTR and libspeechd gives it up.
int InterruptSignal() { return SIGRTMIN + 5; }

void Ignore(int) {}

void InstallInterruptHandler() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    return sigaction(InterruptSignal(), &action, nullptr) == 0;
  }();
  (void)installed;
}

constexpr auto kOpenDeadline = std::chrono::seconds(5);  // an autospawned daemon starts slowly
constexpr auto kCallDeadline = std::chrono::seconds(2);
// After a deadline passed, the signal comes again this often, in case a call restarted.
constexpr auto kRepeat = std::chrono::milliseconds(200);

timespec ToTimespec(std::chrono::nanoseconds duration) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

class SpeechdBackend final : public SpeechBackend {
 public:
  ~SpeechdBackend() override {
    if (connection_ != nullptr) close_(connection_);
    if (timerMade_) timer_delete(timer_);
    if (library_ != nullptr) dlclose(library_);
  }

  bool Open(std::string& problem) override {
    library_ = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
      problem = "no libspeechd.so.2";
      return false;
    }
    if (!Bind(open_, "spd_open2") || !Bind(close_, "spd_close") || !Bind(say_, "spd_say") ||
        !Bind(cancel_, "spd_cancel") || !Bind(language_, "spd_set_language")) {
      problem = "libspeechd.so.2 lacks its functions";
      return false;
    }
    InstallInterruptHandler();
    worker_ = pthread_self();
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = InterruptSignal();
    event._sigev_un._tid = static_cast<pid_t>(syscall(SYS_gettid));
    timerMade_ = timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, InterruptSignal());
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    // A daemon killed mid-game: libspeechd's write to its socket must fail with EPIPE, not end
    // the game by SIGPIPE (sent to the writing thread, so blocking it here is enough).
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    started_.store(true, std::memory_order_release);

    char* error = nullptr;
    Arm(kOpenDeadline);
    connection_ = open_("tessary", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
    Arm(std::chrono::seconds(0));
    if (connection_ == nullptr) {
      problem = error != nullptr && *error != '\0' ? error : "no speech-dispatcher";
      // A newline in the daemon's reason would break the one line.
      std::replace(problem.begin(), problem.end(), '\n', ' ');
      std::free(error);
      return false;
    }
    std::free(error);
    return true;
  }

  bool SetLanguage(const std::string& code) override {
    return Call([&] { return language_(connection_, code.c_str()); });
  }
  bool Cancel() override {
    return Call([&] { return cancel_(connection_); });
  }
  bool Say(const std::string& text) override {
    // spd_say answers the message's id, or -1.
    return Call([&] { return say_(connection_, SPD_TEXT, text.c_str()) >= 0 ? 0 : -1; });
  }

  void Interrupt() override {
    if (started_.load(std::memory_order_acquire)) pthread_kill(worker_, InterruptSignal());
  }

 private:
  template <typename Function>
  bool Bind(Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(library_, name));
    return function != nullptr;
  }

  // Runs one call to the daemon under the call deadline; a failed call leaves the connection
  // unusable (libspeechd closes its stream), so the worker gives up after it.
  template <typename Call_>
  bool Call(Call_ call) {
    if (connection_ == nullptr) return false;
    Arm(kCallDeadline);
    const bool done = call() == 0;
    Arm(std::chrono::seconds(0));
    return done;
  }

  // Fires the interrupt signal after `after`, then every kRepeat; zero disarms.
  void Arm(std::chrono::nanoseconds after) {
    if (!timerMade_) return;
    itimerspec timing{};
    if (after.count() > 0) {
      timing.it_value = ToTimespec(after);
      timing.it_interval = ToTimespec(kRepeat);
    }
    timer_settime(timer_, 0, &timing, nullptr);
  }

  void* library_ = nullptr;
  SPDConnection* connection_ = nullptr;
  decltype(&spd_open2) open_ = nullptr;
  decltype(&spd_close) close_ = nullptr;
  decltype(&spd_say) say_ = nullptr;
  decltype(&spd_cancel) cancel_ = nullptr;
  decltype(&spd_set_language) language_ = nullptr;
  timer_t timer_{};
  bool timerMade_ = false;
  pthread_t worker_{};
  std::atomic<bool> started_{false};
};

}  // namespace

std::unique_ptr<SpeechBackend> MakeSpeechdBackend() { return std::make_unique<SpeechdBackend>(); }

std::string SpeechLanguageOf(std::string_view catalogueCode) {
  // Simplified Chinese is the daemon's plain "zh"; other regions stay, in its spelling.
  if (catalogueCode == "zh_CN") return "zh";
  std::string code(catalogueCode);
  std::replace(code.begin(), code.end(), '_', '-');
  return code;
}

std::chrono::milliseconds SpokenLength(std::string_view text) {
  const auto words = 1 + std::count(text.begin(), text.end(), ' ');
  return std::chrono::milliseconds(1000 + 400 * words);
}

Speech::Speech(std::unique_ptr<SpeechBackend> backend) : backend_(std::move(backend)) {
  worker_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "SpeechThread");
    Run();
  });
}

Speech::~Speech() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  // A call blocked on a hung daemon is interrupted until the worker comes out of it.
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  std::unique_lock lock(mutex_);
  while (!finished_ && std::chrono::steady_clock::now() < deadline) {
    if (wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return finished_; })) break;
    backend_->Interrupt();
  }
  lock.unlock();
  worker_.join();
}

void Speech::Say(std::string text, Urgency urgency) {
  if (text.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (failed_ || stopping_) return;
    // A line not yet begun that the new one would cut at once is dropped unsaid.
    if (urgency == Urgency::interrupting)
      std::erase_if(lines_, [](const Line& line) { return line.urgency != Urgency::result; });
    lines_.push_back({std::move(text), urgency});
  }
  wake_.notify_all();
}

void Speech::SetLanguage(std::string code) {
  {
    std::lock_guard lock(mutex_);
    language_ = std::move(code);
    languageChanged_ = true;
  }
  wake_.notify_all();
}

bool Speech::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

void Speech::GiveUp(const std::string& problem) {
  std::fprintf(stderr, "tessary: speech: %s; playing without speech\n", problem.c_str());
  std::lock_guard lock(mutex_);
  failed_ = true;
  lines_.clear();
}

bool Speech::Speak(const Line& line) {
  const auto now = std::chrono::steady_clock::now();
  // A result still being spoken is not cut: the line follows it.
  if (line.urgency != Urgency::queued && now >= resultUntil_ && !backend_->Cancel()) return false;
  if (!backend_->Say(line.text)) return false;
  if (line.urgency == Urgency::result)
    resultUntil_ = std::max(resultUntil_, now) + SpokenLength(line.text);
  return true;
}

void Speech::Run() {
  std::string problem;
  bool working = backend_->Open(problem);
  std::unique_lock lock(mutex_);
  if (!working && !stopping_) {
    lock.unlock();
    GiveUp(problem);
    lock.lock();
  }
  while (!stopping_) {
    wake_.wait(lock, [this] { return stopping_ || !lines_.empty() || languageChanged_; });
    if (stopping_) break;
    if (!working) {
      lines_.clear();
      languageChanged_ = false;
      continue;
    }
    const bool languageChanged = std::exchange(languageChanged_, false);
    const std::string language = language_;
    std::deque<Line> lines;
    if (!lines_.empty()) {
      lines.push_back(std::move(lines_.front()));
      lines_.pop_front();
    }
    lock.unlock();
    if (languageChanged && !backend_->SetLanguage(language)) working = false;
    for (const Line& line : lines)
      if (working && !Speak(line)) working = false;
    lock.lock();
    // A call cut short by the way out is no failure to report.
    if (!working && !stopping_) {
      lock.unlock();
      GiveUp("the speech daemon stopped answering");
      lock.lock();
    }
  }
  finished_ = true;
  lock.unlock();
  wake_.notify_all();
}

}  // namespace app
