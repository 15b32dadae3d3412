// Sugar Memorize games: a ZIP holding game.xml (at its top or in one folder) with the pictures in
// images/ and the sounds in sounds/ beside it. The root element <memorize name="..."
// divided="0|1" equal_pairs="0|1" ...> holds one <pair> per pair; each card of a pair is given by
// attributes with its side's letter: achar/bchar (its text), aimg/bimg (a picture),
// asnd/bsnd (a sound), aspeak/bspeak (a language code: the text is to be spoken; it stays the
// card's word). Layout attributes (align, face, font, colour) are not needed here.
#include <algorithm>
#include <filesystem>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"
#include "storage/deck_local.h"

namespace storage {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
      return false;
  return true;
}

// game.xml at the top or one folder down; the shallowest wins.
bool IsGameFile(std::string_view name) {
  if (name == "game.xml") return true;
  const auto slash = name.find('/');
  return slash != std::string_view::npos && name.substr(slash + 1) == "game.xml";
}

std::string FindGameFile(const DeckFiles& files) {
  std::string found;
  for (const std::string& name : files.names)
    if (IsGameFile(name) && (found.empty() || name.size() < found.size())) found = name;
  return found;
}

struct SugarCard {
  std::string text, picture, sound, speak;
  bool Empty() const { return text.empty() && picture.empty() && sound.empty(); }
};

SugarCard CardOf(const xmlNode* pair, char side) {
  auto attribute = [&](const char* name) {
    return XmlAttribute(pair, (std::string(1, side) + name).c_str());
  };
  return {attribute("char"), attribute("img"), attribute("snd"), attribute("speak")};
}

// A Sugar game's parsed file: its root element, or a reason to refuse it.
struct SugarGame {
  XmlDocument doc;
  const xmlNode* root = nullptr;
  std::string folder;  // game.xml's, with a '/' at its end unless at the top
};

std::string OpenGame(const DeckFiles& files, SugarGame& game) {
  const std::string entry = FindGameFile(files);
  const auto found = files.contents.find(entry);
  if (entry.empty() || found == files.contents.end()) return "holds no game.xml";
  std::string problem;
  game.doc = ParseDeckXml(found->second, problem);
  if (!game.doc) return entry + " " + problem;
  game.root = xmlDocGetRootElement(game.doc.get());
  if (std::string_view(reinterpret_cast<const char*>(game.root->name)) != "memorize")
    return entry + " is not a Memorize game";
  game.folder = entry.substr(0, entry.size() - std::string_view("game.xml").size());
  return {};
}

// The entry a card's file name means: in folder (images/ or sounds/) beside game.xml, else as
// written relative to game.xml when that exists; "" for a name reaching outside the deck.
std::string EntryFor(const DeckFiles& files, const std::string& base, const char* folder,
                     const std::string& name) {
  const std::string clean = CleanDeckName(name);
  if (clean.empty()) return {};
  const std::string inFolder = base + folder + clean;
  return files.contents.count(inFolder) != 0 || files.contents.count(base + clean) == 0
             ? inFolder
             : base + clean;
}

std::string BuildCard(const std::string& path, const DeckFiles& files, const std::string& base,
                      const SugarCard& card, FaceImage& face, const std::atomic<bool>* cancel) {
  if (card.Empty()) return "a card has nothing on it";
  if (!card.picture.empty()) {
    const std::string entry = EntryFor(files, base, "images/", card.picture);
    if (entry.empty()) return "picture " + card.picture + " is outside the deck";
    if (std::string problem = AddCardPicture(path, files, entry, face, cancel); !problem.empty())
      return problem;
  }
  if (!card.sound.empty()) {
    const std::string entry = EntryFor(files, base, "sounds/", card.sound);
    if (entry.empty()) return "sound " + card.sound + " is outside the deck";
    if (std::string problem = AddCardSound(path, files, entry, face); !problem.empty())
      return problem;
  }
  if (face.source.empty()) face.source = path + ":" + base + "game.xml";
  face.word.english = card.text;
  face.name.english = !card.text.empty()      ? card.text
                      : !card.picture.empty() ? FileStem(card.picture)
                                              : FileStem(card.sound);
  return {};
}

bool TwoKinds(const xmlNode* root) {
  if (XmlAttribute(root, "equal_pairs") == "1") return false;
  for (const xmlNode* pair : XmlChildren(root, "pair"))
    if (!CardOf(pair, 'b').Empty()) return true;
  return false;
}

}  // namespace

std::vector<PictureSetInfo> SugarDeckSetsAt(const std::string& path) {
  std::error_code error;
  if (!EndsWithNoCase(path, ".zip") || !std::filesystem::is_regular_file(path, error)) return {};
  DeckFiles files;
  std::vector<std::string> problems;
  if (!ReadDeckFiles(path, IsGameFile, files, problems)) return {};
  SugarGame game;
  if (!OpenGame(files, game).empty()) return {};
  const bool twoKinds = TwoKinds(game.root);
  int pairs = 0;
  for (const xmlNode* pair : XmlChildren(game.root, "pair"))
    if (!CardOf(pair, 'a').Empty() && (!twoKinds || !CardOf(pair, 'b').Empty())) ++pairs;
  PictureSetInfo set;
  set.kind = SetKind::deck;
  set.deckFormat = DeckFormat::sugar;
  set.deckGame = DeckGame::pairs;
  std::string name = XmlAttribute(game.root, "name");
  if (name.empty()) name = FileStem(path);
  set.name.english = CutToCharacters(name, kMaxSetNameCharacters);
  set.paths = {path};
  set.key = std::filesystem::absolute(path, error).lexically_normal().string();
  set.pictureCount = std::min(pairs, kMaxDeckPairs);
  return {set};
}

bool ReadSugarDeck(const PictureSetInfo& set, DeckCards& cards,
                   std::vector<std::string>& problems, const std::atomic<bool>* cancel) {
  const std::string path = set.paths.empty() ? std::string() : set.paths.front();
  DeckFiles files;
  if (!ReadDeckFiles(path, [](std::string_view) { return true; }, files, problems, cancel))
    return false;
  SugarGame game;
  if (std::string problem = OpenGame(files, game); !problem.empty()) {
    problems.push_back(path + ": " + problem);
    return false;
  }
  cards.twoKinds = TwoKinds(game.root);
  cards.divided = cards.twoKinds && XmlAttribute(game.root, "divided") == "1";
  const std::vector<const xmlNode*> pairs = XmlChildren(game.root, "pair");
  int used = 0;
  for (std::size_t index = 0; index < pairs.size(); ++index) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      problems.push_back(path + ": reading stopped");
      return false;
    }
    if (used == kMaxDeckPairs) {
      problems.push_back(path + ": only the first " + std::to_string(kMaxDeckPairs) +
                         " pairs are played");
      break;
    }
    FaceImage first, second;
    std::string problem = BuildCard(path, files, game.folder, CardOf(pairs[index], 'a'), first,
                                    cancel);
    if (problem.empty() && cards.twoKinds)
      problem = BuildCard(path, files, game.folder, CardOf(pairs[index], 'b'), second, cancel);
    KeepOrSkipPair(path, "pair " + std::to_string(index + 1), problem, first, second, cards, used,
                   problems);
  }
  return HoldsPairs(path, used, problems);
}

}  // namespace storage
