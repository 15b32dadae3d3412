// Real output through SDL's disk audio driver, which writes the mixed sound to a file at the
// pace of a sound card: what the devices and the sound thread play can be read back exactly.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "game/game_state.h"
#include "sound/mixer_devices.h"
#include "sound/sound_service.h"
#include "sound/sound_thread.h"
#include "test_sounds.h"

namespace {

using sound::MixerDevices;
using sound_test::RampValue;

struct Frame {
  int16_t left, right;
};

std::vector<Frame> AllFrames(const std::vector<int16_t>& samples) {
  std::vector<Frame> frames;
  for (std::size_t i = 0; i + 1 < samples.size(); i += 2)
    frames.push_back({samples[i], samples[i + 1]});
  return frames;
}

bool Silent(const Frame& frame) { return frame.left == 0 && frame.right == 0; }

// Stretches of sound between silences.
std::vector<std::vector<Frame>> SoundRuns(const std::vector<Frame>& frames) {
  std::vector<std::vector<Frame>> runs;
  bool inRun = false;
  for (const Frame& frame : frames) {
    if (Silent(frame)) {
      inRun = false;
      continue;
    }
    if (!inRun) runs.emplace_back();
    inRun = true;
    runs.back().push_back(frame);
  }
  return runs;
}

// The disk driver writes one mixer buffer at a time.
constexpr std::uintmax_t kBufferBytes = 1024 * 4;

// Whether `run` is the stereo ramp from frame `first` on, wrapping every `period` frames.
::testing::AssertionResult IsRamp(const std::vector<Frame>& run, std::size_t first,
                                  std::size_t period, int step = 1) {
  for (std::size_t k = 0; k < run.size(); ++k) {
    const int16_t want = RampValue((first + k) % period, step);
    if (run[k].left != want || run[k].right != -want)
      return ::testing::AssertionFailure() << "frame " << k << " of " << run.size() << " is ("
                                           << run[k].left << ", " << run[k].right << "), want "
                                           << want;
  }
  return ::testing::AssertionSuccess();
}

class DiskOutput : public ::testing::Test {
 protected:
  DiskOutput() : outputFile(dir.path() / "output.raw") {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", outputFile.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");  // real time: the tests react well within a sound's length
  }
  // As in the game, audio starts on the main thread before any sound thread and stops after it
  // (a derived fixture joins its thread before this destructor runs).
  void SetUp() override { audioStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }
  ~DiskOutput() override {
    if (audioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  std::unique_ptr<sound::AudioOutput> OpenOutput() {
    auto output = sound::AudioOutput::Open();
    if (output) {
      EXPECT_EQ(output->format().sampleRate, 44100);
      EXPECT_EQ(output->format().channels, 2);
      EXPECT_EQ(output->format().sampleFormat, AUDIO_S16SYS);
    }
    return output;
  }

  // Slot paths in the test directory; only the files written exist.
  std::array<std::string, sound::kSlotCount> SlotPaths() const {
    std::array<std::string, sound::kSlotCount> paths;
    for (int slot = 0; slot < sound::kSlotCount; ++slot)
      paths[slot] = (dir.path() / ("slot" + std::to_string(slot) + ".wav")).string();
    return paths;
  }
  void WriteSlot(int slot, const sound_test::Pcm16& pcm) const {
    sound_test::WriteWav(SlotPaths()[slot], pcm);
  }

  std::vector<Frame> Output() const { return AllFrames(sound_test::ReadRawSamples(outputFile)); }
  // Polled instead of reading the output back, which would slow down as the file grows.
  std::uintmax_t OutputBytes() const {
    std::error_code ignored;
    const std::uintmax_t bytes = std::filesystem::file_size(outputFile, ignored);
    return ignored ? 0 : bytes;
  }
  // Counts the sounding frames of the output, reading only what was written since the last call.
  std::size_t SoundingFramesSoFar() {
    std::ifstream in(outputFile, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(scanned_));
    int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) {
      scanned_ += sizeof frame;
      if (frame[0] != 0 || frame[1] != 0) ++sounding_;
    }
    return sounding_;
  }
  // Waits until `frames` more frames than now, plus a buffer mixed before, are in the output.
  bool WaitForOutput(std::size_t frames) const {
    const std::uintmax_t target = OutputBytes() + frames * 4 + 2 * kBufferBytes;
    return sound_test::WaitUntil([&] { return OutputBytes() >= target; });
  }

  sound_test::TempDir dir;
  std::filesystem::path outputFile;
  bool audioStarted = false;

 private:
  std::uintmax_t scanned_ = 0;
  std::size_t sounding_ = 0;
};

TEST_F(DiskOutput, AnEffectPlaysOnceFromItsBeginning) {
  WriteSlot(sound::SOUND_BOX, sound_test::StereoRamp(4000));
  auto output = OpenOutput();
  ASSERT_TRUE(output);
  {
    testing::internal::CaptureStderr();
    MixerDevices devices(output->format(), SlotPaths());
    const std::string warnings = testing::internal::GetCapturedStderr();
    for (int slot = 0; slot < sound::kSlotCount; ++slot) {
      EXPECT_EQ(devices.IsOpen(slot), slot == sound::SOUND_BOX);
      if (slot != sound::SOUND_BOX) {
        EXPECT_NE(warnings.find(SlotPaths()[slot]), std::string::npos);
      }
    }
    EXPECT_EQ(devices.FrameCount(sound::SOUND_BOX), 4000u);
    devices.Play(sound::SOUND_MENU);  // empty slots ignore commands
    devices.PlayLooped(sound::SOUND_GAME);
    devices.Play(sound::SOUND_BOX);
    ASSERT_TRUE(sound_test::WaitUntil([&] { return !devices.IsPlaying(sound::SOUND_BOX); }));
  }
  output.reset();
  const auto runs = SoundRuns(Output());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].size(), 4000u);
  EXPECT_TRUE(IsRamp(runs[0], 0, 4000));
}

TEST_F(DiskOutput, PlayingAnEffectAgainRestartsIt) {
  constexpr std::size_t kFrames = 60000;  // 1.4 s, ramp rising every second frame
  WriteSlot(sound::SOUND_BOX, sound_test::StereoRamp(kFrames, 2));
  auto output = OpenOutput();
  ASSERT_TRUE(output);
  {
    MixerDevices devices(output->format(), SlotPaths());
    devices.Play(sound::SOUND_BOX);
    ASSERT_TRUE(WaitForOutput(2000));
    devices.Play(sound::SOUND_BOX);
    ASSERT_TRUE(sound_test::WaitUntil([&] { return !devices.IsPlaying(sound::SOUND_BOX); }));
  }
  output.reset();
  const auto runs = SoundRuns(Output());
  ASSERT_EQ(runs.size(), 1u) << "the restart leaves no gap";
  const std::vector<Frame>& run = runs[0];
  std::size_t cut = 1;
  while (cut < run.size() && run[cut].left >= run[cut - 1].left) ++cut;
  ASSERT_LT(cut, kFrames) << "the first play was cut short";
  EXPECT_TRUE(IsRamp({run.begin(), run.begin() + static_cast<std::ptrdiff_t>(cut)}, 0, kFrames, 2));
  const std::vector<Frame> second(run.begin() + static_cast<std::ptrdiff_t>(cut), run.end());
  EXPECT_EQ(second.size(), kFrames);
  EXPECT_TRUE(IsRamp(second, 0, kFrames, 2));
}

TEST_F(DiskOutput, MusicLoopsStopsAndResumesWhereItStopped) {
  constexpr std::size_t kFrames = 11025;  // a quarter of a second, so it repeats in the test
  WriteSlot(sound::SOUND_MENU, sound_test::StereoRamp(kFrames));
  auto output = OpenOutput();
  ASSERT_TRUE(output);
  std::size_t stoppedAt = 0;
  {
    MixerDevices devices(output->format(), SlotPaths());
    // The position only moves forward until the loop wraps to the start.
    auto waitForWrap = [&] {
      std::size_t last = devices.LoopPosition(sound::SOUND_MENU);
      return sound_test::WaitUntil([&] {
        const std::size_t previous = std::exchange(last, devices.LoopPosition(sound::SOUND_MENU));
        return last < previous;
      });
    };
    devices.PlayLooped(sound::SOUND_MENU);
    ASSERT_TRUE(waitForWrap());
    devices.Stop(sound::SOUND_MENU);
    stoppedAt = devices.LoopPosition(sound::SOUND_MENU);
    ASSERT_TRUE(WaitForOutput(8 * 1024));
    EXPECT_EQ(devices.LoopPosition(sound::SOUND_MENU), stoppedAt) << "a stop keeps the position";
    EXPECT_FALSE(devices.IsPlaying(sound::SOUND_MENU));

    devices.PlayLooped(sound::SOUND_MENU);
    ASSERT_TRUE(WaitForOutput(kFrames / 4));
    devices.PlayLooped(sound::SOUND_MENU);  // already playing: goes on without a jump
    ASSERT_TRUE(waitForWrap());
    devices.Stop(sound::SOUND_MENU);
  }
  output.reset();
  const auto runs = SoundRuns(Output());
  ASSERT_EQ(runs.size(), 2u) << "sound, silence while stopped, sound";
  EXPECT_TRUE(IsRamp(runs[0], 0, kFrames));
  EXPECT_EQ(runs[0].size() % kFrames, stoppedAt);
  EXPECT_TRUE(IsRamp(runs[1], runs[0].size(), kFrames)) << "resumes where it stopped";
}

TEST_F(DiskOutput, PlayingMusicFromTheBeginningResetsWhereItResumes) {
  WriteSlot(sound::SOUND_GAME, sound_test::StereoRamp(20000));
  auto output = OpenOutput();
  ASSERT_TRUE(output);
  MixerDevices devices(output->format(), SlotPaths());
  devices.PlayLooped(sound::SOUND_GAME);
  ASSERT_TRUE(sound_test::WaitUntil([&] { return devices.LoopPosition(sound::SOUND_GAME) > 0; }));
  devices.Play(sound::SOUND_GAME);
  EXPECT_EQ(devices.LoopPosition(sound::SOUND_GAME), 0u);
  devices.Stop(sound::SOUND_GAME);
}

// The whole thread, working in a directory that holds the game's music/ folder.
class SoundThreadOnDisk : public DiskOutput {
 protected:
  void WriteMusicFolder() {
    std::filesystem::create_directory(dir.path() / "music");
    const sound_test::Pcm16 music = sound_test::Tone(44100, 2, 22050, 330.0, 0.3);
    for (const char* name : {"menu.wma", "game.wma", "about.wma"}) {
      const std::string written = sound_test::WriteWma(dir.path() / "music" / name, music);
      ASSERT_TRUE(written.empty()) << written;
    }
    const sound_test::Pcm16 effect = sound_test::Tone(44100, 1, 2000, 880.0, 0.3);
    for (const char* name : {"button.wav", "error.wav", "bingo.wav", "lose.wav", "win.wav"})
      sound_test::WriteWav(dir.path() / "music" / name, effect);
    sound_test::WriteWav(dir.path() / "music" / "box.wav", sound_test::StereoRamp(4000));
  }

  void Start() {
    state.running = true;
    state.soundOn = true;
    state.musicOn = true;
    thread_ = std::thread([this] { result_ = sound::SoundThread(state); });
  }
  int StopAndJoin() {
    game::StopRunning(state);
    thread_.join();
    return result_;
  }
  ~SoundThreadOnDisk() override {
    if (thread_.joinable()) StopAndJoin();
  }

  game::GameState state;

 private:
  std::thread thread_;
  int result_ = -1;
};

TEST_F(SoundThreadOnDisk, PlaysARequestedEffectAndEndsWhenRunningClears) {
  WriteMusicFolder();
  sound_test::WorkingDirectory cwd(dir.path());
  testing::internal::CaptureStderr();
  Start();
  ASSERT_TRUE(sound_test::WaitUntil([&] { return bool(state.loadingDone); }));
  game::RequestSound(state, game::SoundRequest::playBox);
  ASSERT_TRUE(sound_test::WaitUntil([&] { return SoundingFramesSoFar() >= 4000; }));
  EXPECT_EQ(StopAndJoin(), 0);
  const std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(warnings.find("tessary:"), std::string::npos) << "all nine files open: " << warnings;
  const auto runs = SoundRuns(Output());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(IsRamp(runs[0], 0, 4000));
}

TEST_F(SoundThreadOnDisk, MissingFilesAreNamedOnceAndTheirRequestsDoNothing) {
  sound_test::WorkingDirectory cwd(dir.path());
  std::filesystem::create_directory(dir.path() / "music");
  sound_test::WriteWav(dir.path() / "music" / "button.wav", sound_test::StereoRamp(3000));
  testing::internal::CaptureStderr();
  Start();
  ASSERT_TRUE(sound_test::WaitUntil([&] { return bool(state.loadingDone); }));
  game::RequestSound(state, game::SoundRequest::playMenuMusic);
  game::RequestSound(state, game::SoundRequest::playButton);
  game::RequestSound(state, game::SoundRequest::playWin);
  ASSERT_TRUE(sound_test::WaitUntil([&] { return SoundingFramesSoFar() >= 3000; }));
  EXPECT_EQ(StopAndJoin(), 0);
  const std::string warnings = testing::internal::GetCapturedStderr();
  for (const char* name :
       {"music/menu.wma", "music/game.wma", "music/box.wav", "music/error.wav", "music/bingo.wav",
        "music/lose.wav", "music/win.wav", "music/about.wma"}) {
    const std::size_t at = warnings.find(name);
    EXPECT_NE(at, std::string::npos) << name;
    EXPECT_EQ(warnings.find(name, at + 1), std::string::npos) << name << " named twice";
  }
  EXPECT_EQ(warnings.find("button.wav"), std::string::npos);
  const auto runs = SoundRuns(Output());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(IsRamp(runs[0], 0, 3000));
}

TEST_F(SoundThreadOnDisk, StoppingDuringTheLoadingDelayStillEndsLoading) {
  sound_test::WorkingDirectory cwd(dir.path());
  testing::internal::CaptureStderr();
  Start();
  EXPECT_EQ(StopAndJoin(), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(state.loadingDone);
}

class NoSoundDevice : public SoundThreadOnDisk {
 protected:
  NoSoundDevice() { setenv("SDL_AUDIODRIVER", "tessary-no-such-driver", 1); }
};

TEST_F(NoSoundDevice, WithoutAudioThePlayIsSilentAndLoadingStillEnds) {
  // The main thread found no device when it started audio; the sound thread adds nothing.
  ASSERT_FALSE(audioStarted);
  testing::internal::CaptureStderr();
  Start();
  ASSERT_TRUE(sound_test::WaitUntil([&] { return bool(state.loadingDone); }));
  game::RequestSound(state, game::SoundRequest::playMenuMusic);
  game::RequestSound(state, game::SoundRequest::playBox);
  ASSERT_TRUE(sound_test::WaitUntil([&] { return !sound::AnySoundRequested(state); }));
  EXPECT_EQ(StopAndJoin(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
