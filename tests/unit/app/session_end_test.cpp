// The close deadlines and the one saving run, without a display or a signal.
#include "app/session_end.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using app::CloseStep;
using app::NextCloseStep;
using app::SavePhase;
using std::chrono::milliseconds;

TEST(CloseDeadlines, TheWatcherSavesOnlyWhenTheUiThreadHasNotBegunInTime) {
  EXPECT_EQ(NextCloseStep(milliseconds(0), SavePhase::notStarted), CloseStep::wait);
  EXPECT_EQ(NextCloseStep(app::kUiSaveDeadline - milliseconds(1), SavePhase::notStarted),
            CloseStep::wait);
  EXPECT_EQ(NextCloseStep(app::kUiSaveDeadline, SavePhase::notStarted), CloseStep::saveHere);
  // A save under way on the UI thread is left to finish; the process ends at the last deadline.
  EXPECT_EQ(NextCloseStep(app::kUiSaveDeadline, SavePhase::running), CloseStep::wait);
  EXPECT_EQ(NextCloseStep(app::kEndDeadline - milliseconds(1), SavePhase::done),
            CloseStep::wait);
  EXPECT_EQ(NextCloseStep(app::kEndDeadline, SavePhase::running), CloseStep::endNow);
  EXPECT_EQ(NextCloseStep(app::kEndDeadline, SavePhase::done), CloseStep::endNow);
  // The watcher's own save (grace included) must fit before the 2 s a desktop waits.
  EXPECT_LE(app::kUiSaveDeadline + milliseconds(500), app::kEndDeadline);
}

TEST(SaveForExit, RunsOnceWhicheverThreadAsksAndEveryCallerGetsItsAnswer) {
  std::atomic<int> runs{0};
  app::SetSaveForExit([&]() -> std::optional<bool> {
    ++runs;
    std::this_thread::sleep_for(milliseconds(50));  // the second caller arrives meanwhile
    return true;
  });
  std::optional<bool> onWatcher;
  std::thread watcher([&] { onWatcher = app::RunSaveForExit(); });
  std::this_thread::sleep_for(milliseconds(10));
  const std::optional<bool> onUi = app::RunSaveForExit();
  watcher.join();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(onUi, std::optional<bool>(true));
  EXPECT_EQ(onWatcher, std::optional<bool>(true));
  app::SetSaveForExit([]() -> std::optional<bool> { return false; });  // too late: ignored
  EXPECT_EQ(app::RunSaveForExit(), std::optional<bool>(true));
}

}  // namespace
