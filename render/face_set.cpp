// The chosen picture set's faces behind the face lists, and what the menu says about the set.
// The board and the about row keep calling LIST_FACE_FIRST + f; only what those lists bind
// changes, recompiled when a deal (or the about row) wants other pictures.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

#include "game/level.h"
#include "game/menu.h"
#include "render/render_local.h"

namespace render {

namespace {

PictureSetStatus currentStatus;

// The set's words in the player's language, GBK bytes; printf formats.
struct SetTexts {
  const char* loading;  // done, total
  const char* skipped;  // count
  const char* empty;
  const char* needs;    // pictures
};

constexpr SetTexts kEnglishSetTexts = {
    "Loading pictures %d/%d",
    "Pictures skipped: %d (see the terminal)",
    "This set has no pictures",
    "needs %d pictures",
};
constexpr SetTexts kChineseSetTexts = {
    "\xd5\xfd\xd4\xda\xd4\xd8\xc8\xeb\xcd\xbc\xc6\xac %d/%d",          // 正在载入图片
    "%d\xd5\xc5\xcd\xbc\xc6\xac\xce\xde\xb7\xa8\xb6\xc1\xc8\xa1",      // %d张图片无法读取
    "\xc3\xbb\xd3\xd0\xcd\xbc\xc6\xac",                                // 没有图片
    "\xd0\xe8\xd2\xaa%d\xd5\xc5\xcd\xbc\xc6\xac",                      // 需要%d张图片
};

const SetTexts& CurrentSetTexts() {
  return &CurrentTexts() == &kChineseTexts ? kChineseSetTexts : kEnglishSetTexts;
}

// 2 * 10 * tan(22.5 degrees) / 600 raster units on the text plane per pixel of the picture.
void DrawCentredLine(const char* text, int length, float y, float r, float g, float b) {
  const float width = static_cast<float>(TextWidthPixels(std::string_view(text, length)));
  DrawText3D(length, text, -width / 2.0f * 0.0138071f, y, r, g, b);
}

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
  for (int face = 0; face < kFaceCount; ++face) {
    unsigned wanted = assets.textures[LIST_FACE_FIRST - 1 + face];
    if (!classic) {
      const int picture = aboutRow ? face : int{state.facePicture[face]};
      wanted = picture >= 0 && static_cast<std::size_t>(picture) < assets.setTextures.size()
                   ? assets.setTextures[static_cast<std::size_t>(picture)]
                   : 0;
    }
    if (wanted == assets.faceListTextures[face]) continue;
    CompileFaceList(face, wanted);
    assets.faceListTextures[face] = wanted;
  }
}

int AboutRowFaces(const game::GameState& state) {
  if (!state.shuffledFaces) return kFaceCount;
  const int pictures = std::min<int>(state.setPictureCount,
                                     static_cast<int>(TheAssets().setTextures.size()));
  return std::clamp(pictures, 0, kFaceCount);
}

void DrawPictureSetNotes(const game::GameState& state) {
  const SetTexts& texts = CurrentSetTexts();
  char line[128];
  const PictureSetStatus& status = currentStatus;
  int length = 0;
  if (status.loading) {
    length = std::snprintf(line, sizeof line, texts.loading, status.done, status.total);
  } else if (state.setPictureCount <= 0) {
    length = std::snprintf(line, sizeof line, "%s", texts.empty);
  } else if (status.skipped > 0) {
    length = std::snprintf(line, sizeof line, texts.skipped, status.skipped);
  }
  if (length > 0)
    DrawCentredLine(line, std::min<int>(length, sizeof line - 1), -2.1f, 1.0f, 0.9f, 0.5f);

  if (status.loading) return;
  // Beside each level button, where the set is too small for it (the button refuses the click).
  for (const game::LevelParams& params : game::kLevelParams) {
    if (state.setPictureCount >= params.faceCount) continue;
    length = std::snprintf(line, sizeof line, texts.needs, params.faceCount);
    const float buttonY = game::LevelButton(params.level).place.y;
    DrawText3D(length, line, 1.12f, buttonY * 2.0f - 0.08f, 1.0f, 0.6f, 0.5f);
  }
}

}  // namespace render
