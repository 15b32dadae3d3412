#include "sound/mixer_devices.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace sound {
namespace {

constexpr int kRequestedRate = 44100;
constexpr int kRequestedChannels = 2;
constexpr int kChunkFrames = 1024;
// Looped music plays over a channel that loops this much silence.
constexpr std::size_t kSilenceFrames = 1024;
// A deck card's sound plays on the channel after the devices'.
constexpr int kCardChannel = kSlotCount;
// A board place's tick plays on the one after it.
constexpr int kPlaceChannel = kSlotCount + 1;
constexpr int kChannelCount = kSlotCount + 2;

// One sample in -1..1 written in the mixer's sample format at `out`; false for a format the
// ticks do not make.
bool PutSample(float value, SDL_AudioFormat format, uint8_t* out) {
  switch (format) {
    case AUDIO_U8: *out = static_cast<uint8_t>(std::lround(value * 127.0f) + 128); return true;
    case AUDIO_S16SYS: {
      const auto sample = static_cast<int16_t>(std::lround(value * 32767.0f));
      std::memcpy(out, &sample, sizeof sample);
      return true;
    }
    case AUDIO_S32SYS: {
      const auto sample = static_cast<int32_t>(std::lround(static_cast<double>(value) * 2147483647.0));
      std::memcpy(out, &sample, sizeof sample);
      return true;
    }
    case AUDIO_F32SYS: std::memcpy(out, &value, sizeof value); return true;
    default: return false;
  }
}

}  // namespace

std::unique_ptr<AudioOutput> AudioOutput::Open(bool quiet) {
  // Whoever started audio has told why it could not.
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0) return nullptr;
  if (Mix_OpenAudio(kRequestedRate, AUDIO_S16SYS, kRequestedChannels, kChunkFrames) != 0) {
    if (!quiet)
      std::fprintf(stderr, "tessary: no sound device (%s); playing without sound\n",
                   Mix_GetError());
    return nullptr;
  }
  PcmFormat format;
  Uint16 sampleFormat = 0;
  Mix_QuerySpec(&format.sampleRate, &sampleFormat, &format.channels);
  format.sampleFormat = sampleFormat;
  if (!CanDecodeInto(format) || Mix_AllocateChannels(kChannelCount) != kChannelCount) {
    std::fprintf(stderr,
                 "tessary: unusable sound device (format %#x, %d channels); no sound\n",
                 sampleFormat, format.channels);
    Mix_CloseAudio();
    return nullptr;
  }
  return std::unique_ptr<AudioOutput>(new AudioOutput(format));
}

AudioOutput::~AudioOutput() { Mix_CloseAudio(); }

MixerDevices::MixerDevices(const PcmFormat& format,
                           const std::array<std::string, kSlotCount>& paths)
    : frameBytes_(static_cast<std::size_t>(format.BytesPerFrame())),
      silence_(kSilenceFrames * frameBytes_, format.sampleFormat == AUDIO_U8 ? 0x80 : 0) {
  format_ = format;
  silenceChunk_.allocated = 0;
  silenceChunk_.abuf = silence_.data();
  silenceChunk_.alen = static_cast<Uint32>(silence_.size());
  silenceChunk_.volume = MIX_MAX_VOLUME;

  for (int slot = 0; slot < kSlotCount; ++slot) {
    Device& device = devices_[slot];
    std::string error;
    if (!DecodeAudioFile(paths[slot], format, device.pcm, error)) {
      std::fprintf(stderr, "tessary: cannot open sound %s: %s\n", paths[slot].c_str(),
                   error.c_str());
      continue;
    }
    if (device.pcm.size() > std::numeric_limits<Uint32>::max()) {
      std::fprintf(stderr, "tessary: cannot open sound %s: too long\n", paths[slot].c_str());
      device.pcm = {};
      continue;
    }
    device.chunk.allocated = 0;
    device.chunk.abuf = device.pcm.data();
    device.chunk.alen = static_cast<Uint32>(device.pcm.size());
    device.chunk.volume = MIX_MAX_VOLUME;
    device.open = true;
  }
}

MixerDevices::~MixerDevices() {
  // Halting takes the mixer's lock, so once it returns no channel reads this object's sound.
  for (int slot = 0; slot < kSlotCount; ++slot) Mix_HaltChannel(slot);
  Mix_HaltChannel(kCardChannel);
  Mix_HaltChannel(kPlaceChannel);
}

void MixerDevices::PlayCard(int card) {
  std::shared_ptr<const CardSoundFiles> files = CurrentCardSounds();
  // The chunk reads cardPcm_: silence the channel before anything in it changes.
  Mix_HaltChannel(kCardChannel);
  if (files != cardFiles_) {
    cardFiles_ = std::move(files);
    cardPcm_.assign(cardFiles_->size(), {});
    cardFailed_.assign(cardFiles_->size(), false);
  }
  if (card < 0 || static_cast<std::size_t>(card) >= cardFiles_->size()) return;
  const auto index = static_cast<std::size_t>(card);
  const std::vector<uint8_t>& encoded = (*cardFiles_)[index];
  if (encoded.empty() || cardFailed_[index]) return;
  std::vector<uint8_t>& pcm = cardPcm_[index];
  if (pcm.empty()) {
    std::string error;
    if (!DecodeAudioBytes(encoded, format_, pcm, error)) {
      std::fprintf(stderr, "tessary: cannot play the sound of card %d: %s\n", card + 1,
                   error.c_str());
      cardFailed_[index] = true;
      return;
    }
  }
  cardChunk_.allocated = 0;
  cardChunk_.abuf = pcm.data();
  cardChunk_.alen = static_cast<Uint32>(pcm.size());
  cardChunk_.volume = MIX_MAX_VOLUME;
  Mix_PlayChannel(kCardChannel, &cardChunk_, 0);
}

void MixerDevices::StopCard() { Mix_HaltChannel(kCardChannel); }

void MixerDevices::PlayPlace(const PlaceTick& tick) {
  // The chunk reads placePcm_: silence the channel before it changes.
  Mix_HaltChannel(kPlaceChannel);
  const std::vector<float> stereo = SynthesizeTick(tick, format_.sampleRate);
  const std::size_t frames = stereo.size() / 2;
  const auto channels = static_cast<std::size_t>(format_.channels);
  const std::size_t sampleBytes = frameBytes_ / channels;
  placePcm_.assign(frames * frameBytes_, 0);
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < channels; ++c) {
      // Mono hears both sides; channels past the front pair stay silent.
      const float value = channels == 1 ? (stereo[2 * i] + stereo[2 * i + 1]) / 2
                          : c < 2       ? stereo[2 * i + c]
                                        : 0.0f;
      if (!PutSample(value, format_.sampleFormat, &placePcm_[i * frameBytes_ + c * sampleBytes]))
        return;
    }
  }
  placeChunk_.allocated = 0;
  placeChunk_.abuf = placePcm_.data();
  placeChunk_.alen = static_cast<Uint32>(placePcm_.size());
  placeChunk_.volume = MIX_MAX_VOLUME;
  Mix_PlayChannel(kPlaceChannel, &placeChunk_, 0);
}

void MixerDevices::Play(int slot) {
  if (!IsValid(slot)) return;
  Device& device = devices_[slot];
  // Playing on the slot's own channel cuts whatever it plays, a looped feed included.
  Mix_PlayChannel(slot, &device.chunk, 0);
  device.looping = false;
  device.loopPosition.store(0, std::memory_order_relaxed);
}

void MixerDevices::PlayLooped(int slot) {
  if (!IsValid(slot)) return;
  Device& device = devices_[slot];
  if (device.looping && Mix_Playing(slot)) return;
  // The mixer unregisters a channel's effects when it stops, so the feed is registered anew
  // before every start; the channel is idle in between, so no silence slips out.
  Mix_HaltChannel(slot);
  device.looping = false;
  if (Mix_RegisterEffect(slot, FeedLoop, nullptr, &device) == 0) return;
  if (Mix_PlayChannel(slot, &silenceChunk_, -1) < 0) {
    Mix_UnregisterAllEffects(slot);
    return;
  }
  device.looping = true;
}

void MixerDevices::Stop(int slot) {
  if (!IsValid(slot)) return;
  Mix_HaltChannel(slot);
  devices_[slot].looping = false;
}

bool MixerDevices::IsOpen(int slot) const { return IsValid(slot); }

bool MixerDevices::IsPlaying(int slot) const { return IsValid(slot) && Mix_Playing(slot) != 0; }

std::size_t MixerDevices::FrameCount(int slot) const {
  return IsValid(slot) ? devices_[slot].pcm.size() / frameBytes_ : 0;
}

std::size_t MixerDevices::LoopPosition(int slot) const {
  return IsValid(slot) ? devices_[slot].loopPosition.load(std::memory_order_relaxed) / frameBytes_
                       : 0;
}

void MixerDevices::SetLoopPosition(int slot, std::size_t frame) {
  const std::size_t frames = FrameCount(slot);
  if (frames == 0) return;
  devices_[slot].loopPosition.store(frame % frames * frameBytes_, std::memory_order_relaxed);
}

void MixerDevices::Suspend() {
  Mix_HaltChannel(kCardChannel);
  Mix_HaltChannel(kPlaceChannel);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    Mix_HaltChannel(slot);
    devices_[slot].looping = false;
  }
}

void MixerDevices::FeedLoop(int, void* stream, int length, void* userData) {
  Device& device = *static_cast<Device*>(userData);
  const std::size_t size = device.pcm.size();
  auto* out = static_cast<uint8_t*>(stream);
  std::size_t position = device.loopPosition.load(std::memory_order_relaxed);
  std::size_t remaining = static_cast<std::size_t>(length);
  while (remaining > 0) {
    if (position >= size) position = 0;
    const std::size_t count = std::min(remaining, size - position);
    std::memcpy(out, device.pcm.data() + position, count);
    out += count;
    remaining -= count;
    position += count;
  }
  device.loopPosition.store(position >= size ? 0 : position, std::memory_order_relaxed);
}

}  // namespace sound
