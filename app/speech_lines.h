// What the game says: one line for each thing that happens, in the chosen language (render::Tr,
// the same catalogues as the drawn texts). A pure function of the event, so one table of cases
// tests every line. UI thread (the lookup is the UI thread's).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/speech.h"
#include "game/game_state.h"
#include "game/menu.h"

namespace app {

enum class SpeechTopic : uint8_t {
  menuControl,  // the highlight on a menu control, or its value changed: control, value
  screen,       // a screen opened: scene (a board: level)
  box,          // the highlight on a box, or a box opened: row, column, name (when open), empty
  back,         // the highlight on a Back button
  records,      // the highlight on the records button below a board that is over
  pairFound,
  pairMissed,
  turn,         // whose turn it is, playing together: player, computer
  won,          // result: one player found every pair
  timeUp,       // result: the countdown ran out
  standings,    // result, playing together: the players' pairs and the winner
  paused,
  resumed,
  status,       // the T key: seconds (counting up or left), score, pairsLeft
  rules,        // the R key on the help screen: the help page's rules
};

struct SpeechEvent {
  SpeechTopic topic = SpeechTopic::screen;
  game::MenuName control = game::MenuName::none;
  std::string value{};  // a selector's shown value; a switch's is its state
  bool on = false;    // a switch's state
  int scene = game::SCENE_MENU;
  int row = 0, column = 0;  // 1-based, as the player sees the board: top row first, left first
  std::string name{};       // an open box's name
  bool empty = false;       // a box whose pair was found
  int player = 0;           // 0-based
  bool computer = false;    // player is the computer
  int playerCount = 1;
  std::array<int, game::kMaxPlayers> pairs{};
  int winner = 0;  // 0-based, or game::kDraw
  int seconds = 0;
  bool countsUp = false;  // seconds are the time played, not the time left
  int score = 0;
  int pairsLeft = 0;
};

// The line for an event, in the chosen language; empty when there is nothing to say.
std::string LineOf(const SpeechEvent& event);

// Whether the line may be cut by the next one: results are never cut.
Urgency UrgencyOf(const SpeechEvent& event);

}  // namespace app
