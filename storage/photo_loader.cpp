// The photo set loader: lists the folders and files it is given, prepares every picture on one
// worker thread (from the cache when the file is unchanged), counts equal faces once, and hands
// the faces and the problems over when it has finished.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>
#include <utility>

#include "storage/paths.h"
#include "storage/photo_local.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

// A file to prepare, and the folder it was found in (empty when it was named itself).
struct Candidate {
  std::string path;
  std::string folder;
};

std::string Reason(int error) {
  return error == ELOOP ? "is a symbolic link loop" : std::strerror(error);
}

// Files of other kinds in a photo folder (videos, notes) are passed over without a word.
bool HasPictureName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "jpg" || extension == "jpeg" || extension == "jpe" || extension == "png" ||
         extension == "webp";
}

bool FolderIsGone(const std::string& folder) {
  struct stat info {};
  return ::stat(folder.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Lists what paths name, in their order, each folder's names sorted: pictures of a folder (one
// level, hidden names skipped) and files named themselves, each file once however it is
// reached. A name that cannot be looked at is one line in problems.
std::vector<Candidate> ListCandidates(const std::vector<std::string>& paths,
                                      std::vector<std::string>& problems) {
  std::vector<Candidate> candidates;
  std::set<std::pair<dev_t, ino_t>> seen;
  auto firstTime = [&seen](const struct stat& info) {
    return seen.emplace(info.st_dev, info.st_ino).second;
  };
  for (const std::string& path : paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      problems.push_back(path + ": " + Reason(errno) + " (skipped)");
      continue;
    }
    if (S_ISREG(info.st_mode)) {
      if (firstTime(info)) candidates.push_back({path, {}});
      continue;
    }
    if (!S_ISDIR(info.st_mode)) {
      problems.push_back(path + ": is neither a picture file nor a folder (skipped)");
      continue;
    }
    if (!firstTime(info)) continue;
    DIR* directory = ::opendir(path.c_str());
    if (directory == nullptr) {
      problems.push_back(path + ": the folder cannot be read: " + Reason(errno) + " (skipped)");
      continue;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(directory)) {
      if (entry->d_name[0] != '.' && HasPictureName(entry->d_name))
        names.emplace_back(entry->d_name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    const std::size_t before = candidates.size();
    const std::string prefix = path.back() == '/' ? path : path + "/";
    for (const std::string& name : names) {
      const std::string file = prefix + name;
      // Followed, so a link to a photo counts; a chain of links that loops ends in ELOOP.
      struct stat fileInfo {};
      if (::stat(file.c_str(), &fileInfo) != 0) {
        const int error = errno;
        if (error == ENOENT && FolderIsGone(path)) {
          problems.push_back(path + ": the folder disappeared while it was listed");
          candidates.resize(before);  // gone with it: no line more for each
          break;
        }
        problems.push_back(file + ": " + Reason(error) + " (skipped)");
      } else if (S_ISDIR(fileInfo.st_mode)) {
        continue;  // one level only: a folder below is another set
      } else if (!S_ISREG(fileInfo.st_mode)) {
        problems.push_back(file + ": is not a regular file (skipped)");
      } else if (firstTime(fileInfo)) {
        candidates.push_back({file, path});
      }
    }
    if (candidates.size() == before && names.empty())
      problems.push_back(path + ": the folder holds no JPEG, PNG or WebP pictures");
  }
  return candidates;
}

PhotoKey KeyOf(const std::string& path, const struct stat& info) {
  PhotoKey key;
  char resolved[PATH_MAX];
  key.path = ::realpath(path.c_str(), resolved) != nullptr ? resolved : path;
  key.size = info.st_size;
  key.modifiedSeconds = info.st_mtim.tv_sec;
  key.modifiedNanoseconds = info.st_mtim.tv_nsec;
  return key;
}

// Reads a whole small file of ours; false when it is missing, not a file, or larger than limit.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<uint64_t>(info.st_size) <= limit;
  if (read) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t total = 0;
    while (total < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + total, bytes.size() - total);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      total += static_cast<std::size_t>(n);
    }
    read = total == bytes.size();
  }
  ::close(fd);
  return read;
}

// The cache folder as one load sees it. A failure to write is reported once; the load goes on
// without storing.
class FaceCache {
 public:
  bool Find(const PhotoKey& key, std::vector<uint8_t>& faceRgb) const {
    std::vector<uint8_t> bytes;
    return !folder_.empty() &&
           ReadSmallFile(folder_ + "/" + PhotoCacheName(key.path), kMaxEntryBytes, bytes) &&
           DecodePhotoCacheEntry(bytes, key, faceRgb);
  }

  void Store(const PhotoKey& key, std::span<const uint8_t> faceRgb,
             std::vector<std::string>& problems) {
    if (folder_.empty() || unusable_) return;
    std::string problem;
    if (!made_ && !MakePhotoCacheFolder(problem)) {
      unusable_ = true;
      problems.push_back(problem);
      return;
    }
    made_ = true;
    const std::vector<uint8_t> bytes = EncodePhotoCacheEntry(key, faceRgb);
    // Not flushed to disk: a lost or torn entry is only a miss (its checksum fails), and two
    // flushes an entry add tens of milliseconds a photo on a slow disk. ReplaceFileAtomically
    // says why it failed on stderr itself.
    if (!bytes.empty() &&
        !ReplaceFileAtomically(folder_ + "/" + PhotoCacheName(key.path), bytes, false))
      unusable_ = true;
  }

 private:
  static constexpr std::size_t kMaxEntryBytes = std::size_t{1} << 20;
  std::string folder_ = PhotoCacheFolder();
  bool made_ = false;
  bool unusable_ = false;
};

}  // namespace

void PhotoSetLoader::Start(std::vector<std::string> paths) {
  Cancel();
  {
    std::lock_guard<std::mutex> lock(resultsLock_);
    faces_.clear();
    problems_.clear();
  }
  done_.store(0);
  total_.store(0);
  cancel_.store(false);
  finished_.store(false);
  worker_ = std::thread(&PhotoSetLoader::Run, this, std::move(paths));
}

int PhotoSetLoader::Done() const { return done_.load(std::memory_order_relaxed); }
int PhotoSetLoader::Total() const { return total_.load(std::memory_order_relaxed); }
bool PhotoSetLoader::Finished() const { return finished_.load(std::memory_order_acquire); }

std::vector<FaceImage> PhotoSetLoader::TakeFaces() {
  if (!Finished()) return {};
  std::lock_guard<std::mutex> lock(resultsLock_);
  return std::move(faces_);
}

std::vector<std::string> PhotoSetLoader::TakeProblems() {
  if (!Finished()) return {};
  std::lock_guard<std::mutex> lock(resultsLock_);
  return std::move(problems_);
}

PhotoSetLoader::~PhotoSetLoader() { Cancel(); }

void PhotoSetLoader::Cancel() {
  cancel_.store(true);
  if (worker_.joinable()) worker_.join();
}

void PhotoSetLoader::Run(std::vector<std::string> paths) {
  ::pthread_setname_np(::pthread_self(), "PhotoLoader");
  // Below the UI thread (and the GL driver's threads) in the scheduler's eyes, so that the menu
  // keeps its frames on a busy machine; Linux counts niceness per thread.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness);
  std::vector<std::string> problems;
  std::size_t printed = 0;
  auto printNewProblems = [&] {
    for (; printed < problems.size(); ++printed) ReportProblem(problems[printed]);
  };
  const std::vector<Candidate> candidates = ListCandidates(paths, problems);
  printNewProblems();
  total_.store(static_cast<int>(candidates.size()), std::memory_order_relaxed);

  FaceCache cache;
  std::vector<FaceImage> faces;
  std::unordered_multimap<uint64_t, std::size_t> facesByHash;
  std::set<std::string> goneFolders;
  for (const Candidate& candidate : candidates) {
    if (cancel_.load(std::memory_order_relaxed)) break;
    if (!candidate.folder.empty() && goneFolders.count(candidate.folder) != 0) {
      done_.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    FaceImage face;
    std::string problem;
    struct stat info {};
    bool prepared = false;
    if (::stat(candidate.path.c_str(), &info) != 0) {
      problem = candidate.path + ": " + Reason(errno) + " (skipped)";
    } else {
      const PhotoKey key = KeyOf(candidate.path, info);
      if (cache.Find(key, face.rgb)) {
        face.source = candidate.path;
        prepared = true;
      } else if (PrepareFace(candidate.path, face, problem, &cancel_)) {
        cache.Store(key, face.rgb, problems);
        prepared = true;
      }
    }
    if (!prepared && !candidate.folder.empty() && FolderIsGone(candidate.folder)) {
      // One line for the folder rather than one for each file it held.
      goneFolders.insert(candidate.folder);
      problem = candidate.folder + ": the folder disappeared while its pictures were read";
    }
    if (!prepared && !cancel_.load(std::memory_order_relaxed)) problems.push_back(problem);
    if (prepared) {
      // Equal faces count once: the first in the order of the names is kept.
      const uint64_t hash = Fnv1a(face.rgb);
      const auto [first, last] = facesByHash.equal_range(hash);
      const bool equal = std::any_of(
          first, last, [&](const auto& item) { return faces[item.second].rgb == face.rgb; });
      if (!equal) {
        facesByHash.emplace(hash, faces.size());
        faces.push_back(std::move(face));
      }
    }
    printNewProblems();
    done_.fetch_add(1, std::memory_order_relaxed);
  }

  if (cancel_.load(std::memory_order_relaxed)) faces.clear();
  {
    std::lock_guard<std::mutex> lock(resultsLock_);
    faces_ = std::move(faces);
    problems_ = std::move(problems);
  }
  finished_.store(true, std::memory_order_release);
}

}  // namespace storage
