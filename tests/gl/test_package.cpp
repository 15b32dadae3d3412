#include "test_package.h"

#include <stdlib.h>
#include <turbojpeg.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>

#include "storage/formats.h"

namespace gl_test {

Picture SolidPicture(int width, int height, Rgb colour) {
  return QuadrantPicture(width, height, colour, colour, colour, colour);
}

Picture QuadrantPicture(int width, int height, Rgb topLeft, Rgb topRight, Rgb bottomLeft,
                        Rgb bottomRight) {
  Picture picture{width, height, std::vector<uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool top = y < height / 2;
      const bool left = x < width / 2;
      const Rgb c = top ? (left ? topLeft : topRight) : (left ? bottomLeft : bottomRight);
      uint8_t* p = &picture.rgb[(std::size_t(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(c.r);
      p[1] = static_cast<uint8_t>(c.g);
      p[2] = static_cast<uint8_t>(c.b);
    }
  return picture;
}

Rgb EntryColour(int k) {
  return {40 + (k % 4) * 60, 40 + (k / 4 % 4) * 60, 40 + (k / 16) * 60};
}

std::vector<uint8_t> EncodeJpeg(const Picture& picture) {
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(encoder, picture.rgb.data(), picture.width, 0, picture.height,
                                 TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0);
  std::vector<uint8_t> out;
  if (result == 0) out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  EXPECT_EQ(result, 0) << "cannot encode a test picture";
  return out;
}

namespace {

void WriteZip(const std::string& path, const std::vector<std::string>& names,
              const std::vector<std::vector<uint8_t>>& contents) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    ADD_FAILURE() << "cannot create " << path;
    return;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    zip_source_t* source =
        zip_source_buffer(archive, contents[i].data(), contents[i].size(), 0);
    if (source == nullptr || zip_file_add(archive, names[i].c_str(), source, 0) < 0) {
      ADD_FAILURE() << "cannot add " << names[i] << ": " << zip_strerror(archive);
      if (source != nullptr) zip_source_free(source);
    }
  }
  if (zip_close(archive) != 0) {
    ADD_FAILURE() << "cannot write " << path << ": " << zip_strerror(archive);
    zip_discard(archive);
  }
}

}  // namespace

void WriteSharperPackage(const std::string& path, const TestPackage& package,
                         const std::map<int, Picture>& pictures, bool drawnFromOthers) {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> contents;
  std::string listing;
  int error = 0;
  zip_t* original = zip_open(package.path().c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(original, nullptr);
  for (int k = 0; k < storage::kTextureCount; ++k) {
    names.emplace_back(storage::TextureTable[k]);
    auto picture = pictures.find(k);
    contents.push_back(EncodeJpeg(picture != pictures.end()
                                      ? picture->second
                                      : SolidPicture(32, 32, EntryColour(k))));
    zip_stat_t info;
    if (zip_stat(original, names.back().c_str(), 0, &info) != 0) continue;
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", info.crc + (drawnFromOthers ? 1 : 0));
    listing += names.back() + crc;
  }
  zip_discard(original);
  names.emplace_back(storage::kHighResolutionSourceEntry);
  contents.emplace_back(listing.begin(), listing.end());
  WriteZip(path, names, contents);
}

TestPackage::TestPackage(const PackageContents& wanted) {
  std::string pattern = std::filesystem::temp_directory_path() / "tessary-gl-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a temporary directory";
    return;
  }
  directory_ = pattern;
  std::filesystem::create_directories(directory_ / "data");
  path_ = directory_ / "data" / "game.px";

  // The archive reads its sources when it is closed: keep the bytes alive until then.
  std::vector<std::vector<uint8_t>> contents;
  std::vector<std::string> names;
  for (int k = 0; k < storage::kTextureCount; ++k) {
    if (std::find(wanted.omitted.begin(), wanted.omitted.end(), k) != wanted.omitted.end())
      continue;
    names.emplace_back(storage::TextureTable[k]);
    if (auto bytes = wanted.bytes.find(k); bytes != wanted.bytes.end())
      contents.push_back(bytes->second);
    else if (auto picture = wanted.pictures.find(k); picture != wanted.pictures.end())
      contents.push_back(EncodeJpeg(picture->second));
    else
      contents.push_back(EncodeJpeg(SolidPicture(16, 16, EntryColour(k))));
  }
  for (const auto& [name, picture] : wanted.added) {
    names.push_back(name);
    contents.push_back(EncodeJpeg(picture));
  }
  WriteZip(path_, names, contents);
}

TestPackage::~TestPackage() {
  std::error_code ignored;
  if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
}

}  // namespace gl_test
