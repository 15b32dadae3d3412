#include "app/display_probes.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace app {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
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

}  // namespace app
