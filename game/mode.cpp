#include "game/mode.h"

#include <algorithm>
#include <cstdint>

#include "game/choices.h"

namespace game {
namespace {

// One player against the countdown, the original game: a pair scores the seconds left, the last
// pair wins, the time running out loses.
class AgainstTheClock final : public Mode {
 public:
  int PlayerCount() const override { return 1; }
  bool AgainstComputer() const override { return false; }
  Company PlayedWith() const override { return Company::alone; }
  bool KeepsBestScore() const override { return true; }
  bool Relaxed() const override { return false; }
  Clock ClockKind() const override { return Clock::countdown; }
  int32_t ScoreAfter(const JudgedTry& judged) const override {
    return judged.pair ? judged.score + judged.secondsLeft : judged.score;
  }
  Turn TurnAfter(bool) const override { return Turn::keep; }
  Outcome EndWithLastPair(GameState& state) const override {
    state.won = true;
    return Outcome::won;
  }
};

// One player at ease: no time limit, the clock counts the game's time up; a pair scores
// kRelaxedPairScore and a miss costs kRelaxedMissCost, the score never below 0. Its records are
// kept apart, and the score file's best scores stay the countdown's.
class AtEase final : public Mode {
 public:
  int PlayerCount() const override { return 1; }
  bool AgainstComputer() const override { return false; }
  Company PlayedWith() const override { return Company::alone; }
  bool KeepsBestScore() const override { return false; }
  bool Relaxed() const override { return true; }
  Clock ClockKind() const override { return Clock::countUp; }
  int32_t ScoreAfter(const JudgedTry& judged) const override {
    const int64_t score = int64_t{kRelaxedPairScore} * judged.pairsFound -
                          int64_t{kRelaxedMissCost} * judged.misses;
    return static_cast<int32_t>(std::clamp<int64_t>(score, 0, INT32_MAX));
  }
  Turn TurnAfter(bool) const override { return Turn::keep; }
  Outcome EndWithLastPair(GameState& state) const override {
    state.won = true;
    return Outcome::won;
  }
};

// The player with the most pairs, 0-based, or kDraw when the most are shared.
int8_t WinnerOf(const Players& players) {
  int8_t winner = 0;
  bool shared = false;
  for (int8_t p = 1; p < players.count; ++p) {
    if (players.pairs[p] > players.pairs[winner]) {
      winner = p;
      shared = false;
    } else if (players.pairs[p] == players.pairs[winner]) {
      shared = true;
    }
  }
  return shared ? kDraw : winner;
}

// Two to four taking turns at one board, the last of them perhaps the computer: a pair counts for
// the player who found it and keeps the turn, a miss passes it; no score, the clock counts up,
// the most pairs win.
class Together final : public Mode {
 public:
  constexpr Together(int players, bool computer) : players_(players), computer_(computer) {}
  int PlayerCount() const override { return players_; }
  bool AgainstComputer() const override { return computer_; }
  Company PlayedWith() const override { return computer_ ? Company::computer : Company::players; }
  bool KeepsBestScore() const override { return false; }
  bool Relaxed() const override { return false; }
  Clock ClockKind() const override { return Clock::countUp; }
  int32_t ScoreAfter(const JudgedTry& judged) const override { return judged.score; }
  Turn TurnAfter(bool pair) const override { return pair ? Turn::keep : Turn::pass; }
  Outcome EndWithLastPair(GameState& state) const override {
    Players& players = state.players;
    const int8_t winner = WinnerOf(players);
    players.winner = winner;
    players.finished = true;
    return winner == 0 ? Outcome::won : winner == kDraw ? Outcome::draw : Outcome::lost;
  }

 private:
  int players_;
  bool computer_;
};

const AgainstTheClock kAlone;
const AtEase kRelaxed;
const Together kTwoPlayers{2, false};
const Together kThreePlayers{3, false};
const Together kFourPlayers{4, false};
const Together kAgainstComputer{2, true};

}  // namespace

const Mode& ModeOf(int playerMode, int clockChoice) {
  switch (playerMode) {
    case twoPlayers: return kTwoPlayers;
    case threePlayers: return kThreePlayers;
    case fourPlayers: return kFourPlayers;
    case againstComputer: return kAgainstComputer;
    default: return clockChoice == relaxed ? static_cast<const Mode&>(kRelaxed) : kAlone;
  }
}

const Mode& BoardMode(const GameState& state) {
  return ModeOf(state.players.mode, state.players.clock);
}

}  // namespace game
