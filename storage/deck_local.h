// Inside the deck readers: one reader per format, behind storage/decks.h.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "storage/decks.h"

namespace storage {

// Each: the sets a path offers in its format (empty when it is not one), and the reading of a set
// of its format, with DeckSetsAt's and ReadDeck's contracts.
std::vector<PictureSetInfo> OwnDeckSetsAt(const std::string& path);
bool ReadOwnDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
                 const std::atomic<bool>* cancel);

std::vector<PictureSetInfo> SugarDeckSetsAt(const std::string& path);
bool ReadSugarDeck(const PictureSetInfo& set, DeckCards& cards,
                   std::vector<std::string>& problems, const std::atomic<bool>* cancel);

std::vector<PictureSetInfo> KdeDeckSetsAt(const std::string& path);
bool ReadKdeDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
                 const std::atomic<bool>* cancel);

}  // namespace storage
