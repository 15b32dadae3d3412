// The looks of the menu's pictures in one place: colours 0xRRGGBB and shapes. The data generator
// draws each button's glow, body, rim and label in its accent, and the game writes a label in
// the same colours and place over a label-less picture ("esay_blank.jpg",
// storage::BlankPictureSources). No SDL, no GL.
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

// The shapes on a button's or switch's picture of w x h pixels (at any scale), so that a label
// written over a label-less one sits where the drawn labels sit.
// A button's frame: its margin above and below (inset) and at the sides (insetX).
struct ButtonFrame {
  double inset, insetX;
};
constexpr ButtonFrame ButtonFrameOf(double w, double h, bool backButton) {
  // On the 8 x 8 and 8 x 10 boards the back button's quad runs about 6 screen pixels (2 % of
  // the picture) past the window's right edge: its frame keeps clear of that strip.
  const double inset = h * 0.12;
  return {inset, backButton ? w * 0.075 : inset};
}

// A switch's frame margin (inset) and its toggle pill at the right.
struct SwitchPill {
  double inset, x, y, width, height;
};
constexpr SwitchPill SwitchPillOf(double w, double h) {
  const double inset = h * 0.08;
  const double pillH = h - 2 * inset - h * 0.18;
  const double pillW = pillH * 1.75;
  return {inset, w - inset - h * 0.1 - pillW, (h - pillH) / 2, pillW, pillH};
}

// Where a label goes: from left, at most width wide, centred on h / 2; bold text of pixelSize
// pixels, shrunk to fit width. A button's label is centred across the picture.
struct LabelPlace {
  double left, width, pixelSize;
};
constexpr LabelPlace ButtonLabelPlace(double w, double h, bool backButton) {
  const double room = w - 2 * ButtonFrameOf(w, h, backButton).insetX - h * 0.35;
  return {(w - room) / 2, room, h * 0.40};
}
// A switch's label starts at left, before the pill.
constexpr LabelPlace SwitchLabelPlace(double w, double h) {
  const SwitchPill pill = SwitchPillOf(w, h);
  const double left = pill.inset + h * 0.3;
  return {left, pill.x - left - h * 0.15, h * 0.56};
}

// The accent of the menu control called name; white for one without (the switches, none).
// Any thread.
constexpr uint32_t AccentOf(MenuName name) {
  for (const MenuAccent& accent : kMenuAccents)
    if (accent.name == name) return accent.rgb;
  return 0xffffff;
}

}  // namespace game
