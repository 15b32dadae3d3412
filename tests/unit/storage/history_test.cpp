// The history file: its lines, appends under the best scores' lock, and lenient reading.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "scratch_directory.h"
#include "game/choices.h"
#include "game/level.h"
#include "storage/history.h"
#include "storage/paths.h"

namespace {

using storage::HistoryEntry;

class HistoryTest : public storage_test::ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    std::filesystem::create_directory("data");
    storage::UsePlaces(storage::RunDirectoryPlaces());
  }

  static HistoryEntry Entry(int32_t score, game::Outcome outcome = game::Outcome::won) {
    HistoryEntry entry;
    entry.time = 1796794812;  // 2026-12-09T05:40:12Z
    entry.result.level = game::Level::normal;
    entry.result.score = score;
    entry.result.secondsUsed = 95;
    entry.result.pairs = 32;
    entry.result.misses = 7;
    entry.result.outcome = outcome;
    return entry;
  }

  std::vector<int32_t> Scores(storage::HistoryReadResult* result = nullptr) {
    std::vector<int32_t> scores;
    const auto read = storage::ReadHistoryFile(
        "data/history", [&](const HistoryEntry& entry) { scores.push_back(entry.result.score); });
    if (result) *result = read;
    return scores;
  }

  static std::string Text(const std::string& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }

  std::string problem;
};

TEST_F(HistoryTest, ALineReadsBackAsItWasWrittenAndOddLinesDoNot) {
  HistoryEntry entry = Entry(1234, game::Outcome::gaveUp);
  entry.result.playerMode = game::againstComputer;
  entry.pictureSet = "my photos%";
  const std::string line = storage::FormatHistoryLine(entry);
  EXPECT_EQ(line, "2026-12-09T05:40:12Z normal computer my%20photos%25 1234 95 32 7 gaveup\n");
  HistoryEntry back;
  ASSERT_TRUE(storage::ParseHistoryLine(line.substr(0, line.size() - 1), back));
  EXPECT_EQ(back.time, entry.time);
  EXPECT_EQ(back.pictureSet, "my photos%");
  EXPECT_EQ(storage::FormatHistoryLine(back), line);
  // A player's folder is kept by its absolute path: the longest, all of it non-ASCII, still
  // reads back from the file; and so does a date from a clock set far back.
  entry.pictureSet = "/" + std::string(4094, '\xe9');
  entry.time = -62135596800 + 86400 * 40;  // 0001-02-10
  ASSERT_TRUE(storage::AppendHistoryLine("data/history", "", storage::FormatHistoryLine(entry),
                                         problem));
  std::vector<HistoryEntry> read;
  storage::ReadHistoryFile("data/history", [&](const HistoryEntry& e) { read.push_back(e); });
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].pictureSet, entry.pictureSet);
  EXPECT_EQ(read[0].time, entry.time);
  // Later versions may add fields at the end.
  EXPECT_TRUE(storage::ParseHistoryLine(line.substr(0, line.size() - 1) + " 3 x", back));
  EXPECT_EQ(back.result.clock, game::countdown);
  // The relaxed clock's game says so in a tenth field; the countdown's line has none (above).
  HistoryEntry relaxed = Entry(300);
  relaxed.result.clock = game::relaxed;
  const std::string relaxedLine = storage::FormatHistoryLine(relaxed);
  EXPECT_EQ(relaxedLine, "2026-12-09T05:40:12Z normal 1 classic 300 95 32 7 won relaxed\n");
  ASSERT_TRUE(storage::ParseHistoryLine(relaxedLine.substr(0, relaxedLine.size() - 1), back));
  EXPECT_EQ(back.result.clock, game::relaxed);

  for (const char* bad : {"", "2026-12-09T05:40:12Z normal 1 classic 1234 95 32 7",
                          "2026-12-09T05:40:12Z medium 1 classic 1 2 3 4 won",
                          "2026-12-09 05:40:12 easy 1 classic 1 2 3 4 won",
                          "2026-13-09T05:40:12Z easy 1 classic 1 2 3 4 won",
                          "2026-12-09T05:40:12Z easy 6 classic 1 2 3 4 won",
                          "2026-12-09T05:40:12Z easy 1 classic -1 2 3 4 won",
                          "2026-12-09T05:40:12Z easy 1 classic 1x 2 3 4 won",
                          "2026-12-09T05:40:12Z easy 1 cl%4 1 2 3 4 won",
                          "2026-12-09T05:40:12Z easy 1 classic 1 2 3 4 drew",
                          "2026-12-09T05:40:12Z  easy 1 classic 1 2 3 4 won"})
    EXPECT_FALSE(storage::ParseHistoryLine(bad, back)) << bad;
}

TEST_F(HistoryTest, AppendsAddLinesAndAHalfLineAtTheEndIsKeptOnItsOwnLine) {
  ASSERT_TRUE(storage::AppendHistoryLine("data/history", "data/maxsum.cfg.lock",
                                         storage::FormatHistoryLine(Entry(10)), problem));
  // A copy killed in the middle of its write (or an editor) left half a line.
  const std::string half = "2026-12-09T05:41:00Z easy 1 cla";
  const std::string before = Text("data/history") + half;
  WriteText("data/history", before);
  ASSERT_TRUE(storage::AppendHistoryLine("data/history", "data/maxsum.cfg.lock",
                                         storage::FormatHistoryLine(Entry(20)), problem));
  const std::string after = Text("data/history");
  EXPECT_EQ(after.substr(0, before.size()), before) << "the file's bytes changed";
  EXPECT_EQ(after.substr(before.size()), "\n" + storage::FormatHistoryLine(Entry(20)));

  storage::HistoryReadResult read;
  testing::internal::CaptureStderr();
  EXPECT_EQ(Scores(&read), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: data/history: 1 line is not a game's record and skipped (kept in the "
            "file)\n");
  EXPECT_EQ(read.skipped, 1);
  EXPECT_EQ(Text("data/history"), after) << "reading changed the file";
}

TEST_F(HistoryTest, GarbageAndOverlongLinesAreSkippedAndTheRestRead) {
  std::string bytes = storage::FormatHistoryLine(Entry(1));
  bytes += std::string(100'000, 'x') + "\n";  // one line far beyond the limit
  bytes += std::string("\0\xff\x01 binary\r\n", 12);
  bytes += storage::FormatHistoryLine(Entry(2));
  bytes += storage::FormatHistoryLine(Entry(3)).substr(0, 30);  // cut short, no line end
  WriteText("data/history", bytes);
  storage::HistoryReadResult read;
  testing::internal::CaptureStderr();
  EXPECT_EQ(Scores(&read), (std::vector<int32_t>{1, 2}));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(read.skipped, 3);
}

TEST_F(HistoryTest, AnAppendWaitsForTheBestScoresLock) {
  const int held = ::open("data/maxsum.cfg.lock", O_RDWR | O_CREAT, 0666);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::atomic<bool> done{false};
  std::thread appender([&] {
    storage::HistoryWriter writer;
    writer.Append(Entry(5));
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done) << "the append did not wait for the lock";
  EXPECT_FALSE(std::filesystem::exists("data/history"));
  ::close(held);
  appender.join();
  EXPECT_EQ(Scores(), std::vector<int32_t>{5});
}

TEST_F(HistoryTest, AFolderInPlaceOrNoPlaceKeepsTheGamesForTheRunAndSaysSoOnceAtExit) {
  std::filesystem::create_directory("data/history");
  storage::HistoryReadResult read;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(Scores(&read).empty());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: data/history: cannot be read: Is a directory (the records show this run's "
            "games only)\n");
  EXPECT_FALSE(read.opened);

  storage::HistoryWriter writer;
  testing::internal::CaptureStderr();
  writer.Append(Entry(1));
  writer.Append(Entry(2));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(writer.Finish());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: data/history: 2 games of this run could not be saved: Is a directory\n");
  EXPECT_TRUE(std::filesystem::is_directory("data/history"));

  // Installed without HOME: no place at all.
  storage::FilePlaces homeless;
  homeless.mode = storage::FileMode::installed;
  storage::UsePlaces(homeless);
  storage::HistoryWriter nowhere;
  nowhere.Append(Entry(3));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(nowhere.Finish());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: history: 1 game of this run could not be saved: neither XDG_DATA_HOME nor "
            "HOME names an absolute folder\n");
}

}  // namespace
