// The sound devices' opening (every file decoded whole, on the sound thread, before the second
// of the loading picture starts) and the resident memory of the bench's own window process.
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/window_bench.h"
#include "sound/pcm_decoder.h"
#include "storage/formats.h"

namespace bench {

void MeasureSoundOpening(WindowBench& bench) {
  const sound::PcmFormat format;  // what the mixer is asked for: 44100 Hz, stereo, 16-bit
  std::vector<double> totals;
  std::size_t pcmBytes = 0;
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    const Clock::time_point start = Clock::now();
    pcmBytes = 0;
    for (std::string_view file : storage::kSoundFiles) {
      std::vector<uint8_t> pcm;
      std::string error;
      if (!sound::DecodeAudioFile(storage::NativePath(file), format, pcm, error)) {
        PrintRow("Sound devices opened", "cannot decode " + std::string(file) + ": " + error,
                 "-", "-", "-", "-");
        return;
      }
      pcmBytes += pcm.size();
    }
    totals.push_back(SecondsSince(start));
  }
  const double total = Median(totals);
  PrintRow("Sound devices opened: the 9 files decoded whole (sound thread, before the loading "
           "second)",
           Format("%.0f ms, %.1f MB of PCM kept", total * 1000.0,
                  static_cast<double>(pcmBytes) / 1048576.0),
           "the loading second 1000 ms", Format("%.2f", total / 1.0), "-", "-");
}

MemoryUse ReadMemoryUse() {
  MemoryUse use;
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    double kilobytes = 0;
    if (key == "VmRSS:" && status >> kilobytes) use.resident = kilobytes / 1024.0;
    else if (key == "RssAnon:" && status >> kilobytes) use.anonymous = kilobytes / 1024.0;
    else if (key == "RssFile:" && status >> kilobytes) use.files = kilobytes / 1024.0;
    status.ignore(1 << 12, '\n');
  }
  return use;
}

std::string Describe(const MemoryUse& use) {
  return Format("%.1f MB (anonymous %.1f, files %.1f)", use.resident, use.anonymous, use.files);
}

}  // namespace bench
