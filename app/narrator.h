// Play by ear: the announcer's lines handed to the speech service while speech is on. The
// service starts the first time speech is on (at start or from the menu's switch), so a player
// who never asks for speech never loads the daemon's library. UI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/announcer.h"
#include "app/speech.h"
#include "game/game_state.h"
#include "game/language.h"

namespace app {

class Narrator {
 public:
  using BackendFactory = std::function<std::unique_ptr<SpeechBackend>()>;
  explicit Narrator(BackendFactory makeBackend = MakeSpeechdBackend)
      : makeBackend_(std::move(makeBackend)) {}

  // Once a pass of the loop, after the input: says what changed while speech is on (and the
  // switch's own "off"), and asks for the tick of the board's box the highlight moved to.
  void OnFrame(game::GameState& state);
  // The T and R keys: says the answer while speech is on.
  void OnRequest(const game::GameState& state, SpeechRequest request);
  // The voice's language from now on.
  void SetLanguage(game::Language language);

 private:
  void Say(const std::vector<SpokenLine>& lines);

  BackendFactory makeBackend_;
  Announcer announcer_;
  std::unique_ptr<Speech> speech_;  // made the first time speech is on; lives for the run
  std::string language_ = "en";
  bool wasOn_ = false;
};

// Whether the desktop's screen reader is switched on (GNOME's accessibility setting, read
// through GSettings); false where the setting does not exist. UI thread, at start.
bool ScreenReaderOn();

}  // namespace app
