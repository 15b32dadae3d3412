// The records of every level: the ten best single-player wins with their dates, and how many games
// each kind of play saw and won. Built from the history at start and from each game that ends;
// only what the records screen shows is kept, whatever the length of the history.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "game/game_state.h"
#include "game/level.h"
#include "game/result.h"

namespace game {

inline constexpr int kTopCount = 10;

// The player mode of the game being played, and its picture set: the one place that reads the
// menu's choices into a result.
int8_t PlayerModeOf(const GameState& state);
int32_t PictureSetOf(const GameState& state);

// Builds the result of the board of `params` as it stands and pushes it on state.results, once
// per game: a game given up only after a box was opened, and never after its win or loss.
// Returns whether it was pushed. Tick thread (a win, a loss) or UI thread (a game given up).
bool ReportBoardResult(GameState& state, const LevelParams& params, Outcome outcome);

// The game on the board is decided, to be reported after the pause that follows: leaving the
// board from now on no longer gives it up. Tick thread, when it ends the game.
void MarkGameDecided(GameState& state);

// Whom a game of this PlayerMode is played with (game/mode.h); one that is no mode, alone.
Company CompanyOf(int8_t playerMode);

struct RecordEntry {
  int32_t score = 0;
  int64_t time = 0;  // seconds since the epoch
};

struct GameCount {
  int32_t games = 0;
  int32_t wins = 0;
};

struct LevelRecords {
  std::vector<RecordEntry> best;  // at most kTopCount, highest first; ties keep the older first
  GameCount alone, computer, players;
  int32_t bestWonSeconds = -1;  // the fewest seconds of a single-player win; -1 before the first
};

class Records {
 public:
  // Counts one game that ended at `time`. Returns its place 1..kTopCount when it is a
  // single-player win that entered its level's top ten, else 0. A result of an unknown level or
  // mode is not counted.
  int Add(int64_t time, const GameResult& result);
  // The records of a level under a ClockChoice; the relaxed clock's count games alone only.
  const LevelRecords& Of(Level level, int8_t clock = 0) const {
    return (clock == 1 ? relaxedLevels_ : levels_)[static_cast<int>(level)];
  }

 private:
  std::array<LevelRecords, 3> levels_;
  std::array<LevelRecords, 3> relaxedLevels_;  // games alone against the relaxed clock
};

}  // namespace game
