#include "app/redraw_request.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

namespace app {
namespace {

std::atomic<uint32_t> redrawEventType{0};  // 0 until registered
std::atomic<bool> redrawPending{false};

}  // namespace

bool StartRedrawRequests() {
  if (redrawEventType.load() != 0) return true;
  const Uint32 type = SDL_RegisterEvents(1);
  if (type == static_cast<Uint32>(-1)) {
    std::fprintf(stderr, "tessary: no SDL event for redrawing: %s\n", SDL_GetError());
    return false;
  }
  redrawEventType.store(type);
  return true;
}

void RequestRedraw() {
  const uint32_t type = redrawEventType.load();
  if (type == 0 || redrawPending.exchange(true)) return;
  SDL_Event event{};
  event.type = type;
  // A full queue drops it: the UI thread's wait times out and looks anyway.
  if (SDL_PushEvent(&event) != 1) redrawPending.store(false);
}

bool TakeRedrawEvent(const SDL_Event& event) {
  const uint32_t type = redrawEventType.load();
  if (type == 0 || event.type != type) return false;
  redrawPending.store(false);
  return true;
}

}  // namespace app
