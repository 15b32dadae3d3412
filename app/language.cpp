#include "app/language.h"

#include <cstdlib>
#include <string_view>

namespace app {

game::Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value == nullptr || *value == '\0') continue;
    // "zh" at the start, whatever follows ("zh_TW.Big5", "zhx" alike): as the game always read it.
    return std::string_view(value).starts_with(game::CodeOf(game::Language::chinese))
               ? game::Language::chinese
               : game::Language::english;
  }
  return game::Language::english;  // no locale at all: the "C" locale
}

game::Language ChooseLanguage(std::optional<game::Language> option) {
  if (option) return *option;
  return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace app
