// Texts as drawn: shaped (text_shaping.cpp) from the faces (font_faces.cpp), rendered 1-bit
// into rows padded to 32 bits, bottom row first, cached, drawn with glBitmap. A frame drawn
// larger than the picture (native frames) gets the outline rendered at its own size.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/text_local.h"

namespace render {

GLFont textFont;

GLFont::~GLFont() {
  if (fontHandle != nullptr) CloseFontFace(fontHandle);
  fontHandle = nullptr;
}

namespace {

// Distinct texts kept rendered, of all sizes; a board frame shows seven, the menu in a language
// without label pictures about twenty.
constexpr std::size_t kTextCacheCapacity = 64;
// Sizes texts are kept at: the game's, the frame scale's, the labels' and the shrunk texts'.
// The texts themselves are bounded above; a size without texts goes first.
constexpr std::size_t kSizeGroups = 32;
// A grey pixel of a fallback face (outlines at any size) is lit from this coverage on: thin
// strokes of Arabic and Devanagari stay whole, the 1-bit look stays.
constexpr unsigned char kFallbackInk = 96;
// The smallest size a text is shrunk to for its room.
constexpr int kSmallestFitPixels = 7;

// The pixel size drawn for a text `pixels` high at a frame scale: the strike's at scale 1, else
// the outline's, so that a frame drawn s times the picture's size gets glyphs s times as large.
int DrawnPixels(int pixels, float scale) {
  return std::max(1, static_cast<int>(std::lround(static_cast<float>(pixels) * scale)));
}

// The cell of a size: where the enlarged strike would have its top and baseline.
int AscentAt(const FontFace& font, int pixels) {
  if (pixels == kStrikePixels) return font.strikeAscent;
  return static_cast<int>(
      std::lround(font.strikeAscent * static_cast<double>(pixels) / kStrikePixels));
}
int DescentAt(const FontFace& font, int pixels) {
  if (pixels == kStrikePixels) return font.strikeDescent;
  return static_cast<int>(
      std::lround(font.strikeDescent * static_cast<double>(pixels) / kStrikePixels));
}

void SetBit(TextBitmap& bitmap, int column, int rowFromTop) {
  if (column < 0 || column >= bitmap.width || rowFromTop < 0 || rowFromTop >= bitmap.height)
    return;
  const int row = bitmap.height - 1 - rowFromTop;  // bottom row first, as glBitmap reads them
  const std::size_t byte = static_cast<std::size_t>(row) * (bitmap.rowBits / 8) + column / 8;
  bitmap.bits[byte] = static_cast<char>(bitmap.bits[byte] | (0x80 >> (column % 8)));
}

bool BitOf(const TextBitmap& bitmap, int column, int rowFromTop) {
  const int row = bitmap.height - 1 - rowFromTop;
  const std::size_t byte = static_cast<std::size_t>(row) * (bitmap.rowBits / 8) + column / 8;
  return (bitmap.bits[byte] >> (7 - column % 8)) & 1;
}

void AllocateBits(TextBitmap& bitmap) {
  bitmap.rowBits = (bitmap.width + 31) & ~31;
  bitmap.bits.assign(static_cast<std::size_t>(bitmap.rowBits / 8) * bitmap.height, '\0');
}

// A face without outlines (a bitmap font) has only its strike: its text enlarged pixel by pixel
// into the cell of the larger size.
TextBitmap Enlarge(const TextBitmap& small, const FontFace& font, int pixels) {
  TextBitmap bitmap;
  bitmap.width = small.width * pixels / kStrikePixels;
  bitmap.advance = small.advance * pixels / kStrikePixels;
  bitmap.height = AscentAt(font, pixels) + DescentAt(font, pixels);
  AllocateBits(bitmap);
  if (small.height <= 0) return bitmap;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      if (BitOf(small, x * kStrikePixels / pixels, y * small.height / bitmap.height))
        SetBit(bitmap, x, y);
  return bitmap;
}

// A lit pixel of a glyph, in the cell's coordinates; a primary face's is cut off at the cell.
struct Ink {
  int column, row;
  bool inCell;
};

// Renders the shaped glyphs in a cell of the size's ascent and descent, as wide as their
// advance. Like the platform's text renderer the primary face's glyphs are cut off at the
// cell; a fallback face's marks and tails that reach beyond it widen the bitmap, which is then
// drawn that much left of and below the raster position.
TextBitmap Rasterise(FontFace& font, const ShapedText& shaped, int pixels) {
  const int ascent = AscentAt(font, pixels), cellHeight = ascent + DescentAt(font, pixels);
  const int width = (shaped.advance + 32) >> 6;
  std::vector<Ink> inks;
  int minColumn = 0, maxColumn = width, minRow = 0, maxRow = cellHeight;
  for (const ShapedGlyph& glyph : shaped.glyphs) {
    FaceSize* size = SizeOf(font, glyph.face, pixels);
    if (size == nullptr) continue;
    const LoadedFace& face = *font.faces[static_cast<std::size_t>(glyph.face)];
    FT_Activate_Size(size->size);
    // Hinted, 1 bit, at every size for the primary face; a fallback's outline in grey, lit
    // from kFallbackInk.
    const FT_Int32 flags =
        FT_LOAD_RENDER | (face.primary ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (FT_Load_Glyph(face.face, glyph.glyph, flags) != 0) continue;
    const FT_GlyphSlot slot = face.face->glyph;
    const FT_Bitmap& image = slot->bitmap;
    const int left = ((glyph.x + 32) >> 6) + slot->bitmap_left;
    const int top = ascent - slot->bitmap_top - ((glyph.y + 32) >> 6);
    const unsigned char threshold = face.primary ? 128 : kFallbackInk;
    for (unsigned y = 0; y < image.rows; ++y)
      for (unsigned x = 0; x < image.width; ++x) {
        if (!GlyphPixel(image, x, y, threshold)) continue;
        const Ink ink{left + static_cast<int>(x), top + static_cast<int>(y), face.primary};
        inks.push_back(ink);
        if (ink.inCell) continue;
        minColumn = std::min(minColumn, ink.column);
        maxColumn = std::max(maxColumn, ink.column + 1);
        minRow = std::min(minRow, ink.row);
        maxRow = std::max(maxRow, ink.row + 1);
      }
  }
  TextBitmap bitmap;
  bitmap.advance = width;
  bitmap.originX = -minColumn;
  bitmap.originY = maxRow - cellHeight;
  bitmap.width = maxColumn - minColumn;
  bitmap.height = maxRow - minRow;
  AllocateBits(bitmap);
  for (const Ink& ink : inks) {
    if (ink.inCell &&
        (ink.column < 0 || ink.column >= width || ink.row < 0 || ink.row >= cellHeight))
      continue;
    SetBit(bitmap, ink.column - minColumn, ink.row - minRow);
  }
  return bitmap;
}

TextBitmap RenderAt(FontFace& font, std::string_view text, int pixels, bool bold,
                    std::string_view language) {
  const LoadedFace& primary = *font.faces[0];
  if (pixels != kStrikePixels && !FT_IS_SCALABLE(primary.face))
    return Enlarge(RenderAt(font, text, kStrikePixels, bold, language), font, pixels);
  ++font.renderCount;
  TextBitmap bitmap;
  bitmap.height = AscentAt(font, pixels) + DescentAt(font, pixels);
  if (text.empty()) return bitmap;
  const std::vector<char32_t> decoded = DecodeUtf8(text, font.replacement);
  const std::u32string codes(decoded.begin(), decoded.end());
  return Rasterise(font, ShapeText(font, codes, pixels, bold, language), pixels);
}

// The language the texts are drawn in, as its code: it picks the CJK face and the direction.
std::string_view TextLanguage() { return game::CodeOf(CurrentLanguage()); }

const TextBitmap& FindOrRender(FontFace& font, std::string_view text, int pixels, bool bold,
                               std::string_view language) {
  ++font.useClock;
  auto group = std::find_if(font.sized.begin(), font.sized.end(), [&](const SizedTexts& sized) {
    return sized.pixels == pixels && sized.bold == bold;
  });
  if (group == font.sized.end()) {
    std::erase_if(font.sized, [](const SizedTexts& sized) { return sized.cache.empty(); });
    if (font.sized.size() >= kSizeGroups)
      font.sized.erase(std::min_element(
          font.sized.begin(), font.sized.end(),
          [](const SizedTexts& a, const SizedTexts& b) { return a.lastUse < b.lastUse; }));
    font.sized.push_back({pixels, bold, 0, {}});
    group = font.sized.end() - 1;
  }
  group->lastUse = font.useClock;
  // The language is part of the key: it may choose other faces for the same characters.
  std::string key;
  key.reserve(language.size() + 1 + text.size());
  key.append(language).push_back('\x1f');
  key.append(text);
  auto& cache = group->cache;
  if (auto found = cache.find(key); found != cache.end()) {
    found->second.lastUse = font.useClock;
    return found->second.bitmap;
  }
  if (static_cast<std::size_t>(CachedTextCount(font)) >= kTextCacheCapacity) {
    // The least recently drawn text of any size goes.
    SizedTexts* oldestGroup = nullptr;
    uint64_t oldestUse = UINT64_MAX;
    for (SizedTexts& sized : font.sized)
      for (const auto& [_, cached] : sized.cache)
        if (cached.lastUse < oldestUse) oldestUse = cached.lastUse, oldestGroup = &sized;
    if (oldestGroup != nullptr)
      std::erase_if(oldestGroup->cache,
                    [&](const auto& entry) { return entry.second.lastUse == oldestUse; });
  }
  CachedText& entry = cache[key];
  entry.bitmap = RenderAt(font, text, pixels, bold, language);
  entry.lastUse = font.useClock;
  return entry.bitmap;
}

// The width of text drawn `pixels` high at the frame scale, in pixels of the picture.
int WidthAt(std::string_view text, const TextStyle& style) {
  if (text.empty()) return 0;
  if (textFont.fontHandle == nullptr) {
    // The font's cells: half the size for ASCII, the size for any other character.
    int width = 0;
    for (char32_t code : DecodeUtf8(text)) width += code < 0x80 ? style.pixels / 2 : style.pixels;
    return width;
  }
  const float scale = FrameScale();
  const int drawn = DrawnPixels(style.pixels, scale);
  const int width =
      FindOrRender(*textFont.fontHandle, text, drawn, style.bold, TextLanguage()).advance;
  return drawn == style.pixels ? width
                               : static_cast<int>(std::lround(static_cast<float>(width) / scale));
}

// Draws a rendered text with its origin at the raster position (x, y) of the plane z = -10,
// leaving the state DrawText3D promises.
void DrawBitmap(const TextBitmap* bitmap, float x, float y, float r, float g, float b) {
  GLboolean lighting = GL_FALSE;
  GLboolean texturing = GL_FALSE;
  glGetBooleanv(GL_LIGHTING, &lighting);
  glGetBooleanv(GL_TEXTURE_2D, &texturing);

  // The identity is loaded before the push, so callers get the identity back, not their matrix.
  glLoadIdentity();
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -10.0f);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);

  // The colour comes before the raster position, which takes it as the bitmap's colour.
  glColor3f(r, g, b);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glRasterPos2f(x, y);
  if (bitmap != nullptr && bitmap->width > 0 && bitmap->height > 0)
    glBitmap(bitmap->rowBits, bitmap->height, static_cast<float>(bitmap->originX),
             static_cast<float>(bitmap->originY), 0.0f, 0.0f,
             reinterpret_cast<const GLubyte*>(bitmap->bits.data()));

  if (lighting) glEnable(GL_LIGHTING);
  if (texturing) glEnable(GL_TEXTURE_2D);
  // Always on afterwards: this is how depth testing comes to be on for the whole game.
  glEnable(GL_DEPTH_TEST);
  glPopMatrix();
}


}  // namespace

std::vector<char32_t> DecodeUtf8(std::string_view text, char32_t replacement) {
  std::vector<char32_t> codes;
  codes.reserve(text.size());
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byteAt(i);
    // The length a lead byte announces, and the least code point that needs it (no overlong).
    std::size_t length = 0;
    char32_t code = 0, least = 0;
    if (lead < 0x80) length = 1, code = lead;
    else if (lead >= 0xc2 && lead <= 0xdf) length = 2, code = lead & 0x1fu, least = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef) length = 3, code = lead & 0x0fu, least = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4) length = 4, code = lead & 0x07u, least = 0x10000;
    bool valid = length > 0 && length <= text.size() - i;
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (byteAt(i + k) & 0xc0) == 0x80;
      code = static_cast<char32_t>((code << 6) | (byteAt(i + k) & 0x3fu));
    }
    valid = valid && code >= least && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
    codes.push_back(valid ? code : replacement);
    i += valid ? length : 1;
  }
  return codes;
}

bool GlyphPixel(const FT_Bitmap& glyph, unsigned x, unsigned y, unsigned char threshold) {
  // The pitch steps one row down. A negative one (rows stored bottom-up) leaves the buffer
  // pointing at the bottom row, so the top row lies at the far end.
  const long pitch = glyph.pitch;
  const unsigned char* top =
      pitch >= 0 ? glyph.buffer : glyph.buffer + (static_cast<long>(glyph.rows) - 1) * -pitch;
  const unsigned char* row = top + static_cast<long>(y) * pitch;
  if (glyph.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1;
  if (glyph.pixel_mode == FT_PIXEL_MODE_GRAY) return row[x] >= threshold;
  return false;
}

TextBitmap RenderText(FontFace& font, const char* text, int32_t byteCount, float scale) {
  const std::string_view view =
      byteCount > 0 && text != nullptr ? std::string_view(text, static_cast<std::size_t>(byteCount))
                                       : std::string_view();
  return RenderAt(font, view, DrawnPixels(kStrikePixels, scale), false, TextLanguage());
}

TextBitmap RenderText(FontFace& font, std::string_view text, const TextStyle& style,
                      std::string_view language) {
  return RenderAt(font, text, style.pixels, style.bold, language);
}

int CachedTextCount(const FontFace& face) {
  std::size_t count = 0;
  for (const SizedTexts& sized : face.sized) count += sized.cache.size();
  return static_cast<int>(count);
}

int64_t TextRenderCount(const FontFace& face) { return face.renderCount; }

bool HasMissingGlyphs(FontFace& font, std::string_view text, std::string_view language,
                      bool bold) {
  const std::vector<char32_t> decoded = DecodeUtf8(text, font.replacement);
  const std::u32string codes(decoded.begin(), decoded.end());
  const ShapedText shaped = ShapeText(font, codes, kStrikePixels, bold, language);
  return std::any_of(shaped.glyphs.begin(), shaped.glyphs.end(), [](const ShapedGlyph& glyph) {
    return glyph.glyph == 0 && glyph.code >= 0x20 && glyph.code != 0x7f;
  });
}

bool HasMissingGlyphs(std::string_view text) {
  if (textFont.fontHandle == nullptr) return !text.empty();
  return HasMissingGlyphs(*textFont.fontHandle, text, TextLanguage(), false);
}

void CreateTextFont() {
  if (textFont.fontHandle != nullptr) return;
  textFont.fontHandle = OpenFontFace();
  if (textFont.fontHandle == nullptr)
    std::fputs("tessary: no font for Chinese text is installed (fonts-wqy-zenhei or xfonts-wqy "
               "draw it best); texts are not drawn\n",
               stderr);
}

int TextWidthPixels(std::string_view text) { return WidthAt(text, TextStyle{}); }

int TextWidthPixels(std::string_view text, const TextStyle& style) { return WidthAt(text, style); }

void DrawText3D(int32_t byteCount, const char* text, float x, float y, float r, float g,
                float b) {
  const TextBitmap* bitmap = nullptr;
  if (textFont.fontHandle != nullptr && text != nullptr && byteCount > 0)
    bitmap = &FindOrRender(*textFont.fontHandle,
                           std::string_view(text, static_cast<std::size_t>(byteCount)),
                           DrawnPixels(kStrikePixels, FrameScale()), false, TextLanguage());
  DrawBitmap(bitmap, x, y, r, g, b);
}

float TextWidth(std::string_view text) {
  return static_cast<float>(TextWidthPixels(text)) * kTextUnitsPerPixel;
}

float TextWidth(std::string_view text, const TextStyle& style) {
  return static_cast<float>(TextWidthPixels(text, style)) * kTextUnitsPerPixel;
}

TextStyle FitStyle(std::string_view text, const TextStyle& style, float maxWidth) {
  TextStyle fitted = style;
  if (maxWidth <= 0.0f) return fitted;
  const float width = TextWidth(text, style);
  if (width <= maxWidth) return fitted;
  // Straight to the size that should fit, then down a pixel at a time: widths do not scale
  // exactly with the size (hinting, the strike).
  fitted.pixels = std::max(kSmallestFitPixels,
                           static_cast<int>(static_cast<float>(style.pixels) * maxWidth / width));
  while (fitted.pixels > kSmallestFitPixels && TextWidth(text, fitted) > maxWidth) --fitted.pixels;
  return fitted;
}

float StartOf(std::string_view text, const Anchor& anchor, const TextStyle& style) {
  switch (anchor.align) {
    case Align::left: return anchor.x;
    case Align::centre: return anchor.x - TextWidth(text, style) / 2.0f;
    case Align::right: return anchor.x - TextWidth(text, style);
  }
  return anchor.x;
}

float StartOf(std::string_view text, const Anchor& anchor) {
  return StartOf(text, anchor, TextStyle{});
}

float CellHeight(const TextStyle& style) {
  const FontFace* font = textFont.fontHandle;
  const int pixels = font == nullptr
                         ? style.pixels
                         : AscentAt(*font, style.pixels) + DescentAt(*font, style.pixels);
  return static_cast<float>(pixels) * kTextUnitsPerPixel;
}

void DrawTextAt(std::string_view text, const Anchor& anchor, const TextStyle& style, float r,
                float g, float b) {
  const TextStyle fitted = FitStyle(text, style, anchor.maxWidth);
  if (fitted.pixels == style.pixels && !fitted.bold && fitted.pixels == kStrikePixels) {
    DrawText3D(static_cast<int32_t>(text.size()), text.data(), StartOf(text, anchor), anchor.y, r,
               g, b);
    return;
  }
  // A shrunk text keeps the middle of the cell it would have had.
  const float y = anchor.y + (CellHeight(style) - CellHeight(fitted)) / 2.0f;
  const TextBitmap* bitmap = nullptr;
  if (textFont.fontHandle != nullptr && !text.empty())
    bitmap = &FindOrRender(*textFont.fontHandle, text, DrawnPixels(fitted.pixels, FrameScale()),
                           fitted.bold, TextLanguage());
  DrawBitmap(bitmap, StartOf(text, anchor, fitted), y, r, g, b);
}

void DrawTextAt(std::string_view text, const Anchor& anchor, float r, float g, float b) {
  DrawTextAt(text, anchor, TextStyle{}, r, g, b);
}

void DrawPlacedText(const PlacedText& placed, float r, float g, float b) {
  Anchor at = placed.at;
  if (CurrentLanguage() == game::Language::english) {
    // Shifted left, the English text gains that much room; shifted right, it loses it.
    at.x += placed.englishShift;
    if (at.maxWidth > 0.0f && at.align == Align::left) at.maxWidth -= placed.englishShift;
  }
  DrawTextAt(Tr(placed.source), at, r, g, b);
}

}  // namespace render
