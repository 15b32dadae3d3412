// Keyboard and mouse: input only changes GameState, raises sound requests and switches `scene`;
// the ticks and the frames pick the changes up. No SDL here: the event loop translates its events
// into these calls. All of it runs on the UI thread.
#pragma once

#include <cstdint>
#include <functional>

#include "game/game_state.h"

namespace game {

enum class Key { J, V, Escape, Enter, Pause, Other };

// What input calls outside the rules. An empty function is skipped.
struct InputActions {
  // Sets state.pickedName from mouseX, mouseY and the scene (0 for nothing). When empty,
  // pickedName becomes 0.
  std::function<void()> pickAt;
  // The exit sequence of the menu (third Escape, the out button). Runs synchronously.
  std::function<void()> exitFromMenu;
  // Sets the swap interval (1 with vsync, 0 without); empty when the driver cannot.
  std::function<void(int)> setSwapInterval;
  // Test hook: runs on a box click between its decision and the update of selectionCount, where
  // the countdown may end the level. The game leaves it empty.
  std::function<void()> beforeCountUpdate;
};

// A key-down, auto-repeats included. On a paused board any key only resumes it (consumed). J and
// V mark the hidden-picture keys in every scene; Escape acts by scene (counts toward quitting in
// the menu, leaves a board, the help, about or records screen, closes the hidden picture); Pause
// pauses a board in play. Returns true when the key is consumed (Escape, Pause and a resuming
// key); Enter is not consumed: the caller hands it to OnOK. UI thread.
bool OnKeyDown(GameState& state, Key key, const InputActions& actions);

// Enter: opens the hidden picture from the about screen once both J and V were seen there;
// nothing otherwise. UI thread.
void OnOK(GameState& state);

// A mouse move: stores the cursor and the window's outer rectangle (left, top, right, bottom, in
// screen pixels), derives mouseX/mouseY, picks, then updates the hover flags of the scene. UI
// thread.
void OnMouseMove(GameState& state, int32_t cursorX, int32_t cursorY,
                 const int32_t (&windowRect)[4], const InputActions& actions);

// A left-button press: on a paused board it only resumes; otherwise the same cursor handling and
// pick, then the action of the scene under the picked name (menu buttons and switches, boxes, the
// back and records buttons, back from help/about/records). UI thread.
void OnLeftButtonDown(GameState& state, int32_t cursorX, int32_t cursorY,
                      const int32_t (&windowRect)[4], const InputActions& actions);

// The action of a left click on state.pickedName in the current scene, without a pick: what a
// click and the keyboard's Space share. UI thread.
void ClickPicked(GameState& state, const InputActions& actions);

// The hover flags of the current scene from state.pickedName, as after a mouse move: the mouse
// and the keyboard share one highlight. UI thread.
void HoverPicked(GameState& state);

}  // namespace game
