// The languages the game's texts come in: one type for the application's choice, the drawing's
// lookup and the names per language that files keep. No SDL, no GL.
#pragma once

#include <optional>
#include <string_view>

namespace game {

enum class Language { chinese, english };

// The language's code as catalogues and files name it: "zh", "en".
constexpr std::string_view CodeOf(Language language) {
  return language == Language::chinese ? "zh" : "en";
}

// The language whose code is exactly code; none for any other text.
constexpr std::optional<Language> LanguageOfCode(std::string_view code) {
  for (const Language language : {Language::chinese, Language::english})
    if (code == CodeOf(language)) return language;
  return std::nullopt;
}

}  // namespace game
