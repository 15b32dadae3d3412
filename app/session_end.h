// How the desktop session can end the game from outside: the close signals, a display server
// that goes away, a window destroyed by someone else, no display at all. Each ends in the same
// saving code as the close button.
#pragma once

#include <functional>
#include <optional>
#include <thread>

namespace app {

// Whether there is a display to talk to: false, after one line on stderr, when neither DISPLAY
// nor WAYLAND_DISPLAY is set, unless SDL_VIDEODRIVER chooses a driver on purpose. Before SDL_Init.
bool HaveDisplay();

// Whether SDL, free to choose, fell back to a driver that shows nothing (offscreen, dummy);
// true after one line on stderr. After SDL_Init.
bool FellBackToInvisibleDriver();

// Blocks SIGHUP, SIGINT and SIGTERM in the calling thread and so in every thread started from it
// afterwards, SDL's included; only CloseSignalWatcher takes them. First thing in main.
void BlockCloseSignals();

// A thread that waits for SIGHUP, SIGINT or SIGTERM and turns the first into one SDL_QUIT, so the
// event loop runs the close sequence; later ones are ignored. Start after SDL_Init.
class CloseSignalWatcher {
 public:
  CloseSignalWatcher();
  ~CloseSignalWatcher();  // ends and joins the thread
  CloseSignalWatcher(const CloseSignalWatcher&) = delete;
  CloseSignalWatcher& operator=(const CloseSignalWatcher&) = delete;

 private:
  std::thread thread_;
};

// What the display-loss path runs before the process ends: the saving half of the close
// sequence. Returns whether both files were saved, or nothing when there is nothing to save.
using SaveForExit = std::function<std::optional<bool>()>;

// On X11, installs Xlib's I/O error handler (the connection is gone: runs `save` on the thread that
// found out, one line on stderr, _exit(1)) and its error handler (a protocol error, such as a
// window destroyed from outside, marks the window lost for the event loop). Nothing on other
// drivers. After SDL_Init, UI thread.
void WatchDisplayConnection();

// Sets (or, with an empty function, clears) what a lost display saves. UI thread.
void SetSaveForExit(SaveForExit save);

// Whether an X protocol error has said the window is gone. Any thread.
bool WindowLost();

// Whether the Wayland connection has failed (SDL then reports a quit). UI thread.
bool WaylandConnectionLost();

// Prints the display-loss line for `saved` and ends the process with status 1 at once: no static
// destructor and no X or GL call runs.
[[noreturn]] void EndAfterDisplayLoss(std::optional<bool> saved);

}  // namespace app
