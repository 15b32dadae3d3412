// The picture package "data\game.px": a ZIP archive whose entries are JPEG pictures.
// ReadPX finds and reads one entry; JPEG24bitPX decodes it to RGB, bottom row first.
// Both records may be refilled any number of times; the frees release what they hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

// What ReadPX read: the compressed picture bytes of one entry.
struct PackageEntry {
  std::string packagePath;  // as given, for messages
  std::string entryName;
  std::vector<uint8_t> bytes;
};

// What JPEG24bitPX decoded: width x height pixels, red-green-blue, bottom row first, rows packed.
struct DecodedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixelStorage;
  const uint8_t* pixels = nullptr;  // width * height * 3 bytes, or null when empty
};

// Reads entry entryName of the package at packagePath (stored spelling, '\' allowed) into entry.
// Returns nonzero on success; 0 on a missing package, a missing entry or unreadable data, after
// one message on stderr naming the file and the entry.
int32_t ReadPX(std::string_view packagePath, std::string_view entryName, PackageEntry& entry);

// Decodes the JPEG in entry into image. Returns nonzero on success; 0 when the data is not a
// whole JPEG, or the picture is empty or larger than 800 x 600 pixels times sizeFactor (2 for
// the high-resolution packages), after one message on stderr naming the file and the entry;
// image is then empty (width and height 0).
int32_t JPEG24bitPX(const PackageEntry& entry, DecodedImage& image, int sizeFactor = 1);

// Whether the package at packagePath opens and names entryName; quiet, for the optional pictures.
bool HasEntry(std::string_view packagePath, std::string_view entryName);

// Whether the high-resolution package at sharperPath was drawn from the package at packagePath
// (both stored spellings): its kHighResolutionSourceEntry names every entry of entryNames with
// the CRC-32 that entry has in packagePath. False, with problem set to one line naming the file
// and the reason, when it is missing, unreadable or drawn from other pictures. Prints nothing.
bool IsSharperCopyOf(std::string_view sharperPath, std::string_view packagePath,
                     const std::vector<std::string>& entryNames, std::string& problem);

void Free24BMP(DecodedImage& image);
void FreePX(PackageEntry& entry);

}  // namespace storage
