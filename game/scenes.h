// Every scene once: its title, what can be picked in it, its way back and its music. Input,
// navigation and picking read the descriptions; every change of scene that input makes goes
// through ChangeScene, so the music of a way in is said once. No SDL here. UI thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "game/game_state.h"

namespace game {

// The pick name of the Back button on the help, about and records screens. A board's Back
// carries the name after its boxes (game/level.h).
inline constexpr uint32_t kScreenBackButton = 1;

// What Escape does in a scene.
enum class EscapeRule : uint8_t {
  none,          // nothing (the transitional scenes)
  countsToQuit,  // the menu: the third press leaves the game
  leaves,        // to escapeTo, raising escapeRequests first
};

struct SceneDescription {
  std::string_view title;  // text id: the English source string
  // The menu's controls (game/menu.h) are its picks; a board's picks are its boxes, its Back and
  // its records button (game/level.h); the screens' pick is their Back.
  bool menuControls;
  // A Back button is drawn, picked and reached by the keys: kScreenBackButton, or on a board the
  // name after its boxes.
  bool backButton;
  // Input takes the pick kScreenBackButton as Back (lit by the mouse, left by a click). Also the
  // hidden picture, where nothing can be picked: a mouse move there unlights the about screen's
  // Back (docs/behaviour.md).
  bool backInput;
  EscapeRule escape;
  int8_t escapeTo;
  std::span<const SoundRequest> escapeRequests;
  // Raised by the Back button before the menu is entered.
  std::span<const SoundRequest> backRequests;
  // The music of the way in (a menu button, a Back button), in its order: raised after the scene
  // is stored when musicAfterScene, else before.
  std::span<const SoundRequest> music;
  bool musicAfterScene;
};

// The description of a scene code; a code that names no scene gets one where nothing is picked
// and Escape does nothing.
const SceneDescription& DescribeScene(int scene);

// Stores `scene` for the ticks and the frames (release), raising `before` first and `after`
// once it is stored. The one place input changes the scene. UI thread.
void ChangeScene(GameState& state, int8_t scene, std::span<const SoundRequest> before,
                 std::span<const SoundRequest> after);

// Enters `scene` the usual way (its button, or Back into the menu): with the scene's music, in
// the scene's order. UI thread.
void EnterScene(GameState& state, int8_t scene);

}  // namespace game
