// The main window's life: start-up in its fixed order, the event loop that hands the input events
// to the input map, and the two ways out. UI thread only.
#pragma once

#include <SDL.h>

#include <optional>
#include <thread>

#include "game/game_state.h"
#include "app/frame_pacer.h"
#include "app/input_map.h"
#include "app/narrator.h"
#include "app/options.h"
#include "app/picture_sets.h"
#include "app/records_keeper.h"
#include "app/save_snapshot.h"
#include "game/input.h"
#include "render/render.h"
#include "storage/files.h"
#include "storage/formats.h"
#include "storage/preferences.h"

namespace app {

class CTessaryDlg {
 public:
  explicit CTessaryDlg(game::GameState& state, const Options& options = {});
  ~CTessaryDlg();
  CTessaryDlg(const CTessaryDlg&) = delete;
  CTessaryDlg& operator=(const CTessaryDlg&) = delete;

  // Brings the game up: window, first state, font, loading picture, settings, best scores,
  // workers, menu music, fixed GL state. Returns false, after a message on stderr, when the
  // window cannot be made.
  bool OnInitDialog();

  // Runs the event and frame loop until a way out. Returns the process exit status:
  // 0 after the close sequence or ExitFromMenu, non-zero when the pictures could not be loaded,
  // a file could not be saved at exit or the window was destroyed from outside (the files are
  // then saved). A lost display never returns here: it saves and ends the process.
  int RunModal();

 private:
  // Hands one event to the game; returns false when the loop must end.
  bool PreTranslateMessage(const SDL_Event& event);
  // Closing the window, Alt+F4, Ctrl+C, SIGTERM or SIGHUP.
  void OnClose();
  // The exit button and the third Escape in the menu.
  void ExitFromMenu();
  // SaveAndStop and the exit status; shared by every way out.
  void EndGame();
  // The saving half of every way out, the lost display's included: clears `running`, gives the
  // workers their grace, saves the settings, stops the workers, saves the best scores and the
  // last games. Returns whether every file was saved. Runs once, through RunSaveForExit, on the
  // UI thread or on the session watcher when the UI thread does not answer; so it reads the UI
  // thread's choices only from saveSnapshot_, besides the game state and what is its own from
  // the start (the workers, files_).
  bool SaveAndStop();
  // Hands what the exit save writes to saveSnapshot_. UI thread, after anything that may change
  // it: an input event, a pass of the loop, and before the UI thread saves.
  void PublishSaveContents();
  // Wakes the workers and joins them; nothing is ever killed.
  void StopWorkers();
  // The newer settings into the state's choices, and back; a value this game cannot take is
  // named on stderr and the default used.
  void ApplyPreferences();
  // "tessary.conf" with the choices in it; nothing when that is what it held.
  std::optional<storage::Preferences> ChosenPreferences() const;
  // Speaks language from now on: the texts, the sets' names and the records' dates.
  void UseLanguage(game::Language language);
  // Once per pass of the loop: follows the language selector's step (state_.language).
  void FollowLanguageChoice();
  // With less motion: whether the frame last drawn still shows the game, so that the loop may
  // wait for an event instead of drawing. eventSeen: this pass handled an input event.
  bool StillShown(bool eventSeen) const;
  // What the UI thread itself changes on screen without an event (a set loaded, a record's
  // place, the scene): compared between passes with less motion.
  uint64_t ShownByThisThread() const;

  game::GameState& state_;
  Options options_;
  render::GameWindow window_;
  InputMap input_;  // every input into the game's actions; after window_, which it uses
  FramePacer pacer_;  // used while vsync is on and the driver cannot set the swap interval
  storage::FileState files_;
  PictureSetChooser pictureSets_{state_};

  storage::Preferences preferences_;  // as read at start; the choices go into it at exit
  game::Language language_ = game::Language::english;  // the language the game speaks
  bool languageChosen_ = false;  // the player stepped the selector: tessary.conf keeps it
  storage::SwapIntervalProc swapIntervalProc_ = nullptr;
  std::thread soundThreadHandle_;
  std::thread timerThreadHandle_;
  const game::InputActions* actions_ = nullptr;  // set while RunModal runs
  bool audioStarted_ = false;
  bool ended_ = false;
  RecordsKeeper records_;
  Narrator narrator_;  // speaks while state_.speechOn; its worker stops within a bounded wait
  bool speechAtStart_ = false;  // as chosen at start: tessary.conf keeps a change made in the menu
  SaveSnapshot saveSnapshot_;
  bool pausedFrameShown_ = false;  // a paused board is drawn once, then again only on events
  bool redrawPaused_ = false;
  bool startLessMotion_ = false;  // the less-motion switch as the run started
  uint32_t drawnChanges_ = 0;  // state_.shownChanges when the last frame began
  uint64_t drawnByThisThread_ = 0;  // ShownByThisThread() when the last frame began
  bool drawnScene_ = false;  // the last frame drew the scene: loaded, nothing pending
  int exitStatus_ = 0;
};

}  // namespace app
