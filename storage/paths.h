// Where every file of the game lives. Two modes: the run directory (the working directory holds
// the data; every file relative to it) and the installed game (data found from the executable's
// place, settings and best scores in the user's XDG folders). Decided once by ChooseFileMode at
// start-up, before any other thread starts, and read-only afterwards. Nothing else in the game
// builds the path of one of its files.
#pragma once

#include <string>
#include <string_view>

namespace storage {

enum class FileMode { runDirectory, installed };

// What the decision looks at. ChooseFileMode fills it from the process; tests fill it by hand.
// Empty strings stand for unset variables or an unknown folder.
struct PlaceClues {
  std::string workingDirectory;      // absolute; named in the message when no data is found
  std::string executableFolder;      // absolute
  std::string installedDataFromBin;  // relative, from the executable's folder to share/tessary
  std::string installedLocaleFromBin;  // relative, from the executable's folder to share/locale
  std::string dataDirOverride;       // TESSARY_DATA_DIR
  std::string home;                  // HOME
  std::string xdgConfigHome;         // XDG_CONFIG_HOME
  std::string xdgDataHome;           // XDG_DATA_HOME
  std::string xdgCacheHome;          // XDG_CACHE_HOME
};

// The outcome: where the data is read from and where the two saved files go.
struct FilePlaces {
  FileMode mode = FileMode::runDirectory;
  std::string dataFolder;       // holds data/ and music/; empty: the working directory
  std::string settingsFile;     // empty when the installed game has no home to save in
  std::string bestScoreFile;    // likewise
  std::string historyFile;      // likewise; beside the best scores
  std::string settingsAnchor;   // an existing folder above settingsFile that is never created
  std::string bestScoreAnchor;  // likewise for bestScoreFile and historyFile
  // The player's own picture sets, one folder each: the data's pictures folder in the run
  // directory, XDG_DATA_HOME's tessary/pictures when installed (empty without a home). Only read.
  std::string playerPicturesFolder;
  std::string photoCacheFolder;  // prepared faces of the player's photos; empty: no cache
  std::string photoCacheAnchor;  // likewise for photoCacheFolder
  // The compiled catalogues, CODE/LC_MESSAGES/tessary.mo: the run directory's locale folder;
  // when installed, the data folder's when it holds one (a run directory named by
  // TESSARY_DATA_DIR), else the installed locale folder found from the executable.
  std::string localeFolder;
};

// The run-directory places: what every caller gets before ChooseFileMode has run.
FilePlaces RunDirectoryPlaces();

// Decides from the clues. Returns false, with problem set to one line naming every place looked
// in, when neither the working directory nor an installed data folder holds the data.
bool DecidePlaces(const PlaceClues& clues, FilePlaces& places, std::string& problem);

// Decides from this process (working directory, /proc/self/exe, environment) and keeps the
// outcome for the run. Returns false after that one line on stderr when no data is found.
bool ChooseFileMode();

// Replaces the places kept for the run; for ChooseFileMode and tests, before threads start.
void UsePlaces(FilePlaces places);
const FilePlaces& CurrentPlaces();

// The native path of one of the game's files, given by its stored name from formats.h, in the
// mode chosen. Empty for a saved file that the installed game has no place for.
std::string PathOf(std::string_view stored);

// The folder of the compiled catalogues; TESSARY_LOCALE_DIR, when set and not empty, overrides
// the mode's (tests point it at the build's). Any thread once the mode is chosen.
std::string LocaleFolder();

// The folder whose sub-folders are the player's own picture sets; empty when there is none.
std::string PlayerPicturesFolder();

// The native path to save a stored file to. In the installed mode the missing folders between
// the anchor and the file are made first, private to the user (0700). Empty, after one message
// naming the file and the reason, when there is no place or a folder cannot be made; with
// `problem` given, the reason goes there instead of stderr.
std::string SavePathOf(std::string_view stored, std::string* problem = nullptr);

// The folder of the prepared photo faces: cache/photos in the run directory, else
// $XDG_CACHE_HOME/tessary/photos (~/.cache/tessary/photos). Empty when there is no place.
std::string PhotoCacheFolder();

// Makes the photo cache folder (and those between its anchor and it, private to the user).
// Returns false with problem set to one line naming the folder and the reason; prints nothing.
bool MakePhotoCacheFolder(std::string& problem);

}  // namespace storage
