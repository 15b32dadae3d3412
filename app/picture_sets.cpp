#include "app/picture_sets.h"

#include <cstdio>
#include <filesystem>

#include "render/render.h"

namespace app {

namespace {

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
        std::filesystem::is_directory(rememberedAtStart_, error))
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
  for (const storage::PictureSetInfo& set : sets_)
    names.push_back(set.kind == storage::SetKind::classic
                        ? std::string(render::Tr(set.name.english))
                        : set.name.In(game::CatalogueCodeOf(language_)));
  render::SetPictureSetNames(names);
  state_.pictureSetCount = static_cast<int32_t>(sets_.size());
  state_.pictureSet = chosen_;
}

int PictureSetChooser::AddPlayerSet(const std::vector<std::string>& paths) {
  storage::PictureSetInfo set = storage::PlayerSet(paths);
  // The same folder twice is one set.
  for (std::size_t i = 0; i < sets_.size(); ++i)
    if (!set.key.empty() && sets_[i].key == set.key) return static_cast<int>(i);
  sets_.push_back(std::move(set));
  prepared_.emplace_back();
  sharper_.emplace_back();
  skipped_.push_back(0);
  return static_cast<int>(sets_.size()) - 1;
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
  if (chosen_ != applied_ && SetsMayChange(state_.scene.load(std::memory_order_acquire)))
    Apply(chosen_);
}

void PictureSetChooser::Apply(int index) {
  applied_ = index;
  const storage::PictureSetInfo& set = sets_[static_cast<std::size_t>(index)];
  auto& prepared = prepared_[static_cast<std::size_t>(index)];
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
  // A folder: prepared off the UI thread; the levels wait (no pictures yet) and the menu shows
  // the progress.
  state_.setPictureCount = 0;
  state_.shuffledFaces = true;
  if (loading_ != index) {
    loading_ = index;
    loader_.Start(set.paths);
  }
  render::PictureSetStatus status;
  status.loading = true;
  render::SetPictureSetStatus(status);
}

void PictureSetChooser::UseFaces(const std::vector<storage::FaceImage>& faces,
                                 const std::vector<storage::FaceImage>& sharperFaces,
                                 int skipped) {
  render::UsePictureSetFaces(faces, sharperFaces);
  state_.shuffledFaces = true;
  state_.setPictureCount = static_cast<int32_t>(faces.size());
  render::PictureSetStatus status;
  status.skipped = skipped;
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
