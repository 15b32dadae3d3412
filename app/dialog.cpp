#include "app/dialog.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>

#include "app/desktop_motion.h"
#include "app/language.h"
#include "app/redraw_request.h"
#include "app/session_end.h"
#include "app/timer_thread.h"
#include "game/choices.h"
#include "game/input.h"
#include "game/pause.h"
#include "sound/output_return.h"
#include "sound/sound_thread.h"

namespace app {

namespace {

// The one upload buffer: the loading picture, then every package picture. Lives for the run.
storage::StagingPixels stagingPixels;

constexpr auto kGracePeriod = std::chrono::milliseconds(500);

// With less motion and nothing changing, how often the loop still looks at what this thread
// follows without an event (a folder of pictures loading, say).
constexpr Uint32 kStillLookMs = 250;

}  // namespace

CTessaryDlg::CTessaryDlg(game::GameState& state, const Options& options)
    : state_(state), options_(options), input_(state, window_) {}

CTessaryDlg::~CTessaryDlg() {
  // A way out has normally joined the workers already; this covers an early failure.
  if (state_.running) game::StopRunning(state_);
  if (soundThreadHandle_.joinable()) soundThreadHandle_.join();
  if (timerThreadHandle_.joinable()) timerThreadHandle_.join();
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  // A save not yet begun (an early failure) must not reach this object any more.
  SetSaveForExit({});
}

bool CTessaryDlg::OnInitDialog() {
  // Read first: the remembered language is needed before anything is drawn.
  preferences_ = storage::ReadPreferences();
  UseLanguage(ChooseLanguage(options_.language, preferences_.Find("language")));
  if (!window_.Open(options_.fullscreen.value_or(false))) return false;  // icon, context current
  WatchDisplaySocket();
  StartRedrawRequests();
  pacer_.SetRate(window_.RefreshRate());

  state_.running = true;
  state_.scene.store(game::SCENE_MENU_ENTER, std::memory_order_release);
  state_.escCount = 0;

  swapIntervalProc_ = render::LookUpSwapInterval();
  render::CreateTextFont();
  state_.captionHeight = 0;

  storage::ReadLoadingPicture(stagingPixels);
  render::MakeLogoTexture(stagingPixels);

  storage::ReadSettings(state_, files_, swapIntervalProc_);
  storage::ReadBestScores(state_, files_);
  storage::OpenScoreFile(files_);
  ApplyPreferences();
  records_.SetPictureSetNamer([this](int32_t set) { return pictureSets_.KeyOf(set); });
  records_.Load(state_);

  // SDL counts its subsystems without a lock: audio starts here, before the sound thread, and
  // stops after it has been joined.
  sound::QuietAlsaMessages();
  audioStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (!audioStarted_)
    std::fprintf(stderr, "tessary: no sound device (%s); playing without sound\n", SDL_GetError());

  // Named, so that tools listing the threads (top -H, /proc/PID/task) tell them apart.
  soundThreadHandle_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "SoundThread");
    sound::SoundThread(state_);
  });
  timerThreadHandle_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "TimerThread");
    // The merge takes the score file's lock, as at exit: the tick thread waits a few
    // milliseconds after a won level, when nothing on the board moves any more.
    TimerThread(state_, [this] { storage::SaveBestScores(state_, files_); });
  });

  // From here on every way out saves the files, on whichever thread gets there first.
  PublishSaveContents();
  SetSaveForExit([this]() -> std::optional<bool> { return SaveAndStop(); });

  game::RequestSound(state_, game::SoundRequest::playMenuMusic);
  render::SetFixedGLState();
  input_.StartControllers();
  return true;
}

int CTessaryDlg::RunModal() {
  game::InputActions actions;
  actions.pickAt = [this] { render::PickAt(state_); };
  actions.exitFromMenu = [this] { ExitFromMenu(); };
  if (swapIntervalProc_) actions.setSwapInterval = swapIntervalProc_;
  actions_ = &actions;
  input_.OnSpeechKey([this](SpeechRequest request) { narrator_.OnRequest(state_, request); });

  while (!ended_) {
    SDL_Event event;
    bool eventSeen = false;  // an event other than a tick's redraw request
    // While minimised, and on a paused board once it is shown, nothing changes on screen: sleep
    // until an event comes. With less motion the same whenever the last frame still shows the
    // game, until an event or a tick's change (RequestRedraw).
    if (window_.IsMinimised() || (game::IsBoardPaused(state_) && pausedFrameShown_)) {
      if (SDL_WaitEvent(&event) && !PreTranslateMessage(event)) break;
    } else if (StillShown(false) && SDL_WaitEventTimeout(&event, kStillLookMs)) {
      eventSeen = !TakeRedrawEvent(event);
      if (eventSeen && !PreTranslateMessage(event)) break;
    }
    while (!ended_ && SDL_PollEvent(&event)) {
      if (TakeRedrawEvent(event)) continue;
      eventSeen = true;
      if (!PreTranslateMessage(event)) break;
    }
    input_.OnFrame(SDL_GetTicks());
    if (!ended_ && WindowLost()) {
      EndGame();
      exitStatus_ = 1;  // the files are saved, but the game did not end as asked
    }
    records_.TakeResults(state_);
    PublishSaveContents();
    if (ended_ || window_.IsMinimised()) continue;
    FollowLanguageChoice();
    narrator_.OnFrame(state_);
    records_.FollowClock(state_);
    pictureSets_.Poll();
    PublishSaveContents();
    if (game::IsBoardPaused(state_)) {
      if (pausedFrameShown_ && !redrawPaused_) continue;
      pausedFrameShown_ = true;
      redrawPaused_ = false;
    } else {
      pausedFrameShown_ = false;
    }
    if (StillShown(eventSeen)) continue;
    // Read before drawing: a change made while the frame is drawn is drawn by the next one.
    drawnChanges_ = state_.shownChanges;
    drawnByThisThread_ = ShownByThisThread();
    drawnScene_ = state_.loadingDone.load(std::memory_order_acquire) && !render::FramesPending();
    // Vsync asked for but refused by the driver: wait for the display's next frame ourselves.
    if (state_.vsyncOn && swapIntervalProc_ == nullptr)
      std::this_thread::sleep_until(pacer_.NextFrame(FramePacer::Clock::now()));

    if (render::DrawFrame(window_, state_, stagingPixels) == render::FrameResult::loadFailed) {
      // The message naming the file and entry is already on stderr; nothing is written:
      // stopping the workers is the whole way out, unless the watcher has begun saving.
      SetSaveForExit([this]() -> std::optional<bool> {
        StopWorkers();
        return std::nullopt;
      });
      RunSaveForExit();
      ended_ = true;
      exitStatus_ = 1;
    }
    TestHookOnFrame(state_.scene.load(std::memory_order_acquire));
  }
  actions_ = nullptr;
  return exitStatus_;
}

bool CTessaryDlg::StillShown(bool eventSeen) const {
  // Full motion draws every pass, as the game always has.
  return state_.lessMotion && !eventSeen && drawnScene_ && !render::FramesPending() &&
         !input_.Repeating() && state_.shownChanges == drawnChanges_ &&
         ShownByThisThread() == drawnByThisThread_;
}

uint64_t CTessaryDlg::ShownByThisThread() const {
  uint64_t mix = 0;
  for (const int64_t value :
       {int64_t{state_.scene.load(std::memory_order_acquire)}, int64_t{state_.setPictureCount},
        int64_t{state_.pictureSetCount}, int64_t{state_.pictureSet}, int64_t{state_.language},
        int64_t{state_.recordRank}, int64_t{state_.paused}, int64_t{state_.clockChoice}})
    mix = mix * 1000003u ^ static_cast<uint64_t>(value);
  return mix;
}

bool CTessaryDlg::PreTranslateMessage(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:  // the close button, Ctrl+C, SIGTERM, SIGHUP; a lost Wayland connection
      if (WaylandConnectionLost()) EndAfterDisplayLoss(RunSaveForExit());
      OnClose();
      return false;
    case SDL_WINDOWEVENT:
      window_.OnWindowEvent(event.window);
      // Away from the window the countdown must not run on: a board in play pauses.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
          event.window.event == SDL_WINDOWEVENT_MINIMIZED ||
          event.window.event == SDL_WINDOWEVENT_HIDDEN)
        game::PauseBoard(state_);
      redrawPaused_ = true;
      return true;
    case SDL_DROPBEGIN:
      pictureSets_.OnDropBegin();
      return true;
    case SDL_DROPFILE:
      if (event.drop.file != nullptr) {
        pictureSets_.OnDrop(event.drop.file);
        SDL_free(event.drop.file);
      }
      return true;
    case SDL_DROPCOMPLETE:
      pictureSets_.OnDropComplete();
      PublishSaveContents();
      return true;
    default:
      // Keys, mouse, controllers and taps: the input map acts on them; Alt+F4 closes.
      if (input_.OnEvent(event, *actions_)) {
        OnClose();
        return false;
      }
      PublishSaveContents();
      return !ended_;
  }
}

void CTessaryDlg::OnClose() { EndGame(); }

void CTessaryDlg::ExitFromMenu() {
  game::RequestSound(state_, game::SoundRequest::playButton);
  EndGame();
}

void CTessaryDlg::EndGame() {
  if (ended_) return;
  PublishSaveContents();
  const bool saved = RunSaveForExit().value_or(false);
  ended_ = true;
  // A file that could not be saved has been named on stderr; the status tells a script too.
  exitStatus_ = saved ? 0 : 1;
}

bool CTessaryDlg::SaveAndStop() {
  game::StopRunning(state_);
  std::this_thread::sleep_for(kGracePeriod);
  SaveContents saved = saveSnapshot_.Take();
  const bool switchesSaved = storage::WriteSettings(saved.switches);
  const bool settingsSaved =
      (!saved.preferences || storage::WritePreferences(*saved.preferences)) && switchesSaved;
  StopWorkers();
  const bool scoresSaved = storage::WriteBestScores(state_, files_);
  const bool historySaved =
      SaveLastResults(state_.results, saved.pictureSetKeys, saved.history);
  return settingsSaved && scoresSaved && historySaved;
}

void CTessaryDlg::PublishSaveContents() {
  SaveContents contents;
  contents.switches = {state_.soundOn, state_.musicOn, state_.vsyncOn};
  contents.preferences = ChosenPreferences();
  contents.pictureSetKeys = pictureSets_.Keys();
  contents.history = records_.History();
  saveSnapshot_.Publish(std::move(contents));
}

void CTessaryDlg::ApplyPreferences() {
  state_.playerMode = game::onePlayer;
  if (const auto players = preferences_.Find("players")) {
    if (const auto mode = game::ParsePlayerMode(*players))
      state_.playerMode = *mode;
    else
      std::fprintf(stderr,
                   "tessary: settings: players = %s is not 1, 2, 3, 4 or computer; one player\n",
                   players->c_str());
  }
  if (options_.players) state_.playerMode = *options_.players;
  state_.clockChoice = game::countdown;
  if (const auto clock = preferences_.Find("clock")) {
    if (const auto choice = game::ParseClockChoice(*clock))
      state_.clockChoice = *choice;
    else
      std::fprintf(stderr,
                   "tessary: settings: clock = %s is neither countdown nor relaxed; countdown\n",
                   clock->c_str());
  }
  if (options_.clock) state_.clockChoice = *options_.clock;
  // The file's choice first; else the desktop's own wish, where it has one.
  state_.lessMotion = DesktopWantsLessMotion().value_or(false);
  if (const auto motion = preferences_.Find("motion")) {
    if (*motion == "less" || *motion == "full")
      state_.lessMotion = *motion == "less";
    else
      std::fprintf(stderr, "tessary: settings: motion = %s is neither less nor full; ignored\n",
                   motion->c_str());
  }
  startLessMotion_ = state_.lessMotion;
  pictureSets_.Start(options_.pictures, preferences_.Find("pictures"), language_);
  // Speech: the command line, else the player's own choice, else the desktop's screen reader.
  bool speech = false;
  if (options_.speech) {
    speech = true;
  } else if (const auto chosen = preferences_.Find("speech"); chosen == "on" || chosen == "off") {
    speech = *chosen == "on";
  } else {
    if (chosen)
      std::fprintf(stderr, "tessary: settings: speech = %s is not on or off; %s\n", chosen->c_str(),
                   "following the desktop's screen reader");
    speech = ScreenReaderOn();
  }
  state_.speechOn = speech;
  speechAtStart_ = speech;
}

std::optional<storage::Preferences> CTessaryDlg::ChosenPreferences() const {
  storage::Preferences chosen = preferences_;
  const auto mode = static_cast<game::PlayerMode>(int8_t{state_.playerMode});
  // A value never chosen stays unwritten, so a player who never touched a selector gets no file.
  // --players is for one run: unless the selector moved off it, the file keeps its own choice.
  const bool chosenInMenu = !options_.players || mode != *options_.players;
  if (chosenInMenu && (preferences_.Find("players") || mode != game::onePlayer))
    chosen.Set("players", game::PlayerModeKey(mode));
  // --clock is for one run as --players is.
  const auto clock = static_cast<game::ClockChoice>(int8_t{state_.clockChoice});
  const bool clockChosenInMenu = !options_.clock || clock != *options_.clock;
  if (clockChosenInMenu && (preferences_.Find("clock") || clock != game::countdown))
    chosen.Set("clock", game::ClockChoiceKey(clock));
  const bool lessMotion = state_.lessMotion;
  if (preferences_.Find("motion") || lessMotion != startLessMotion_)
    chosen.Set("motion", lessMotion ? "less" : "full");
  const std::string pictures = pictureSets_.RememberedValue();
  if (!pictures.empty() && (preferences_.Find("pictures") || pictures != "classic"))
    chosen.Set("pictures", pictures);
  if (languageChosen_) chosen.Set("language", game::CodeOf(language_));
  // Kept only once switched in the menu: --speech and the screen reader are not the player's
  // choice for every run.
  if (state_.speechOn != speechAtStart_) chosen.Set("speech", state_.speechOn ? "on" : "off");
  if (chosen.Text() == preferences_.Text()) return std::nullopt;
  return chosen;
}

void CTessaryDlg::UseLanguage(game::Language language) {
  language_ = language;
  state_.language = language.index;
  render::SetLanguage(language);
  narrator_.SetLanguage(render::CurrentLanguage());
  pictureSets_.SetLanguage(language);
  records_.ShowRecords();
}

void CTessaryDlg::FollowLanguageChoice() {
  const uint8_t chosen = state_.language;
  if (chosen == language_.index || chosen >= game::kLanguageCount) return;
  languageChosen_ = true;
  UseLanguage(game::Language{chosen});
}

void CTessaryDlg::StopWorkers() {
  game::StopRunning(state_);
  if (soundThreadHandle_.joinable()) soundThreadHandle_.join();
  if (timerThreadHandle_.joinable()) timerThreadHandle_.join();
}

}  // namespace app
