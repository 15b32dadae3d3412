// The newer settings file: lenient reading, unknown keys kept, its place beside game.cfg.
#include "storage/preferences.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "scratch_directory.h"
#include "storage/paths.h"

namespace {

using storage::Preferences;
using storage_test::ScratchDirectory;

TEST(Preferences, ReadsLenientlyAndWritesBackWhatItDoesNotKnow) {
  std::vector<std::string> problems;
  const Preferences read = Preferences::Parse(
      "# a comment\n"
      "players = computer\r\n"
      "\n"
      "just words\n"
      " = no key\n"
      "future.key=  kept as it is  \n"
      "players=3\n"
      "pictures = /home/a b/photos = mine",
      problems);
  EXPECT_EQ(problems, (std::vector<std::string>{"line 4 is not \"key = value\"",
                                                "line 5 is not \"key = value\""}));
  EXPECT_EQ(read.Find("players"), "3") << "the last of a key named twice holds";
  EXPECT_EQ(read.Find("pictures"), "/home/a b/photos = mine");
  EXPECT_EQ(read.Find("missing"), std::nullopt);
  EXPECT_EQ(read.Text(), "players = 3\nfuture.key = kept as it is\n"
                         "pictures = /home/a b/photos = mine\n");

  // What it writes it reads back the same; what it could not read back it refuses.
  Preferences changed = read;
  EXPECT_TRUE(changed.Set("players", "2"));
  EXPECT_FALSE(changed.Set("bad=key", "x"));
  EXPECT_FALSE(changed.Set("key", "two\nlines"));
  EXPECT_FALSE(changed.Set("  ", "x"));
  EXPECT_EQ(Preferences::Parse(changed.Text(), problems).Text(), changed.Text());
  EXPECT_EQ(problems.size(), 2u);
}

class PreferencesFile : public ScratchDirectory {
 protected:
  void TearDown() override {
    storage::UsePlaces(storage::RunDirectoryPlaces());
    ScratchDirectory::TearDown();
  }
};

TEST_F(PreferencesFile, LivesBesideTheSwitchesAndSurvivesBadFiles) {
  // Missing: nothing, quietly.
  testing::internal::CaptureStderr();
  EXPECT_EQ(storage::ReadPreferences().Text(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  Preferences chosen;
  chosen.Set("players", "4");
  ASSERT_TRUE(storage::WritePreferences(chosen));
  EXPECT_EQ(storage::ReadPreferences().Find("players"), "4");
  EXPECT_TRUE(Leftovers(".", {"tessary.conf"}).empty());

  // Binary junk reads as what can be read, each bad line named once.
  WriteBytes("tessary.conf", {'p', '=', '1', '\n', 0, 1, 2, '\n', 0xff, 0xfe});
  testing::internal::CaptureStderr();
  EXPECT_EQ(storage::ReadPreferences().Find("p"), "1");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: tessary.conf: line 2 is not \"key = value\", ignored\n"
            "tessary: tessary.conf: line 3 is not \"key = value\", ignored\n");

  // A folder in its place: the defaults, one line, and a failed save that says so.
  std::filesystem::remove("tessary.conf");
  std::filesystem::create_directory("tessary.conf");
  testing::internal::CaptureStderr();
  EXPECT_EQ(storage::ReadPreferences().Text(), "");
  EXPECT_FALSE(storage::WritePreferences(chosen));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("tessary.conf: cannot be read: Is a directory"), std::string::npos) << said;

  // Installed: in the settings folder, beside game.cfg, made private on the first save.
  storage::FilePlaces places = storage::RunDirectoryPlaces();
  places.mode = storage::FileMode::installed;
  places.settingsAnchor = directory_.string();
  places.settingsFile = (directory_ / "config/tessary/game.cfg").string();
  storage::UsePlaces(places);
  ASSERT_TRUE(storage::WritePreferences(chosen));
  struct stat info {};
  ASSERT_EQ(::stat("config/tessary/tessary.conf", &info), 0);
  ASSERT_EQ(::stat("config/tessary", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
