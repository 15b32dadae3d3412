// What there is to say, found by watching the game: each frame the announcer compares the game
// state with what it saw last (the scene, the highlight, the menu's values, the boxes open and
// present, the pairs, misses, whose turn, the result, the pause) and turns the differences into
// events. No game rule knows of it. UI thread.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/speech_lines.h"
#include "game/game_state.h"
#include "game/menu.h"

namespace app {

// What the player asks to hear by key.
enum class SpeechRequest : uint8_t {
  status,  // T: on a board, the time, the score and the pairs left
  rules,   // R: on the help screen, its rules
};

class Announcer {
 public:
  // The events since the last call, in the order they are to be said. The first call only
  // takes the state in (and says the screen). Transitional scenes are passed over.
  std::vector<SpeechEvent> Observe(const game::GameState& state);

  // The answer to a key; none where the key has nothing to say.
  std::optional<SpeechEvent> Answer(const game::GameState& state, SpeechRequest request) const;

  // The box (0-based) the highlight moved to on a board in the last Observe; none otherwise.
  std::optional<int> MovedToBox() const { return movedToBox_; }

 private:
  struct MenuValue {
    bool on = false;
    std::string value;
    friend bool operator==(const MenuValue&, const MenuValue&) = default;
  };
  struct Seen {
    int scene = -1;
    uint32_t highlight = 0;
    std::vector<MenuValue> menu;  // by the menu table's order
    std::bitset<game::kBoxCapacity> open, present;
    int pairsFound = 0, misses = 0, current = 0;
    bool won = false, lost = false, finished = false, paused = false;
    bool judging = false;  // two boxes open, the try not yet released
  };

  Seen Look(const game::GameState& state) const;
  void Board(const game::GameState& state, const Seen& now, std::vector<SpeechEvent>& events) const;
  void Menu(const Seen& now, std::vector<SpeechEvent>& events) const;

  Seen seen_;
  std::optional<int> movedToBox_;
};

// A board's box event for box (0-based) of the board in scene: its row and column as the
// player sees them (top row first, left column first), its name when open, empty when gone.
SpeechEvent BoxEvent(const game::GameState& state, int scene, int box);

// The events of one frame as lines to speak: the others joined into one line, so one does not cut
// the next (it interrupts when any of them does, else it is queued); the results each on their
// own, after them.
struct SpokenLine {
  std::string text;
  Urgency urgency;
};
std::vector<SpokenLine> LinesOf(const std::vector<SpeechEvent>& events);

}  // namespace app
