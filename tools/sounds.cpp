// The six effects and the three music loops, composed in code.
#include "tools/sounds.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <thread>

#include "storage/formats.h"
#include "tools/synth.h"

namespace tools {
namespace {

using synth::Instrument;
using synth::Mix;
using synth::Mono;

constexpr double kRate = kSampleRate;

long Frames(double seconds) { return std::lround(seconds * kRate); }

// Loudness targets: the effects' loudest 100 ms and the music's whole-loop RMS.
constexpr double kEffectLoudness = 0.16;  // about -16 dBFS
constexpr double kMusicLoudness = 0.105;  // about -19.6 dBFS
constexpr float kEffectCeiling = 0.84f;   // -1.5 dBFS
constexpr float kMusicCeiling = 0.79f;    // -2 dBFS: room for the codec's overshoot

StereoSamples FinishEffect(Mix& mix) {
  mix.FadeEnds(1.5, 12);
  const double loudness = mix.LoudestWindowRms(0.1);
  if (loudness > 0) mix.Scale(static_cast<float>(kEffectLoudness / loudness));
  if (mix.Peak() > kEffectCeiling) mix.Scale(kEffectCeiling / mix.Peak());
  return mix.Interleaved();
}

// FFmpeg's WMA decoder returns the last frame of a stream (2,048 samples) faded and aliased,
// for want of the next frame to overlap with. A loop therefore takes a short breath at its
// seam: it fades out just before that frame, keeps it silent and fades in over the first
// milliseconds of the downbeat. The decoded loop then stays continuous and free of clicks.
void BreatheAtSeam(Mix& mix) {
  const double n = static_cast<double>(mix.frames());
  const double silentFrom = n - kWmaFrame, fadeOutFrom = silentFrom - 0.06 * kRate;
  const double fadeIn = 0.006 * kRate;
  mix.ApplyGain([=](double t) {
    const double at = t * kRate;
    if (at < fadeIn) return static_cast<float>(0.5 - 0.5 * std::cos(M_PI * at / fadeIn));
    if (at >= silentFrom) return 0.0f;
    if (at >= fadeOutFrom)
      return static_cast<float>(0.5 + 0.5 * std::cos(M_PI * (at - fadeOutFrom) / (silentFrom - fadeOutFrom)));
    return 1.0f;
  });
}

StereoSamples FinishMusic(Mix& mix) {
  BreatheAtSeam(mix);
  const double rms = mix.Rms();
  if (rms > 0) mix.Scale(static_cast<float>(kMusicLoudness / rms));
  mix.SoftLimit(0.6f, kMusicCeiling);
  return mix.Interleaved();
}

// A piece on a beat grid: the loop is a whole number of bars of four beats, and a beat is a
// multiple of 512 samples, so the loop is a whole number of WMA frames.
class Score {
 public:
  Score(int samplesPerBeat, int bars)
      : beat_(samplesPerBeat), mix_(static_cast<size_t>(samplesPerBeat) * 4 * bars, true) {}
  double BeatSeconds() const { return beat_ / kRate; }
  long At(double beat) const { return std::lround(beat * beat_); }
  void Note(Instrument instrument, double midi, double beat, double beats, float velocity,
            float pan, Mix* target = nullptr) {
    // Loops repeat their notes: render each distinct note once.
    const auto key = std::make_tuple(static_cast<int>(instrument), midi, beats, velocity);
    auto found = notes_.find(key);
    if (found == notes_.end())
      found = notes_.emplace(key, synth::RenderNote(instrument, synth::MidiToHz(midi),
                                                    beats * BeatSeconds(), velocity)).first;
    (target ? *target : mix_).Add(found->second, At(beat), 1.0f, pan);
  }
  Mix& mix() { return mix_; }
  Mix MakeBus() const { return Mix(mix_.frames(), true); }

 private:
  int beat_;
  Mix mix_;
  std::map<std::tuple<int, double, double, float>, Mono> notes_;
};

// Chord tones as MIDI notes, lowest first.
struct Chord {
  int bass;
  std::vector<int> tones;
};

}  // namespace

StereoSamples WithWmaPreroll(const StereoSamples& loop) {
  StereoSamples out;
  out.reserve(loop.size() + 2 * kWmaFrame);
  out.insert(out.end(), loop.end() - 2 * kWmaFrame, loop.end());
  out.insert(out.end(), loop.begin(), loop.end());
  return out;
}

StereoSamples MakeButtonSound() {
  Mix mix(static_cast<size_t>(Frames(0.12)), false);
  // A soft rounded "pop": a sine that drops in pitch quickly, with a hint of a click.
  double phase = 0;
  Mono pop(static_cast<size_t>(Frames(0.11)));
  for (size_t i = 0; i < pop.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += (900 + 900 * std::exp(-t / 0.012)) / kRate;
    const double env = std::min(1.0, t / 0.0015) * std::exp(-t / 0.022);
    pop[i] = static_cast<float>(env * (synth::Sine(phase) + 0.18 * synth::Sine(2 * phase)));
  }
  mix.Add(pop, 0, 0.8f, 0.0f);
  mix.Add(synth::HiHat(0.35f, false, 3), 0, 1.0f, 0.0f);
  return FinishEffect(mix);
}

StereoSamples MakeBoxSound() {
  Mix mix(static_cast<size_t>(Frames(0.18)), false);
  // A wooden tap: a marimba bar with a low knock under it.
  mix.Add(synth::RenderNote(Instrument::Marimba, synth::MidiToHz(74), 0.08, 0.8f), 0, 1.0f, 0.0f);
  mix.Add(synth::RenderNote(Instrument::Marimba, synth::MidiToHz(55), 0.03, 0.35f), 0, 1.0f, 0.0f);
  return FinishEffect(mix);
}

StereoSamples MakeErrorSound() {
  Mix mix(static_cast<size_t>(Frames(0.5)), false);
  // Two short low buzzes, the second lower: "uh-uh".
  const double notes[2][2] = {{0.0, 50}, {0.2, 46}};
  for (const auto& note : notes) {
    const double hz = synth::MidiToHz(note[1]);
    Mono buzz(static_cast<size_t>(Frames(0.2)));
    for (size_t i = 0; i < buzz.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double env = std::min(1.0, t / 0.008) * (t < 0.15 ? 1.0 : std::exp(-(t - 0.15) / 0.012));
      double sum = 0;
      for (int k = 1; k <= 15; k += 2)
        sum += (synth::Sine(hz * k * t) + synth::Sine(hz * 1.006 * k * t)) / std::pow(k, 1.15);
      buzz[i] = static_cast<float>(env * sum * 0.4);
    }
    mix.Add(buzz, Frames(note[0]), 1.0f, 0.0f);
  }
  return FinishEffect(mix);
}

StereoSamples MakeBingoSound() {
  Mix dry(static_cast<size_t>(Frames(0.75)), false);
  // Two bright bell notes a fifth apart, with a sparkle above.
  dry.Add(synth::RenderNote(Instrument::Bell, synth::MidiToHz(88), 0.1, 0.7f), 0, 1.0f, -0.2f);
  dry.Add(synth::RenderNote(Instrument::Bell, synth::MidiToHz(95), 0.2, 0.75f), Frames(0.085), 1.0f, 0.2f);
  dry.Add(synth::RenderNote(Instrument::Bell, synth::MidiToHz(100), 0.1, 0.25f), Frames(0.17), 1.0f, 0.4f);
  Mix mix(dry.frames(), false);
  mix.AddMix(dry, 1.0f);
  mix.AddReverb(dry, 0.5f, 0.4f, 0.6f);
  // The bell rings past the file's end: let it die away smoothly.
  mix.ApplyGain([](double t) { return static_cast<float>(std::exp(-t / 0.32)); });
  return FinishEffect(mix);
}

StereoSamples MakeLoseSound() {
  Mix dry(static_cast<size_t>(Frames(2.6)), false);
  // A soft descending brass phrase, the last note held and sinking.
  const double notes[4][3] = {{0.0, 67, 0.34}, {0.4, 66, 0.34}, {0.8, 65, 0.34}, {1.2, 64, 1.05}};
  for (const auto& note : notes) {
    dry.Add(synth::RenderNote(Instrument::Brass, synth::MidiToHz(note[1]), note[2], 0.7f),
            Frames(note[0]), 1.0f, 0.0f);
    dry.Add(synth::RenderNote(Instrument::Brass, synth::MidiToHz(note[1] - 12), note[2], 0.35f),
            Frames(note[0]), 1.0f, 0.0f);
  }
  Mix mix(dry.frames(), false);
  mix.AddMix(dry, 1.0f);
  mix.AddReverb(dry, 0.6f, 0.5f, 0.5f);
  return FinishEffect(mix);
}

StereoSamples MakeWinSound() {
  Mix dry(static_cast<size_t>(Frames(2.8)), false);
  // A rising arpeggio into a held major chord, bells falling over it.
  const int arpeggio[4] = {60, 64, 67, 72};
  for (int i = 0; i < 4; ++i) {
    dry.Add(synth::RenderNote(Instrument::Brass, synth::MidiToHz(arpeggio[i]), 0.1, 0.7f),
            Frames(0.11 * i), 1.0f, -0.3f + 0.2f * static_cast<float>(i));
  }
  const int chord[4] = {60, 64, 67, 72};
  for (int i = 0; i < 4; ++i) {
    dry.Add(synth::RenderNote(Instrument::Brass, synth::MidiToHz(chord[i]), 1.35, 0.5f),
            Frames(0.46), 1.0f, -0.45f + 0.3f * static_cast<float>(i));
  }
  dry.Add(synth::RenderNote(Instrument::Bass, synth::MidiToHz(48), 1.35, 0.6f), Frames(0.46), 1.0f, 0.0f);
  const int sparkle[6] = {96, 91, 88, 84, 79, 76};
  for (int i = 0; i < 6; ++i) {
    dry.Add(synth::RenderNote(Instrument::Bell, synth::MidiToHz(sparkle[i]), 0.2, 0.22f),
            Frames(0.5 + 0.09 * i), 1.0f, i % 2 ? 0.5f : -0.5f);
  }
  Mix mix(dry.frames(), false);
  mix.AddMix(dry, 1.0f);
  mix.AddReverb(dry, 0.65f, 0.4f, 0.55f);
  return FinishEffect(mix);
}

StereoSamples MakeMenuMusic() {
  // Calm: D major, 79.5 beats a minute, eight bars; electric piano over a soft pad.
  Score score(65 * 512, 8);
  const Chord chords[4] = {
      {38, {50, 54, 57, 61, 64}},  // Dmaj9
      {35, {47, 50, 54, 57, 61}},  // Bm9
      {31, {43, 47, 50, 54, 57}},  // Gmaj7
      {33, {45, 49, 52, 55, 59}},  // A9
  };
  Mix pads = score.MakeBus();
  for (int c = 0; c < 4; ++c) {
    const Chord& chord = chords[c];
    const double start = c * 8.0;
    score.Note(Instrument::Bass, chord.bass, start, 3.5, 0.55f, 0.0f);
    score.Note(Instrument::Bass, chord.bass, start + 4, 2.5, 0.45f, 0.0f);
    score.Note(Instrument::Bass, chord.bass + 7, start + 6.5, 1.5, 0.35f, 0.0f);
    for (size_t i = 1; i < chord.tones.size(); ++i)
      score.Note(Instrument::Pad, chord.tones[i], start, 7.6, 0.16f, i % 2 ? -0.6f : 0.6f, &pads);
    // Broken chord in eighths, rising then falling.
    const int order[8] = {0, 2, 3, 4, 3, 2, 1, 2};
    for (int e = 0; e < 16; ++e) {
      const int tone = chord.tones[static_cast<size_t>(order[e % 8])] + 12;
      const float velocity = (e % 2 == 0 ? 0.30f : 0.22f);
      score.Note(Instrument::ElectricPiano, tone, start + e * 0.5, 0.45, velocity,
                 -0.35f + 0.1f * static_cast<float>(e % 8));
    }
  }
  const double melody[][3] = {
      {78, 0, 1.5},  {76, 1.5, 0.5}, {74, 2, 1},    {69, 3, 1},    {71, 4, 2},   {69, 6, 2},
      {74, 8, 1.5},  {73, 9.5, 0.5}, {71, 10, 1},   {66, 11, 1},   {69, 12, 3.5},
      {71, 16, 1.5}, {69, 17.5, 0.5}, {67, 18, 1},  {74, 19, 1},   {78, 20, 3.5},
      {76, 24, 1.5}, {78, 25.5, 0.5}, {76, 26, 1},  {73, 27, 1},   {69, 28, 3.5},
  };
  Mix lead = score.MakeBus();
  for (const auto& note : melody)
    score.Note(Instrument::ElectricPiano, note[0], note[1], note[2], 0.62f, 0.1f, &lead);
  Mix& mix = score.mix();
  mix.AddMix(pads, 1.0f);
  mix.AddMix(lead, 0.9f);
  Mix wet = score.MakeBus();
  wet.AddReverb(mix, 0.75f, 0.45f, 1.0f);
  wet.AddEcho(lead, score.BeatSeconds() * 0.75, 0.3f, 0.25f);
  mix.AddMix(wet, 0.55f);
  return FinishMusic(mix);
}

StereoSamples MakeGameMusic() {
  // Lively: A minor, 120 beats a minute, sixteen bars; plucks, bass, light drums and a bell tune.
  Score score(43 * 512, 16);
  const Chord chords[4] = {
      {33, {57, 60, 64, 69}},  // Am
      {29, {57, 60, 65, 69}},  // F
      {36, {55, 60, 64, 67}},  // C
      {31, {55, 59, 62, 67}},  // G
  };
  Mix drums = score.MakeBus();
  Mix plucks = score.MakeBus();
  // A few takes of each drum, reused: noise seeds vary so repeats are not identical.
  std::vector<Mono> snares, closedHats, openHats;
  for (uint32_t take = 0; take < 4; ++take) {
    snares.push_back(synth::Snare(1.0f, 101 + take));
    closedHats.push_back(synth::HiHat(1.0f, false, 201 + take));
    openHats.push_back(synth::HiHat(1.0f, true, 301 + take));
  }
  const Mono kick = synth::Kick(1.0f);
  auto hit = [&](const Mono& sound, double beat, float velocity, float pan) {
    drums.Add(sound, score.At(beat), velocity, pan);
  };
  for (int bar = 0; bar < 16; ++bar) {
    const Chord& chord = chords[bar % 4];
    const double start = bar * 4.0;
    const bool breathe = bar >= 8 && bar < 12;  // a lighter middle section
    // Bass: eighths with an octave jump.
    const int bassPattern[8] = {0, 0, 12, 0, 0, 0, 12, 7};
    for (int e = 0; e < 8; ++e) {
      if (breathe && e % 2 == 1) continue;
      score.Note(Instrument::Bass, chord.bass + 12 + bassPattern[e], start + e * 0.5, 0.38,
                 e % 2 == 0 ? 0.62f : 0.45f, 0.0f);
    }
    // Plucked arpeggio in eighths.
    const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    for (int e = 0; e < 8; ++e) {
      const int tone = chord.tones[static_cast<size_t>(order[e])] + 12;
      score.Note(Instrument::Pluck, tone, start + e * 0.5, 0.4, e % 2 == 0 ? 0.5f : 0.38f,
                 e % 2 == 0 ? -0.45f : 0.45f, &plucks);
    }
    // Drums.
    const size_t take = static_cast<size_t>(bar % 4);
    hit(kick, start, 0.9f, 0.0f);
    hit(kick, start + 2, breathe ? 0.55f : 0.8f, 0.0f);
    if (bar % 4 == 3) hit(kick, start + 2.5, 0.6f, 0.0f);
    if (!breathe) {
      hit(snares[take], start + 1, 0.5f, 0.1f);
      hit(snares[(take + 1) % 4], start + 3, 0.55f, 0.1f);
    }
    for (int e = 0; e < 8; ++e) {
      const bool open = bar % 4 == 3 && e == 7;
      const Mono& hat = open ? openHats[take] : closedHats[(take + static_cast<size_t>(e)) % 4];
      hit(hat, start + e * 0.5, e % 2 ? 0.55f : 0.3f, 0.3f);
    }
  }
  // The tune: a call (bars 1-4) and an answer (bars 5-8); the second half repeats it with a
  // harmony a third below, after a lighter middle.
  const double tune[][3] = {
      {76, 0, 0.5},    {81, 0.5, 0.5},  {79, 1, 0.5},    {76, 1.5, 1},   {74, 2.5, 0.5}, {76, 3, 1},
      {72, 4, 0.5},    {74, 4.5, 0.5},  {76, 5, 1},      {69, 6, 1.5},
      {67, 8, 0.5},    {72, 8.5, 0.5},  {76, 9, 0.5},    {79, 9.5, 1},   {76, 10.5, 0.5}, {74, 11, 1},
      {71, 12, 1},     {74, 13, 0.5},   {79, 13.5, 0.5}, {74, 14, 1.5},
      {81, 16, 0.5},   {79, 16.5, 0.5}, {76, 17, 0.5},   {79, 17.5, 1},  {81, 18.5, 0.5}, {84, 19, 1},
      {81, 20, 0.5},   {79, 20.5, 0.5}, {77, 21, 1},     {76, 22, 1},    {72, 23, 1},
      {76, 24, 1},     {79, 25, 0.5},   {76, 25.5, 0.5}, {74, 26, 1},    {72, 27, 1},
      {74, 28, 1.5},   {71, 29.5, 0.5}, {67, 30, 1.5},
  };
  // The diatonic third below, in A minor: four semitones under E, A and B, three elsewhere.
  auto thirdBelow = [](int note) {
    const int pitchClass = note % 12;
    return (pitchClass == 4 || pitchClass == 9 || pitchClass == 11) ? note - 4 : note - 3;
  };
  Mix lead = score.MakeBus();
  for (const auto& note : tune) {
    const int midi = static_cast<int>(note[0]);
    score.Note(Instrument::Bell, midi, note[1], note[2], 0.5f, 0.15f, &lead);
    score.Note(Instrument::Bell, midi, note[1] + 32, note[2], 0.5f, 0.15f, &lead);
    score.Note(Instrument::ElectricPiano, thirdBelow(midi), note[1] + 32, note[2], 0.35f, -0.2f, &lead);
  }
  // A soft counter line in the middle section.
  const double counter[][3] = {{69, 32, 3}, {72, 35, 1}, {69, 36, 4}, {67, 40, 3}, {71, 43, 1}, {74, 44, 4}};
  for (const auto& note : counter)
    score.Note(Instrument::ElectricPiano, note[0], note[1], note[2], 0.45f, -0.1f, &lead);

  Mix& mix = score.mix();
  mix.AddMix(drums, 0.8f);
  mix.AddMix(plucks, 0.55f);
  mix.AddMix(lead, 0.8f);
  Mix wet = score.MakeBus();
  wet.AddReverb(plucks, 0.5f, 0.5f, 0.8f);
  wet.AddReverb(lead, 0.55f, 0.5f, 1.0f);
  wet.AddEcho(lead, score.BeatSeconds() * 0.75, 0.25f, 0.2f);
  mix.AddMix(wet, 0.45f);
  return FinishMusic(mix);
}

StereoSamples MakeAboutMusic() {
  // Dreamy: F major, 70 beats a minute, eight bars; a wide pad, echoing bells, a slow tune.
  Score score(74 * 512, 8);
  const Chord chords[4] = {
      {29, {53, 57, 60, 64, 67}},  // Fmaj9
      {28, {52, 55, 59, 62, 67}},  // Em7
      {26, {50, 53, 57, 60, 64}},  // Dm9
      {24, {48, 52, 55, 59, 62}},  // Cmaj9
  };
  Mix pads = score.MakeBus();
  Mix bells = score.MakeBus();
  synth::Noise chance(77);
  for (int c = 0; c < 4; ++c) {
    const Chord& chord = chords[c];
    const double start = c * 8.0;
    score.Note(Instrument::Bass, chord.bass + 12, start, 7.5, 0.4f, 0.0f);
    for (size_t i = 0; i + 1 < chord.tones.size(); ++i)
      score.Note(Instrument::Pad, chord.tones[i], start, 7.8, 0.2f, i % 2 ? -0.7f : 0.7f, &pads);
    // Bells: six notes of each bar on eighths, climbing the chord.
    const int steps[6] = {0, 2, 4, 5, 7, 8};
    const int climb[6] = {1, 2, 3, 4, 3, 2};
    for (int bar = 0; bar < 2; ++bar) {
      for (int n = 0; n < 6; ++n) {
        const int tone = chord.tones[static_cast<size_t>(climb[n])] + 24;
        const float velocity = 0.22f + 0.06f * static_cast<float>(n % 3);
        score.Note(Instrument::Bell, tone, start + bar * 4 + steps[n] * 0.5, 0.4, velocity,
                   n % 2 ? 0.55f : -0.55f, &bells);
      }
    }
    // A few high sparkles, placed by a fixed chance.
    for (int s = 0; s < 3; ++s) {
      const double at = start + std::floor((chance.Next() + 1) * 3.9) * 2 + 0.5;
      const int tone = chord.tones[static_cast<size_t>((chance.Next() + 1) * 2.4)] + 36;
      score.Note(Instrument::Bell, tone, at, 0.3, 0.1f, chance.Next() * 0.8f, &bells);
    }
  }
  const double tune[][3] = {
      {81, 0, 3},  {79, 3, 1},  {84, 4, 4},  {83, 8, 3},  {79, 11, 1}, {76, 12, 4},
      {77, 16, 2}, {81, 18, 2}, {84, 20, 4}, {86, 24, 3}, {84, 27, 1}, {79, 28, 4},
  };
  Mix lead = score.MakeBus();
  for (const auto& note : tune)
    score.Note(Instrument::ElectricPiano, note[0] - 12, note[1], note[2], 0.5f, 0.0f, &lead);

  Mix& mix = score.mix();
  mix.AddMix(pads, 1.0f);
  mix.AddMix(bells, 0.8f);
  mix.AddMix(lead, 0.75f);
  Mix wet = score.MakeBus();
  wet.AddEcho(bells, score.BeatSeconds() * 0.75, 0.45f, 0.6f);
  wet.AddEcho(lead, score.BeatSeconds() * 1.5, 0.35f, 0.35f);
  wet.AddReverb(mix, 0.85f, 0.35f, 1.4f);
  mix.AddMix(wet, 0.7f);
  return FinishMusic(mix);
}

std::vector<Sound> MakeSounds() {
  std::vector<Sound> sounds;
  for (std::string_view path : storage::kSoundFiles) {
    Sound sound;
    sound.storedPath = std::string(path);
    sound.music = path.ends_with(".wma");
    sounds.push_back(std::move(sound));
  }
  const std::pair<std::string_view, StereoSamples (*)()> makers[] = {
      {"menu.wma", MakeMenuMusic}, {"button.wav", MakeButtonSound}, {"game.wma", MakeGameMusic},
      {"box.wav", MakeBoxSound},   {"error.wav", MakeErrorSound},   {"bingo.wav", MakeBingoSound},
      {"lose.wav", MakeLoseSound}, {"win.wav", MakeWinSound},       {"about.wma", MakeAboutMusic},
  };
  // Each piece is independent and writes only its own slot: render them side by side.
  std::vector<std::thread> workers;
  for (Sound& sound : sounds) {
    for (const auto& [name, make] : makers) {
      if (sound.storedPath.ends_with(name))
        workers.emplace_back([&sound, make = make] { sound.samples = make(); });
    }
  }
  for (std::thread& worker : workers) worker.join();
  return sounds;
}

}  // namespace tools
