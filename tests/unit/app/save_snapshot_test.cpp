// The exit save's snapshot: a save on another thread sees one publish whole, and the last one.
#include "app/save_snapshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// Publish `round` marks every part of the contents with the same number.
app::SaveContents ContentsOfRound(int round) {
  app::SaveContents contents;
  contents.switches = {(round & 1) != 0, (round & 2) != 0, (round & 4) != 0};
  contents.preferences.emplace();
  contents.preferences->Set("round", std::to_string(round));
  contents.pictureSetKeys.assign(3, std::to_string(round));
  return contents;
}

// The round every part of `contents` names; -1 when the parts disagree, 0 before any publish.
int RoundOf(const app::SaveContents& contents) {
  if (!contents.preferences) return contents.pictureSetKeys.empty() ? 0 : -1;
  const int round = std::stoi(contents.preferences->Find("round").value_or("-1"));
  const app::SaveContents expected = ContentsOfRound(round);
  const bool whole = contents.pictureSetKeys == expected.pictureSetKeys &&
                     contents.switches.soundOn == expected.switches.soundOn &&
                     contents.switches.musicOn == expected.switches.musicOn &&
                     contents.switches.vsyncOn == expected.switches.vsyncOn;
  return whole ? round : -1;
}

TEST(SaveSnapshot, ASaveOnAnotherThreadTakesOnePublishWholeAndAtLastTheLatest) {
  constexpr int kRounds = 2000;
  app::SaveSnapshot snapshot;
  std::atomic<bool> published{false};
  int torn = 0, backwards = 0, takes = 0;
  std::thread saver([&] {
    int seen = 0;
    while (!published.load()) {
      const int round = RoundOf(snapshot.Take());
      ++takes;
      if (round < 0) ++torn;
      if (round >= 0 && round < seen) ++backwards;
      if (round > seen) seen = round;
    }
  });
  for (int round = 1; round <= kRounds; ++round) snapshot.Publish(ContentsOfRound(round));
  published.store(true);
  saver.join();
  EXPECT_EQ(torn, 0) << "of " << takes << " takes";
  EXPECT_EQ(backwards, 0);
  EXPECT_EQ(RoundOf(snapshot.Take()), kRounds);
}

}  // namespace
