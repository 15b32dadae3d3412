// The faces of the texts: the primary face found through fontconfig (a 14-pixel strike, the
// game's look), and fallback faces for what it lacks, chosen by script, weight and language.
#include <fontconfig/fontconfig.h>
#include <hb-ft.h>

#include <algorithm>

#include "render/text_local.h"

namespace render {

namespace {

// Installed faces with a legible 14-pixel strike, best first. "Terminal" with the GB2312
// character set has no counterpart here, and a scaled outline at 14 px in 1 bit is ragged.
constexpr const char* kFontFamilies[] = {"WenQuanYi Zen Hei Sharp", "WenQuanYi Bitmap Song"};
// Without them, any face that covers simplified Chinese draws the texts: the labels, the time and
// the score must not vanish on a machine without WenQuanYi.
constexpr const char* kFallbackLanguage = "zh-cn";
// Sizes kept per face (the game's, the frame scale's, the labels' and shrunk texts' sizes; only
// a text not yet cached needs one), and faces opened.
constexpr std::size_t kSizesPerFace = 12;
constexpr std::size_t kMaxFaces = 16;

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
FT_Face OpenStrike(FT_Library library, const char* file, int index, int& strike, bool orScaled) {
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

bool OpenPrimaryOf(FontFace& font, FcFontSet* fonts, bool orScaled) {
  for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
    int strike = -1;
    const char* path = reinterpret_cast<const char*>(file);
    FT_Face face = OpenStrike(font.library, path, index, strike, orScaled);
    if (face == nullptr) continue;
    auto primary = std::make_unique<LoadedFace>();
    primary->face = face;
    primary->source = {path, index, strike};
    primary->primary = true;
    primary->ownSize = face->size;
    font.faces.push_back(std::move(primary));
    return true;
  }
  return false;
}

bool OpenFamily(FontFace& font, const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = OpenPrimaryOf(font, fonts, false);
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
  const bool found = OpenPrimaryOf(font, fonts, false) || OpenPrimaryOf(font, fonts, true);
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcLangSetDestroy(languages);
  FcPatternDestroy(pattern);
  return found;
}

// The index of the face at file/index, opened on first use; -1 when it cannot be opened.
int FaceAt(FontFace& font, const char* file, int index) {
  for (std::size_t i = 0; i < font.faces.size(); ++i)
    if (font.faces[i]->source.path == file && font.faces[i]->source.faceIndex == index)
      return static_cast<int>(i);
  if (font.faces.size() >= kMaxFaces) return -1;
  FT_Face face = nullptr;
  if (FT_New_Face(font.library, file, index, &face) != 0) return -1;
  if (!FT_IS_SCALABLE(face)) {
    FT_Done_Face(face);
    return -1;
  }
  auto loaded = std::make_unique<LoadedFace>();
  loaded->face = face;
  loaded->source = {file, index, -1};
  loaded->ownSize = face->size;
  font.faces.push_back(std::move(loaded));
  return static_cast<int>(font.faces.size() - 1);
}

// The family a script is best drawn in, when the language does not decide; null: any.
const char* PreferredFamily(hb_script_t script, std::string_view language) {
  switch (script) {
    case HB_SCRIPT_ARABIC: return "Noto Sans Arabic";
    case HB_SCRIPT_DEVANAGARI: return "Noto Sans Devanagari";
    case HB_SCRIPT_HANGUL: return "Noto Sans CJK KR";
    case HB_SCRIPT_HIRAGANA:
    case HB_SCRIPT_KATAKANA: return "Noto Sans CJK JP";
    case HB_SCRIPT_HAN:
      if (language.starts_with("ja")) return "Noto Sans CJK JP";
      if (language.starts_with("ko")) return "Noto Sans CJK KR";
      return nullptr;
    case HB_SCRIPT_LATIN:
    case HB_SCRIPT_CYRILLIC:
    case HB_SCRIPT_GREEK: return "Noto Sans";
    default: return nullptr;
  }
}

// The first face fontconfig sorts best for the request that covers code (when code is not 0)
// and, with family, is of that family; -1 when none.
int FindFace(FontFace& font, const char* family, char32_t code, bool bold,
             std::string_view language) {
  FcPattern* pattern = FcPatternCreate();
  if (family != nullptr)
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcCharSet* wanted = FcCharSetCreate();
  if (code != 0) {
    FcCharSetAddChar(wanted, code);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  }
  if (!language.empty()) {
    const std::string lang(language.substr(0, language.find_first_of("_.@")));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang.c_str()));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  int found = -1;
  for (int i = 0; fonts != nullptr && i < fonts->nfont && found < 0; ++i) {
    FcPattern* candidate = fonts->fonts[i];
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    FcCharSet* charset = nullptr;
    int index = 0;
    if (FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch) continue;
    if (family != nullptr &&
        (FcPatternGetString(candidate, FC_FAMILY, 0, &name) != FcResultMatch ||
         std::string_view(reinterpret_cast<const char*>(name)) != family))
      break;  // sorted by family first: the family is not installed
    if (code != 0 && (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &charset) != FcResultMatch ||
                      !FcCharSetHasChar(charset, code)))
      continue;
    FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
    found = FaceAt(font, reinterpret_cast<const char*>(file), index);
    if (found >= 0 && code != 0 && !Covers(font, found, code)) found = -1;
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcCharSetDestroy(wanted);
  FcPatternDestroy(pattern);
  return found;
}

// A family's face chosen once per weight (and language), remembered under key.
int RememberedFamily(FontFace& font, const std::string& key, const char* family, bool bold,
                     std::string_view language) {
  if (const auto known = font.fallbackChoice.find(key); known != font.fallbackChoice.end())
    return known->second;
  const int face = FindFace(font, family, 0, bold, language);
  font.fallbackChoice.emplace(key, face);
  return face;
}

}  // namespace

bool Covers(const FontFace& font, int face, char32_t code) {
  return FT_Get_Char_Index(font.faces[static_cast<std::size_t>(face)]->face, code) != 0;
}

FaceSize* SizeOf(FontFace& font, int faceIndex, int pixels) {
  LoadedFace& face = *font.faces[static_cast<std::size_t>(faceIndex)];
  for (FaceSize& size : face.sizes)
    if (size.pixels == pixels) return size.shaper != nullptr ? &size : nullptr;
  FaceSize made;
  made.pixels = pixels;
  if (face.primary && pixels == kStrikePixels) {
    // The size the face was opened at: its strike (or, without one, the outline at 14).
    made.size = face.ownSize;
  } else if (FT_IS_SCALABLE(face.face) && FT_New_Size(face.face, &made.size) == 0) {
    FT_Activate_Size(made.size);
    if (FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(pixels)) != 0) {
      FT_Done_Size(made.size);
      made.size = nullptr;
    }
  }
  if (made.size != nullptr) {
    FT_Activate_Size(made.size);
    made.shaper = hb_ft_font_create_referenced(face.face);
    // The strike's glyphs keep the advances they have always been drawn with: 1-bit hinted
    // metrics for the primary face, lightly hinted ones (true widths) for the others.
    hb_ft_font_set_load_flags(made.shaper, face.primary ? FT_LOAD_TARGET_MONO
                                                        : FT_LOAD_TARGET_LIGHT);
  }
  if (face.sizes.size() >= kSizesPerFace) {
    // The oldest size that is not the face's own goes (sizes are few and used in bursts).
    auto oldest = std::find_if(face.sizes.begin(), face.sizes.end(),
                               [&](const FaceSize& s) { return s.size != face.ownSize; });
    if (oldest != face.sizes.end()) {
      if (oldest->shaper != nullptr) hb_font_destroy(oldest->shaper);
      if (oldest->size != nullptr) FT_Done_Size(oldest->size);
      face.sizes.erase(oldest);
    }
  }
  face.sizes.push_back(made);
  return made.shaper != nullptr ? &face.sizes.back() : nullptr;
}

std::vector<int> BaseChain(FontFace& font, bool bold, std::string_view language) {
  std::vector<int> chain;
  const std::string weight = bold ? "bold" : "regular";
  if (language.starts_with("ja") || language.starts_with("ko")) {
    const bool japanese = language.starts_with("ja");
    const int cjk = RememberedFamily(font, "cjk:" + weight + ":" + std::string(language),
                                     japanese ? "Noto Sans CJK JP" : "Noto Sans CJK KR", bold,
                                     language);
    if (cjk >= 0) chain.push_back(cjk);
  }
  if (bold) {
    const int latin = RememberedFamily(font, "latin:bold", "Noto Sans", true, {});
    if (latin >= 0) chain.push_back(latin);
  }
  chain.push_back(0);
  return chain;
}

int FallbackFor(FontFace& font, char32_t code, bool bold, std::string_view language) {
  const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), code);
  const char* family = PreferredFamily(script, language);
  const std::string key = std::to_string(static_cast<unsigned>(script)) + (bold ? ":b:" : ":r:") +
                          std::string(language.substr(0, 2));
  int face = -1;
  if (const auto known = font.fallbackChoice.find(key); known != font.fallbackChoice.end())
    face = known->second;
  else if (family != nullptr)
    face = font.fallbackChoice[key] = FindFace(font, family, 0, bold, language);
  if (face >= 0 && Covers(font, face, code)) return face;
  // Whatever covers this one code point; not remembered for the script (a script's faces
  // cover different parts of it).
  for (int i = 1; i < static_cast<int>(font.faces.size()); ++i)
    if (Covers(font, i, code)) return i;
  return FindFace(font, nullptr, code, bold, language);
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
  const FT_Face primary = font->faces[0]->face;
  const FT_Size_Metrics& metrics = primary->size->metrics;
  font->strikeAscent = static_cast<int>((metrics.ascender + 63) >> 6);
  font->strikeDescent = static_cast<int>((-metrics.descender + 63) >> 6);
  if (FT_Get_Char_Index(primary, 0xFFFD) != 0) font->replacement = U'\uFFFD';
  SizeOf(*font, 0, kStrikePixels);
  return font;
}

void CloseFontFace(FontFace* font) {
  if (font == nullptr) return;
  for (auto& face : font->faces) {
    for (FaceSize& size : face->sizes) {
      if (size.shaper != nullptr) hb_font_destroy(size.shaper);
      if (size.size != nullptr && size.size != face->ownSize) FT_Done_Size(size.size);
    }
    FT_Done_Face(face->face);
  }
  font->faces.clear();
  if (font->library != nullptr) FT_Done_FreeType(font->library);
  delete font;
}

FontSource SourceOf(const FontFace& face) { return face.faces[0]->source; }

}  // namespace render
