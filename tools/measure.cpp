#include "tools/measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "storage/formats.h"
#include "tools/audio_file.h"

namespace tools {
namespace {

double Decibels(double value) { return value > 0 ? 20 * std::log10(value) : -200.0; }

// The 99.9th percentile of the sample-to-sample steps of the left channel.
double TypicalLargeStep(const StereoSamples& samples) {
  std::vector<float> steps;
  for (size_t i = 2; i < samples.size(); i += 2) steps.push_back(std::abs(samples[i] - samples[i - 2]));
  if (steps.empty()) return 0;
  const size_t at = steps.size() * 999 / 1000;
  std::nth_element(steps.begin(), steps.begin() + static_cast<long>(at), steps.end());
  return steps[at];
}

}  // namespace

bool MeasureSounds(const std::filesystem::path& runDirectory) {
  bool ok = true;
  std::printf("%-18s %8s %9s %9s %10s %10s %10s\n", "file", "seconds", "peak dB", "RMS dB",
              "loud100ms", "first L", "last L");
  for (std::string_view stored : storage::kSoundFiles) {
    const std::filesystem::path path = runDirectory / storage::NativePath(stored);
    StereoSamples samples;
    int rate = 0;
    if (!DecodeAudioFile(path, samples, rate) || samples.size() < 4 || rate <= 0) {
      ok = false;
      continue;
    }
    const size_t frames = samples.size() / 2;
    double peak = 0, sum = 0, best = 0, window = 0;
    const size_t windowFrames = std::min(frames, static_cast<size_t>(rate / 10));
    for (size_t i = 0; i < frames; ++i) {
      const double l = samples[2 * i], r = samples[2 * i + 1];
      peak = std::max({peak, std::abs(l), std::abs(r)});
      sum += l * l + r * r;
      window += l * l + r * r;
      if (i >= windowFrames) {
        const double ol = samples[2 * (i - windowFrames)], orr = samples[2 * (i - windowFrames) + 1];
        window -= ol * ol + orr * orr;
      }
      best = std::max(best, window);
    }
    const double rms = std::sqrt(sum / (2.0 * static_cast<double>(frames)));
    const double loud = std::sqrt(best / (2.0 * static_cast<double>(windowFrames)));
    std::printf("%-18s %8.3f %9.2f %9.2f %10.2f %10.5f %10.5f", path.filename().c_str(),
                static_cast<double>(frames) / rate, Decibels(peak), Decibels(rms), Decibels(loud),
                samples[0], samples[samples.size() - 2]);
    if (stored.ends_with(".wma")) {
      const double wrap = std::max(std::abs(samples[0] - samples[samples.size() - 2]),
                                   std::abs(samples[1] - samples[samples.size() - 1]));
      std::printf("   loop step %.5f (99.9%% of steps below %.5f)", wrap, TypicalLargeStep(samples));
    }
    std::printf("\n");
  }
  return ok;
}

}  // namespace tools
