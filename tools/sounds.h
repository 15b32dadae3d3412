// The game's sounds, synthesized: six short effects and three seamless music loops.
// Pure computation: safe to call from any one thread.
#pragma once

#include <string>
#include <vector>

#include "tools/audio_file.h"

namespace tools {

struct Sound {
  std::string storedPath;  // as storage::kSoundFiles spells it
  StereoSamples samples;
  bool music = false;  // music is encoded as WMA, effects as WAV
};

// The nine sounds in the order of storage::kSoundFiles.
std::vector<Sound> MakeSounds();

// Each piece alone (interleaved stereo at kSampleRate).
StereoSamples MakeButtonSound();
StereoSamples MakeBoxSound();
StereoSamples MakeErrorSound();
StereoSamples MakeBingoSound();
StereoSamples MakeLoseSound();
StereoSamples MakeWinSound();
StereoSamples MakeMenuMusic();
StereoSamples MakeGameMusic();
StereoSamples MakeAboutMusic();

// FFmpeg's WMA decoder drops the first frame it decodes (2,048 samples); a loop whose length is
// a multiple of it is written as its last frame followed by the whole loop, so that it decodes
// to exactly one period.
inline constexpr int kWmaFrame = 2048;
StereoSamples WithWmaPreroll(const StereoSamples& loop);

}  // namespace tools
