// The real sound output: SDL's audio subsystem and SDL2_mixer, one mixer channel per device.
#pragma once

#include <SDL_mixer.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/card_sounds.h"
#include "sound/media_devices.h"
#include "sound/pcm_decoder.h"

namespace sound {

// The mixer (44100 Hz, stereo, 16-bit asked; nine channels, one for a card's sound and one for a place's tick), open for the object's life, over
// SDL's audio subsystem, which the thread that started SDL starts before and stops after: SDL
// counts its subsystems without a lock.
class AudioOutput {
 public:
  // Opens the output. Returns null at once when SDL's audio is not started, and after one warning
  // on stderr (none when `quiet`) when no sound device can be opened; never blocks waiting for
  // one. Sound thread.
  static std::unique_ptr<AudioOutput> Open(bool quiet = false);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // The layout the mixer actually runs with.
  const PcmFormat& format() const { return format_; }

 private:
  explicit AudioOutput(const PcmFormat& format) : format_(format) {}
  PcmFormat format_;
};

// Nine devices on mixer channels 0..8; each holds its whole sound decoded. Lives within the life
// of an AudioOutput.
class MixerDevices final : public MediaDevices {
 public:
  // Opens slots 0..8 from `paths` in order. A file that cannot be decoded leaves its slot empty
  // after one warning on stderr that names it. Sound thread.
  MixerDevices(const PcmFormat& format, const std::array<std::string, kSlotCount>& paths);
  // Closes slots 0..8 in order, which silences them.
  ~MixerDevices() override;
  MixerDevices(const MixerDevices&) = delete;
  MixerDevices& operator=(const MixerDevices&) = delete;

  void Play(int slot) override;
  void PlayLooped(int slot) override;
  void Stop(int slot) override;
  // A deck card's sound, on a channel of its own after the nine; decoded from CurrentCardSounds
  // on its first play and kept while the deck stays. An undecodable one: one line, silence.
  void PlayCard(int card) override;
  void StopCard() override;
  // A board place's tick, made for the mixer's format on its own channel after the card's.
  void PlayPlace(const PlaceTick& tick) override;

  // Whether the slot holds a device.
  bool IsOpen(int slot) const;
  // Whether the slot's mixer channel is sounding (an effect not yet played out, or looped music).
  bool IsPlaying(int slot) const;
  // Frames of the sound, and where looped play stands in them (it resumes there).
  std::size_t FrameCount(int slot) const;
  std::size_t LoopPosition(int slot) const;
  // Moves where looped play resumes to `frame` (wrapped into the sound). Not while it plays.
  void SetLoopPosition(int slot, std::size_t frame);
  // Silences every slot before the output closes under them; positions are kept, and the
  // devices play again once an output of the same format is open. Sound thread.
  void Suspend();

 private:
  struct Device {
    bool open = false;
    bool looping = false;       // PlayLooped started the channel and no stop or play came since
    std::vector<uint8_t> pcm;   // the whole sound in the mixer's format
    Mix_Chunk chunk{};          // over pcm, for plays from the beginning
    std::atomic<std::size_t> loopPosition{0};  // bytes into pcm; advanced on the mixer's thread
  };

  // Mixer effect on a channel that loops silence: replaces it with the device's sound from its
  // loop position, wrapping at the end. Mixer thread.
  static void FeedLoop(int channel, void* stream, int length, void* device);

  bool IsValid(int slot) const { return slot >= 0 && slot < kSlotCount && devices_[slot].open; }

  std::size_t frameBytes_;
  std::vector<uint8_t> silence_;
  Mix_Chunk silenceChunk_{};
  std::array<Device, kSlotCount> devices_;
  // The cards' sounds: those of the deck handed over last, decoded as they play.
  std::shared_ptr<const CardSoundFiles> cardFiles_;
  std::vector<std::vector<uint8_t>> cardPcm_;  // per card; empty until decoded
  std::vector<bool> cardFailed_;
  Mix_Chunk cardChunk_{};
  std::vector<uint8_t> placePcm_;  // the last tick, in the mixer's format
  Mix_Chunk placeChunk_{};
  PcmFormat format_;
};

}  // namespace sound
