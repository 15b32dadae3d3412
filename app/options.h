// The command line: one table gives the options, the usage text and the man page's OPTIONS.
// Parsed before SDL starts, so --help and --version never open a window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "game/language.h"

namespace app {

struct Options {
  std::optional<bool> fullscreen;  // --fullscreen / --window; empty: as the game starts by default
  std::optional<game::Language> language;  // --lang CODE; empty: the menu's choice or the locale's
  std::optional<int8_t> players;  // --players: a game::PlayerMode for this run only
  std::optional<int8_t> clock;    // --clock: a game::ClockChoice for this run only
  std::string pictures;  // --pictures DIR: a folder of pictures for this run; empty: none
  bool speech = false;   // --speech: the game speaks this run, whatever the menu's switch says
};

struct OptionInfo {
  const char* longName;
  const char* argument;  // null for a switch
  const char* help;      // one line for --help and the man page
};

// Every option in the order --help lists them.
std::span<const OptionInfo> OptionTable();

// The usage text that --help prints (ends with a line end).
std::string UsageText();

// What the command line asks for: play with these options, or leave at once with a status.
struct CommandLine {
  Options options;
  std::optional<int> exitStatus;  // set when the process must end without playing
};

// Parses argv. --help prints the usage on stdout (status 0); --version prints "tessary X.Y.Z"
// (status 0); an unknown option, a bad value or a stray argument prints the usage on stderr
// (status 2).
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace app
