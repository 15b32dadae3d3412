// The best-score reader after the settings reader: the first input byte says how many of the
// following bytes form "game.cfg" (0 to 4, or 5 for no settings file); the rest is
// "data\maxsum.cfg". Every score must be the two carried bytes, high first.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"
#include "storage/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  if (size == 0) return 0;
  std::size_t settingsSize = data[0] % 6;
  bool settingsMissing = settingsSize == 5;
  if (settingsMissing) settingsSize = 0;
  if (size - 1 < settingsSize) return 0;
  const uint8_t* settings = data + 1;
  const uint8_t* scores = settings + settingsSize;
  std::size_t scoresSize = size - 1 - settingsSize;

  if (settingsMissing)
    std::remove("game.cfg");
  else
    fuzz::WriteInput("game.cfg", settings, settingsSize);
  fuzz::WriteInput("data/maxsum.cfg", scores, scoresSize);

  static game::GameState state;
  storage::FileState files;
  storage::ReadSettings(state, files, nullptr);
  storage::ReadBestScores(state, files);

  uint8_t carried = storage::kSettingsCharStart;
  for (std::size_t i = 0; i < 3 && i < settingsSize; ++i) carried = settings[i];
  std::size_t next = 0;
  auto readByte = [&] {
    if (next < scoresSize) carried = scores[next];
    ++next;
    return carried;
  };
  for (int level = 0; level < 3; ++level) {
    int32_t high = readByte();
    int32_t expected = high * 256 + readByte();
    FUZZ_CHECK(state.bestScore[level] == expected);
    FUZZ_CHECK(expected >= 0 && expected <= 65535);
  }
  FUZZ_CHECK(files.settingsChar == carried);
  return 0;
}
