#include "tools/image_file.h"

#include <turbojpeg.h>
#include <zip.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>

#include "storage/formats.h"

namespace tools {
namespace {

void PutLittle(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The package's fixed date, as a local-time DOS stamp: libzip converts with localtime, so
// build it with mktime from the broken-down local time for the same stamp in every zone.
time_t PackageTime() {
  std::tm date{};
  date.tm_year = 2024 - 1900;
  date.tm_mon = 0;
  date.tm_mday = 1;
  date.tm_isdst = -1;
  return std::mktime(&date);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const Picture& picture) {
  tjhandle handle = tjInitCompress();
  if (!handle) {
    std::fprintf(stderr, "tessary-datagen: cannot start the JPEG encoder\n");
    return {};
  }
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(handle, picture.rgb.data(), picture.width, 0, picture.height,
                                 TJPF_RGB, &buffer, &size, TJSAMP_444, kJpegQuality,
                                 TJFLAG_ACCURATEDCT);
  std::vector<uint8_t> bytes;
  if (result == 0) {
    bytes.assign(buffer, buffer + size);
  } else {
    std::fprintf(stderr, "tessary-datagen: JPEG encoding failed: %s\n", tjGetErrorStr2(handle));
  }
  tjFree(buffer);
  tjDestroy(handle);
  return bytes;
}

bool WritePackage(const std::filesystem::path& path, const std::vector<PackageItem>& items) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) {
    zip_error_t zipError;
    zip_error_init_with_code(&zipError, error);
    std::fprintf(stderr, "tessary-datagen: cannot create %s: %s\n", path.c_str(),
                 zip_error_strerror(&zipError));
    zip_error_fini(&zipError);
    return false;
  }
  const time_t stamp = PackageTime();
  for (const PackageItem& item : items) {
    zip_source_t* source = zip_source_buffer(archive, item.jpeg.data(), item.jpeg.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(archive, item.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (source) zip_source_free(source);
      std::fprintf(stderr, "tessary-datagen: cannot add %s to %s: %s\n", item.name.c_str(),
                   path.c_str(), zip_strerror(archive));
      zip_discard(archive);
      return false;
    }
    // JPEG does not compress further; storing keeps the archive simple and reproducible.
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), stamp, 0);
  }
  if (zip_close(archive) != 0) {
    std::fprintf(stderr, "tessary-datagen: cannot write %s: %s\n", path.c_str(),
                 zip_strerror(archive));
    zip_discard(archive);
    return false;
  }
  return true;
}

std::string SourceListing(const std::filesystem::path& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) {
    std::fprintf(stderr, "tessary-datagen: cannot read %s back\n", path.c_str());
    return {};
  }
  std::string listing;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t info;
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &info) != 0) continue;
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", info.crc);
    listing += info.name;
    listing += crc;
  }
  zip_discard(archive);
  return listing;
}

bool WriteLoadingPicture(const std::filesystem::path& path, const Picture& picture) {
  if (picture.width != storage::kLoadingWidth || picture.height != storage::kLoadingHeight) {
    std::fprintf(stderr, "tessary-datagen: the loading picture must be %d x %d\n",
                 storage::kLoadingWidth, storage::kLoadingHeight);
    return false;
  }
  std::string bytes;
  bytes.reserve(storage::kLoadingBytes);
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      bytes.push_back(static_cast<char>(p[2]));
      bytes.push_back(static_cast<char>(p[1]));
      bytes.push_back(static_cast<char>(p[0]));
    }
  }
  return WriteBytes(path, bytes);
}

bool WriteIconBmp(const std::filesystem::path& path, const Canvas& canvas) {
  cairo_surface_flush(canvas.surface());
  const int width = canvas.pixelWidth(), height = canvas.pixelHeight();
  const unsigned char* data = cairo_image_surface_get_data(canvas.surface());
  const int stride = cairo_image_surface_get_stride(canvas.surface());
  const uint32_t headerBytes = 14 + 108;
  const uint32_t pixelBytes = static_cast<uint32_t>(width * height * 4);
  std::string bytes;
  bytes += "BM";
  PutLittle(bytes, headerBytes + pixelBytes, 4);
  PutLittle(bytes, 0, 4);
  PutLittle(bytes, headerBytes, 4);
  PutLittle(bytes, 108, 4);  // BITMAPV4HEADER
  PutLittle(bytes, static_cast<uint32_t>(width), 4);
  PutLittle(bytes, static_cast<uint32_t>(height), 4);  // positive: bottom row first
  PutLittle(bytes, 1, 2);
  PutLittle(bytes, 32, 2);
  PutLittle(bytes, 3, 4);  // BI_BITFIELDS
  PutLittle(bytes, pixelBytes, 4);
  PutLittle(bytes, 2835, 4);
  PutLittle(bytes, 2835, 4);
  PutLittle(bytes, 0, 4);
  PutLittle(bytes, 0, 4);
  PutLittle(bytes, 0x00FF0000u, 4);
  PutLittle(bytes, 0x0000FF00u, 4);
  PutLittle(bytes, 0x000000FFu, 4);
  PutLittle(bytes, 0xFF000000u, 4);
  PutLittle(bytes, 0x73524742u, 4);  // 'sRGB'
  for (int i = 0; i < 12; ++i) PutLittle(bytes, 0, 4);  // endpoints and gamma, unused
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      // Cairo keeps premultiplied alpha; a BMP wants straight colour.
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      uint32_t out = 0;
      if (a > 0) {
        const uint32_t r = std::min<uint32_t>(255, ((p >> 16) & 0xFF) * 255 / a);
        const uint32_t g = std::min<uint32_t>(255, ((p >> 8) & 0xFF) * 255 / a);
        const uint32_t b = std::min<uint32_t>(255, (p & 0xFF) * 255 / a);
        out = (a << 24) | (r << 16) | (g << 8) | b;
      }
      PutLittle(bytes, out, 4);
    }
  }
  return WriteBytes(path, bytes);
}

bool WritePng(const std::filesystem::path& path, const Picture& picture) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      row[x] = 0xFF000000u | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
  }
  cairo_surface_mark_dirty(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "tessary-datagen: cannot write %s: %s\n", path.c_str(),
                 cairo_status_to_string(status));
    return false;
  }
  return true;
}

bool WriteIconPng(const std::filesystem::path& path, const Canvas& canvas) {
  cairo_surface_flush(canvas.surface());
  const cairo_status_t status = cairo_surface_write_to_png(canvas.surface(), path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "tessary-datagen: cannot write %s: %s\n", path.c_str(),
                 cairo_status_to_string(status));
    return false;
  }
  return true;
}

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "tessary-datagen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace tools
