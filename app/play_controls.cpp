#include "app/play_controls.h"

#include "game/navigation.h"

namespace app {

Cursor PictureCursor(const render::GameWindow& window, int x, int y) {
  if (const auto point = window.PictureAt(x, y)) return {point->x, point->y};
  return {-1, -1};
}

bool OnPlayKey(SDL_Keycode key, bool repeat, game::GameState& state, render::GameWindow& window,
               const game::InputActions& actions) {
  switch (key) {
    case SDLK_UP: game::MoveHighlight(state, game::Direction::up); return true;
    case SDLK_DOWN: game::MoveHighlight(state, game::Direction::down); return true;
    case SDLK_LEFT: game::MoveHighlight(state, game::Direction::left); return true;
    case SDLK_RIGHT: game::MoveHighlight(state, game::Direction::right); return true;
    default: break;
  }
  // A held key presses once, as a held mouse button clicks once.
  int number = 0;
  switch (key) {
    case SDLK_SPACE:
      if (!repeat) game::PressHighlighted(state, actions);
      return true;
    case SDLK_F11:
      if (!repeat) window.ToggleFullscreen();
      return true;
    case SDLK_1:
    case SDLK_KP_1: number = 1; break;
    case SDLK_2:
    case SDLK_KP_2: number = 2; break;
    case SDLK_3:
    case SDLK_KP_3: number = 3; break;
    default: return false;
  }
  if (!repeat) game::StartLevelByNumber(state, number, actions);
  return true;
}

}  // namespace app
