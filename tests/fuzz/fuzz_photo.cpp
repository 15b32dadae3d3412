// The photo reader: the input is a picture file of the player's (JPEG, PNG, WebP or anything
// else). A face must come out whole and of the face's size, or be refused with one line that
// names the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "storage/photo_faces.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("photo.jpg", data, size);
  storage::FaceImage face;
  std::string problem;
  if (!storage::PrepareFace("photo.jpg", face, problem)) {
    FUZZ_CHECK(face.rgb.empty() && face.source.empty());
    FUZZ_CHECK(problem.rfind("photo.jpg: ", 0) == 0 && problem.find('\n') == std::string::npos);
    return 0;
  }
  FUZZ_CHECK(face.source == "photo.jpg");
  const std::size_t bytes = std::size_t{storage::kFacePixels} * storage::kFacePixels * 3;
  FUZZ_CHECK(face.rgb.size() == bytes);
  unsigned sum = 0;
  for (uint8_t value : face.rgb) sum += value;  // every byte readable
  FUZZ_CHECK(sum <= bytes * 255);
  return 0;
}
