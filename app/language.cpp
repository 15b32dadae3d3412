#include "app/language.h"

#include <cstdlib>
#include <cstring>

namespace app {

render::Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value == nullptr || *value == '\0') continue;
    return std::strncmp(value, "zh", 2) == 0 ? render::Language::chinese
                                              : render::Language::english;
  }
  return render::Language::english;  // no locale at all: the "C" locale
}

render::Language ChooseLanguage(Language option) {
  switch (option) {
    case Language::chinese: return render::Language::chinese;
    case Language::english: return render::Language::english;
    case Language::fromLocale: break;
  }
  return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace app
