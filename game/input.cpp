#include "game/input.h"

#include <optional>

#include "game/choices.h"
#include "game/level.h"
#include "game/pause.h"
#include "game/records.h"
#include "game/turns.h"

namespace game {
namespace {

// Pick names of the menu.
constexpr uint32_t kReadmeButton = 1;
constexpr uint32_t kEasyButton = 2;
constexpr uint32_t kNormalButton = 3;
constexpr uint32_t kHardButton = 4;
constexpr uint32_t kOutButton = 5;
constexpr uint32_t kAboutButton = 6;
constexpr uint32_t kSoundSwitch = 7;
constexpr uint32_t kMusicSwitch = 8;
constexpr uint32_t kFpsSwitch = 9;
constexpr uint32_t kPicturesSelector = 10;
constexpr uint32_t kPlayersSelector = 11;
constexpr uint32_t kRecordsButton = 12;
// Pick name of the back button on the help, about and records screens.
constexpr uint32_t kScreenBackButton = 1;

int8_t LoadScene(const GameState& state) { return state.scene.load(std::memory_order_acquire); }

void SetScene(GameState& state, int8_t scene) {
  state.scene.store(scene, std::memory_order_release);
}

// Opens the records screen from the menu or a finished board; the menu music plays there.
void OpenRecords(GameState& state) {
  RequestSound(state, SoundRequest::stopGameMusic);
  RequestSound(state, SoundRequest::playMenuMusic);
  SetScene(state, SCENE_RECORDS);
  RequestSound(state, SoundRequest::playButton);
}

void LocateCursorAndPick(GameState& state, int32_t cursorX, int32_t cursorY,
                         const int32_t (&windowRect)[4], const InputActions& actions) {
  state.cursorPos[0] = cursorX;
  state.cursorPos[1] = cursorY;
  for (int i = 0; i < 4; ++i) state.windowRect[i] = windowRect[i];
  // The window frame's thickness is left in on purpose: the pick region was always offset by it.
  state.mouseX = cursorX - windowRect[0];
  state.mouseY = cursorY - state.captionHeight - windowRect[1];
  if (actions.pickAt)
    actions.pickAt();
  else
    state.pickedName = 0;
}

// A picture set too small for a level keeps the level's button shut; the menu says why.
bool RefusedForPictures(GameState& state, Level level) {
  if (state.setPictureCount >= ParamsOf(level).faceCount) return false;
  RequestSound(state, SoundRequest::playError);
  return true;
}

void ClickMenu(GameState& state, const InputActions& actions) {
  switch (state.pickedName) {
    case kReadmeButton:
      RequestSound(state, SoundRequest::stopMenuMusic);
      SetScene(state, SCENE_README);
      RequestSound(state, SoundRequest::playButton);
      break;
    case kEasyButton:
      if (RefusedForPictures(state, Level::easy)) break;
      SetScene(state, SCENE_EASY_SETUP);
      RequestSound(state, SoundRequest::stopMenuMusic);
      RequestSound(state, SoundRequest::playGameMusic);
      RequestSound(state, SoundRequest::playButton);
      break;
    case kNormalButton:
      if (RefusedForPictures(state, Level::normal)) break;
      RequestSound(state, SoundRequest::stopMenuMusic);
      RequestSound(state, SoundRequest::playGameMusic);
      SetScene(state, SCENE_NORMAL_SETUP);
      RequestSound(state, SoundRequest::playButton);
      break;
    case kHardButton:
      if (RefusedForPictures(state, Level::hard)) break;
      RequestSound(state, SoundRequest::stopMenuMusic);
      RequestSound(state, SoundRequest::playGameMusic);
      SetScene(state, SCENE_HARD_SETUP);
      RequestSound(state, SoundRequest::playButton);
      break;
    case kOutButton:
      if (actions.exitFromMenu) actions.exitFromMenu();
      break;
    case kAboutButton:
      RequestSound(state, SoundRequest::stopMenuMusic);
      RequestSound(state, SoundRequest::playAboutMusic);
      // J and V count only once the about screen is shown.
      state.hiddenKey1Pressed = false;
      state.hiddenKey2Pressed = false;
      SetScene(state, SCENE_ABOUT);
      RequestSound(state, SoundRequest::playButton);
      break;
    case kSoundSwitch:
      RequestSound(state, SoundRequest::playButton);
      if (state.soundOn) {
        state.soundOn = false;
        RequestSound(state, SoundRequest::stopEffects);
      } else {
        state.soundOn = true;
      }
      break;
    case kMusicSwitch:
      RequestSound(state, SoundRequest::playButton);
      if (state.musicOn) {
        state.musicOn = false;
        RequestSound(state, SoundRequest::stopMenuMusic);
      } else {
        state.musicOn = true;
        RequestSound(state, SoundRequest::playMenuMusic);
      }
      break;
    case kFpsSwitch:
      RequestSound(state, SoundRequest::playButton);
      state.vsyncOn = !state.vsyncOn;
      // Without the extension the switch still flips and is saved at exit.
      if (actions.setSwapInterval) actions.setSwapInterval(state.vsyncOn ? 1 : 0);
      break;
    case kPicturesSelector:
      StepPictureSet(state);
      break;
    case kPlayersSelector:
      StepPlayerMode(state);
      break;
    case kRecordsButton:
      OpenRecords(state);
      break;
    default:
      break;
  }
}

void ClickBoard(GameState& state, const LevelParams& params, const InputActions& actions) {
  // Two boxes open: the pair is being judged, and even the back button waits for it.
  const int8_t count = state.selectionCount.load(std::memory_order_acquire);
  if (count == 2) return;
  // The computer's turn: the mouse and the keys wait for it, Escape alone leaves.
  if (ComputersTurn(state)) return;

  const uint32_t name = state.pickedName;
  const uint32_t boxCount = static_cast<uint32_t>(params.boxCount);
  if (name == boxCount + 1) {
    ReportBoardResult(state, params, Outcome::gaveUp);
    SetScene(state, SCENE_MENU_ENTER);
    RequestSound(state, SoundRequest::playMenuMusic);
    RequestSound(state, SoundRequest::stopGameMusic);
    RequestSound(state, SoundRequest::playButton);
    return;
  }
  if (name == RecordsButtonOf(params) && IsBoardOver(state)) {
    OpenRecords(state);
    return;
  }
  // A count of 3 (level over) is above 1: the boxes stay shut until the next deal.
  if (name < 1 || name > boxCount || count > 1) return;
  const uint8_t index = static_cast<uint8_t>(name - 1);
  Box& box = state.boxes[index];
  if (!box.present) return;

  const bool wasOpen = box.open;
  const int8_t newCount = static_cast<int8_t>(wasOpen ? count - 1 : count + 1);
  box.open = !wasOpen;
  // The pick is written before the count is published, so a tick that sees two open boxes also
  // sees which they are.
  if (!wasOpen && newCount == 1) state.firstPick = index;
  if (!wasOpen && newCount == 2) state.secondPick = index;
  if (actions.beforeCountUpdate) actions.beforeCountUpdate();
  // The countdown may have ended the level since the count was read; the level's end wins, and
  // a click undone so makes no sound.
  if (!state.selectionCount.compare_exchange(count, newCount)) {
    box.open = wasOpen;
    return;
  }
  if (!wasOpen) state.boardProgress.compare_exchange(kBoardUntouched, kBoxOpened);
  RequestSound(state, SoundRequest::playBox);
}

void ClickScreen(GameState& state) {
  if (state.pickedName != kScreenBackButton) return;
  RequestSound(state, SoundRequest::stopAboutMusic);
  SetScene(state, SCENE_MENU_ENTER);
  RequestSound(state, SoundRequest::playMenuMusic);
  RequestSound(state, SoundRequest::stopGameMusic);
  RequestSound(state, SoundRequest::playButton);
}

void HoverMenu(GameState& state) {
  const uint32_t name = state.pickedName;
  state.hoverReadme = name == kReadmeButton;
  state.hoverEasy = name == kEasyButton;
  state.hoverNormal = name == kNormalButton;
  state.hoverHard = name == kHardButton;
  state.hoverOut = name == kOutButton;
  state.hoverAbout = name == kAboutButton;
  state.hoverPictures = name == kPicturesSelector;
  state.hoverPlayers = name == kPlayersSelector;
  state.hoverRecords = name == kRecordsButton;
  // Under the mouse the switches show their state only; the keyboard's highlight leaves them.
  state.hoverSwitch = 0;
}

void HoverBoard(GameState& state, const LevelParams& params) {
  if (ComputersTurn(state)) return;
  const uint32_t name = state.pickedName;
  const uint32_t boxCount = static_cast<uint32_t>(params.boxCount);
  state.hoverBack = name == boxCount + 1;
  state.hoverRecords = name == RecordsButtonOf(params);
  for (int i = 0; i < params.boxCount; ++i) state.boxes[i].hover = false;
  if (name >= 1 && name <= boxCount) state.boxes[name - 1].hover = true;
}

bool IsScreenWithBackButton(int8_t scene) {
  return scene == SCENE_README || scene == SCENE_ABOUT || scene == SCENE_HIDDEN_PICTURE ||
         scene == SCENE_RECORDS;
}

}  // namespace

bool OnKeyDown(GameState& state, Key key, const InputActions& actions) {
  if (ResumeBoard(state)) return true;
  if (key == Key::Pause) {
    PauseBoard(state);
    return true;
  }
  if (key == Key::J) state.hiddenKey1Pressed = true;
  if (key == Key::V) state.hiddenKey2Pressed = true;
  if (key != Key::Escape) return false;

  const int8_t scene = LoadScene(state);
  switch (scene) {
    case SCENE_MENU:
      // The first two presses only count; the third leaves.
      if (state.escCount > 1) {
        if (actions.exitFromMenu) actions.exitFromMenu();
      } else {
        state.escCount = static_cast<int8_t>(state.escCount + 1);
      }
      break;
    case SCENE_EASY:
    case SCENE_NORMAL:
    case SCENE_HARD:
      ReportBoardResult(state, ParamsOf(*LevelOfPlayScene(scene)), Outcome::gaveUp);
      [[fallthrough]];
    case SCENE_README:
    case SCENE_ABOUT:
    case SCENE_RECORDS:
      RequestSound(state, SoundRequest::playButton);
      RequestSound(state, SoundRequest::stopGameMusic);
      RequestSound(state, SoundRequest::stopAboutMusic);
      RequestSound(state, SoundRequest::playMenuMusic);
      SetScene(state, SCENE_MENU_ENTER);
      break;
    case SCENE_HIDDEN_PICTURE:
      // The about music never stopped, so no sound request.
      SetScene(state, SCENE_ABOUT);
      break;
    default:
      break;
  }
  return true;
}

void OnOK(GameState& state) {
  if (LoadScene(state) == SCENE_ABOUT && state.hiddenKey1Pressed && state.hiddenKey2Pressed)
    SetScene(state, SCENE_HIDDEN_PICTURE);
}

void OnMouseMove(GameState& state, int32_t cursorX, int32_t cursorY,
                 const int32_t (&windowRect)[4], const InputActions& actions) {
  LocateCursorAndPick(state, cursorX, cursorY, windowRect, actions);
  if (IsBoardPaused(state)) return;  // nothing of the board is shown to light up
  HoverPicked(state);
}

void HoverPicked(GameState& state) {
  const int8_t scene = LoadScene(state);
  if (scene == SCENE_MENU) {
    HoverMenu(state);
  } else if (const auto level = LevelOfPlayScene(scene)) {
    HoverBoard(state, ParamsOf(*level));
  } else if (IsScreenWithBackButton(scene)) {
    state.hoverBack = state.pickedName == kScreenBackButton;
  }
}

void OnLeftButtonDown(GameState& state, int32_t cursorX, int32_t cursorY,
                      const int32_t (&windowRect)[4], const InputActions& actions) {
  if (ResumeBoard(state)) return;
  LocateCursorAndPick(state, cursorX, cursorY, windowRect, actions);
  ClickPicked(state, actions);
}

void ClickPicked(GameState& state, const InputActions& actions) {
  const int8_t scene = LoadScene(state);
  if (scene == SCENE_MENU) {
    ClickMenu(state, actions);
  } else if (const auto level = LevelOfPlayScene(scene)) {
    ClickBoard(state, ParamsOf(*level), actions);
  } else if (IsScreenWithBackButton(scene)) {
    ClickScreen(state);
  }
}

}  // namespace game
