// Picture sets: the manifest's lenient reading and its refusals, and the listing of built-in
// packages and players' folders (packages built here with libzip and TurboJPEG).
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "scratch_directory.h"
#include "storage/decks.h"
#include "storage/picture_sets.h"

namespace {

using storage::ParseSetManifest;
using storage::SetManifest;
using Bytes = std::vector<uint8_t>;

TEST(SetManifestTest, ReadsLenientlyAndRefusesInvalidWithOneLine) {
  SetManifest manifest;
  std::string problem;
  ASSERT_TRUE(ParseSetManifest("\xef\xbb\xbf# comment\r\n\n  Name =  Garden birds \r\n"
                               "LICENSE=CC0\nfuture.key = kept quiet\nauthor = A. N. Other",
                               manifest, problem))
      << problem;
  EXPECT_EQ(manifest.name.english, "Garden birds");
  EXPECT_EQ(manifest.name.In("zh"), "Garden birds") << "the English name stands in";
  EXPECT_TRUE(manifest.faceNames.empty());
  EXPECT_EQ(manifest.licence, "CC0");
  EXPECT_EQ(manifest.author, "A. N. Other");
  ASSERT_TRUE(ParseSetManifest("name = Fruit\nname.zh = 水果\nNAME.ZH_TW = 水菓\nname.pt = Fruta\n",
                               manifest, problem));
  EXPECT_EQ(manifest.name.In("zh"), "水果");
  // A catalogue's code exactly (its region spelled back in capitals), else its language part.
  EXPECT_EQ(manifest.name.In("zh_TW"), "水菓");
  EXPECT_EQ(manifest.name.In("zh_CN"), "水果");
  EXPECT_EQ(manifest.name.In("pt_BR"), "Fruta");
  EXPECT_EQ(manifest.name.In("ja"), "Fruit");
  // Faces are named by number, in any language; other languages' names read alike.
  ASSERT_TRUE(ParseSetManifest("name = Fruit\nname.de = Obst\nface.2 = Pear\nFace.2.zh = 梨\n"
                               "face.3.zh = 桃\nface.3.fr =\nface.0 = none\nface.101 = none\n",
                               manifest, problem))
      << problem;
  EXPECT_EQ(manifest.name.In("de"), "Obst");
  ASSERT_EQ(manifest.faceNames.size(), 3u);
  EXPECT_EQ(manifest.faceNames[0].english, "") << "face 1 is not named";
  EXPECT_EQ(manifest.faceNames[1].english, "Pear");
  EXPECT_EQ(manifest.faceNames[1].In("zh"), "梨");
  EXPECT_EQ(manifest.faceNames[2].In("zh"), "桃");
  EXPECT_EQ(manifest.faceNames[2].In("fr"), "") << "an empty name is no translation";

  const struct {
    std::string text;
    std::string problem;
  } bad[] = {
      {"", "gives no name"},
      {"name =\n", "gives no name"},
      {"author = me\n", "gives no name"},
      {"name = a\nname = b\n", "line 2 gives name a second time"},
      {"name = a\njust words\n", "line 2 is not \"key = value\""},
      {"= value\n", "line 1 is not \"key = value\""},
      {"name = a\xff\n", "is not UTF-8 text"},
      {"name = \xc0\xaf\n", "is not UTF-8 text"},         // an overlong '/'
      {"name = \xed\xa0\x80\n", "is not UTF-8 text"},     // a surrogate
      {std::string("name = a\0b\n", 11), "line 1 holds a control character"},
      {"name = " + std::string(33, 'x') + "\n",
       "the name \"" + std::string(33, 'x') + "\" is longer than 32 characters"},
      {"name = a\n#" + std::string(16400, ' '), "is larger than 16384 bytes"},
      {"name = a\nface.1.zh = " + std::string(33, 'x') + "\n",
       "the name \"" + std::string(33, 'x') + "\" is longer than 32 characters"},
      {"name = a\nface.7 = b\nface.7 = c\n", "line 3 gives face.7 a second time"},
  };
  for (const auto& c : bad) {
    SetManifest untouched{{"kept", {}}, "", "", {}};
    problem.clear();
    EXPECT_FALSE(ParseSetManifest(c.text, untouched, problem)) << c.text;
    EXPECT_EQ(problem, c.problem) << c.text;
    EXPECT_EQ(untouched.name.english, "kept");
  }
}

Bytes Jpeg(int size, uint8_t grey) {
  Bytes rgb(std::size_t(size) * size * 3, grey);
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long length = 0;
  EXPECT_EQ(tjCompress2(encoder, rgb.data(), size, 0, size, TJPF_RGB, &jpeg, &length, TJSAMP_444,
                        90, 0), 0);
  Bytes out(jpeg, jpeg + length);
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

void WriteZip(const std::string& path, const std::vector<std::pair<std::string, Bytes>>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, bytes] : entries)
    zip_file_add(archive, name.c_str(), zip_source_buffer(archive, bytes.data(), bytes.size(), 0),
                 0);
  ASSERT_EQ(zip_close(archive), 0);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

class PictureSetsTest : public storage_test::ScratchDirectory {};

TEST_F(PictureSetsTest, ListsTheValidPackagesAndThePlayersFoldersInOrder) {
  std::filesystem::create_directories("builtin");
  std::filesystem::create_directories("mine/Holiday 2026");
  std::filesystem::create_directories("mine/.hidden");
  std::filesystem::create_directories("mine/Cats");
  const Bytes face = Jpeg(storage::kFacePixels, 200);
  // box3.jpg has the wrong size, box4.jpg is no picture, box6.jpg is past the gap at 5.
  WriteZip("builtin/zoo.px", {{"set.txt", Text("name = Zoo\nname.zh = 动物园\nface.2 = Lion\n")},
                              {"box1.jpg", face}, {"box2.jpg", face}, {"box3.jpg", Jpeg(64, 9)},
                              {"box4.jpg", Text("not a jpeg")}, {"box6.jpg", face}});
  WriteZip("builtin/bad.px", {{"set.txt", Text("title = no name\n")}, {"box1.jpg", face}});
  WriteZip("builtin/empty.px", {{"set.txt", Text("name = Empty\n")}});
  WriteZip("builtin/bare.px", {{"box1.jpg", face}});
  WriteText("builtin/junk.px", "not an archive");
  WriteText("builtin/notes.txt", "ignored");
  // In the player's folder a deck is a set of its own; a plain set package or a file is not.
  WriteZip("mine/Doubles.px", {{"set.txt", Text("name = Sums\npair.1.a.word = 1+1\n"
                                                "pair.1.b.word = 2\npair.1.b.word.de = zwei\n"
                                                "pair.2.a.picture = one.jpg\npair.2.b.word = 1\n"
                                                "pair.3.a.word = 3\n")},
                               {"one.jpg", face}});
  WriteZip("mine/plain.px", {{"set.txt", Text("name = Plain\n")}, {"box1.jpg", face}});
  WriteText("mine/notes.txt", "ignored");

  const auto sets = storage::FindPictureSetsIn("builtin", "mine");
  std::vector<std::string> names;
  for (const auto& set : sets) names.push_back(set.name.english);
  EXPECT_EQ(names, (std::vector<std::string>{"Classic", "Zoo", "Cats", "Sums", "Holiday 2026"}));
  EXPECT_EQ(sets[3].kind, storage::SetKind::deck);

  // Read off the UI thread: a pair without its second card is skipped with one line.
  storage::DeckLoader loader;
  loader.Start(sets[3]);
  while (!loader.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const storage::DeckCards deck = loader.TakeCards();
  EXPECT_TRUE(deck.twoKinds);
  ASSERT_EQ(deck.faces.size(), 4u);
  EXPECT_EQ(deck.faces[0].word.english, "1+1");
  EXPECT_EQ(deck.faces[1].word.In("de"), "zwei");
  EXPECT_EQ(deck.faces[2].rgb.size(), std::size_t(storage::kFacePixels) * storage::kFacePixels * 3);
  EXPECT_EQ(loader.TakeProblems().size(), 1u);
  EXPECT_EQ(sets[0].key, "classic");
  EXPECT_EQ(sets[1].key, "zoo");
  EXPECT_EQ(sets[1].name.In("zh"), "动物园");
  EXPECT_EQ(sets[1].pictureCount, 4);
  EXPECT_EQ(sets[2].kind, storage::SetKind::folder);
  EXPECT_EQ(sets[2].key, (directory_ / "mine/Cats").string()) << "a folder is kept by its path";

  int skipped = 0;
  const auto faces = storage::ReadSetFaces(sets[1], skipped);
  EXPECT_EQ(faces.size(), 2u);
  EXPECT_EQ(skipped, 2);
  EXPECT_EQ(faces[0].rgb.size(), std::size_t(storage::kFacePixels) * storage::kFacePixels * 3);
  EXPECT_EQ(faces[1].name.english, "Lion") << "the face keeps its manifest's name";

  EXPECT_EQ(storage::FindPictureSetsIn("nowhere", "").size(), 1u) << "the classic set alone";
}

// A built-in set's faces at twice the size: all of them from the package drawn from the set, or
// none after one line.
TEST_F(PictureSetsTest, SharperFacesAreAllOrNoneAndDrawnFromTheSetItself) {
  std::filesystem::create_directories("builtin");
  std::filesystem::create_directories("sharper");
  WriteZip("builtin/zoo.px", {{"box1.jpg", Jpeg(128, 90)}, {"box2.jpg", Jpeg(128, 160)},
                              {"set.txt", Text("name = Zoo\n")}});
  const auto sets = storage::FindPictureSetsIn("builtin", "");
  ASSERT_EQ(sets.size(), 2u);
  std::string listing;
  int error = 0;
  zip_t* archive = zip_open("builtin/zoo.px", ZIP_RDONLY, &error);
  ASSERT_NE(archive, nullptr);
  for (const char* name : {"box1.jpg", "box2.jpg"}) {
    zip_stat_t info;
    ASSERT_EQ(zip_stat(archive, name, 0, &info), 0);
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", info.crc);
    listing += name + std::string(crc);
  }
  zip_discard(archive);
  auto sharperFaces = [&](const std::vector<std::pair<std::string, Bytes>>& entries,
                          std::size_t lines) {
    if (!entries.empty()) WriteZip("sharper/zoo.px", entries);
    testing::internal::CaptureStderr();
    const auto faces = storage::ReadHighResolutionSetFaces(sets[1], "sharper");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), static_cast<long>(lines)) << said;
    return faces;
  };
  EXPECT_TRUE(sharperFaces({}, 1).empty()) << "missing";
  const auto faces =
      sharperFaces({{"box1.jpg", Jpeg(256, 90)}, {"box2.jpg", Jpeg(256, 160)},
                    {"source.txt", Text(listing)}}, 0);
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_EQ(faces[1].rgb.size(), std::size_t(256) * 256 * 3);
  EXPECT_TRUE(sharperFaces({{"box1.jpg", Jpeg(256, 90)}, {"box2.jpg", Jpeg(128, 160)},
                            {"source.txt", Text(listing)}}, 1).empty()) << "a face too small";
  listing[10] = listing[10] == '0' ? '1' : '0';
  EXPECT_TRUE(sharperFaces({{"box1.jpg", Jpeg(256, 90)}, {"box2.jpg", Jpeg(256, 160)},
                            {"source.txt", Text(listing)}}, 1).empty()) << "another set's";
}

}  // namespace
