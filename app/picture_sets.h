// The picture set in play: finds the sets, makes the chosen one's faces the boards' (a package at
// once, a folder of photos or a deck off the UI thread with progress on the menu), takes folders,
// files and decks dropped onto the window, and tells tessary.conf what to remember.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/language.h"
#include "storage/decks.h"
#include "storage/photo_faces.h"
#include "storage/picture_sets.h"

namespace app {

// The key of set `index` among `keys` as the history stores it; "classic" for one unknown.
std::string PictureSetKey(const std::vector<std::string>& keys, int32_t index);

// UI thread only.
class PictureSetChooser {
 public:
  explicit PictureSetChooser(game::GameState& state) : state_(state) {}

  // Finds the sets and chooses one: the folder given by --pictures (for this run only), else the
  // set tessary.conf remembers (a built-in's name or a folder's path), else the classic faces.
  // Hands the selector its names (in language) and pictureSet. Call once the window's GL
  // context is current.
  void Start(const std::string& commandLineFolder, const std::optional<std::string>& remembered,
             game::Language language);

  // Once per pass of the event loop: takes the selector's step (state.pictureSet), follows a
  // folder's load and applies what waits. Outside the menu and the screens a change waits until
  // the menu shows again, so a board never changes its pictures.
  void Poll();

  // Hands the selector the sets' names in language from now on (once started).
  // A deck's words are drawn again in the new language.
  void SetLanguage(game::Language language);

  // Drops onto the window: a folder, or files, dropped together become a set and are chosen.
  void OnDropBegin();
  void OnDrop(const std::string& path);
  void OnDropComplete();

  // What tessary.conf keeps for `pictures`: the chosen set's key, or the value read at start
  // when the chosen set lasts for this run only (--pictures, loose files).
  std::string RememberedValue() const;

  // The key of every set, in order: what PictureSetKey names them by.
  std::vector<std::string> Keys() const;
  // The key of set `index` as the history stores it; "classic" for one unknown.
  std::string KeyOf(int32_t index) const { return PictureSetKey(Keys(), index); }

 private:
  void Choose(int index);
  // Hands the sets' names and the choice to the selector.
  void Publish();
  void Apply(int index);
  void UseFaces(const std::vector<storage::FaceImage>& faces,
                const std::vector<storage::FaceImage>& sharperFaces, int skipped);
  // Adds the sets of paths (a deck's, else a folder or files of photos); returns the first.
  int AddPlayerSet(const std::vector<std::string>& paths);

  game::GameState& state_;
  std::vector<storage::PictureSetInfo> sets_;
  // Faces prepared before, per set, so that coming back to a set is immediate.
  std::vector<std::optional<std::vector<storage::FaceImage>>> prepared_;
  std::vector<std::vector<storage::FaceImage>> sharper_;  // a built-in set's, at twice the size
  std::vector<int> skipped_;
  // A deck's shape, per set, known once its cards are read.
  struct DeckShape {
    bool twoKinds = false;
    bool divided = false;
  };
  std::vector<DeckShape> shapes_;
  game::Language language_ = game::Language::english;
  int chosen_ = 0;
  int applied_ = -1;
  int loading_ = -1;  // the set the loader prepares
  int commandLineSet_ = -1;
  std::string rememberedAtStart_;
  std::vector<std::string> dropped_;
  storage::PhotoSetLoader loader_;
  int deckLoading_ = -1;  // the deck the deck loader reads
  storage::DeckLoader deckLoader_;
};

}  // namespace app
