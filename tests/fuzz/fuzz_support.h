// Shared by the fuzz targets: a scratch working directory made once per process, writing an input
// to a file in it, and a check that stops the run loudly so libFuzzer keeps the input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// Makes a fresh directory with data/ in it and makes it the working directory; removes it at
// exit.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessary-fuzz-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    std::filesystem::create_directory(path_ / "data");
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(path_.parent_path(), ignored);
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::filesystem::path path_;
};

inline void EnterScratchDirectory() { static ScratchDirectory directory; }

inline void WriteInput(const char* path, const uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  if (std::fclose(file) != 0) std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition)                                                   \
  do {                                                                          \
    if (!(condition)) {                                                         \
      std::fprintf(stdout, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::fflush(stdout);                                                      \
      std::abort();                                                             \
    }                                                                           \
  } while (0)
