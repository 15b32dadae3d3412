// Our own deck package: decks made here (libzip, TurboJPEG, a WAV written by hand) read back as
// cards, listed among the built-in sets, and the rows of what a deck may not be.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scratch_directory.h"
#include "storage/deck_own.h"
#include "storage/decks.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Jpeg(int width, int height, uint8_t grey) {
  Bytes rgb(std::size_t(width) * height * 3, grey);
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long length = 0;
  EXPECT_EQ(tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &length,
                        TJSAMP_444, 90, 0), 0);
  Bytes out(jpeg, jpeg + length);
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

// A mono 16-bit WAV of the given length in seconds at 8 kHz, silent.
Bytes Wav(double seconds) {
  const uint32_t data = uint32_t(seconds * 8000) * 2;
  Bytes bytes = Text("RIFF____WAVEfmt ");
  auto put = [&](uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
  };
  put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(16000, 4), put(2, 2), put(16, 2);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  bytes.resize(bytes.size() + data, 0);
  return bytes;
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

class OwnDeckTest : public storage_test::ScratchDirectory {
 protected:
  // Writes a deck of manifest and entries, lists it and reads its cards.
  bool Read(const std::string& manifest, std::vector<std::pair<std::string, Bytes>> entries = {}) {
    entries.insert(entries.begin(), {"set.txt", Text(manifest)});
    WriteZip("deck.px", entries);
    cards_ = {};
    problems_.clear();
    const auto sets = storage::DeckSetsAt("deck.px");
    if (sets.size() != 1) return false;
    set_ = sets.front();
    return storage::ReadDeck(set_, cards_, problems_);
  }

  storage::PictureSetInfo set_;
  storage::DeckCards cards_;
  std::vector<std::string> problems_;
};

TEST_F(OwnDeckTest, ReadsWordPairsPicturesWithWordsAndAlikeSounds) {
  // Word pairs, one skipped for having no second card: two-kind, divided.
  ASSERT_TRUE(Read("name = ABC\nname.de = ABC-Buch\ndivided = 1\n"
                   "pair.1.a.word = A\npair.1.b.word = a\nPAIR.1.B.WORD.ZH_TW = 小a\n"
                   "pair.2.a.word = B\n"
                   "pair.3.a.word = C\npair.3.b.word = c\npair.5.a.word = E\n"));
  EXPECT_EQ(set_.kind, storage::SetKind::deck);
  EXPECT_EQ(set_.deckFormat, storage::DeckFormat::own);
  EXPECT_EQ(set_.key, std::filesystem::absolute("deck.px").lexically_normal().string());
  EXPECT_EQ(set_.name.In("de"), "ABC-Buch");
  EXPECT_EQ(set_.pictureCount, 2) << "pair 2 is left out; pair 5 is past the gap";
  EXPECT_TRUE(cards_.twoKinds);
  EXPECT_TRUE(cards_.divided);
  ASSERT_EQ(cards_.faces.size(), 4u);
  EXPECT_EQ(cards_.faces[0].word.english, "A");
  EXPECT_EQ(cards_.faces[1].word.In("zh_TW"), "小a");
  EXPECT_EQ(cards_.faces[3].word.english, "c");
  EXPECT_TRUE(cards_.faces[0].rgb.empty());
  EXPECT_EQ(problems_,
            std::vector<std::string>{set_.key + ": pair 2 has no second card: left out"});

  // A picture and its word; a picture of any shape becomes a face, a broken one leaves its pair.
  ASSERT_TRUE(Read("name = Pets\npair.1.a.picture = cat.jpg\npair.1.b.word = Cat\n"
                   "pair.1.b.word.fr = Chat\npair.2.name = Dog\npair.2.a.picture = dog.jpg\n"
                   "pair.2.b.word = Dog\npair.3.a.picture = bad.jpg\npair.3.b.word = Bad\n",
                   {{"cat.jpg", Jpeg(300, 200, 90)}, {"dog.jpg", Jpeg(128, 128, 30)},
                    {"bad.jpg", Text("no picture")}}));
  EXPECT_FALSE(cards_.divided);
  ASSERT_EQ(cards_.faces.size(), 4u);
  EXPECT_EQ(cards_.faces[0].rgb.size(),
            std::size_t(storage::kFacePixels * storage::kFacePixels * 3));
  EXPECT_NEAR(cards_.faces[0].rgb[0], 90, 3);
  EXPECT_EQ(cards_.faces[0].name.english, "cat") << "no word, no pair name: the entry's stem";
  EXPECT_EQ(cards_.faces[1].word.In("fr"), "Chat");
  EXPECT_EQ(cards_.faces[2].name.english, "Dog") << "the pair's name";
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_NE(problems_[0].find("pair 3: entry \"bad.jpg\""), std::string::npos) << problems_[0];

  // Alike sounds: one face a pair; a sound too long leaves its pair.
  ASSERT_TRUE(Read("name = Ears\npair.1.a.sound = one.wav\npair.2.a.sound = long.wav\n"
                   "pair.3.a.sound = two.wav\npair.3.a.word = Two\n",
                   {{"one.wav", Wav(0.5)}, {"long.wav", Wav(11)}, {"two.wav", Wav(1)}}));
  EXPECT_FALSE(cards_.twoKinds);
  ASSERT_EQ(cards_.faces.size(), 2u);
  EXPECT_EQ(cards_.faces[0].sound, Wav(0.5));
  EXPECT_EQ(cards_.faces[1].word.english, "Two");
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_NE(problems_[0].find("plays longer than 10 seconds"), std::string::npos) << problems_[0];
}

TEST_F(OwnDeckTest, RefusesWhatIsNoDeckWithOneLine) {
  const struct {
    std::string manifest;
    std::vector<std::pair<std::string, Bytes>> entries;
    std::string problem;  // the last line's end
  } bad[] = {
      {"name = X\npair.1.a.picture = gone.jpg\n", {}, "no pair could be read"},
      {"name = X\npair.1.name = Nothing\n", {}, "no pair has its cards"},
      {"name = X\npair.2.a.word = b\n", {}, "gives no pair.1"},
      {"name = X\npair.1.a.word = a\ndivided = yes\n", {}, "gives divided neither 0 nor 1"},
      {"name = X\npair.1.a.word = a\npair.1.a.word = b\n", {}, "gives pair.1.a.word a second time"},
      {"name = X\npair.1.a.picture = ../up.jpg\n", {}, "names no entry of the package"},
      {"name = X\npair.1.a.word = " + std::string(33, 'w') + "\n", {},
       "gives a word longer than 32 characters"},
      {"name = X\npair.1.a.word = a\n#" + std::string(65536, ' ') + "\n", {},
       "is larger than 65536 bytes"},
      {"pair.1.a.word = a\n", {}, "gives no name"},
      {"name = X\npair.1.a.sound = big.wav\n", {{"big.wav", Bytes((1 << 20) + 1, 0)}},
       "no pair could be read"},
      {"name = X\npair.1.a.sound = noise.wav\n", {{"noise.wav", Text("RIFF")}},
       "no pair could be read"},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.manifest.substr(0, 60));
    std::vector<std::pair<std::string, Bytes>> entries = c.entries;
    entries.insert(entries.begin(), {"set.txt", Text(c.manifest)});
    WriteZip("deck.px", entries);
    std::string problem;
    storage::PictureSetInfo set;
    const int found = storage::ReadOwnDeckInfo("deck.px", set, problem);
    if (found < 0) {
      EXPECT_TRUE(problem.ends_with(c.problem)) << problem;
      EXPECT_TRUE(storage::DeckSetsAt("deck.px").empty());
      continue;
    }
    ASSERT_EQ(found, 1);
    storage::DeckCards cards;
    std::vector<std::string> problems;
    EXPECT_FALSE(storage::ReadDeck(set, cards, problems));
    EXPECT_TRUE(cards.faces.empty());
    ASSERT_FALSE(problems.empty());
    EXPECT_TRUE(problems.back().ends_with(c.problem)) << problems.back();
  }
  // No deck at all: not our format, quietly.
  WriteZip("set.px", {{"set.txt", Text("name = Just a set\n")}});
  WriteText("text.px", "not an archive");
  for (const char* path : {"set.px", "text.px", "missing.px", "."}) {
    storage::PictureSetInfo set;
    std::string problem;
    EXPECT_EQ(storage::ReadOwnDeckInfo(path, set, problem), 0) << path;
  }
}

TEST_F(OwnDeckTest, MoreThanTwoHundredPairsKeepTheFirstAndACancelStopsTheReading) {
  std::string manifest = "name = Many\n";
  for (int pair = 1; pair <= 205; ++pair)
    manifest += "pair." + std::to_string(pair) + ".a.word = w" + std::to_string(pair) + "\n";
  ASSERT_TRUE(Read(manifest));
  EXPECT_EQ(set_.pictureCount, 200);
  ASSERT_EQ(cards_.faces.size(), 200u);
  EXPECT_EQ(cards_.faces.back().word.english, "w200");
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_TRUE(problems_[0].ends_with("more than 200 pairs: the first 200 are used"))
      << problems_[0];

  const std::atomic<bool> cancel{true};
  EXPECT_FALSE(storage::ReadDeck(set_, cards_, problems_, &cancel));
  EXPECT_TRUE(cards_.faces.empty());
}

TEST_F(OwnDeckTest, ABuiltInDeckIsListedByItsStemBesideTheSets) {
  std::filesystem::create_directories("builtin");
  WriteZip("builtin/zoo.px", {{"set.txt", Text("name = Zoo\n")},
                              {"box1.jpg", Jpeg(storage::kFacePixels, storage::kFacePixels, 9)}});
  WriteZip("builtin/abc.px", {{"set.txt", Text("\xef\xbb\xbfname = ABC\n  Pair.1.a.word = A\n")}});
  WriteZip("builtin/broken.px", {{"set.txt", Text("name = B\npair.1.a.word = A\ndivided = 2\n")}});
  const auto sets = storage::FindPictureSetsIn("builtin", "");
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[1].key, "abc");
  EXPECT_EQ(sets[1].kind, storage::SetKind::deck);
  EXPECT_EQ(sets[1].pictureCount, 1);
  EXPECT_EQ(sets[2].key, "zoo");
  EXPECT_EQ(sets[2].kind, storage::SetKind::package);
}

}  // namespace
