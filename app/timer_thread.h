// The tick thread's keeper: the three periodic SDL timers that drive the scene machine.
#pragma once

#include <functional>

#include "game/game_state.h"

namespace app {

// Seeds star k's alpha with 5 * k, starts SecondTick (1000 ms), GameTick (10 ms) and SpinTick
// (3000 ms) on SDL timers, sleeps until state.running clears (StopRunning wakes it), removes the
// timers and waits for a tick in progress, its 500 ms pauses included; no tick runs after it
// returns. Returns 0. Needs SDL_Init(SDL_INIT_TIMER) first; runs on its own thread, once per
// state at a time. A timer that cannot start is told on stderr and never ticks. The ticks call
// `bestScoreBeaten` (when not empty) on the tick thread right after a win raised a best score.
int TimerThread(game::GameState& state, std::function<void()> bestScoreBeaten = {});

}  // namespace app
