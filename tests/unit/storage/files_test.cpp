// The settings, best-score and loading-picture files: short and odd files, the byte that carries
// over from one read to the next, the atomic writes and their failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "scratch_directory.h"
#include "storage/files.h"

namespace {

using storage_test::ScratchDirectory;

std::vector<int> swapCalls;
void RecordSwapInterval(int interval) { swapCalls.push_back(interval); }

class SettingsTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    swapCalls.clear();
  }
  // Reads the settings and reports sound, music, vsync as "1"/"0" characters.
  std::string ReadBack() {
    storage::ReadSettings(state, files, RecordSwapInterval);
    std::string flags;
    for (bool on : {bool(state.soundOn), bool(state.musicOn), bool(state.vsyncOn)})
      flags += on ? '1' : '0';
    return flags;
  }
  game::GameState state;
  storage::FileState files;
};

TEST_F(SettingsTest, MissingFileTurnsAllOnAndLeavesTheCarriedByte) {
  files.settingsChar = 'q';
  EXPECT_EQ(ReadBack(), "111");
  EXPECT_EQ(swapCalls, std::vector<int>{1});
  EXPECT_EQ(files.settingsChar, 'q');
}

TEST_F(SettingsTest, ShortAndOddFiles) {
  struct Case {
    std::string content, flags;
    int interval;
    uint8_t carried;
  };
  const Case cases[] = {
      {"0", "000", 0, '0'},     // the one character repeats for the missing two
      {"01", "011", 1, '1'},    //
      {"x0y", "101", 1, 'y'},   // anything but "0" is on
      {"1100", "110", 0, '0'},  // a fourth byte is never read
      {"000", "000", 0, '0'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    swapCalls.clear();
    files.settingsChar = storage::kSettingsCharStart;
    WriteText("game.cfg", c.content);
    EXPECT_EQ(ReadBack(), c.flags);
    EXPECT_EQ(swapCalls, std::vector<int>{c.interval});
    EXPECT_EQ(files.settingsChar, c.carried);
  }
}

TEST_F(SettingsTest, EmptyFileReadsTheStartingByteWhichIsOn) {
  WriteText("game.cfg", "");
  EXPECT_EQ(ReadBack(), "111");
  EXPECT_EQ(swapCalls, std::vector<int>{1});
  EXPECT_EQ(files.settingsChar, storage::kSettingsCharStart);
}

TEST_F(SettingsTest, ADirectoryNamedLikeTheFileCountsAsMissing) {
  std::filesystem::create_directory("game.cfg");
  EXPECT_EQ(ReadBack(), "111");
  EXPECT_EQ(files.settingsChar, storage::kSettingsCharStart);
}

TEST_F(SettingsTest, NullSwapIntervalIsSkipped) {
  WriteText("game.cfg", "110");
  storage::ReadSettings(state, files, nullptr);
  EXPECT_FALSE(state.vsyncOn);
  storage::ReadSettings(state, files, nullptr);  // and with no file at all
}

TEST_F(SettingsTest, WriteGivesExactlyThreeCharactersAndReadsBack) {
  state.soundOn = false;
  state.musicOn = true;
  state.vsyncOn = false;
  ASSERT_TRUE(storage::WriteSettings(state));
  EXPECT_EQ(ReadBytes("game.cfg"), (std::vector<uint8_t>{'0', '1', '0'}));
  EXPECT_EQ(ReadBack(), "010");

  // No settings file: all on, and a normal exit then writes 31 31 31.
  std::filesystem::remove("game.cfg");
  ReadBack();
  ASSERT_TRUE(storage::WriteSettings(state));
  EXPECT_EQ(ReadBytes("game.cfg"), (std::vector<uint8_t>{0x31, 0x31, 0x31}));
  EXPECT_TRUE(Leftovers(".", {"game.cfg"}).empty());
}

class ScoresTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    std::filesystem::create_directory("data");
  }
  std::vector<int32_t> Scores() const {
    return {state.bestScore[0], state.bestScore[1], state.bestScore[2]};
  }
};

TEST_F(ScoresTest, SixBytesHighByteFirstAndWrittenBackUnchanged) {
  const std::vector<uint8_t> stored = {0x01, 0x00, 0x00, 0x0A, 0xFF, 0xFF};
  WriteBytes("data/maxsum.cfg", stored);
  storage::ReadSettings(state, files, nullptr);
  storage::ReadBestScores(state, files);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{256, 10, 65535}));

  storage::OpenScoreFile(files);
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), stored) << "opening the writer must not empty the file";
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), stored);
  EXPECT_TRUE(Leftovers("data", {"maxsum.cfg", "maxsum.cfg.lock"}).empty());
}

TEST_F(ScoresTest, ShortFileRepeatsTheLastByte) {
  WriteBytes("data/maxsum.cfg", {0x00, 0x05, 0x00, 0x07, 0x01});
  storage::ReadBestScores(state, files);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{5, 7, 257}));
  EXPECT_EQ(files.settingsChar, 0x01);
}

TEST_F(ScoresTest, EmptyFileRepeatsTheLastSettingsCharacter) {
  struct Case {
    std::string settings;
    int32_t score;
  };
  for (const Case& c : {Case{"001", 12593}, Case{"110", 12336}}) {
    SCOPED_TRACE(c.settings);
    files.settingsChar = storage::kSettingsCharStart;
    WriteText("game.cfg", c.settings);
    WriteBytes("data/maxsum.cfg", {});
    storage::ReadSettings(state, files, nullptr);
    storage::ReadBestScores(state, files);
    EXPECT_EQ(Scores(), (std::vector<int32_t>{c.score, c.score, c.score}));
  }
}

TEST_F(ScoresTest, EmptyFileAfterMissingSettingsGivesZeros) {
  WriteBytes("data/maxsum.cfg", {});
  state.bestScore[1] = 99;
  storage::ReadSettings(state, files, nullptr);
  storage::ReadBestScores(state, files);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(ScoresTest, MissingFileGivesZerosAndKeepsTheCarriedByte) {
  files.settingsChar = '1';
  state.bestScore[0] = 5;
  storage::ReadBestScores(state, files);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(files.settingsChar, '1');
}

TEST_F(ScoresTest, ValuesAbove65535KeepTheirLow16Bits) {
  state.bestScore[0] = 70000;  // 0x11170
  state.bestScore[1] = 65536;
  state.bestScore[2] = 65535;
  storage::OpenScoreFile(files);
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"),
            (std::vector<uint8_t>{0x11, 0x70, 0x00, 0x00, 0xFF, 0xFF}));
  storage::ReadBestScores(state, files);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{0x1170, 0, 65535}));
}

TEST_F(ScoresTest, WriterMustBeOpenAndClosesAfterOneWrite) {
  WriteBytes("data/maxsum.cfg", {0, 1, 0, 2, 0, 3});
  state.bestScore[0] = 9;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(storage::WriteBestScores(state, files));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("data/maxsum.cfg"), std::string::npos);

  storage::OpenScoreFile(files);
  EXPECT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_FALSE(files.scoreWriterReady);
  state.bestScore[0] = 10;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(storage::WriteBestScores(state, files));
  testing::internal::GetCapturedStderr();
  // The one write merged: the file's 2 and 3 beat this run's zeros.
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 9, 0, 2, 0, 3}));
}

TEST_F(ScoresTest, ASaveAtTheWinMergesAndKeepsTheWriterForTheExit) {
  WriteBytes("data/maxsum.cfg", {0, 1, 0, 20, 0, 3});
  state.bestScore[0] = 9;
  EXPECT_FALSE(storage::SaveBestScores(state, files)) << "the writer is not open yet";
  storage::OpenScoreFile(files);
  ASSERT_TRUE(storage::SaveBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 9, 0, 20, 0, 3}));
  EXPECT_TRUE(files.scoreWriterReady);
  state.bestScore[2] = 300;
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 9, 0, 20, 1, 44}));
}

TEST_F(ScoresTest, FailedRenameKeepsTheOldEntryAndRemovesTheTemporaryFile) {
  // A directory where the file should be: the rename fails even for root.
  std::filesystem::create_directory("data/maxsum.cfg");
  storage::OpenScoreFile(files);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(storage::WriteBestScores(state, files));
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(message.rfind("tessary: data/maxsum.cfg: could not be saved: ", 0), 0u) << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_TRUE(std::filesystem::is_directory("data/maxsum.cfg"));
  EXPECT_TRUE(Leftovers("data", {"maxsum.cfg", "maxsum.cfg.lock"}).empty());
}

TEST_F(ScoresTest, MissingDirectoryIsReported) {
  std::filesystem::remove("data");
  storage::OpenScoreFile(files);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(storage::WriteBestScores(state, files));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("data/maxsum.cfg: could not be saved"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("data"));
}

// A disk that fills up in the middle of the write: the file-size limit makes the write fail after
// its first bytes, as ENOSPC would, and works for root too.
TEST_F(ScoresTest, WriteCutShortKeepsThePreviousScores) {
  const std::vector<uint8_t> previous = {0x01, 0x00, 0x00, 0x0A, 0xFF, 0xFF};
  WriteBytes("data/maxsum.cfg", previous);
  WriteText("game.cfg", "101");
  state.bestScore[0] = 1234;

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 2;
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  storage::OpenScoreFile(files);
  // The limit would cut a captured-stderr file too: the messages go through a pipe.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  std::fflush(stderr);
  int savedStderr = ::dup(2);
  ::dup2(pipeEnds[1], 2);
  bool scoresSaved = storage::WriteBestScores(state, files);
  bool settingsSaved = storage::WriteSettings(state);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  ::dup2(savedStderr, 2);
  ::close(savedStderr);
  ::close(pipeEnds[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    message.append(buffer, std::size_t(n));
  ::close(pipeEnds[0]);

  EXPECT_FALSE(scoresSaved);
  EXPECT_FALSE(settingsSaved);
  EXPECT_NE(message.find("tessary: data/maxsum.cfg: could not be saved: File too large"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("tessary: game.cfg: could not be saved"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), previous);
  EXPECT_EQ(ReadBytes("game.cfg"), (std::vector<uint8_t>{'1', '0', '1'}));
  EXPECT_TRUE(Leftovers("data", {"maxsum.cfg", "maxsum.cfg.lock"}).empty());
  EXPECT_TRUE(Leftovers(".", {"data", "game.cfg"}).empty());
}

// Two copies of the game on the same files: each exit merges the best scores, so neither undoes
// a better score the other (or anyone) saved meanwhile.
TEST_F(ScoresTest, EachLevelKeepsTheLargerOfTheFileAndThisRun) {
  WriteBytes("data/maxsum.cfg", {0x00, 0x32, 0x00, 0x0A, 0x01, 0x00});
  storage::ReadBestScores(state, files);
  storage::OpenScoreFile(files);
  state.bestScore[0] = 30;  // lower than the file: another copy saved 50 meanwhile
  state.bestScore[1] = 20;
  state.bestScore[2] = 256;
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"),
            (std::vector<uint8_t>{0x00, 0x32, 0x00, 0x14, 0x01, 0x00}));
}

TEST_F(ScoresTest, ACopyEndingLastCannotLowerTheOthersScores) {
  WriteBytes("data/maxsum.cfg", {0, 0, 0, 0, 0, 0});
  game::GameState second;
  storage::FileState secondFiles;
  storage::ReadBestScores(state, files);
  storage::ReadBestScores(second, secondFiles);
  storage::OpenScoreFile(files);
  storage::OpenScoreFile(secondFiles);
  state.bestScore[0] = 40;   // the first copy won easy
  second.bestScore[2] = 70;  // the second won hard
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  ASSERT_TRUE(storage::WriteBestScores(second, secondFiles));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 40, 0, 0, 0, 70}));
}

TEST_F(ScoresTest, AShortFileCountsItsMissingLevelsAsZero) {
  WriteBytes("data/maxsum.cfg", {0x00, 0x05, 0x00});
  storage::OpenScoreFile(files);
  state.bestScore[0] = 3;
  state.bestScore[1] = 4;
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 5, 0, 4, 0, 0}));
}

TEST_F(ScoresTest, TheMergeWaitsForTheLockAndReadsWhatItsHolderSaved) {
  WriteBytes("data/maxsum.cfg", {0, 1, 0, 1, 0, 1});
  storage::OpenScoreFile(files);
  state.bestScore[0] = 9;
  state.bestScore[1] = 9;
  // Another copy in the middle of its save holds the lock beside the file.
  const int held = ::open("data/maxsum.cfg.lock", O_RDWR | O_CREAT, 0666);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::atomic<bool> done{false};
  bool saved = false;
  std::thread saver([&] {
    saved = storage::WriteBestScores(state, files);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done) << "the merge did not wait for the lock";
  WriteBytes("data/maxsum.cfg", {0, 1, 0, 30, 0, 1});  // what the other copy saved
  ::close(held);
  saver.join();
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadBytes("data/maxsum.cfg"), (std::vector<uint8_t>{0, 9, 0, 30, 0, 1}));
}

TEST_F(ScoresTest, AFileThatCannotBeReadAtSaveTimeIsLeftAsItIs) {
  WriteBytes("data/maxsum.cfg", {0, 7, 0, 7, 0, 7});
  storage::OpenScoreFile(files);
  // Readable at start, a link loop by the exit (unreadable even for root).
  std::filesystem::remove("data/maxsum.cfg");
  std::filesystem::create_symlink("maxsum.cfg", "data/maxsum.cfg");
  state.bestScore[0] = 9;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(storage::WriteBestScores(state, files));
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(message.rfind("tessary: data/maxsum.cfg: cannot be read to merge the best scores: ",
                          0),
            0u)
      << message;
  EXPECT_EQ(std::filesystem::read_symlink("data/maxsum.cfg"), "maxsum.cfg");
  EXPECT_TRUE(Leftovers("data", {"maxsum.cfg", "maxsum.cfg.lock"}).empty());
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST_F(ScoresTest, ReplacedFilesKeepTheirPermissionBits) {
  WriteBytes("data/maxsum.cfg", {0, 1, 0, 2, 0, 3});
  WriteText("game.cfg", "111");
  ASSERT_EQ(::chmod("data/maxsum.cfg", 0600), 0);
  ASSERT_EQ(::chmod("game.cfg", 0640), 0);
  storage::OpenScoreFile(files);
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  ASSERT_TRUE(storage::WriteSettings(state));
  EXPECT_EQ(ModeOf("data/maxsum.cfg"), 0600u);
  EXPECT_EQ(ModeOf("game.cfg"), 0640u);
}

TEST_F(ScoresTest, ALinkedFileIsReplacedBehindItsLink) {
  std::filesystem::create_directory("elsewhere");
  WriteText("elsewhere/settings", "111");
  WriteBytes("elsewhere/scores", {0, 1, 0, 2, 0, 3});
  std::filesystem::create_symlink("elsewhere/settings", "game.cfg");  // relative to its folder
  std::filesystem::create_symlink(directory_ / "elsewhere/scores", "data/maxsum.cfg");
  state.soundOn = false;
  state.bestScore[0] = 5;
  storage::OpenScoreFile(files);
  ASSERT_TRUE(storage::WriteSettings(state));
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_TRUE(std::filesystem::is_symlink("game.cfg"));
  EXPECT_TRUE(std::filesystem::is_symlink("data/maxsum.cfg"));
  EXPECT_EQ(ReadBytes("elsewhere/settings"), (std::vector<uint8_t>{'0', '0', '0'}));
  EXPECT_EQ(ReadBytes("elsewhere/scores"), (std::vector<uint8_t>{0, 5, 0, 2, 0, 3}));
  // The lock and the temporary files live beside the target, not the link.
  EXPECT_TRUE(Leftovers("data", {"maxsum.cfg"}).empty());
  EXPECT_TRUE(Leftovers("elsewhere", {"settings", "scores", "scores.lock"}).empty());

  // A link whose target does not exist yet: the target is made, the link stays.
  std::filesystem::remove("elsewhere/settings");
  ASSERT_TRUE(storage::WriteSettings(state));
  EXPECT_TRUE(std::filesystem::is_symlink("game.cfg"));
  EXPECT_EQ(ReadBytes("elsewhere/settings"), (std::vector<uint8_t>{'0', '0', '0'}));
}

class LoadingPictureTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    std::filesystem::create_directory("data");
    staging->fill(0x5A);
  }
  std::unique_ptr<storage::StagingPixels> staging = std::make_unique<storage::StagingPixels>();
};

TEST_F(LoadingPictureTest, BlueGreenRedBecomesRedGreenBlue) {
  std::vector<uint8_t> file(storage::kLoadingBytes);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 251);
  file[0] = 0x00;  // blue
  file[1] = 0x00;  // green
  file[2] = 0xFF;  // red: the bottom-left pixel is red
  WriteBytes("data/loading.logo", file);
  storage::ReadLoadingPicture(*staging);
  EXPECT_EQ((*staging)[0], 0xFF);
  EXPECT_EQ((*staging)[1], 0x00);
  EXPECT_EQ((*staging)[2], 0x00);
  for (std::size_t p = 0; p < file.size() / 3; ++p) {
    ASSERT_EQ((*staging)[3 * p], file[3 * p + 2]) << p;
    ASSERT_EQ((*staging)[3 * p + 1], file[3 * p + 1]) << p;
    ASSERT_EQ((*staging)[3 * p + 2], file[3 * p]) << p;
  }
  EXPECT_EQ((*staging)[storage::kLoadingBytes], 0x5A);
  EXPECT_EQ((*staging).back(), 0x5A);
}

TEST_F(LoadingPictureTest, ShortFileFillsOnlyWhatItHolds) {
  std::vector<uint8_t> row(1800);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i % 3 + 1);
  WriteBytes("data/loading.logo", row);
  storage::ReadLoadingPicture(*staging);
  for (std::size_t i = 0; i < row.size(); ++i)
    ASSERT_EQ((*staging)[i], 3 - i % 3) << i;  // red, green, blue = 3, 2, 1
  for (std::size_t i = row.size(); i < staging->size(); ++i) ASSERT_EQ((*staging)[i], 0x5A) << i;
}

TEST_F(LoadingPictureTest, PartialPixelStoresItsBlueAndGreenOnly) {
  WriteBytes("data/loading.logo", {0x10, 0x20, 0x30, 0x40, 0x50});
  storage::ReadLoadingPicture(*staging);
  EXPECT_EQ(std::vector<uint8_t>(staging->begin(), staging->begin() + 7),
            (std::vector<uint8_t>{0x30, 0x20, 0x10, 0x5A, 0x50, 0x40, 0x5A}));
}

TEST_F(LoadingPictureTest, MissingOrLongFile) {
  storage::ReadLoadingPicture(*staging);
  EXPECT_TRUE(std::all_of(staging->begin(), staging->end(), [](uint8_t b) { return b == 0x5A; }));

  WriteBytes("data/loading.logo", std::vector<uint8_t>(storage::kLoadingBytes + 4000, 0x01));
  storage::ReadLoadingPicture(*staging);
  EXPECT_EQ((*staging)[storage::kLoadingBytes - 1], 0x01);
  EXPECT_EQ((*staging)[storage::kLoadingBytes], 0x5A);
}

}  // namespace
