// Writing the generated sounds: 16-bit PCM WAV and WMA (wmav2 in ASF), both byte-for-byte
// reproducible. Called from the generator's sound thread.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tools {

inline constexpr int kSampleRate = 44100;

// Interleaved stereo samples in [-1, 1]: left, right, left, right...
using StereoSamples = std::vector<float>;

// A 16-bit PCM WAV file's bytes of interleaved samples of channels channels at sampleRate.
std::string WavBytes(std::span<const float> samples, int channels, int sampleRate);

// Writes samples as a 44.1 kHz 16-bit stereo PCM WAV. Returns false after a message on stderr.
bool WriteWav(const std::filesystem::path& path, const StereoSamples& samples);

// Encodes samples as 44.1 kHz stereo wmav2 at bitRate in an ASF file, without version strings
// or dates. Returns false after a message on stderr.
bool WriteWma(const std::filesystem::path& path, const StereoSamples& samples, int bitRate);

// Decodes any audio file FFmpeg reads into interleaved stereo floats at the file's rate.
// Returns false after a message on stderr; sampleRate receives the rate.
bool DecodeAudioFile(const std::filesystem::path& path, StereoSamples& samples, int& sampleRate);

}  // namespace tools
