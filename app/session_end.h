// How the desktop session can end the game from outside: the close signals, a display server
// that goes away, a window destroyed by someone else, no display at all. Each ends in the same
// saving code as the close button, run once, on whichever thread gets there first.
#pragma once

#include <chrono>
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
// afterwards, SDL's included; only SessionWatcher takes them. First thing in main.
void BlockCloseSignals();

// The saving half of the close sequence. Returns whether both files were saved, or nothing when
// there is nothing to save.
using SaveForExit = std::function<std::optional<bool>()>;

// Sets (or, with an empty function, clears) what RunSaveForExit runs; ignored once that run has
// begun. UI thread.
void SetSaveForExit(SaveForExit save);

// Runs the saving half once for the whole process: the first caller runs it, every later or
// concurrent caller waits for that run and gets its answer. Any thread.
std::optional<bool> RunSaveForExit();

// How far the one saving run has come.
enum class SavePhase { notStarted, running, done };

// What the watcher does next after a close signal, `sinceSignal` later.
enum class CloseStep {
  wait,      // the UI thread may still close the game itself
  saveHere,  // the UI thread has not begun saving in time: the watcher saves
  endNow,    // saved, but the process is still here: the watcher ends it
};
inline constexpr std::chrono::milliseconds kUiSaveDeadline{600};
inline constexpr std::chrono::milliseconds kEndDeadline{1800};
CloseStep NextCloseStep(std::chrono::milliseconds sinceSignal, SavePhase phase);

// A thread that watches what can end the session without the UI thread's help. The first of
// SIGHUP, SIGINT and SIGTERM becomes one SDL_QUIT, so the event loop runs the close sequence;
// if the UI thread has not begun it within kUiSaveDeadline (stuck inside a library, say), the
// watcher runs the saving half itself, and once the files are saved it ends a process still
// running at kEndDeadline. A display connection that hangs up (the compositor or X server is
// gone) saves and ends the process with status 1 at once. Later signals are ignored. Start
// after SDL_Init; it may outlive SDL_Quit.
class SessionWatcher {
 public:
  SessionWatcher();
  ~SessionWatcher();  // ends and joins the thread
  SessionWatcher(const SessionWatcher&) = delete;
  SessionWatcher& operator=(const SessionWatcher&) = delete;

  // No SDL event is pushed from here on, and the display socket hanging up is no loss any more.
  // Before SDL_Quit.
  void BeforeSdlQuit();

 private:
  std::thread thread_;
};

// Hands the window's display connection to the SessionWatcher, which watches it for a hang-up.
// After the window is open, UI thread.
void WatchDisplaySocket();

// On X11, installs Xlib's I/O error handler (the connection is gone: runs the saving half on the
// thread that found out, one line on stderr, _exit(1)) and its error handler (a protocol error,
// such as a window destroyed from outside, marks the window lost for the event loop). Nothing on
// other drivers. After SDL_Init, UI thread.
void WatchDisplayConnection();

// Whether an X protocol error has said the window is gone. Any thread.
bool WindowLost();

// Whether the Wayland connection has failed (SDL then reports a quit). UI thread.
bool WaylandConnectionLost();

// Prints the display-loss line for `saved` and ends the process with status 1 at once: no static
// destructor and no X or GL call runs. A second caller waits for the first to end the process.
[[noreturn]] void EndAfterDisplayLoss(std::optional<bool> saved);

// Test hook, off for players: with TESSARY_TEST_ON_BOARD=say in the environment the UI thread
// prints one line the first time a board is on show; with =hold it then blocks for ever, as a UI
// thread stuck inside a library would. UI thread, once per frame.
void TestHookOnFrame(int scene);

}  // namespace app
