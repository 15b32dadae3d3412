#include "game/input.h"

#include <optional>

#include "game/level.h"
#include "game/menu.h"
#include "game/pairs.h"
#include "game/pause.h"
#include "game/records.h"
#include "game/scenes.h"
#include "game/turns.h"

namespace game {
namespace {

int8_t LoadScene(const GameState& state) { return state.scene.load(std::memory_order_acquire); }

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

void ClickMenu(GameState& state, const InputActions& actions) {
  if (const MenuControl* control = FindMenuControl(state.pickedName))
    control->click(state, *control, actions);
}

void ClickBoard(GameState& state, const LevelParams& params, const InputActions& actions) {
  // Two boxes open: the pair is being judged, and even the back button waits for it.
  const int8_t count = state.selectionCount.load(std::memory_order_acquire);
  if (count == 2) return;
  // The computer's turn: the mouse and the keys wait for it, Escape alone leaves.
  if (ComputersTurn(state)) return;

  const uint32_t name = state.pickedName;
  const uint32_t boxCount = static_cast<uint32_t>(params.boxCount);
  if (name == BackButtonOf(params)) {
    ReportBoardResult(state, params, Outcome::gaveUp);
    EnterScene(state, SCENE_MENU_ENTER);
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
  if (!wasOpen) RequestCardSound(state, index);
}

void ClickScreen(GameState& state, const SceneDescription& description) {
  if (state.pickedName != kScreenBackButton) return;
  for (const SoundRequest request : description.backRequests) RequestSound(state, request);
  EnterScene(state, SCENE_MENU_ENTER);
  RequestSound(state, SoundRequest::playButton);
}

void HoverMenu(GameState& state) {
  for (const MenuControl& control : MenuControls())
    if (control.hover) state.*control.hover = state.pickedName == PickNameOf(control.name);
  // Under the mouse the switches show their state only; the keyboard's highlight leaves them.
  state.hoverSwitch = 0;
}

void HoverBoard(GameState& state, const LevelParams& params) {
  if (ComputersTurn(state)) return;
  const uint32_t name = state.pickedName;
  const uint32_t boxCount = static_cast<uint32_t>(params.boxCount);
  state.hoverBack = name == BackButtonOf(params);
  state.hoverRecords = name == RecordsButtonOf(params);
  for (int i = 0; i < params.boxCount; ++i) state.boxes[i].hover = false;
  if (name >= 1 && name <= boxCount) state.boxes[name - 1].hover = true;
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
  const SceneDescription& description = DescribeScene(scene);
  switch (description.escape) {
    case EscapeRule::countsToQuit:
      // The first two presses only count; the third leaves.
      if (state.escCount > 1) {
        if (actions.exitFromMenu) actions.exitFromMenu();
      } else {
        state.escCount = static_cast<int8_t>(state.escCount + 1);
      }
      break;
    case EscapeRule::leaves:
      if (const auto level = LevelOfPlayScene(scene))
        ReportBoardResult(state, ParamsOf(*level), Outcome::gaveUp);
      ChangeScene(state, description.escapeTo, description.escapeRequests, {});
      break;
    case EscapeRule::none:
      break;
  }
  return true;
}

void OnOK(GameState& state) {
  if (LoadScene(state) == SCENE_ABOUT && state.hiddenKey1Pressed && state.hiddenKey2Pressed)
    EnterScene(state, SCENE_HIDDEN_PICTURE);
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
  } else if (DescribeScene(scene).backInput) {
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
  } else if (const SceneDescription& description = DescribeScene(scene); description.backInput) {
    ClickScreen(state, description);
  }
}

}  // namespace game
