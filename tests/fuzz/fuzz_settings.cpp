// The settings reader: the input is "game.cfg". The switches must follow the carried-byte rule
// and the swap interval must be set once, to match vsync.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "storage/files.h"

namespace {
int swapCalls = 0;
int lastInterval = -1;
void RecordSwapInterval(int interval) {
  ++swapCalls;
  lastInterval = interval;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("game.cfg", data, size);
  static game::GameState state;
  storage::FileState files;
  swapCalls = 0;
  storage::ReadSettings(state, files, RecordSwapInterval);

  uint8_t carried = storage::kSettingsCharStart;
  bool expected[3];
  for (std::size_t i = 0; i < 3; ++i) {
    if (i < size) carried = data[i];
    expected[i] = carried != '0';
  }
  FUZZ_CHECK(files.settingsChar == carried);
  FUZZ_CHECK(state.soundOn == expected[0] && state.musicOn == expected[1] &&
             state.vsyncOn == expected[2]);
  FUZZ_CHECK(swapCalls == 1 && lastInterval == (expected[2] ? 1 : 0));
  return 0;
}
