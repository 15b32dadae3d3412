// Which language the game speaks: --lang, else the locale of the environment.
#pragma once

#include <optional>

#include "game/language.h"

namespace app {

// The locale's language as POSIX orders the variables: the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty decides; "zh" at its start gives Chinese, anything else English.
// Null arguments stand for unset variables.
game::Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);

// The option when it names a language, else the locale of this process's environment.
game::Language ChooseLanguage(std::optional<game::Language> option);

}  // namespace app
