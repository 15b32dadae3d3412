// The thread that watches what can end the session without the UI thread's help: the close
// signals, the display socket hanging up, and, after a close signal, the deadlines by which the
// UI thread must have saved and ended.
#pragma once

#include <chrono>
#include <thread>

#include "app/exit_save.h"

namespace app {

// Blocks SIGHUP, SIGINT and SIGTERM in the calling thread and so in every thread started from it
// afterwards, SDL's included; only SessionWatcher takes them. First thing in main.
void BlockCloseSignals();

// What the watcher does next after a close signal, `sinceSignal` later.
enum class CloseStep {
  wait,      // the UI thread may still close the game itself
  saveHere,  // the UI thread has not begun saving in time: the watcher saves
  endNow,    // saved, but the process is still here: the watcher ends it
};
inline constexpr std::chrono::milliseconds kUiSaveDeadline{600};
inline constexpr std::chrono::milliseconds kEndDeadline{1800};
CloseStep NextCloseStep(std::chrono::milliseconds sinceSignal, SavePhase phase);

// The watcher thread. The first of SIGHUP, SIGINT and SIGTERM becomes one SDL_QUIT, so the event
// loop runs the close sequence; if the UI thread has not begun it within kUiSaveDeadline (stuck
// inside a library, say), the watcher runs the saving half itself, and once the files are saved
// it ends a process still running at kEndDeadline. A display connection that hangs up (the
// compositor or X server is gone) saves and ends the process with status 1 at once. Later
// signals are ignored. Start after SDL_Init; it may outlive SDL_Quit.
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

// Test hook, off for players: with TESSARY_TEST_ON_BOARD=say in the environment the UI thread
// prints one line the first time a board is on show; with =hold it then blocks for ever, as a UI
// thread stuck inside a library would. UI thread, once per frame.
void TestHookOnFrame(int scene);

}  // namespace app
