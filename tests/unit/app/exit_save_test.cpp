// The one saving run, without a display or a signal.
#include "app/exit_save.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;

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
