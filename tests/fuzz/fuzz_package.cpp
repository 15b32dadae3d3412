// The picture package with its decoder behind it: the input is the whole package file. Two
// entries are read into the same records, as the loader refills them, and a decoded picture must
// be within the staging buffer's size and fully readable.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "storage/formats.h"
#include "storage/picture_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("data/game.px", data, size);
  static storage::PackageEntry entry;
  static storage::DecodedImage image;
  for (const char* name : {"menu.jpg", "box.jpg"}) {
    if (storage::ReadPX(storage::kPackagePath, name, entry) == 0) {
      FUZZ_CHECK(entry.bytes.empty());
      continue;
    }
    FUZZ_CHECK(!entry.bytes.empty());
    if (storage::JPEG24bitPX(entry, image) == 0) {
      FUZZ_CHECK(image.pixels == nullptr && image.width == 0 && image.height == 0);
      continue;
    }
    FUZZ_CHECK(image.width >= 1 && image.width <= uint32_t(storage::kMaxPictureWidth));
    FUZZ_CHECK(image.height >= 1 && image.height <= uint32_t(storage::kMaxPictureHeight));
    std::size_t bytes = std::size_t(image.width) * image.height * 3;
    FUZZ_CHECK(bytes <= storage::kStagingBytes);
    FUZZ_CHECK(image.pixels == image.pixelStorage.data() && image.pixelStorage.size() == bytes);
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += image.pixels[i];  // every byte readable
    FUZZ_CHECK(sum <= bytes * 255);
  }
  return 0;
}
