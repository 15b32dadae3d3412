// Tessary: one window, one game state, four threads, and one more that waits for the close
// signals.
#include <SDL.h>

#include <cstdio>

#include "app/dialog.h"
#include "app/options.h"
#include "app/session_end.h"
#include "game/game_state.h"

namespace {

// Zero at start except the cubes' colour. Never freed: a lost display ends the process from the
// middle of an Xlib call while the workers may still wait on the state's condition variable, and
// destroying it under them would block the exit for ever.
game::GameState& gameState = *new game::GameState;

}  // namespace

int main(int argc, char** argv) {
  const app::CommandLine commandLine = app::ParseCommandLine(argc, argv);
  if (commandLine.exitStatus) return *commandLine.exitStatus;
  if (!app::HaveDisplay()) return 1;

  // Before any thread exists, so that every thread, SDL's too, leaves them to the watcher.
  app::BlockCloseSignals();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "tessary: cannot start SDL: %s\n", SDL_GetError());
    return 1;
  }
  if (app::FellBackToInvisibleDriver()) {
    SDL_Quit();
    return 1;
  }
  app::WatchDisplayConnection();
  int status = 1;
  {
    app::CloseSignalWatcher closeSignals;
    app::CTessaryDlg dialog(gameState);
    if (dialog.OnInitDialog()) status = dialog.RunModal();
  }
  SDL_Quit();
  return status;
}
