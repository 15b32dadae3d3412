// Saving best scores when two copies of the game share the file: each exit merges, never
// overwrites, so the copy that ends last cannot undo a better score the other one saved.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/formats.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

// Reads the whole (small) file; false with errno set when it exists but cannot be read.
bool ReadStored(const std::string& path, std::array<uint8_t, kBestScoreBytes>& bytes,
                std::size_t& count) {
  count = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  // A directory of that name counts as missing, as it does at start-up; the save then reports it.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return true;
  }
  while (count < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + count, bytes.size() - count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    count += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return true;
}

}  // namespace

ScoreLock::ScoreLock(const std::string& lockPath) {
  if (lockPath.empty()) return;
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd_ < 0) fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

ScoreLock::~ScoreLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::string ScoreLockPath(const std::string& bestScorePath) {
  if (bestScorePath.empty()) return {};
  return FollowLinks(bestScorePath) + ".lock";
}

bool MergeBestScores(const std::string& nativePath, const StoredScores& ours) {
  const std::string targetPath = FollowLinks(nativePath);
  ScoreLock lock(ScoreLockPath(nativePath));

  std::array<uint8_t, kBestScoreBytes> stored{};
  std::size_t count = 0;
  if (!ReadStored(targetPath, stored, count)) {
    ReportProblem(nativePath + ": cannot be read to merge the best scores: " +
                  std::strerror(errno) + " (the scores it holds are kept; this run's are not saved)");
    return false;
  }
  std::array<uint8_t, kBestScoreBytes> bytes{};
  for (std::size_t level = 0; level < ours.size(); ++level) {
    const uint16_t theirs = 2 * level + 1 < count
                                ? static_cast<uint16_t>(stored[2 * level] << 8 | stored[2 * level + 1])
                                : uint16_t{0};
    const uint16_t best = ours[level] > theirs ? ours[level] : theirs;
    bytes[2 * level] = static_cast<uint8_t>(best >> 8);  // high byte first
    bytes[2 * level + 1] = static_cast<uint8_t>(best);
  }
  return ReplaceFileAtomically(nativePath, bytes);
}

}  // namespace storage
