// KDE Pairs themes: NAME.pairs.tar.bz2, NAME.pairs.zip or a folder, holding NAME.game (XML in the
// namespace http://edu.kde.org/game) and the files it names, relative to it. Of the game file
// we read <title> (one per lang, the one without lang the English), and each <element>: its
// <image src> (one or two), <word lang> (per language, or "any") and <sound src lang>. A theme
// plays every game its elements can fill: the same picture twice, an element's two pictures, a
// picture and its word, a picture and its sound; it is listed once per game.
#include <algorithm>
#include <filesystem>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"
#include "storage/deck_local.h"

namespace storage {

namespace {

constexpr std::string_view kNamespace = "http://edu.kde.org/game";

struct GameName {
  DeckGame game;
  const char* key;  // after the '#' of the set's key
};
constexpr GameName kGames[] = {{DeckGame::samePicture, "samePicture"},
                               {DeckGame::twoPictures, "twoPictures"},
                               {DeckGame::pictureAndWord, "pictureAndWord"},
                               {DeckGame::pictureAndSound, "pictureAndSound"}};

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
      return false;
  return true;
}

bool IsGameFile(std::string_view name) { return EndsWithNoCase(name, ".game"); }

// The shallowest NAME.game of the theme (the first in order among equals).
std::string FindGameFile(const DeckFiles& files) {
  std::string found;
  auto depth = [](const std::string& name) { return std::count(name.begin(), name.end(), '/'); };
  for (const std::string& name : files.names)
    if (IsGameFile(name) && (found.empty() || depth(name) < depth(found))) found = name;
  return found;
}

// One element as the theme gives it: entries already resolved against the game file's folder
// ("" for a name reaching outside the theme).
struct Element {
  std::vector<std::string> images;
  std::vector<std::string> imageNames;  // as written, for the lines about them
  TranslatedName word;
  std::string sound, soundName;
};

struct Theme {
  XmlDocument doc;
  std::string gameEntry;
  TranslatedName title;
  std::vector<Element> elements;
};

std::string Resolve(const std::string& folder, const std::string& name) {
  const std::string clean = CleanDeckName(name);
  return clean.empty() ? std::string() : folder + clean;
}

Element ReadElement(const xmlNode* node, const std::string& folder) {
  Element element;
  for (const xmlNode* image : XmlChildren(node, "image")) {
    const std::string src = XmlAttribute(image, "src");
    if (src.empty()) continue;
    element.imageNames.push_back(src);
    element.images.push_back(Resolve(folder, src));
  }
  std::string first, any;
  for (const xmlNode* word : XmlChildren(node, "word")) {
    const std::string text = XmlText(word);
    if (text.empty()) continue;
    std::string lang = XmlAttribute(word, "lang");
    if (first.empty()) first = text;
    if (lang.empty() || lang == "en") element.word.english = text;
    else if (lang == "any") any = text;
    else element.word.translations.emplace(lang, text);
  }
  if (element.word.english.empty()) element.word.english = !any.empty() ? any : first;
  // The sound in English or for any language, else the first given.
  for (const xmlNode* sound : XmlChildren(node, "sound")) {
    const std::string src = XmlAttribute(sound, "src");
    if (src.empty()) continue;
    const std::string lang = XmlAttribute(sound, "lang");
    if (element.soundName.empty() || lang == "en" || lang == "any" || lang.empty()) {
      element.soundName = src;
      element.sound = Resolve(folder, src);
      if (lang == "en" || lang == "any" || lang.empty()) break;
    }
  }
  return element;
}

std::string OpenTheme(const DeckFiles& files, Theme& theme) {
  theme.gameEntry = FindGameFile(files);
  const auto found = files.contents.find(theme.gameEntry);
  if (theme.gameEntry.empty() || found == files.contents.end()) return "holds no .game file";
  std::string problem;
  theme.doc = ParseDeckXml(found->second, problem);
  if (!theme.doc) return theme.gameEntry + " " + problem;
  const xmlNode* root = xmlDocGetRootElement(theme.doc.get());
  const bool ours = root->ns != nullptr && root->ns->href != nullptr &&
                    reinterpret_cast<const char*>(root->ns->href) == kNamespace;
  if (!ours) return theme.gameEntry + " is not a KDE Pairs game";
  for (const xmlNode* title : XmlChildren(root, "title")) {
    const std::string text = CutToCharacters(XmlText(title), kMaxSetNameCharacters);
    const std::string lang = XmlAttribute(title, "lang");
    if (text.empty()) continue;
    if (lang.empty() || lang == "en" || lang == "any") {
      if (theme.title.english.empty()) theme.title.english = text;
    } else {
      theme.title.translations.emplace(lang, text);
    }
  }
  const std::size_t slash = theme.gameEntry.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : theme.gameEntry.substr(0, slash + 1);
  if (theme.title.english.empty()) theme.title.english = FileStem(theme.gameEntry);
  for (const xmlNode* element : XmlChildren(root, "element"))
    theme.elements.push_back(ReadElement(element, folder));
  return {};
}

bool Plays(const Element& element, DeckGame game) {
  if (element.imageNames.empty()) return false;
  switch (game) {
    case DeckGame::samePicture: return true;
    case DeckGame::twoPictures: return element.imageNames.size() >= 2;
    case DeckGame::pictureAndWord: return !element.word.english.empty();
    case DeckGame::pictureAndSound: return !element.soundName.empty();
    case DeckGame::pairs: break;
  }
  return false;
}

bool IsThemePath(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    // Only a look at the folder's own names: a big folder of photos is no theme.
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end;
         it.increment(error))
      if (IsGameFile(it->path().filename().string()) && it->is_regular_file(error)) return true;
    return false;
  }
  return (EndsWithNoCase(path, ".pairs.tar.bz2") || EndsWithNoCase(path, ".pairs.zip")) &&
         std::filesystem::is_regular_file(path, error);
}

// The element's picture number index as a face named by its word (or the picture's name).
std::string PictureCard(const std::string& path, const DeckFiles& files, const Element& element,
                        std::size_t index, FaceImage& face, const std::atomic<bool>* cancel) {
  if (element.images[index].empty())
    return "picture " + element.imageNames[index] + " is outside the theme";
  if (std::string problem = AddCardPicture(path, files, element.images[index], face, cancel);
      !problem.empty())
    return problem;
  if (!element.word.english.empty()) face.name = element.word;
  else face.name.english = FileStem(element.imageNames[index]);
  return {};
}

}  // namespace

std::vector<PictureSetInfo> KdeDeckSetsAt(const std::string& path) {
  if (!IsThemePath(path)) return {};
  DeckFiles files;
  std::vector<std::string> problems;
  if (!ReadDeckFiles(path, IsGameFile, files, problems)) return {};
  Theme theme;
  if (!OpenTheme(files, theme).empty()) return {};
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
  std::vector<PictureSetInfo> sets;
  for (const GameName& game : kGames) {
    const auto count = std::count_if(theme.elements.begin(), theme.elements.end(),
                                     [&](const Element& e) { return Plays(e, game.game); });
    if (count == 0) continue;
    PictureSetInfo set;
    set.kind = SetKind::deck;
    set.deckFormat = DeckFormat::kdePairs;
    set.deckGame = game.game;
    set.name = theme.title;
    set.paths = {path};
    set.key = absolute + "#" + game.key;
    set.pictureCount = std::min<int>(int(count), kMaxDeckPairs);
    sets.push_back(std::move(set));
  }
  return sets;
}

bool ReadKdeDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
                 const std::atomic<bool>* cancel) {
  const std::string path = set.paths.empty() ? std::string() : set.paths.front();
  DeckFiles files;
  if (!ReadDeckFiles(path, [](std::string_view) { return true; }, files, problems, cancel))
    return false;
  Theme theme;
  if (std::string problem = OpenTheme(files, theme); !problem.empty()) {
    problems.push_back(path + ": " + problem);
    return false;
  }
  const DeckGame game = set.deckGame;
  cards.twoKinds = game != DeckGame::samePicture;
  int used = 0;
  for (std::size_t index = 0; index < theme.elements.size(); ++index) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      problems.push_back(path + ": reading stopped");
      return false;
    }
    const Element& element = theme.elements[index];
    if (!Plays(element, game)) continue;  // an element for the theme's other games
    if (used == kMaxDeckPairs) {
      problems.push_back(path + ": only the first " + std::to_string(kMaxDeckPairs) +
                         " pairs are played");
      break;
    }
    FaceImage first, second;
    std::string problem = PictureCard(path, files, element, 0, first, cancel);
    if (problem.empty()) {
      switch (game) {
        case DeckGame::twoPictures:
          problem = PictureCard(path, files, element, 1, second, cancel);
          break;
        case DeckGame::pictureAndWord:
          second.word = element.word;
          second.name = element.word;
          second.source = path + ":" + theme.gameEntry;
          break;
        case DeckGame::pictureAndSound:
          if (element.sound.empty())
            problem = "sound " + element.soundName + " is outside the theme";
          else
            problem = AddCardSound(path, files, element.sound, second);
          second.name = first.name;
          break;
        case DeckGame::samePicture:
        case DeckGame::pairs:
          break;
      }
    }
    KeepOrSkipPair(path, "element " + std::to_string(index + 1), problem, first, second, cards, used,
                   problems);
  }
  return HoldsPairs(path, used, problems);
}

}  // namespace storage
