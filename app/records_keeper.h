// The records of this player: the history read at start, every game that ends appended to it,
// and the records screen kept up to date; at exit, the games that ended last.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/records.h"
#include "render/render.h"
#include "storage/history.h"

namespace app {

// The date of `time` in the desktop's format (strftime's %x in the user's LC_TIME, LC_ALL or
// LANG), in UTF-8; "?" when it cannot be told.
std::string DesktopDate(int64_t time);

// The date of `time` as the records screen shows it in language: the desktop's format for the
// original game's two languages (as they always were); for the others strftime's %x in the
// language's own locale (CODE.UTF-8), or ISO YYYY-MM-DD where the system lacks that locale.
// Always valid UTF-8.
std::string DateIn(game::Language language, int64_t time);

// At exit, once the ticks have stopped, on whichever thread saves: appends the games that ended
// since the UI thread last took them to `history` (this run's writer as last published), naming
// set n by `setKeys` as PictureSetKey does, then ends it with one line on stderr when a game of
// the run could not be saved. Returns whether every game was saved. Touches no UI-thread state.
bool SaveLastResults(game::ResultQueue& results, const std::vector<std::string>& setKeys,
                     storage::HistoryWriter& history);

// The records screen and the history while the game runs. UI thread only.
class RecordsKeeper {
 public:
  // Reads the history and shows it on the records screen; hands the state the relaxed clock's
  // best scores. Call once, before the ticks start.
  void Load(game::GameState& state);
  // Once per pass of the loop: the records screen shows the records of the clock chosen in the
  // menu (state.clockChoice).
  void FollowClock(const game::GameState& state);
  // How the history names picture set n ("classic" for the game's own faces).
  void SetPictureSetNamer(std::function<std::string(int32_t)> namer) { namer_ = std::move(namer); }
  // Takes the games that ended since the last call: appends each to the history, counts it in
  // the records, and announces on the board a single-player win that entered the top ten.
  void TakeResults(game::GameState& state);
  // Hands the records screen the records again, its dates in the texts' language (after a
  // change of language).
  void ShowRecords();
  // This run's history writer, for the exit save's snapshot: the games it could not save.
  const storage::HistoryWriter& History() const { return history_; }

 private:

  // The relaxed clock's best score of every level into state.relaxedBest.
  void PublishRelaxedBest(game::GameState& state) const;

  std::function<std::string(int32_t)> namer_;
  int8_t clock_ = 0;  // the ClockChoice whose records the screen shows
  game::Records records_;
  storage::HistoryWriter history_;
};

}  // namespace app
