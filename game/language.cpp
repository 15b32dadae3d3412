#include "game/language.h"

namespace game {

std::optional<Language> LanguageOfCode(std::string_view code) {
  code = code.substr(0, code.find_first_of(".@"));
  if (code.empty()) return std::nullopt;
  if (code == "C" || code == "POSIX") return Language::english;
  if (code == "zh") return Language::chinese;
  if (const auto exact = LanguageOfCatalogueCode(code)) return exact;
  const std::string_view part = code.substr(0, code.find('_'));
  if (part == "zh") {
    const bool traditional = code == "zh_HK" || code == "zh_MO" || code == "zh_Hant";
    return LanguageOfCatalogueCode(traditional ? "zh_TW" : "zh_CN");
  }
  // The language alone, else the first catalogue of it whatever its region (pt_BR for pt_PT).
  if (const auto bare = LanguageOfCatalogueCode(part)) return bare;
  for (int i = 0; i < kLanguageCount; ++i) {
    const std::string_view candidate = kLanguageTable[i].code;
    if (candidate.substr(0, candidate.find('_')) == part) return Language{static_cast<uint8_t>(i)};
  }
  return std::nullopt;
}

}  // namespace game
