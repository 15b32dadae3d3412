// The settings, best-score and loading-picture files.
#include "storage/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "storage/paths.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading; null when it is missing or not a regular file (a directory of that
// name counts as missing, as it cannot be opened as a file elsewhere either).
InputFile OpenInput(std::string_view storedPath) {
  InputFile file(std::fopen(PathOf(storedPath).c_str(), "rb"));
  if (!file) return nullptr;
  struct stat info {};
  if (::fstat(::fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) return nullptr;
  return file;
}

// Reads one byte into settingsChar; at the end of the file it keeps the byte it holds.
uint8_t ReadInto(std::FILE* file, uint8_t& settingsChar) {
  int c = std::fgetc(file);
  if (c != EOF) settingsChar = static_cast<uint8_t>(c);
  return settingsChar;
}

}  // namespace

void ReadLoadingPicture(StagingPixels& stagingPixels) {
  InputFile file = OpenInput(kLoadingPicturePath);
  if (!file) return;
  std::vector<uint8_t> stored(kLoadingBytes);
  std::size_t count = std::fread(stored.data(), 1, stored.size(), file.get());
  // Byte i of the file is component i % 3 (blue, green, red) of pixel i / 3; bytes past the end
  // of a short file are never stored, so the buffer keeps what it had there.
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t pixel = i / 3;
    std::size_t component = i % 3;
    stagingPixels[3 * pixel + (2 - component)] = stored[i];
  }
}

void ReadSettings(game::GameState& state, FileState& files, SwapIntervalProc swapIntervalProc) {
  InputFile file = OpenInput(kSettingsPath);
  if (!file) {
    state.soundOn = true;
    state.musicOn = true;
    state.vsyncOn = true;
    if (swapIntervalProc) swapIntervalProc(1);
    return;
  }
  state.soundOn = ReadInto(file.get(), files.settingsChar) != '0';
  state.musicOn = ReadInto(file.get(), files.settingsChar) != '0';
  bool vsync = ReadInto(file.get(), files.settingsChar) != '0';
  state.vsyncOn = vsync;
  if (swapIntervalProc) swapIntervalProc(vsync ? 1 : 0);
}

void ReadBestScores(game::GameState& state, FileState& files) {
  InputFile file = OpenInput(kBestScorePath);
  for (auto& best : state.bestScore) {
    if (!file) {
      best = 0;
      continue;
    }
    int32_t value = ReadInto(file.get(), files.settingsChar) * 256;
    value += ReadInto(file.get(), files.settingsChar);
    best = value;
  }
}

void OpenScoreFile(FileState& files) {
  // The file keeps its scores until the exit writes new ones, so a run that never reaches an
  // exit sequence loses nothing. A file that is there but cannot be read was read as zeros:
  // saving over it would destroy the scores it holds, so this run saves none.
  const std::string path = PathOf(kBestScorePath);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const int error = errno;
  if (fd < 0 && error != ENOENT) {
    ReportProblem(path + ": cannot be read: " + std::strerror(error) +
                  " (the scores it holds are kept; this run's will not be saved)");
    return;
  }
  if (fd >= 0) ::close(fd);
  files.scoreWriterReady = true;
}

bool WriteSettings(const Switches& switches) {
  const std::array<uint8_t, kSettingsBytes> bytes = {
      static_cast<uint8_t>(switches.soundOn ? '1' : '0'),
      static_cast<uint8_t>(switches.musicOn ? '1' : '0'),
      static_cast<uint8_t>(switches.vsyncOn ? '1' : '0'),
  };
  const std::string path = SavePathOf(kSettingsPath);
  return !path.empty() && ReplaceFileAtomically(path, bytes);
}

bool WriteSettings(const game::GameState& state) {
  return WriteSettings(Switches{state.soundOn, state.musicOn, state.vsyncOn});
}

bool SaveBestScores(const game::GameState& state, const FileState& files) {
  if (!files.scoreWriterReady) return false;
  StoredScores ours{};
  for (std::size_t level = 0; level < ours.size(); ++level) {
    // Only the low 16 bits are kept.
    ours[level] = static_cast<uint16_t>(static_cast<uint32_t>(int32_t{state.bestScore[level]}));
  }
  const std::string path = SavePathOf(kBestScorePath);
  return !path.empty() && MergeBestScores(path, ours);
}

bool WriteBestScores(const game::GameState& state, FileState& files) {
  if (!files.scoreWriterReady) {
    ReportProblem(PathOf(kBestScorePath) + ": not saved: the score writer is not open");
    return false;
  }
  const bool saved = SaveBestScores(state, files);
  files.scoreWriterReady = false;
  return saved;
}

}  // namespace storage
