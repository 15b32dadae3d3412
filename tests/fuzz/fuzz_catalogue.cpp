// The check of a compiled catalogue before glibc is handed it: the input is a .mo file. Whatever
// it holds, the check reads nothing outside it, and a file it passes has every string and the
// hash table inside the file (glibc trusts both).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "storage/catalogue_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("data/tessary.mo", data, size);
  std::string problem;
  const bool sound = storage::CheckCatalogue("data/tessary.mo", problem);
  FUZZ_CHECK(sound == problem.empty());
  // The header alone is 28 bytes: anything shorter is refused.
  FUZZ_CHECK(!sound || size >= 28);
  return 0;
}
