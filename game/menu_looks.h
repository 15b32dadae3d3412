// The colours of the menu's pictures, 0xRRGGBB, in one place: the data generator draws each
// button's glow, body, rim and label in its accent, and the game writes a label in the same
// colours over a label-less picture ("esay_blank.jpg", storage::BlankPictureSources). No SDL, no GL.
#pragma once

#include <array>
#include <cstdint>

#include "game/menu.h"

namespace game {

struct MenuAccent {
  MenuName name;
  uint32_t rgb;
};

// Each button keeps its own hue so the menu reads at a glance: the levels go from green to red.
inline constexpr std::array<MenuAccent, 9> kMenuAccents = {{
    {MenuName::help, 0x9f8cff},
    {MenuName::easy, 0x5fe08a},
    {MenuName::normal, 0x4fb8ff},
    {MenuName::hard, 0xff7a4f},
    {MenuName::exit, 0xff5a78},
    {MenuName::about, 0xffc94f},
    // The panels share one picture, "selector.jpg".
    {MenuName::pictures, 0x8fa8e8},
    {MenuName::players, 0x8fa8e8},
    {MenuName::records, 0x8fa8e8},
}};

// The back button of the help and about screens (no menu control).
inline constexpr uint32_t kBackAccent = 0x6fd6e8;

// A button's label: at rest its accent mixed this far towards white, lit (hover) plain white;
// its glow is the accent at kLabelGlowResting / kLabelGlowLit of its brightness.
inline constexpr double kLabelWhiteness = 0.72;
inline constexpr double kLabelGlowResting = 0.4;
inline constexpr double kLabelGlowLit = 0.6;

// A switch (sound, music, vsync): its frame, pill and glow green when on, grey when off; its
// label white when on, kSwitchOffLabel at kSwitchOffLabelBrightness of its brightness when off.
inline constexpr uint32_t kSwitchOnColour = 0x58f08c;
inline constexpr uint32_t kSwitchOffColour = 0x8a8f99;
inline constexpr uint32_t kSwitchOffLabel = 0xc8ccd4;
inline constexpr double kSwitchOffLabelBrightness = 0.62;

// The accent of the menu control called name; white for one without (the switches, none).
// Any thread.
constexpr uint32_t AccentOf(MenuName name) {
  for (const MenuAccent& accent : kMenuAccents)
    if (accent.name == name) return accent.rgb;
  return 0xffffff;
}

}  // namespace game
