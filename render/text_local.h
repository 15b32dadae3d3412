// Inside the text modules: the faces behind textFont (font_faces.cpp), shaping a text into
// placed glyphs (text_shaping.cpp), rasterising and caching them (text.cpp). UI thread only.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include <hb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "render/render_local.h"

namespace render {

inline constexpr int kStrikePixels = 14;

// One face at one pixel size: FreeType's size object and HarfBuzz's font over it.
struct FaceSize {
  int pixels = 0;
  FT_Size size = nullptr;     // the strike's own for the primary face at 14 pixels
  hb_font_t* shaper = nullptr;
};

// An opened face: the primary one (WenQuanYi's strike, drawn as ever) or a fallback found for
// code points, a script or a language the primary one lacks.
struct LoadedFace {
  FT_Face face = nullptr;
  FontSource source;
  bool primary = false;
  FT_Size ownSize = nullptr;    // the size the face was opened at (the primary's strike)
  std::vector<FaceSize> sizes;  // a few: each size drawn at recently, the oldest dropped
};

// Cache key of a rendered text besides the text: the size, the weight, the language hint.
struct TextCacheHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>{}(text);
  }
};

struct CachedText {
  TextBitmap bitmap;
  uint64_t lastUse = 0;
};

// The texts rendered at one pixel size and weight.
struct SizedTexts {
  int pixels = 0;
  bool bold = false;
  uint64_t lastUse = 0;
  std::unordered_map<std::string, CachedText, TextCacheHash, std::equal_to<>> cache;
};

struct FontFace {
  FT_Library library = nullptr;
  std::vector<std::unique_ptr<LoadedFace>> faces;  // [0]: the primary face
  char32_t replacement = U'?';  // drawn for bytes that are not UTF-8
  int strikeAscent = 0;   // the primary strike's baseline below the cell's top, in pixels
  int strikeDescent = 0;  // the cell below the baseline
  // Per script, weight and language: the face chosen for it (index into faces), -1 for none.
  std::map<std::string, int> fallbackChoice;
  std::vector<SizedTexts> sized;  // a few sizes, the least recently drawn dropped
  uint64_t useClock = 0;
  int64_t renderCount = 0;
};

// ---- Faces (font_faces.cpp) ----

// The face at index at `pixels` high, made on first use; null when the face cannot take that
// size (a bitmap face off its strike).
FaceSize* SizeOf(FontFace& font, int face, int pixels);

// The faces a text is drawn from before any fallback for single code points: a language's own
// CJK face (ja, ko), the bold Latin face (bold), the primary face. Indices into font.faces.
std::vector<int> BaseChain(FontFace& font, bool bold, std::string_view language);

// A face that covers code, preferring the script's usual face (Noto Sans Arabic, Devanagari,
// the CJK face of the language); -1 when no installed face covers it.
int FallbackFor(FontFace& font, char32_t code, bool bold, std::string_view language);

// Whether the face has a glyph for code.
bool Covers(const FontFace& font, int face, char32_t code);

// ---- Shaping (text_shaping.cpp) ----

struct ShapedGlyph {
  int face = 0;
  unsigned glyph = 0;        // 0: the face has none (.notdef)
  int32_t x = 0, y = 0;      // the glyph's origin from the text's start, 26.6 pixels, y up
  char32_t code = 0;         // the first code point of its cluster
};

// Glyphs in visual order, left to right.
struct ShapedText {
  std::vector<ShapedGlyph> glyphs;
  int32_t advance = 0;  // 26.6 pixels
};

// The paragraph's bidi levels (UAX #9, via fribidi): even left to right, odd right to left.
// The base direction is right to left for a right-to-left language, else the first strong
// character's.
std::vector<uint8_t> BidiLevels(const std::u32string& codes, std::string_view language);

// The order in which runs of these levels are shown, left to right (UAX #9 rule L2).
std::vector<int> VisualOrder(const std::vector<uint8_t>& runLevels);

// Itemises codes by face, script and direction, shapes each run with HarfBuzz at pixels.
ShapedText ShapeText(FontFace& font, const std::u32string& codes, int pixels, bool bold,
                     std::string_view language);

}  // namespace render
