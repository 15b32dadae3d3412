// How the sound thread serves the game's one-shot requests, over any set of media devices.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "game/game_state.h"
#include "sound/media_devices.h"

namespace sound {

// One pass over the fifteen requests in their serving order: each raised flag is cleared, then
// its command is sent if the setting it depends on (musicOn, soundOn, or none for stops) is on
// at that moment. A request raised again while its command runs stays raised for the next pass.
// Sound thread.
void ServeSoundRequests(game::GameState& state, MediaDevices& devices);

// Whether any sound request is raised and not yet served. Any thread.
bool AnySoundRequested(const game::GameState& state);

// Work beside the requests: keeping the output alive. `tend` runs before every pass and returns
// when it wants to run again by the clock (nothing: only when woken); `due` tells the sleeping
// loop, under the wake lock, that it is wanted now. Either may be empty.
struct Upkeep {
  std::function<std::optional<std::chrono::steady_clock::time_point>()> tend;
  std::function<bool()> due;
};

// The sound thread's life after its devices are open: waits `loadingDelay` (less if `running`
// clears), sets `loadingDone`, then serves requests while `running` is set, sleeping on
// state.wake between passes (and until the upkeep's time). Returns when `running` is clear.
// Sound thread.
void RunSoundService(game::GameState& state, MediaDevices& devices,
                     std::chrono::milliseconds loadingDelay, const Upkeep& upkeep = {});

}  // namespace sound
