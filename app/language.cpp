#include "app/language.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace app {

std::optional<game::Language> LanguageOfEnvironment(const char* language, const char* lcAll,
                                                    const char* lcMessages, const char* lang) {
  if (language != nullptr) {
    std::string_view entries(language);
    while (!entries.empty()) {
      const std::size_t colon = entries.find(':');
      if (const auto found = game::LanguageOfCode(entries.substr(0, colon))) return found;
      if (colon == std::string_view::npos) break;
      entries.remove_prefix(colon + 1);
    }
  }
  for (const char* value : {lcAll, lcMessages, lang})
    if (value != nullptr && *value != '\0') return game::LanguageOfCode(value);
  return std::nullopt;
}

game::Language ChooseLanguage(std::optional<game::Language> option,
                              const std::optional<std::string>& remembered) {
  if (option) return *option;
  if (remembered) {
    if (const auto language = game::LanguageOfCode(*remembered)) return *language;
    std::fprintf(stderr, "tessary: settings: language = %s is no language of the game\n",
                 remembered->c_str());
  }
  return LanguageOfEnvironment(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                               std::getenv("LC_MESSAGES"), std::getenv("LANG"))
      .value_or(game::Language::english);
}

}  // namespace app
