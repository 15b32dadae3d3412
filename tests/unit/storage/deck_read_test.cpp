// Decks of other memory games: Sugar Memorize ZIPs and KDE Pairs themes (tar.bz2 and folders)
// made here with libarchive, read whole, and refused or trimmed for every hostile input we know.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "scratch_directory.h"
#include "storage/deck_input.h"
#include "storage/deck_limits.h"
#include "storage/decks.h"

namespace {

using storage::DeckCards;
using storage::PictureSetInfo;
using storage_test::ScratchDirectory;

struct Entry {
  std::string name;
  std::string data;
  unsigned type = AE_IFREG;
  std::string link{};  // a symlink's target
};

// zip, or a tar with bzip2 when the name ends so.
void WriteArchive(const std::string& path, const std::vector<Entry>& entries) {
  archive* writer = archive_write_new();
  if (path.ends_with(".bz2")) {
    archive_write_set_format_pax_restricted(writer);
    archive_write_add_filter_bzip2(writer);
  } else {
    archive_write_set_format_zip(writer);
  }
  ASSERT_EQ(archive_write_open_filename(writer, path.c_str()), ARCHIVE_OK);
  for (const Entry& item : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, item.name.c_str());
    archive_entry_set_filetype(entry, item.type);
    archive_entry_set_perm(entry, 0644);
    if (!item.link.empty()) archive_entry_set_symlink(entry, item.link.c_str());
    archive_entry_set_size(entry, la_int64_t(item.data.size()));
    archive_write_header(writer, entry);
    archive_write_data(writer, item.data.data(), item.data.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
}

std::string GreenJpeg() {
  std::vector<uint8_t> rgb(16 * 16 * 3);
  for (std::size_t i = 1; i < rgb.size(); i += 3) rgb[i] = 255;
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  tjCompress2(encoder, rgb.data(), 16, 0, 16, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0);
  std::string out(reinterpret_cast<char*>(jpeg), size);
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

// Twice as wide as high, all blue: drawn centred, with white above and below.
const std::string kWideSvg =
    "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
    "<rect width='20' height='10' fill='#0000ff'/></svg>";

std::vector<uint8_t> Pixel(const std::vector<uint8_t>& rgb, int x, int yFromTop) {
  const int side = storage::kFacePixels;
  const std::size_t at = (std::size_t(side - 1 - yFromTop) * side + x) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

class DeckReadTest : public ScratchDirectory {};

TEST_F(DeckReadTest, SugarGameOfTwoKindsWithTextsPicturesAndSounds) {
  const std::string xml =
      "<?xml version='1.0'?><memorize name='Sums and colours' divided='1' equal_pairs='0'>"
      "<pair achar='2+3' bchar='5' aspeak='en' bspeak='en'/>"
      "<pair aimg='green.jpg' bchar='green' asnd='green.ogg'/>"
      "<pair aimg='wide.svg' bimg='green.jpg'/>"
      "<pair aimg='gone.png' bchar='gone'/>"
      "<pair achar='alone'/></memorize>";
  WriteArchive("colours.zip", {{"Colours/game.xml", xml}, {"Colours/images/green.jpg", GreenJpeg()},
                               {"Colours/images/wide.svg", kWideSvg},
                               {"Colours/sounds/green.ogg", "OggS sound"}});
  const std::vector<PictureSetInfo> sets = storage::DeckSetsAt("colours.zip");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].kind, storage::SetKind::deck);
  EXPECT_EQ(sets[0].deckFormat, storage::DeckFormat::sugar);
  EXPECT_EQ(sets[0].name.english, "Sums and colours");
  EXPECT_EQ(sets[0].key, (directory_ / "colours.zip").string());
  EXPECT_EQ(sets[0].pictureCount, 4);

  DeckCards cards;
  std::vector<std::string> problems;
  ASSERT_TRUE(storage::ReadDeck(sets[0], cards, problems));
  EXPECT_TRUE(cards.twoKinds);
  EXPECT_TRUE(cards.divided);
  ASSERT_EQ(cards.faces.size(), 6u);
  EXPECT_EQ(cards.faces[0].word.english, "2+3");
  EXPECT_TRUE(cards.faces[0].rgb.empty());
  EXPECT_EQ(cards.faces[1].word.english, "5");
  EXPECT_EQ(cards.faces[2].source, "colours.zip:Colours/images/green.jpg");
  EXPECT_EQ(cards.faces[2].name.english, "green");
  const std::vector<uint8_t> green = Pixel(cards.faces[2].rgb, 64, 64);
  EXPECT_TRUE(green[0] < 4 && green[1] > 251 && green[2] < 4);
  EXPECT_EQ(cards.faces[2].sound, std::vector<uint8_t>({'O', 'g', 'g', 'S', ' ', 's', 'o', 'u',
                                                         'n', 'd'}));
  // The SVG fits the face's width and sits in its middle.
  EXPECT_EQ(Pixel(cards.faces[4].rgb, 64, 64), (std::vector<uint8_t>{0, 0, 255}));
  EXPECT_EQ(Pixel(cards.faces[4].rgb, 64, 5), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(Pixel(cards.faces[4].rgb, 64, 122), (std::vector<uint8_t>{255, 255, 255}));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_TRUE(Mentions(problems, "pair 4: picture Colours/images/gone.png is missing (skipped)"));
  EXPECT_TRUE(Mentions(problems, "pair 5: a card has nothing on it (skipped)"));
}

TEST_F(DeckReadTest, SugarGameOfEqualPairsDealsOneCardPerPair) {
  std::string xml = "<memorize name='Same' equal_pairs='1'><pair achar='a' bchar='b'/>";
  for (int i = 1; i <= storage::kMaxDeckPairs; ++i)
    xml += "<pair achar='" + std::to_string(i) + "'/>";
  WriteArchive("same.zip", {{"game.xml", xml + "</memorize>"}});
  DeckCards cards;
  std::vector<std::string> problems;
  ASSERT_TRUE(storage::ReadDeck(storage::DeckSetsAt("same.zip").at(0), cards, problems));
  EXPECT_FALSE(cards.twoKinds);
  ASSERT_EQ(cards.faces.size(), std::size_t(storage::kMaxDeckPairs));
  EXPECT_EQ(cards.faces[1].word.english, "1");
  EXPECT_EQ(problems, std::vector<std::string>{"same.zip: only the first 200 pairs are played"});
}

const std::string kTheme =
    "<?xml version='1.0' encoding='UTF-8'?><pairs xmlns='http://edu.kde.org/game'>"
    "<title>Colours</title><title lang='de'>Farben</title><image type='back' src='wide.svg'/>"
    "<element><image src='green.jpg'/><image src='pictures/wide.svg'/>"
    "<word lang='any'>green</word><word lang='de'>grün</word><sound src='green.ogg' lang='any'/>"
    "</element>"
    "<element><image src='green.jpg'/><word lang='en'>leaf</word></element>"
    "<element><image src='../green.jpg'/><image src='green.jpg'/></element></pairs>";

TEST_F(DeckReadTest, KdeThemeOffersEachGameItsElementsFill) {
  WriteArchive("colours.pairs.tar.bz2",
               {{"colours.game", kTheme}, {"green.jpg", GreenJpeg()},
                {"pictures/wide.svg", kWideSvg}, {"green.ogg", "OggS"}});
  const std::vector<PictureSetInfo> sets = storage::DeckSetsAt("colours.pairs.tar.bz2");
  ASSERT_EQ(sets.size(), 4u);
  const std::string path = (directory_ / "colours.pairs.tar.bz2").string();
  EXPECT_EQ(sets[0].key, path + "#samePicture");
  EXPECT_EQ(sets[1].key, path + "#twoPictures");
  EXPECT_EQ(sets[2].key, path + "#pictureAndWord");
  EXPECT_EQ(sets[3].key, path + "#pictureAndSound");
  EXPECT_EQ(sets[2].name.english, "Colours");
  EXPECT_EQ(sets[2].name.In("de"), "Farben");
  EXPECT_EQ(sets[0].pictureCount, 3);
  EXPECT_EQ(sets[1].pictureCount, 2);
  EXPECT_EQ(sets[2].pictureCount, 2);
  EXPECT_EQ(sets[3].pictureCount, 1);

  std::vector<DeckCards> games(4);
  std::vector<std::string> problems;
  for (std::size_t i = 0; i < 4; ++i) ASSERT_TRUE(storage::ReadDeck(sets[i], games[i], problems));
  EXPECT_FALSE(games[0].twoKinds);
  EXPECT_EQ(games[0].faces.size(), 2u);
  EXPECT_EQ(games[0].faces[0].name.In("de"), "grün");
  ASSERT_EQ(games[1].faces.size(), 2u);  // the element with an image outside is skipped
  EXPECT_EQ(Pixel(games[1].faces[1].rgb, 64, 64), (std::vector<uint8_t>{0, 0, 255}));
  ASSERT_EQ(games[2].faces.size(), 4u);
  EXPECT_TRUE(games[2].faces[1].rgb.empty());
  EXPECT_EQ(games[2].faces[1].word.english, "green");
  EXPECT_EQ(games[2].faces[1].word.In("de"), "grün");
  EXPECT_EQ(games[2].faces[3].word.In("de"), "leaf");
  ASSERT_EQ(games[3].faces.size(), 2u);
  EXPECT_TRUE(games[3].faces[1].rgb.empty());
  EXPECT_EQ(games[3].faces[1].sound.size(), 4u);
  EXPECT_TRUE(Mentions(problems, "element 3: picture ../green.jpg is outside the theme (skipped)"));
}

TEST_F(DeckReadTest, KdeThemeFolderNeverFollowsLinks) {
  std::filesystem::create_directories("theme/pictures");
  std::filesystem::create_directory("elsewhere");
  WriteText("theme/colours.game", kTheme);
  const std::string green = GreenJpeg();  // one string: two calls' iterators would not pair
  WriteBytes("elsewhere/green.jpg", std::vector<uint8_t>(green.begin(), green.end()));
  std::filesystem::create_symlink(directory_ / "elsewhere/green.jpg", "theme/green.jpg");
  std::filesystem::create_directory_symlink(directory_ / "elsewhere", "theme/pictures/out");
  WriteText("theme/pictures/wide.svg", kWideSvg);
  const std::vector<PictureSetInfo> sets = storage::DeckSetsAt("theme");
  ASSERT_EQ(sets.size(), 4u);
  DeckCards cards;
  std::vector<std::string> problems;
  EXPECT_FALSE(storage::ReadDeck(sets[1], cards, problems));
  EXPECT_TRUE(Mentions(problems, "theme: green.jpg is a link or a device, not a file (left out)"));
  EXPECT_TRUE(Mentions(problems, "theme: pictures/out is a link or a device"));
  EXPECT_TRUE(Mentions(problems, "element 1: picture green.jpg is missing (skipped)"));
  EXPECT_EQ(problems.back(), "theme: holds no pair that can be played");
}

TEST_F(DeckReadTest, HostileDecksAreRefusedWithOneLine) {
  const std::string game = "<memorize><pair achar='a' bchar='b'/></memorize>";
  const std::string zeros16(std::size_t(storage::kMaxDeckEntryBytes) + 1, '\0');
  std::vector<Entry> many{{"game.xml", game}};
  for (int i = 0; i < storage::kMaxDeckEntries; ++i) many.push_back({"f" + std::to_string(i), "x"});
  std::vector<Entry> large{{"game.xml", game}};
  for (int i = 0; i < 5; ++i) large.push_back({"f" + std::to_string(i), zeros16.substr(1 << 20)});
  std::string deep = "<memorize><pair achar='a' bchar='b'/>";
  for (int i = 0; i < storage::kMaxDeckXmlDepth; ++i) deep += "<x>";
  for (int i = 0; i < storage::kMaxDeckXmlDepth; ++i) deep += "</x>";
  const struct {
    const char* file;
    std::vector<Entry> entries;
    const char* line;
  } cases[] = {
      {"up.zip", {{"game.xml", game}, {"../x.png", "x"}}, "named \"../x.png\", outside the deck"},
      {"root.zip", {{"game.xml", game}, {"/etc/x.png", "x"}}, "outside the deck"},
      {"long.zip", {{"game.xml", game}, {std::string(256, 'n'), "x"}}, "longer than 255 bytes"},
      {"many.zip", many, "holds more than 2000 files"},
      {"big.tar.bz2", {{"game.xml", game}, {"big", zeros16}}, "big unpacks to more than 16 MiB"},
      {"big.zip", {{"game.xml", game}, {"big", zeros16}}, "big unpacks to more than 16 MiB"},
      {"total.zip", large, "unpacks to more than 64 MiB"},
      {"dtd.zip", {{"game.xml", "<!DOCTYPE m SYSTEM 'file:///etc/passwd'><memorize/>"}}, "DOCTYPE"},
      {"laughs.zip",
       {{"game.xml", "<?xml version='1.0'?><!DOCTYPE m [<!ENTITY a 'aaaa'><!ENTITY b '&a;&a;'>]>"
                     "<memorize name='&b;'/>"}},
       "DOCTYPE"},
      {"utf7.zip",
       {{"game.xml", "<?xml version='1.0' encoding='UTF-7'?>+ADw-+ACE-DOCTYPE m+AD4-<memorize/>"}},
       "not well-formed"},
      {"deep.zip", {{"game.xml", deep + "</memorize>"}}, "nests elements deeper than 32"},
      {"huge.zip", {{"game.xml", "<memorize>" + std::string(1 << 20, ' ') + "</memorize>"}},
       "larger than 1 MiB of XML"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.file);
    WriteArchive(item.file, item.entries);
    PictureSetInfo set;
    set.kind = storage::SetKind::deck;
    set.deckFormat = storage::DeckFormat::sugar;
    set.paths = {item.file};
    DeckCards cards;
    std::vector<std::string> problems;
    EXPECT_FALSE(storage::ReadDeck(set, cards, problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(item.line), std::string::npos) << problems[0];
  }
  WriteArchive("link.zip", {{"game.xml", game}, {"l", "", AE_IFLNK, "/etc/passwd"}});
  std::vector<std::string> problems;
  storage::DeckFiles files;
  EXPECT_TRUE(storage::ReadDeckFiles("link.zip", [](std::string_view) { return true; }, files,
                                     problems));
  EXPECT_EQ(files.names, std::vector<std::string>{"game.xml"});
  EXPECT_EQ(problems, std::vector<std::string>{
                          "link.zip: l is a link or a device, not a file (left out)"});
}

TEST_F(DeckReadTest, SvgsReachingOutsideOrOfNoSaneSizeAreRefused) {
  const std::string open = "<svg xmlns='http://www.w3.org/2000/svg' "
                           "xmlns:xlink='http://www.w3.org/1999/xlink' width='10' height='10'>";
  const struct {
    std::string svg;
    const char* line;
  } cases[] = {
      {open + "<image href='secret.png' width='10' height='10'/></svg>", "\"secret.png\""},
      {open + "<use xlink:href='file:///etc/passwd#x'/></svg>", "\"file:///etc/passwd#x\""},
      {open + "<rect style='fill:url(other.svg#p)'/></svg>", "outside it"},
      {open + "<style>@import 'a.css';</style></svg>", "outside it"},
      {"<?xml-stylesheet href='a.css'?>" + open + "</svg>", "processing instruction"},
      {"<svg xmlns='http://www.w3.org/2000/svg' width='1e9' height='10'/>", "impossible size"},
      {open + "<rect", "not well-formed"},
      {open + std::string(storage::kMaxDeckSvgBytes, ' ') + "</svg>", "larger than 1 MiB"},
      {"<html/>", "not an SVG"},
  };
  for (const auto& item : cases) {
    std::vector<uint8_t> rgb;
    std::string problem;
    EXPECT_FALSE(storage::SvgToFace(std::vector<uint8_t>(item.svg.begin(), item.svg.end()), rgb,
                                    problem));
    EXPECT_NE(problem.find(item.line), std::string::npos) << item.svg.substr(0, 80) << problem;
  }
  const std::string inside =
      open + "<defs><rect id='r' width='10' height='10' fill='#f00'/></defs><use href='#r'/></svg>";
  std::vector<uint8_t> rgb;
  std::string problem;
  ASSERT_TRUE(storage::SvgToFace(std::vector<uint8_t>(inside.begin(), inside.end()), rgb, problem))
      << problem;
  EXPECT_EQ(Pixel(rgb, 64, 64), (std::vector<uint8_t>{255, 0, 0}));
}

}  // namespace
