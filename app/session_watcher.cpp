#include "app/session_watcher.h"

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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

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

void BlockCloseSignals() {
  const sigset_t signals = CloseSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

CloseStep NextCloseStep(std::chrono::milliseconds sinceSignal, SavePhase phase) {
  if (phase == SavePhase::notStarted)
    return sinceSignal < kUiSaveDeadline ? CloseStep::wait : CloseStep::saveHere;
  // Running or done on the UI thread: it normally ends the process well before the deadline.
  return sinceSignal < kEndDeadline ? CloseStep::wait : CloseStep::endNow;
}

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
