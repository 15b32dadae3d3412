#include "app/language.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/records_keeper.h"
#include "render/render_local.h"

namespace app {
namespace {

using game::Language;

std::string CodeOrNone(std::optional<Language> language) {
  return language ? std::string(game::CatalogueCodeOf(*language)) : "none";
}

TEST(LanguageChoice, CodesLocalesAndTheEnvironmentNameTheLanguageOfTheTable) {
  // The table: English first, then po/LINGUAS; the original two keep their short codes.
  EXPECT_EQ(game::CatalogueCodeOf(Language::english), "en");
  EXPECT_EQ(game::CodeOf(Language::chinese), "zh");
  EXPECT_EQ(game::CatalogueCodeOf(Language::chinese), "zh_CN");
  EXPECT_EQ(game::OwnNameOf(Language::chinese), "简体中文");
  EXPECT_EQ(game::OwnNameOf(*game::LanguageOfCode("de")), "Deutsch");
  Language language = Language::english;
  for (int step = 0; step < game::kLanguageCount; ++step) {
    EXPECT_EQ(game::LanguageOfCode(game::CodeOf(language)), language);  // every code read back
    language = game::NextLanguage(language);
  }
  EXPECT_EQ(language, Language::english) << "the selector comes round";

  const struct {
    const char* code;
    const char* expected;
  } kCodes[] = {
      {"zh", "zh_CN"},          {"en", "en"},          {"zh_CN.UTF-8", "zh_CN"},
      {"zh_TW", "zh_TW"},       {"zh_TW.Big5", "zh_TW"}, {"zh_HK.UTF-8", "zh_TW"},
      {"zh_MO", "zh_TW"},       {"zh_SG", "zh_CN"},    {"pt_BR", "pt_BR"},
      {"pt_PT.UTF-8", "pt_BR"}, {"pt", "pt_BR"},       {"de_AT.UTF-8@euro", "de"},
      {"de", "de"},             {"en_GB.UTF-8", "en"}, {"ar_EG", "ar"},
      {"hi_IN", "hi"},          {"C", "en"},           {"POSIX", "en"},
      {"C.UTF-8", "en"},        {"sr@latin", "none"},  {"xx_YY", "none"},
      {"", "none"},             {"zhx", "none"},       {"en_US.zh", "en"},
  };
  for (const auto& [code, expected] : kCodes)
    EXPECT_EQ(CodeOrNone(game::LanguageOfCode(code)), expected) << code;

  // LANGUAGE's first usable entry, then the first of LC_ALL, LC_MESSAGES, LANG set and not empty.
  const struct {
    const char *language, *lcAll, *lcMessages, *lang, *expected;
  } kEnvironments[] = {
      {nullptr, nullptr, nullptr, nullptr, "none"},
      {nullptr, nullptr, nullptr, "zh_CN.UTF-8", "zh_CN"},
      {nullptr, nullptr, nullptr, "de_DE.UTF-8", "de"},
      {"xx:fr_CA:de", nullptr, nullptr, "zh_CN.UTF-8", "fr"},
      {"", nullptr, nullptr, "ja_JP.UTF-8", "ja"},
      {"xx", nullptr, nullptr, "ko_KR.UTF-8", "ko"},
      {nullptr, "en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", "en"},
      {nullptr, "", "ru_RU.UTF-8", "en_US.UTF-8", "ru"},
      {nullptr, "", "", "it_IT", "it"},
      {nullptr, "xx_YY", "de_DE", "de_DE", "none"},  // the first set decides, as POSIX says
  };
  for (const auto& e : kEnvironments)
    EXPECT_EQ(CodeOrNone(LanguageOfEnvironment(e.language, e.lcAll, e.lcMessages, e.lang)),
              e.expected)
        << (e.language ? e.language : "-") << " " << (e.lcAll ? e.lcAll : "-") << " "
        << (e.lang ? e.lang : "-");

  // The option, then tessary.conf, then the environment, then English.
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(variable);
  EXPECT_EQ(ChooseLanguage(std::nullopt), Language::english);
  ASSERT_EQ(::setenv("LC_ALL", "zh_CN.UTF-8", 1), 0);
  EXPECT_EQ(ChooseLanguage(std::nullopt), Language::chinese);
  EXPECT_EQ(ChooseLanguage(std::nullopt, "de"), game::LanguageOfCode("de"));
  EXPECT_EQ(ChooseLanguage(Language::english, "de"), Language::english);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ChooseLanguage(std::nullopt, "klingon"), Language::chinese);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("klingon"), std::string::npos);
  ::unsetenv("LC_ALL");
}

}  // namespace
}  // namespace app

namespace app {
namespace {

TEST(LanguageChoice, RecordDatesInTheLanguageNeverMojibake) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  constexpr int64_t kNoon = 1796817600;  // 9 December 2026, 12:00 UTC
  // The original two keep the desktop's format, as they always had.
  EXPECT_EQ(DateIn(game::Language::english, kNoon), DesktopDate(kNoon));
  EXPECT_EQ(DateIn(game::Language::chinese, kNoon), DesktopDate(kNoon));
  // The others: their locale's %x where the system has it, else ISO; valid UTF-8 either way.
  for (int i = 0; i < game::kLanguageCount; ++i) {
    const game::Language language{static_cast<uint8_t>(i)};
    const std::string date = DateIn(language, kNoon);
    EXPECT_FALSE(date.empty()) << game::CodeOf(language);
    const std::string name = std::string(game::CatalogueCodeOf(language)) + ".UTF-8";
    const locale_t locale = ::newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
    if (locale != static_cast<locale_t>(0)) {
      ::freelocale(locale);
    } else if (language != game::Language::english && language != game::Language::chinese) {
      EXPECT_EQ(date, "2026-12-09") << game::CodeOf(language);
    }
    const std::vector<char32_t> decoded = render::DecodeUtf8(date, U'\uFFFD');
    EXPECT_EQ(std::count(decoded.begin(), decoded.end(), U'\uFFFD'), 0) << date;
  }
  ::unsetenv("TZ");
}

}  // namespace
}  // namespace app
