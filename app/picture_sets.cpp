#include "app/picture_sets.h"

#include <cstdio>
#include <filesystem>

#include "game/text_id.h"
#include "render/render.h"
#include "sound/card_sounds.h"

namespace app {

namespace {

// What a KDE Pairs theme's set plays, after its name in the selector (the theme is listed once
// per game it offers), by storage::DeckGame.
constexpr std::string_view kDeckGameNames[] = {
    "",
    // TRANSLATORS: the games of a memory game theme, after its name in the pictures selector
    // ("Animals: Picture and word"); at most about 18 characters each.
    N_("Same picture"), N_("Two pictures"), N_("Picture and word"), N_("Picture and sound")};

// Sets may change only where no board is dealt or shown.
bool SetsMayChange(int8_t scene) {
  return scene == game::SCENE_MENU || scene == game::SCENE_MENU_ENTER ||
         scene == game::SCENE_README || scene == game::SCENE_ABOUT ||
         scene == game::SCENE_HIDDEN_PICTURE;
}

}  // namespace

void PictureSetChooser::Start(const std::string& commandLineFolder,
                              const std::optional<std::string>& remembered,
                              game::Language language) {
  language_ = language;
  sets_ = storage::FindPictureSets();
  prepared_.assign(sets_.size(), std::nullopt);
  sharper_.assign(sets_.size(), {});
  skipped_.assign(sets_.size(), 0);
  shapes_.assign(sets_.size(), {});
  rememberedAtStart_ = remembered.value_or("");

  int index = 0;
  if (!commandLineFolder.empty()) {
    commandLineSet_ = AddPlayerSet({commandLineFolder});
    index = commandLineSet_;
  } else if (!rememberedAtStart_.empty()) {
    index = -1;
    for (std::size_t i = 0; i < sets_.size(); ++i)
      if (sets_[i].key == rememberedAtStart_) index = static_cast<int>(i);
    std::error_code error;
    if (index < 0 && rememberedAtStart_.front() == '/' &&
        std::filesystem::exists(rememberedAtStart_, error))
      index = AddPlayerSet({rememberedAtStart_});
    if (index < 0) {
      std::fprintf(stderr, "tessary: the picture set \"%s\" is gone; playing the classic faces\n",
                   rememberedAtStart_.c_str());
      index = 0;
    }
  }
  chosen_ = index;
  Publish();
  Apply(index);
}

void PictureSetChooser::Publish() {
  std::vector<std::string> names;
  for (const storage::PictureSetInfo& set : sets_) {
    std::string name = set.kind == storage::SetKind::classic
                           ? std::string(render::Tr(set.name.english))
                           : set.name.In(game::CatalogueCodeOf(language_));
    const auto game = static_cast<std::size_t>(set.deckGame);
    if (set.deckFormat == storage::DeckFormat::kdePairs && game > 0 &&
        game < std::size(kDeckGameNames))
      name += ": " + std::string(render::Tr(kDeckGameNames[game]));
    names.push_back(std::move(name));
  }
  render::SetPictureSetNames(names);
  state_.pictureSetCount = static_cast<int32_t>(sets_.size());
  state_.pictureSet = chosen_;
}

int PictureSetChooser::AddPlayerSet(const std::vector<std::string>& paths) {
  std::vector<storage::PictureSetInfo> found;
  if (paths.size() == 1) found = storage::DeckSetsAt(paths.front());
  if (found.empty()) found.push_back(storage::PlayerSet(paths));
  int first = -1;
  for (storage::PictureSetInfo& set : found) {
    // The same folder or deck twice is one set.
    int index = -1;
    for (std::size_t i = 0; i < sets_.size(); ++i)
      if (!set.key.empty() && sets_[i].key == set.key) index = static_cast<int>(i);
    if (index < 0) {
      sets_.push_back(std::move(set));
      prepared_.emplace_back();
      sharper_.emplace_back();
      skipped_.push_back(0);
      shapes_.emplace_back();
      index = static_cast<int>(sets_.size()) - 1;
    }
    if (first < 0) first = index;
  }
  return first;
}

void PictureSetChooser::SetLanguage(game::Language language) {
  language_ = language;
  if (sets_.empty()) return;
  Publish();
  // A deck's cards show their words in the language: drawn again.
  if (applied_ >= 0 && sets_[static_cast<std::size_t>(applied_)].kind == storage::SetKind::deck &&
      prepared_[static_cast<std::size_t>(applied_)])
    Apply(applied_);
}

void PictureSetChooser::Choose(int index) {
  if (sets_.empty()) return;
  const int count = static_cast<int>(sets_.size());
  chosen_ = ((index % count) + count) % count;
  Publish();
  Poll();
}

void PictureSetChooser::Poll() {
  const int stepped = state_.pictureSet;
  if (stepped != chosen_ && stepped >= 0 && stepped < static_cast<int>(sets_.size()))
    chosen_ = stepped;
  if (loading_ >= 0) {
    render::PictureSetStatus status;
    status.loading = true;
    status.done = loader_.Done();
    status.total = loader_.Total();
    if (loader_.Finished()) {
      const auto index = static_cast<std::size_t>(loading_);
      prepared_[index] = loader_.TakeFaces();
      skipped_[index] = static_cast<int>(loader_.TakeProblems().size());
      if (loading_ == chosen_) applied_ = -1;  // applied again below, now with its faces
      loading_ = -1;
    } else if (loading_ == chosen_) {
      render::SetPictureSetStatus(status);
    }
  }
  if (deckLoading_ >= 0 && deckLoader_.Finished()) {
    const auto index = static_cast<std::size_t>(deckLoading_);
    storage::DeckCards cards = deckLoader_.TakeCards();
    skipped_[index] = static_cast<int>(deckLoader_.TakeProblems().size());
    shapes_[index] = {cards.twoKinds, cards.divided};
    prepared_[index] = std::move(cards.faces);
    if (deckLoading_ == chosen_) applied_ = -1;
    deckLoading_ = -1;
  }
  if (chosen_ != applied_ && SetsMayChange(state_.scene.load(std::memory_order_acquire)))
    Apply(chosen_);
}

void PictureSetChooser::Apply(int index) {
  applied_ = index;
  const storage::PictureSetInfo& set = sets_[static_cast<std::size_t>(index)];
  auto& prepared = prepared_[static_cast<std::size_t>(index)];
  const DeckShape shape = shapes_[static_cast<std::size_t>(index)];
  // Before any face is used: a deal reads them with the faces.
  state_.twoKindCards = set.kind == storage::SetKind::deck && shape.twoKinds;
  state_.dividedBoard = state_.twoKindCards && shape.divided;
  // Only a deck's cards sound; every other set keeps the game's own sounds alone.
  state_.cardSounds = false;
  sound::UseCardSounds({});
  if (set.kind == storage::SetKind::classic) {
    render::UsePictureSetFaces({});
    state_.shuffledFaces = false;
    state_.setPictureCount = game::kClassicPictureCount;
    render::SetPictureSetStatus({});
    return;
  }
  if (!prepared && set.kind == storage::SetKind::package) {
    int skipped = 0;
    prepared = storage::ReadSetFaces(set, skipped);
    skipped_[static_cast<std::size_t>(index)] = skipped;
    if (skipped == 0) sharper_[static_cast<std::size_t>(index)] =
        storage::ReadHighResolutionSetFaces(set);
  }
  if (prepared) {
    UseFaces(*prepared, sharper_[static_cast<std::size_t>(index)],
             skipped_[static_cast<std::size_t>(index)]);
    return;
  }
  // A folder or a deck: prepared off the UI thread; the levels wait (no pictures yet) and the
  // menu shows the progress.
  state_.setPictureCount = 0;
  state_.shuffledFaces = true;
  const bool deck = set.kind == storage::SetKind::deck;
  if (deck && deckLoading_ != index) {
    deckLoading_ = index;
    deckLoader_.Start(set);
  } else if (!deck && loading_ != index) {
    loading_ = index;
    loader_.Start(set.paths);
  }
  render::PictureSetStatus status;
  status.loading = true;
  status.deck = deck;
  render::SetPictureSetStatus(status);
}

void PictureSetChooser::UseFaces(const std::vector<storage::FaceImage>& faces,
                                 const std::vector<storage::FaceImage>& sharperFaces,
                                 int skipped) {
  render::UsePictureSetFaces(faces, sharperFaces);
  state_.shuffledFaces = true;
  sound::CardSoundFiles sounds;
  bool anySound = false;
  for (const storage::FaceImage& face : faces) {
    sounds.push_back(face.sound);
    anySound = anySound || !face.sound.empty();
  }
  if (anySound) sound::UseCardSounds(std::move(sounds));
  state_.cardSounds = anySound;
  // A two-kind deck holds two cards per pair; a face is a pair.
  const std::size_t cardsPerFace = state_.twoKindCards ? 2 : 1;
  state_.setPictureCount = static_cast<int32_t>(faces.size() / cardsPerFace);
  render::PictureSetStatus status;
  status.skipped = skipped;
  status.deck = sets_[static_cast<std::size_t>(applied_)].kind == storage::SetKind::deck;
  render::SetPictureSetStatus(status);
}

void PictureSetChooser::OnDropBegin() { dropped_.clear(); }

void PictureSetChooser::OnDrop(const std::string& path) { dropped_.push_back(path); }

void PictureSetChooser::OnDropComplete() {
  if (dropped_.empty()) return;
  const int index = AddPlayerSet(dropped_);
  dropped_.clear();
  Choose(index);
}

std::string PictureSetChooser::RememberedValue() const {
  if (chosen_ < 0 || chosen_ >= static_cast<int>(sets_.size())) return rememberedAtStart_;
  const storage::PictureSetInfo& set = sets_[static_cast<std::size_t>(chosen_)];
  if (chosen_ == commandLineSet_ || set.key.empty()) return rememberedAtStart_;
  return set.key;
}

std::vector<std::string> PictureSetChooser::Keys() const {
  std::vector<std::string> keys;
  for (const storage::PictureSetInfo& set : sets_) keys.push_back(set.key);
  return keys;
}

std::string PictureSetKey(const std::vector<std::string>& keys, int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= keys.size() ||
      keys[static_cast<std::size_t>(index)].empty())
    return "classic";
  return keys[static_cast<std::size_t>(index)];
}

}  // namespace app
