#include "app/session_end.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <wayland-client-core.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Set by the destructor before it wakes the watcher with a signal of its own.
std::atomic<bool> watcherStopping{false};

std::atomic<bool> windowLost{false};

// UI thread only: Xlib calls its handlers on the thread that made the failing call, and only
// the UI thread talks to the display.
SaveForExit saveForExit;

// Xlib calls this when the connection is gone. Returning would let Xlib exit(), which runs the
// static destructors while the workers still run; so the files are saved here, without a single
// X or GL call, and the process ends at once.
int OnDisplayConnectionLost(Display*) {
  std::optional<bool> saved;
  if (saveForExit) saved = saveForExit();
  EndAfterDisplayLoss(saved);
}

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

CloseSignalWatcher::CloseSignalWatcher() {
  // sigwait takes the signals as plain values on a thread of its own: no handler runs, so nothing
  // has to be async-signal-safe, and SDL_PushEvent wakes the loop even while it waits for events.
  thread_ = std::thread([] {
    pthread_setname_np(pthread_self(), "SignalWatcher");
    const sigset_t signals = CloseSignals();
    bool quitSent = false;
    for (;;) {
      int signalNumber = 0;
      if (sigwait(&signals, &signalNumber) != 0) continue;
      if (watcherStopping.load()) return;
      if (quitSent) continue;  // the close sequence is already on its way
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      quitSent = SDL_PushEvent(&quit) == 1;
    }
  });
}

CloseSignalWatcher::~CloseSignalWatcher() {
  watcherStopping.store(true);
  pthread_kill(thread_.native_handle(), SIGHUP);
  thread_.join();
}

void WatchDisplayConnection() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return;
  // SDL loads the same libX11.so.6 that the game links, and the handlers are global to it, so
  // they serve SDL's connection too.
  XSetIOErrorHandler(OnDisplayConnectionLost);
  XSetErrorHandler(OnProtocolError);
}

void SetSaveForExit(SaveForExit save) { saveForExit = std::move(save); }

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
  const char* line = !saved ? "tessary: the display connection was lost\n"
                     : *saved ? "tessary: the display connection was lost; settings and best "
                                "scores saved\n"
                              : "tessary: the display connection was lost; not everything could "
                                "be saved (see above)\n";
  // write(2), not stdio: the loss may have struck while stderr's lock was held.
  const std::size_t length = std::strlen(line);
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, length);
  _exit(1);
}

}  // namespace app
