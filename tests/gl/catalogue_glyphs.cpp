// Every translation of every shipped catalogue (po/LINGUAS) is drawn, without a missing glyph,
// in the regular and the bold face, once the fonts that setup installs are there. Exit 77 (skip)
// on a machine without them.
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <string>
#include <vector>

#include "render/render_local.h"
#include "tools/catalogue.h"

namespace {

bool Installed(const char* family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace

int main() {
  for (const char* family : {"Noto Sans Arabic", "Noto Sans Devanagari", "Noto Sans CJK JP",
                             "Noto Sans CJK KR", "Noto Sans"})
    if (!Installed(family)) {
      std::printf("catalogue_glyphs: %s is not installed; skipped\n", family);
      return 77;
    }
  render::FontFace* font = render::OpenFontFace();
  if (font == nullptr) {
    std::printf("catalogue_glyphs: no font for the game's texts; skipped\n");
    return 77;
  }
  int checked = 0, missing = 0;
  std::vector<tools::Catalogue> catalogues;
  if (!tools::ReadCatalogues(TESSARY_PO_DIR, catalogues)) ++missing;
  for (const tools::Catalogue& catalogue : catalogues) {
    const std::string& language = catalogue.code;
    std::vector<std::string> texts;
    for (const auto& [source, text] : catalogue.texts) texts.push_back(text);
    for (const auto& [source, forms] : catalogue.plurals)
      texts.insert(texts.end(), forms.begin(), forms.end());
    if (texts.empty()) {
      std::printf("FAIL %s: no translations read\n", language.c_str());
      ++missing;
    }
    for (const std::string& text : texts)
      for (bool bold : {false, true}) {
        ++checked;
        // Drawn, it shows something: no text of the game is all spaces.
        const render::TextBitmap drawn = render::RenderText(*font, text, {14, bold}, language);
        const bool inked = drawn.bits.find_first_not_of('\0') != std::string::npos;
        if (inked && !render::HasMissingGlyphs(*font, text, language, bold)) continue;
        ++missing;
        std::printf("FAIL %s%s: \"%s\" %s\n", language.c_str(), bold ? " (bold)" : "",
                    text.c_str(), inked ? "has a glyph no face draws" : "draws nothing");
      }
  }
  render::CloseFontFace(font);
  std::printf("catalogue_glyphs: %d texts checked, %d with missing glyphs\n", checked, missing);
  return checked > 0 && missing == 0 ? 0 : 1;
}
