// Keyboard play: the arrow keys move the same highlight that the mouse sets, Space acts on it as
// a left click there would, and 1, 2, 3 start the levels from the menu. No SDL here: the event
// loop maps its keys onto these calls. UI thread.
//
// The order: the menu is three columns, each control in the column its row of the menu's table
// (game/menu.h) names, by height; up and down go round within a column, left and right go round
// the columns to the control nearest in height. A board is its grid as drawn, with the back button below it: left and right
// go round within a row, up and down go round the rows and the back button. Removed boxes keep
// their place, as they do under the mouse. The screens with a Back button (game/scenes.h) have
// only that.
#pragma once

#include <cstdint>

#include "game/game_state.h"
#include "game/input.h"
#include "game/menu.h"

namespace game {

enum class Direction { up, down, left, right };

// The pick name a move in `direction` reaches from the pick name `from` in `scene`; from 0
// (nothing highlighted) the first move lands on Easy in the menu, the top-left box on a board and
// the back button on the help and about screens. 0 in a scene with nothing to highlight.
uint32_t NextHighlight(int scene, uint32_t from, Direction direction);

// The pick name under the shared highlight, read from the hover flags of the current scene; 0
// for none.
uint32_t HighlightedName(const GameState& state);

// An arrow key: moves the highlight and shows it with the hover flags, as the mouse would.
void MoveHighlight(GameState& state, Direction direction);

// Space: presses or opens what is highlighted under the rules of a left click on it; nothing
// when nothing is highlighted.
void PressHighlighted(GameState& state, const InputActions& actions);

// The keys 1, 2, 3 in the menu: start the easy, normal or hard level as their buttons do; any
// other number or scene is ignored.
void StartLevelByNumber(GameState& state, int number, const InputActions& actions);

// A menu item acted on as a click on it would, the highlight left where it is (a controller's
// shoulder buttons step the selectors); nothing outside the menu.
void ClickMenuItem(GameState& state, MenuName name, const InputActions& actions);

}  // namespace game
