#include "sound/sound_thread.h"

#include <SDL_thread.h>

#include <chrono>
#include <memory>

#include "sound/mixer_devices.h"
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
  std::unique_ptr<AudioOutput> output = AudioOutput::Open();
  std::unique_ptr<MediaDevices> devices;
  if (output)
    devices = std::make_unique<MixerDevices>(output->format(), SoundFilePaths());
  else
    devices = std::make_unique<SilentDevices>();

  RunSoundService(state, *devices, kLoadingDelay);

  // Closing the devices silences them; only then may the mixer close.
  devices.reset();
  output.reset();
  // SDL frees its per-thread data (its error text) only on threads it started itself.
  SDL_TLSCleanup();
  return 0;
}

}  // namespace sound
