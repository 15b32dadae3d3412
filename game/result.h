// What the rules tell the outside world when a game on a board ends: one small record per game,
// handed from the thread that ended it to the UI thread, which keeps the history. No storage here.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace game {

enum class Level : uint8_t;

// How a game ended, as the player sees it. With several players or against the computer, won
// means the first player (the one at the keyboard) came first alone, draw that the most pairs
// were shared.
enum class Outcome : int8_t { won, lost, gaveUp, draw };

// Whom a game was played with: alone, against the computer, or between players at one screen.
// The records count each apart; only a game alone keeps best scores.
enum class Company : uint8_t { alone, computer, players };

// How far the game on a board has come: a game is given up only once a box was opened and before
// it is decided (its last pair gone or its time up), and each game is reported once, whichever
// thread ends it first.
enum BoardProgress : int8_t {
  kBoardUntouched = 0,
  kBoxOpened = 1,
  kResultReported = 2,
  kGameDecided = 3,
};

struct GameResult {
  Level level{};
  int8_t playerMode = 1;    // a PlayerMode: 1 one player, 2..4 players, 5 against the computer
  int32_t pictureSet = 0;   // index of the picture set played; 0 the classic faces
  int32_t score = 0;
  int32_t secondsUsed = 0;  // of the level's time limit
  int32_t pairs = 0;
  int32_t misses = 0;       // tries whose two cards were no pair
  int8_t clock = 0;         // a ClockChoice: 1 a game alone against the relaxed clock
  Outcome outcome = Outcome::won;
};

// Finished games waiting for the UI thread. Any thread may Push; the UI thread takes them all.
class ResultQueue {
 public:
  void Push(const GameResult& result) {
    std::lock_guard lock(mutex_);
    results_.push_back(result);
  }
  // The results pushed since the last call, oldest first.
  std::vector<GameResult> TakeAll() {
    std::lock_guard lock(mutex_);
    std::vector<GameResult> taken;
    taken.swap(results_);
    return taken;
  }

 private:
  std::mutex mutex_;
  std::vector<GameResult> results_;
};

}  // namespace game
