// The texts' rules that need no GL: the lookup by English source, UTF-8 decoding, anchors.
#include <gtest/gtest.h>

#include <memory>

#include "render/render_local.h"

namespace {

TEST(TextLookup, FindsTheLanguagesTextAndFallsBackToTheEnglishSource) {
  render::SetLanguage(game::Language::chinese);
  EXPECT_EQ(render::Tr("Not a text of the game"), "Not a text of the game")
      << "a text the catalogue lacks stays the source";
  EXPECT_EQ(render::Tr("Back"), "返回");
  EXPECT_EQ(render::Tr("Best score:"), "历史最高分:");
  EXPECT_EQ(render::Tr("Player %d"), "玩家 %d");
  EXPECT_EQ(render::FormatText(render::Tr(render::NewRecordFormat(3)), 3), "新纪录: 第3名");
  render::SetLanguage(game::Language::english);
  EXPECT_EQ(render::Tr("Best score:"), "Best score:");
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
           {"/data/pictures/zoo.px:box2.jpg", {}, {"Lion", {{"zh", "狮子"}}}},
           {"/data/pictures/zoo.px:box3.jpg", {}, {}}};
  state->shuffledFaces = true;
  for (int f = 0; f < 3; ++f) state->facePicture[f] = static_cast<int16_t>(2 - f);
  EXPECT_EQ(render::FaceName(*state, 2), "Summer holiday");
  EXPECT_EQ(render::FaceName(*state, 1), "狮子");
  EXPECT_EQ(render::FaceName(*state, 0), "box3") << "an unnamed face of a package";
  render::SetLanguage(game::Language::english);
  EXPECT_EQ(render::FaceName(*state, 1), "Lion");
  faces.clear();
  render::SetLanguage(game::Language::chinese);
}

TEST(TextLookup, EveryChineseFormatTakesWhatItsSourceTakes) {
  // A translation with other conversions than its source would read the wrong arguments.
  const auto conversions = [](std::string_view text) {
    std::string found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == '%') found += text[++i];
    return found;
  };
  for (const render::Translation& translation : render::kChineseTranslations)
    EXPECT_EQ(conversions(translation.text), conversions(translation.source))
        << translation.source;
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
