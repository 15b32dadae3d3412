#include "storage/decks.h"

#include "storage/deck_local.h"

namespace storage {

std::vector<PictureSetInfo> DeckSetsAt(const std::string& path) {
  for (auto* find : {OwnDeckSetsAt, SugarDeckSetsAt, KdeDeckSetsAt}) {
    std::vector<PictureSetInfo> sets = find(path);
    if (!sets.empty()) return sets;
  }
  return {};
}

bool ReadDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
              const std::atomic<bool>* cancel) {
  cards = {};
  switch (set.deckFormat) {
    case DeckFormat::own:
      return ReadOwnDeck(set, cards, problems, cancel);
    case DeckFormat::sugar:
      return ReadSugarDeck(set, cards, problems, cancel);
    case DeckFormat::kdePairs:
      return ReadKdeDeck(set, cards, problems, cancel);
    case DeckFormat::none:
      break;
  }
  problems.push_back(set.paths.empty() ? "not a deck" : set.paths.front() + ": not a deck");
  return false;
}

}  // namespace storage
