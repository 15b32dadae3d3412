// Helpers shared by the storage sources; not for other folders.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace storage {

// Added to the niceness of a loader's worker thread alone (photos, decks).
inline constexpr int kWorkerNiceness = 10;

// Writes "tessary: <text>" and a line end to stderr in one piece.
void ReportProblem(std::string_view text);

// Replaces the file at nativePath with bytes: a temporary file beside it is written, flushed to
// disk and renamed over the old one, so a crash, a kill or a full disk never leaves a short file.
// When nativePath is a symbolic link, the file it leads to is replaced and the link stays; an
// existing file keeps its permission bits. Returns false after one message naming the file and
// the reason; the old file is then intact and the temporary file is gone. Without durable, the
// flushes to disk are left out: for files that may be lost (a cache whose entries carry their
// own checksum), where they would cost more than the file is worth.
bool ReplaceFileAtomically(const std::string& nativePath, std::span<const uint8_t> bytes,
                           bool durable = true);

// The path nativePath leads to once every symbolic link is followed (the last target need not
// exist); nativePath itself when it is no link.
std::string FollowLinks(const std::string& nativePath);

// Holds an exclusive flock on lockPath for its life: the one lock of the best scores and the
// history, so that two copies of the game never mix their saves. Without a lock file (an empty
// path, a folder we cannot write to) it holds nothing; the save then fails on its own.
class ScoreLock {
 public:
  explicit ScoreLock(const std::string& lockPath);
  ~ScoreLock();
  ScoreLock(const ScoreLock&) = delete;
  ScoreLock& operator=(const ScoreLock&) = delete;

 private:
  int fd_ = -1;
};

// "<file>.lock" beside the best-score file (beside the file its links lead to); empty when the
// best scores have no place.
std::string ScoreLockPath(const std::string& bestScorePath);

// Best scores as stored: easy, normal, hard, the low 16 bits of each.
using StoredScores = std::array<uint16_t, 3>;

// Saves ours into the score file at nativePath without ever lowering a score another copy of the
// game saved meanwhile: under an flock on "<file>.lock" beside the file (links followed), reads
// the file, keeps for each level the larger of its value and ours (a level whose two bytes are
// missing counts as 0), and replaces the file atomically. Returns false after one message on
// stderr when the file could not be read or written; it is then left as it was.
bool MergeBestScores(const std::string& nativePath, const StoredScores& ours);

}  // namespace storage
