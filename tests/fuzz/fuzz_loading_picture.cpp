// The loading-picture reader: the input is "data\loading.logo". Each byte the file holds lands
// in its pixel with blue and red swapped; every other byte of the buffer keeps what it had.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_support.h"
#include "storage/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("data/loading.logo", data, size);
  static auto staging = std::make_unique<storage::StagingPixels>();
  staging->fill(0xA5);
  storage::ReadLoadingPicture(*staging);
  std::size_t stored = size < storage::kLoadingBytes ? size : storage::kLoadingBytes;
  for (std::size_t i = 0; i < stored; ++i)
    FUZZ_CHECK((*staging)[3 * (i / 3) + 2 - i % 3] == data[i]);
  // The first untouched byte and the remainder of a partial pixel, then the rest of the buffer.
  for (std::size_t i = stored; i < stored + 3 && i < storage::kLoadingBytes; ++i)
    FUZZ_CHECK((*staging)[3 * (i / 3) + 2 - i % 3] == 0xA5);
  for (std::size_t i = (stored + 2) / 3 * 3; i < staging->size(); i += 997)
    FUZZ_CHECK((*staging)[i] == 0xA5);
  FUZZ_CHECK(staging->back() == 0xA5);
  return 0;
}
