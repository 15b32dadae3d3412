// Small picture packages for the rendering tests, built with libzip and TurboJPEG in a fresh
// temporary directory: every entry a solid colour of its own unless a test asks otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "gl_context.h"

namespace gl_test {

// A picture, top row first, RGB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

Picture SolidPicture(int width, int height, Rgb colour);
// Top left, top right, bottom left, bottom right.
Picture QuadrantPicture(int width, int height, Rgb topLeft, Rgb topRight, Rgb bottomLeft,
                        Rgb bottomRight);

// The colour of entry k in a default package: distinct for each of the 37 entries.
Rgb EntryColour(int k);

struct PackageContents {
  std::map<int, Picture> pictures;            // replaces the default picture of entry k
  std::map<int, std::vector<uint8_t>> bytes;  // replaces entry k with these bytes
  std::vector<int> omitted;                   // entries left out
  std::map<std::string, Picture> added;       // entries beyond the table, by name
};

// A temporary directory holding data/game.px; removed with the object.
class TestPackage {
 public:
  explicit TestPackage(const PackageContents& wanted = {});
  ~TestPackage();
  TestPackage(const TestPackage&) = delete;
  TestPackage& operator=(const TestPackage&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::filesystem::path directory_;
  std::string path_;
};

std::vector<uint8_t> EncodeJpeg(const Picture& picture);

// Writes a high-resolution package of package's pictures at path: the given pictures, every
// other entry its solid colour at twice the default size, and the source entry naming package
// (or, drawnFromOthers, another package).
void WriteSharperPackage(const std::string& path, const TestPackage& package,
                         const std::map<int, Picture>& pictures, bool drawnFromOthers = false);

}  // namespace gl_test
