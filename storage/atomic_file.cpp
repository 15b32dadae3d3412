// Atomic replacement of a small file: write a temporary file in the same directory, fsync it,
// rename it over the old file, fsync the directory. Links are followed and permission bits kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "storage/storage_local.h"

namespace storage {

void ReportProblem(std::string_view text) {
  std::string line = "tessary: ";
  line.append(text);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string FollowLinks(const std::string& nativePath) {
  std::string current = nativePath;
  // The kernel's own limit for a chain of links; past it, open and rename report the loop.
  for (int hop = 0; hop < 40; ++hop) {
    char target[4096];
    const ssize_t length = ::readlink(current.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return current;
    std::string next(target, static_cast<std::size_t>(length));
    if (next[0] != '/') next = DirectoryOf(current) + "/" + next;
    current = std::move(next);
  }
  return current;
}

bool ReplaceFileAtomically(const std::string& nativePath, std::span<const uint8_t> bytes,
                           bool durable) {
  // A player who keeps the file elsewhere behind a link keeps the link: its target is replaced.
  const std::string targetPath = FollowLinks(nativePath);
  // One temporary name per process: the game writes each file from one thread only.
  const std::string temporaryPath = targetPath + ".tmp" + std::to_string(::getpid());
  auto fail = [&](int error, bool removeTemporary) {
    if (removeTemporary) ::unlink(temporaryPath.c_str());
    ReportProblem(nativePath + ": could not be saved: " + std::strerror(error) +
                  " (the previous file is kept)");
    return false;
  };

  int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                  0666);
  if (fd < 0) return fail(errno, false);
  // A file the player made private (0600, say) stays so; a new one gets 0666 less the umask.
  struct stat old {};
  const bool keepMode = ::stat(targetPath.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  if (!WriteAll(fd, bytes) || (keepMode && ::fchmod(fd, old.st_mode & 07777) != 0) ||
      (durable && ::fsync(fd) != 0)) {
    int error = errno;
    ::close(fd);
    return fail(error, true);
  }
  if (::close(fd) != 0) return fail(errno, true);
  if (::rename(temporaryPath.c_str(), targetPath.c_str()) != 0) return fail(errno, true);
  if (!durable) return true;

  // Makes the rename itself durable. The new file is already in place, and some file systems
  // refuse fsync on a directory, so a failure here changes nothing for the caller.
  int directory = ::open(DirectoryOf(targetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    ::fsync(directory);
    ::close(directory);
  }
  return true;
}

}  // namespace storage
