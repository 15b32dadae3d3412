// A deck's files out of an archive (libarchive) or a folder, with the limits counted as the bytes
// come: an archive's headers may lie about sizes, and a folder may hold links pointing anywhere.
#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"

namespace storage {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

std::string MiB(int64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

// Counts what has been unpacked so far against the limits; its text is the reason to refuse.
struct Budget {
  int entries = 0;
  int64_t total = 0;

  std::string AddEntry() {
    if (++entries > kMaxDeckEntries)
      return "holds more than " + std::to_string(kMaxDeckEntries) + " files";
    return {};
  }
  std::string AddBytes(const std::string& name, int64_t entryBytes, int64_t more) {
    if (entryBytes > kMaxDeckEntryBytes)
      return name + " unpacks to more than " + MiB(kMaxDeckEntryBytes);
    total += more;
    if (total > kMaxDeckTotalBytes) return "unpacks to more than " + MiB(kMaxDeckTotalBytes);
    return {};
  }
};

// libarchive may have no text for an error (a ZIP's entry cut short, for one).
std::string ErrorOf(archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? text : "unknown error";
}

struct ArchiveFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

bool ReadArchive(int fd, const std::string& path,
                 const std::function<bool(std::string_view)>& keep, DeckFiles& files,
                 std::vector<std::string>& problems, const std::atomic<bool>* cancel) {
  auto fail = [&](const std::string& reason) {
    problems.push_back(path + ": " + reason);
    return false;
  };
  std::unique_ptr<archive, ArchiveFree> reader(archive_read_new());
  if (!reader) return fail("cannot be read: out of memory");
  archive_read_support_format_zip(reader.get());
  archive_read_support_format_tar(reader.get());
  archive_read_support_filter_bzip2(reader.get());
  archive_read_support_filter_gzip(reader.get());
  archive_read_support_filter_xz(reader.get());
  if (archive_read_open_fd(reader.get(), fd, kChunkBytes) != ARCHIVE_OK)
    return fail("is not an archive that can be read: " + ErrorOf(reader.get()));
  Budget budget;
  std::vector<uint8_t> chunk(kChunkBytes);
  for (;;) {
    if (Cancelled(cancel)) return fail("reading stopped");
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
      return fail("is damaged: " + ErrorOf(reader.get()));
    if (std::string reason = budget.AddEntry(); !reason.empty()) return fail(reason);
    const char* rawName = archive_entry_pathname(entry);
    const std::string shown = rawName != nullptr ? rawName : "";
    if (shown.size() > kMaxDeckEntryNameBytes)
      return fail("holds a file name longer than " + std::to_string(kMaxDeckEntryNameBytes) +
                  " bytes");
    const std::string name = CleanDeckName(shown);
    if (name.empty()) return fail("holds a file named \"" + shown + "\", outside the deck");
    const mode_t type = archive_entry_filetype(entry);
    if (type == AE_IFDIR) continue;
    if (type != AE_IFREG || archive_entry_hardlink(entry) != nullptr ||
        archive_entry_symlink(entry) != nullptr) {
      problems.push_back(path + ": " + name + " is a link or a device, not a file (left out)");
      continue;
    }
    // A tar's header size is what skipping it unpacks; a ZIP's is only a claim, checked below.
    const int64_t claimed = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    if (std::string reason = budget.AddBytes(name, claimed, 0); !reason.empty())
      return fail(reason);
    files.names.push_back(name);
    if (!keep(name)) {
      if (std::string reason = budget.AddBytes(name, 0, claimed); !reason.empty())
        return fail(reason);
      continue;
    }
    std::vector<uint8_t> bytes;
    for (;;) {
      if (Cancelled(cancel)) return fail("reading stopped");
      const la_ssize_t n = archive_read_data(reader.get(), chunk.data(), chunk.size());
      if (n == 0) break;
      if (n < 0) return fail(name + " is damaged: " + ErrorOf(reader.get()));
      const int64_t now = int64_t(bytes.size()) + n;
      if (std::string reason = budget.AddBytes(name, now, n); !reason.empty())
        return fail(reason);
      bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + n);
    }
    files.contents[name] = std::move(bytes);
  }
  return true;
}

// Reads an open regular file whole, at most kMaxDeckEntryBytes; empty reason when read.
std::string ReadOpenFile(int fd, std::vector<uint8_t>& bytes, Budget& budget,
                         const std::string& name) {
  std::vector<uint8_t> chunk(kChunkBytes);
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return name + " cannot be read: " + std::strerror(errno);
    if (n == 0) return {};
    if (std::string reason = budget.AddBytes(name, int64_t(bytes.size()) + n, n);
        !reason.empty())
      return reason;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + n);
  }
}

struct FolderWalk {
  const std::string& path;
  const std::function<bool(std::string_view)>& keep;
  DeckFiles& files;
  std::vector<std::string>& problems;
  const std::atomic<bool>* cancel;
  Budget budget;

  // Walks the open folder fd (closed here) named prefix within the deck; empty when done.
  std::string Walk(int fd, const std::string& prefix, int depth) {
    DIR* folder = ::fdopendir(fd);
    if (folder == nullptr) {
      ::close(fd);
      return (prefix.empty() ? std::string("the folder") : prefix) + " cannot be listed";
    }
    std::vector<std::string> names;
    while (dirent* item = ::readdir(folder)) {
      const std::string_view name = item->d_name;
      if (name == "." || name == "..") continue;
      if (std::string reason = budget.AddEntry(); !reason.empty()) {
        ::closedir(folder);
        return reason;
      }
      names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    std::string reason;
    for (const std::string& name : names) {
      if (Cancelled(cancel)) {
        reason = "reading stopped";
        break;
      }
      reason = Visit(::dirfd(folder), name, prefix + name, depth);
      if (!reason.empty()) break;
    }
    ::closedir(folder);
    return reason;
  }

  std::string Visit(int folderFd, const std::string& name, const std::string& shown, int depth) {
    struct stat info {};
    if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return {};
    if (S_ISDIR(info.st_mode)) {
      if (depth >= kMaxDeckFolderDepth) {
        problems.push_back(path + ": " + shown + " is nested too deep (left out)");
        return {};
      }
      const int fd = ::openat(folderFd, name.c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) return {};
      return Walk(fd, shown + "/", depth + 1);
    }
    if (!S_ISREG(info.st_mode)) {
      problems.push_back(path + ": " + shown + " is a link or a device, not a file (left out)");
      return {};
    }
    files.names.push_back(shown);
    if (!keep(shown)) return {};
    // O_NOFOLLOW: a file swapped for a link since the look is not followed either.
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return shown + " cannot be opened: " + std::strerror(errno);
    std::vector<uint8_t> bytes;
    std::string reason;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
      reason = shown + " is not a file";
    else
      reason = ReadOpenFile(fd, bytes, budget, shown);
    ::close(fd);
    if (reason.empty()) files.contents[shown] = std::move(bytes);
    return reason;
  }
};

}  // namespace

std::string CleanDeckName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return {};
  std::string clean;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return {};
    if (!part.empty() && part != ".") {
      if (!clean.empty()) clean += '/';
      clean += part;
    }
    start = end + 1;
  }
  // A Windows drive ("C:") is as absolute as a leading '/'.
  if (clean.size() >= 2 && clean[1] == ':') return {};
  return clean;
}

bool ReadDeckFiles(const std::string& path, const std::function<bool(std::string_view)>& keep,
                   DeckFiles& files, std::vector<std::string>& problems,
                   const std::atomic<bool>* cancel) {
  files = {};
  // Not blocking: a FIFO named like a deck would wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    problems.push_back(path + ": cannot be opened: " + std::strerror(errno));
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    problems.push_back(path + ": cannot be read: " + std::strerror(errno));
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    const int folderFd = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    if (folderFd < 0) {
      problems.push_back(path + ": cannot be listed");
      return false;
    }
    FolderWalk walk{path, keep, files, problems, cancel, {}};
    if (std::string reason = walk.Walk(folderFd, "", 0); !reason.empty()) {
      problems.push_back(path + ": " + reason);
      return false;
    }
    return true;
  }
  bool read = false;
  if (!S_ISREG(info.st_mode))
    problems.push_back(path + ": is neither a file nor a folder");
  else
    read = ReadArchive(fd, path, keep, files, problems, cancel);
  ::close(fd);
  return read;
}

}  // namespace storage
