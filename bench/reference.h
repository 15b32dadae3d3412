// The scenes the bench draws, set up in a GameState, and reference drawings kept here as they
// were before a cost was cut, so that each cut is measured against its original in the same run
// and checked to put the very same pixels on the screen.
#pragma once

#include <string_view>

#include "game/game_state.h"

namespace bench {

// The Chinese texts of a board frame, byte for byte as the game draws them (UTF-8).
inline constexpr std::string_view kBestLabel = "历史最高分:";
inline constexpr std::string_view kTimeLabel = "剩余时间:";
inline constexpr std::string_view kWonMessage = "你胜利了!!!";
inline constexpr std::string_view kLostMessage = "你输了!!!";

// The menu with scattered, fading stars, the title swung and the cursor on the easy button.
void SetUpMenu(game::GameState& state);
// The hard board: 80 closed boxes in varied colours, the cursor on one, best score, time and
// score texts, and both end messages (the seven texts a board frame can draw).
void SetUpHardBoard(game::GameState& state);
// The about screen with its cubes turned and tinted.
void SetUpAbout(game::GameState& state);

// The hard board scene as it was drawn before the cuts (blending switched off and on around
// every box's outline test). Called like DrawBoardScene with the hard level.
void DrawHardSceneReference(const game::GameState& state);

// PickAt on the hard board as it was before the cuts: every box drawn in selection mode.
void PickAtHardBoardReference(game::GameState& state);

// The background and the 80 boxes of the hard board as plain list calls, nothing else: what a
// simple display-list drawing of the board costs.
void DrawPlainCubes(const game::GameState& state);

}  // namespace bench
