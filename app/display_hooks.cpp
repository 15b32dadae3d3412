#include "app/display_hooks.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <wayland-client-core.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/exit_save.h"

namespace app {
namespace {

std::atomic<bool> windowLost{false};

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

}  // namespace app
