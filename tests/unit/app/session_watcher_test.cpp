// The close deadlines, without a display or a signal.
#include "app/session_watcher.h"

#include <gtest/gtest.h>

#include <chrono>

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

}  // namespace
