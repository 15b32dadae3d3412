// The nine media devices that the sound thread commands, one per sound file. The thread's
// serving logic sees only this interface, so tests can run it over a fake set without audio.
#pragma once

#include "sound/place_tick.h"

namespace sound {

// Slots of the nine devices, in the order in which they are opened and closed.
enum SoundSlot : int {
  SOUND_MENU = 0,    // music, looped
  SOUND_BUTTON = 1,  // effect
  SOUND_GAME = 2,    // music, looped
  SOUND_BOX = 3,     // effect
  SOUND_ERROR = 4,   // effect
  SOUND_BINGO = 5,   // effect
  SOUND_LOSE = 6,    // effect
  SOUND_WIN = 7,     // effect
  SOUND_ABOUT = 8,   // music, looped
};
inline constexpr int kSlotCount = 9;

// A slot that holds no device (its file was missing or undecodable, or there is no sound
// output) ignores every command. Commands never wait for a sound to end.
class MediaDevices {
 public:
  virtual ~MediaDevices() = default;

  // Plays the slot's sound once from its beginning, restarting it if it is playing. Sound thread.
  virtual void Play(int slot) = 0;
  // Plays from where the slot last stopped, repeating at the end; no-op while it plays.
  // Sound thread.
  virtual void PlayLooped(int slot) = 0;
  // Stops the slot and keeps its position for the next PlayLooped. Sound thread.
  virtual void Stop(int slot) = 0;
  // Plays the sound of a deck's card (a set picture, storage order) once, cutting a card sound
  // playing; a card without a sound is silent. Sound thread.
  virtual void PlayCard(int) {}
  // Stops a card's sound. Sound thread.
  virtual void StopCard() {}
  // Plays a board place's tick once, cutting the tick before. Sound thread.
  virtual void PlayPlace(const PlaceTick&) {}
};

// The device set of a game without sound output: every slot is empty.
class SilentDevices final : public MediaDevices {
 public:
  void Play(int) override {}
  void PlayLooped(int) override {}
  void Stop(int) override {}
};

}  // namespace sound
