#include "app/language.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace app {
namespace {

using game::Language::chinese;
using game::Language::english;

TEST(LanguageOfLocale, TheFirstSetNonEmptyVariableDecides) {
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "zh_CN.UTF-8"), chinese);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "en_US.UTF-8"), english);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "zh_TW.Big5"), chinese);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "zh"), chinese);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "de_DE.UTF-8"), english);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "C"), english);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, nullptr), english);
  EXPECT_EQ(LanguageOfLocale("en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8"), english);
  EXPECT_EQ(LanguageOfLocale("zh_CN.UTF-8", "en_US.UTF-8", "en_US.UTF-8"), chinese);
  EXPECT_EQ(LanguageOfLocale(nullptr, "zh_CN.UTF-8", "en_US.UTF-8"), chinese);
  // An empty variable counts as unset.
  EXPECT_EQ(LanguageOfLocale("", "", "zh_CN.UTF-8"), chinese);
  EXPECT_EQ(LanguageOfLocale("", "en_US.UTF-8", "zh_CN.UTF-8"), english);
  // Only a "zh" at the start names Chinese.
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "en_US.zh"), english);
  EXPECT_EQ(LanguageOfLocale(nullptr, nullptr, "z"), english);
}

TEST(ChooseLanguage, TheOptionOverridesTheLocale) {
  ASSERT_EQ(::setenv("LC_ALL", "zh_CN.UTF-8", 1), 0);
  EXPECT_EQ(ChooseLanguage(std::nullopt), chinese);
  EXPECT_EQ(ChooseLanguage(english), english);
  ASSERT_EQ(::setenv("LC_ALL", "en_US.UTF-8", 1), 0);
  EXPECT_EQ(ChooseLanguage(std::nullopt), english);
  EXPECT_EQ(ChooseLanguage(chinese), chinese);
  ::unsetenv("LC_ALL");
}

}  // namespace
}  // namespace app
