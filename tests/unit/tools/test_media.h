// Small readers for the tools tests, independent of the generator's own code: ZIP entries,
// JPEG decoding, WAV parsing and FFmpeg decoding of any audio file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools_test {

std::string DataPath(const std::string& relative);
std::vector<uint8_t> ReadFile(const std::string& path);

// Entry names in archive order; empty when the archive cannot be opened.
std::vector<std::string> ZipEntryNames(const std::string& path);
std::vector<uint8_t> ZipEntry(const std::string& path, const std::string& name);

struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // top row first
  double MeanLuma(int x0, int y0, int x1, int y1) const;
  double MeanLuma() const { return MeanLuma(0, 0, width, height); }
};
// Decodes a JPEG; width 0 when it does not decode.
Rgb DecodeJpeg(const std::vector<uint8_t>& jpeg);

struct Audio {
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 0;
  std::string codec;              // "pcm" for WAV, else FFmpeg's codec name
  std::vector<float> interleaved;  // stereo: left, right...
  double Seconds() const;
  double Peak() const;
  double Rms() const;
  double LoudestWindowRms(double seconds) const;
};
// Parses a RIFF WAVE file of 16-bit PCM; sets error and returns false when it is not one.
bool ParseWav(const std::vector<uint8_t>& bytes, Audio& audio, std::string& error);
// Decodes any audio file with FFmpeg into stereo floats; false when it cannot.
bool DecodeWithFfmpeg(const std::string& path, Audio& audio);

}  // namespace tools_test
