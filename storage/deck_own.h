// Our own deck package: a set package (NAME.px, a ZIP) whose manifest set.txt also gives pairs
// of cards (docs/formats.md, "Decks"). The manifest's reading is here for the readers, the
// picture sets' listing, the fuzz target and the tests; not for other folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/picture_sets.h"

namespace storage {

// One card as the manifest gives it: entry names of the package (empty: none) and a word.
struct DeckCardEntries {
  std::string picture;
  TranslatedName word;  // english empty: no word (a translation alone is none)
  std::string sound;
  bool IsEmpty() const { return picture.empty() && word.english.empty() && sound.empty(); }
};

struct DeckPairEntries {
  DeckCardEntries first;   // pair.N.a.*
  DeckCardEntries second;  // pair.N.b.*; all empty: two alike cards of first
  TranslatedName name;     // pair.N.name: what the pair is called when its cards have no word
};

struct DeckManifest {
  SetManifest set;  // name, author, licence (no face names)
  bool divided = false;
  std::vector<DeckPairEntries> pairs;  // pair.1 ... up to the first missing number
  bool morePairs = false;  // numbers past the deck's limit were given (and left out)
  // Two-kind: any pair has a second card.
  bool TwoKinds() const;
};

// Whether a manifest gives any "pair." key (case aside): a deck rather than a picture set.
bool IsDeckManifest(std::string_view text);

// Reads a deck's manifest with the set manifest's leniency and refusals, and up to 64 KiB. Also
// false, with problem set to one line, for a word or pair name longer than a set's name, an
// entry name that is empty of sense (absolute, with "..", longer than 255 bytes), divided other
// than 0 or 1, or no pair at all. Any thread.
bool ParseDeckManifest(std::string_view text, DeckManifest& manifest, std::string& problem);

// Which pairs of a parsed manifest can be dealt: each index with, for those left out, one line
// in problems (a pair with nothing on its first card; on a two-kind deck, a pair without a
// second card). Any thread.
std::vector<std::size_t> UsablePairs(const DeckManifest& manifest,
                                     std::vector<std::string>* problems);

// Whether the file at path is our deck package: 1 with set filled (kind deck, format own, name,
// paths, pictureCount = usable pairs; key left for the caller), 0 when it is not one (no ZIP, no
// set.txt, no pair keys), -1 when it is one that is refused (problem set, naming the file).
// Prints nothing. Any thread.
int ReadOwnDeckInfo(const std::string& path, PictureSetInfo& set, std::string& problem);

}  // namespace storage
