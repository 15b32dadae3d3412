// The cache entry of one prepared face (docs/formats.md): fixed-width fields, high byte first,
// and a checksum over the whole entry, so that a file cut short or damaged is never taken for a
// face. The entry names its source in full; a name whose hash collides simply misses.
#include <cstdio>
#include <cstring>

#include "storage/photo_local.h"

namespace storage {

namespace {

constexpr char kMagic[8] = {'T', 'E', 'S', 'S', 'F', 'A', 'C', 'E'};
constexpr uint16_t kVersion = 1;
constexpr std::size_t kFaceBytes = std::size_t{kFacePixels} * kFacePixels * 3;
constexpr std::size_t kMaxPathBytes = 4096;

void PutBigEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetBigEndian(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | in[i];
  return value;
}

void PutHeader(std::vector<uint8_t>& out, const PhotoKey& key) {
  out.insert(out.end(), kMagic, kMagic + sizeof kMagic);
  PutBigEndian(out, kVersion, 2);
  PutBigEndian(out, kFacePixels, 2);
  PutBigEndian(out, static_cast<uint64_t>(key.size), 8);
  PutBigEndian(out, static_cast<uint64_t>(key.modifiedSeconds), 8);
  PutBigEndian(out, static_cast<uint64_t>(key.modifiedNanoseconds), 4);
  PutBigEndian(out, key.path.size(), 2);
  out.insert(out.end(), key.path.begin(), key.path.end());
}

}  // namespace

uint64_t Fnv1a(std::span<const uint8_t> bytes, uint64_t hash) {
  for (uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3u;
  }
  return hash;
}

std::string PhotoCacheName(const std::string& path) {
  const uint64_t hash = Fnv1a({reinterpret_cast<const uint8_t*>(path.data()), path.size()});
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.face", static_cast<unsigned long long>(hash));
  return name;
}

std::vector<uint8_t> EncodePhotoCacheEntry(const PhotoKey& key, std::span<const uint8_t> faceRgb) {
  if (key.path.size() > kMaxPathBytes || faceRgb.size() != kFaceBytes) return {};
  std::vector<uint8_t> out;
  out.reserve(64 + key.path.size() + kFaceBytes);
  PutHeader(out, key);
  out.insert(out.end(), faceRgb.begin(), faceRgb.end());
  PutBigEndian(out, Fnv1a(out), 8);
  return out;
}

bool DecodePhotoCacheEntry(std::span<const uint8_t> bytes, const PhotoKey& key,
                           std::vector<uint8_t>& faceRgb) {
  // The header this key would have written: anything else (another version, another source, a
  // changed file) is a miss.
  std::vector<uint8_t> header;
  if (key.path.size() > kMaxPathBytes) return false;
  PutHeader(header, key);
  if (bytes.size() != header.size() + kFaceBytes + 8) return false;
  if (std::memcmp(bytes.data(), header.data(), header.size()) != 0) return false;
  const std::size_t body = bytes.size() - 8;
  if (GetBigEndian(bytes.data() + body, 8) != Fnv1a(bytes.first(body))) return false;
  faceRgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header.size()),
                 bytes.begin() + static_cast<std::ptrdiff_t>(body));
  return true;
}

}  // namespace storage
