// Bitmap text: pixel-exact glyphs of the 14-pixel strike at the raster position, in the given
// colour, and the GL state every call leaves behind.
#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string_view>

#include "game/menu_looks.h"
#include "gl_context.h"
#include "render/render_local.h"
#include "render/text_local.h"

namespace {

using namespace gl_test;

// 中g: a full-height ideograph and a letter reaching below the baseline.
constexpr char kSample[] = "中g";
constexpr int32_t kSampleBytes = 4;

// A position whose window coordinates are well away from a pixel boundary.
constexpr float kX = 0.05f, kY = 0.05f;

class TextTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    render::CreateTextFont();
    ASSERT_NE(render::textFont.fontHandle, nullptr) << "the test machine has no WenQuanYi font";
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  // The lower-left corner of the text cell in window pixels.
  static void CellOrigin(float x, float y, int& ox, int& oy) {
    const WindowPoint p = Project(x, y, -10.0);
    ox = static_cast<int>(std::floor(p.x));
    oy = static_cast<int>(std::floor(p.y));
  }
  static bool Black(const std::vector<uint8_t>& frame) {
    return std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
  }
};

// The font's own rendering of a text, opened independently: lit[row from top][column].
struct ReferenceText {
  int width = 0, height = 0;
  std::vector<std::vector<bool>> lit;
};

// At `scale` 2 the outline at 28 pixels, in the strike's cell twice as large.
ReferenceText RenderReference(const std::u32string& text, int scale = 1) {
  const render::FontSource source = render::SourceOf(*render::textFont.fontHandle);
  FT_Library library;
  FT_Face face;
  EXPECT_EQ(FT_Init_FreeType(&library), 0);
  EXPECT_EQ(FT_New_Face(library, source.path.c_str(), source.faceIndex, &face), 0);
  EXPECT_EQ(FT_Select_Size(face, source.strikeIndex), 0);
  EXPECT_EQ((face->available_sizes[source.strikeIndex].y_ppem + 32) >> 6, 14);
  const int ascent = scale * static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  ReferenceText ref;
  ref.height = ascent + scale * static_cast<int>((-face->size->metrics.descender + 63) >> 6);
  if (scale != 1) {
    EXPECT_EQ(FT_Set_Pixel_Sizes(face, 0, 14 * scale), 0);
  }
  for (char32_t c : text) {
    FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
    ref.width += static_cast<int>(face->glyph->advance.x >> 6);
  }
  ref.lit.assign(ref.height, std::vector<bool>(ref.width, false));
  int pen = 0;
  for (char32_t c : text) {
    FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
    const FT_Bitmap& b = face->glyph->bitmap;
    for (unsigned y = 0; y < b.rows; ++y)
      for (unsigned x = 0; x < b.width; ++x)
        if ((b.buffer[y * b.pitch + x / 8] >> (7 - x % 8)) & 1) {
          const int row = ascent - face->glyph->bitmap_top + static_cast<int>(y);
          const int column = pen + face->glyph->bitmap_left + static_cast<int>(x);
          if (row >= 0 && row < ref.height && column >= 0 && column < ref.width)
            ref.lit[row][column] = true;
        }
    pen += static_cast<int>(face->glyph->advance.x >> 6);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return ref;
}

TEST_F(TextTest, GlyphsAreDrawnUprightPixelForPixelAboveAndRightOfThePosition) {
  const ReferenceText ref = RenderReference(U"\u4e2dg");
  ASSERT_GT(ref.width, 0);
  render::DrawText3D(kSampleBytes, kSample, kX, kY, 1.0f, 0.5f, 0.0f);
  int ox = 0, oy = 0;
  CellOrigin(kX, kY, ox, oy);
  int litCount = 0;
  // The cell and a margin of 40 pixels around it (covering the 32-bit row padding).
  for (int wy = oy - 40; wy < oy + ref.height + 40; ++wy)
    for (int wx = ox - 40; wx < ox + ref.width + 40; ++wx) {
      const int row = oy + ref.height - 1 - wy;  // from the top of the cell
      const int column = wx - ox;
      const bool expected = row >= 0 && row < ref.height && column >= 0 && column < ref.width &&
                            ref.lit[row][column];
      const Rgb pixel = PixelAt(wx, wy);
      if (expected) {
        ++litCount;
        EXPECT_TRUE(Near(pixel, {255, 128, 0}, 2)) << "(" << wx << ", " << wy << ")";
      } else {
        EXPECT_EQ(pixel, Rgb{}) << "(" << wx << ", " << wy << ")";
      }
    }
  EXPECT_GT(litCount, 40);
  // The ideograph's top row is the cell's second or so, and the descender reaches below the
  // baseline: the glyph is not upside down.
  int topRow = ref.height, bottomRow = -1;
  for (int row = 0; row < ref.height; ++row)
    for (bool b : ref.lit[row])
      if (b) topRow = std::min(topRow, row), bottomRow = std::max(bottomRow, row);
  EXPECT_LT(topRow, 4);
  EXPECT_GT(bottomRow, ref.height - 6);
}

TEST_F(TextTest, RowsArePaddedTo32BitsWithZeroBits) {
  const render::TextBitmap bitmap = render::RenderText(*render::textFont.fontHandle, "Ag", 2);
  ASSERT_GT(bitmap.width, 0);
  EXPECT_EQ(bitmap.rowBits, 32);
  EXPECT_EQ(bitmap.bits.size(), static_cast<std::size_t>(bitmap.height) * 4);
  for (int row = 0; row < bitmap.height; ++row)
    for (int column = bitmap.width; column < bitmap.rowBits; ++column)
      EXPECT_EQ((bitmap.bits[row * 4 + column / 8] >> (7 - column % 8)) & 1, 0);
  // The start of the loading message: wider than 32 pixels, still a multiple of 32.
  const render::TextBitmap wide =
      render::RenderText(*render::textFont.fontHandle, "数据加载中......", 21);
  EXPECT_GT(wide.width, 32);
  EXPECT_EQ(wide.rowBits % 32, 0);
  EXPECT_LT(wide.rowBits - wide.width, 32);
}

TEST_F(TextTest, EveryCallLeavesTheSameStateBehind) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1.0f, 2.0f, -3.0f);
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  GLint stackBefore = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackBefore);

  render::DrawText3D(kSampleBytes, kSample, kX, kY, 0.25f, 0.5f, 0.75f);

  GLfloat matrix[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  GLint stackAfter = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackAfter);
  EXPECT_EQ(stackAfter, stackBefore);
  GLfloat colour[4], rasterColour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_CURRENT_RASTER_COLOR, rasterColour);
  const GLfloat expected[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(colour[i], expected[i]);
    EXPECT_FLOAT_EQ(rasterColour[i], expected[i]);  // the colour came before the position
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint source = 0, destination = 0, alignment = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(source, GL_ONE);
  EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(alignment, 1);

  // And what was off stays off, but depth testing, which is always on afterwards.
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  render::DrawText3D(kSampleBytes, kSample, kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(TextTest, NothingIsDrawnForAnEmptyTextOrAStartOutsideTheView) {
  for (float x : {100.0f, -6.0f, 5.6f}) {
    render::DrawText3D(kSampleBytes, kSample, x, kY, 1.0f, 1.0f, 1.0f);
    GLint valid = GL_TRUE;
    glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    EXPECT_EQ(valid, GL_FALSE) << x;
  }
  render::DrawText3D(0, kSample, kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_TRUE(Black(ReadFrame()));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(TextTest, TheColourIsAddedToTheFrameUnderAdditiveBlending) {
  glClearColor(0.25f, 0.25f, 0.25f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawText3D(kSampleBytes, kSample, kX, kY, 0.5f, 0.0f, 0.0f);
  int ox = 0, oy = 0;
  CellOrigin(kX, kY, ox, oy);
  bool sawText = false;
  for (int wy = oy; wy < oy + 19; ++wy)
    for (int wx = ox; wx < ox + 14; ++wx) {
      const Rgb pixel = PixelAt(wx, wy);
      if (pixel == Rgb{64, 64, 64}) continue;
      EXPECT_TRUE(Near(pixel, {64 + 128, 64, 64}, 2)) << ToString(pixel);
      sawText = true;
    }
  EXPECT_TRUE(sawText);
}

TEST_F(TextTest, ACachedTextDrawsExactlyWhatAFreshRenderDraws) {
  render::FontFace& face = *render::textFont.fontHandle;
  const char text[] = "缓存 cache 42";
  const int32_t bytes = sizeof text - 1;
  render::DrawText3D(bytes, text, kX, kY, 1.0f, 1.0f, 1.0f);
  const auto first = ReadFrame();
  const int64_t renders = render::TextRenderCount(face);

  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawText3D(bytes, text, kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(render::TextRenderCount(face), renders);  // served from the cache
  EXPECT_EQ(ReadFrame(), first);

  // A font with an empty cache renders it anew, to the same pixels.
  render::FontFace* fresh = render::OpenFontFace();
  ASSERT_NE(fresh, nullptr);
  render::textFont.fontHandle = fresh;
  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawText3D(bytes, text, kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(render::TextRenderCount(*fresh), 1);
  EXPECT_EQ(ReadFrame(), first);
  render::textFont.fontHandle = &face;
  render::CloseFontFace(fresh);
}

// A frame drawn twice the picture's size: the outline's 28-pixel glyphs in a cell twice as
// high, cached apart from the strike's texts, measured in the picture's pixels.
TEST_F(TextTest, AtScaleTwoTheTextIsTheOutlineAt28PixelsCachedApart) {
  render::FontFace& face = *render::textFont.fontHandle;
  const ReferenceText ref = RenderReference(U"\u4e2dg", 2);
  const render::TextBitmap bitmap = render::RenderText(face, kSample, kSampleBytes, 2.0f);
  ASSERT_EQ(bitmap.height, ref.height);
  ASSERT_EQ(bitmap.width, ref.width);
  for (int row = 0; row < ref.height; ++row)
    for (int column = 0; column < ref.width; ++column) {
      const int fromBottom = ref.height - 1 - row;
      const char byte = bitmap.bits[fromBottom * (bitmap.rowBits / 8) + column / 8];
      ASSERT_EQ(((byte >> (7 - column % 8)) & 1) != 0, ref.lit[row][column]) << row << "," << column;
    }

  const std::string_view text = "缓存 42";
  const int small = render::TextWidthPixels(text);
  render::SetFrameScale(2.0f);
  const int64_t renders = render::TextRenderCount(face);
  const int large = render::TextWidthPixels(text);
  EXPECT_EQ(render::TextRenderCount(face), renders + 1);
  EXPECT_NEAR(large, small, small / 5);
  render::SetFrameScale(1.0f);
  EXPECT_EQ(render::TextWidthPixels(text), small);
  EXPECT_EQ(render::TextRenderCount(face), renders + 1);  // both sizes still cached
}

TEST_F(TextTest, TheCacheStaysBoundedAndKeepsRecentTexts) {
  render::FontFace& face = *render::textFont.fontHandle;
  char text[8];
  for (int i = 0; i < 200; ++i) {
    const int n = std::snprintf(text, sizeof text, "%d", i);
    render::DrawText3D(n, text, kX, kY, 1.0f, 1.0f, 1.0f);
  }
  EXPECT_LE(render::CachedTextCount(face), 64);
  const int64_t renders = render::TextRenderCount(face);
  render::DrawText3D(3, "199", kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(render::TextRenderCount(face), renders);
}

TEST_F(TextTest, BytesThatAreNotUtf8BecomeTheReplacementAndNothingPastTheCountIsRead) {
  render::FontFace& face = *render::textFont.fontHandle;
  // Exactly one byte on the heap: the lead byte of 你, whose other two bytes are not there.
  auto cut = std::make_unique<char[]>(1);
  cut[0] = '\xe4';
  const render::TextBitmap replaced = render::RenderText(face, cut.get(), 1);
  EXPECT_GT(replaced.width, 0);
  const render::TextBitmap invalid = render::RenderText(face, "\xff", 1);
  EXPECT_EQ(replaced.bits, invalid.bits);
  EXPECT_EQ(replaced.width, invalid.width);
  // Around a bad byte the good characters stay.
  const render::TextBitmap mixed = render::RenderText(face, "A\xff" "B", 3);
  const render::TextBitmap good = render::RenderText(face, "AB", 2);
  EXPECT_EQ(mixed.width, good.width + invalid.width);
  render::DrawText3D(1, cut.get(), kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_FALSE(Black(ReadFrame()));
}

TEST_F(TextTest, WithoutAFontTextsAreSkippedButTheStateIsTheSame) {
  render::FontFace* face = render::textFont.fontHandle;
  render::textFont.fontHandle = nullptr;
  glDisable(GL_DEPTH_TEST);
  render::DrawText3D(kSampleBytes, kSample, kX, kY, 0.0f, 1.0f, 0.0f);
  render::textFont.fontHandle = face;
  EXPECT_TRUE(Black(ReadFrame()));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[1], 1.0f);
  EXPECT_FLOAT_EQ(colour[0], 0.0f);
}

// A deck's cards made pictures: a word big and centred on plain paper whatever its script (a
// long one smaller, still whole), a picture keeping its pixels above its word band, a speaker
// for a sound alone.
TEST_F(TextTest, ACardsWordIsDrawnBigAndWholeOnPlainPaperAndAPictureKeepsItsPixels) {
  constexpr int kSide = storage::kFacePixels;
  // Ink rows and columns of a composed card (bottom row first), and whether its corners are
  // paper.
  struct Ink {
    int left = kSide, right = -1, top = kSide, bottom = -1;
    bool paperCorners = true;
  };
  const auto inkOf = [](const std::vector<uint8_t>& rgb) {
    Ink ink;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kSide + x) * 3];
        const bool corner = (x < 4 || x >= kSide - 4) && (y < 4 || y >= kSide - 4);
        if (corner && (p[0] < 240 || p[2] < 215)) ink.paperCorners = false;
        if (p[0] > 128) continue;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
      }
    return ink;
  };
  for (const char* word : {"5", "2+3", "Katze", "猫", "बिल्ली", "قطة", "a rather long word"}) {
    storage::FaceImage card;
    card.word.english = "cat";
    card.word.translations["de"] = word;
    const storage::FaceImage composed = render::ComposeCard(card, "de", "de");
    ASSERT_EQ(composed.rgb.size(), std::size_t{kSide} * kSide * 3);
    const Ink ink = inkOf(composed.rgb);
    EXPECT_TRUE(ink.paperCorners) << word;
    ASSERT_GE(ink.right, 0) << word << ": no ink";
    EXPECT_GE(ink.left, 4) << word << " reaches the card's edge";
    EXPECT_LE(ink.right, kSide - 5) << word;
    EXPECT_GE(ink.top, 4) << word;
    EXPECT_LE(ink.bottom, kSide - 5) << word;
    EXPECT_LE(std::abs((ink.left + ink.right) - (kSide - 1)), 6) << word << " is not centred";
    if (std::string_view(word).size() <= 3) {
      EXPECT_GE(ink.bottom - ink.top, 30) << word << " is not drawn big";
    }
  }

  storage::FaceImage picture;
  picture.rgb.assign(std::size_t{kSide} * kSide * 3, 0);
  for (std::size_t i = 0; i < picture.rgb.size(); ++i) picture.rgb[i] = static_cast<uint8_t>(i % 251);
  picture.word.english = "cat";
  EXPECT_TRUE(render::NeedsComposing(picture));
  const storage::FaceImage banded = render::ComposeCard(picture, "en", "en");
  // Rows bottom first: the band lies over the lowest rows, the rest is the picture's own.
  const std::size_t bandBytes = std::size_t{kSide} * 3 * 32;
  EXPECT_TRUE(std::equal(banded.rgb.begin() + bandBytes, banded.rgb.end(),
                         picture.rgb.begin() + bandBytes));
  EXPECT_NE(banded.rgb, picture.rgb);
  picture.word = {};
  EXPECT_FALSE(render::NeedsComposing(picture)) << "a plain picture stays as it is";

  storage::FaceImage sound;
  sound.sound = {1, 2, 3};
  const Ink speaker = inkOf(render::ComposeCard(sound, "en", "en").rgb);
  EXPECT_TRUE(speaker.paperCorners);
  EXPECT_GE(speaker.right - speaker.left, 50) << "no speaker drawn";
}

TEST(GLFontTest, TheRequestIsTheGamesOwn) {
  const render::GLFont font;
  EXPECT_EQ(font.height, -14);
  EXPECT_EQ(font.width, 0);
  EXPECT_EQ(font.italic, 0);
  EXPECT_EQ(font.underline, 0);
  EXPECT_EQ(font.strikeOut, 0);
  EXPECT_STREQ(font.faceName, "Terminal");
  EXPECT_EQ(font.fontHandle, nullptr);
}

// FreeType may hand over rows bottom-up: a negative pitch, the buffer at the bottom row.
TEST(GlyphPixelTest, ReadsRowsFromTheTopWhateverThePitchsSign) {
  // Three rows of one byte, top row 0x80, middle 0x00, bottom 0x01.
  unsigned char topDown[3] = {0x80, 0x00, 0x01};
  unsigned char bottomUp[3] = {0x01, 0x00, 0x80};
  for (bool negative : {false, true}) {
    SCOPED_TRACE(negative ? "negative pitch" : "positive pitch");
    FT_Bitmap glyph{};
    glyph.rows = 3;
    glyph.width = 8;
    glyph.pitch = negative ? -1 : 1;
    glyph.buffer = negative ? bottomUp : topDown;
    glyph.pixel_mode = FT_PIXEL_MODE_MONO;
    EXPECT_TRUE(render::GlyphPixel(glyph, 0, 0));
    EXPECT_FALSE(render::GlyphPixel(glyph, 7, 0));
    EXPECT_FALSE(render::GlyphPixel(glyph, 0, 1));
    EXPECT_TRUE(render::GlyphPixel(glyph, 7, 2));
    EXPECT_FALSE(render::GlyphPixel(glyph, 0, 2));
  }
}

// A machine without WenQuanYi's 14-pixel strikes: fontconfig made current with those faces
// rejected, then with no Chinese face at all.
class FontFallbackTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (previous_ != nullptr) {
      FcConfigSetCurrent(previous_);
      FcConfigDestroy(previous_);
    }
  }
  void UseConfig(const std::string& xml) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("tessary-fonts-" + std::to_string(::getpid()) +
                                                   ".conf")).string();
    std::ofstream(path) << xml;
    FcConfig* config = FcConfigCreate();
    ASSERT_TRUE(FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(path.c_str()),
                                     FcTrue));
    std::remove(path.c_str());
    ASSERT_TRUE(FcConfigBuildFonts(config));
    if (previous_ == nullptr) previous_ = FcConfigReference(nullptr);
    ASSERT_TRUE(FcConfigSetCurrent(config));
    FcConfigDestroy(config);  // the current configuration keeps its own reference
  }

 private:
  FcConfig* previous_ = nullptr;
};

constexpr const char* kRejectStrikes = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts/truetype/wqy</dir>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <selectfont><rejectfont>
    <pattern><patelt name="family"><string>WenQuanYi Zen Hei Sharp</string></patelt></pattern>
    <pattern><patelt name="family"><string>WenQuanYi Bitmap Song</string></patelt></pattern>
  </rejectfont></selectfont>
</fontconfig>
)";

constexpr const char* kOnlyLatin = R"(<?xml version="1.0"?>
<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir></fontconfig>
)";

TEST_F(FontFallbackTest, AnotherChineseFaceDrawsTheTextsScaledTo14Pixels) {
  UseConfig(kRejectStrikes);
  render::FontFace* face = render::OpenFontFace();
  ASSERT_NE(face, nullptr) << "no fallback although WenQuanYi Zen Hei covers Chinese";
  const render::FontSource source = render::SourceOf(*face);
  EXPECT_NE(source.path.find("wqy-zenhei"), std::string::npos) << source.path;
  EXPECT_EQ(source.strikeIndex, -1);
  // 中g and the digits of a score: nothing comes out empty.
  const render::TextBitmap text = render::RenderText(*face, kSample, kSampleBytes);
  const render::TextBitmap digits = render::RenderText(*face, "0123", 4);
  EXPECT_GT(text.width, 14);
  EXPECT_GT(digits.width, 0);
  EXPECT_NE(text.bits.find_first_not_of('\0'), std::string::npos);
  EXPECT_NE(digits.bits.find_first_not_of('\0'), std::string::npos);
  render::CloseFontFace(face);
}

TEST_F(FontFallbackTest, WithoutAnyChineseFaceThereIsNoFont) {
  UseConfig(kOnlyLatin);
  EXPECT_EQ(render::OpenFontFace(), nullptr);
}

// ---- Shaped texts: other scripts, sizes, rooms ----

// The installed file of a family, or empty.
std::string FileOfFamily(const char* family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_STYLE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  std::string file;
  for (int i = 0; fonts != nullptr && i < fonts->nfont && file.empty(); ++i) {
    FcChar8* path = nullptr;
    FcChar8* style = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_STYLE, 0, &style) == FcResultMatch &&
        std::string_view(reinterpret_cast<const char*>(style)) == "Regular" &&
        FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) == FcResultMatch)
      file = reinterpret_cast<const char*>(path);
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return file;
}

struct HbGlyph {
  unsigned glyph, cluster;
  int x, y;  // 26.6
};

// HarfBuzz's own shaping of a UTF-8 text with the face at file, 14 pixels, lightly hinted.
std::vector<HbGlyph> ShapeWithHarfBuzz(FT_Face face, const char* text) {
  hb_font_t* font = hb_ft_font_create_referenced(face);
  hb_ft_font_set_load_flags(font, FT_LOAD_TARGET_LIGHT);
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text, -1, 0, -1);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  std::vector<HbGlyph> glyphs;
  int pen = 0;
  for (unsigned i = 0; i < count; ++i) {
    glyphs.push_back({infos[i].codepoint, infos[i].cluster, pen + positions[i].x_offset,
                      positions[i].y_offset});
    pen += positions[i].x_advance;
  }
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  return glyphs;
}

// An Arabic word is joined and runs right to left: HarfBuzz puts its last letter first, in
// joined forms unlike the letters alone, and the frame shows exactly those glyphs where
// HarfBuzz places them, in 1 bit from a grey coverage of 96, around the strike's baseline.
TEST_F(TextTest, AnArabicWordIsDrawnJoinedAndRightToLeftWhereHarfBuzzPlacesItsGlyphs) {
  const std::string file = FileOfFamily("Noto Sans Arabic");
  if (file.empty()) GTEST_SKIP() << "Noto Sans Arabic is not installed";
  constexpr char kWord[] = "مرحبا";  // m, r, h, b, alif
  FT_Library library;
  FT_Face face;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  ASSERT_EQ(FT_New_Face(library, file.c_str(), 0, &face), 0);
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 14), 0);
  const std::vector<HbGlyph> word = ShapeWithHarfBuzz(face, kWord);
  ASSERT_EQ(word.size(), 5u);
  for (std::size_t i = 1; i < word.size(); ++i) EXPECT_LT(word[i].cluster, word[i - 1].cluster);
  int joined = 0;
  const char* letters[] = {"م", "ر", "ح", "ب", "ا"};
  for (std::size_t i = 0; i < word.size(); ++i) {
    const std::vector<HbGlyph> alone = ShapeWithHarfBuzz(face, letters[4 - i]);
    ASSERT_EQ(alone.size(), 1u);
    joined += alone[0].glyph != word[i].glyph;
  }
  EXPECT_GE(joined, 4);  // all but one letter change their form inside the word

  // The expectation: each glyph rendered at its place, in the game's cell.
  const render::FontSource primary = render::SourceOf(*render::textFont.fontHandle);
  FT_Face strike;
  ASSERT_EQ(FT_New_Face(library, primary.path.c_str(), primary.faceIndex, &strike), 0);
  ASSERT_EQ(FT_Select_Size(strike, primary.strikeIndex), 0);
  const int ascent = static_cast<int>((strike->size->metrics.ascender + 63) >> 6);
  const int cellHeight = ascent + static_cast<int>((-strike->size->metrics.descender + 63) >> 6);
  FT_Done_Face(strike);
  std::set<std::pair<int, int>> expected;  // (column, row from the cell's top)
  for (const HbGlyph& glyph : word) {
    ASSERT_EQ(FT_Load_Glyph(face, glyph.glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT), 0);
    const FT_Bitmap& image = face->glyph->bitmap;
    for (unsigned y = 0; y < image.rows; ++y)
      for (unsigned x = 0; x < image.width; ++x)
        if (image.buffer[y * image.pitch + x] >= 96)
          expected.insert({((glyph.x + 32) >> 6) + face->glyph->bitmap_left + static_cast<int>(x),
                           ascent - face->glyph->bitmap_top - ((glyph.y + 32) >> 6) +
                               static_cast<int>(y)});
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  ASSERT_GT(expected.size(), 20u);

  render::DrawText3D(sizeof kWord - 1, kWord, kX, kY, 1.0f, 1.0f, 1.0f);
  int ox = 0, oy = 0;
  CellOrigin(kX, kY, ox, oy);
  std::set<std::pair<int, int>> drawn;
  for (int wy = oy - 20; wy < oy + cellHeight + 20; ++wy)
    for (int wx = ox - 20; wx < ox + 80; ++wx)
      if (PixelAt(wx, wy) != Rgb{}) drawn.insert({wx - ox, oy + cellHeight - 1 - wy});
  EXPECT_EQ(drawn, expected);
}

// UAX #9 as the texts need it: digits and Latin inside Arabic keep their own order, the runs
// are laid out right to left; Arabic inside an English text runs right to left in its place.
TEST(BidiTest, NumbersAndLatinInsideArabicKeepTheirOrderAndRunsAreReordered) {
  EXPECT_EQ(render::VisualOrder({0, 1, 1, 2, 1, 0}), (std::vector<int>{0, 4, 3, 2, 1, 5}));
  EXPECT_EQ(render::VisualOrder({0, 0}), (std::vector<int>{0, 1}));
  EXPECT_EQ(render::VisualOrder({1, 2, 2, 1}), (std::vector<int>{3, 1, 2, 0}));

  // "سهل 42": the paragraph is right to left, the number a left-to-right island in it.
  const std::vector<uint8_t> levels = render::BidiLevels(U"\u0633\u0647\u0644 42", "ar");
  EXPECT_EQ(levels, (std::vector<uint8_t>{1, 1, 1, 1, 2, 2}));
  // An English paragraph stays at level 0 but for its Arabic word.
  EXPECT_EQ(render::BidiLevels(U"Hi \u0633\u0647\u0644!", "en"),
            (std::vector<uint8_t>{0, 0, 0, 1, 1, 1, 0}));
  EXPECT_EQ(render::BidiLevels(U"Hi 42", "de"), (std::vector<uint8_t>(5, 0)));

  render::CreateTextFont();
  ASSERT_NE(render::textFont.fontHandle, nullptr);
  render::FontFace& font = *render::textFont.fontHandle;
  // Where each code point's first glyph stands, by the code point.
  const auto placeOf = [](const render::ShapedText& text, char32_t code) {
    for (const render::ShapedGlyph& glyph : text.glyphs)
      if (glyph.code == code) return glyph.x;
    ADD_FAILURE() << "no glyph for U+" << std::hex << static_cast<unsigned>(code);
    return 0;
  };
  const render::ShapedText number =
      render::ShapeText(font, U"\u0633\u0647\u0644 42", 14, false, "ar");
  EXPECT_LT(placeOf(number, U'4'), placeOf(number, U'2'));
  EXPECT_LT(placeOf(number, U'2'), placeOf(number, U'\u0644'));
  EXPECT_LT(placeOf(number, U'\u0644'), placeOf(number, U'\u0633'));
  // "سهل Tessary!": the Latin word left of the Arabic one, in its own order; the final '!'
  // takes the paragraph's direction and stands at the far left.
  const render::ShapedText latin =
      render::ShapeText(font, U"\u0633\u0647\u0644 Tessary!", 14, false, "ar");
  EXPECT_LT(placeOf(latin, U'!'), placeOf(latin, U'T'));
  EXPECT_LT(placeOf(latin, U'T'), placeOf(latin, U'y'));
  EXPECT_LT(placeOf(latin, U'y'), placeOf(latin, U'\u0633'));
  for (const render::ShapedGlyph& glyph : latin.glyphs) EXPECT_NE(glyph.glyph, 0u);
}

// Scripts the primary face lacks come from fallback faces; a code point no face has is told.
TEST_F(TextTest, EveryScriptOfTheCataloguesFindsItsGlyphsAndAnUnknownOneIsTold) {
  EXPECT_FALSE(render::HasMissingGlyphs("中g 42"));
  EXPECT_TRUE(render::HasMissingGlyphs("\xf4\x8f\xbf\xbd"));  // U+10FFFD, private use
  if (FileOfFamily("Noto Sans Devanagari").empty() || FileOfFamily("Noto Sans CJK JP").empty())
    GTEST_SKIP() << "the Noto faces are not installed";
  render::FontFace& font = *render::textFont.fontHandle;
  for (const char* language : {"ar", "hi", "ja", "ko", "ru"})
    for (bool bold : {false, true}) {
      EXPECT_FALSE(render::HasMissingGlyphs(font, "مرحبا नमस्ते かんたん 쉬움 Выход", language, bold))
          << language << (bold ? " bold" : "");
    }
  // A Devanagari conjunct (क्ष) is one glyph, not its three code points.
  const std::vector<char32_t> codes = render::DecodeUtf8("क्ष");
  const render::ShapedText conjunct =
      render::ShapeText(font, std::u32string(codes.begin(), codes.end()), 14, false, "hi");
  EXPECT_LT(conjunct.glyphs.size(), 3u);
  // Cyrillic in its own face, not the primary face's full-width cells; Han and Latin in the
  // primary face.
  const render::ShapedText mixed =
      render::ShapeText(font, U"\u0412\u044b\u0445\u043e\u0434 A\u4e2d", 14, false, "ru");
  ASSERT_EQ(mixed.glyphs.size(), 8u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NE(mixed.glyphs[i].face, 0) << i;
  EXPECT_EQ(mixed.glyphs[6].face, 0);
  EXPECT_EQ(mixed.glyphs[7].face, 0);
}

// A text wider than its room is drawn smaller, never past the room; one that fits is drawn as
// DrawText3D draws it. A text of its own size is as sharp at any frame scale.
TEST_F(TextTest, ATextTooWideForItsRoomShrinksToItAndOneThatFitsIsUnchanged) {
  const std::string_view text = "Geschwindigkeit";
  const float width = render::TextWidth(text);
  ASSERT_GT(width, 0.0f);
  const render::Anchor fits{kX, kY, render::Align::left, width + 0.01f};
  render::DrawTextAt(text, fits, 1.0f, 1.0f, 1.0f);
  const auto fitted = ReadFrame();
  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawText3D(static_cast<int32_t>(text.size()), text.data(), kX, kY, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(ReadFrame(), fitted);

  glClear(GL_COLOR_BUFFER_BIT);
  const float room = width * 0.6f;
  render::DrawTextAt(text, {kX, kY, render::Align::left, room}, 1.0f, 1.0f, 1.0f);
  int ox = 0, oy = 0;
  CellOrigin(kX, kY, ox, oy);
  const int roomPixels = static_cast<int>(room / render::kTextUnitsPerPixel);
  int rightmost = -1;
  for (int wy = oy - 10; wy < oy + 30; ++wy)
    for (int wx = ox - 10; wx < ox + 400; ++wx)
      if (PixelAt(wx, wy) != Rgb{}) rightmost = std::max(rightmost, wx - ox);
  EXPECT_GT(rightmost, roomPixels / 2);
  EXPECT_LT(rightmost, roomPixels + 1);
  const render::TextStyle shrunk = render::FitStyle(text, {}, room);
  EXPECT_LT(shrunk.pixels, 14);
  EXPECT_LE(render::TextWidth(text, shrunk), room);

  // Twice the size is about twice as wide, measured alike at frame scale 2.
  const render::TextStyle large{28, false};
  const int at1 = render::TextWidthPixels(text, large);
  EXPECT_NEAR(at1, 2 * render::TextWidthPixels(text), at1 / 6);
  render::SetFrameScale(2.0f);
  EXPECT_NEAR(render::TextWidthPixels(text, large), at1, at1 / 20 + 1);
  render::SetFrameScale(1.0f);

  // Lines too long for a place of several break at spaces; a word wider than the room (a script
  // without spaces) between its characters, never inside one.
  const render::TextStyle rule{};
  const float line = render::TextWidth("Zwei gleiche Bilder", rule);
  for (const std::string_view words :
       {std::string_view("Zwei gleiche Bilder verschwinden als Paar"),
        std::string_view("メニューで3回押すと終了します、メニューで3回押すと終了します")}) {
    const std::vector<std::string> lines = render::WrapText(words, line, rule);
    ASSERT_GE(lines.size(), 2u) << words;
    std::string joined;
    for (const std::string& part : lines) {
      EXPECT_LE(render::TextWidth(part, rule), line) << part;
      EXPECT_FALSE(part.empty());
      const std::vector<char32_t> codes = render::DecodeUtf8(part);
      EXPECT_EQ(std::count(codes.begin(), codes.end(), U'\uFFFD'), 0) << "cut inside a character";
      joined += (joined.empty() || words.find(' ') == std::string_view::npos ? "" : " ") + part;
    }
    EXPECT_EQ(joined, words);
  }
  EXPECT_EQ(render::WrapText("Zwei gleiche", line, rule), std::vector<std::string>{"Zwei gleiche"});
}

// A label written over a label-less button stands inside the button's room, centred, in the
// button's accent mixed towards white (white when lit); one too long for the room is shrunk
// into it. A switch's label starts at the left of its room.
TEST_F(TextTest, AWrittenLabelStandsCentredInItsButtonsRoomInItsColour) {
  // The lit pixels' box in window pixels, and whether all have the colour.
  struct Ink {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
    bool coloured = true;
  };
  const auto inkOf = [](Rgb colour) {
    Ink ink;
    const std::vector<uint8_t> frame = ReadFrame();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t* rgb = &frame[(static_cast<std::size_t>(y) * kWidth + x) * 3];
        const Rgb pixel{rgb[0], rgb[1], rgb[2]};
        if (pixel == Rgb{}) continue;
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.bottom = std::min(ink.bottom, y), ink.top = std::max(ink.top, y);
        ink.coloured = ink.coloured && Near(pixel, colour, 3);
      }
    return ink;
  };
  const game::MenuPlace& easy = game::GetMenuControl(game::MenuName::easy).place;
  const WindowPoint low = Project(easy.x - easy.halfWidth, easy.y - easy.halfHeight, easy.z);
  const WindowPoint high = Project(easy.x + easy.halfWidth, easy.y + easy.halfHeight, easy.z);
  const game::LabelPlace room = game::ButtonLabelPlace(high.x - low.x, high.y - low.y, false);
  const auto mixed = [](int shift) {
    const double value = ((game::AccentOf(game::MenuName::easy) >> shift) & 0xff) / 255.0;
    return static_cast<int>(std::lround((value + (1 - value) * game::kLabelWhiteness) * 255));
  };

  render::DrawPictureLabel(game::MenuName::easy, "Leicht", easy, false);
  const Ink resting = inkOf({mixed(16), mixed(8), mixed(0)});
  ASSERT_GE(resting.right, 0);
  EXPECT_TRUE(resting.coloured);
  EXPECT_NEAR((resting.left + resting.right) / 2.0, (low.x + high.x) / 2.0, 3.0);
  EXPECT_GT(resting.bottom, low.y + 4);
  EXPECT_LT(resting.top, high.y - 4);
  // About the room's pixel size high (cap height and descender of a bold face).
  EXPECT_GT(resting.top - resting.bottom, room.pixelSize * 0.5);

  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawPictureLabel(game::MenuName::easy, "Leicht", easy, true);
  EXPECT_TRUE(inkOf({255, 255, 255}).coloured);

  glClear(GL_COLOR_BUFFER_BIT);
  render::DrawPictureLabel(game::MenuName::easy, "Schwierigkeitsstufe leicht", easy, false);
  const Ink shrunk = inkOf({mixed(16), mixed(8), mixed(0)});
  EXPECT_GE(shrunk.left, low.x + room.left - 1);
  EXPECT_LE(shrunk.right, low.x + room.left + room.width + 1);
  EXPECT_LT(shrunk.top - shrunk.bottom, resting.top - resting.bottom);

  glClear(GL_COLOR_BUFFER_BIT);
  const game::MenuPlace& sound = game::GetMenuControl(game::MenuName::sound).place;
  const WindowPoint soundLow = Project(sound.x - sound.halfWidth, sound.y, sound.z);
  const WindowPoint soundHigh = Project(sound.x + sound.halfWidth, sound.y, sound.z);
  const double soundHeight = sound.halfHeight / easy.halfHeight * (high.y - low.y);
  const game::LabelPlace switchRoom = game::SwitchLabelPlace(soundHigh.x - soundLow.x, soundHeight);
  render::DrawPictureLabel(game::MenuName::sound, "Klänge", sound, true);
  const Ink label = inkOf({255, 255, 255});
  EXPECT_NEAR(label.left, soundLow.x + switchRoom.left, 3.0);
  EXPECT_LE(label.right, soundLow.x + switchRoom.left + switchRoom.width + 1);
}

}  // namespace
