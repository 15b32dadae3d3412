// The picture package: archives built here with libzip, pictures encoded with TurboJPEG, then
// read back through ReadPX and JPEG24bitPX, whole and in every broken form we could think of.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "scratch_directory.h"
#include "storage/formats.h"
#include "storage/picture_package.h"

namespace {

using Bytes = std::vector<uint8_t>;
using storage_test::ScratchDirectory;

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// Encodes top-row-first RGB pixels as a JPEG.
Bytes EncodeJpeg(int width, int height, const Bytes& rgb) {
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  int result = tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                           TJSAMP_444, 98, 0);
  Bytes out;
  if (result == 0) out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  EXPECT_EQ(result, 0);
  return out;
}

// Top left red, top right green, bottom left blue, bottom right white.
Bytes QuadrantPicture(int width, int height) {
  Bytes rgb(std::size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool top = y < height / 2, left = x < width / 2;
      Rgb c = top ? (left ? kRed : kGreen) : (left ? kBlue : kWhite);
      uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
      p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }
  return EncodeJpeg(width, height, rgb);
}

// Noise compresses badly, so the scan is long enough to cut in the middle.
Bytes NoisePicture(int width, int height) {
  Bytes rgb(std::size_t(width) * height * 3);
  uint32_t seed = 12345;
  for (auto& b : rgb) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return EncodeJpeg(width, height, rgb);
}

using Entries = std::vector<std::pair<std::string, Bytes>>;

void WriteZip(const std::string& path, const Entries& entries, bool compress) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, bytes] : entries) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_NE(source, nullptr);
    zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0) << zip_strerror(archive);
    zip_set_file_compression(archive, zip_uint64_t(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             0);
  }
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

void Put32(Bytes& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t Get32(const Bytes& bytes, std::size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | bytes[at + i];
  return v;
}
std::size_t Find(const Bytes& bytes, std::string_view signature) {
  auto it = std::search(bytes.begin(), bytes.end(), signature.begin(), signature.end(),
                        [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
  return std::size_t(it - bytes.begin());
}

// Rewrites what the local and the central header of the archive's only entry declare.
void DeclareSizes(Bytes& zip, uint32_t compressed, uint32_t uncompressed) {
  std::size_t local = Find(zip, "PK\x03\x04");
  std::size_t central = Find(zip, "PK\x01\x02");
  ASSERT_LT(central, zip.size());
  Put32(zip, local + 18, compressed);
  Put32(zip, local + 22, uncompressed);
  Put32(zip, central + 20, compressed);
  Put32(zip, central + 24, uncompressed);
}

class PackageTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    std::filesystem::create_directory("data");
  }

  // Runs the call and checks it failed with one message naming the package and the entry.
  template <typename Call>
  void ExpectFailure(Call call, const std::string& entryName, const std::string& reason) {
    testing::internal::CaptureStderr();
    int32_t result = call();
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    std::string prefix = "tessary: data/game.px: entry \"" + entryName + "\": ";
    EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  }

  void ExpectReadFails(const std::string& name, const std::string& reason) {
    ExpectFailure([&] { return storage::ReadPX(storage::kPackagePath, name, entry); }, name,
                  reason);
    EXPECT_TRUE(entry.bytes.empty());
  }

  // Packs one entry holding the given bytes and checks the read succeeds and the decode fails.
  void ExpectDecodeFails(const Bytes& jpeg, const std::string& reason) {
    WriteZip("data/game.px", {{"menu.jpg", jpeg}}, true);
    ASSERT_NE(storage::ReadPX(storage::kPackagePath, "menu.jpg", entry), 0);
    ExpectFailure([&] { return storage::JPEG24bitPX(entry, image); }, "menu.jpg", reason);
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
    EXPECT_EQ(image.pixels, nullptr);
  }

  Rgb PixelAt(uint32_t x, uint32_t rowFromBottom) const {
    const uint8_t* p = image.pixels + (std::size_t(rowFromBottom) * image.width + x) * 3;
    return {p[0], p[1], p[2]};
  }
  static void ExpectNear(Rgb actual, Rgb expected) {
    EXPECT_NEAR(actual.r, expected.r, 24);
    EXPECT_NEAR(actual.g, expected.g, 24);
    EXPECT_NEAR(actual.b, expected.b, 24);
  }

  storage::PackageEntry entry;
  storage::DecodedImage image;
};

TEST_F(PackageTest, EveryEntryDecodesWithItsSizeBottomRowFirst) {
  const std::vector<std::pair<int, int>> sizes = {{800, 600}, {16, 16}, {64, 32},  {7, 5},
                                                  {1, 1},     {800, 1}, {1, 600}, {250, 100}};
  for (bool compress : {true, false}) {
    SCOPED_TRACE(compress ? "deflated" : "stored");
    Entries entries;
    for (std::size_t i = 0; i < sizes.size(); ++i)
      entries.emplace_back(std::string(storage::TextureTable[i]),
                           QuadrantPicture(sizes[i].first, sizes[i].second));
    WriteZip("data/game.px", entries, compress);

    for (std::size_t i = 0; i < sizes.size(); ++i) {
      auto [width, height] = sizes[i];
      SCOPED_TRACE(entries[i].first);
      ASSERT_NE(storage::ReadPX(storage::kPackagePath, entries[i].first, entry), 0);
      EXPECT_EQ(entry.bytes, entries[i].second);
      ASSERT_NE(storage::JPEG24bitPX(entry, image), 0);
      ASSERT_EQ(image.width, uint32_t(width));
      ASSERT_EQ(image.height, uint32_t(height));
      ASSERT_EQ(image.pixels, image.pixelStorage.data());
      ASSERT_EQ(image.pixelStorage.size(), std::size_t(width) * height * 3);
      if (width >= 16 && height >= 16) {
        ExpectNear(PixelAt(0, 0), kBlue);  // the first pixel is the bottom-left corner
        ExpectNear(PixelAt(image.width - 1, 0), kWhite);
        ExpectNear(PixelAt(0, image.height - 1), kRed);
        ExpectNear(PixelAt(image.width - 1, image.height - 1), kGreen);
      }
    }
  }
}

TEST_F(PackageTest, RecordsRefillWithoutFreesAndFreeReleasesAll) {
  Entries entries;
  for (int i = 0; i < storage::kTextureCount; ++i)
    entries.emplace_back(std::string(storage::TextureTable[i]), QuadrantPicture(16 + i, 24));
  WriteZip("data/game.px", entries, true);
  // Stored spelling with the backslash, as the loader passes it.
  for (int round = 0; round < 3; ++round)
    for (const auto& [name, bytes] : entries) {
      ASSERT_NE(storage::ReadPX("data\\game.px", name, entry), 0);
      EXPECT_EQ(entry.entryName, name);
      ASSERT_NE(storage::JPEG24bitPX(entry, image), 0);
      EXPECT_EQ(image.height, 24u);
    }
  EXPECT_EQ(image.width, uint32_t(16 + storage::kTextureCount - 1));
  storage::Free24BMP(image);
  storage::FreePX(entry);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.width, 0u);
  EXPECT_EQ(image.pixelStorage.capacity(), 0u);
  EXPECT_EQ(entry.bytes.capacity(), 0u);
  // Freed records can be filled again.
  ASSERT_NE(storage::ReadPX(storage::kPackagePath, "box.jpg", entry), 0);
  ASSERT_NE(storage::JPEG24bitPX(entry, image), 0);
}

TEST_F(PackageTest, MissingPackageOrEntry) {
  ExpectReadFails("menu.jpg", "the package cannot be opened");
  WriteZip("data/game.px", {{"menu.jpg", QuadrantPicture(16, 16)}}, true);
  ASSERT_NE(storage::ReadPX(storage::kPackagePath, "menu.jpg", entry), 0);
  ASSERT_NE(storage::JPEG24bitPX(entry, image), 0);
  // A failed read empties the record that held the earlier entry.
  ExpectReadFails("MENU.JPG", "not found in the package");
  ExpectReadFails(std::string("menu.jpg\0x", 10), "not found in the package");
  ExpectReadFails("star.jpg", "not found in the package");
  ExpectFailure([&] { return storage::JPEG24bitPX(entry, image); }, "star.jpg", "holds no picture");
  EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(PackageTest, PackageThatIsNotAnArchive) {
  WriteBytes("data/game.px", {});
  ExpectReadFails("menu.jpg", "the package cannot be opened");
  WriteBytes("data/game.px", QuadrantPicture(16, 16));
  ExpectReadFails("menu.jpg", "the package cannot be opened");
  std::filesystem::remove("data/game.px");
  std::filesystem::create_directory("data/game.px");
  ExpectReadFails("menu.jpg", "the package cannot be opened");
}

TEST_F(PackageTest, TruncatedArchive) {
  WriteZip("data/game.px",
           {{"menu.jpg", NoisePicture(64, 64)}, {"star.jpg", QuadrantPicture(32, 32)}}, false);
  const Bytes whole = ReadBytes("data/game.px");
  for (std::size_t keep : {whole.size() - 1, whole.size() - 30, whole.size() / 2, std::size_t{30},
                           std::size_t{4}}) {
    SCOPED_TRACE(keep);
    WriteBytes("data/game.px", Bytes(whole.begin(), whole.begin() + long(keep)));
    ExpectReadFails("star.jpg", "");
  }
}

TEST_F(PackageTest, HeadersThatLieAboutSizes) {
  const Bytes picture = NoisePicture(48, 48);
  WriteZip("data/game.px", {{"menu.jpg", picture}}, true);
  const Bytes honest = ReadBytes("data/game.px");
  const std::size_t local = Find(honest, "PK\x03\x04");
  const uint32_t compressed = Get32(honest, local + 18);
  const uint32_t size = Get32(honest, local + 22);
  ASSERT_EQ(size, picture.size());

  struct Lie {
    const char* what;
    uint32_t compressed, uncompressed;
    const char* reason;
  };
  const Lie lies[] = {
      {"absurd size", compressed, 0xFFFFFFF0u, "more than a picture can take"},
      {"absurd compressed size", 20u << 20, size, ""},
      {"longer than it is", compressed, size + 10, ""},
      {"shorter than it is", compressed, size - 10, ""},
      {"compressed size too short", compressed / 2, size, ""},
      {"no size", compressed, 0, ""},
  };
  for (const Lie& lie : lies) {
    SCOPED_TRACE(lie.what);
    Bytes zip = honest;
    DeclareSizes(zip, lie.compressed, lie.uncompressed);
    WriteBytes("data/game.px", zip);
    ExpectReadFails("menu.jpg", lie.reason);
  }
}

TEST_F(PackageTest, DamagedEntryData) {
  const Bytes picture = NoisePicture(32, 32);
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "deflated" : "stored");
    WriteZip("data/game.px", {{"menu.jpg", picture}}, compress);
    Bytes zip = ReadBytes("data/game.px");
    zip[Find(zip, "PK\x03\x04") + 30 + 8 + 40] ^= 0x55;  // inside the data, after the name
    WriteBytes("data/game.px", zip);
    ExpectReadFails("menu.jpg", "cannot be read");
  }
}

TEST_F(PackageTest, EmptyEntry) {
  WriteZip("data/game.px", {{"menu.jpg", {}}}, false);
  ExpectReadFails("menu.jpg", "is empty");
}

TEST_F(PackageTest, BrokenPictures) {
  const Bytes picture = NoisePicture(64, 64);
  ExpectDecodeFails(Bytes(picture.begin(), picture.begin() + long(picture.size() / 2)),
                    "is damaged or cut short");
  ExpectDecodeFails(Bytes(picture.begin(), picture.end() - 2), "is damaged or cut short");
  ExpectDecodeFails(Bytes(picture.begin(), picture.begin() + 20), "");  // the header cut short
  ExpectDecodeFails(Bytes(picture.begin(), picture.begin() + 2), "");
  Bytes noise(4000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
  ExpectDecodeFails(noise, "is not a readable JPEG picture");
}

// Rewrites the frame header's height and width (baseline SOF0 from the encoder).
Bytes WithFrameSize(Bytes jpeg, uint16_t width, uint16_t height) {
  std::size_t sof = Find(jpeg, "\xFF\xC0");
  EXPECT_LT(sof, jpeg.size());
  jpeg[sof + 5] = uint8_t(height >> 8), jpeg[sof + 6] = uint8_t(height);
  jpeg[sof + 7] = uint8_t(width >> 8), jpeg[sof + 8] = uint8_t(width);
  return jpeg;
}

TEST_F(PackageTest, PicturesOfNoSizeOrTooLarge) {
  ExpectDecodeFails(QuadrantPicture(801, 8), "is 801 x 8 pixels, larger than the 800 x 600");
  ExpectDecodeFails(QuadrantPicture(8, 601), "is 8 x 601 pixels");
  // A header claiming a huge picture is refused before anything is allocated for it.
  ExpectDecodeFails(WithFrameSize(QuadrantPicture(16, 16), 60000, 60000), "is 60000 x 60000");
  EXPECT_EQ(image.pixelStorage.capacity(), 0u);
  ExpectDecodeFails(WithFrameSize(QuadrantPicture(16, 16), 16, 0), "");
  ExpectDecodeFails(WithFrameSize(QuadrantPicture(16, 16), 0, 16), "");
  // A failed decode empties a record that held an earlier picture.
  WriteZip("data/game.px", {{"menu.jpg", QuadrantPicture(800, 600)}}, true);
  ASSERT_NE(storage::ReadPX(storage::kPackagePath, "menu.jpg", entry), 0);
  ASSERT_NE(storage::JPEG24bitPX(entry, image), 0);
  ExpectDecodeFails(WithFrameSize(QuadrantPicture(16, 16), 16, 1000), "is 16 x 1000");
}

}  // namespace
