// The help screen's page: where its words stand on the 800 x 600 picture, and which texts they
// are. tools/ draws the page (in Chinese and English, the words in the picture; for any other
// language without them) and render/ writes the words of the player's language in the same
// places. No SDL, no GL.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "game/text_id.h"

namespace game {

struct HelpRule {
  std::string_view chinese;  // the picture's first line
  std::string_view text;     // the text id (English), the picture's second line
  uint32_t colour;           // the number's dot, 0xRRGGBB
};

struct HelpLevelCard {
  std::string_view chinese;  // the card's name in the picture, before the English
  std::string_view name;     // the text id: the level's name as the menu writes it
  int columns, rows, seconds;
  uint32_t colour;
};

// The title, centred, its middle at this height.
inline constexpr float kHelpTitleX = 400.0f, kHelpTitleY = 64.0f;
// TRANSLATORS: the help screen's title; at most about 30 characters.
inline constexpr std::string_view kHelpTitle = N_("How to Play");

// The rules: a numbered dot at kHelpRuleDotX, the text from kHelpRuleTextX to the panel's right
// edge, the first rule's top at kHelpRuleTop, one every kHelpRuleStep pixels.
inline constexpr float kHelpRuleDotX = 96.0f, kHelpRuleTextX = 126.0f;
inline constexpr float kHelpRuleTop = 104.0f, kHelpRuleStep = 56.0f;
inline constexpr float kHelpRuleRight = 740.0f;
inline constexpr std::array<HelpRule, 4> kHelpRules = {{
    {"用鼠标点击方块把它翻开，每次翻开两个。",
     // TRANSLATORS: the help screen's rules, one each; a rule has room for two lines of about
     // 65 characters.
     N_("Click a box to open it. Open two boxes at a time."), 0x5fe08a},
    {"两个图案相同，这一对就会消失；不同就会合上。",
     // TRANSLATORS: a rule of the help screen; two lines of about 65 characters.
     N_("Two equal pictures vanish as a pair; different ones close again."), 0x4fb8ff},
    {"每找到一对，就得到剩余的秒数作为分数。",
     // TRANSLATORS: a rule of the help screen; two lines of about 65 characters.
     N_("Each pair you find scores the seconds left on the clock."), 0xffc94f},
    {"在时间用完之前找出所有配对，你就赢了！",
     // TRANSLATORS: a rule of the help screen; two lines of about 65 characters.
     N_("Find every pair before the time runs out to win!"), 0xff7a4f},
}};

// The three levels as cards: kHelpCardWidth x kHelpCardHeight, kHelpCardGap apart, centred on
// the picture, their tops at kHelpCardTop; the name's middle kHelpCardNameY below the top, the
// grid and time's kHelpCardDetailY below.
inline constexpr float kHelpCardWidth = 196.0f, kHelpCardHeight = 74.0f, kHelpCardGap = 22.0f;
inline constexpr float kHelpCardTop = 338.0f, kHelpCardNameY = 22.0f, kHelpCardDetailY = 51.0f;
inline constexpr std::array<HelpLevelCard, 3> kHelpLevelCards = {{
    {"简单", N_("Easy"), 6, 6, 120, 0x5fe08a},
    {"普通", N_("Normal"), 8, 8, 300, 0x4fb8ff},
    {"困难", N_("Hard"), 8, 10, 600, 0xff7a4f},
}};
// TRANSLATORS: a level's card on the help screen: columns x rows of boxes, then the seconds on
// the clock ("s" for seconds); at most about 24 characters.
inline constexpr std::string_view kHelpCardDetail = N_("%d × %d   ·   %d s");

// The keys: a cap at each x, its text from 32 pixels right of it, their middles at kHelpKeyY.
inline constexpr float kHelpKeyY = 444.0f;
inline constexpr float kHelpBackKeyX = 96.0f, kHelpQuitKeyX = 400.0f, kHelpKeyTextGap = 32.0f;
// TRANSLATORS: beside the Esc key on the help screen; at most about 34 characters.
inline constexpr std::string_view kHelpBackKey = N_("back to the menu");
// TRANSLATORS: beside the Esc key on the help screen: Esc pressed three times in the menu
// quits; at most about 34 characters.
inline constexpr std::string_view kHelpQuitKey = N_("three times in the menu to quit");

// The card of level k's left edge.
constexpr float HelpCardLeft(int k) {
  return 400.0f - (3.0f * kHelpCardWidth + 2.0f * kHelpCardGap) / 2.0f +
         static_cast<float>(k) * (kHelpCardWidth + kHelpCardGap);
}

}  // namespace game
