// The sound thread: owns the nine media devices and serves the game's sound requests.
#pragma once

#include "game/game_state.h"

namespace sound {

// Thread procedure. Opens the nine devices from storage::kSoundFiles (where storage::PathOf
// finds them), sets `loadingDone` one second later (sooner if `running` clears), serves sound
// requests until `running` clears, closes the devices and returns 0. Without a sound device it
// plays nothing after one warning on stderr. Runs on its own thread, one at a time.
int SoundThread(game::GameState& state);

}  // namespace sound
