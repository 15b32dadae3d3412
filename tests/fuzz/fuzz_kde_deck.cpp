// The KDE Pairs reader: the input is the theme's NAME.game, in a folder with an SVG and a sound;
// an input starting with "PK" is instead a whole NAME.pairs.zip, so the archive reading is fuzzed
// too.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "deck_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (input.rfind("PK", 0) == 0) {
    fuzz::WriteInput("theme.pairs.zip", data, size);
    fuzz::ReadEverySet("theme.pairs.zip");
    return 0;
  }
  static const bool made = [] {
    std::filesystem::create_directory("theme");
    fuzz::WriteInput("theme/a.svg", reinterpret_cast<const uint8_t*>(fuzz::kDeckSvg.data()),
                     fuzz::kDeckSvg.size());
    fuzz::WriteInput("theme/a.ogg", reinterpret_cast<const uint8_t*>(fuzz::kDeckSound.data()),
                     fuzz::kDeckSound.size());
    return true;
  }();
  (void)made;
  fuzz::WriteInput("theme/theme.game", data, size);
  fuzz::ReadEverySet("theme");
  return 0;
}
