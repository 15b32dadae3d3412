// Whole-file decoding of media files into the mixer's PCM, with FFmpeg.
#pragma once

#include <SDL_audio.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sound {

// The mixer's sample layout: what every device's sound is decoded into.
struct PcmFormat {
  int sampleRate = 44100;
  int channels = 2;
  SDL_AudioFormat sampleFormat = AUDIO_S16SYS;

  int BytesPerFrame() const {
    return channels * static_cast<int>(SDL_AUDIO_BITSIZE(sampleFormat)) / 8;
  }
};

// Longer sounds are refused rather than decoded into hundreds of megabytes.
inline constexpr int kMaxDecodedSeconds = 600;

// Whether DecodeAudioFile can produce this layout (native-endian 8, 16, 32-bit or float samples,
// one or more channels).
bool CanDecodeInto(const PcmFormat& format);

// Decodes the whole file at `path`, whatever format FFmpeg recognises from its content, into
// interleaved PCM of `format`, replacing `pcm`. Returns false with the reason in `error` when the
// file cannot be opened, holds no decodable audio or is too long. Any thread.
bool DecodeAudioFile(const std::string& path, const PcmFormat& format, std::vector<uint8_t>& pcm,
                     std::string& error);

// A card's sound: at most this many bytes encoded and kMaxCardSoundSeconds long.
inline constexpr std::size_t kMaxCardSoundBytes = 1 << 20;
inline constexpr int kMaxCardSoundSeconds = 10;

// Decodes an encoded sound held in memory (a deck card's) like DecodeAudioFile, refusing more
// than kMaxCardSoundBytes of input or maxSeconds of sound. Reads nothing but bytes. Any thread.
bool DecodeAudioBytes(std::span<const uint8_t> bytes, const PcmFormat& format,
                      std::vector<uint8_t>& pcm, std::string& error,
                      int maxSeconds = kMaxCardSoundSeconds);

}  // namespace sound
