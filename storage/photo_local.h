// The pieces of the photo library shared by its sources and its tests; not for other folders.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "storage/photo_faces.h"

namespace storage {

// Refused before decoding: more bytes, more pixels or a longer side than these.
inline constexpr int64_t kMaxPhotoFileBytes = int64_t{64} << 20;
inline constexpr int64_t kMaxPhotoPixels = 100'000'000;
inline constexpr int kMaxPhotoSide = 20000;
// An interlaced PNG is decoded whole before it is reduced.
inline constexpr int64_t kMaxInterlacedPngPixels = 25'000'000;
// The pictures the decoders hand on are reduced (where the format allows it cheaply) to about
// this shorter side; the final scaling to kFacePixels works from there.
inline constexpr int kReducedSide = 2 * kFacePixels;

// A decoded picture: width x height pixels, red-green-blue, top row first, rows packed.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// The EXIF orientation's effect (1..8; anything else counts as 1): the upright picture's size,
// and for its pixel (x, y) the stored picture's pixel that it shows.
struct PixelPlace {
  int x = 0;
  int y = 0;
};
PixelPlace UprightSize(int orientation, int width, int height);
PixelPlace StoredPixelOf(int orientation, int width, int height, int x, int y);
// The stored picture turned upright.
Picture TurnUpright(const Picture& stored, int orientation);

// The largest square centred in a width x height picture: its top left corner and side.
struct SquareCrop {
  int x = 0;
  int y = 0;
  int side = 0;
};
SquareCrop CentreSquare(int width, int height);

// The face from an upright picture: centre square scaled to kFacePixels with an area filter,
// bottom row first. False when the scaler cannot be set up for these sizes.
bool ScaleToFace(const Picture& upright, std::vector<uint8_t>& faceRgb);

// Decodes a JPEG, PNG or WebP held in bytes (format found from its first bytes), checking the
// limits before decoding and reducing large pictures on the way, and reads its EXIF orientation
// (1 when it has none). cancel, when given, may stop a long decode. Returns an empty string or
// the reason it failed, lower case, without the file's name.
std::string DecodePicture(std::span<const uint8_t> bytes, Picture& picture, int& orientation,
                          const std::atomic<bool>* cancel = nullptr);

// PrepareFace over bytes already read; reason as DecodePicture's.
std::string PrepareFaceFromBytes(std::span<const uint8_t> bytes, std::vector<uint8_t>& faceRgb,
                                 const std::atomic<bool>* cancel = nullptr);

// PrepareFace that a long decode may be stopped in by cancel.
bool PrepareFace(const std::string& path, FaceImage& face, std::string& problem,
                 const std::atomic<bool>* cancel);

// The cache of prepared faces: one file per source picture, named by a hash of its path,
// valid while the source keeps its size and modification time.
struct PhotoKey {
  std::string path;  // absolute, links followed
  int64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
};
// The entry's file name in the cache folder: 16 hex digits and ".face".
std::string PhotoCacheName(const std::string& path);
// The entry's bytes, and the face they hold: false for anything but a whole, matching entry.
std::vector<uint8_t> EncodePhotoCacheEntry(const PhotoKey& key, std::span<const uint8_t> faceRgb);
bool DecodePhotoCacheEntry(std::span<const uint8_t> bytes, const PhotoKey& key,
                           std::vector<uint8_t>& faceRgb);

// 64-bit FNV-1a, for cache names, checksums and finding equal faces.
uint64_t Fnv1a(std::span<const uint8_t> bytes, uint64_t hash = 0xcbf29ce484222325u);

}  // namespace storage
