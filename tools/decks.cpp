#include "tools/decks.h"

#include <array>
#include <cmath>
#include <string_view>

#include "game/text_id.h"
#include "tools/audio_file.h"
#include "tools/pictures.h"
#include "tools/synth.h"

namespace tools {
namespace {

using synth::Instrument;
using synth::Mono;

// The lines every deck's manifest starts with.
std::string DeckHeader(std::string_view name, std::string_view chinese,
                       std::span<const Catalogue> catalogues) {
  std::string text = "# A Tessary deck\n";
  text += NameLines("name", name, chinese, catalogues);
  text += "author = The Tessary developers\nlicence = MIT\n";
  return text;
}

std::string Key(int pair, std::string_view rest) {
  return "pair." + std::to_string(pair) + "." + std::string(rest);
}

// ---- Letters ----

// A capital and its small letter in UTF-8.
struct LetterPair {
  std::string capital;
  std::string small;
};

std::string Utf8(uint32_t point) {
  std::string text;
  if (point < 0x80) {
    text += static_cast<char>(point);
  } else {
    text += static_cast<char>(0xc0 | (point >> 6));
    text += static_cast<char>(0x80 | (point & 0x3f));
  }
  return text;
}

DeckArt LettersDeck(std::string_view stem, std::string_view name, std::string_view chinese,
                    const std::vector<LetterPair>& letters,
                    std::span<const Catalogue> catalogues) {
  DeckArt deck{std::string(stem), DeckHeader(name, chinese, catalogues), {}};
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const int pair = static_cast<int>(i) + 1;
    deck.manifest += Key(pair, "a.word") + " = " + letters[i].capital + "\n";
    deck.manifest += Key(pair, "b.word") + " = " + letters[i].small + "\n";
  }
  return deck;
}

std::vector<LetterPair> LatinLetters() {
  std::vector<LetterPair> letters;
  for (char c = 'A'; c <= 'Z'; ++c)
    letters.push_back({std::string(1, c), std::string(1, static_cast<char>(c - 'A' + 'a'))});
  return letters;
}

// Alpha to omega; U+03A2 has no capital (final sigma is a small letter only).
std::vector<LetterPair> GreekLetters() {
  std::vector<LetterPair> letters;
  for (uint32_t capital = 0x391; capital <= 0x3a9; ++capital)
    if (capital != 0x3a2) letters.push_back({Utf8(capital), Utf8(capital + 0x20)});
  return letters;
}

// ---- Numbers ----

// Where the dots of count lie on a card of side 1: the faces of a die up to six, a ten-frame
// (two rows of five, the upper filled first) from seven on.
std::vector<std::pair<double, double>> DotPlaces(int count) {
  const double l = 0.3, c = 0.5, r = 0.7;
  switch (count) {
    case 1: return {{c, c}};
    case 2: return {{l, l}, {r, r}};
    case 3: return {{l, l}, {c, c}, {r, r}};
    case 4: return {{l, l}, {r, l}, {l, r}, {r, r}};
    case 5: return {{l, l}, {r, l}, {c, c}, {l, r}, {r, r}};
    case 6: return {{l, l}, {r, l}, {l, c}, {r, c}, {l, r}, {r, r}};
    default: break;
  }
  std::vector<std::pair<double, double>> places;
  for (int i = 0; i < count; ++i) places.push_back({0.2 + 0.15 * (i % 5), i < 5 ? 0.425 : 0.575});
  return places;
}

Picture DotsPicture(int count) {
  const PictureSize size = PackagePictureSize("box1.jpg");
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double s = size.width;
  SetColour(cr, Hex(0xf4f1e8));
  cairo_paint(cr);
  RoundedRect(cr, s * 0.05, s * 0.05, s * 0.9, s * 0.9, s * 0.1);
  SetColour(cr, Hex(0xb9b4a6));
  cairo_set_line_width(cr, s * 0.016);
  cairo_stroke(cr);
  const bool frame = count > 6;
  const double radius = s * (frame ? 0.057 : 0.08);
  if (frame) {
    // The ten-frame's cells, so that the empty places count too.
    cairo_set_line_width(cr, s * 0.012);
    SetColour(cr, Hex(0x8a8578));
    for (int row = 0; row < 2; ++row)
      for (int column = 0; column < 5; ++column)
        cairo_rectangle(cr, s * (0.125 + 0.15 * column), s * (0.35 + 0.15 * row), s * 0.15,
                        s * 0.15);
    cairo_stroke(cr);
  }
  for (const auto& [x, y] : DotPlaces(count)) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x * s, y * s, radius, 0, 2 * M_PI);
  }
  SetColour(cr, Hex(0x0072B2));
  cairo_fill_preserve(cr);
  SetColour(cr, Hex(0x1c1c1c));
  cairo_set_line_width(cr, s * 0.014);
  cairo_stroke(cr);
  return canvas.ToPicture();
}

DeckArt NumbersDeck(std::span<const Catalogue> catalogues) {
  // TRANSLATORS: a built-in deck's name, the pictures selector's value (a deck matches a
  // number with its dots); about 20 Latin letters or 12 Chinese characters.
  DeckArt deck{"numbers", DeckHeader(N_("Numbers"), "数字", catalogues), {}};
  for (int number = 1; number <= 10; ++number) {
    const std::string digits = std::to_string(number);
    const std::string entry = "dots" + digits + ".jpg";
    deck.manifest += Key(number, "name") + " = " + digits + "\n";
    deck.manifest += Key(number, "a.word") + " = " + digits + "\n";
    deck.manifest += Key(number, "b.picture") + " = " + entry + "\n";
    deck.entries.push_back({entry, EncodeJpeg(DotsPicture(number))});
  }
  return deck;
}

// ---- Animals and their names ----

DeckArt AnimalNamesDeck(std::span<const Catalogue> catalogues) {
  // TRANSLATORS: a built-in deck's name (a deck matches an animal's picture with its name);
  // about 20 Latin letters or 12 Chinese characters.
  DeckArt deck{"animal-names", DeckHeader(N_("Animal names"), "动物名称", catalogues), {}};
  int pair = 0;
  for (const EmojiFace& animal : AnimalFaces()) {
    ++pair;
    const std::string entry = "animal" + std::to_string(pair) + ".jpg";
    deck.manifest += Key(pair, "a.picture") + " = " + entry + "\n";
    deck.manifest += NameLines(Key(pair, "b.word"), animal.name, animal.chinese, catalogues);
    deck.entries.push_back({entry, EncodeJpeg(MakeEmojiCard(animal.emoji, animal.background))});
  }
  return deck;
}

// ---- Sounds ----

// Cards that sound alike are matched by ear: short, clearly different calls, a mono WAV each at
// half the synthesizer's rate (they are small and have nothing high to lose).
constexpr int kDeckSoundRate = kSampleRate / 2;

struct Tone {
  Instrument instrument;
  double midi;
  double start;    // seconds
  double seconds;  // the note's length before its release
  float velocity;
};

void AddAt(Mono& into, const Mono& sound, double start, float gain) {
  const std::size_t at = static_cast<std::size_t>(std::lround(start * kSampleRate));
  if (into.size() < at + sound.size()) into.resize(at + sound.size());
  for (std::size_t i = 0; i < sound.size(); ++i) into[at + i] += gain * sound[i];
}

Mono Tones(std::initializer_list<Tone> tones) {
  Mono mono;
  for (const Tone& tone : tones)
    AddAt(mono, synth::RenderNote(tone.instrument, synth::MidiToHz(tone.midi), tone.seconds,
                                  tone.velocity), tone.start, 1.0f);
  return mono;
}

// Rising chirps, like a small bird.
Mono Chirps() {
  Mono mono;
  for (int chirp = 0; chirp < 3; ++chirp) {
    const std::size_t frames = static_cast<std::size_t>(0.09 * kSampleRate);
    Mono one(frames);
    double phase = 0;
    for (std::size_t i = 0; i < frames; ++i) {
      const double t = double(i) / double(frames);
      phase += (2200 + 1800 * t) / kSampleRate;
      one[i] = 0.5f * float(std::sin(M_PI * t)) * synth::Sine(phase);
    }
    AddAt(mono, one, 0.14 * chirp, 1.0f);
  }
  return mono;
}

// Two low, rough croaks, like a frog: a buzz of odd harmonics pulsing quickly.
Mono Croaks() {
  Mono mono;
  for (int croak = 0; croak < 2; ++croak) {
    const std::size_t frames = static_cast<std::size_t>(0.22 * kSampleRate);
    Mono one(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      const double seconds = double(i) / kSampleRate, t = double(i) / double(frames);
      double buzz = 0;
      for (int harmonic = 1; harmonic <= 9; harmonic += 2)
        buzz += synth::Sine(140 * harmonic * seconds) / double(harmonic);
      const double pulse = 0.5 + 0.5 * synth::Sine(28 * seconds);
      one[i] = float(0.45 * std::sin(M_PI * t) * pulse * buzz);
    }
    AddAt(mono, one, 0.3 * croak, 1.0f);
  }
  return mono;
}

Mono Drums() {
  Mono mono;
  AddAt(mono, synth::Kick(0.9f), 0.0, 1.0f);
  AddAt(mono, synth::Snare(0.7f, 7), 0.18, 0.8f);
  AddAt(mono, synth::Kick(0.9f), 0.36, 1.0f);
  AddAt(mono, synth::Snare(0.7f, 11), 0.54, 0.8f);
  return mono;
}

struct DeckSound {
  const char* name;  // the pair's name, spoken when they are matched
  std::string_view chinese;
  Mono (*make)();
};

constexpr Instrument kBell = Instrument::Bell, kMarimba = Instrument::Marimba,
                     kPiano = Instrument::ElectricPiano, kPluck = Instrument::Pluck,
                     kBrass = Instrument::Brass, kBass = Instrument::Bass, kPad = Instrument::Pad;
const std::array<DeckSound, 10> kDeckSounds = {{
    // TRANSLATORS: the sounds deck's pair names, spoken when two alike sounds are found; at
    // most about 16 characters.
    {N_("Bell"), "铃铛",
     [] {
       return Tones({{kBell, 84, 0, 0.12, 0.6f}, {kBell, 88, 0.15, 0.12, 0.6f},
                     {kBell, 91, 0.3, 0.3, 0.6f}});
     }},
    {N_("Marimba"), "马林巴",
     [] {
       return Tones({{kMarimba, 79, 0, 0.1, 0.8f}, {kMarimba, 76, 0.14, 0.1, 0.8f},
                     {kMarimba, 72, 0.28, 0.3, 0.8f}});
     }},
    {N_("Piano"), "钢琴",
     [] { return Tones({{kPiano, 76, 0, 0.25, 0.8f}, {kPiano, 72, 0.3, 0.4, 0.8f}}); }},
    {N_("Guitar"), "吉他",
     [] {
       return Tones({{kPluck, 57, 0, 0.1, 0.9f}, {kPluck, 57, 0.12, 0.1, 0.9f},
                     {kPluck, 64, 0.24, 0.3, 0.9f}});
     }},
    {N_("Trumpet"), "小号",
     [] { return Tones({{kBrass, 60, 0, 0.15, 0.8f}, {kBrass, 67, 0.2, 0.45, 0.8f}}); }},
    {N_("Bass"), "贝斯",
     [] { return Tones({{kBass, 36, 0, 0.18, 1.0f}, {kBass, 36, 0.3, 0.3, 1.0f}}); }},
    {N_("Drum"), "鼓", Drums},
    {N_("Bird"), "鸟", Chirps},
    {N_("Frog"), "青蛙", Croaks},
    {N_("Organ"), "风琴",
     [] {
       return Tones({{kPad, 60, 0, 0.6, 0.7f}, {kPad, 64, 0, 0.6, 0.6f}, {kPad, 67, 0, 0.6, 0.6f}});
     }},
}};

// The sound's WAV at kDeckSoundRate, its peak brought to a common loudness, with short fades.
std::vector<uint8_t> SoundEntry(Mono sound) {
  // Long release tails add bytes, not recognition: every sound ends by 1.2 s, faded.
  const std::size_t longest = static_cast<std::size_t>(1.2 * kSampleRate);
  if (sound.size() > longest) {
    const std::size_t fade = static_cast<std::size_t>(0.15 * kSampleRate);
    sound.resize(longest);
    for (std::size_t i = 0; i < fade; ++i) sound[longest - 1 - i] *= float(i) / float(fade);
  }
  float peak = 0;
  for (float sample : sound) peak = std::max(peak, std::abs(sample));
  const float gain = peak > 0 ? 0.7f / peak : 0;
  std::vector<float> halved(sound.size() / 2);
  const std::size_t fade = static_cast<std::size_t>(0.005 * kDeckSoundRate);
  for (std::size_t i = 0; i < halved.size(); ++i) {
    float sample = gain * 0.5f * (sound[2 * i] + sound[2 * i + 1]);
    const std::size_t fromEnd = halved.size() - 1 - i;
    if (i < fade) sample *= float(i) / float(fade);
    if (fromEnd < fade) sample *= float(fromEnd) / float(fade);
    halved[i] = sample;
  }
  const std::string bytes = WavBytes(halved, 1, kDeckSoundRate);
  return {bytes.begin(), bytes.end()};
}

DeckArt SoundsDeck(std::span<const Catalogue> catalogues) {
  // TRANSLATORS: a built-in deck's name (a deck of sounds to match by ear); about 20 Latin
  // letters or 12 Chinese characters.
  DeckArt deck{"sounds", DeckHeader(N_("Sounds"), "声音", catalogues), {}};
  int pair = 0;
  for (const DeckSound& sound : kDeckSounds) {
    ++pair;
    const std::string entry = "sound" + std::to_string(pair) + ".wav";
    deck.manifest += NameLines(Key(pair, "name"), sound.name, sound.chinese, catalogues);
    deck.manifest += Key(pair, "a.sound") + " = " + entry + "\n";
    deck.entries.push_back({entry, SoundEntry(sound.make())});
  }
  return deck;
}

}  // namespace

std::vector<DeckArt> MakeDecks(std::span<const Catalogue> catalogues) {
  std::vector<DeckArt> decks;
  decks.push_back(AnimalNamesDeck(catalogues));
  // TRANSLATORS: a built-in deck's name (capital and small letters of the Greek alphabet);
  // about 20 Latin letters or 12 Chinese characters.
  decks.push_back(LettersDeck("greek-letters", N_("Greek letters"), "希腊字母", GreekLetters(),
                              catalogues));
  // TRANSLATORS: a built-in deck's name (capital and small letters A to Z); about 20 Latin
  // letters or 12 Chinese characters.
  decks.push_back(LettersDeck("letters", N_("Letters"), "字母", LatinLetters(), catalogues));
  decks.push_back(NumbersDeck(catalogues));
  decks.push_back(SoundsDeck(catalogues));
  return decks;
}

}  // namespace tools
