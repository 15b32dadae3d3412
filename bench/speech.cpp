// tessary_speech_bench: from a key press on a board to the speech request reaching libspeechd
// (spd_say called), through the announcer and the speech worker, against a speech-dispatcher of
// its own (a dummy voice into ALSA's null device, its socket in a temporary folder). Baseline:
// one spd_say's round trip to the same daemon. Prints table rows (bench_util.h).
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/narrator.h"
#include "bench/bench_util.h"
#include "game/level.h"
#include "game/navigation.h"
#include "render/render.h"

namespace {

// Times the real backend's calls: when Say is entered (the request handed to libspeechd) and
// how long it takes to return (the daemon's answer).
struct Timings {
  std::mutex mutex;
  std::condition_variable said;
  std::optional<bench::Clock::time_point> sayEntered;
  double sayRoundTrip = 0;
  int says = 0;
};

class TimedBackend : public app::SpeechBackend {
 public:
  TimedBackend(std::unique_ptr<app::SpeechBackend> real, Timings& timings)
      : real_(std::move(real)), timings_(timings) {}
  bool Open(std::string& problem) override { return real_->Open(problem); }
  bool SetLanguage(const std::string& code) override { return real_->SetLanguage(code); }
  bool Cancel() override { return real_->Cancel(); }
  bool Say(const std::string& text) override {
    const auto entered = bench::Clock::now();
    const bool done = real_->Say(text);
    std::lock_guard lock(timings_.mutex);
    timings_.sayEntered = entered;
    timings_.sayRoundTrip = bench::SecondsSince(entered);
    ++timings_.says;
    timings_.said.notify_all();
    return done;
  }
  void Interrupt() override { real_->Interrupt(); }

 private:
  std::unique_ptr<app::SpeechBackend> real_;
  Timings& timings_;
};

// speech-dispatcher in the foreground in a folder of its own; stopped by its PID.
struct Daemon {
  pid_t pid = -1;
  std::string folder;

  bool Start() {
    char name[] = "/tmp/tessary-speech-bench-XXXXXX";
    if (!::mkdtemp(name)) return false;
    folder = name;
    std::filesystem::create_directories(folder + "/config");
    std::filesystem::create_directories(folder + "/log");
    std::ofstream(folder + "/config/speechd.conf")
        << "LogLevel 1\nLogDir \"" << folder << "/log\"\nAudioOutputMethod \"alsa\"\n"
        << "AudioALSADevice \"null\"\nAddModule \"dummy\" \"sd_dummy\" \"\"\n"
        << "DefaultModule dummy\n";
    const std::string socket = folder + "/socket";
    pid = ::fork();
    if (pid == 0) {
      ::setenv("HOME", folder.c_str(), 1);
      ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
      ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
      std::freopen("/dev/null", "w", stderr);
      std::freopen("/dev/null", "w", stdout);
      ::execlp("speech-dispatcher", "speech-dispatcher", "--run-single", "--timeout", "0",
               "--communication-method", "unix_socket", "--socket-path", socket.c_str(),
               "--config-dir", (folder + "/config").c_str(), "--log-dir",
               (folder + "/log").c_str(), "--pid-file", (folder + "/pid").c_str(), nullptr);
      ::_exit(127);
    }
    if (pid < 0) return false;
    // Ready once its socket exists.
    for (int i = 0; i < 200; ++i) {
      struct stat info {};
      if (::stat(socket.c_str(), &info) == 0) {
        ::setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
        return true;
      }
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }

  ~Daemon() {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
    if (!folder.empty()) std::filesystem::remove_all(folder);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 9;
  const char* figure = "Key press on a board to spd_say called (announcer, speech worker)";
  Daemon daemon;
  if (!daemon.Start()) {
    bench::PrintRow(figure, "not measured: speech-dispatcher did not start", "-", "-", "<= 50 ms",
                    "-");
    return 0;
  }
  render::SetLanguage(game::Language::english);
  Timings timings;
  auto state = std::make_unique<game::GameState>();
  const game::LevelParams& easy = game::ParamsOf(game::Level::easy);
  for (int i = 0; i < easy.boxCount; ++i) state->boxes[i].present = true;
  state->speechOn = true;
  state->scene = game::SCENE_EASY;
  app::Narrator narrator([&timings] {
    return std::make_unique<TimedBackend>(app::MakeSpeechdBackend(), timings);
  });
  narrator.SetLanguage(game::Language::english);

  // The board's own line first: it connects, and the measured presses find the worker idle.
  auto waitSays = [&timings](int says) {
    std::unique_lock lock(timings.mutex);
    return timings.said.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return timings.says >= says; });
  };
  narrator.OnFrame(*state);
  if (!waitSays(1)) {
    bench::PrintRow(figure, "not measured: the daemon did not answer", "-", "-", "<= 50 ms", "-");
    return 0;
  }
  std::vector<double> keyToSay, roundTrips, uiThread;
  for (int i = 0; i < repetitions * 5; ++i) {
    const auto pressed = bench::Clock::now();
    // What the event loop does for an arrow key: the move, then the frame's announcer.
    game::MoveHighlight(*state, game::Direction::right);
    narrator.OnFrame(*state);
    uiThread.push_back(bench::SecondsSince(pressed));
    if (!waitSays(i + 2)) break;
    std::lock_guard lock(timings.mutex);
    keyToSay.push_back(std::chrono::duration<double>(*timings.sayEntered - pressed).count());
    roundTrips.push_back(timings.sayRoundTrip);
  }
  const double median = bench::Median(keyToSay);
  const double worst = bench::Percentile(keyToSay, 100);
  const double baseline = bench::Median(roundTrips);
  bench::PrintRow(figure,
                  bench::Format("median %.2f ms, worst %.2f ms of %zu", median * 1e3, worst * 1e3,
                                keyToSay.size()),
                  bench::Format("one spd_say round trip %.2f ms", baseline * 1e3),
                  bench::Format("%.1f", baseline > 0 ? median / baseline : 0.0), "<= 50 ms",
                  bench::Met(!keyToSay.empty() && worst <= 0.05));
  bench::PrintRow("UI thread's share of it (the move and the announcer; never waits on the daemon)",
                  bench::Format("median %.3f ms", bench::Median(uiThread) * 1e3), "-", "-",
                  "-", "-");
  return 0;
}
