// The labels of the menu's buttons, switches and the back button in the player's language: in
// Chinese and English the pictures carry them; in any other language the package's label-less
// twin of the picture is drawn and the game writes the label over it, in the button's style.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/render_local.h"

namespace render {

namespace {

// How a picture's label looks: the accent of its frame (the buttons' labels are that hue mixed
// towards white, as drawn into the pictures) or a switch's own layout.
enum class LabelLayout { button, backButton, toggle };
struct LabelLook {
  unsigned firstList, lastList;  // the picture's lists, resting and lit (or on and off)
  LabelLayout layout;
  uint32_t accent;
};
// The accents are the ones tools/pictures_ui.cpp draws the pictures with.
constexpr LabelLook kLabelLooks[] = {
    {LIST_README, LIST_README_HOVER, LabelLayout::button, 0x9f8cff},
    {LIST_EASY, LIST_EASY_HOVER, LabelLayout::button, 0x5fe08a},
    {LIST_NORMAL, LIST_NORMAL_HOVER, LabelLayout::button, 0x4fb8ff},
    {LIST_HARD, LIST_HARD_HOVER, LabelLayout::button, 0xff7a4f},
    {LIST_OUT, LIST_OUT_HOVER, LabelLayout::button, 0xff5a78},
    {LIST_ABOUT, LIST_ABOUT_HOVER, LabelLayout::button, 0xffc94f},
    {LIST_BACK, LIST_BACK_HOVER, LabelLayout::backButton, 0x6fd6e8},
    {LIST_SOUND_ON, LIST_MUSIC_OFF, LabelLayout::toggle, 0x58f08c},
    {LIST_FPS_ON, LIST_FPS_OFF, LabelLayout::toggle, 0x58f08c},
};

const LabelLook* LookOf(unsigned list) {
  for (const LabelLook& look : kLabelLooks)
    if (list >= look.firstList && list <= look.lastList) return &look;
  return nullptr;
}

// Pixels of the 800 x 600 picture per unit of eye space at depth z (the 45-degree perspective).
float PixelsPerUnit(float z) {
  return static_cast<float>(kClientHeight) / (2.0f * -z * std::tan(22.5f * 3.14159265f / 180.0f));
}

float Channel(uint32_t colour, int shift) {
  return static_cast<float>((colour >> shift) & 0xff) / 255.0f;
}

}  // namespace

bool WritesOwnLabels() {
  const game::Language language = CurrentLanguage();
  return language != game::Language::chinese && language != game::Language::english;
}

bool HasBakedLabel(int texture) {
  return LookOf(ListOfTexture(texture)) != nullptr;
}

std::string BlankPictureName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string(name) + "_blank";
  return std::string(name.substr(0, dot)) + "_blank" + std::string(name.substr(dot));
}

bool CallPictureList(unsigned list) {
  const bool ownLabel = !Picking() && WritesOwnLabels() && LookOf(list) != nullptr &&
                        TheAssets().blankTextures[TextureOfList(list)] != 0;
  glCallList(ownLabel ? kBlankListOffset + list : list);
  return ownLabel;
}

void DrawPictureLabel(unsigned list, std::string_view label, const game::MenuPlace& place,
                      bool lit) {
  const LabelLook* look = LookOf(list);
  if (look == nullptr || label.empty()) return;
  // The text plane (z = -10) is 10 / -z times as far as the picture.
  const float toText = 10.0f / -place.z;
  const float w = 2.0f * place.halfWidth, h = 2.0f * place.halfHeight;  // eye units
  const float heightPixels = h * PixelsPerUnit(place.z);
  TextStyle style;
  style.bold = true;
  float left = 0.0f, room = 0.0f;  // eye units from the picture's left edge
  float r = 1.0f, g = 1.0f, b = 1.0f;
  switch (look->layout) {
    case LabelLayout::toggle: {
      // Left of the switch's pill, as the pictures place their label; grey while off.
      style.pixels = static_cast<int>(std::lround(0.56f * heightPixels));
      left = 0.38f * h;
      room = w - 1.865f * h;
      if (!lit) r = 0.49f, g = 0.5f, b = 0.52f;
      break;
    }
    case LabelLayout::button:
    case LabelLayout::backButton: {
      style.pixels = static_cast<int>(std::lround(0.40f * heightPixels));
      const float insetX = look->layout == LabelLayout::backButton ? 0.075f * w : 0.12f * h;
      room = w - 2.0f * insetX - 0.35f * h;
      left = (w - room) / 2.0f;
      if (!lit) {
        r = 0.28f * Channel(look->accent, 16) + 0.72f;
        g = 0.28f * Channel(look->accent, 8) + 0.72f;
        b = 0.28f * Channel(look->accent, 0) + 0.72f;
      }
      break;
    }
  }
  style.pixels = std::max(style.pixels, 8);
  const float centreY = place.y * toText;
  Anchor at{(place.x - place.halfWidth + left) * toText, 0.0f, Align::left, room * toText};
  if (look->layout != LabelLayout::toggle) {
    at.x = place.x * toText;
    at.align = Align::centre;
  }
  // The cell's middle on the picture's middle.
  at.y = centreY - CellHeight(style) / 2.0f;
  DrawTextAt(label, at, style, r, g, b);
  glColor3f(1.0f, 1.0f, 1.0f);
}

}  // namespace render
