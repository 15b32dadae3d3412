#include "tools/synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace tools::synth {
namespace {

constexpr double kRate = kSampleRate;
constexpr int kSineTableBits = 12;
constexpr int kSineTableSize = 1 << kSineTableBits;

const std::array<float, kSineTableSize + 1>& SineTable() {
  static const std::array<float, kSineTableSize + 1> table = [] {
    std::array<float, kSineTableSize + 1> values{};
    for (int i = 0; i <= kSineTableSize; ++i)
      values[i] = static_cast<float>(std::sin(2 * M_PI * i / kSineTableSize));
    return values;
  }();
  return table;
}

// Attack, exponential decay towards a sustain level, release after the note's end.
struct Envelope {
  double attack = 0.005;
  double decay = 0.3;  // time constant, seconds
  double sustain = 0.0;
  double release = 0.1;  // time constant, seconds

  double At(double t, double noteLength) const {
    auto held = [&](double time) {
      if (time < attack) return time / attack;
      return sustain + (1 - sustain) * std::exp(-(time - attack) / decay);
    };
    if (t < noteLength) return held(t);
    return held(noteLength) * std::exp(-(t - noteLength) / release);
  }
  // How long after the note's end the sound is still audible (above -60 dB).
  double Tail() const { return release * 7; }
  // The whole rendered length of a note of noteLength seconds.
  double Length(double noteLength) const {
    const double released = noteLength + Tail();
    return sustain > 0 ? released : std::min(released, attack + decay * 7);
  }
};

// An exponential decay from start with time constant tau, stepped one sample per Next().
class Decay {
 public:
  Decay(double start, double tau) : value_(start), factor_(std::exp(-1.0 / (tau * kRate))) {}
  double Next() {
    const double value = value_;
    value_ *= factor_;
    return value;
  }

 private:
  double value_;
  double factor_;
};

// Band-limited sawtooth step correction.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

Mono Render(double seconds, const std::function<float(double t, size_t i)>& sample) {
  Mono out(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < out.size(); ++i) out[i] = sample(static_cast<double>(i) / kRate, i);
  return out;
}

}  // namespace

double MidiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

float Sine(double cycles) {
  const double phase = cycles - std::floor(cycles);
  const double position = phase * kSineTableSize;
  const int index = static_cast<int>(position);
  const float fraction = static_cast<float>(position - index);
  const auto& table = SineTable();
  return table[index] + (table[index + 1] - table[index]) * fraction;
}

float Noise::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<float>(state_ / 2147483648.0 - 1.0);
}

Mono RenderNote(Instrument instrument, double hz, double seconds, float velocity) {
  switch (instrument) {
    case Instrument::ElectricPiano: {
      const Envelope amp{0.004, 1.1, 0.0, 0.25};
      Decay brightness(1.6 * velocity, 0.35), tineLevel(0.12, 0.04);
      return Render(amp.Length(seconds), [&](double t, size_t) {
        const double index = brightness.Next() + 0.15;
        const double tine = tineLevel.Next() * Sine(hz * 14 * t);
        const double body = Sine(hz * t + index * Sine(hz * t) / (2 * M_PI));
        return static_cast<float>(velocity * amp.At(t, seconds) * (body + tine));
      });
    }
    case Instrument::Bell: {
      const Envelope amp{0.002, 1.4, 0.0, 0.6};
      Decay brightness(1.4, 0.6), shimmerLevel(0.25, 0.3);
      return Render(amp.Length(seconds), [&](double t, size_t) {
        const double index = brightness.Next();
        const double body = Sine(hz * t + index * Sine(3.5 * hz * t) / (2 * M_PI));
        const double shimmer = shimmerLevel.Next() * Sine(hz * 2.76 * t);
        return static_cast<float>(velocity * amp.At(t, seconds) * (body + shimmer) * 0.8);
      });
    }
    case Instrument::Pluck: {
      // Each harmonic decays faster than the one below it; the decays run as products.
      const Envelope amp{0.002, 0.45, 0.0, 0.08};
      constexpr int kHarmonics = 7;
      double level[kHarmonics], factor[kHarmonics];
      for (int k = 1; k <= kHarmonics; ++k) {
        level[k - 1] = hz * k > 16000 ? 0.0 : std::pow(k, -1.3);
        factor[k - 1] = std::exp(-(2.0 + 5.5 * k) / kRate);
      }
      return Render(amp.Length(seconds), [&](double t, size_t) {
        double sum = 0;
        for (int k = 1; k <= kHarmonics; ++k) {
          sum += level[k - 1] * Sine(hz * k * t + 0.13 * k);
          level[k - 1] *= factor[k - 1];
        }
        return static_cast<float>(velocity * amp.At(t, seconds) * sum * 0.9);
      });
    }
    case Instrument::Pad: {
      const Envelope amp{0.9, 10.0, 1.0, 0.9};
      const double detune[3] = {-0.0045, 0.0, 0.0052};
      double phase[3] = {0.0, 0.33, 0.71};
      double low = 0, band = 0, f = 0;  // state-variable low-pass
      return Render(amp.Length(seconds), [&](double t, size_t i) {
        double saw = 0;
        for (int v = 0; v < 3; ++v) {
          const double dt = hz * (1 + detune[v]) / kRate;
          saw += 2 * phase[v] - 1 - PolyBlep(phase[v], dt);
          phase[v] += dt;
          if (phase[v] >= 1) phase[v] -= 1;
        }
        if (i % 64 == 0) {  // the cutoff drifts slowly: no need to recompute it every sample
          const double cutoff = std::min(0.45, (hz * 3.0 + 500 + 250 * Sine(t * 0.15)) / kRate);
          f = 2 * std::sin(M_PI * cutoff);
        }
        low += f * band;
        const double high = saw / 3 - low - 0.6 * band;
        band += f * high;
        return static_cast<float>(velocity * amp.At(t, seconds) * low * 0.9);
      });
    }
    case Instrument::Bass: {
      const Envelope amp{0.006, 0.5, 0.6, 0.06};
      return Render(amp.Length(seconds), [&](double t, size_t) {
        const double index = 0.8 * std::exp(-t / 0.12) + 0.2;
        const double body = Sine(hz * t + index * Sine(hz * t) / (2 * M_PI));
        return static_cast<float>(velocity * amp.At(t, seconds) * body);
      });
    }
    case Instrument::Brass: {
      const Envelope amp{0.035, 0.8, 0.75, 0.12};
      return Render(amp.Length(seconds), [&](double t, size_t) {
        const double vibrato = t > 0.25 ? 0.006 * std::min(1.0, (t - 0.25) / 0.3) * Sine(5.2 * t) : 0;
        const double f = hz * (1 + vibrato);
        // Brightness swells in with the attack, as a player's lips open up.
        const double brightness = 0.35 + 0.65 * std::min(1.0, t / 0.08) * std::exp(-t / 1.5);
        double sum = 0;
        for (int k = 1; k <= 10; ++k) {
          if (hz * k > 15000) break;
          sum += std::pow(brightness, k - 1) / k * Sine(f * k * t);
        }
        return static_cast<float>(velocity * amp.At(t, seconds) * sum * 0.8);
      });
    }
    case Instrument::Marimba: {
      const Envelope amp{0.0015, 0.12, 0.0, 0.03};
      return Render(amp.Length(seconds), [&](double t, size_t) {
        const double body = Sine(hz * t) + 0.35 * std::exp(-t / 0.025) * Sine(hz * 3.93 * t) +
                            0.12 * std::exp(-t / 0.01) * Sine(hz * 9.2 * t);
        return static_cast<float>(velocity * amp.At(t, seconds) * body);
      });
    }
  }
  return {};
}

Mono Kick(float velocity) {
  double phase = 0;
  return Render(0.35, [&](double t, size_t) {
    const double hz = 48 + 90 * std::exp(-t / 0.035);
    phase += hz / kRate;
    const double click = std::exp(-t / 0.003) * 0.3;
    return static_cast<float>(velocity * (std::exp(-t / 0.13) * Sine(phase) + click * Sine(phase * 7)));
  });
}

Mono Snare(float velocity, uint32_t seed) {
  Noise noise(seed);
  double low = 0, lower = 0;
  return Render(0.25, [&](double t, size_t) {
    const double n = noise.Next();
    low += 0.5 * (n - low);
    lower += 0.08 * (low - lower);
    const double band = low - lower;  // roughly 1 to 5 kHz
    const double tone = 0.5 * std::exp(-t / 0.04) * Sine(185 * t);
    return static_cast<float>(velocity * (std::exp(-t / 0.07) * band * 1.6 + tone));
  });
}

Mono HiHat(float velocity, bool open, uint32_t seed) {
  Noise noise(seed);
  double previous = 0, smooth = 0;
  const double decay = open ? 0.16 : 0.028;
  return Render(open ? 0.5 : 0.12, [&](double t, size_t) {
    const double n = noise.Next();
    const double high = n - previous;  // first difference: only the top octaves
    previous = n;
    smooth += 0.6 * (high - smooth);
    return static_cast<float>(velocity * std::exp(-t / decay) * smooth * 0.5);
  });
}

Mix::Mix(size_t frames, bool circular)
    : left_(frames, 0.0f), right_(frames, 0.0f), circular_(circular) {}

void Mix::Add(const Mono& mono, long start, float gain, float pan) {
  const double angle = (pan + 1) * M_PI / 4;
  const float leftGain = static_cast<float>(gain * std::cos(angle) * M_SQRT2);
  const float rightGain = static_cast<float>(gain * std::sin(angle) * M_SQRT2);
  const long n = static_cast<long>(frames());
  for (size_t i = 0; i < mono.size(); ++i) {
    long at = start + static_cast<long>(i);
    if (circular_) {
      at %= n;
      if (at < 0) at += n;
    } else if (at < 0 || at >= n) {
      continue;
    }
    left_[at] += mono[i] * leftGain;
    right_[at] += mono[i] * rightGain;
  }
}

void Mix::AddMix(const Mix& other, float gain) {
  for (size_t i = 0; i < std::min(frames(), other.frames()); ++i) {
    left_[i] += other.left_[i] * gain;
    right_[i] += other.right_[i] * gain;
  }
}

void Mix::AddReverb(const Mix& source, float roomSize, float damping, float gain) {
  // Freeverb's tunings, the right channel spread by 23 samples. Each filter runs over the
  // whole signal in turn, which keeps its delay line in the cache.
  static constexpr int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static constexpr int kAllpasses[4] = {556, 441, 341, 225};
  const float feedback = 0.7f + 0.28f * roomSize;
  const size_t n = source.frames();
  // A loop runs twice so that its tail wraps round into its start.
  const size_t passes = circular_ ? 2 : 1;
  std::vector<float> input(n * passes), sum(n * passes);
  for (int channel = 0; channel < 2; ++channel) {
    const std::vector<float>& near = channel == 0 ? source.left_ : source.right_;
    const std::vector<float>& far = channel == 0 ? source.right_ : source.left_;
    for (size_t i = 0; i < n * passes; ++i) input[i] = (near[i % n] + far[i % n] * 0.3f) * 0.015f;
    std::fill(sum.begin(), sum.end(), 0.0f);
    const int spread = channel == 0 ? 0 : 23;
    for (int length : kCombs) {
      std::vector<float> line(static_cast<size_t>(length + spread), 0.0f);
      size_t at = 0;
      float low = 0;
      for (size_t i = 0; i < input.size(); ++i) {
        const float output = line[at];
        low = output * (1 - damping) + low * damping;
        line[at] = input[i] + low * feedback;
        if (++at == line.size()) at = 0;
        sum[i] += output;
      }
    }
    for (int length : kAllpasses) {
      std::vector<float> line(static_cast<size_t>(length + spread), 0.0f);
      size_t at = 0;
      for (float& value : sum) {
        const float buffered = line[at];
        line[at] = value + buffered * 0.5f;
        value = buffered - value;
        if (++at == line.size()) at = 0;
      }
    }
    std::vector<float>& out = channel == 0 ? left_ : right_;
    const size_t offset = n * (passes - 1);
    for (size_t i = 0; i < std::min(n, out.size()); ++i) out[i] += sum[offset + i] * gain;
  }
}

void Mix::AddEcho(const Mix& source, double delaySeconds, float feedback, float gain) {
  const size_t delay = static_cast<size_t>(delaySeconds * kRate);
  std::vector<float> lineLeft(delay, 0.0f), lineRight(delay, 0.0f);
  size_t at = 0;
  float tone = 0;  // each repeat a little darker
  const int passes = circular_ ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (size_t i = 0; i < source.frames(); ++i) {
      const float echoLeft = lineLeft[at], echoRight = lineRight[at];
      const float input = (source.left_[i] + source.right_[i]) * 0.5f;
      tone += 0.35f * (echoRight - tone);
      lineLeft[at] = input + tone * feedback;  // ping: the right echo returns on the left
      lineRight[at] = echoLeft * feedback;
      if (++at == delay) at = 0;
      if (pass == passes - 1) {
        left_[i] += echoLeft * gain;
        right_[i] += echoRight * gain;
      }
    }
  }
}

void Mix::FadeEnds(double inMilliseconds, double outMilliseconds) {
  const size_t fadeIn = static_cast<size_t>(inMilliseconds * kRate / 1000);
  const size_t fadeOut = static_cast<size_t>(outMilliseconds * kRate / 1000);
  const size_t n = frames();
  for (size_t i = 0; i < std::min(fadeIn, n); ++i) {
    const float g = static_cast<float>(i) / static_cast<float>(fadeIn);
    left_[i] *= g;
    right_[i] *= g;
  }
  for (size_t i = 0; i < std::min(fadeOut, n); ++i) {
    const float g = static_cast<float>(i) / static_cast<float>(fadeOut);
    left_[n - 1 - i] *= g;
    right_[n - 1 - i] *= g;
  }
}

void Mix::Scale(float factor) {
  for (float& v : left_) v *= factor;
  for (float& v : right_) v *= factor;
}

void Mix::ApplyGain(const std::function<float(double)>& gain) {
  for (size_t i = 0; i < frames(); ++i) {
    const float g = gain(static_cast<double>(i) / kRate);
    left_[i] *= g;
    right_[i] *= g;
  }
}

float Mix::Peak() const {
  float peak = 0;
  for (float v : left_) peak = std::max(peak, std::abs(v));
  for (float v : right_) peak = std::max(peak, std::abs(v));
  return peak;
}

double Mix::Rms() const {
  double sum = 0;
  for (size_t i = 0; i < frames(); ++i) sum += left_[i] * left_[i] + right_[i] * right_[i];
  return frames() ? std::sqrt(sum / (2.0 * static_cast<double>(frames()))) : 0.0;
}

double Mix::LoudestWindowRms(double seconds) const {
  const size_t window = std::min(frames(), static_cast<size_t>(seconds * kRate));
  if (window == 0) return 0;
  double sum = 0, best = 0;
  for (size_t i = 0; i < frames(); ++i) {
    sum += left_[i] * left_[i] + right_[i] * right_[i];
    if (i >= window) sum -= left_[i - window] * left_[i - window] + right_[i - window] * right_[i - window];
    if (i + 1 >= window) best = std::max(best, sum);
  }
  return std::sqrt(best / (2.0 * static_cast<double>(window)));
}

void Mix::SoftLimit(float threshold, float ceiling) {
  const float room = ceiling - threshold;
  auto bend = [&](float v) {
    const float a = std::abs(v);
    if (a <= threshold) return v;
    const float over = (a - threshold) / room;
    const float bent = threshold + room * std::tanh(over);
    return v < 0 ? -bent : bent;
  };
  for (float& v : left_) v = bend(v);
  for (float& v : right_) v = bend(v);
}

StereoSamples Mix::Interleaved() const {
  StereoSamples out(frames() * 2);
  for (size_t i = 0; i < frames(); ++i) {
    out[2 * i] = left_[i];
    out[2 * i + 1] = right_[i];
  }
  return out;
}

}  // namespace tools::synth
