// The English texts. A translation is one more file like this one (plain ASCII, or GBK bytes for
// what the 14-pixel font can show) and one line in texts.cpp. Placed to fit where the Chinese
// ones stand: a raster unit on the text plane is about 72 pixels of the 800 x 600 picture, a
// character of the font about 6; the board labels end before their values, the about screen's
// lines are centred as the Chinese ones are.
#include <string>

#include "render/render_local.h"

namespace render {

namespace {

const CreditLine kEnglishCredits[4] = {
    {"By the Tessary team (sounds, pictures and program all our own)", -2.63f, 3.5f, 0.0f, 0.0f,
     1.0f},
    {"Of course, the sounds and pictures are made by the program.", -2.48f, 3.2f, 0.0f, 1.0f,
     0.0f},
    {"Mail: team@tessary.dev", -0.95f, 2.9f, 1.0f, 0.0f, 0.0f},
    {"Released: 8 December 2026", -1.09f, 2.6f, 1.0f, 1.0f, 1.0f},
};

std::string EnglishNewRecord(int place) {
  const int lastTwo = place % 100;
  const char* suffix = "th";
  if (lastTwo < 11 || lastTwo > 13) {
    if (place % 10 == 1) suffix = "st";
    if (place % 10 == 2) suffix = "nd";
    if (place % 10 == 3) suffix = "rd";
  }
  return "New record: " + std::to_string(place) + suffix;
}

}  // namespace

const Texts kEnglishTexts = {
    {"Loading, please wait......", -0.8f, -3.5f},
    {"Best score:", -3.62f, 3.6f},
    {"Time left:", -0.56f, 3.6f},
    {"You won!!!", -0.5f, 0.0f},
    {"You lost!!!", -0.5f, 0.0f},
    kEnglishCredits,
    "Pictures",
    "Players",
    {"1 player", "2 players", "3 players", "4 players", "vs computer"},
    "Classic",
    {"Time:", 3.85f, 3.6f},
    {"Player 1", "Player 2", "Player 3", "Player 4"},
    "Computer",
    " wins!",
    "A draw!",
    " pairs",
};

const RecordsTexts kEnglishRecordsTexts = {
    {"Records", -0.3f, 3.6f},
    {"Easy", "Normal", "Hard"},
    "No wins yet",
    "Games %d  won %d (%d%%)",
    "Fastest win: %d s",
    "Against the computer: %d, won %d",
    "Between players: %d",
    "Records",
    "Best ten",
    {"Paused", -0.25f, 0.3f},
    {"Press any key or click to go on", -1.1f, -0.1f},
    EnglishNewRecord,
};

}  // namespace render
