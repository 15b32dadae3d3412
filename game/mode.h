// A mode of play is a small policy: it decides what a try scores, whether it keeps the turn or
// passes it, which way the clock runs, and how the game ends. The ticks (ticks.cpp) do the rest
// alike for every mode: the sounds and their order, the 500 ms pauses, the boxes, when
// selectionCount is released; a pair is judged by game/pairs.h whatever the mode.
//
// The clock choice (game/choices.h's ClockChoice) picks the policy of a board played alone: the
// countdown, or the relaxed clock. Together and against the computer the clock already counts
// up and there is no score: both choices play them alike.
//
// A new mode touches:
//   game/choices.{h,cpp}    its PlayerMode value, its spelling in the settings and on the command
//                           line, its place in the selector's round
//   game/mode.{h,cpp}       its policy (a class beside these) and its row in ModeOf
//   game/result.h, game/records.{h,cpp}, app/records_keeper.cpp, render/render.h,
//   render/records_scene.cpp  only when its records are kept apart: a Company and its counts
//   render/scenes.cpp (PlayerModeName), po/*.po  its name in the players selector
//   tests/unit/game/mode_test.cpp  its row in the table of decisions
// Cards of two kinds add to this their dealing (game/deal.cpp) and what belongs together
// (game/pairs.cpp); the judging, the computer and the ticks follow.
#pragma once

#include <cstdint>

#include "game/game_state.h"
#include "game/result.h"

namespace game {

// Which way a board's clock runs: the level's limit down to a loss at 0, or the game's time up
// from 0 until its last pair.
enum class Clock : uint8_t { countdown, countUp };

// The relaxed clock's score: each pair found adds kRelaxedPairScore, each miss takes
// kRelaxedMissCost, never below 0.
inline constexpr int32_t kRelaxedPairScore = 100;
inline constexpr int32_t kRelaxedMissCost = 10;

// What a judged try does to the turn.
enum class Turn : uint8_t { keep, pass };

// A try as judged, with the board's counts after it: what a score is decided from.
struct JudgedTry {
  bool pair = false;
  int32_t score = 0;        // the board's score before the try
  int32_t secondsLeft = 0;  // on the countdown
  int32_t pairsFound = 0;   // this try included
  int32_t misses = 0;       // this try included
};

class Mode {
 public:
  virtual ~Mode() = default;

  // Players at the board, 1..kMaxPlayers; they take turns when more than one.
  virtual int PlayerCount() const = 0;
  // Whether the last player is the computer.
  virtual bool AgainstComputer() const = 0;
  // Whom the game is played with, as the records count it; only Company::alone keeps best scores
  // and the top ten.
  virtual Company PlayedWith() const = 0;

  // Records: whether a win may raise the level's best score (maxsum.cfg): the countdown's alone.
  virtual bool KeepsBestScore() const = 0;
  // Records: whether its games are kept apart as the relaxed clock's (GameResult::clock).
  virtual bool Relaxed() const = 0;

  // Clock: which way it runs.
  virtual Clock ClockKind() const = 0;
  // Score: the board's score after a try.
  virtual int32_t ScoreAfter(const JudgedTry& judged) const = 0;
  // Turn: kept or passed after a try that found a pair or missed.
  virtual Turn TurnAfter(bool pair) const = 0;
  // Result: the last pair is gone. Marks the end as the board shows it (won, or the standings
  // final) and returns how it ended for the first player. Tick thread.
  virtual Outcome EndWithLastPair(GameState& state) const = 0;
};

// The policy of a PlayerMode under a ClockChoice; a value that is no PlayerMode plays alone, one
// that is no ClockChoice against the countdown. Any thread.
const Mode& ModeOf(int playerMode, int clockChoice = 0);

// The policy of the board being played, fixed at its deal; one player against the countdown before the first deal.
// Any thread.
const Mode& BoardMode(const GameState& state);

}  // namespace game
