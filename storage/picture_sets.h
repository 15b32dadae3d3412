// The picture sets a player can choose: the classic faces of the game's own package, the
// built-in set packages of the data's pictures folder, and folders of the player's own pictures
// (each folder a set, named by the folder). Reading a set's faces: a package here, a folder
// through PhotoSetLoader (storage/photo_faces.h). Nothing here ever writes into a folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/photo_faces.h"

namespace storage {

// What a set package's manifest says (docs/formats.md).
struct SetManifest {
  TranslatedName name;  // UTF-8, each at most kMaxSetNameCharacters; the English one required
  std::string author;
  std::string licence;
  std::vector<TranslatedName> faceNames;  // [n]: face box<n + 1>.jpg's; empty English: not named
};
inline constexpr int kMaxSetNameCharacters = 32;

// Reads a manifest leniently (byte-order mark, CR LF, blanks, comments, unknown keys and the
// case of keys are all fine). Returns false with problem set to one line (without the file's
// name) when the text is too large, not UTF-8, holds a control character or a line that is not
// "key = value", names a key twice, or gives no name or one that is too long.
bool ParseSetManifest(std::string_view text, SetManifest& manifest, std::string& problem);

enum class SetKind { classic, package, folder, files, deck };

// Who made a deck's file: our own set package with its pairs in the manifest, a Sugar Memorize
// game (a ZIP holding game.xml), or a KDE Pairs theme (NAME.pairs.tar.bz2, .zip or a folder).
enum class DeckFormat : uint8_t { none, own, sugar, kdePairs };

// Which game of a deck a set plays: the deck's own pairs, or one of those a KDE Pairs theme
// offers (the same picture twice, its two pictures, a picture and its word, a picture and its
// sound); a theme is listed once for each game it supports.
enum class DeckGame : uint8_t { pairs, samePicture, twoPictures, pictureAndWord, pictureAndSound };

struct PictureSetInfo {
  SetKind kind = SetKind::classic;
  TranslatedName name;  // UTF-8; a folder's set is named by the folder
  std::vector<TranslatedName> faceNames;  // a package's, as its manifest gives them
  std::vector<std::string> paths;  // the package, the folder, or the files
  std::string key;  // what tessary.conf keeps: "classic", a package's stem, or an absolute path
  int pictureCount = 0;  // the classic and package sets' faces; 0 for folders until loaded
  DeckFormat deckFormat = DeckFormat::none;  // a deck's (kind deck)
  DeckGame deckGame = DeckGame::pairs;
};

// The classic set: the ten faces of the game's own package.
PictureSetInfo ClassicSet();

// The sets in the selector's order: the classic set, the built-in packages of builtInFolder
// (sorted by file name; a package whose manifest gives pairs is a deck of our own format) and the folders inside playerFolder (sorted by name, hidden ones
// skipped). A package that is not a valid set is left out after one line on stderr; a missing
// folder gives no sets. UI thread, at start.
std::vector<PictureSetInfo> FindPictureSetsIn(const std::string& builtInFolder,
                                              const std::string& playerFolder);
// The same in the places storage/paths gives.
std::vector<PictureSetInfo> FindPictureSets();

// A set of the player's own pictures from paths (a folder, or files dropped together), named by
// the folder or, for files, by the folder holding the first of them.
PictureSetInfo PlayerSet(const std::vector<std::string>& paths);

// Reads the faces of a set package: box1.jpg ... box<count>.jpg, each kFacePixels square. An
// entry that cannot be read, decoded or is of another size is skipped after one line on stderr,
// and counted in skipped.
std::vector<FaceImage> ReadSetFaces(const PictureSetInfo& set, int& skipped);

// The faces of a built-in set package at kHighResolutionFactor times kFacePixels, from the
// package of the same file name in highResolutionFolder (by default the data's pictures-2x).
// All of the set's faces or none: empty, after one line on stderr, when that package is missing
// or one of its faces cannot be used; the game then keeps the faces of ReadSetFaces.
std::vector<FaceImage> ReadHighResolutionSetFaces(const PictureSetInfo& set,
                                                  const std::string& highResolutionFolder);
std::vector<FaceImage> ReadHighResolutionSetFaces(const PictureSetInfo& set);

}  // namespace storage
