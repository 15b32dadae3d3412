#include "game/choices.h"

namespace game {

std::optional<PlayerMode> ParsePlayerMode(std::string_view text) {
  if (text == "1") return onePlayer;
  if (text == "2") return twoPlayers;
  if (text == "3") return threePlayers;
  if (text == "4") return fourPlayers;
  if (text == "computer") return againstComputer;
  return std::nullopt;
}

std::string_view PlayerModeKey(PlayerMode mode) {
  switch (mode) {
    case twoPlayers: return "2";
    case threePlayers: return "3";
    case fourPlayers: return "4";
    case againstComputer: return "computer";
    case onePlayer: break;
  }
  return "1";
}

PlayerMode NextPlayerMode(PlayerMode mode) {
  if (mode < onePlayer || mode >= againstComputer) return onePlayer;
  return static_cast<PlayerMode>(mode + 1);
}

void StepPlayerMode(GameState& state) {
  RequestSound(state, SoundRequest::playButton);
  state.playerMode = NextPlayerMode(static_cast<PlayerMode>(int8_t{state.playerMode}));
}

std::optional<ClockChoice> ParseClockChoice(std::string_view text) {
  if (text == "countdown") return countdown;
  if (text == "relaxed") return relaxed;
  return std::nullopt;
}

std::string_view ClockChoiceKey(ClockChoice clock) {
  return clock == relaxed ? "relaxed" : "countdown";
}

void StepClockChoice(GameState& state) {
  RequestSound(state, SoundRequest::playButton);
  state.clockChoice = state.clockChoice == relaxed ? countdown : relaxed;
}

void StepPictureSet(GameState& state) {
  RequestSound(state, SoundRequest::playButton);
  const int32_t count = state.pictureSetCount;
  state.pictureSet = count > 1 ? (state.pictureSet + 1) % count : 0;
}

}  // namespace game
