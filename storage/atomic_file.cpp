// Atomic replacement of a small file: write a temporary file in the same directory, fsync it,
// rename it over the old file, fsync the directory.
#include <fcntl.h>
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

bool ReplaceFileAtomically(const std::string& nativePath, std::span<const uint8_t> bytes) {
  // One temporary name per process: the game writes each file from one thread only.
  const std::string temporaryPath = nativePath + ".tmp" + std::to_string(::getpid());
  auto fail = [&](int error, bool removeTemporary) {
    if (removeTemporary) ::unlink(temporaryPath.c_str());
    ReportProblem(nativePath + ": could not be saved: " + std::strerror(error) +
                  " (the previous file is kept)");
    return false;
  };

  int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                  0666);
  if (fd < 0) return fail(errno, false);
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
    int error = errno;
    ::close(fd);
    return fail(error, true);
  }
  if (::close(fd) != 0) return fail(errno, true);
  if (::rename(temporaryPath.c_str(), nativePath.c_str()) != 0) return fail(errno, true);

  // Makes the rename itself durable. The new file is already in place, and some file systems
  // refuse fsync on a directory, so a failure here changes nothing for the caller.
  int directory = ::open(DirectoryOf(nativePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    ::fsync(directory);
    ::close(directory);
  }
  return true;
}

}  // namespace storage
