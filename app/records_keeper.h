// The records of this player: the history read at start, every game that ends appended to it,
// and the records screen kept up to date. UI thread, but for Finish: the session watcher may
// save in the UI thread's place while it is stuck.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>

#include "game/game_state.h"
#include "game/records.h"
#include "render/render.h"
#include "storage/history.h"

namespace app {

// The date of `time` in the desktop's format (strftime's %x in the user's LC_TIME, LC_ALL or
// LANG), in UTF-8; "?" when it cannot be told.
std::string DesktopDate(int64_t time);

class RecordsKeeper {
 public:
  // Reads the history and shows it on the records screen. Call once, before the ticks start.
  void Load();
  // How the history names picture set n ("classic" for the game's own faces); any thread.
  void SetPictureSetNamer(std::function<std::string(int32_t)> namer) { namer_ = std::move(namer); }
  // Takes the games that ended since the last call: appends each to the history, counts it in
  // the records, and announces on the board a single-player win that entered the top ten.
  void TakeResults(game::GameState& state);
  // At exit, after the ticks have stopped: takes the last results; one line on stderr when a
  // game could not be saved. Returns whether every game was saved.
  bool Finish(game::GameState& state);

 private:
  // Appends and counts the results taken; whether there were any. Under mutex_.
  bool Record(game::GameState& state);
  void ShowRecords();

  std::mutex mutex_;  // the UI thread's TakeResults against a Finish from the session watcher
  std::function<std::string(int32_t)> namer_;
  game::Records records_;
  storage::HistoryWriter history_;
};

}  // namespace app
