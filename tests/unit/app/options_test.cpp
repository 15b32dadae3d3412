// The command line: what each option asks for, the exit statuses, and where the usage goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/build_config.h"
#include "app/options.h"
#include "game/choices.h"

namespace {

struct Parsed {
  app::CommandLine commandLine;
  std::string out;
  std::string err;
};

Parsed Parse(std::initializer_list<const char*> arguments) {
  std::vector<std::string> storage = {"tessary"};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  Parsed parsed;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  parsed.commandLine = app::ParseCommandLine(static_cast<int>(storage.size()), argv.data());
  parsed.out = testing::internal::GetCapturedStdout();
  parsed.err = testing::internal::GetCapturedStderr();
  return parsed;
}

TEST(CommandLine, NoOptionPlaysAsAlways) {
  const Parsed parsed = Parse({});
  EXPECT_FALSE(parsed.commandLine.exitStatus);
  EXPECT_FALSE(parsed.commandLine.options.fullscreen);
  EXPECT_EQ(parsed.commandLine.options.language, std::nullopt);
  EXPECT_EQ(parsed.out + parsed.err, "");
}

TEST(CommandLine, HelpAndVersionPrintOnStandardOutputAndEndWithZero) {
  for (const char* help : {"--help", "-h"}) {
    const Parsed parsed = Parse({help});
    EXPECT_EQ(parsed.commandLine.exitStatus, 0);
    EXPECT_EQ(parsed.out, app::UsageText());
    EXPECT_EQ(parsed.err, "");
  }
  // Every option of the table is in the usage (and so in the man page made from the table).
  for (const app::OptionInfo& option : app::OptionTable())
    EXPECT_NE(app::UsageText().find(std::string("--") + option.longName + " "), std::string::npos)
        << option.longName;

  const Parsed version = Parse({"--version"});
  EXPECT_EQ(version.commandLine.exitStatus, 0);
  EXPECT_EQ(version.out, std::string("tessary ") + app::kVersion + "\n");
  EXPECT_EQ(std::string(app::kVersion).find_first_not_of("0123456789."), std::string::npos);
}

TEST(CommandLine, BadInputPrintsTheUsageOnStandardErrorAndEndsWithTwo) {
  for (auto arguments : {std::initializer_list<const char*>{"--bogus"},
                         std::initializer_list<const char*>{"stray"},
                         std::initializer_list<const char*>{"--lang"},
                         std::initializer_list<const char*>{"--players", "5"},
                         std::initializer_list<const char*>{"--players", "12"},
                         std::initializer_list<const char*>{"--players", "0"},
                         std::initializer_list<const char*>{"--clock", "slow"},
                         std::initializer_list<const char*>{"--clock", ""},
                         std::initializer_list<const char*>{"--window", "extra"}}) {
    const Parsed parsed = Parse(arguments);
    EXPECT_EQ(parsed.commandLine.exitStatus, 2) << *arguments.begin();
    EXPECT_EQ(parsed.out, "");
    EXPECT_NE(parsed.err.find(app::UsageText()), std::string::npos) << parsed.err;
  }
}

TEST(CommandLine, SwitchesAndLanguage) {
  Parsed parsed = Parse({"--fullscreen", "--lang", "en"});
  EXPECT_FALSE(parsed.commandLine.exitStatus);
  EXPECT_EQ(parsed.commandLine.options.fullscreen, true);
  EXPECT_EQ(parsed.commandLine.options.language, game::Language::english);
  parsed = Parse({"--fullscreen", "--window", "--lang=zh"});  // the last switch wins
  EXPECT_EQ(parsed.commandLine.options.fullscreen, false);
  EXPECT_EQ(parsed.commandLine.options.language, game::Language::chinese);
  EXPECT_FALSE(parsed.commandLine.options.players);
  // Any catalogue's code, read as a locale name is; one the game lacks plays in English.
  EXPECT_EQ(Parse({"--lang", "fr"}).commandLine.options.language, game::LanguageOfCode("fr"));
  EXPECT_EQ(Parse({"--lang=pt_PT.UTF-8"}).commandLine.options.language,
            game::LanguageOfCode("pt_BR"));
  parsed = Parse({"--lang", "xx"});
  EXPECT_FALSE(parsed.commandLine.exitStatus);
  EXPECT_EQ(parsed.commandLine.options.language, game::Language::english);
  EXPECT_EQ(std::count(parsed.err.begin(), parsed.err.end(), '\n'), 1) << parsed.err;
}

TEST(CommandLine, PlayersAndClockForOneRun) {
  EXPECT_FALSE(Parse({"--players", "2"}).commandLine.options.clock);
  EXPECT_EQ(Parse({"--clock", "relaxed"}).commandLine.options.clock, game::relaxed);
  EXPECT_EQ(Parse({"--clock=countdown"}).commandLine.options.clock, game::countdown);
  EXPECT_EQ(Parse({"--players", "4"}).commandLine.options.players, game::fourPlayers);
  EXPECT_EQ(Parse({"--players=computer"}).commandLine.options.players, game::againstComputer);
}

}  // namespace
