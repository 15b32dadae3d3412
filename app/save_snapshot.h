// What the exit save writes of the UI thread's state, handed over whole under one lock. The exit
// save may run on the session watcher while the UI thread is stuck, or while it still plays on
// (the display socket hung up): it takes the last contents published here and never reads the
// UI thread's objects.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "storage/files.h"
#include "storage/history.h"
#include "storage/preferences.h"

namespace app {

// Everything the exit save takes from the UI thread. The best scores and the games that end
// after the last publish are not here: the tick thread makes them, so the save reads them from
// the game state once it has stopped the workers.
struct SaveContents {
  storage::Switches switches;                       // game.cfg
  std::optional<storage::Preferences> preferences;  // tessary.conf; nothing: left as it is
  std::vector<std::string> pictureSetKeys;          // how the history names set n
  storage::HistoryWriter history;                   // this run's games not saved so far
};

class SaveSnapshot {
 public:
  // Replaces what was published with `contents`, whole. UI thread; before the exit save can
  // run, and after anything that may change what it writes.
  void Publish(SaveContents contents);
  // A copy of the contents last published (default ones before the first). Any thread.
  SaveContents Take() const;

 private:
  mutable std::mutex mutex_;
  SaveContents contents_;  // guarded by mutex_
};

}  // namespace app
