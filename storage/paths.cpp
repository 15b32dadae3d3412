// Where every file lives: the run directory or the installed game with the user's XDG folders.
#include "storage/paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "storage/formats.h"
#include "storage/storage_local.h"

// From the binary's install folder to the data's, set by CMake from GNUInstallDirs; relative, so
// that a moved prefix or an extracted package still finds its data.
#ifndef TESSARY_INSTALLED_DATA_FROM_BIN
#define TESSARY_INSTALLED_DATA_FROM_BIN "../share/tessary"
#endif
#ifndef TESSARY_INSTALLED_LOCALE_FROM_BIN
#define TESSARY_INSTALLED_LOCALE_FROM_BIN "../share/locale"
#endif

namespace storage {

namespace fs = std::filesystem;

namespace {

// The file stored beside another saved file; empty when that one has no place.
std::string BesideFile(const std::string& neighbour, std::string_view stored) {
  if (neighbour.empty()) return {};
  const fs::path folder = fs::path(neighbour).parent_path();
  return folder.empty() ? NativePath(stored) : (folder / NativePath(stored)).string();
}

FilePlaces& KeptPlaces() {
  static FilePlaces places = RunDirectoryPlaces();
  return places;
}

// Anything of that name counts, even a directory or a file nobody may read: a damaged run
// directory is reported as such rather than silently replaced by other data.
bool Holds(const std::string& folder, std::string_view stored) {
  const std::string path = folder.empty() ? NativePath(stored) : folder + "/" + NativePath(stored);
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string Joined(const std::string& folder, std::string_view relative) {
  std::string joined = (fs::path(folder) / fs::path(relative)).lexically_normal().string();
  if (joined.size() > 1 && joined.back() == '/') joined.pop_back();
  return joined;
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// Where a saved file goes in the installed mode: under the XDG variable when it is an absolute
// path (relative values are ignored, as the XDG rules say), else under HOME's default folder.
void PlaceSavedFile(const std::string& xdgValue, const std::string& home,
                    std::string_view homeDefault, std::string_view name, std::string& file,
                    std::string& anchor) {
  if (IsAbsolute(xdgValue)) {
    file = Joined(xdgValue, "tessary/" + std::string(name));
    anchor.assign(1, '/');  // the folders are made from the root down, as mkdir -p does
  } else if (IsAbsolute(home)) {
    file = Joined(home, std::string(homeDefault) + "/tessary/" + std::string(name));
    anchor = fs::path(home).lexically_normal().string();  // HOME itself is never made
  } else {
    file.clear();
    anchor.clear();
  }
}

// Makes the folders from below anchor down to folder, each private to the user. An existing
// folder is left as it is; a file in the way shows when the save opens its temporary file.
bool MakeFolders(const std::string& anchor, const fs::path& folder, std::string& failed,
                 int& error) {
  const fs::path relative = folder.lexically_relative(anchor);
  fs::path current = anchor;
  for (const fs::path& part : relative) {
    if (part.empty() || part == ".") continue;
    current /= part;
    if (::mkdir(current.c_str(), 0700) != 0 && errno != EEXIST) {
      error = errno;
      failed = current.string();
      return false;
    }
  }
  return true;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

FilePlaces RunDirectoryPlaces() {
  FilePlaces places;
  places.settingsFile = NativePath(kSettingsPath);
  places.bestScoreFile = NativePath(kBestScorePath);
  places.playerPicturesFolder = NativePath(kPicturesFolder);
  places.historyFile = NativePath(kHistoryPath);
  // Built, not assigned from literals: GCC 12 at -O3 warns falsely (-Wrestrict) on the latter.
  places.photoCacheFolder = NativePath("cache\\photos");
  places.photoCacheAnchor.assign(1, '.');
  places.localeFolder = "locale";
  return places;
}

bool DecidePlaces(const PlaceClues& clues, FilePlaces& places, std::string& problem) {
  // data/loading.logo counts too, so that a run directory that lost its package says so.
  if (Holds(clues.workingDirectory, kPackagePath) ||
      Holds(clues.workingDirectory, kLoadingPicturePath)) {
    places = RunDirectoryPlaces();
    return true;
  }

  std::vector<std::pair<std::string, std::string_view>> candidates;
  if (!clues.dataDirOverride.empty()) {
    candidates.emplace_back(Joined(clues.workingDirectory, clues.dataDirOverride),
                            "TESSARY_DATA_DIR");
  } else if (!clues.executableFolder.empty()) {
    candidates.emplace_back(Joined(clues.executableFolder, clues.installedDataFromBin),
                            "installed with the game");
    candidates.emplace_back(Joined(clues.executableFolder, ""), "beside the game");
  }
  for (const auto& [folder, why] : candidates) {
    if (!Holds(folder, kPackagePath)) continue;
    places = FilePlaces{};
    places.mode = FileMode::installed;
    places.dataFolder = folder;
    places.localeFolder = Holds(folder, "locale")
                              ? Joined(folder, "locale")
                              : Joined(clues.executableFolder, clues.installedLocaleFromBin);
    PlaceSavedFile(clues.xdgConfigHome, clues.home, ".config", "game.cfg", places.settingsFile,
                   places.settingsAnchor);
    PlaceSavedFile(clues.xdgDataHome, clues.home, ".local/share", "maxsum.cfg",
                   places.bestScoreFile, places.bestScoreAnchor);
    std::string unusedAnchor;
    PlaceSavedFile(clues.xdgDataHome, clues.home, ".local/share", "pictures",
                   places.playerPicturesFolder, unusedAnchor);
    PlaceSavedFile(clues.xdgDataHome, clues.home, ".local/share", "history", places.historyFile,
                   places.bestScoreAnchor);
    PlaceSavedFile(clues.xdgCacheHome, clues.home, ".cache", "photos", places.photoCacheFolder,
                   places.photoCacheAnchor);
    return true;
  }

  problem = "cannot find the game's data (" + NativePath(kPackagePath) + "): looked in " +
            (clues.workingDirectory.empty() ? std::string(".") : clues.workingDirectory) +
            " (the working directory)";
  for (const auto& [folder, why] : candidates)
    problem += ", " + folder + " (" + std::string(why) + ")";
  if (candidates.empty()) problem += "; the game's own folder is unknown";
  return false;
}

bool ChooseFileMode() {
  PlaceClues clues;
  std::error_code error;
  clues.workingDirectory = fs::current_path(error).string();
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (!error) clues.executableFolder = executable.parent_path().string();
  clues.installedDataFromBin = TESSARY_INSTALLED_DATA_FROM_BIN;
  clues.installedLocaleFromBin = TESSARY_INSTALLED_LOCALE_FROM_BIN;
  clues.dataDirOverride = Environment("TESSARY_DATA_DIR");
  clues.home = Environment("HOME");
  clues.xdgConfigHome = Environment("XDG_CONFIG_HOME");
  clues.xdgDataHome = Environment("XDG_DATA_HOME");
  clues.xdgCacheHome = Environment("XDG_CACHE_HOME");

  FilePlaces places;
  std::string problem;
  if (!DecidePlaces(clues, places, problem)) {
    ReportProblem(problem);
    return false;
  }
  UsePlaces(std::move(places));
  return true;
}

void UsePlaces(FilePlaces places) { KeptPlaces() = std::move(places); }

const FilePlaces& CurrentPlaces() { return KeptPlaces(); }

std::string PathOf(std::string_view stored) {
  const FilePlaces& places = KeptPlaces();
  if (stored == kSettingsPath) return places.settingsFile;
  if (stored == kBestScorePath) return places.bestScoreFile;
  if (stored == kHistoryPath) return places.historyFile;
  // The newer settings live beside game.cfg, wherever that is.
  if (stored == kPreferencesPath) return BesideFile(places.settingsFile, stored);
  if (places.dataFolder.empty()) return NativePath(stored);
  return places.dataFolder + "/" + NativePath(stored);
}

std::string LocaleFolder() {
  const std::string override = Environment("TESSARY_LOCALE_DIR");
  return override.empty() ? KeptPlaces().localeFolder : override;
}

std::string PlayerPicturesFolder() { return KeptPlaces().playerPicturesFolder; }

std::string SavePathOf(std::string_view stored, std::string* problem) {
  auto report = [problem](const std::string& file, const std::string& reason) {
    if (problem)
      *problem = reason;
    else
      ReportProblem(file + ": could not be saved: " + reason);
  };
  const FilePlaces& places = KeptPlaces();
  std::string path = PathOf(stored);
  if (places.mode == FileMode::runDirectory) return path;

  const bool settings = stored == kSettingsPath || stored == kPreferencesPath;
  if (path.empty()) {
    const std::string name(fs::path(NativePath(stored)).filename().string());
    report(name, std::string("neither ") + (settings ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME") +
                     " nor HOME names an absolute folder");
    return {};
  }
  const std::string& anchor = settings ? places.settingsAnchor : places.bestScoreAnchor;
  std::string failed;
  int error = 0;
  if (!anchor.empty() && !MakeFolders(anchor, fs::path(path).parent_path(), failed, error)) {
    report(path, "cannot make the folder " + failed + ": " + std::strerror(error));
    return {};
  }
  return path;
}

std::string PhotoCacheFolder() { return KeptPlaces().photoCacheFolder; }

bool MakePhotoCacheFolder(std::string& problem) {
  const FilePlaces& places = KeptPlaces();
  if (places.photoCacheFolder.empty()) {
    problem = "photos are not cached: neither XDG_CACHE_HOME nor HOME names an absolute folder";
    return false;
  }
  std::string failed;
  int error = 0;
  if (!MakeFolders(places.photoCacheAnchor, places.photoCacheFolder, failed, error)) {
    problem = "photos are not cached: cannot make the folder " + failed + ": " +
              std::strerror(error);
    return false;
  }
  return true;
}

}  // namespace storage
