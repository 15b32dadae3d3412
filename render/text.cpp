// Bitmap text: UTF-8 to code points, glyphs of a 14-pixel bitmap strike rendered
// 1-bit with FreeType into rows padded to 32 bits, bottom row first, drawn with glBitmap. A frame
// drawn larger than the picture (native frames) gets the outline rendered at its own size.
#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "render/render_local.h"

namespace render {

namespace {

// Installed faces with a legible 14-pixel strike, best first. "Terminal" with the GB2312
// character set has no counterpart here, and a scaled outline at 14 px in 1 bit is ragged.
constexpr const char* kFontFamilies[] = {"WenQuanYi Zen Hei Sharp", "WenQuanYi Bitmap Song"};
constexpr int kStrikePixels = 14;
// Without them, any face that covers simplified Chinese draws the texts: the labels, the time and
// the score must not vanish on a machine without WenQuanYi.
constexpr const char* kFallbackLanguage = "zh-cn";

// Distinct texts kept rendered; a board frame shows seven, the about screen four.
constexpr std::size_t kTextCacheCapacity = 64;

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>{}(text);
  }
};

struct CachedText {
  TextBitmap bitmap;
  uint64_t lastUse = 0;
};

}  // namespace

// The glyphs of one pixel size and the texts rendered at it.
struct SizedFont {
  int pixels = 0;           // 0: none yet
  FT_Size size = nullptr;   // where FreeType renders them; null: enlarge the strike's texts
  int ascent = 0;   // baseline from the top of the cell, in pixels
  int descent = 0;  // cell below the baseline
  std::unordered_map<std::string, CachedText, TextHash, std::equal_to<>> cache;
};

struct FontFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  FontSource source;
  char32_t replacement = U'?';  // drawn for bytes that are not UTF-8
  SizedFont strike;  // 14 pixels, the face's own size: lives as long as the face
  SizedFont scaled;  // the size of the frame scale last drawn at, when not 14 pixels
  uint64_t useClock = 0;
  int64_t renderCount = 0;
};

GLFont textFont;

GLFont::~GLFont() {
  if (fontHandle != nullptr) CloseFontFace(fontHandle);
  fontHandle = nullptr;
}

namespace {

// The index of the strike kStrikePixels high, or -1.
int FindStrike(FT_Face face) {
  for (int i = 0; i < face->num_fixed_sizes; ++i) {
    const long ppem = (face->available_sizes[i].y_ppem + 32) >> 6;
    if (ppem == kStrikePixels) return i;
  }
  return -1;
}

// Opens file/index if it has the strike; returns the face selected at that strike, or null. With
// orScaled, a face without the strike is scaled to 14 pixels instead (strike is then -1).
FT_Face OpenStrike(FT_Library library, const char* file, int index, int& strike,
                   bool orScaled = false) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, file, index, &face) != 0) return nullptr;
  strike = FindStrike(face);
  if (strike >= 0 && FT_Select_Size(face, strike) == 0) return face;
  strike = -1;
  if (orScaled && FT_IS_SCALABLE(face) && FT_Set_Pixel_Sizes(face, 0, kStrikePixels) == 0)
    return face;
  FT_Done_Face(face);
  return nullptr;
}

// Opens the first face of the list that OpenStrike accepts.
bool OpenFirstOf(FontFace& font, FcFontSet* fonts, bool orScaled) {
  for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
    int strike = -1;
    const char* path = reinterpret_cast<const char*>(file);
    FT_Face face = OpenStrike(font.library, path, index, strike, orScaled);
    if (face == nullptr) continue;
    font.face = face;
    font.source = {path, index, strike};
    return true;
  }
  return false;
}

bool OpenFamily(FontFace& font, const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = OpenFirstOf(font, fonts, false);
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

// Any installed face that covers simplified Chinese, a 14-pixel strike preferred, else scaled.
bool OpenFallback(FontFace& font) {
  FcPattern* pattern = FcPatternCreate();
  FcLangSet* languages = FcLangSetCreate();
  FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(kFallbackLanguage));
  FcPatternAddLangSet(pattern, FC_LANG, languages);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = OpenFirstOf(font, fonts, false) || OpenFirstOf(font, fonts, true);
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcLangSetDestroy(languages);
  FcPatternDestroy(pattern);
  return found;
}

// The text's pixel size at a frame scale: the strike's at scale 1, else the outline's, so that
// a frame drawn s times the picture's size gets glyphs s times as large.
int TextPixelsAt(float scale) {
  return std::max(1, static_cast<int>(std::lround(kStrikePixels * scale)));
}

// The glyphs for a frame scale. A new size replaces the one before, with its texts.
SizedFont& SizeFor(FontFace& font, float scale) {
  const int pixels = TextPixelsAt(scale);
  if (pixels == kStrikePixels) return font.strike;
  SizedFont& sized = font.scaled;
  if (sized.pixels == pixels) return sized;
  if (sized.size != nullptr) FT_Done_Size(sized.size);
  sized = SizedFont{};
  sized.pixels = pixels;
  // The cell and the baseline where the enlarged picture would have them.
  const double ratio = static_cast<double>(pixels) / kStrikePixels;
  sized.ascent = static_cast<int>(std::lround(font.strike.ascent * ratio));
  sized.descent = static_cast<int>(std::lround(font.strike.descent * ratio));
  if (FT_IS_SCALABLE(font.face) && FT_New_Size(font.face, &sized.size) == 0) {
    FT_Activate_Size(sized.size);
    if (FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(pixels)) != 0) {
      FT_Done_Size(sized.size);
      sized.size = nullptr;
    }
    FT_Activate_Size(font.strike.size);
  }
  return sized;
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

// A face without outlines (a bitmap font) has only its strike: its text enlarged pixel by pixel
// into the cell of the larger size.
TextBitmap Enlarge(const TextBitmap& small, const SizedFont& sized) {
  TextBitmap bitmap;
  bitmap.width = small.width * sized.pixels / kStrikePixels;
  bitmap.height = sized.ascent + sized.descent;
  bitmap.rowBits = (bitmap.width + 31) & ~31;
  bitmap.bits.assign(static_cast<std::size_t>(bitmap.rowBits / 8) * bitmap.height, '\0');
  if (small.height <= 0) return bitmap;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      if (BitOf(small, x * kStrikePixels / sized.pixels, y * small.height / bitmap.height))
        SetBit(bitmap, x, y);
  return bitmap;
}

const TextBitmap& FindOrRenderText(FontFace& font, float scale, const char* text,
                                   int32_t byteCount) {
  SizedFont& sized = SizeFor(font, scale);
  const std::string_view key(text, static_cast<std::size_t>(byteCount));
  ++font.useClock;
  if (auto found = sized.cache.find(key); found != sized.cache.end()) {
    found->second.lastUse = font.useClock;
    return found->second.bitmap;
  }
  if (sized.cache.size() >= kTextCacheCapacity) {
    auto oldest = sized.cache.begin();
    for (auto it = sized.cache.begin(); it != sized.cache.end(); ++it)
      if (it->second.lastUse < oldest->second.lastUse) oldest = it;
    sized.cache.erase(oldest);
  }
  CachedText& entry = sized.cache[std::string(key)];
  entry.bitmap = RenderText(font, text, byteCount, scale);
  entry.lastUse = font.useClock;
  return entry.bitmap;
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

bool GlyphPixel(const FT_Bitmap& glyph, unsigned x, unsigned y) {
  // The pitch steps one row down. A negative one (rows stored bottom-up) leaves the buffer
  // pointing at the bottom row, so the top row lies at the far end.
  const long pitch = glyph.pitch;
  const unsigned char* top =
      pitch >= 0 ? glyph.buffer : glyph.buffer + (static_cast<long>(glyph.rows) - 1) * -pitch;
  const unsigned char* row = top + static_cast<long>(y) * pitch;
  if (glyph.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1;
  if (glyph.pixel_mode == FT_PIXEL_MODE_GRAY) return row[x] >= 128;
  return false;
}

FontFace* OpenFontFace() {
  auto* font = new FontFace;
  if (FT_Init_FreeType(&font->library) != 0) {
    font->library = nullptr;
    CloseFontFace(font);
    return nullptr;
  }
  bool found = false;
  for (const char* family : kFontFamilies)
    if (!found) found = OpenFamily(*font, family);
  if (!found) found = OpenFallback(*font);
  // No FcFini here: SDL's window decorations (libdecor on Wayland) use fontconfig too, and
  // tearing it down under them aborts the process.
  if (!found) {
    CloseFontFace(font);
    return nullptr;
  }
  const FT_Size_Metrics& metrics = font->face->size->metrics;
  font->strike.pixels = kStrikePixels;
  font->strike.size = font->face->size;
  font->strike.ascent = static_cast<int>((metrics.ascender + 63) >> 6);
  font->strike.descent = static_cast<int>((-metrics.descender + 63) >> 6);
  if (FT_Get_Char_Index(font->face, 0xFFFD) != 0) font->replacement = U'\uFFFD';
  return font;
}

void CloseFontFace(FontFace* font) {
  if (font == nullptr) return;
  if (font->face != nullptr) FT_Done_Face(font->face);
  if (font->library != nullptr) FT_Done_FreeType(font->library);
  delete font;
}

FontSource SourceOf(const FontFace& face) { return face.source; }

int CachedTextCount(const FontFace& face) {
  return static_cast<int>(face.strike.cache.size() + face.scaled.cache.size());
}

int64_t TextRenderCount(const FontFace& face) { return face.renderCount; }

TextBitmap RenderText(FontFace& font, const char* text, int32_t byteCount, float scale) {
  const SizedFont& sized = SizeFor(font, scale);
  if (&sized != &font.strike && sized.size == nullptr)
    return Enlarge(RenderText(font, text, byteCount), sized);
  ++font.renderCount;
  TextBitmap bitmap;
  bitmap.height = sized.ascent + sized.descent;
  if (byteCount <= 0 || text == nullptr) return bitmap;
  FT_Activate_Size(sized.size);

  const std::vector<char32_t> codes =
      DecodeUtf8(std::string_view(text, static_cast<std::size_t>(byteCount)), font.replacement);
  std::vector<FT_UInt> glyphs;
  glyphs.reserve(codes.size());
  int width = 0;
  for (char32_t code : codes) {
    const FT_UInt glyph = FT_Get_Char_Index(font.face, code);
    glyphs.push_back(glyph);
    if (FT_Load_Glyph(font.face, glyph, FT_LOAD_TARGET_MONO) == 0)
      width += static_cast<int>((font.face->glyph->advance.x + 32) >> 6);
  }
  bitmap.width = width;
  bitmap.rowBits = (width + 31) & ~31;
  bitmap.bits.assign(static_cast<std::size_t>(bitmap.rowBits / 8) * bitmap.height, '\0');

  // Like the platform's text renderer: the baseline lies `ascent` pixels below the cell's top,
  // and what falls outside the cell is cut off. Hinted, 1 bit, at every size.
  int pen = 0;
  for (FT_UInt glyph : glyphs) {
    if (FT_Load_Glyph(font.face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
    const FT_GlyphSlot slot = font.face->glyph;
    const FT_Bitmap& image = slot->bitmap;
    for (unsigned y = 0; y < image.rows; ++y)
      for (unsigned x = 0; x < image.width; ++x)
        if (GlyphPixel(image, x, y))
          SetBit(bitmap, pen + slot->bitmap_left + static_cast<int>(x),
                 sized.ascent - slot->bitmap_top + static_cast<int>(y));
    pen += static_cast<int>((slot->advance.x + 32) >> 6);
  }
  FT_Activate_Size(font.strike.size);
  return bitmap;
}

void CreateTextFont() {
  if (textFont.fontHandle != nullptr) return;
  textFont.fontHandle = OpenFontFace();
  if (textFont.fontHandle == nullptr)
    std::fputs("tessary: no font for Chinese text is installed (fonts-wqy-zenhei or xfonts-wqy "
               "draw it best); texts are not drawn\n",
               stderr);
}

int TextWidthPixels(std::string_view text) {
  if (text.empty()) return 0;
  if (textFont.fontHandle == nullptr) {
    // The font's cells: 7 pixels for ASCII, 14 for any other character.
    int width = 0;
    for (char32_t code : DecodeUtf8(text)) width += code < 0x80 ? 7 : 14;
    return width;
  }
  // Measured as drawn at the frame's scale, in the picture's pixels.
  const float scale = FrameScale();
  const int width =
      FindOrRenderText(*textFont.fontHandle, scale, text.data(), static_cast<int32_t>(text.size()))
          .width;
  return TextPixelsAt(scale) == kStrikePixels ? width
                                              : static_cast<int>(std::lround(static_cast<float>(width) / scale));
}

void DrawText3D(int32_t byteCount, const char* text, float x, float y, float r, float g,
                float b) {
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

  const TextBitmap* bitmap = nullptr;
  if (textFont.fontHandle != nullptr && text != nullptr && byteCount > 0)
    bitmap = &FindOrRenderText(*textFont.fontHandle, FrameScale(), text, byteCount);

  // The colour comes before the raster position, which takes it as the bitmap's colour.
  glColor3f(r, g, b);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glRasterPos2f(x, y);
  if (bitmap != nullptr && bitmap->width > 0 && bitmap->height > 0)
    glBitmap(bitmap->rowBits, bitmap->height, 0.0f, 0.0f, 0.0f, 0.0f,
             reinterpret_cast<const GLubyte*>(bitmap->bits.data()));

  if (lighting) glEnable(GL_LIGHTING);
  if (texturing) glEnable(GL_TEXTURE_2D);
  // Always on afterwards: this is how depth testing comes to be on for the whole game.
  glEnable(GL_DEPTH_TEST);
  glPopMatrix();
}

float TextWidth(std::string_view text) {
  return static_cast<float>(TextWidthPixels(text)) * kTextUnitsPerPixel;
}

float StartOf(std::string_view text, const Anchor& anchor) {
  switch (anchor.align) {
    case Align::left: return anchor.x;
    case Align::centre: return anchor.x - TextWidth(text) / 2.0f;
    case Align::right: return anchor.x - TextWidth(text);
  }
  return anchor.x;
}

void DrawTextAt(std::string_view text, const Anchor& anchor, float r, float g, float b) {
  DrawText3D(static_cast<int32_t>(text.size()), text.data(), StartOf(text, anchor), anchor.y, r,
             g, b);
}

void DrawPlacedText(const PlacedText& placed, float r, float g, float b) {
  Anchor at = placed.at;
  if (CurrentLanguage() == game::Language::english) at.x += placed.englishShift;
  DrawTextAt(Tr(placed.source), at, r, g, b);
}

}  // namespace render
