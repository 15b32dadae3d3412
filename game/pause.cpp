#include "game/pause.h"

#include "game/level.h"

namespace game {

bool IsBoardOver(const GameState& state) {
  return state.won || state.lost || state.players.finished;
}

bool IsBoardInPlay(const GameState& state) {
  return LevelOfPlayScene(state.scene.load(std::memory_order_acquire)).has_value() &&
         !IsBoardOver(state);
}

bool IsBoardPaused(const GameState& state) {
  return state.paused && LevelOfPlayScene(state.scene.load(std::memory_order_acquire));
}

bool PauseBoard(GameState& state) {
  if (IsBoardPaused(state)) return true;
  if (!IsBoardInPlay(state)) return false;
  state.paused = true;
  RequestSound(state, SoundRequest::stopGameMusic);
  return true;
}

bool ResumeBoard(GameState& state) {
  const bool wasPaused = IsBoardPaused(state);
  state.paused = false;
  // Played on from where it stopped; nothing when the music is switched off.
  if (wasPaused) RequestSound(state, SoundRequest::playGameMusic);
  return wasPaused;
}

void TogglePause(GameState& state) {
  if (!ResumeBoard(state)) PauseBoard(state);
}

}  // namespace game
