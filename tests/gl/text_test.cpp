// Bitmap text: pixel-exact glyphs of the 14-pixel strike at the raster position, in the given
// colour, and the GL state every call leaves behind.
#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "gl_context.h"
#include "render/render_local.h"

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

}  // namespace
