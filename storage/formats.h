// Every name and size of Tessary's files, in one place: the readers, the writers and the data
// generator all include this header. Paths are relative to the run directory and keep their
// stored spelling with a backslash; NativePath turns it into '/'. Where the run directory is
// (and where the two saved files go when the game is installed) is storage/paths.h's business.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace storage {

inline constexpr std::string_view kSettingsPath = "game.cfg";
inline constexpr std::string_view kBestScorePath = "data\\maxsum.cfg";
inline constexpr std::string_view kLoadingPicturePath = "data\\loading.logo";
inline constexpr std::string_view kPackagePath = "data\\game.px";
// The same pictures at twice their size, for a window at least 1.5 times the 800 x 600 picture.
// Optional: without it (or with a broken one) the game keeps the pictures of kPackagePath.
inline constexpr std::string_view kHighResolutionPackagePath = "data\\game-2x.px";
// The entry of a high-resolution package that names the package it was drawn from: one line
// "<entry name> <CRC-32 of that entry there, 8 hex digits>" per picture. A player's own game.px
// does not match, and keeps its own pictures at every size.
inline constexpr std::string_view kHighResolutionSourceEntry = "source.txt";
inline constexpr std::string_view kIconPath = "data\\icon.bmp";
// The choices added beside the three switches: `key = value` lines, beside game.cfg.
inline constexpr std::string_view kPreferencesPath = "tessary.conf";
// One line per finished game, appended; beside the best scores (storage/history.h).
inline constexpr std::string_view kHistoryPath = "data\\history";

// Settings: three characters, sound, music, vsync; "0" is off, anything else on.
inline constexpr std::size_t kSettingsBytes = 3;
// Best scores: easy, normal, hard, each unsigned 16-bit, high byte first.
inline constexpr std::size_t kBestScoreBytes = 6;

// Loading picture: raw blue-green-red, bottom row first, no header, no padding.
inline constexpr int kLoadingWidth = 600;
inline constexpr int kLoadingHeight = 450;
inline constexpr std::size_t kLoadingBytes = std::size_t{kLoadingWidth} * kLoadingHeight * 3;

// The one upload buffer for every texture: the largest picture the package may hold.
inline constexpr int kMaxPictureWidth = 800;
inline constexpr int kMaxPictureHeight = 600;
// The high-resolution packages hold every picture at this many times its size.
inline constexpr int kHighResolutionFactor = 2;
inline constexpr std::size_t kStagingBytes = std::size_t{kMaxPictureWidth} * kMaxPictureHeight * 3;
using StagingPixels = std::array<uint8_t, kStagingBytes>;

// The package's entries, in the order in which they become textures 0..36.
inline constexpr int kTextureCount = 37;
inline constexpr std::array<std::string_view, kTextureCount> TextureTable = {
    "menu.jpg",    "star.jpg",   "tlite.jpg",     "esay.jpg",   "esays.jpg",  "normal.jpg",
    "normals.jpg", "hard.jpg",   "hards.jpg",     "readme.jpg", "readmes.jpg", "out.jpg",
    "outs.jpg",    "about.jpg",  "abouts.jpg",    "s_on.jpg",   "s_off.jpg",  "m_on.jpg",
    "m_off.jpg",   "back.jpg",   "backs.jpg",     "pe.jpg",     "readmeshow.jpg", "game.jpg",
    "box1.jpg",    "box2.jpg",   "box3.jpg",      "box4.jpg",   "box5.jpg",   "box6.jpg",
    "box7.jpg",    "box8.jpg",   "box9.jpg",      "box10.jpg",  "box.jpg",    "fps_on.jpg",
    "fps_off.jpg",
};

// Pictures the package may hold beyond the table: a package without them (an older one, a
// player's own) still plays, and the controls they dress are drawn from text alone.
inline constexpr int kOptionalPictureCount = 3;
inline constexpr std::array<std::string_view, kOptionalPictureCount> OptionalPictureTable = {
    "selector.jpg", "selectors.jpg",  // a menu selector, resting and lit
    "readmeshow_blank.jpg",           // the help page without its words
};

// The labelled buttons and switches that also come without their label: entry
// BlankPictureEntry("esay.jpg") == "esay_blank.jpg" is "esay.jpg" at the same size, frame, glow
// and body, with no text, for a label in any language written over it. Optional like the table
// above; they follow it in the package, in this order.
inline constexpr int kBlankPictureCount = 20;
inline constexpr std::array<std::string_view, kBlankPictureCount> BlankPictureSources = {
    "esay.jpg",   "esays.jpg",   "normal.jpg", "normals.jpg", "hard.jpg",  "hards.jpg",
    "readme.jpg", "readmes.jpg", "out.jpg",    "outs.jpg",    "about.jpg", "abouts.jpg",
    "s_on.jpg",   "s_off.jpg",   "m_on.jpg",   "m_off.jpg",   "back.jpg",  "backs.jpg",
    "fps_on.jpg", "fps_off.jpg",
};
inline constexpr std::string_view kBlankPictureSuffix = "_blank";

// The label-less entry of the labelled entry "NAME.jpg": "NAME_blank.jpg".
inline std::string BlankPictureEntry(std::string_view labelled) {
  const std::string_view stem = labelled.substr(0, labelled.rfind('.'));
  return std::string(stem) + std::string(kBlankPictureSuffix) +
         std::string(labelled.substr(stem.size()));
}

// Picture sets: packages like game.px holding the faces box1.jpg ... boxN.jpg (numbered from 1
// without gaps) and the manifest entry kSetManifestEntry, lines of "key = value" in UTF-8
// (docs/formats.md). The built-in sets are the files "*.px" of the pictures folder in the data.
inline constexpr std::string_view kPicturesFolder = "data\\pictures";
// The built-in sets' faces at twice their size, a package of the same file name each; outside
// kPicturesFolder, whose sub-folders are a player's own sets in the run directory.
inline constexpr std::string_view kHighResolutionPicturesFolder = "data\\pictures-2x";
inline constexpr std::string_view kSetPackageSuffix = ".px";
inline constexpr std::string_view kSetManifestEntry = "set.txt";
inline constexpr int kMaxSetPictures = 100;
// Room for a set of a few dozen faces named in a dozen languages (a built-in set: 3 to 5 KB).
inline constexpr std::size_t kMaxManifestBytes = 16384;

// The name of face entry number picture (0-based): "box1.jpg" for 0.
inline std::string SetFaceEntry(int picture) {
  return "box" + std::to_string(picture + 1) + ".jpg";
}

// The nine media files, slot by slot: menu music, button, game music, box, error, bingo, lose,
// win, about music.
inline constexpr int kSoundSlotCount = 9;
inline constexpr std::array<std::string_view, kSoundSlotCount> kSoundFiles = {
    "music\\menu.wma", "music\\button.wav", "music\\game.wma",
    "music\\box.wav",  "music\\error.wav",  "music\\bingo.wav",
    "music\\lose.wav", "music\\win.wav",    "music\\about.wma",
};

// The stored path with '\' read as the directory separator '/'.
inline std::string NativePath(std::string_view stored) {
  std::string path(stored);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace storage
