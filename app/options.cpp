#include "app/options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "app/build_config.h"
#include "game/choices.h"

namespace app {

namespace {

enum OptionCode : int {
  kHelpCode = 'h',
  kVersionCode = 'V',
  kFullscreenCode = 1000,
  kWindowCode,
  kLangCode,
  kPlayersCode,
  kPicturesCode,
  kSpeechCode,
  kClockCode,
};

struct OptionEntry {
  OptionInfo info;
  int code;
};

constexpr std::array<OptionEntry, 9> kOptions = {{
    {{"help", nullptr, "show this help and exit"}, kHelpCode},
    {{"version", nullptr, "show the version and exit"}, kVersionCode},
    {{"fullscreen", nullptr, "start in full screen (F11 switches)"}, kFullscreenCode},
    {{"window", nullptr, "start in a window (the default)"}, kWindowCode},
    {{"lang", "CODE", "texts in language CODE: zh, en, de, ja, pt_BR... (default: the menu's, "
                      "else the locale's)"},
     kLangCode},
    {{"players", "1|2|3|4|computer",
      "alone, 2 to 4 at one screen or against the computer, this run"},
     kPlayersCode},
    {{"clock", "countdown|relaxed",
      "alone against the level's countdown, or at ease with no time limit, this run"},
     kClockCode},
    {{"pictures", "PATH", "play this run with the pictures of folder PATH, or the deck PATH"},
     kPicturesCode},
    {{"speech", nullptr, "speak the menus and boards through speech-dispatcher, this run"},
     kSpeechCode},
}};

std::array<OptionInfo, kOptions.size()> MakeTable() {
  std::array<OptionInfo, kOptions.size()> table{};
  for (std::size_t i = 0; i < kOptions.size(); ++i) table[i] = kOptions[i].info;
  return table;
}

const std::array<OptionInfo, kOptions.size()> kTable = MakeTable();

}  // namespace

std::span<const OptionInfo> OptionTable() { return kTable; }

std::string UsageText() {
  std::string text = "Usage: tessary [OPTION]...\nA 3-D memory game: open two boxes at a time, "
                     "equal pictures vanish.\n\n";
  for (const OptionInfo& option : kTable) {
    std::string name = std::string("  --") + option.longName;
    if (option.argument) name += std::string(" ") + option.argument;
    name.resize(std::max<std::size_t>(name.size() + 2, 22), ' ');
    text += name + option.help + "\n";
  }
  return text;
}

CommandLine ParseCommandLine(int argc, char** argv) {
  std::array<option, kOptions.size() + 1> longOptions{};
  for (std::size_t i = 0; i < kOptions.size(); ++i)
    longOptions[i] = {kOptions[i].info.longName,
                      kOptions[i].info.argument ? required_argument : no_argument, nullptr,
                      kOptions[i].code};

  CommandLine result;
  auto fail = [&result] {
    std::fputs(UsageText().c_str(), stderr);
    result.exitStatus = 2;
    return result;
  };
  opterr = 1;  // getopt names the bad option on stderr before our usage
  optind = 0;  // not 1: glibc then also forgets where an earlier parse stopped inside "-hV"
  int code;
  while ((code = getopt_long(argc, argv, "hV", longOptions.data(), nullptr)) != -1) {
    switch (code) {
      case kHelpCode:
        std::fputs(UsageText().c_str(), stdout);
        result.exitStatus = 0;
        return result;
      case kVersionCode:
        std::printf("tessary %s\n", kVersion);
        result.exitStatus = 0;
        return result;
      case kFullscreenCode: result.options.fullscreen = true; break;
      case kWindowCode: result.options.fullscreen = false; break;
      case kLangCode:
        // A language the game lacks is no reason not to play: English, as gettext would.
        result.options.language = game::LanguageOfCode(optarg).value_or(game::Language::english);
        if (!game::LanguageOfCode(optarg))
          std::fprintf(stderr, "tessary: --lang: no texts in \"%s\"; playing in English\n",
                       optarg);
        break;
      case kPlayersCode: {
        const auto mode = game::ParsePlayerMode(optarg);  // spelled as tessary.conf spells it
        if (!mode) {
          std::fprintf(stderr, "tessary: --players: \"%s\" is none of 1, 2, 3, 4, computer\n",
                       optarg);
          return fail();
        }
        result.options.players = *mode;
        break;
      }
      case kClockCode: {
        const auto clock = game::ParseClockChoice(optarg);  // spelled as tessary.conf spells it
        if (!clock) {
          std::fprintf(stderr, "tessary: --clock: \"%s\" is neither countdown nor relaxed\n",
                       optarg);
          return fail();
        }
        result.options.clock = *clock;
        break;
      }
      case kPicturesCode:
        if (*optarg == '\0') {
          std::fprintf(stderr, "tessary: --pictures: the folder's name is empty\n");
          return fail();
        }
        result.options.pictures = optarg;
        break;
      case kSpeechCode: result.options.speech = true; break;
      default: return fail();
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "tessary: unexpected argument \"%s\"\n", argv[optind]);
    return fail();
  }
  return result;
}

}  // namespace app
