#include "app/session_end.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <wayland-client-core.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "game/level.h"

namespace app {
namespace {

// SIGHUP: the terminal closed, or a session manager logs out. SIGINT: Ctrl+C. SIGTERM: kill.
sigset_t CloseSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

std::atomic<bool> windowLost{false};

// The one saving run of the process. Never destroyed: a thread may end the process while another
// waits on it.
struct ExitSave {
  std::mutex mutex;
  std::condition_variable done;
  SavePhase phase = SavePhase::notStarted;
  SaveForExit save;
  std::optional<bool> result;
};
ExitSave& TheExitSave() {
  static ExitSave& exitSave = *new ExitSave;
  return exitSave;
}

SavePhase CurrentSavePhase() {
  ExitSave& exitSave = TheExitSave();
  std::lock_guard lock(exitSave.mutex);
  return exitSave.phase;
}

// Writes one line and ends the process with `status` at once. The first caller ends it; any
// other waits for that, so two threads that find the same end never print two lines.
[[noreturn]] void EndProcess(const char* line, int status) {
  static std::atomic<bool> ending{false};
  if (ending.exchange(true)) {
    for (;;) pause();
  }
  // write(2), not stdio: the end may have struck while stderr's lock was held.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, std::strlen(line));
  _exit(status);
}

// Xlib calls this when the connection is gone. Returning would let Xlib exit(), which runs the
// static destructors while the workers still run; so the files are saved here, without a single
// X or GL call, and the process ends at once.
int OnDisplayConnectionLost(Display*) { EndAfterDisplayLoss(RunSaveForExit()); }

// Xlib's own handler would exit() on any protocol error. SDL catches the errors it expects with
// handlers of its own; of the rest, one naming a window or drawable that no longer exists means
// ours was destroyed from outside, and the event loop then closes the game. Any other error is
// reported once and play goes on, since ending over it would help nobody.
int OnProtocolError(Display*, XErrorEvent* error) {
  static std::atomic<bool> otherErrorReported{false};
  const bool windowGone = error->error_code == BadWindow || error->error_code == BadDrawable;
  if (windowGone ? !windowLost.exchange(true) : !otherErrorReported.exchange(true)) {
    std::fprintf(stderr, windowGone ? "tessary: the window is gone (X error %d on request %d); "
                                      "closing the game\n"
                                    : "tessary: X error %d on request %d; playing on\n",
                 error->error_code, error->request_code);
  }
  return 0;
}

}  // namespace

bool HaveDisplay() {
  if (IsSet("SDL_VIDEODRIVER") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return true;
  std::fputs("tessary: no display (set DISPLAY or WAYLAND_DISPLAY)\n", stderr);
  return false;
}

bool FellBackToInvisibleDriver() {
  if (IsSet("SDL_VIDEODRIVER")) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
  std::fprintf(stderr, "tessary: cannot reach the display (DISPLAY=%s, WAYLAND_DISPLAY=%s)\n",
               IsSet("DISPLAY") ? std::getenv("DISPLAY") : "",
               IsSet("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "");
  return true;
}

void BlockCloseSignals() {
  const sigset_t signals = CloseSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

std::optional<bool> RunSaveForExit() {
  ExitSave& exitSave = TheExitSave();
  std::unique_lock lock(exitSave.mutex);
  if (exitSave.phase == SavePhase::notStarted) {
    exitSave.phase = SavePhase::running;
    const SaveForExit save = exitSave.save;
    lock.unlock();
    const std::optional<bool> result = save ? save() : std::nullopt;
    lock.lock();
    exitSave.result = result;
    exitSave.phase = SavePhase::done;
    exitSave.done.notify_all();
    return result;
  }
  exitSave.done.wait(lock, [&exitSave] { return exitSave.phase == SavePhase::done; });
  return exitSave.result;
}

void SetSaveForExit(SaveForExit save) {
  ExitSave& exitSave = TheExitSave();
  std::lock_guard lock(exitSave.mutex);
  if (exitSave.phase == SavePhase::notStarted) exitSave.save = std::move(save);
}

CloseStep NextCloseStep(std::chrono::milliseconds sinceSignal, SavePhase phase) {
  if (phase == SavePhase::notStarted)
    return sinceSignal < kUiSaveDeadline ? CloseStep::wait : CloseStep::saveHere;
  // Running or done on the UI thread: it normally ends the process well before the deadline.
  return sinceSignal < kEndDeadline ? CloseStep::wait : CloseStep::endNow;
}

namespace {

// What the watcher thread shares with the rest of the process; one watcher at a time.
struct WatcherLink {
  std::atomic<int> wakeFd{-1};     // an eventfd: written to wake the watcher
  std::atomic<int> displayFd{-1};  // a duplicate of the display socket, handed over once
  std::atomic<bool> stopping{false};
  std::atomic<bool> sdlEnding{false};  // SDL_Quit may close the display socket from now on
  std::mutex sdlMutex;                 // held while the watcher pushes an event
  bool sdlEventsAllowed = false;
};
WatcherLink watcherLink;

void WakeWatcher() {
  const int fd = watcherLink.wakeFd.load();
  const uint64_t one = 1;
  if (fd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
  }
}

void PushQuit() {
  std::lock_guard lock(watcherLink.sdlMutex);
  if (!watcherLink.sdlEventsAllowed) return;
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

[[noreturn]] void EndAfterClose(CloseStep step, std::optional<bool> saved) {
  const bool allSaved = saved.value_or(false);
  const char* line =
      step == CloseStep::saveHere
          ? (allSaved ? "tessary: the window did not answer the close request; settings and "
                        "best scores saved\n"
                      : "tessary: the window did not answer the close request; not everything "
                        "could be saved\n")
          : "tessary: the game did not end after saving; ended now\n";
  EndProcess(line, allSaved ? 0 : 1);
}

// The watcher thread: signals, the display socket and, after a close signal, the deadlines.
void Watch() {
  pthread_setname_np(pthread_self(), "SessionWatcher");
  const sigset_t signals = CloseSignals();
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  int displayFd = -1;
  std::optional<std::chrono::steady_clock::time_point> closeAsked;
  while (!watcherLink.stopping.load()) {
    if (displayFd < 0) displayFd = watcherLink.displayFd.exchange(-1);
    int timeout = -1;
    if (closeAsked) {
      const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - *closeAsked);
      const SavePhase phase = CurrentSavePhase();
      const CloseStep step = NextCloseStep(since, phase);
      if (step != CloseStep::wait) EndAfterClose(step, RunSaveForExit());
      const auto deadline = phase == SavePhase::notStarted ? kUiSaveDeadline : kEndDeadline;
      timeout = static_cast<int>((deadline - since).count()) + 1;
    }
    // Only a hang-up or an error is asked of the display socket: its data is the UI thread's.
    pollfd fds[3] = {{watcherLink.wakeFd.load(), POLLIN, 0}, {signalFd, POLLIN, 0},
                     {displayFd, 0, 0}};
    if (poll(fds, 3, timeout) < 0) continue;
    if (fds[0].revents & POLLIN) {
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(fds[0].fd, &count, sizeof count);
    }
    if (watcherLink.stopping.load()) break;
    if (fds[2].revents & (POLLHUP | POLLERR)) {
      // Xlib shuts its socket down when SDL closes the display: that hang-up is ours.
      if (!watcherLink.sdlEnding.load()) EndAfterDisplayLoss(RunSaveForExit());
      ::close(displayFd);
      displayFd = -1;
    }
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info{};
      while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      }
      if (!closeAsked) {  // later signals change nothing: the close is on its way
        closeAsked = std::chrono::steady_clock::now();
        PushQuit();
      }
    }
  }
  if (displayFd >= 0) ::close(displayFd);
  if (signalFd >= 0) ::close(signalFd);
}

}  // namespace

SessionWatcher::SessionWatcher() {
  watcherLink.stopping.store(false);
  watcherLink.sdlEnding.store(false);
  watcherLink.wakeFd.store(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  {
    std::lock_guard lock(watcherLink.sdlMutex);
    watcherLink.sdlEventsAllowed = true;
  }
  thread_ = std::thread(Watch);
}

SessionWatcher::~SessionWatcher() {
  BeforeSdlQuit();
  watcherLink.stopping.store(true);
  WakeWatcher();
  thread_.join();
  const int fd = watcherLink.wakeFd.exchange(-1);
  if (fd >= 0) ::close(fd);
  const int displayFd = watcherLink.displayFd.exchange(-1);
  if (displayFd >= 0) ::close(displayFd);
}

void SessionWatcher::BeforeSdlQuit() {
  watcherLink.sdlEnding.store(true);
  std::lock_guard lock(watcherLink.sdlMutex);
  watcherLink.sdlEventsAllowed = false;
}

void WatchDisplaySocket() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (window == nullptr || watcherLink.wakeFd.load() < 0) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return;
  int fd = -1;
  if (info.subsystem == SDL_SYSWM_WAYLAND && info.info.wl.display != nullptr)
    fd = wl_display_get_fd(info.info.wl.display);
  else if (info.subsystem == SDL_SYSWM_X11 && info.info.x11.display != nullptr)
    fd = ConnectionNumber(info.info.x11.display);
  if (fd < 0) return;
  // A duplicate of its own: the socket's number may be reused once SDL closes it.
  const int duplicate = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (duplicate < 0) return;
  const int previous = watcherLink.displayFd.exchange(duplicate);
  if (previous >= 0) ::close(previous);
  WakeWatcher();
}

void WatchDisplayConnection() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return;
  // SDL loads the same libX11.so.6 that the game links, and the handlers are global to it, so
  // they serve SDL's connection too.
  XSetIOErrorHandler(OnDisplayConnectionLost);
  XSetErrorHandler(OnProtocolError);
}

bool WindowLost() { return windowLost.load(); }

bool WaylandConnectionLost() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (window == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND) return false;
  return info.info.wl.display != nullptr && wl_display_get_error(info.info.wl.display) != 0;
}

void EndAfterDisplayLoss(std::optional<bool> saved) {
  EndProcess(!saved ? "tessary: the display connection was lost\n"
             : *saved ? "tessary: the display connection was lost; settings and best scores "
                        "saved\n"
                      : "tessary: the display connection was lost; not everything could be "
                        "saved (see above)\n",
             1);
}

void TestHookOnFrame(int scene) {
  static const char* const mode = std::getenv("TESSARY_TEST_ON_BOARD");
  static bool said = false;
  if (mode == nullptr || said || !game::LevelOfPlayScene(scene)) return;
  said = true;
  std::fputs("tessary: test hook: a board is on show\n", stderr);
  if (std::strcmp(mode, "hold") != 0) return;
  for (;;) pause();  // the close signals are blocked here: only the watcher can end this
}

}  // namespace app
