// The settings, best-score and loading-picture files. UI thread only; the files are read before
// the workers start and written after they have stopped.
#pragma once

#include <cstdint>

#include "game/game_state.h"
#include "storage/formats.h"

namespace storage {

// Sets the swap interval (0 or 1); null when the platform cannot set it.
using SwapIntervalProc = void (*)(int interval);

// The byte every settings and score read goes through. A read at the end of a file leaves it
// as it is, and the score read starts from what the settings read left.
inline constexpr uint8_t kSettingsCharStart = 0;

struct FileState {
  uint8_t settingsChar = kSettingsCharStart;  // lives for the whole run
  bool scoreWriterReady = false;              // set by OpenScoreFile
};

// Fills the first 810,000 bytes of stagingPixels from "data\loading.logo" as red, green, blue,
// bottom row first. A missing or short file leaves the rest as it was.
void ReadLoadingPicture(StagingPixels& stagingPixels);

// Reads "game.cfg" into soundOn, musicOn, vsyncOn and calls swapIntervalProc (when not null)
// with 1 or 0. A missing file turns everything on.
void ReadSettings(game::GameState& state, FileState& files, SwapIntervalProc swapIntervalProc);

// Reads "data\maxsum.cfg" into bestScore. A missing file gives zeros. Call after ReadSettings.
void ReadBestScores(game::GameState& state, FileState& files);

// Prepares the best-score writer. The file keeps its scores until WriteBestScores replaces it.
void OpenScoreFile(FileState& files);

// What "game.cfg" holds.
struct Switches {
  bool soundOn = true;
  bool musicOn = true;
  bool vsyncOn = true;
};

// Replaces "game.cfg" atomically with the three switches. Returns false, after one message on
// stderr, when it could not; the previous file is then intact.
bool WriteSettings(const Switches& switches);
// The same with the state's switches.
bool WriteSettings(const game::GameState& state);

// Saves the best scores as WriteBestScores does, but keeps the writer open for later saves;
// nothing (and no message) when it is not open. Returns whether they were saved. The thread
// that calls it must not run beside WriteBestScores (the tick thread, stopped before the exit
// save).
bool SaveBestScores(const game::GameState& state, const FileState& files);

// Replaces "data\maxsum.cfg" atomically with the three best scores (low 16 bits each), each
// level keeping the larger of ours and what the file holds by then (another copy of the game may
// have saved meanwhile), and closes the writer. Returns false, after one message on stderr, when it could not; the previous
// file is then intact.
bool WriteBestScores(const game::GameState& state, FileState& files);

}  // namespace storage
