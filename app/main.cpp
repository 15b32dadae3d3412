// Tessary: one window, one game state, four threads, and one more that waits for the close
// signals.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "app/build_config.h"
#include "app/dialog.h"
#include "app/options.h"
#include "app/session_end.h"
#include "game/game_state.h"
#include "storage/paths.h"

namespace {

// Zero at start except the cubes' colour. Never freed: a lost display ends the process from the
// middle of an Xlib call while the workers may still wait on the state's condition variable, and
// destroying it under them would block the exit for ever.
game::GameState& gameState = *new game::GameState;

}  // namespace

int main(int argc, char** argv) {
  const app::CommandLine commandLine = app::ParseCommandLine(argc, argv);
  if (commandLine.exitStatus) return *commandLine.exitStatus;
  // Where the data is read from and the files saved to, fixed before any thread starts.
  if (!storage::ChooseFileMode()) return 1;
  // The desktop ties the window to the menu entry and its icon by this class (X11 WM_CLASS,
  // the Wayland app id); SDL 2.26 reads it from the environment when video starts.
  setenv("SDL_VIDEO_X11_WMCLASS", app::kAppId, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", app::kAppId, 0);
  // The texts' language is switched through LANGUAGE (render::SetLanguage): the variable exists
  // before any thread, so a switch only replaces its value. Empty means unset to gettext and to
  // the choice of the language alike.
  setenv("LANGUAGE", "", 0);
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
  // The watcher outlives the dialog and SDL itself: a close signal still ends a process whose
  // way out hangs in a library.
  app::SessionWatcher sessionWatcher;
  int status = 1;
  {
    app::CTessaryDlg dialog(gameState, commandLine.options);
    if (dialog.OnInitDialog()) status = dialog.RunModal();
  }
  sessionWatcher.BeforeSdlQuit();
  SDL_Quit();
  return status;
}
