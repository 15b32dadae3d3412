// The menu: every control once, in one table. Input (ClickMenu, the hover flags), keyboard
// navigation, the pad's shoulder buttons, drawing and picking (render/scenes.cpp) and the level
// notes (render/face_set.cpp) all read it. No SDL here.
//
// A new control touches: game/menu.cpp (its row in kMenu, and its action beside the others);
// render/scenes.cpp for its drawing: a panel's value (PanelValue; its label is the row's text
// id), or, for one with pictures of its own, its row of kMenuPictures (and its pictures' display
// lists); its label's translation in every catalogue of po/ (the `pot` target, msgmerge).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "game/game_state.h"
#include "game/input.h"
#include "game/level.h"

namespace game {

// Pick names of the menu: what the selection pass gives back for each control. 1 to 9 are the
// original game's controls in its drawing order.
enum class MenuName : uint32_t {
  none = 0,
  help = 1,
  easy = 2,
  normal = 3,
  hard = 4,
  exit = 5,
  about = 6,
  sound = 7,
  music = 8,
  vsync = 9,
  pictures = 10,
  players = 11,
  records = 12,
  language = 13,
  clock = 14,   // selector: the countdown or the relaxed clock
  speech = 15,  // switch: speak the menus and boards
  motion = 16,  // switch: less motion
};

constexpr uint32_t PickNameOf(MenuName name) { return static_cast<uint32_t>(name); }

enum class MenuKind : uint8_t {
  button,    // acts once; its hover flag lights it
  toggle,    // a switch: shows its state, not the cursor; only the keyboard's frame marks it
  selector,  // steps its value round the choices; its hover flag lights it
};

// The keyboard's columns, left to right; within a column the controls run top to bottom, and
// left and right go to the nearest in height.
enum class MenuColumn : uint8_t { left, centre, right };
inline constexpr int kMenuColumnCount = 3;

// Where a control stands on the 800 x 600 picture: the centre of its quad in eye space (the
// picture's perspective of 45 degrees) and the quad's half-size.
struct MenuPlace {
  float x, y, z;
  float halfWidth, halfHeight;
};

// The quad every selector-style panel shares (its picture "selector.jpg" keeps this shape).
inline constexpr float kPanelHalfWidth = 0.6f;
inline constexpr float kPanelHalfHeight = 0.17f;

struct MenuControl;
using MenuAction = void (*)(GameState& state, const MenuControl& control,
                            const InputActions& actions);

struct MenuControl {
  MenuName name;
  MenuKind kind;
  MenuColumn column;
  MenuPlace place;
  MenuAction click;                 // what a click, Space or the pad does
  Shared<bool> GameState::*hover;   // lit under the highlight; none for a switch
  Shared<bool> GameState::*value;   // a switch's state; none for the others
  std::optional<Level> level;       // the level a button starts
  std::string_view label;           // text id: the English source string
};

// Where the keyboard's first move in the menu lands: the likeliest choice.
inline constexpr MenuName kFirstMenuControl = MenuName::easy;

// Every control, in drawing order (the first drawn wins a pick where two overlap).
std::span<const MenuControl> MenuControls();

// The control with this pick name; null for any other name.
const MenuControl* FindMenuControl(uint32_t name);

// The control of a name of the table.
const MenuControl& GetMenuControl(MenuName name);

// The button that starts `level`.
const MenuControl& LevelButton(Level level);

// The records button's action, in the menu and below a board that is over: the records screen
// with the menu music. UI thread.
void OpenRecords(GameState& state);

// The height for the keyboard's nearest match and order: tenths of a scene unit, rounded.
constexpr int HeightInTenths(const MenuPlace& place) {
  const float tenths = place.y * 10.0f;
  return static_cast<int>(tenths < 0.0f ? tenths - 0.5f : tenths + 0.5f);
}

}  // namespace game
