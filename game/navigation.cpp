#include "game/navigation.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "game/level.h"
#include "game/menu.h"
#include "game/pause.h"
#include "game/scenes.h"

namespace game {
namespace {

int Wrap(int value, int count) { return ((value % count) + count) % count; }

// A column of the menu top to bottom: its controls by height, as the menu's table places them.
std::vector<const MenuControl*> ColumnOfMenu(MenuColumn column) {
  std::vector<const MenuControl*> items;
  for (const MenuControl& control : MenuControls())
    if (control.column == column) items.push_back(&control);
  std::stable_sort(items.begin(), items.end(), [](const MenuControl* a, const MenuControl* b) {
    return HeightInTenths(a->place) > HeightInTenths(b->place);
  });
  return items;
}

uint32_t NextInMenu(uint32_t from, Direction direction) {
  const MenuControl* control = FindMenuControl(from);
  if (control == nullptr) return PickNameOf(kFirstMenuControl);
  const std::vector<const MenuControl*> items = ColumnOfMenu(control->column);
  const int size = static_cast<int>(items.size());
  const int row = static_cast<int>(std::find(items.begin(), items.end(), control) - items.begin());
  if (direction == Direction::up) return PickNameOf(items[Wrap(row - 1, size)]->name);
  if (direction == Direction::down) return PickNameOf(items[Wrap(row + 1, size)]->name);
  const int step = direction == Direction::left ? -1 : 1;
  const std::vector<const MenuControl*> next = ColumnOfMenu(
      static_cast<MenuColumn>(Wrap(static_cast<int>(control->column) + step, kMenuColumnCount)));
  // The nearest in height; on a tie the upper one, which comes first.
  const int height = HeightInTenths(control->place);
  const MenuControl* best = next.front();
  for (const MenuControl* item : next)
    if (std::abs(HeightInTenths(item->place) - height) <
        std::abs(HeightInTenths(best->place) - height))
      best = item;
  return PickNameOf(best->name);
}

// Box n - 1 carries the name n; boxes run right to left within a row, so column 0 is the
// rightmost. The back button carries BackButtonOf(params).
uint32_t NextOnBoard(const LevelParams& params, uint32_t from, Direction direction) {
  const int columns = params.columns;
  const int rows = params.rows;
  const uint32_t back = BackButtonOf(params);
  const uint32_t records = RecordsButtonOf(params);
  auto nameAt = [columns](int row, int column) {
    return static_cast<uint32_t>(row * columns + column + 1);
  };
  if (from == 0 || from > records) return nameAt(0, columns - 1);
  if (from == back || from == records) {
    // Left and right go between the two buttons below the board (records once it is over).
    if (direction == Direction::left || direction == Direction::right)
      return from == back ? records : back;
    // Round the rows through the back button, into the column nearest it (the rightmost).
    if (direction == Direction::up) return nameAt(rows - 1, 0);
    return nameAt(0, 0);
  }
  const int row = static_cast<int>(from - 1) / columns;
  const int column = static_cast<int>(from - 1) % columns;
  switch (direction) {
    case Direction::left: return nameAt(row, Wrap(column + 1, columns));
    case Direction::right: return nameAt(row, Wrap(column - 1, columns));
    case Direction::up: return row == 0 ? back : nameAt(row - 1, column);
    case Direction::down: return row == rows - 1 ? back : nameAt(row + 1, column);
  }
  return from;
}

}  // namespace

uint32_t NextHighlight(int scene, uint32_t from, Direction direction) {
  if (scene == SCENE_MENU) return NextInMenu(from, direction);
  if (const auto level = LevelOfPlayScene(scene))
    return NextOnBoard(ParamsOf(*level), from, direction);
  if (DescribeScene(scene).backButton) return kScreenBackButton;
  return 0;
}

uint32_t HighlightedName(const GameState& state) {
  const int scene = state.scene.load(std::memory_order_acquire);
  if (scene == SCENE_MENU) {
    for (const MenuControl& control : MenuControls())
      if (control.hover && state.*control.hover) return PickNameOf(control.name);
    return static_cast<uint32_t>(static_cast<int8_t>(state.hoverSwitch));
  }
  if (const auto level = LevelOfPlayScene(scene)) {
    const LevelParams& params = ParamsOf(*level);
    for (int i = 0; i < params.boxCount; ++i)
      if (state.boxes[i].hover) return static_cast<uint32_t>(i + 1);
    if (state.hoverRecords) return RecordsButtonOf(params);
    return state.hoverBack ? BackButtonOf(params) : 0;
  }
  if (DescribeScene(scene).backButton) return state.hoverBack ? kScreenBackButton : 0;
  return 0;
}

void MoveHighlight(GameState& state, Direction direction) {
  const int scene = state.scene.load(std::memory_order_acquire);
  const uint32_t next = NextHighlight(scene, HighlightedName(state), direction);
  if (next == 0) return;
  // The records button below a board shows only once the level is over.
  if (const auto level = LevelOfPlayScene(scene);
      level && next == RecordsButtonOf(ParamsOf(*level)) && !IsBoardOver(state))
    return;
  state.pickedName = next;
  HoverPicked(state);
  // Only the switches lack a lit picture and need the keyboard's frame.
  if (const MenuControl* control = FindMenuControl(next);
      scene == SCENE_MENU && control != nullptr && control->kind == MenuKind::toggle)
    state.hoverSwitch = static_cast<int8_t>(next);
}

void PressHighlighted(GameState& state, const InputActions& actions) {
  const uint32_t name = HighlightedName(state);
  if (name == 0) return;
  state.pickedName = name;
  ClickPicked(state, actions);
}

void StartLevelByNumber(GameState& state, int number, const InputActions& actions) {
  if (state.scene.load(std::memory_order_acquire) != SCENE_MENU || number < 1 || number > 3)
    return;
  state.pickedName = PickNameOf(LevelButton(static_cast<Level>(number - 1)).name);
  ClickPicked(state, actions);
}

void ClickMenuItem(GameState& state, MenuName name, const InputActions& actions) {
  if (state.scene.load(std::memory_order_acquire) != SCENE_MENU) return;
  state.pickedName = PickNameOf(name);
  ClickPicked(state, actions);
}

}  // namespace game
