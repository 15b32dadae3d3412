// Where the files live: the choice between the run directory and the installed game, the XDG
// places of the saved files, and the settings and scores read and saved there by the same rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "scratch_directory.h"
#include "storage/files.h"
#include "storage/paths.h"

namespace {

namespace fs = std::filesystem;
using storage::FileMode;
using storage_test::ScratchDirectory;

class PathsTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    root = directory_.string();
    fs::create_directories(root + "/work");
    fs::create_directories(root + "/prefix/bin");
    fs::create_directories(root + "/home");
    clues.workingDirectory = root + "/work";
    clues.executableFolder = root + "/prefix/bin";
    clues.installedDataFromBin = "../share/tessary";
    clues.installedLocaleFromBin = "../share/locale";
    clues.home = root + "/home";
  }
  void TearDown() override {
    storage::UsePlaces(storage::RunDirectoryPlaces());
    ScratchDirectory::TearDown();
  }
  void Touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    WriteText(path, "x");
  }
  storage::FilePlaces Decide() {
    storage::FilePlaces places;
    std::string problem;
    EXPECT_TRUE(storage::DecidePlaces(clues, places, problem)) << problem;
    return places;
  }
  static unsigned ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
  }

  std::string root;
  storage::PlaceClues clues;
};

TEST_F(PathsTest, AWorkingDirectoryWithTheDataIsTheRunDirectoryWhateverElseIsThere) {
  Touch(root + "/prefix/share/tessary/data/game.px");
  Touch(root + "/prefix/bin/data/game.px");
  Touch(root + "/elsewhere/data/game.px");
  clues.dataDirOverride = root + "/elsewhere";
  clues.xdgConfigHome = root + "/config";
  // A package that is a directory, or a run directory that lost its package, still counts:
  // the damage is reported instead of playing with other data.
  for (const std::string present : {"data/game.px", "data/loading.logo"}) {
    fs::remove_all(root + "/work/data");
    if (present == "data/game.px")
      fs::create_directories(root + "/work/data/game.px");
    else
      Touch(root + "/work/" + present);
    storage::UsePlaces(Decide());
    EXPECT_EQ(storage::CurrentPlaces().mode, FileMode::runDirectory) << present;
    EXPECT_EQ(storage::PathOf(storage::kPackagePath), "data/game.px");
    EXPECT_EQ(storage::PathOf(storage::kSoundFiles[0]), "music/menu.wma");
    EXPECT_EQ(storage::PathOf(storage::kSettingsPath), "game.cfg");
    EXPECT_EQ(storage::PathOf(storage::kBestScorePath), "data/maxsum.cfg");
    EXPECT_EQ(storage::CurrentPlaces().localeFolder, "locale");
  }
}

TEST_F(PathsTest, InstalledDataIsFoundFromTheExecutableThenBesideItUnlessOverridden) {
  Touch(root + "/prefix/bin/data/game.px");  // a build tree: data beside the binary
  EXPECT_EQ(Decide().dataFolder, root + "/prefix/bin");

  Touch(root + "/prefix/share/tessary/data/game.px");
  storage::UsePlaces(Decide());
  EXPECT_EQ(storage::CurrentPlaces().mode, FileMode::installed);
  EXPECT_EQ(storage::PathOf(storage::kPackagePath),
            root + "/prefix/share/tessary/data/game.px");
  EXPECT_EQ(storage::PathOf(storage::kIconPath), root + "/prefix/share/tessary/data/icon.bmp");
  EXPECT_EQ(storage::PathOf(storage::kSoundFiles[8]),
            root + "/prefix/share/tessary/music/about.wma");
  EXPECT_EQ(storage::CurrentPlaces().localeFolder, root + "/prefix/share/locale");
  // The catalogues' override, for tests pointing at a build's.
  ::setenv("TESSARY_LOCALE_DIR", "/somewhere/locale", 1);
  EXPECT_EQ(storage::LocaleFolder(), "/somewhere/locale");
  ::unsetenv("TESSARY_LOCALE_DIR");
  EXPECT_EQ(storage::LocaleFolder(), root + "/prefix/share/locale");

  // TESSARY_DATA_DIR wins over both, a relative value taken from the working directory; a run
  // directory named so brings its own catalogues.
  Touch(root + "/work/mine/data/game.px");
  clues.dataDirOverride = "mine";
  EXPECT_EQ(Decide().dataFolder, root + "/work/mine");
  fs::create_directories(root + "/work/mine/locale");
  EXPECT_EQ(Decide().localeFolder, root + "/work/mine/locale");
}

TEST_F(PathsTest, NoDataFoundNamesEveryPlaceLookedIn) {
  storage::FilePlaces places;
  std::string problem;
  EXPECT_FALSE(storage::DecidePlaces(clues, places, problem));
  EXPECT_EQ(problem, "cannot find the game's data (data/game.px): looked in " + root +
                         "/work (the working directory), " + root +
                         "/prefix/share/tessary (installed with the game), " + root +
                         "/prefix/bin (beside the game)");
  EXPECT_EQ(problem.find('\n'), std::string::npos);

  // An override that holds nothing is not silently passed over.
  Touch(root + "/prefix/share/tessary/data/game.px");
  clues.dataDirOverride = root + "/empty";
  EXPECT_FALSE(storage::DecidePlaces(clues, places, problem));
  EXPECT_EQ(problem, "cannot find the game's data (data/game.px): looked in " + root +
                         "/work (the working directory), " + root + "/empty (TESSARY_DATA_DIR)");
}

TEST_F(PathsTest, SavedFilesGoToTheXdgFoldersAndRelativeValuesAreIgnored) {
  Touch(root + "/prefix/share/tessary/data/game.px");
  storage::FilePlaces places = Decide();
  EXPECT_EQ(places.settingsFile, root + "/home/.config/tessary/game.cfg");
  EXPECT_EQ(places.bestScoreFile, root + "/home/.local/share/tessary/maxsum.cfg");
  EXPECT_EQ(places.photoCacheFolder, root + "/home/.cache/tessary/photos");

  clues.xdgConfigHome = root + "/cfg/";
  clues.xdgDataHome = root + "/share";
  clues.xdgCacheHome = root + "/cache";
  places = Decide();
  EXPECT_EQ(places.settingsFile, root + "/cfg/tessary/game.cfg");
  EXPECT_EQ(places.bestScoreFile, root + "/share/tessary/maxsum.cfg");
  EXPECT_EQ(places.historyFile, root + "/share/tessary/history");  // beside the best scores
  EXPECT_EQ(places.photoCacheFolder, root + "/cache/tessary/photos");
  storage::UsePlaces(places);
  std::string problem;
  ASSERT_TRUE(storage::MakePhotoCacheFolder(problem)) << problem;
  EXPECT_EQ(ModeOf(root + "/cache/tessary/photos"), 0700u);

  clues.xdgConfigHome = "cfg";
  clues.xdgDataHome = "./share";
  clues.xdgCacheHome = "cache";
  places = Decide();
  EXPECT_EQ(places.settingsFile, root + "/home/.config/tessary/game.cfg");
  EXPECT_EQ(places.bestScoreFile, root + "/home/.local/share/tessary/maxsum.cfg");
  EXPECT_EQ(places.photoCacheFolder, root + "/home/.cache/tessary/photos");
}

class InstalledFilesTest : public PathsTest {
 protected:
  void SetUp() override {
    PathsTest::SetUp();
    Touch(root + "/prefix/share/tessary/data/game.px");
    clues.xdgDataHome = root + "/xdg-data";
  }
  std::string settingsFile() const { return root + "/home/.config/tessary/game.cfg"; }
  std::string scoresFile() const { return root + "/xdg-data/tessary/maxsum.cfg"; }
  game::GameState state;
  storage::FileState files;
};

TEST_F(InstalledFilesTest, FirstSaveMakesPrivateFoldersAndWritesNothingUnderThePrefix) {
  fs::permissions(root + "/home", fs::perms(0755));
  storage::UsePlaces(Decide());
  storage::ReadSettings(state, files, nullptr);
  storage::ReadBestScores(state, files);
  storage::OpenScoreFile(files);
  EXPECT_FALSE(fs::exists(root + "/home/.config")) << "folders are made when first saved";

  state.soundOn = false;
  state.bestScore[1] = 0x1234;
  ASSERT_TRUE(storage::WriteSettings(state));
  ASSERT_TRUE(storage::WriteBestScores(state, files));
  EXPECT_EQ(ReadBytes(settingsFile()), (std::vector<uint8_t>{'0', '1', '1'}));
  EXPECT_EQ(ReadBytes(scoresFile()), (std::vector<uint8_t>{0, 0, 0x12, 0x34, 0, 0}));
  for (const std::string& folder : {root + "/home/.config", root + "/home/.config/tessary",
                                    root + "/xdg-data", root + "/xdg-data/tessary"})
    EXPECT_EQ(ModeOf(folder), 0700u) << folder;
  EXPECT_EQ(ModeOf(root + "/home"), 0755u) << "HOME is left as it was";
  EXPECT_TRUE(Leftovers("work", {}).empty());
  EXPECT_TRUE(Leftovers("prefix/share/tessary/data", {"game.px"}).empty());
}

TEST_F(InstalledFilesTest, ReadRulesAreTheRunDirectorysIncludingTheCarriedByte) {
  Touch(settingsFile());
  WriteText(settingsFile(), "0");  // one byte: it repeats, and it carries into the score read
  Touch(scoresFile());
  WriteText(scoresFile(), "");
  storage::UsePlaces(Decide());
  storage::ReadSettings(state, files, nullptr);
  storage::ReadBestScores(state, files);
  EXPECT_FALSE(state.soundOn || state.musicOn || state.vsyncOn);
  for (int32_t best : state.bestScore) EXPECT_EQ(best, '0' * 256 + '0');

  // A directory in place of the settings file reads as missing: everything on.
  fs::remove(settingsFile());
  fs::create_directories(settingsFile());
  storage::ReadSettings(state, files, nullptr);
  EXPECT_TRUE(state.soundOn && state.musicOn && state.vsyncOn);
}

TEST_F(InstalledFilesTest, NoHomeToSaveInIsOneLinePerFileAndNothingWritten) {
  clues.xdgDataHome.clear();
  for (const std::string& home : {std::string(), std::string("relative/home"),
                                  root + "/missing-home", root + "/a-file"}) {
    SCOPED_TRACE("HOME=" + home);
    if (home == root + "/a-file") WriteText(home, "");
    clues.home = home;
    storage::UsePlaces(Decide());
    storage::ReadSettings(state, files, nullptr);
    storage::ReadBestScores(state, files);
    storage::OpenScoreFile(files);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(storage::WriteSettings(state));
    EXPECT_FALSE(storage::WriteBestScores(state, files));
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    if (home.empty() || home.front() != '/') {
      EXPECT_NE(text.find("tessary: game.cfg: could not be saved: neither XDG_CONFIG_HOME nor "
                          "HOME names an absolute folder\n"), std::string::npos) << text;
      EXPECT_NE(text.find("tessary: maxsum.cfg: could not be saved"), std::string::npos);
    } else {
      EXPECT_NE(text.find("tessary: " + home + "/.config/tessary/game.cfg: could not be saved: "
                          "cannot make the folder " + home + "/.config: "),
                std::string::npos) << text;
      EXPECT_FALSE(fs::is_directory(home)) << "HOME itself is never made";
    }
  }
  EXPECT_TRUE(Leftovers("work", {}).empty());
}

}  // namespace
