// The labels of the menu's buttons, switches and the back button in the player's language: in
// Chinese and English the pictures carry them; in any other language the package's label-less
// twin of the picture is drawn and the game writes the label over it, in the button's style.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "game/menu_looks.h"
#include "render/render_local.h"

namespace render {

namespace {

// Pixels of the 800 x 600 picture per unit of eye space at depth z (the 45-degree perspective).
float PixelsPerUnit(float z) {
  return static_cast<float>(kClientHeight) / (2.0f * -z * std::tan(22.5f * 3.14159265f / 180.0f));
}

// Colour channel of 0xRRGGBB, mixed `towardWhite` of the way to white, scaled by brightness.
float Channel(uint32_t rgb, int shift, double towardWhite, double brightness = 1.0) {
  const double value = static_cast<double>((rgb >> shift) & 0xffu) / 255.0;
  return static_cast<float>((value + (1.0 - value) * towardWhite) * brightness);
}

}  // namespace

bool WritesOwnLabels() {
  const game::Language language = CurrentLanguage();
  return language != game::Language::chinese && language != game::Language::english;
}

bool HasBlankTwin(int texture) {
  if (texture < 0 || texture >= storage::kTextureCount) return false;
  return std::find(storage::BlankPictureSources.begin(), storage::BlankPictureSources.end(),
                   storage::TextureTable[static_cast<std::size_t>(texture)]) !=
         storage::BlankPictureSources.end();
}

bool CallPictureList(unsigned list) {
  const int texture = TextureOfList(list);
  const bool ownLabel = !Picking() && WritesOwnLabels() && HasBlankTwin(texture) &&
                        TheAssets().blankTextures[texture] != 0;
  glCallList(ownLabel ? kBlankListOffset + list : list);
  return ownLabel;
}

bool CallBlankPictureList(unsigned list) {
  const int texture = TextureOfList(list);
  if (!HasBlankTwin(texture) || TheAssets().blankTextures[texture] == 0) return false;
  glCallList(kBlankListOffset + list);
  return true;
}

void DrawPictureLabel(game::MenuName name, std::string_view label, const game::MenuPlace& place,
                      bool lit) {
  if (label.empty()) return;
  // The picture's size in pixels of the 800 x 600 picture: the looks' shapes scale with it.
  const double pixels = PixelsPerUnit(place.z);
  const double w = 2.0 * place.halfWidth * pixels, h = 2.0 * place.halfHeight * pixels;
  const bool toggle = name != game::MenuName::none &&
                      game::GetMenuControl(name).kind == game::MenuKind::toggle;
  const game::LabelPlace room = toggle ? game::SwitchLabelPlace(w, h)
                                       : game::ButtonLabelPlace(w, h, name == game::MenuName::none);
  float r = 1.0f, g = 1.0f, b = 1.0f;  // lit: white
  if (!lit && toggle) {
    r = Channel(game::kSwitchOffLabel, 16, 0.0, game::kSwitchOffLabelBrightness);
    g = Channel(game::kSwitchOffLabel, 8, 0.0, game::kSwitchOffLabelBrightness);
    b = Channel(game::kSwitchOffLabel, 0, 0.0, game::kSwitchOffLabelBrightness);
  } else if (!lit) {
    const uint32_t accent = name == game::MenuName::none ? game::kBackAccent : game::AccentOf(name);
    r = Channel(accent, 16, game::kLabelWhiteness);
    g = Channel(accent, 8, game::kLabelWhiteness);
    b = Channel(accent, 0, game::kLabelWhiteness);
  }
  TextStyle style;
  style.bold = true;
  style.pixels = std::max(8, static_cast<int>(std::lround(room.pixelSize)));
  // The text plane (z = -10) is 10 / -z times as far as the picture: its raster units per pixel.
  const float toText = 10.0f / -place.z;
  const float unitsPerPixel = toText / static_cast<float>(pixels);
  const float left = (place.x - place.halfWidth) * toText;
  Anchor at{left + static_cast<float>(room.left) * unitsPerPixel, 0.0f, Align::left,
            static_cast<float>(room.width) * unitsPerPixel};
  if (!toggle) {
    at.x = place.x * toText;
    at.align = Align::centre;
  }
  // The cell's middle on the picture's middle.
  at.y = place.y * toText - CellHeight(style) / 2.0f;
  DrawTextAt(label, at, style, r, g, b);
  glColor3f(1.0f, 1.0f, 1.0f);
}

}  // namespace render
