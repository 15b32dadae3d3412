// A small synthesizer for the generated sounds: oscillators, envelopes, instruments, a stereo
// mix that can wrap around (for loops), reverb and delay. Deterministic: no clocks, fixed seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/audio_file.h"

namespace tools::synth {

using Mono = std::vector<float>;

double MidiToHz(double note);
// A table sine of a phase in cycles (any real number); fast and the same on every run.
float Sine(double cycles);

// Noise from a fixed xorshift sequence, uniform in [-1, 1].
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed | 1u) {}
  float Next();

 private:
  uint32_t state_;
};

// One note of an instrument, rendered with its release tail.
enum class Instrument {
  ElectricPiano,  // FM tine: warm, soft attack, long decay
  Bell,           // FM bell: bright, inharmonic, long ring
  Pluck,          // additive plucked string: quick decay
  Pad,            // detuned saws through a slow low-pass: wide and soft
  Bass,           // rounded sine bass
  Brass,          // harmonic brass with a swelling tone; vibrato on long notes
  Marimba,        // wooden bar: fundamental and fourth partial
};
Mono RenderNote(Instrument instrument, double hz, double seconds, float velocity);

// Drums.
Mono Kick(float velocity);
Mono Snare(float velocity, uint32_t seed);
Mono HiHat(float velocity, bool open, uint32_t seed);

// A stereo buffer. A circular mix wraps anything written past its end round to its start, so
// the tails at the end of a loop sound again at its beginning.
class Mix {
 public:
  Mix(size_t frames, bool circular);
  size_t frames() const { return left_.size(); }
  // Adds mono at frame start, at gain, panned (-1 left .. 1 right, equal power).
  void Add(const Mono& mono, long start, float gain, float pan);
  void AddMix(const Mix& other, float gain);
  // Reverb (a Schroeder-Moorer network) into this mix from source, wet only.
  void AddReverb(const Mix& source, float roomSize, float damping, float gain);
  // A ping-pong echo of source, wet only.
  void AddEcho(const Mix& source, double delaySeconds, float feedback, float gain);
  // Fades the first and last milliseconds to silence (effects, not loops).
  void FadeEnds(double inMilliseconds, double outMilliseconds);
  void Scale(float factor);
  // Multiplies every frame by gain(seconds from the start).
  void ApplyGain(const std::function<float(double)>& gain);
  float Peak() const;
  double Rms() const;
  // RMS of the loudest window of the given length (how loud a short effect sounds).
  double LoudestWindowRms(double seconds) const;
  // Bends peaks above threshold smoothly towards ceiling (no memory, so loops stay seamless).
  void SoftLimit(float threshold, float ceiling);
  StereoSamples Interleaved() const;
  bool circular() const { return circular_; }
  const std::vector<float>& left() const { return left_; }
  const std::vector<float>& right() const { return right_; }

 private:
  std::vector<float> left_;
  std::vector<float> right_;
  bool circular_;
};

}  // namespace tools::synth
