#include "game/game_state.h"

namespace game {

void RequestSound(GameState& state, SoundRequest request) {
  state.soundRequests[static_cast<int>(request)] = true;
  state.wake.NotifyAll();
  if (state.soundObserver) state.soundObserver(request);
}

bool IsSoundRequested(const GameState& state, SoundRequest request) {
  return state.soundRequests[static_cast<int>(request)];
}

void StopRunning(GameState& state) {
  state.running = false;
  state.wake.NotifyAll();
}

}  // namespace game
