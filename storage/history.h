// The history: one line of text per finished game, appended to "data\history" beside the best
// scores (the user's data folder when installed). The line format is in docs/formats.md. Lines
// are only ever appended, each in one write under the best scores' flock; a line that cannot be
// read is skipped and kept. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "game/result.h"

namespace storage {

// One finished game as the history keeps it.
struct HistoryEntry {
  int64_t time = 0;  // seconds since the epoch, UTC
  game::GameResult result;
  std::string pictureSet = "classic";  // the set's name; result.pictureSet is not stored
};

// The longest line the reader takes; longer ones are skipped as unreadable. A player's folder is
// named by its absolute path, and a path of PATH_MAX bytes, every one written %XX, must fit.
inline constexpr std::size_t kHistoryLineLimit = 16 * 1024;

// The entry as one line, its line end included.
std::string FormatHistoryLine(const HistoryEntry& entry);

// Reads one line (without its line end). Returns false, leaving entry unspecified, when it is
// not a line of this format: then it is skipped. A tenth field "relaxed" marks the relaxed
// clock's game; fields past the tenth are ignored, for lines written by later versions.
bool ParseHistoryLine(std::string_view line, HistoryEntry& entry);

struct HistoryReadResult {
  int64_t entries = 0;  // lines read and handed on
  int64_t skipped = 0;  // lines that could not be read
  bool opened = false;  // false: no file, or one that cannot be read (said on stderr)
};

// Reads the history file at nativePath from start to end in blocks, handing each readable entry
// to take in file order. A missing file is an empty history; a file that cannot be read (a
// folder, no permission) gets one line on stderr, and so do its unreadable lines, all together.
// Never changes the file.
HistoryReadResult ReadHistoryFile(const std::string& nativePath,
                                  const std::function<void(const HistoryEntry&)>& take);

// Appends line (one whole line, its end included) to the history at nativePath, created when
// missing: under the flock at lockPath (none when empty), in a single write, flushed to disk.
// A file whose last line was cut short gets a line end first, in the same write. Returns false
// with the reason in problem; the file then holds what it held.
bool AppendHistoryLine(const std::string& nativePath, const std::string& lockPath,
                       std::string_view line, std::string& problem);

// The history of this run: where the game's places put it, with the best scores' lock.
class HistoryWriter {
 public:
  // Reads the whole history into take (see ReadHistoryFile). Call once, at start.
  HistoryReadResult ReadAll(const std::function<void(const HistoryEntry&)>& take);
  // Appends one finished game. A game that cannot be saved (no place without HOME, a folder in
  // the way, no permission) stays in this run's records only and is counted for Finish.
  void Append(const HistoryEntry& entry);
  // At exit: one line on stderr naming the file, the reason and how many games of this run
  // could not be saved, if any. Returns whether every game was saved.
  bool Finish();

 private:
  int unsaved_ = 0;
  std::string problem_;
};

}  // namespace storage
