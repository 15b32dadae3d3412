// Sounds made inside the tests, and the raw output the disk audio driver writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sound_test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Makes `dir` the working directory until destroyed.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir);
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// Interleaved 16-bit samples, frame by frame.
struct Pcm16 {
  int rate = 44100;
  int channels = 2;
  std::vector<int16_t> samples;
  std::size_t Frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// A stereo ramp that never holds a zero: frame k is (value, -value) with value 1 + k / step,
// wrapping after 30000, so each frame of the output tells where in the sound it came from.
Pcm16 StereoRamp(std::size_t frames, int step = 1);

// The ramp value of a frame of StereoRamp(.., step) at frame k.
int16_t RampValue(std::size_t k, int step = 1);

// A tone on the left channel only (the right is silent), or on one channel for mono.
Pcm16 Tone(int rate, int channels, std::size_t frames, double hertz, double amplitude);

// Writes a canonical 16-bit PCM RIFF/WAVE file.
void WriteWav(const std::filesystem::path& path, const Pcm16& pcm);

// Encodes the sound as WMA version 2 in an ASF file with FFmpeg. Returns an empty string on
// success, otherwise what failed.
std::string WriteWma(const std::filesystem::path& path, const Pcm16& pcm);

// Reads a file of raw 16-bit native-endian samples, as the disk audio driver writes them.
std::vector<int16_t> ReadRawSamples(const std::filesystem::path& path);

// Waits, polling, until done() holds; false after a generous limit, so a broken test fails
// instead of hanging. Not a speed check: the limit is far beyond any normal run.
bool WaitUntil(const std::function<bool()>& done);

}  // namespace sound_test
