#include "game/navigation.h"

#include <array>
#include <cstdlib>
#include <span>

#include "game/level.h"
#include "game/pause.h"

namespace game {
namespace {

// The menu's pick names (as drawn by the menu) in their three columns, top to bottom, with their
// heights in tenths of a scene unit for the nearest match between columns.
struct MenuItem {
  uint32_t name;
  int height;
};
constexpr std::array<MenuItem, 3> kLeftColumn = {{{10, 3}, {11, -2}, {6, -16}}};
constexpr std::array<MenuItem, 5> kCentreColumn = {{{1, 8}, {2, 3}, {3, -2}, {4, -7}, {5, -17}}};
constexpr std::array<MenuItem, 4> kRightColumn = {{{12, 3}, {9, -12}, {7, -16}, {8, -18}}};
constexpr std::array<std::span<const MenuItem>, 3> kMenuColumns = {kLeftColumn, kCentreColumn,
                                                                   kRightColumn};
constexpr uint32_t kFirstMenuItem = 2;  // Easy: the likeliest choice
constexpr uint32_t kScreenBackButton = 1;

int Wrap(int value, int count) { return ((value % count) + count) % count; }

uint32_t NextInMenu(uint32_t from, Direction direction) {
  for (int column = 0; column < static_cast<int>(kMenuColumns.size()); ++column) {
    const std::span<const MenuItem> items = kMenuColumns[column];
    for (int row = 0; row < static_cast<int>(items.size()); ++row) {
      if (items[row].name != from) continue;
      const int size = static_cast<int>(items.size());
      switch (direction) {
        case Direction::up: return items[Wrap(row - 1, size)].name;
        case Direction::down: return items[Wrap(row + 1, size)].name;
        case Direction::left:
        case Direction::right: {
          const int step = direction == Direction::left ? -1 : 1;
          const std::span<const MenuItem> next =
              kMenuColumns[Wrap(column + step, static_cast<int>(kMenuColumns.size()))];
          // The nearest in height; on a tie the upper one, which comes first.
          const MenuItem* best = &next[0];
          const int height = items[row].height;
          for (const MenuItem& item : next)
            if (std::abs(item.height - height) < std::abs(best->height - height)) best = &item;
          return best->name;
        }
      }
    }
  }
  return kFirstMenuItem;
}

// Box n - 1 carries the name n; boxes run right to left within a row, so column 0 is the
// rightmost. The back button carries boxCount + 1.
uint32_t NextOnBoard(const LevelParams& params, uint32_t from, Direction direction) {
  const int columns = params.columns;
  const int rows = params.rows;
  const uint32_t back = static_cast<uint32_t>(params.boxCount) + 1;
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
  if (scene == SCENE_README || scene == SCENE_ABOUT || scene == SCENE_RECORDS)
    return kScreenBackButton;
  return 0;
}

uint32_t HighlightedName(const GameState& state) {
  const int scene = state.scene.load(std::memory_order_acquire);
  if (scene == SCENE_MENU) {
    const bool flags[6] = {state.hoverReadme, state.hoverEasy, state.hoverNormal,
                           state.hoverHard,   state.hoverOut,  state.hoverAbout};
    for (uint32_t i = 0; i < 6; ++i)
      if (flags[i]) return i + 1;
    if (state.hoverPictures) return 10;
    if (state.hoverPlayers) return 11;
    if (state.hoverRecords) return 12;
    return static_cast<uint32_t>(static_cast<int8_t>(state.hoverSwitch));
  }
  if (const auto level = LevelOfPlayScene(scene)) {
    const LevelParams& params = ParamsOf(*level);
    for (int i = 0; i < params.boxCount; ++i)
      if (state.boxes[i].hover) return static_cast<uint32_t>(i + 1);
    if (state.hoverRecords) return RecordsButtonOf(params);
    return state.hoverBack ? static_cast<uint32_t>(params.boxCount + 1) : 0;
  }
  if (scene == SCENE_README || scene == SCENE_ABOUT || scene == SCENE_RECORDS)
    return state.hoverBack ? kScreenBackButton : 0;
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
  // Only the three switches (7, 8, 9) lack a lit picture and need the keyboard's frame.
  if (scene == SCENE_MENU && next >= 7 && next <= 9) state.hoverSwitch = static_cast<int8_t>(next);
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
  state.pickedName = static_cast<uint32_t>(number + 1);  // Easy, Normal, Hard are names 2, 3, 4
  ClickPicked(state, actions);
}

void ClickMenuItem(GameState& state, uint32_t name, const InputActions& actions) {
  if (state.scene.load(std::memory_order_acquire) != SCENE_MENU) return;
  state.pickedName = name;
  ClickPicked(state, actions);
}

}  // namespace game
