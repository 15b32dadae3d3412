// The three levels differ only in these constants; every rule is one rule applied with them.
#pragma once

#include <cstdint>
#include <optional>

#include "game/game_state.h"

namespace game {

enum class Level : uint8_t { easy = 0, normal = 1, hard = 2 };

struct LevelParams {
  Level level;
  int8_t setupScene;
  int8_t playScene;
  int rows;
  int columns;
  int boxCount;
  int faceCount;      // faces used: 0..faceCount-1
  int copiesPerFace;
  int pairsToWin;
  int timeLimit;      // seconds
  int bestScoreSlot;  // index into GameState::bestScore
};

inline constexpr LevelParams kLevelParams[3] = {
    {Level::easy, SCENE_EASY_SETUP, SCENE_EASY, 6, 6, 36, 6, 6, 18, 120, 0},
    {Level::normal, SCENE_NORMAL_SETUP, SCENE_NORMAL, 8, 8, 64, 8, 8, 32, 300, 1},
    {Level::hard, SCENE_HARD_SETUP, SCENE_HARD, 8, 10, 80, 10, 8, 40, 600, 2},
};

constexpr const LevelParams& ParamsOf(Level level) { return kLevelParams[static_cast<int>(level)]; }

// The pick names of a board: box n - 1 is n, then the back button, then the records button (on
// a board that is over).
constexpr uint32_t BackButtonOf(const LevelParams& params) {
  return static_cast<uint32_t>(params.boxCount) + 1;
}
constexpr uint32_t RecordsButtonOf(const LevelParams& params) { return BackButtonOf(params) + 1; }

// Where box (0-based) stands as the player sees the board: row from the top and column from the
// left, 0-based (boxes run right to left within a row, game/navigation.h).
struct BoxPlace {
  int row, column;
};
constexpr BoxPlace PlaceOfBox(const LevelParams& params, int box) {
  return {box / params.columns, params.columns - 1 - box % params.columns};
}

// The level whose play scene (3, 5, 7) or setup scene (2, 4, 6) this is; none for other scenes.
constexpr std::optional<Level> LevelOfPlayScene(int scene) {
  for (const LevelParams& p : kLevelParams)
    if (p.playScene == scene) return p.level;
  return std::nullopt;
}
constexpr std::optional<Level> LevelOfSetupScene(int scene) {
  for (const LevelParams& p : kLevelParams)
    if (p.setupScene == scene) return p.level;
  return std::nullopt;
}

}  // namespace game
