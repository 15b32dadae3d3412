// The texts' rules that need no GL: the lookup by English source, UTF-8 decoding, anchors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "render/render_local.h"

namespace {

// The texts' catalogues of this build, unless the caller names others.
const bool kLocaleFolderSet = ::setenv("TESSARY_LOCALE_DIR", TESSARY_TEST_LOCALE_DIR, 0) == 0;

TEST(TextLookup, FindsTheLanguagesTextAndFallsBackToTheEnglishSource) {
  render::SetLanguage(game::Language::chinese);
  EXPECT_EQ(render::Tr("Not a text of the game"), "Not a text of the game")
      << "a text the catalogue lacks stays the source";
  EXPECT_EQ(render::Tr("Back"), "返回");
  EXPECT_EQ(render::Tr("Best score:"), "历史最高分:");
  EXPECT_EQ(render::Tr("Player %d"), "玩家 %d");
  EXPECT_EQ(render::FormatText(render::Tr(render::NewRecordFormat(3)), 3), "新纪录: 第3名");
  // Any language at once, whatever locales the system has; plurals by its own rule.
  render::SetLanguage(*game::LanguageOfCode("de"));
  EXPECT_EQ(render::Tr("Back"), "Zurück");
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 1), "%d Paar");
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 3), "%d Paare");
  render::SetLanguage(*game::LanguageOfCode("ru"));
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 21), "%d пара");
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 3), "%d пары");
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 11), "%d пар");
  render::SetLanguage(*game::LanguageOfCode("zh_TW"));
  EXPECT_EQ(render::Tr("Back"), "返回");
  EXPECT_EQ(render::Tr("Language"), "語言");
  render::SetLanguage(game::Language::chinese);
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 1), "%d 对");
  EXPECT_EQ(render::Trn("Not a text", "Not texts", 2), "Not texts");
  render::SetLanguage(game::Language::english);
  EXPECT_EQ(render::Tr("Best score:"), "Best score:");
  EXPECT_EQ(render::Trn("%d pair", "%d pairs", 1), "%d pair");
  EXPECT_EQ(render::FormatText(render::Tr(render::NewRecordFormat(3)), 3), "New record: 3rd");
  EXPECT_EQ(render::FormatText(render::NewRecordFormat(12), 12), "New record: 12th");
  EXPECT_EQ(render::FormatText(render::NewRecordFormat(22), 22), "New record: 22nd");
  render::SetLanguage(game::Language::chinese);
}

TEST(FaceNames, NameEveryFaceInTheLanguageFromTheClassicTableTheManifestOrTheFile) {
  auto state = std::make_unique<game::GameState>();
  render::SetLanguage(game::Language::english);
  EXPECT_EQ(render::FaceName(*state, 0), "Apple");
  EXPECT_EQ(render::FaceName(*state, 9), "Rocket");
  EXPECT_EQ(render::FaceName(*state, 10), "") << "no face 10";
  render::SetLanguage(game::Language::chinese);
  EXPECT_EQ(render::FaceName(*state, 1), "星星");

  // A set: face f shows the deal's picture facePicture[f].
  std::vector<storage::FaceImage>& faces = render::TheAssets().setFaces;
  faces = {{"/home/ann/photos/Summer holiday.jpeg", {}, {}},
           {"/data/pictures/zoo.px:box2.jpg", {}, {"Lion", {{"zh", "狮子"}, {"zh_TW", "獅子"}}}},
           {"/data/pictures/zoo.px:box3.jpg", {}, {}}};
  state->shuffledFaces = true;
  for (int f = 0; f < 3; ++f) state->facePicture[f] = static_cast<int16_t>(2 - f);
  EXPECT_EQ(render::FaceName(*state, 2), "Summer holiday");
  EXPECT_EQ(render::FaceName(*state, 1), "狮子");
  EXPECT_EQ(render::FaceName(*state, 0), "box3") << "an unnamed face of a package";
  render::SetLanguage(*game::LanguageOfCode("zh_TW"));
  EXPECT_EQ(render::FaceName(*state, 1), "獅子") << "the exact code before the language's";
  render::SetLanguage(*game::LanguageOfCode("de"));
  EXPECT_EQ(render::FaceName(*state, 1), "Lion") << "no German name: the English one";
  render::SetLanguage(game::Language::english);
  EXPECT_EQ(render::FaceName(*state, 1), "Lion");
  faces.clear();
  render::SetLanguage(game::Language::chinese);
}

TEST(TextLookup, ABrokenCatalogueLeavesTheTextsInEnglishWithOneLine) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tessary-locale-" + std::to_string(::getpid()));
  const std::filesystem::path built = std::getenv("TESSARY_LOCALE_DIR");
  std::ifstream in(built / "de/LC_MESSAGES/tessary.mo", std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(whole.size(), 1000u);
  std::string corrupt = whole;
  const auto originals = static_cast<unsigned char>(whole[12]);  // the table of msgids
  corrupt[originals + 7u] = '\x7f';  // the first msgid's offset far past the end
  const std::string garbage(whole.size(), 'x');
  // Missing, truncated (strings cut off), corrupt, not a catalogue: each its own language.
  const std::pair<const char*, std::optional<std::string>> kCases[] = {
      {"fr", std::nullopt}, {"de", whole.substr(0, whole.size() / 2)}, {"es", corrupt},
      {"it", garbage}};
  ::setenv("TESSARY_LOCALE_DIR", folder.c_str(), 1);
  for (const auto& [code, content] : kCases) {
    if (content) {
      std::filesystem::create_directories(folder / code / "LC_MESSAGES");
      std::ofstream(folder / code / "LC_MESSAGES/tessary.mo", std::ios::binary) << *content;
    }
    testing::internal::CaptureStderr();
    render::SetLanguage(*game::LanguageOfCode(code));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << code << ": " << said;
    EXPECT_EQ(render::CurrentLanguage(), game::Language::english) << code;
    EXPECT_EQ(render::Tr("Back"), "Back") << code;
  }
  ::setenv("TESSARY_LOCALE_DIR", built.c_str(), 1);
  std::filesystem::remove_all(folder);
  render::SetLanguage(game::Language::chinese);
  EXPECT_EQ(render::Tr("Back"), "返回");
}

TEST(Utf8Decoding, DecodesWellFormedTextAndReplacesEachBadByte) {
  EXPECT_EQ(render::DecodeUtf8("A中😀", U'?'), (std::vector<char32_t>{U'A', U'中', U'😀'}));
  EXPECT_EQ(render::DecodeUtf8(""), std::vector<char32_t>{});
  // A stray continuation, a lead byte never used, an overlong '/', a surrogate, past U+10FFFF.
  EXPECT_EQ(render::DecodeUtf8("\x80" "a\xff", U'?'), (std::vector<char32_t>{U'?', U'a', U'?'}));
  EXPECT_EQ(render::DecodeUtf8("\xc0\xaf", U'?'), (std::vector<char32_t>{U'?', U'?'}));
  EXPECT_EQ(render::DecodeUtf8("\xe0\x80\xaf", U'?').front(), U'?');
  EXPECT_EQ(render::DecodeUtf8("\xed\xa0\x80", U'?').front(), U'?');
  EXPECT_EQ(render::DecodeUtf8("\xf4\x90\x80\x80", U'?').front(), U'?');
  // Cut short at the end: nothing past the text is read (the view ends inside 中).
  const std::string whole = "x中";
  EXPECT_EQ(render::DecodeUtf8(std::string_view(whole).substr(0, 3), U'?'),
            (std::vector<char32_t>{U'x', U'?', U'?'}));
  // A character broken off by an ASCII byte keeps the ASCII byte.
  EXPECT_EQ(render::DecodeUtf8("\xe4\xb8" "B", U'?'),
            (std::vector<char32_t>{U'?', U'?', U'B'}));
}

TEST(Anchors, PlaceTheLeftEndTheCentreOrTheRightEndOnThePoint) {
  // Without a font the widths are the font's cells: 7 pixels for ASCII, 14 for others.
  ASSERT_EQ(render::textFont.fontHandle, nullptr);
  EXPECT_EQ(render::TextWidthPixels("ab中"), 28);
  const float width = 28 * render::kTextUnitsPerPixel;
  EXPECT_FLOAT_EQ(render::StartOf("ab中", {1.0f, 0.0f, render::Align::left}), 1.0f);
  EXPECT_FLOAT_EQ(render::StartOf("ab中", {1.0f, 0.0f, render::Align::centre}), 1.0f - width / 2);
  EXPECT_FLOAT_EQ(render::StartOf("ab中", {1.0f, 0.0f, render::Align::right}), 1.0f - width);
  EXPECT_FLOAT_EQ(render::StartOf("", {1.0f, 0.0f, render::Align::right}), 1.0f);
}

}  // namespace
