#include "sound/sound_thread.h"

#include <SDL_thread.h>

#include <chrono>
#include <memory>

#include "sound/mixer_devices.h"
#include "sound/output_return.h"
#include "sound/sound_service.h"
#include "storage/formats.h"
#include "storage/paths.h"

namespace sound {
namespace {

// The loading screen stays up this long after the devices are open.
constexpr std::chrono::milliseconds kLoadingDelay{1000};

std::array<std::string, kSlotCount> SoundFilePaths() {
  static_assert(storage::kSoundSlotCount == kSlotCount);
  std::array<std::string, kSlotCount> paths;
  for (int slot = 0; slot < kSlotCount; ++slot)
    paths[slot] = storage::PathOf(storage::kSoundFiles[slot]);
  return paths;
}

}  // namespace

int SoundThread(game::GameState& state) {
  OutputEvents events;
  {
    // Watched from before the output opens, so no loss goes unseen.
    OutputEventWatch watch(events, state);
    ReturningDevices devices(SoundFilePaths());
    Upkeep upkeep;
    upkeep.tend = [&] { return devices.Tend(events, SoundClock::now()); };
    upkeep.due = [&] { return events.removed.load() || events.added.load(); };
    RunSoundService(state, devices, kLoadingDelay, upkeep);
  }
  // SDL frees its per-thread data (its error text) only on threads it started itself.
  SDL_TLSCleanup();
  return 0;
}

}  // namespace sound
