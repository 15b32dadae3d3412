// The languages the game's texts come in: one type for the application's choice, the drawing's
// lookup and the names per language that files keep. The list is data: English, then every
// catalogue of po/LINGUAS in its order (generated at configure time). No SDL, no GL.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace game {

// A language of the table; the original game's two have names of their own.
struct Language {
  uint8_t index = 0;  // into LanguageTable(); in range by construction

  static const Language english;
  static const Language chinese;  // Simplified Chinese, "zh" to the command line and old files

  friend constexpr bool operator==(Language, Language) = default;
};

struct LanguageInfo {
  std::string_view code;     // the catalogue's code: "en", "zh_CN", "pt_BR", "de"
  std::string_view ownName;  // written in the language itself: "Deutsch", "简体中文"
};

inline constexpr LanguageInfo kLanguageTable[] = {
#include "game/language_table.inc"
};
inline constexpr int kLanguageCount = static_cast<int>(std::size(kLanguageTable));
static_assert(kLanguageCount <= 255);

// The language whose catalogue code is exactly code; none for any other text.
constexpr std::optional<Language> LanguageOfCatalogueCode(std::string_view code) {
  for (int i = 0; i < kLanguageCount; ++i)
    if (kLanguageTable[i].code == code) return Language{static_cast<uint8_t>(i)};
  return std::nullopt;
}

inline constexpr Language Language::english{0};
inline constexpr Language Language::chinese{LanguageOfCatalogueCode("zh_CN").value_or(english)};

// The catalogue's code of the language ("zh_CN", "en", "de").
constexpr std::string_view CatalogueCodeOf(Language language) {
  return kLanguageTable[language.index].code;
}

// The language's code as the command line and older files name it: "zh" for Simplified
// Chinese, the catalogue's code for every other ("en", "zh_TW", "de").
constexpr std::string_view CodeOf(Language language) {
  return language == Language::chinese ? std::string_view("zh") : CatalogueCodeOf(language);
}

// The language's name, written in it.
constexpr std::string_view OwnNameOf(Language language) {
  return kLanguageTable[language.index].ownName;
}

// The language of a code or a locale name ("de", "zh", "pt_PT.UTF-8", "sr@latin"): its
// encoding and modifier dropped, the exact code first, then Chinese by region (zh_HK and zh_MO
// Traditional, any other Simplified), then the language part alone ("de_AT" German, "pt_PT" the
// one Portuguese); "C" and "POSIX" English. None for a language the table lacks.
std::optional<Language> LanguageOfCode(std::string_view code);

// The next language in the table's order, round: the menu's selector step.
constexpr Language NextLanguage(Language language) {
  return Language{static_cast<uint8_t>((language.index + 1) % kLanguageCount)};
}

}  // namespace game
