// Tessary: one window, one game state, four threads.
#include <SDL.h>

#include <cstdio>

#include "app/dialog.h"
#include "app/options.h"
#include "game/game_state.h"

namespace {

// Zero at start except the cubes' colour; lives until the process ends.
game::GameState gameState;

}  // namespace

int main(int argc, char** argv) {
  const app::CommandLine commandLine = app::ParseCommandLine(argc, argv);
  if (commandLine.exitStatus) return *commandLine.exitStatus;

  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "tessary: cannot start SDL: %s\n", SDL_GetError());
    return 1;
  }
  int status = 1;
  {
    app::CTessaryDlg dialog(gameState, commandLine.options);
    if (dialog.OnInitDialog()) status = dialog.RunModal();
  }
  SDL_Quit();
  return status;
}
