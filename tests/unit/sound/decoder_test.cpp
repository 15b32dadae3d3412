// Whole-file decoding into the mixer's format, from sounds generated here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "sound/pcm_decoder.h"
#include "test_sounds.h"

namespace {

using sound_test::Pcm16;

const sound::PcmFormat kMixerFormat{44100, 2, AUDIO_S16SYS};

std::vector<int16_t> AsSamples(const std::vector<uint8_t>& pcm) {
  std::vector<int16_t> samples(pcm.size() / 2);
  std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
  return samples;
}

double Rms(const std::vector<int16_t>& samples, int channel) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += 2, ++n)
    sum += double(samples[i]) * samples[i];
  return n ? std::sqrt(sum / double(n)) : 0.0;
}

class Decoding : public ::testing::Test {
 protected:
  bool Decode(const std::filesystem::path& file, const sound::PcmFormat& format = kMixerFormat) {
    return sound::DecodeAudioFile(file.string(), format, pcm, error);
  }
  sound_test::TempDir dir;
  std::vector<uint8_t> pcm;
  std::string error;
};

TEST_F(Decoding, WavInTheMixersFormatComesOutUnchanged) {
  const Pcm16 ramp = sound_test::StereoRamp(10000);
  sound_test::WriteWav(dir.path() / "ramp.wav", ramp);
  ASSERT_TRUE(Decode(dir.path() / "ramp.wav")) << error;
  EXPECT_EQ(AsSamples(pcm), ramp.samples);
}

TEST_F(Decoding, MonoWavFillsBothChannelsAtFullLevel) {
  const Pcm16 tone = sound_test::Tone(44100, 1, 4410, 440.0, 0.5);
  sound_test::WriteWav(dir.path() / "mono.wav", tone);
  ASSERT_TRUE(Decode(dir.path() / "mono.wav")) << error;
  const std::vector<int16_t> out = AsSamples(pcm);
  ASSERT_EQ(out.size(), tone.samples.size() * 2);
  for (std::size_t k = 0; k < tone.samples.size(); ++k) {
    ASSERT_EQ(out[2 * k], tone.samples[k]) << "frame " << k;
    ASSERT_EQ(out[2 * k + 1], tone.samples[k]) << "frame " << k;
  }
}

TEST_F(Decoding, ResampledWavKeepsItsLengthAndChannels) {
  const Pcm16 tone = sound_test::Tone(22050, 2, 11025, 440.0, 0.5);  // left only
  sound_test::WriteWav(dir.path() / "half.wav", tone);
  ASSERT_TRUE(Decode(dir.path() / "half.wav")) << error;
  const std::vector<int16_t> out = AsSamples(pcm);
  EXPECT_NEAR(double(out.size() / 2), 22050.0, 1.0);
  EXPECT_GT(Rms(out, 0), 10000.0);
  EXPECT_LT(Rms(out, 1), 1.0);
}

TEST_F(Decoding, WmaDecodesToItsLengthWithChannelsInPlace) {
  const Pcm16 tone = sound_test::Tone(44100, 2, 44100, 440.0, 0.5);  // left only
  const std::string written = sound_test::WriteWma(dir.path() / "tone.wma", tone);
  ASSERT_TRUE(written.empty()) << written;
  ASSERT_TRUE(Decode(dir.path() / "tone.wma")) << error;
  const std::vector<int16_t> out = AsSamples(pcm);
  // The codec works in frames of 2048 samples and pads the last one.
  EXPECT_NEAR(double(out.size() / 2), 44100.0, 2048.0);
  const double left = Rms(out, 0);
  EXPECT_NEAR(left, 0.5 * 32767.0 / std::sqrt(2.0), 2000.0);
  EXPECT_LT(Rms(out, 1), left / 30.0);
}

TEST_F(Decoding, TheFormatIsChosenByContentNotByName) {
  const Pcm16 ramp = sound_test::StereoRamp(2000);
  sound_test::WriteWav(dir.path() / "menu.wma", ramp);
  ASSERT_TRUE(Decode(dir.path() / "menu.wma")) << error;
  EXPECT_EQ(AsSamples(pcm), ramp.samples);
}

TEST_F(Decoding, IntoOtherMixerLayouts) {
  const Pcm16 ramp = sound_test::StereoRamp(4800);
  sound_test::WriteWav(dir.path() / "ramp.wav", ramp);
  ASSERT_TRUE(Decode(dir.path() / "ramp.wav", {48000, 1, AUDIO_F32SYS})) << error;
  EXPECT_NEAR(double(pcm.size() / sizeof(float)), 4800.0 * 48000 / 44100, 1.0);
  ASSERT_TRUE(Decode(dir.path() / "ramp.wav", {44100, 2, AUDIO_U8})) << error;
  EXPECT_EQ(pcm.size(), ramp.samples.size());
}

TEST_F(Decoding, FilesWithoutSoundFailWithAReason) {
  EXPECT_FALSE(Decode(dir.path() / "missing.wav"));
  EXPECT_FALSE(error.empty());

  std::ofstream(dir.path() / "empty.wav").close();
  EXPECT_FALSE(Decode(dir.path() / "empty.wav"));

  std::ofstream text(dir.path() / "text.wav");
  for (int i = 0; i < 200; ++i) text << "this is not a sound file, line " << i << "\n";
  text.close();
  error.clear();
  EXPECT_FALSE(Decode(dir.path() / "text.wav"));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(pcm.empty());
}

TEST_F(Decoding, ATruncatedWavGivesWhatItHolds) {
  sound_test::WriteWav(dir.path() / "cut.wav", sound_test::StereoRamp(10000));
  std::filesystem::resize_file(dir.path() / "cut.wav", 44 + 4 * 3000 + 2);
  ASSERT_TRUE(Decode(dir.path() / "cut.wav")) << error;
  EXPECT_NEAR(double(pcm.size() / 4), 3000.0, 1.0);
}

TEST_F(Decoding, RefusesAnOutputFormatItCannotMake) {
  sound_test::WriteWav(dir.path() / "ramp.wav", sound_test::StereoRamp(100));
  const SDL_AudioFormat foreignEndian = AUDIO_S16SYS == AUDIO_S16LSB ? AUDIO_S16MSB : AUDIO_S16LSB;
  EXPECT_FALSE(Decode(dir.path() / "ramp.wav", {44100, 2, foreignEndian}));
}

// A deck card's sound comes from memory: decoded as the file would be, within its own limits
// (bytes and seconds), and nothing that is not sound.
TEST_F(Decoding, ACardsSoundDecodesFromMemoryWithinItsLimits) {
  const Pcm16 ramp = sound_test::StereoRamp(10000);
  sound_test::WriteWav(dir.path() / "ramp.wav", ramp);
  std::ifstream in(dir.path() / "ramp.wav", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ASSERT_TRUE(sound::DecodeAudioBytes(bytes, kMixerFormat, pcm, error)) << error;
  EXPECT_EQ(AsSamples(pcm), ramp.samples);

  // One second of sound allowed: a 2 s tone is refused, whole.
  sound_test::WriteWav(dir.path() / "long.wav", sound_test::Tone(44100, 1, 88200, 440.0, 0.5));
  std::ifstream longIn(dir.path() / "long.wav", std::ios::binary);
  const std::vector<uint8_t> longBytes((std::istreambuf_iterator<char>(longIn)),
                                       std::istreambuf_iterator<char>());
  EXPECT_FALSE(sound::DecodeAudioBytes(longBytes, kMixerFormat, pcm, error, 1));
  EXPECT_NE(error.find("longer than 1 s"), std::string::npos) << error;
  EXPECT_TRUE(pcm.empty());

  std::vector<uint8_t> large(sound::kMaxCardSoundBytes + 1, 0);
  std::copy(bytes.begin(), bytes.end(), large.begin());
  EXPECT_FALSE(sound::DecodeAudioBytes(large, kMixerFormat, pcm, error));
  const std::string text = "this is not a sound at all, only words";
  EXPECT_FALSE(sound::DecodeAudioBytes(std::vector<uint8_t>(text.begin(), text.end()),
                                       kMixerFormat, pcm, error));
  EXPECT_FALSE(sound::DecodeAudioBytes({}, kMixerFormat, pcm, error));
}

}  // namespace
