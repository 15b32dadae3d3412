// Tessary: one window, one game state, four threads. The game reads no command line.
#include <SDL.h>

#include <cstdio>

#include "app/dialog.h"
#include "game/game_state.h"

namespace {

// Zero at start except the cubes' colour; lives until the process ends.
game::GameState gameState;

}  // namespace

int main(int, char**) {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "tessary: cannot start SDL: %s\n", SDL_GetError());
    return 1;
  }
  int status = 1;
  {
    app::CTessaryDlg dialog(gameState);
    if (dialog.OnInitDialog()) status = dialog.RunModal();
  }
  SDL_Quit();
  return status;
}
