// The Sugar Memorize reader: the input is game.xml, packed with a picture and a sound into a
// ZIP; an input starting with "PK" is instead the whole ZIP, so the archive reading is fuzzed too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "deck_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (input.rfind("PK", 0) == 0)
    fuzz::WriteInput("deck.zip", data, size);
  else
    fuzz::WriteZip("deck.zip", {{"game.xml", input},
                                {"images/a.svg", fuzz::kDeckSvg},
                                {"sounds/a.ogg", fuzz::kDeckSound}});
  fuzz::ReadEverySet("deck.zip");
  return 0;
}
