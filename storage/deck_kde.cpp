// Not yet read: this format's reader comes next.
#include "storage/deck_local.h"

namespace storage {

std::vector<PictureSetInfo> KdeDeckSetsAt(const std::string&) { return {}; }

bool ReadKdeDeck(const PictureSetInfo&, DeckCards&, std::vector<std::string>& problems,
                 const std::atomic<bool>*) {
  problems.push_back("this kind of deck cannot be read yet");
  return false;
}

}  // namespace storage
