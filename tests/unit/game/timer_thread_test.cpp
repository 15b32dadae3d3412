// TimerThread on real SDL timers. Waits have generous limits and assert order, never speed.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "app/timer_thread.h"
#include "game/deal.h"
#include "test_support.h"

namespace {

using game::testing::BoxesWithFace;
using game::testing::Dump;

class TimerThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError(); }
  void TearDown() override { SDL_Quit(); }

  // Waits until done() holds, checking every few milliseconds; false after a minute.
  template <typename Predicate>
  static bool Eventually(Predicate done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
};

TEST_F(TimerThreadTest, TicksUntilStoppedAndNeverAfterItReturns) {
  game::GameState state;
  state.running = true;
  int result = -1;
  std::thread thread([&] { result = app::TimerThread(state); });

  // The menu entry tick, then menu ticks swinging the title and reviving the stars.
  EXPECT_TRUE(Eventually([&] { return state.titleAngle < -0.2f; }));
  EXPECT_EQ(state.scene, game::SCENE_MENU);
  EXPECT_EQ(state.bestText.Get(), "0");

  game::StopRunning(state);
  thread.join();
  EXPECT_EQ(result, 0);
  EXPECT_NE(state.secondTimer, 0u);
  EXPECT_NE(state.gameTimer, 0u);
  EXPECT_NE(state.spinTimer, 0u);

  const std::string stopped = Dump(state);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Dump(state), stopped) << "a tick ran after TimerThread returned";
}

TEST_F(TimerThreadTest, WaitsForATickInItsPause) {
  game::GameState state;
  state.running = true;
  game::LcgRandom random(7);
  game::DealBoard(state, game::Level::easy, random);
  const std::vector<int> ones = BoxesWithFace(state, game::ParamsOf(game::Level::easy), 1);
  state.boxes[ones[0]].open = true;
  state.boxes[ones[1]].open = true;
  state.firstPick = static_cast<uint8_t>(ones[0]);
  state.secondPick = static_cast<uint8_t>(ones[1]);
  state.selectionCount = 2;

  std::mutex mutex;
  std::condition_variable judged;
  bool bingo = false;
  state.soundObserver = [&](game::SoundRequest request) {
    if (request != game::SoundRequest::playBingo) return;
    std::lock_guard lock(mutex);
    bingo = true;
    judged.notify_all();
  };

  std::thread thread([&] { app::TimerThread(state); });
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(judged.wait_for(lock, std::chrono::minutes(1), [&] { return bingo; }));
  }
  // The tick is now in (or just past) its 500 ms pause; stopping must let it finish.
  game::StopRunning(state);
  thread.join();

  EXPECT_EQ(state.pairsFound, 1);
  EXPECT_FALSE(state.boxes[ones[0]].present);
  EXPECT_FALSE(state.boxes[ones[1]].present);
  EXPECT_EQ(state.selectionCount, 0);
}

TEST_F(TimerThreadTest, SeedsTheStarsAndReturnsAtOnceWhenNotRunning) {
  game::GameState state;
  state.scene = game::SCENE_README;
  EXPECT_EQ(app::TimerThread(state), 0);
  for (int k = 0; k < game::kStarCount; ++k) EXPECT_EQ(state.stars[k].alpha, 5 * k);
}

TEST_F(TimerThreadTest, RunsAgainAfterAStop) {
  for (int run = 0; run < 3; ++run) {
    game::GameState state;
    state.running = true;
    std::thread thread([&] { app::TimerThread(state); });
    EXPECT_TRUE(Eventually([&] { return state.scene == game::SCENE_MENU; }));
    game::StopRunning(state);
    thread.join();
  }
}

}  // namespace
