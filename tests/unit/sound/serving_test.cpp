// The sound thread's request serving, over a fake device set that records its commands.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "game/game_state.h"
#include "game/level.h"
#include "sound/media_devices.h"
#include "sound/place_tick.h"
#include "sound/sound_service.h"
#include "test_sounds.h"

namespace {

using game::SoundRequest;
using Calls = std::vector<std::string>;

class FakeDevices final : public sound::MediaDevices {
 public:
  void Play(int slot) override { Record("play " + std::to_string(slot)); }
  void PlayLooped(int slot) override { Record("loop " + std::to_string(slot)); }
  void Stop(int slot) override { Record("stop " + std::to_string(slot)); }
  void PlayCard(int card) override { Record("card " + std::to_string(card)); }
  void StopCard() override { Record("stop card"); }
  void PlayPlace(const sound::PlaceTick& tick) override {
    Record(std::string("place ") + (tick.empty ? "empty " : "tone ") +
           (tick.left > tick.right ? "left" : "right"));
  }

  Calls Taken() {
    std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }
  // Waits for `count` commands in all (false if they never come), then takes them.
  bool WaitForCalls(std::size_t count, Calls& calls) {
    std::unique_lock lock(mutex_);
    if (!recorded_.wait_for(lock, std::chrono::seconds(60), [&] { return calls_.size() >= count; }))
      return false;
    calls = std::exchange(calls_, {});
    return true;
  }

  // Runs on the serving thread right after a command is recorded.
  std::function<void(const std::string&)> onCommand;

 private:
  void Record(const std::string& call) {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(call);
    }
    recorded_.notify_all();
    if (onCommand) onCommand(call);
  }

  std::mutex mutex_;
  std::condition_variable recorded_;
  Calls calls_;
};

class SoundServing : public ::testing::Test {
 protected:
  SoundServing() {
    state.running = true;
    state.soundOn = true;
    state.musicOn = true;
  }
  void Raise(std::initializer_list<SoundRequest> requests) {
    for (SoundRequest request : requests) game::RequestSound(state, request);
  }
  Calls Serve() {
    sound::ServeSoundRequests(state, devices);
    return devices.Taken();
  }

  game::GameState state;
  FakeDevices devices;
};

TEST_F(SoundServing, ServesAllFifteenRequestsInTheirOrderAndClearsThem) {
  for (int i = game::kSoundRequestCount - 1; i >= 0; --i)
    game::RequestSound(state, static_cast<SoundRequest>(i));
  state.cardSound = 5;
  state.scene = game::SCENE_EASY;
  state.placeTick = 0;  // boxes run right to left: box 0 is the top row's rightmost
  EXPECT_EQ(Serve(), (Calls{"loop 0", "play 1", "loop 2", "play 3", "play 4", "play 5", "play 6",
                            "play 7", "loop 8", "stop 0", "stop 2", "stop 8", "stop 1", "stop 3",
                            "stop 4", "stop 5", "stop 6", "stop 7", "stop card", "card 5",
                            "place empty right"}));
  EXPECT_FALSE(sound::AnySoundRequested(state));
  EXPECT_TRUE(Serve().empty());

  state.boxes[5].present = true;
  state.placeTick = 5;
  Raise({SoundRequest::playPlace});
  EXPECT_EQ(Serve(), (Calls{"place tone left"}));
  state.scene = game::SCENE_MENU;  // the board has gone: nowhere to hear
  Raise({SoundRequest::playPlace});
  EXPECT_TRUE(Serve().empty());
}

// The place's tick: the left column pans left, the top row sounds higher, an empty place is a
// lower thud; and the made sound is short, bounded and louder on its own side.
TEST(PlaceTick, PansByColumnPitchesByRowAndThudsWhenEmpty) {
  const sound::PlaceTick topLeft = sound::PlaceTickOf(0, 0, 6, 6, false);
  const sound::PlaceTick bottomRight = sound::PlaceTickOf(5, 5, 6, 6, false);
  const sound::PlaceTick middle = sound::PlaceTickOf(2, 2, 5, 5, false);
  EXPECT_GT(topLeft.left, 0.99f);
  EXPECT_LT(topLeft.right, 0.01f);
  EXPECT_GT(bottomRight.right, 0.99f);
  EXPECT_NEAR(middle.left, middle.right, 1e-6f);
  EXPECT_GT(topLeft.frequency, sound::PlaceTickOf(1, 0, 6, 6, false).frequency);
  EXPECT_GT(sound::PlaceTickOf(1, 0, 6, 6, false).frequency, bottomRight.frequency);
  const sound::PlaceTick gone = sound::PlaceTickOf(0, 0, 6, 6, true);
  EXPECT_TRUE(gone.empty);
  EXPECT_LT(gone.frequency, bottomRight.frequency);
  EXPECT_EQ(sound::PlaceTickOf(-3, 99, 6, 6, false), sound::PlaceTickOf(0, 5, 6, 6, false));

  for (const sound::PlaceTick& tick : {topLeft, gone}) {
    const std::vector<float> samples = sound::SynthesizeTick(tick, 44100);
    ASSERT_GT(samples.size(), 2u * 441);   // over 10 ms
    ASSERT_LT(samples.size(), 2u * 4410);  // under 100 ms
    float left = 0, right = 0;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
      ASSERT_LE(std::abs(samples[i]), 1.0f);
      left += std::abs(samples[i]);
      right += std::abs(samples[i + 1]);
    }
    EXPECT_GT(left, 10 * right);
    EXPECT_EQ(samples[0], 0.0f) << "starts from silence";
  }
  EXPECT_TRUE(sound::SynthesizeTick(topLeft, 0).empty());
}

TEST_F(SoundServing, PlayComesBeforeStopWithinAPass) {
  Raise({SoundRequest::stopMenuMusic, SoundRequest::playMenuMusic});
  EXPECT_EQ(Serve(), (Calls{"loop 0", "stop 0"}));
}

TEST_F(SoundServing, MusicSwitchedOffDropsMusicRequestsForGood) {
  state.musicOn = false;
  Raise({SoundRequest::playMenuMusic, SoundRequest::playGameMusic, SoundRequest::playAboutMusic,
         SoundRequest::playButton, SoundRequest::stopMenuMusic});
  EXPECT_EQ(Serve(), (Calls{"play 1", "stop 0"}));
  EXPECT_FALSE(sound::AnySoundRequested(state));

  state.musicOn = true;
  EXPECT_TRUE(Serve().empty()) << "a dropped request is not served when music comes back";
}

TEST_F(SoundServing, SoundSwitchedOffDropsEffectsButNotStops) {
  state.soundOn = false;
  state.cardSound = 2;
  Raise({SoundRequest::playButton, SoundRequest::playBox, SoundRequest::playError,
         SoundRequest::playBingo, SoundRequest::playLose, SoundRequest::playWin,
         SoundRequest::playGameMusic, SoundRequest::stopGameMusic, SoundRequest::playCard,
         SoundRequest::playPlace});
  EXPECT_EQ(Serve(), (Calls{"loop 2", "stop 2"}));
  state.soundOn = true;
  EXPECT_TRUE(Serve().empty());
}

TEST_F(SoundServing, StopEffectsStopsTheSixEffectsAndNoMusic) {
  Raise({SoundRequest::stopEffects});
  EXPECT_EQ(Serve(), (Calls{"stop 1", "stop 3", "stop 4", "stop 5", "stop 6", "stop 7",
                            "stop card"}));
}

TEST_F(SoundServing, ARequestRaisedTwiceBeforeServiceIsServedOnce) {
  Raise({SoundRequest::playBox, SoundRequest::playBox});
  EXPECT_EQ(Serve(), (Calls{"play 3"}));
}

TEST_F(SoundServing, SettingsAreReadWhenTheRequestsTurnComes) {
  // Switching sound off while the menu music starts drops the button that is served after it.
  devices.onCommand = [this](const std::string& call) {
    if (call == "loop 0") state.soundOn = false;
  };
  Raise({SoundRequest::playMenuMusic, SoundRequest::playButton});
  EXPECT_EQ(Serve(), (Calls{"loop 0"}));
}

TEST_F(SoundServing, ARequestRaisedWhileItsCommandRunsIsServedNextPass) {
  devices.onCommand = [this](const std::string& call) {
    if (call == "play 3" && !game::IsSoundRequested(state, SoundRequest::playBox))
      game::RequestSound(state, SoundRequest::playBox);
  };
  Raise({SoundRequest::playBox});
  EXPECT_EQ(Serve(), (Calls{"play 3"}));
  EXPECT_TRUE(game::IsSoundRequested(state, SoundRequest::playBox));
  devices.onCommand = nullptr;
  EXPECT_EQ(Serve(), (Calls{"play 3"}));
}

// The serving loop on its own thread, as SoundThread runs it.
class SoundLoop : public SoundServing {
 protected:
  void Start(std::chrono::milliseconds loadingDelay) {
    thread_ = std::thread(
        [this, loadingDelay] { sound::RunSoundService(state, devices, loadingDelay); });
  }
  void StopAndJoin() {
    game::StopRunning(state);
    thread_.join();
  }
  ~SoundLoop() override {
    if (thread_.joinable()) StopAndJoin();
  }

 private:
  std::thread thread_;
};

TEST_F(SoundLoop, RequestsRaisedWhileLoadingAreServedAfterLoadingEnds) {
  Raise({SoundRequest::playMenuMusic});
  Start(std::chrono::milliseconds(20));
  Calls calls;
  ASSERT_TRUE(devices.WaitForCalls(1, calls));
  EXPECT_EQ(calls, (Calls{"loop 0"}));
  EXPECT_TRUE(state.loadingDone);
  StopAndJoin();
}

TEST_F(SoundLoop, AnIdleLoopWakesForEachRequest) {
  Start(std::chrono::milliseconds(0));
  ASSERT_TRUE(sound_test::WaitUntil([&] { return bool(state.loadingDone); }));
  Calls calls;
  for (int round = 0; round < 20; ++round) {
    Raise({SoundRequest::playBox});
    ASSERT_TRUE(devices.WaitForCalls(1, calls)) << "round " << round;
    EXPECT_EQ(calls, (Calls{"play 3"}));
  }
  StopAndJoin();
  EXPECT_TRUE(devices.Taken().empty());
}

TEST_F(SoundLoop, RunningClearedDuringTheLoadingDelayEndsItAndStillEndsLoading) {
  Raise({SoundRequest::playButton});
  Start(std::chrono::hours(1));  // the test would hang if the delay did not end early
  StopAndJoin();
  EXPECT_TRUE(state.loadingDone);
  EXPECT_TRUE(devices.Taken().empty()) << "no pass runs once running is clear";
}

TEST_F(SoundLoop, EndsWhenRunningClearsWhileIdle) {
  Start(std::chrono::milliseconds(0));
  ASSERT_TRUE(sound_test::WaitUntil([&] { return bool(state.loadingDone); }));
  StopAndJoin();
  EXPECT_TRUE(devices.Taken().empty());
}

}  // namespace
