// One picture file to one face: each format decoded by its own library (TurboJPEG, libpng,
// libwebp), sizes checked from the header before any pixel is decoded, large pictures reduced
// while they decode, the EXIF orientation read with libexif, the centre square scaled by
// libswscale's area filter. The files are the player's: untrusted, and never written.
#include <fcntl.h>
#include <libexif/exif-data.h>
#include <png.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "storage/photo_local.h"

namespace storage {

namespace {

// One line for a picture too large to decode, or empty when it is within the limits.
std::string CheckSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return "is a picture of no size";
  if (width > kMaxPhotoSide || height > kMaxPhotoSide || width * height > kMaxPhotoPixels)
    return "is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, more than the " + std::to_string(kMaxPhotoSide) + " a side or " +
           std::to_string(kMaxPhotoPixels / 1'000'000) + " million pixels read from a photo";
  return {};
}

// The orientation tag of EXIF data, which starts with "Exif\0\0" or is a whole JPEG file.
int OrientationOf(const uint8_t* data, std::size_t size) {
  ExifData* exif = exif_data_new();
  if (exif == nullptr) return 1;
  // Read as it is: no fixing up, no tags added.
  exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(exif, data, static_cast<unsigned int>(std::min<std::size_t>(size, 1u << 30)));
  int orientation = 1;
  ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 &&
      entry->data != nullptr && entry->size >= 2)
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif));
  exif_data_unref(exif);
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// The orientation of a bare EXIF block as PNG and WebP store it (TIFF data, in WebP sometimes
// with the JPEG-style "Exif\0\0" in front).
int OrientationOfBlock(const uint8_t* data, std::size_t size) {
  static constexpr uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size >= 6 && std::memcmp(data, kHeader, 6) == 0) return OrientationOf(data, size);
  std::vector<uint8_t> block(kHeader, kHeader + 6);
  block.insert(block.end(), data, data + size);
  return OrientationOf(block.data(), block.size());
}

struct DecompressorCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};

std::string DecodeJpeg(std::span<const uint8_t> bytes, Picture& picture, int& orientation) {
  std::unique_ptr<void, DecompressorCloser> decompressor(tjInitDecompress());
  if (!decompressor)
    return std::string("cannot start the JPEG decoder: ") + tjGetErrorStr2(nullptr);
  const auto size = static_cast<unsigned long>(bytes.size());
  // A header cut short is reported as success with the sizes left untouched: they start at 0.
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(decompressor.get(), bytes.data(), size, &width, &height, &subsampling,
                          &colorspace) != 0)
    return std::string("is not a readable JPEG picture: ") + tjGetErrorStr2(decompressor.get());
  if (width <= 0 || height <= 0) return "is a JPEG picture cut short before its size";
  if (std::string reason = CheckSize(width, height); !reason.empty()) return reason;

  // The strongest reduction the decoder offers that keeps the shorter side at kReducedSide
  // (or the whole picture when it is smaller): a 12-megapixel photo decodes at 1/8.
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  const int shorter = std::min(width, height);
  tjscalingfactor chosen{1, 1};
  for (int i = 0; factors != nullptr && i < count; ++i) {
    const tjscalingfactor factor = factors[i];
    if (factor.num > factor.denom) continue;
    const int scaled = TJSCALED(shorter, factor);
    if (scaled >= std::min(shorter, kReducedSide) && scaled < TJSCALED(shorter, chosen))
      chosen = factor;
  }
  picture.width = TJSCALED(width, chosen);
  picture.height = TJSCALED(height, chosen);
  picture.rgb.assign(std::size_t(picture.width) * std::size_t(picture.height) * 3, 0);
  // A warning (a truncated or damaged stream) stops the decode: half a picture is a failure.
  if (tjDecompress2(decompressor.get(), bytes.data(), size, picture.rgb.data(), picture.width, 0,
                    picture.height, TJPF_RGB, TJFLAG_STOPONWARNING) != 0) {
    const char* kind = tjGetErrorCode(decompressor.get()) == TJERR_WARNING
                           ? "is a damaged or cut short JPEG picture: "
                           : "is a JPEG picture that cannot be decoded: ";
    return kind + std::string(tjGetErrorStr2(decompressor.get()));
  }
  orientation = OrientationOf(bytes.data(), bytes.size());
  return {};
}

// libpng reports errors by longjmp: the state that outlives one is kept here, in the caller's
// frame, and the function holding setjmp has no objects with destructors.
struct PngReading {
  std::span<const uint8_t> bytes;
  std::size_t position = 0;
  const std::atomic<bool>* cancel = nullptr;
  char error[200] = {};
  png_uint_32 width = 0, height = 0;
  int orientation = 1;
  std::string refusal;         // set before the pixels when the limits refuse the picture
  std::vector<uint8_t> rows;   // one decoded row, or all of them for an interlaced picture
  std::vector<uint32_t> sums;  // the reduced picture's sums of pixels, per channel
  std::vector<uint32_t> counts;
  int factor = 1;  // source pixels per reduced pixel, each way
  int reducedWidth = 0, reducedHeight = 0;
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* reading = static_cast<PngReading*>(png_get_io_ptr(png));
  if (reading->bytes.size() - reading->position < length) png_error(png, "the file is cut short");
  std::memcpy(out, reading->bytes.data() + reading->position, length);
  reading->position += length;
}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* reading = static_cast<PngReading*>(png_get_error_ptr(png));
  std::snprintf(reading->error, sizeof reading->error, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Adds one decoded row to the box sums of the reduced picture.
void AddRow(PngReading& reading, const uint8_t* row, int y, int channels) {
  const std::size_t reducedRow = std::size_t(y / reading.factor) * reading.reducedWidth;
  const int width = static_cast<int>(reading.width);
  for (int x = 0; x < width; ++x, row += channels) {
    const std::size_t at = reducedRow + std::size_t(x / reading.factor);
    // Transparent parts fade to black, which the game's additive drawing shows as nothing.
    const uint32_t alpha = channels == 4 ? row[3] : 255;
    reading.sums[at * 3 + 0] += row[0] * alpha / 255;
    reading.sums[at * 3 + 1] += row[1] * alpha / 255;
    reading.sums[at * 3 + 2] += row[2] * alpha / 255;
    ++reading.counts[at];
  }
}

// Reads the header, then the rows one at a time into box sums, so that a large picture never
// needs its full size in memory. Returns false after an error (reading->error says which).
bool ReadPngRows(png_structp png, png_infop info, PngReading* reading) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reading, PngRead);
  png_read_info(png, info);
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &reading->width, &reading->height, &depth, &colorType, &interlace,
               nullptr, nullptr);
  reading->refusal = CheckSize(reading->width, reading->height);
  if (!reading->refusal.empty()) return true;
  // Interlaced rows arrive in passes, so such a picture is read whole first: a smaller limit.
  const bool interlaced = interlace != PNG_INTERLACE_NONE;
  if (interlaced && int64_t{reading->width} * reading->height > kMaxInterlacedPngPixels) {
    reading->refusal = "is an interlaced PNG picture of more than " +
                       std::to_string(kMaxInterlacedPngPixels / 1'000'000) + " million pixels";
    return true;
  }
#ifdef PNG_eXIf_SUPPORTED
  png_uint_32 exifSize = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(png, info, &exifSize, &exif) != 0 && exif != nullptr && exifSize > 0)
    reading->orientation = OrientationOfBlock(exif, exifSize);
#endif

  png_set_strip_16(png);
  png_set_packing(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_tRNS_to_alpha(png);
  png_set_gray_to_rgb(png);
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if (channels != 3 && channels != 4) png_error(png, "an unexpected pixel layout");

  const int width = static_cast<int>(reading->width), height = static_cast<int>(reading->height);
  reading->factor = std::max(1, std::min(width, height) / kReducedSide);
  reading->reducedWidth = (width + reading->factor - 1) / reading->factor;
  reading->reducedHeight = (height + reading->factor - 1) / reading->factor;
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  reading->rows.resize(interlaced ? rowBytes * height : rowBytes);
  reading->sums.assign(std::size_t(reading->reducedWidth) * reading->reducedHeight * 3, 0);
  reading->counts.assign(std::size_t(reading->reducedWidth) * reading->reducedHeight, 0);
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) {
      if (reading->cancel != nullptr && reading->cancel->load(std::memory_order_relaxed))
        png_error(png, "cancelled");
      uint8_t* row = reading->rows.data() + (interlaced ? rowBytes * y : 0);
      png_read_row(png, row, nullptr);
      if (!interlaced) AddRow(*reading, row, y, channels);
    }
  if (interlaced)
    for (int y = 0; y < height; ++y)
      AddRow(*reading, reading->rows.data() + rowBytes * y, y, channels);
  return true;
}

std::string DecodePng(std::span<const uint8_t> bytes, Picture& picture, int& orientation,
                      const std::atomic<bool>* cancel) {
  PngReading reading;
  reading.bytes = bytes;
  reading.cancel = cancel;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, PngError, PngWarning);
  if (png == nullptr) return "cannot start the PNG decoder";
  png_infop info = png_create_info_struct(png);
  const bool read = info != nullptr && ReadPngRows(png, info, &reading);
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  if (!read) return std::string("is a PNG picture that cannot be decoded: ") + reading.error;
  if (!reading.refusal.empty()) return reading.refusal;

  picture.width = reading.reducedWidth;
  picture.height = reading.reducedHeight;
  picture.rgb.resize(reading.sums.size());
  for (std::size_t i = 0; i < reading.sums.size(); ++i) {
    const uint32_t count = reading.counts[i / 3];
    picture.rgb[i] = static_cast<uint8_t>((reading.sums[i] + count / 2) / count);
  }
  orientation = reading.orientation;
  return {};
}

int WebPOrientation(std::span<const uint8_t> bytes) {
  const WebPData data{bytes.data(), bytes.size()};
  WebPDemuxer* demuxer = WebPDemux(&data);
  if (demuxer == nullptr) return 1;
  int orientation = 1;
  WebPChunkIterator chunk;
  if ((WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG) != 0 &&
      WebPDemuxGetChunk(demuxer, "EXIF", 1, &chunk) != 0) {
    if (chunk.chunk.size > 0) orientation = OrientationOfBlock(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  WebPDemuxDelete(demuxer);
  return orientation;
}

std::string DecodeWebP(std::span<const uint8_t> bytes, Picture& picture, int& orientation) {
  WebPDecoderConfig config;
  if (WebPInitDecoderConfig(&config) == 0) return "cannot start the WebP decoder";
  if (WebPGetFeatures(bytes.data(), bytes.size(), &config.input) != VP8_STATUS_OK)
    return "is not a readable WebP picture";
  const int width = config.input.width, height = config.input.height;
  if (std::string reason = CheckSize(width, height); !reason.empty()) return reason;
  if (config.input.has_animation != 0) return "is an animated WebP picture, not a still one";

  // libwebp's own scaler reduces while decoding, to the shorter side kReducedSide.
  const int shorter = std::min(width, height);
  picture.width = width;
  picture.height = height;
  if (shorter > kReducedSide) {
    picture.width = std::max(1, int(int64_t{width} * kReducedSide / shorter));
    picture.height = std::max(1, int(int64_t{height} * kReducedSide / shorter));
    config.options.use_scaling = 1;
    config.options.scaled_width = picture.width;
    config.options.scaled_height = picture.height;
  }
  // Premultiplied: transparent parts fade to black, as for PNG.
  const bool alpha = config.input.has_alpha != 0;
  const int channels = alpha ? 4 : 3;
  std::vector<uint8_t> pixels(std::size_t(picture.width) * picture.height * channels);
  config.output.colorspace = alpha ? MODE_rgbA : MODE_RGB;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels.data();
  config.output.u.RGBA.stride = picture.width * channels;
  config.output.u.RGBA.size = pixels.size();
  const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) return "is a cut short WebP picture";
  if (status != VP8_STATUS_OK)
    return "is a WebP picture that cannot be decoded (status " + std::to_string(int(status)) + ")";
  if (alpha) {
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    for (std::size_t i = 0, n = picture.rgb.size() / 3; i < n; ++i)
      std::memcpy(&picture.rgb[i * 3], &pixels[i * 4], 3);
  } else {
    picture.rgb = std::move(pixels);
  }
  orientation = WebPOrientation(bytes);
  return {};
}

bool StartsWith(std::span<const uint8_t> bytes, std::string_view magic, std::size_t at = 0) {
  return bytes.size() >= at + magic.size() &&
         std::memcmp(bytes.data() + at, magic.data(), magic.size()) == 0;
}

}  // namespace

PixelPlace UprightSize(int orientation, int width, int height) {
  if (orientation >= 5 && orientation <= 8) return {height, width};
  return {width, height};
}

PixelPlace StoredPixelOf(int orientation, int width, int height, int x, int y) {
  switch (orientation) {
    case 2: return {width - 1 - x, y};               // mirrored left to right
    case 3: return {width - 1 - x, height - 1 - y};  // turned half round
    case 4: return {x, height - 1 - y};              // mirrored top to bottom
    case 5: return {y, x};                           // mirrored along the main diagonal
    case 6: return {y, height - 1 - x};              // to be turned a quarter clockwise
    case 7: return {width - 1 - y, height - 1 - x};  // mirrored along the other diagonal
    case 8: return {width - 1 - y, x};               // to be turned a quarter anticlockwise
    default: return {x, y};
  }
}

Picture TurnUpright(const Picture& stored, int orientation) {
  if (orientation < 2 || orientation > 8) return stored;
  Picture upright;
  const PixelPlace size = UprightSize(orientation, stored.width, stored.height);
  upright.width = size.x;
  upright.height = size.y;
  upright.rgb.resize(stored.rgb.size());
  uint8_t* out = upright.rgb.data();
  for (int y = 0; y < upright.height; ++y)
    for (int x = 0; x < upright.width; ++x, out += 3) {
      const PixelPlace from = StoredPixelOf(orientation, stored.width, stored.height, x, y);
      std::memcpy(out, &stored.rgb[(std::size_t(from.y) * stored.width + from.x) * 3], 3);
    }
  return upright;
}

SquareCrop CentreSquare(int width, int height) {
  const int side = std::min(width, height);
  return {(width - side) / 2, (height - side) / 2, side};
}

bool ScaleToFace(const Picture& upright, std::vector<uint8_t>& faceRgb) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  const SquareCrop crop = CentreSquare(upright.width, upright.height);
  if (crop.side <= 0) return false;
  // Full chroma in and out: the scaler works in YUV inside, and halving the colour's resolution
  // would blur the edges between colours.
  SwsContext* scaler = sws_getContext(
      crop.side, crop.side, AV_PIX_FMT_RGB24, kFacePixels, kFacePixels, AV_PIX_FMT_RGB24,
      SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP, nullptr, nullptr,
      nullptr);
  if (scaler == nullptr) return false;
  const int rowBytes = kFacePixels * 3;
  std::vector<uint8_t> topDown(std::size_t(rowBytes) * kFacePixels);
  const uint8_t* source = upright.rgb.data() + (std::size_t(crop.y) * upright.width + crop.x) * 3;
  const int sourceStride = upright.width * 3;
  uint8_t* destination = topDown.data();
  const int scaled =
      sws_scale(scaler, &source, &sourceStride, 0, crop.side, &destination, &rowBytes);
  sws_freeContext(scaler);
  if (scaled != kFacePixels) return false;
  faceRgb.resize(topDown.size());
  for (int y = 0; y < kFacePixels; ++y)
    std::memcpy(&faceRgb[std::size_t(kFacePixels - 1 - y) * rowBytes],
                &topDown[std::size_t(y) * rowBytes], rowBytes);
  return true;
}

std::string DecodePicture(std::span<const uint8_t> bytes, Picture& picture, int& orientation,
                          const std::atomic<bool>* cancel) {
  orientation = 1;
  if (bytes.empty()) return "is empty";
  if (StartsWith(bytes, "\xff\xd8\xff")) return DecodeJpeg(bytes, picture, orientation);
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return DecodePng(bytes, picture, orientation, cancel);
  if (StartsWith(bytes, "RIFF") && StartsWith(bytes, "WEBP", 8))
    return DecodeWebP(bytes, picture, orientation);
  return "is not a JPEG, PNG or WebP picture";
}

std::string PrepareFaceFromBytes(std::span<const uint8_t> bytes, std::vector<uint8_t>& faceRgb,
                                 const std::atomic<bool>* cancel) {
  Picture stored;
  int orientation = 1;
  if (std::string reason = DecodePicture(bytes, stored, orientation, cancel); !reason.empty())
    return reason;
  if (!ScaleToFace(TurnUpright(stored, orientation), faceRgb))
    return "is " + std::to_string(stored.width) + " x " + std::to_string(stored.height) +
           " pixels, which cannot be scaled to a face";
  return {};
}

bool PrepareFace(const std::string& path, FaceImage& face, std::string& problem) {
  return PrepareFace(path, face, problem, nullptr);
}

bool PrepareFace(const std::string& path, FaceImage& face, std::string& problem,
                 const std::atomic<bool>* cancel) {
  auto fail = [&](const std::string& reason) {
    problem = path + ": " + reason + " (skipped)";
    return false;
  };
  // Not followed by a block: a FIFO named like a photo would wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(std::string("cannot be opened: ") + std::strerror(errno));
  struct stat info {};
  std::vector<uint8_t> bytes;
  std::string reason;
  if (::fstat(fd, &info) != 0) {
    reason = std::string("cannot be read: ") + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "is not a regular file";
  } else if (info.st_size > kMaxPhotoFileBytes) {
    reason = "holds " + std::to_string(info.st_size) + " bytes, more than the " +
             std::to_string(kMaxPhotoFileBytes >> 20) + " MiB read from a photo";
  } else {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t total = 0;
    while (total < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + total, bytes.size() - total);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        reason = std::string("cannot be read: ") + std::strerror(errno);
        break;
      }
      if (n == 0) break;
      total += static_cast<std::size_t>(n);
    }
    bytes.resize(total);  // a file that shrank meanwhile is decoded as it now is
  }
  ::close(fd);
  if (!reason.empty()) return fail(reason);
  std::vector<uint8_t> rgb;
  if (reason = PrepareFaceFromBytes(bytes, rgb, cancel); !reason.empty()) return fail(reason);
  face.source = path;
  face.rgb = std::move(rgb);
  return true;
}

}  // namespace storage
