// The picture package: a ZIP archive read with libzip, JPEG entries decoded with TurboJPEG.
// Everything in the package is untrusted: sizes are checked before anything is allocated, reads
// are bounded, and a failure is one message and a 0, never an exit.
#include "storage/picture_package.h"

#include <turbojpeg.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "storage/formats.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

// The largest JPEG entry accepted, compressed or not: a full-screen picture takes a few hundred
// KiB, so anything this large is a damaged or hostile archive.
constexpr zip_uint64_t kMaxEntryBytes = zip_uint64_t{16} << 20;

void ReportEntryProblem(std::string_view packagePath, std::string_view entryName,
                        std::string_view reason) {
  std::string text = NativePath(packagePath);
  text += ": entry \"";
  text += entryName;
  text += "\": ";
  text += reason;
  ReportProblem(text);
}

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct DecompressorCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};

std::string OpenErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// Reads the entry's bytes into bytes; returns the reason when it could not, else empty.
std::string ReadEntry(const std::string& nativePath, const std::string& name,
                      std::vector<uint8_t>& bytes) {
  int openError = 0;
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open(nativePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
  if (!archive) return "the package cannot be opened: " + OpenErrorText(openError);

  // A name with a NUL in it would be looked up cut short at the NUL: it names no entry.
  zip_int64_t index = name.find('\0') == std::string::npos
                          ? zip_name_locate(archive.get(), name.c_str(), 0)
                          : -1;
  if (index < 0) return "not found in the package";
  auto entryIndex = static_cast<zip_uint64_t>(index);

  zip_stat_t info;
  zip_stat_init(&info);
  if (zip_stat_index(archive.get(), entryIndex, 0, &info) != 0)
    return std::string("unreadable: ") + zip_strerror(archive.get());
  if ((info.valid & ZIP_STAT_SIZE) == 0 || (info.valid & ZIP_STAT_COMP_SIZE) == 0)
    return "its size is unknown";
  if (info.size > kMaxEntryBytes || info.comp_size > kMaxEntryBytes)
    return "declares " + std::to_string(info.size) + " bytes (" +
           std::to_string(info.comp_size) + " compressed), more than a picture can take";
  if (info.size == 0) return "is empty";

  std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen_index(archive.get(), entryIndex, 0));
  if (!file) return std::string("cannot be opened: ") + zip_strerror(archive.get());

  bytes.resize(static_cast<std::size_t>(info.size));
  std::size_t total = 0;
  while (total < bytes.size()) {
    zip_int64_t n = zip_fread(file.get(), bytes.data() + total, bytes.size() - total);
    if (n < 0) return std::string("cannot be read: ") + zip_file_strerror(file.get());
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  if (total != bytes.size())
    return "holds " + std::to_string(total) + " bytes, not the " + std::to_string(info.size) +
           " its header declares";
  // Reading on to the end makes libzip check the CRC, and shows an entry longer than declared.
  uint8_t extra = 0;
  zip_int64_t n = zip_fread(file.get(), &extra, 1);
  if (n < 0) return std::string("cannot be read: ") + zip_file_strerror(file.get());
  if (n > 0) return "holds more bytes than the " + std::to_string(info.size) + " its header declares";
  return {};
}

}  // namespace

bool HasEntry(std::string_view packagePath, std::string_view entryName) {
  const std::string name(entryName);
  if (name.find('\0') != std::string::npos) return false;
  int openError = 0;
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open(NativePath(packagePath).c_str(), ZIP_RDONLY, &openError));
  return archive && zip_name_locate(archive.get(), name.c_str(), 0) >= 0;
}

int32_t ReadPX(std::string_view packagePath, std::string_view entryName, PackageEntry& entry) {
  entry.packagePath.assign(packagePath);
  entry.entryName.assign(entryName);
  entry.bytes.clear();
  std::string reason = ReadEntry(NativePath(packagePath), entry.entryName, entry.bytes);
  if (reason.empty()) return 1;
  entry.bytes.clear();
  ReportEntryProblem(packagePath, entryName, reason);
  return 0;
}

int32_t JPEG24bitPX(const PackageEntry& entry, DecodedImage& image, int sizeFactor) {
  image.width = 0;
  image.height = 0;
  image.pixels = nullptr;
  image.pixelStorage.clear();
  auto fail = [&](std::string_view reason) {
    image.pixelStorage.clear();
    ReportEntryProblem(entry.packagePath, entry.entryName, reason);
    return 0;
  };

  if (entry.bytes.empty()) return fail("holds no picture");
  std::unique_ptr<void, DecompressorCloser> decompressor(tjInitDecompress());
  if (!decompressor) return fail(std::string("cannot start the JPEG decoder: ") +
                                 tjGetErrorStr2(nullptr));
  const auto size = static_cast<unsigned long>(entry.bytes.size());

  // A header cut short is reported as success with the sizes left untouched: they start at 0.
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(decompressor.get(), entry.bytes.data(), size, &width, &height,
                          &subsampling, &colorspace) != 0)
    return fail(std::string("is not a readable JPEG picture: ") +
                tjGetErrorStr2(decompressor.get()));
  if (width <= 0 || height <= 0) return fail("is a picture of no size");
  const int maxWidth = kMaxPictureWidth * std::max(sizeFactor, 1);
  const int maxHeight = kMaxPictureHeight * std::max(sizeFactor, 1);
  if (width > maxWidth || height > maxHeight)
    return fail("is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels, larger than the " + std::to_string(maxWidth) + " x " +
                std::to_string(maxHeight) + " the game can show");

  image.pixelStorage.resize(std::size_t(width) * std::size_t(height) * 3);
  // A warning (a truncated or damaged stream) stops the decode: half a picture is a failure.
  if (tjDecompress2(decompressor.get(), entry.bytes.data(), size, image.pixelStorage.data(),
                    width, 0, height, TJPF_RGB, TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING) != 0) {
    const char* kind = tjGetErrorCode(decompressor.get()) == TJERR_WARNING
                           ? "is damaged or cut short: "
                           : "cannot be decoded: ";
    return fail(std::string(kind) + tjGetErrorStr2(decompressor.get()));
  }
  image.width = static_cast<uint32_t>(width);
  image.height = static_cast<uint32_t>(height);
  image.pixels = image.pixelStorage.data();
  return 1;
}

bool IsSharperCopyOf(std::string_view sharperPath, std::string_view packagePath,
                     const std::vector<std::string>& entryNames, std::string& problem) {
  const std::string sharper = NativePath(sharperPath);
  auto refuse = [&](const std::string& reason) {
    problem = sharper + ": " + reason;
    return false;
  };
  std::error_code error;
  if (!std::filesystem::exists(sharper, error)) return refuse("missing");
  std::vector<uint8_t> listing;
  std::string reason = ReadEntry(sharper, std::string(kHighResolutionSourceEntry), listing);
  if (!reason.empty()) return refuse("entry \"" + std::string(kHighResolutionSourceEntry) +
                                     "\": " + reason);
  std::map<std::string, uint32_t> drawnFrom;
  std::istringstream lines(std::string(listing.begin(), listing.end()));
  std::string name, crc;
  while (lines >> name >> crc)
    drawnFrom[name] = static_cast<uint32_t>(std::strtoul(crc.c_str(), nullptr, 16));

  int openError = 0;
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open(NativePath(packagePath).c_str(), ZIP_RDONLY, &openError));
  if (!archive)
    return refuse("its pictures' package cannot be opened: " + OpenErrorText(openError));
  for (const std::string& entryName : entryNames) {
    const zip_int64_t index = zip_name_locate(archive.get(), entryName.c_str(), 0);
    zip_stat_t info;
    zip_stat_init(&info);
    const auto found = drawnFrom.find(entryName);
    if (index < 0 || found == drawnFrom.end() ||
        zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &info) != 0 ||
        (info.valid & ZIP_STAT_CRC) == 0 || info.crc != found->second)
      return refuse("drawn from other pictures than " + NativePath(packagePath) + " (\"" +
                    entryName + "\" differs)");
  }
  return true;
}

void Free24BMP(DecodedImage& image) {
  image.width = 0;
  image.height = 0;
  image.pixels = nullptr;
  std::vector<uint8_t>().swap(image.pixelStorage);
}

void FreePX(PackageEntry& entry) {
  std::vector<uint8_t>().swap(entry.bytes);
  entry.packagePath.clear();
  entry.entryName.clear();
}

}  // namespace storage
