#include "storage/catalogue_file.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "storage/paths.h"

namespace storage {

namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderBytes = 28;
constexpr std::size_t kMaxCatalogueBytes = 16u << 20;

class MoReader {
 public:
  explicit MoReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {
    swapped_ = Word(0, false) != kMagic;
  }
  bool MagicMatches() const { return Word(0, false) == kMagic || Word(0, true) == kMagic; }
  uint32_t At(std::size_t offset) const { return Word(offset, swapped_); }
  // A table of count descriptors (length, offset) whose strings all end inside the file.
  bool StringsFit(uint32_t table, uint32_t count) const {
    if (!Fits(table, 8ull * count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t length = At(table + 8ull * i), offset = At(table + 8ull * i + 4);
      if (!Fits(offset, length + 1) || bytes_[offset + length] != 0) return false;
    }
    return true;
  }
  bool Fits(uint64_t offset, uint64_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }

 private:
  uint32_t Word(std::size_t offset, bool swapped) const {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t byte = bytes_[offset + (swapped ? i : 3 - i)];
      value = (value << 8) | byte;
    }
    return value;
  }

  const std::vector<unsigned char>& bytes_;
  bool swapped_ = false;
};

}  // namespace

std::string CataloguePath(std::string_view code) {
  return LocaleFolder() + "/" + std::string(code) + "/LC_MESSAGES/tessary.mo";
}

bool CheckCatalogue(const std::string& path, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = path + ": cannot be read";
    return false;
  }
  std::vector<unsigned char> bytes;
  bytes.reserve(4096);
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxCatalogueBytes) {
      problem = path + ": larger than a catalogue may be";
      return false;
    }
  }
  const MoReader mo(bytes);
  if (bytes.size() < kHeaderBytes || !mo.MagicMatches()) {
    problem = path + ": not a compiled catalogue";
    return false;
  }
  const uint32_t revision = mo.At(4), count = mo.At(8), originals = mo.At(12),
                 translations = mo.At(16), hashSize = mo.At(20), hashTable = mo.At(24);
  if (revision != 0) {
    problem = path + ": catalogue revision " + std::to_string(revision) + " is not read";
    return false;
  }
  bool sound = mo.StringsFit(originals, count) && mo.StringsFit(translations, count) &&
               mo.Fits(hashTable, 4ull * hashSize);
  for (uint32_t i = 0; sound && i < hashSize; ++i)
    sound = mo.At(hashTable + 4ull * i) <= count;  // 0 empty, else a string's number + 1
  if (!sound) problem = path + ": truncated or corrupt catalogue";
  return sound;
}

}  // namespace storage
