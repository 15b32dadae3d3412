// A fresh temporary working directory for each test: the files are read and written relative to
// the working directory, so every test chdirs into its own and the old one comes back after.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace storage_test {

class ScratchDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "tessary-storage-XXXXXX");
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    std::filesystem::current_path(directory_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
  }
  static void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  }
  static std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  // Names in the directory other than the given ones: a leftover temporary file shows up here.
  std::vector<std::string> Leftovers(const std::string& subdirectory,
                                     const std::vector<std::string>& expected) const {
    std::vector<std::string> others;
    for (const auto& item : std::filesystem::directory_iterator(directory_ / subdirectory)) {
      std::string name = item.path().filename();
      if (std::find(expected.begin(), expected.end(), name) == expected.end())
        others.push_back(name);
    }
    return others;
  }

  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

}  // namespace storage_test
