// The built-in learning decks, in our own deck format (docs/formats.md, "Decks"): capital and
// small letters of two alphabets, numbers and their dots, animals and their names, and sounds
// to match by ear. Called from the generator's picture thread (it draws with pango).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "tools/catalogue.h"
#include "tools/image_file.h"

namespace tools {

// One deck package: its file's stem (data/pictures/STEM.px), its manifest and its entries (the
// pictures as JPEG, the sounds as WAV), the manifest not among them.
struct DeckArt {
  std::string fileStem;
  std::string manifest;
  std::vector<PackageItem> entries;
};

// The decks, named (and their words written) in English, Chinese ("zh") and the language of
// each catalogue that translates them. The same bytes on every call.
std::vector<DeckArt> MakeDecks(std::span<const Catalogue> catalogues);

}  // namespace tools
