// A text's glyphs: bidi levels from fribidi, runs by face, script and direction, each shaped by
// HarfBuzz over FreeType, laid out left to right in the order the runs are seen.
#include <fribidi.h>

#include <algorithm>

#include "render/text_local.h"

namespace render {

bool RightToLeftLanguage(std::string_view language) {
  for (std::string_view code : {"ar", "he", "fa", "ur"})
    if (language.starts_with(code)) return true;
  return false;
}

namespace {

// Marks, joiners and selectors stay with the face of the character they belong to.
bool JoinsPrevious(char32_t code) {
  const hb_unicode_general_category_t category =
      hb_unicode_general_category(hb_unicode_funcs_get_default(), code);
  return category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_FORMAT ||
         (code >= 0xFE00 && code <= 0xFE0F);
}

// The scripts the primary face is drawn for: the game's Chinese and English. Its other glyphs
// (Cyrillic, Greek, kana in full-width cells) look foreign beside a script's own face.
bool PrimaryScript(hb_script_t script) {
  return script == HB_SCRIPT_LATIN || script == HB_SCRIPT_HAN || script == HB_SCRIPT_BOPOMOFO;
}

// Per code point, the face that draws it: for the primary face's scripts the first of the chain
// that has it, for any other script the face found for that script; else a fallback. Neutral
// characters (spaces, digits, punctuation) and marks stay in the face before them when it has
// them, so a run is not broken for a space.
std::vector<int> FacesOf(FontFace& font, const std::u32string& codes, bool bold,
                         std::string_view language) {
  const std::vector<int> chain = BaseChain(font, bold, language);
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<int> faces(codes.size(), chain.front());
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const char32_t code = codes[i];
    const hb_script_t script = hb_unicode_script(unicode, code);
    const bool neutral = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED;
    if (i > 0 && (neutral || JoinsPrevious(code)) && Covers(font, faces[i - 1], code)) {
      faces[i] = faces[i - 1];
      continue;
    }
    if (!neutral && !PrimaryScript(script)) {
      if (const int own = FallbackFor(font, code, bold, language); own >= 0) {
        faces[i] = own;
        continue;
      }
    }
    const auto covering = std::find_if(chain.begin(), chain.end(),
                                       [&](int face) { return Covers(font, face, code); });
    if (covering != chain.end()) {
      faces[i] = *covering;
      continue;
    }
    const int fallback = FallbackFor(font, code, bold, language);
    faces[i] = fallback >= 0 ? fallback : (i > 0 ? faces[i - 1] : chain.front());
  }
  return faces;
}

// Per code point its script, common and inherited ones taking their neighbour's.
std::vector<hb_script_t> ScriptsOf(const std::u32string& codes) {
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<hb_script_t> scripts(codes.size(), HB_SCRIPT_COMMON);
  hb_script_t last = HB_SCRIPT_COMMON;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const hb_script_t script = hb_unicode_script(unicode, codes[i]);
    if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED) last = script;
    scripts[i] = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED ? last : script;
  }
  // Leading neutrals take the first real script.
  hb_script_t next = last;
  for (std::size_t i = codes.size(); i-- > 0;) {
    const hb_script_t script = hb_unicode_script(unicode, codes[i]);
    if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED) next = script;
    if (scripts[i] == HB_SCRIPT_COMMON) scripts[i] = next;
  }
  return scripts;
}

struct Run {
  std::size_t start = 0, length = 0;
  int face = 0;
  hb_script_t script = HB_SCRIPT_COMMON;
  uint8_t level = 0;
};

}  // namespace

std::vector<uint8_t> BidiLevels(const std::u32string& codes, std::string_view language) {
  std::vector<uint8_t> levels(codes.size(), 0);
  const bool rtlLanguage = RightToLeftLanguage(language);
  if (codes.empty()) return levels;
  const auto length = static_cast<FriBidiStrIndex>(codes.size());
  std::vector<FriBidiChar> text(codes.begin(), codes.end());
  std::vector<FriBidiCharType> types(codes.size());
  fribidi_get_bidi_types(text.data(), length, types.data());
  // A text without right-to-left characters in a left-to-right language is all level 0.
  if (!rtlLanguage && std::none_of(types.begin(), types.end(), [](FriBidiCharType type) {
        return FRIBIDI_IS_RTL(type) || FRIBIDI_IS_EXPLICIT(type) || FRIBIDI_IS_ISOLATE(type);
      }))
    return levels;
  std::vector<FriBidiBracketType> brackets(codes.size());
  fribidi_get_bracket_types(text.data(), length, types.data(), brackets.data());
  FriBidiParType direction = rtlLanguage ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_ON;
  std::vector<FriBidiLevel> embedding(codes.size());
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction,
                                          embedding.data()) == 0)
    return levels;
  for (std::size_t i = 0; i < codes.size(); ++i) levels[i] = static_cast<uint8_t>(embedding[i]);
  return levels;
}

std::vector<int> VisualOrder(const std::vector<uint8_t>& runLevels) {
  std::vector<int> order(runLevels.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  if (runLevels.empty()) return order;
  const uint8_t highest = *std::max_element(runLevels.begin(), runLevels.end());
  uint8_t lowestOdd = 255;
  for (uint8_t level : runLevels)
    if (level % 2 == 1) lowestOdd = std::min(lowestOdd, level);
  // From the highest level down to the lowest odd one, every sequence of runs at that level or
  // higher is reversed.
  for (int level = highest; level >= lowestOdd && level > 0; --level) {
    for (std::size_t i = 0; i < order.size();) {
      if (runLevels[static_cast<std::size_t>(order[i])] < level) {
        ++i;
        continue;
      }
      std::size_t end = i;
      while (end < order.size() && runLevels[static_cast<std::size_t>(order[end])] >= level) ++end;
      std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                   order.begin() + static_cast<std::ptrdiff_t>(end));
      i = end;
    }
  }
  return order;
}

ShapedText ShapeText(FontFace& font, const std::u32string& codes, int pixels, bool bold,
                     std::string_view language) {
  ShapedText shaped;
  if (codes.empty()) return shaped;
  const std::vector<int> faces = FacesOf(font, codes, bold, language);
  const std::vector<hb_script_t> scripts = ScriptsOf(codes);
  const std::vector<uint8_t> levels = BidiLevels(codes, language);

  std::vector<Run> runs;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (runs.empty() || runs.back().face != faces[i] || runs.back().script != scripts[i] ||
        runs.back().level != levels[i])
      runs.push_back({i, 0, faces[i], scripts[i], levels[i]});
    ++runs.back().length;
  }
  std::vector<uint8_t> runLevels;
  for (const Run& run : runs) runLevels.push_back(run.level);

  hb_buffer_t* buffer = hb_buffer_create();
  const hb_language_t hbLanguage =
      language.empty()
          ? hb_language_get_default()
          : hb_language_from_string(language.data(), static_cast<int>(language.size()));
  // The primary face draws as it always has: every character its own glyph at its own advance.
  static const hb_feature_t kPlainFeatures[] = {
      {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
  };
  int32_t pen = 0;
  for (int index : VisualOrder(runLevels)) {
    const Run& run = runs[static_cast<std::size_t>(index)];
    FaceSize* size = SizeOf(font, run.face, pixels);
    if (size == nullptr) continue;
    FT_Activate_Size(size->size);
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(codes.data()),
                        static_cast<int>(codes.size()), static_cast<unsigned>(run.start),
                        static_cast<int>(run.length));
    hb_buffer_set_direction(buffer, run.level % 2 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, run.script);
    hb_buffer_set_language(buffer, hbLanguage);
    const bool plain = font.faces[static_cast<std::size_t>(run.face)]->primary &&
                       (run.script == HB_SCRIPT_LATIN || run.script == HB_SCRIPT_HAN ||
                        run.script == HB_SCRIPT_COMMON);
    hb_shape(size->shaper, buffer, plain ? kPlainFeatures : nullptr,
             plain ? static_cast<unsigned>(std::size(kPlainFeatures)) : 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned g = 0; g < count; ++g) {
      ShapedGlyph glyph;
      glyph.face = run.face;
      glyph.glyph = infos[g].codepoint;
      glyph.code = codes[infos[g].cluster];
      glyph.x = pen + positions[g].x_offset;
      glyph.y = positions[g].y_offset;
      shaped.glyphs.push_back(glyph);
      pen += positions[g].x_advance;
    }
  }
  hb_buffer_destroy(buffer);
  shaped.advance = pen;
  return shaped;
}

}  // namespace render
