// The player's choices beyond the three switches: how many play, and which pictures the boxes
// hide. They live in GameState (read at start from the settings, stepped by the menu's
// selectors) and are spelled here the way the settings file and the command line spell them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "game/game_state.h"

namespace game {

enum PlayerMode : int8_t {
  onePlayer = 1,  // the original game, every rule as it always was
  twoPlayers = 2,
  threePlayers = 3,
  fourPlayers = 4,
  againstComputer = 5,
};

inline constexpr int kPlayerModeCount = againstComputer - onePlayer + 1;

// Whether a number read from outside (a setting, a history line) is a PlayerMode.
constexpr bool IsValidPlayerMode(int value) {
  return value >= onePlayer && value <= againstComputer;
}

// "1", "2", "3", "4" or "computer"; nothing for any other spelling.
std::optional<PlayerMode> ParsePlayerMode(std::string_view text);
std::string_view PlayerModeKey(PlayerMode mode);

// The mode after `mode` in the selector's round: 1, 2, 3, 4, computer, 1, ...
PlayerMode NextPlayerMode(PlayerMode mode);

// The players selector's step: the next mode, with the button sound. UI thread.
void StepPlayerMode(GameState& state);

// Which clock a board alone is played against: the level's countdown (the original game), or a
// relaxed clock that counts up and never ends the game (game/mode.cpp's policies).
enum ClockChoice : int8_t {
  countdown = 0,
  relaxed = 1,
};

// Whether a number read from outside is a ClockChoice.
constexpr bool IsValidClockChoice(int value) { return value == countdown || value == relaxed; }

// "countdown" or "relaxed"; nothing for any other spelling.
std::optional<ClockChoice> ParseClockChoice(std::string_view text);
std::string_view ClockChoiceKey(ClockChoice clock);

// The clock selector's step: the other clock, with the button sound. UI thread.
void StepClockChoice(GameState& state);

// The pictures selector's step: the next of pictureSetCount sets, round, with the button sound.
// UI thread.
void StepPictureSet(GameState& state);

}  // namespace game
