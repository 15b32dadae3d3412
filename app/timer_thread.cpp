#include "app/timer_thread.h"

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "app/redraw_request.h"
#include "game/random.h"
#include "game/ticks.h"

namespace app {
namespace {

void PauseHalfSecond() { std::this_thread::sleep_for(std::chrono::milliseconds(500)); }

int64_t SecondsNow() { return static_cast<int64_t>(std::time(nullptr)); }

// What the ticks of one TimerThread run with: the real generator, sleep and clock. Lives on
// TimerThread's stack.
struct TickContext {
  TickContext(game::GameState& gameState, std::function<void()> bestScoreBeaten)
      : state(gameState),
        environment{random,
                    [&gameState] {
                      // What the tick changed so far shows during the pause.
                      if (gameState.lessMotion) RequestRedraw();
                      PauseHalfSecond();
                    },
                    SecondsNow, std::move(bestScoreBeaten)} {}

  game::GameState& state;
  game::LcgRandom random;
  game::TickEnvironment environment;
};

// SDL_RemoveTimer does not wait for a callback in progress, and a callback that had already
// passed SDL's cancel check may still start after it returns. So a callback never holds a pointer
// to a context: it looks its context up by key under this lock and runs the tick holding it.
// TimerThread withdraws its context under the same lock, which waits for a tick in progress; a
// late callback then finds nothing and ends its timer.
struct ContextRegistry {
  std::mutex mutex;
  std::unordered_map<uintptr_t, TickContext*> contexts;
  uintptr_t nextKey = 1;
};

ContextRegistry& Registry() {
  static ContextRegistry registry;
  return registry;
}

using Tick = void (*)(game::GameState&, game::TickEnvironment&);

template <Tick tick>
Uint32 RunTick(Uint32 interval, void* key) {
  ContextRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  const auto found = registry.contexts.find(reinterpret_cast<uintptr_t>(key));
  if (found == registry.contexts.end()) return 0;  // stopped: 0 ends the timer
  game::GameState& state = found->second->state;
  const uint32_t shown = state.shownChanges;
  tick(state, found->second->environment);
  // With full motion the UI thread draws without waiting: no need to wake it.
  if (state.lessMotion && state.shownChanges != shown) RequestRedraw();
  return interval;
}

uint32_t StartTimer(Uint32 intervalMs, SDL_TimerCallback callback, uintptr_t key,
                    const char* name) {
  const SDL_TimerID id = SDL_AddTimer(intervalMs, callback, reinterpret_cast<void*>(key));
  if (id == 0) std::fprintf(stderr, "tessary: cannot start the %s timer: %s\n", name, SDL_GetError());
  return static_cast<uint32_t>(id);
}

void RemoveTimer(uint32_t id) {
  if (id != 0) SDL_RemoveTimer(static_cast<SDL_TimerID>(id));
}

}  // namespace

int TimerThread(game::GameState& state, std::function<void()> bestScoreBeaten) {
  // Star k starts at alpha 5k, fading out, so the stars are reborn one per tick at first.
  for (int k = 0; k < game::kStarCount; ++k)
    state.stars[k].alpha = static_cast<uint8_t>(state.stars[k].alpha + 5 * k);

  TickContext context(state, std::move(bestScoreBeaten));
  ContextRegistry& registry = Registry();
  uintptr_t key = 0;
  {
    std::lock_guard lock(registry.mutex);
    key = registry.nextKey++;
    registry.contexts.emplace(key, &context);
  }

  state.secondTimer = StartTimer(1000, RunTick<game::SecondTick>, key, "second");
  state.gameTimer = StartTimer(10, RunTick<game::GameTick>, key, "game");
  state.spinTimer = StartTimer(3000, RunTick<game::SpinTick>, key, "spin");

  state.wake.WaitUntil([&state] { return !state.running; });

  RemoveTimer(state.secondTimer);
  RemoveTimer(state.gameTimer);
  RemoveTimer(state.spinTimer);
  {
    std::lock_guard lock(registry.mutex);  // waits for a tick in progress
    registry.contexts.erase(key);
  }
  return 0;
}

}  // namespace app
