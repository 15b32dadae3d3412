// The chosen picture set's faces behind the face lists, and what the menu says about the set.
// The board and the about row keep calling LIST_FACE_FIRST + f; only what those lists bind
// changes, recompiled when a deal (or the about row) wants other pictures.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/level.h"
#include "game/menu.h"
#include "render/render_local.h"

namespace render {

namespace {

PictureSetStatus currentStatus;

}  // namespace

void UsePictureSetFaces(std::span<const storage::FaceImage> faces,
                        std::span<const storage::FaceImage> sharperFaces) {
  Assets& assets = TheAssets();
  if (!assets.setTextures.empty()) {
    glDeleteTextures(static_cast<GLsizei>(assets.setTextures.size()), assets.setTextures.data());
    assets.setTextures.clear();
  }
  assets.setFaces.clear();
  assets.sharperSetFaces.clear();
  constexpr std::size_t kFaceBytes = std::size_t{storage::kFacePixels} * storage::kFacePixels * 3;
  // A deck's words and sounds become pictures here, in the language of the moment; its cards
  // have no sharper twins.
  std::vector<storage::FaceImage> composed;
  if (std::any_of(faces.begin(), faces.end(), NeedsComposing)) {
    const game::Language language = CurrentLanguage();
    for (const storage::FaceImage& face : faces)
      composed.push_back(NeedsComposing(face) ? ComposeCard(face, game::CatalogueCodeOf(language),
                                                            game::CodeOf(language))
                                              : face);
    faces = composed;
    sharperFaces = {};
  }
  // The sharper faces go with the faces one to one, or not at all.
  bool sharperFit = sharperFaces.size() == faces.size();
  for (const storage::FaceImage& face : sharperFaces)
    sharperFit = sharperFit && face.rgb.size() == kFaceBytes * 4;
  for (std::size_t i = 0; i < faces.size(); ++i) {
    if (faces[i].rgb.size() != kFaceBytes) {
      sharperFit = false;
      continue;
    }
    assets.setFaces.push_back(faces[i]);
    if (sharperFit) assets.sharperSetFaces.push_back(sharperFaces[i]);
  }
  if (!sharperFit) assets.sharperSetFaces.clear();
  assets.setTextures.assign(assets.setFaces.size(), 0);
  if (!assets.setTextures.empty())
    glGenTextures(static_cast<GLsizei>(assets.setTextures.size()), assets.setTextures.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Like the package's pictures: plain linear filtering, the same look; or the sharper faces
  // while the pictures are drawn large.
  UploadSetFaces(assets, assets.highResolution);
}

void SetPictureSetStatus(const PictureSetStatus& status) { currentStatus = status; }

void BindFaceLists(const game::GameState& state, Assets& assets, bool aboutRow) {
  const bool classic = !state.shuffledFaces || assets.setTextures.empty();
  // A two-kind deck holds two cards per pair: the first card in the face's list, the second in
  // its second-card list (the about row shows the first cards).
  const int cards = state.twoKindCards && !classic ? 2 : 1;
  const auto textureOf = [&](int picture) -> unsigned {
    return picture >= 0 && static_cast<std::size_t>(picture) < assets.setTextures.size()
               ? assets.setTextures[static_cast<std::size_t>(picture)]
               : 0;
  };
  for (int face = 0; face < kFaceCount; ++face) {
    unsigned wanted = assets.textures[LIST_FACE_FIRST - 1 + face];
    const int picture = aboutRow ? face : int{state.facePicture[face]};
    if (!classic) wanted = textureOf(cards * picture);
    if (wanted != assets.faceListTextures[face]) {
      CompileFaceList(face, wanted);
      assets.faceListTextures[face] = wanted;
    }
    if (cards == 1) continue;
    const unsigned second = textureOf(2 * picture + 1);
    if (second == assets.secondListTextures[face]) continue;
    CompileSecondCardList(face, second);
    assets.secondListTextures[face] = second;
  }
}

int AboutRowFaces(const game::GameState& state) {
  if (!state.shuffledFaces) return kFaceCount;
  const int pictures = std::min<int>(state.setPictureCount,
                                     static_cast<int>(TheAssets().setTextures.size()));
  return std::clamp(pictures, 0, kFaceCount);
}

void DrawPictureSetNotes(const game::GameState& state) {
  const PictureSetStatus& status = currentStatus;
  std::string line;
  if (status.loading && status.deck) {
    // TRANSLATORS: on the menu while a learning deck's cards are read.
    line = Tr("Loading the deck");
  } else if (status.loading) {
    line = FormatText(Tr("Loading pictures %d/%d"), status.done, status.total);
  } else if (state.setPictureCount <= 0) {
    line = Tr("This set has no pictures");
  } else if (status.skipped > 0) {
    line = FormatText(Tr("Pictures skipped: %d (see the terminal)"), status.skipped);
  }
  if (!line.empty()) DrawTextAt(line, {0.0f, -2.1f, Align::centre}, 1.0f, 0.9f, 0.5f);

  if (status.loading) return;
  // Beside each level button, where the set is too small for it (the button refuses the click).
  for (const game::LevelParams& params : game::kLevelParams) {
    if (state.setPictureCount >= params.faceCount) continue;
    const float buttonY = game::LevelButton(params.level).place.y;
    const auto faces = static_cast<unsigned long>(params.faceCount);
    // TRANSLATORS: beside a level button, %d its count of faces (36 to 80); at most about 18
    // characters.
    const std::string_view note = Trn("needs %d picture", "needs %d pictures", faces);
    // TRANSLATORS: beside a level button when a learning deck is chosen, %d the pairs of cards
    // the level needs (6 to 10); at most about 18 characters.
    const std::string_view deckNote = Trn("needs %d pair", "needs %d pairs", faces);
    DrawTextAt(FormatText(status.deck ? deckNote : note, params.faceCount),
               {1.12f, buttonY * 2.0f - 0.08f}, 1.0f, 0.6f, 0.5f);
  }
}

}  // namespace render
