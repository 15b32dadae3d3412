// Decks: sets whose pairs are two cards that belong together (a word and its picture, a sum and
// its result) or two alike cards (a sound twice), read from our own set packages and from the
// files other memory games share. Every deck comes from outside and is untrusted: limits before
// decoding, one line per refused thing, nothing read or written outside the deck.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "storage/photo_faces.h"
#include "storage/picture_sets.h"

namespace storage {

// A deck's cards, ready for the board. With twoKinds, faces holds two cards per pair, the
// pair's first card then its second ([first 0, second 0, first 1, ...]); otherwise one per pair,
// dealt twice like a picture set's face. divided: the first cards belong on one half of the
// board, the second cards on the other.
struct DeckCards {
  std::vector<FaceImage> faces;
  bool twoKinds = false;
  bool divided = false;
};

// The sets a path offers when it is a deck: one for our package or a Sugar Memorize game, one per
// supported game for a KDE Pairs theme; empty when the path is no deck (a plain folder of
// photos, a picture set). Reads only what naming the sets needs. Any thread.
std::vector<PictureSetInfo> DeckSetsAt(const std::string& path);

// Reads the cards of a deck set. A pair that cannot be used (a missing or undecodable picture or
// sound, a card with nothing on it) is skipped with one line in problems; false, with the reason
// as problems' last line, when the whole deck is refused. Stops early (false) once cancel is
// set. Any thread: the picture sets' loader calls it off the UI thread.
bool ReadDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
              const std::atomic<bool>* cancel = nullptr);

// Reads one deck set with ReadDeck on a worker thread of its own, below the UI thread's
// priority, as PhotoSetLoader prepares a folder of photos.
class DeckLoader {
 public:
  DeckLoader() = default;
  DeckLoader(const DeckLoader&) = delete;
  DeckLoader& operator=(const DeckLoader&) = delete;
  // Starts reading set; a read in progress is cancelled first and its result dropped. UI thread.
  void Start(PictureSetInfo set);
  // True once the worker has finished (also before any Start). Any thread.
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // The cards read (empty faces when the deck was refused) and the problems, each also printed
  // once to stderr; nothing before Finished. UI thread.
  DeckCards TakeCards();
  std::vector<std::string> TakeProblems();
  // Cancels a read in progress and joins the worker.
  ~DeckLoader();

 private:
  void Cancel();
  std::thread worker_;
  std::atomic<bool> finished_{true};
  std::atomic<bool> cancel_{false};
  // Handed over from the worker at its end, under resultsLock_.
  std::mutex resultsLock_;
  DeckCards cards_;
  std::vector<std::string> problems_;
};

}  // namespace storage
