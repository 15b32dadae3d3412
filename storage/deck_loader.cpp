// The deck loader: one worker thread reads a deck set with ReadDeck and hands the cards over.
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <utility>

#include "storage/decks.h"
#include "storage/storage_local.h"

namespace storage {

void DeckLoader::Start(PictureSetInfo set) {
  Cancel();
  {
    std::lock_guard<std::mutex> lock(resultsLock_);
    cards_ = {};
    problems_.clear();
  }
  cancel_.store(false);
  finished_.store(false);
  worker_ = std::thread([this, set = std::move(set)] {
    ::pthread_setname_np(::pthread_self(), "DeckLoader");
    // Below the UI thread, so that the menu keeps its frames while a deck is read.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness);
    DeckCards cards;
    std::vector<std::string> problems;
    if (!ReadDeck(set, cards, problems, &cancel_)) cards.faces.clear();
    for (const std::string& problem : problems) ReportProblem(problem);
    {
      std::lock_guard<std::mutex> lock(resultsLock_);
      cards_ = std::move(cards);
      problems_ = std::move(problems);
    }
    finished_.store(true, std::memory_order_release);
  });
}

DeckCards DeckLoader::TakeCards() {
  if (!Finished()) return {};
  std::lock_guard<std::mutex> lock(resultsLock_);
  return std::move(cards_);
}

std::vector<std::string> DeckLoader::TakeProblems() {
  if (!Finished()) return {};
  std::lock_guard<std::mutex> lock(resultsLock_);
  return std::move(problems_);
}

DeckLoader::~DeckLoader() { Cancel(); }

void DeckLoader::Cancel() {
  cancel_.store(true);
  if (worker_.joinable()) worker_.join();
}

}  // namespace storage
