// What the event loop adds for playing at any window size and by keyboard: the pointer mapped
// onto the picture, the arrow keys, Space, 1 to 3 and F11. UI thread.
#pragma once

#include <SDL.h>

#include "game/game_state.h"
#include "game/input.h"
#include "render/render.h"

namespace app {

struct Cursor {
  int x = 0;
  int y = 0;
};

// The pointer at (x, y) in window units as the game's input takes it: the picture pixel under
// it, or a point off the picture (where nothing is picked) over a black bar.
Cursor PictureCursor(const render::GameWindow& window, int x, int y);

// Acts on the keys of keyboard play and on F11; returns false for any other key, which the
// caller hands on. `repeat` marks a key held down: only the arrows repeat.
bool OnPlayKey(SDL_Keycode key, bool repeat, game::GameState& state, render::GameWindow& window,
               const game::InputActions& actions);

}  // namespace app
