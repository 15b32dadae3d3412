// Every translation of every shipped catalogue (po/LINGUAS) is drawn without a missing glyph,
// in the regular and the bold face, once the fonts that setup installs are there. Exit 77 (skip)
// on a machine without them.
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render/render_local.h"

namespace {

// The text of a quoted .po line's string, its escapes resolved; a line of another form gives "".
std::string Unquote(const std::string& line) {
  const std::size_t open = line.find('"'), close = line.rfind('"');
  std::string text;
  if (open == std::string::npos || close <= open) return text;
  for (std::size_t i = open + 1; i < close; ++i) {
    if (line[i] != '\\' || i + 1 >= close) {
      text += line[i];
      continue;
    }
    const char escaped = line[++i];
    text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
  }
  return text;
}

// The msgstr texts of a catalogue (each plural form one), the header's left out.
std::vector<std::string> Translations(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> texts;
  std::string line, msgid, current;
  enum { none, id, str } reading = none;
  const auto finish = [&] {
    if (reading == str && !msgid.empty() && !current.empty()) texts.push_back(current);
  };
  while (std::getline(in, line)) {
    if (line.starts_with("msgid ")) {
      finish();
      reading = id;
      msgid = Unquote(line);
    } else if (line.starts_with("msgstr")) {
      finish();
      reading = str;
      current = Unquote(line);
    } else if (line.starts_with("\"")) {
      (reading == id ? msgid : current) += Unquote(line);
    } else if (line.starts_with("msgid_plural")) {
      reading = id;
    }
  }
  finish();
  return texts;
}

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
  std::ifstream linguas(TESSARY_PO_DIR "/LINGUAS");
  std::string language;
  int checked = 0, missing = 0;
  while (linguas >> language) {
    if (language.starts_with("#")) continue;
    const std::vector<std::string> texts = Translations(TESSARY_PO_DIR "/" + language + ".po");
    if (texts.empty()) {
      std::printf("FAIL %s: no translations read\n", language.c_str());
      ++missing;
    }
    for (const std::string& text : texts)
      for (bool bold : {false, true}) {
        ++checked;
        if (!render::HasMissingGlyphs(*font, text, language, bold)) continue;
        ++missing;
        std::printf("FAIL %s%s: \"%s\" has a glyph no face draws\n", language.c_str(),
                    bold ? " (bold)" : "", text.c_str());
      }
  }
  render::CloseFontFace(font);
  std::printf("catalogue_glyphs: %d texts checked, %d with missing glyphs\n", checked, missing);
  return checked > 0 && missing == 0 ? 0 : 1;
}
