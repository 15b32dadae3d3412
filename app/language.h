// Which language the game speaks: --lang, else the menu's choice kept in tessary.conf, else the
// environment's locale.
#pragma once

#include <optional>
#include <string>

#include "game/language.h"

namespace app {

// The environment's language as gettext reads it: the first usable entry of LANGUAGE (a colon
// list), else the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty, each read by
// game::LanguageOfCode; none when nothing names a language of the table. Null arguments stand
// for unset variables.
std::optional<game::Language> LanguageOfEnvironment(const char* language, const char* lcAll,
                                                    const char* lcMessages, const char* lang);

// The language of the run: the option, else the remembered choice (tessary.conf's `language`,
// one line on stderr when it names no language), else this process's environment, else English.
game::Language ChooseLanguage(std::optional<game::Language> option,
                              const std::optional<std::string>& remembered = std::nullopt);

}  // namespace app
