// Writing the generated pictures: JPEG entries, the picture package, the raw loading picture,
// the window icon and PNG previews. Every writer gives the same bytes for the same picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/draw.h"

namespace tools {

inline constexpr int kJpegQuality = 90;

struct PackageItem {
  std::string name;
  std::vector<uint8_t> jpeg;
};

// Encodes an RGB picture as a baseline JPEG at kJpegQuality, colour kept at full resolution
// (small coloured labels would bleed at 4:2:0). Empty on failure, after a
// message on stderr.
std::vector<uint8_t> EncodeJpeg(const Picture& picture);

// Writes a ZIP archive of the items, stored uncompressed, in the given order, all dated
// 2024-01-01 00:00 so that two runs give the same bytes. Returns false after a message on stderr.
bool WritePackage(const std::filesystem::path& path, const std::vector<PackageItem>& items);

// The high-resolution package's kHighResolutionSourceEntry for the package written at path: a
// line "<name> <CRC-32 in 8 hex digits>" per entry. Empty after a message on stderr.
std::string SourceListing(const std::filesystem::path& path);

// Writes a 600 x 450 picture as raw blue-green-red bytes, bottom row first.
bool WriteLoadingPicture(const std::filesystem::path& path, const Picture& picture);

// Writes a 32-bit BMP (BITMAPV4HEADER with an alpha mask, bottom row first) from the canvas.
bool WriteIconBmp(const std::filesystem::path& path, const Canvas& canvas);

// Writes the canvas as a PNG with its alpha (the desktop's icons).
bool WriteIconPng(const std::filesystem::path& path, const Canvas& canvas);

// Writes an RGB picture as PNG (previews for people; not part of the game's data).
bool WritePng(const std::filesystem::path& path, const Picture& picture);

// Writes bytes to a file, replacing it. Returns false after a message on stderr.
bool WriteBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tools
