// The player's photos: the orientation and crop arithmetic, pictures made here in each format
// (some turned by EXIF) prepared into faces, and the loader over a folder of good, equal and bad
// files, with its cache.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <webp/encode.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "scratch_directory.h"
#include "storage/paths.h"
#include "storage/photo_local.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using storage_test::ScratchDirectory;

struct Rgb {
  int r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// Top left red, top right green, bottom left blue, bottom right white; or, for thirds, red,
// green and blue along the longer side. Top row first.
Bytes DrawPicture(int width, int height, bool thirds) {
  Bytes rgb(std::size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Rgb c;
      if (thirds) {
        const int third = width >= height ? x * 3 / width : y * 3 / height;
        c = third == 0 ? kRed : third == 1 ? kGreen : kBlue;
      } else {
        const bool top = y < height / 2, left = x < width / 2;
        c = top ? (left ? kRed : kGreen) : (left ? kBlue : kWhite);
      }
      uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
      p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b);
    }
  return rgb;
}

// The EXIF block holding one orientation tag: TIFF data, high byte first.
Bytes ExifBlock(int orientation) {
  Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8};  // the first directory at offset 8
  const Bytes entry = {0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, uint8_t(orientation), 0, 0};
  tiff.insert(tiff.end(), {0, 1});  // one entry
  tiff.insert(tiff.end(), entry.begin(), entry.end());
  tiff.insert(tiff.end(), {0, 0, 0, 0});  // no next directory
  return tiff;
}

Bytes EncodeJpeg(int width, int height, const Bytes& rgb, int orientation) {
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(
      tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0),
      0);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  if (orientation != 0) {  // an APP1 segment right after the start marker
    const Bytes tiff = ExifBlock(orientation);
    const std::size_t length = 2 + 6 + tiff.size();
    Bytes app1 = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    out.insert(out.begin() + 2, app1.begin(), app1.end());
  }
  return out;
}

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

Bytes EncodePng(int width, int height, const Bytes& rgb, int orientation) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendPng, nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  Bytes exif = ExifBlock(orientation);
  if (orientation != 0) png_set_eXIf_1(png, info, png_uint_32(exif.size()), exif.data());
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(&rgb[std::size_t(y) * width * 3]));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes EncodeWebP(int width, int height, const Bytes& rgb) {
  uint8_t* webp = nullptr;
  const std::size_t size = WebPEncodeLosslessRGB(rgb.data(), width, height, width * 3, &webp);
  Bytes out(webp, webp + size);
  WebPFree(webp);
  return out;
}

enum class Format { jpeg, png, webp };

Bytes MakeFile(Format format, int width, int height, bool thirds, int orientation) {
  const Bytes rgb = DrawPicture(width, height, thirds);
  switch (format) {
    case Format::jpeg: return EncodeJpeg(width, height, rgb, orientation);
    case Format::png: return EncodePng(width, height, rgb, orientation);
    case Format::webp: return EncodeWebP(width, height, rgb);
  }
  return {};
}

// A face's pixel counted from its top left (faces are stored bottom row first).
Rgb FacePixel(const std::vector<uint8_t>& face, int x, int yFromTop) {
  const uint8_t* p =
      &face[(std::size_t(storage::kFacePixels - 1 - yFromTop) * storage::kFacePixels + x) * 3];
  return {p[0], p[1], p[2]};
}

bool Near(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) <= 24 && std::abs(a.g - b.g) <= 24 && std::abs(a.b - b.b) <= 24;
}

std::string Show(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

TEST(PhotoGeometry, EveryOrientationTurnsThePictureUprightAndTheCropIsCentred) {
  // Stored 3 x 2: 1 2 3 / 4 5 6. Each row: the upright picture, row by row.
  const std::vector<std::pair<int, std::vector<int>>> upright = {
      {1, {1, 2, 3, 4, 5, 6}}, {2, {3, 2, 1, 6, 5, 4}}, {3, {6, 5, 4, 3, 2, 1}},
      {4, {4, 5, 6, 1, 2, 3}}, {5, {1, 4, 2, 5, 3, 6}}, {6, {4, 1, 5, 2, 6, 3}},
      {7, {6, 3, 5, 2, 4, 1}}, {8, {3, 6, 2, 5, 1, 4}}, {0, {1, 2, 3, 4, 5, 6}},
      {9, {1, 2, 3, 4, 5, 6}}};
  storage::Picture stored{3, 2, {}};
  for (int label = 1; label <= 6; ++label)
    stored.rgb.insert(stored.rgb.end(), {uint8_t(label), 0, 0});
  for (const auto& [orientation, expected] : upright) {
    const storage::Picture turned = storage::TurnUpright(stored, orientation);
    const bool sideways = orientation >= 5 && orientation <= 8;
    EXPECT_EQ(turned.width, sideways ? 2 : 3) << orientation;
    std::vector<int> labels;
    for (std::size_t i = 0; i < turned.rgb.size(); i += 3) labels.push_back(turned.rgb[i]);
    EXPECT_EQ(labels, expected) << "orientation " << orientation;
  }

  struct Crop {
    int width, height, x, y, side;
  };
  for (const Crop& c : {Crop{4, 3, 0, 0, 3}, Crop{5, 3, 1, 0, 3}, Crop{3, 7, 0, 2, 3},
                        Crop{4000, 3000, 500, 0, 3000}, Crop{1, 1, 0, 0, 1}}) {
    const storage::SquareCrop crop = storage::CentreSquare(c.width, c.height);
    EXPECT_EQ(std::vector<int>({crop.x, crop.y, crop.side}), std::vector<int>({c.x, c.y, c.side}))
        << c.width << " x " << c.height;
  }
}

TEST(PhotoGeometry, PicturesOfEachFormatBecomeUprightCentredFaces) {
  struct Case {
    Format format;
    int width, height;
    bool thirds;
    int orientation;  // 0: no EXIF at all
    Rgb topLeft, topRight, bottomLeft, bottomRight;
  };
  const Rgb r = kRed, g = kGreen, b = kBlue, w = kWhite;
  const std::vector<Case> cases = {
      {Format::jpeg, 240, 160, false, 0, r, g, b, w},
      {Format::jpeg, 240, 160, false, 1, r, g, b, w},
      {Format::jpeg, 240, 160, false, 2, g, r, w, b},
      {Format::jpeg, 240, 160, false, 3, w, b, g, r},
      {Format::jpeg, 240, 160, false, 4, b, w, r, g},
      {Format::jpeg, 240, 160, false, 5, r, b, g, w},
      {Format::jpeg, 240, 160, false, 6, b, r, w, g},
      {Format::jpeg, 240, 160, false, 7, w, g, b, r},
      {Format::jpeg, 240, 160, false, 8, g, w, r, b},
      // Large: decoded at a reduced scale, or reduced row by row.
      {Format::jpeg, 3000, 2000, false, 3, w, b, g, r},
      {Format::png, 1200, 900, false, 0, r, g, b, w},
      {Format::png, 160, 240, false, 6, b, r, w, g},
      {Format::webp, 900, 600, false, 0, r, g, b, w},
      // The centre third is what shows, whichever side is longer.
      {Format::jpeg, 600, 200, true, 0, g, g, g, g},
      {Format::png, 100, 300, true, 0, g, g, g, g},
      {Format::webp, 300, 100, true, 0, g, g, g, g},
      {Format::jpeg, 300, 100, true, 6, g, g, g, g},
  };
  for (const Case& c : cases) {
    const Bytes file = MakeFile(c.format, c.width, c.height, c.thirds, c.orientation);
    std::vector<uint8_t> face;
    const std::string reason = storage::PrepareFaceFromBytes(file, face);
    const std::string name = "format " + std::to_string(int(c.format)) + ", " +
                             std::to_string(c.width) + " x " + std::to_string(c.height) +
                             ", orientation " + std::to_string(c.orientation);
    ASSERT_EQ(reason, "") << name;
    ASSERT_EQ(face.size(), std::size_t(storage::kFacePixels) * storage::kFacePixels * 3);
    const int near = 16, far = storage::kFacePixels - 1 - 16;
    const std::vector<std::pair<Rgb, Rgb>> corners = {{FacePixel(face, near, near), c.topLeft},
                                                      {FacePixel(face, far, near), c.topRight},
                                                      {FacePixel(face, near, far), c.bottomLeft},
                                                      {FacePixel(face, far, far), c.bottomRight}};
    for (const auto& [seen, expected] : corners)
      EXPECT_TRUE(Near(seen, expected)) << name << ": " << Show(seen) << " not " << Show(expected);
  }
}

class PhotoLoaderTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    storage::UsePlaces(storage::RunDirectoryPlaces());
    fs::create_directory("photos");
  }

  static void Write(const std::string& path, const Bytes& bytes) { WriteBytes(path, bytes); }

  // Runs a load to its end (the test's own time limit stops a hang).
  static void Load(storage::PhotoSetLoader& loader, std::vector<std::string> paths,
                   std::vector<storage::FaceImage>& faces, std::vector<std::string>& problems) {
    loader.Start(std::move(paths));
    while (!loader.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(loader.Done(), loader.Total());
    faces = loader.TakeFaces();
    problems = loader.TakeProblems();
  }

  static std::vector<std::string> Sources(const std::vector<storage::FaceImage>& faces) {
    std::vector<std::string> sources;
    for (const auto& face : faces) sources.push_back(face.source);
    return sources;
  }

  // Names with their modification times, links not followed.
  static std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) {
      struct stat info {};
      EXPECT_EQ(::lstat(item.path().c_str(), &info), 0);
      names.push_back(item.path().filename().string() + " " + std::to_string(info.st_mtim.tv_sec) +
                      "." + std::to_string(info.st_mtim.tv_nsec));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// A PNG header declaring width x height pixels, with an empty data chunk behind it.
Bytes PngHeaderOnly(uint32_t width, uint32_t height) {
  auto crc = [](const uint8_t* data, std::size_t size) {
    uint32_t c = 0xffffffffu;
    for (std::size_t i = 0; i < size; ++i) {
      c ^= data[i];
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return c ^ 0xffffffffu;
  };
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  auto chunk = [&](const char* type, const Bytes& data) {
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(data.size() >> (8 * i)));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uint32_t c = crc(&out[start], out.size() - start);
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(c >> (8 * i)));
  };
  Bytes header;
  for (uint32_t v : {width, height})
    for (int i = 3; i >= 0; --i) header.push_back(uint8_t(v >> (8 * i)));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  chunk("IEND", {});
  return out;
}

TEST_F(PhotoLoaderTest, BadFilesAreSkippedWithOneLineEachAndEqualPicturesCountOnce) {
  const Bytes good = MakeFile(Format::jpeg, 400, 300, false, 6);
  Write("photos/a good.jpg", good);
  Write("photos/b same picture.JPG", good);  // a copy: counts once
  Write("photos/c other.png", MakeFile(Format::png, 64, 48, true, 0));
  Write("photos/.hidden.jpg", good);
  Write("photos/notes.txt", {'h', 'i'});
  fs::create_directory("photos/below");
  Write("photos/below/deeper.jpg", good);
  fs::create_directory("empty");
  Bytes noise(300 * 300 * 3);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 >> 3);
  Bytes truncated = EncodeJpeg(300, 300, noise, 0);
  truncated.resize(truncated.size() / 2);
  Bytes corrupt = MakeFile(Format::png, 64, 64, false, 0);
  corrupt[corrupt.size() / 2] ^= 0xff;  // the data's checksum no longer matches

  struct Bad {
    std::string name;
    Bytes bytes;
    std::string says;
  };
  std::vector<Bad> bad = {
      {"zero.jpg", {}, "is empty"},
      {"text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'}, "is not a JPEG, PNG or WebP picture"},
      {"truncated.jpg", truncated, "damaged or cut short"},
      {"corrupt.png", corrupt, "PNG picture that cannot be decoded"},
      {"huge.png", PngHeaderOnly(30000, 30000), "is 30000 x 30000 pixels, more than"},
      {"loop.jpg", {}, "is a symbolic link loop"},
      {"fifo.webp", {}, "is not a regular file"},
  };
  if (::geteuid() != 0)  // root reads every file
    bad.push_back({"unreadable.jpg", good, "cannot be opened: Permission denied"});
  for (const Bad& item : bad) {
    if (item.name == "loop.jpg")
      fs::create_symlink("loop.jpg", "photos/loop.jpg");
    else if (item.name == "fifo.webp")
      ASSERT_EQ(::mkfifo("photos/fifo.webp", 0600), 0);
    else
      Write("photos/" + item.name, item.bytes);
  }
  if (fs::exists("photos/unreadable.jpg"))
    fs::permissions("photos/unreadable.jpg", fs::perms::none);
  const std::vector<std::string> before = Listing("photos");

  storage::PhotoSetLoader loader;
  std::vector<storage::FaceImage> faces;
  std::vector<std::string> problems;
  testing::internal::CaptureStderr();
  Load(loader, {"photos", "empty", "missing", "photos/a good.jpg"}, faces, problems);
  const std::string printed = testing::internal::GetCapturedStderr();

  EXPECT_EQ(Sources(faces), (std::vector<std::string>{"photos/a good.jpg", "photos/c other.png"}));
  for (const Bad& item : bad) {
    const std::string path = "photos/" + item.name;
    const auto count = std::count_if(problems.begin(), problems.end(), [&](const std::string& p) {
      return p.rfind(path + ": ", 0) == 0 && p.find(item.says) != std::string::npos;
    });
    EXPECT_EQ(count, 1) << item.name << " should say: " << item.says;
  }
  const std::vector<std::string> folders = {"empty: the folder holds no JPEG, PNG or WebP pictures",
                                            "missing: No such file or directory (skipped)"};
  for (const std::string& line : folders)
    EXPECT_NE(std::find(problems.begin(), problems.end(), line), problems.end()) << line;
  EXPECT_EQ(problems.size(), bad.size() + folders.size());
  std::string expectedStderr;
  for (const std::string& line : problems) {
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    expectedStderr += "tessary: " + line + "\n";
  }
  EXPECT_EQ(printed, expectedStderr);
  // The player's folder is only read; the prepared faces went to the cache.
  EXPECT_EQ(Listing("photos"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator("cache/photos"), fs::directory_iterator()), 3);

  // A folder that disappears while it loads: at most one line for it, none for its files.
  fs::create_directory("going");
  for (int i = 0; i < 12; ++i)
    Write("going/" + std::to_string(i) + ".jpg", MakeFile(Format::jpeg, 1200, 900, false, 0));
  testing::internal::CaptureStderr();
  loader.Start({"going"});
  fs::rename("going", "gone");  // at once, as when a drive is unplugged
  while (!loader.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  testing::internal::GetCapturedStderr();
  problems = loader.TakeProblems();
  EXPECT_LE(problems.size(), 1u);
  for (const std::string& line : problems) EXPECT_EQ(line.rfind("going: ", 0), 0u) << line;
}

TEST_F(PhotoLoaderTest, TheCacheServesUnchangedFilesAndIgnoresDamagedEntries) {
  Write("photos/one.jpg", MakeFile(Format::jpeg, 320, 240, false, 8));
  Write("photos/two.webp", MakeFile(Format::webp, 200, 300, true, 0));
  storage::PhotoSetLoader loader;
  std::vector<storage::FaceImage> first, again;
  std::vector<std::string> problems;
  Load(loader, {"photos"}, first, problems);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_TRUE(problems.empty());

  // An entry is used only when the file is unchanged: a face in the cache is changed here so that
  // its use shows.
  const std::string entry =
      "cache/photos/" + storage::PhotoCacheName(fs::canonical("photos/one.jpg").string());
  const std::string otherEntry =
      "cache/photos/" + storage::PhotoCacheName(fs::canonical("photos/two.webp").string());
  char resolved[PATH_MAX];
  struct stat info {};
  ASSERT_EQ(::stat("photos/one.jpg", &info), 0);
  storage::PhotoKey key{::realpath("photos/one.jpg", resolved), info.st_size, info.st_mtim.tv_sec,
                        info.st_mtim.tv_nsec};
  std::vector<uint8_t> marked = first[0].rgb;
  marked[0] ^= 0x55;
  Write(entry, storage::EncodePhotoCacheEntry(key, marked));
  Bytes damaged = ReadBytes(otherEntry);
  damaged[damaged.size() / 2] ^= 1;
  Write(otherEntry, damaged);
  Load(loader, {"photos"}, again, problems);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].rgb, marked);        // from the cache
  EXPECT_EQ(again[1].rgb, first[1].rgb);  // damaged entry ignored, prepared anew and rewritten
  EXPECT_EQ(ReadBytes(otherEntry).size(), damaged.size());
  EXPECT_NE(ReadBytes(otherEntry), damaged);

  // A new modification time misses, and so does a cut entry.
  fs::last_write_time("photos/one.jpg",
                      fs::last_write_time("photos/one.jpg") + std::chrono::seconds(5));
  Write(otherEntry, Bytes(damaged.begin(), damaged.begin() + 100));
  Load(loader, {"photos"}, again, problems);
  EXPECT_EQ(again[0].rgb, first[0].rgb);
  EXPECT_EQ(again[1].rgb, first[1].rgb);
  EXPECT_TRUE(problems.empty());
}

}  // namespace
