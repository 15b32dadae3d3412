// The package's pictures become textures, and the display lists through which every scene
// draws them are compiled once.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>

#include "render/render_local.h"

namespace render {

namespace {

struct TexCoord {
  GLfloat s, t;
};

// A textured quad in the plane z, half-width w, half-height h, corners counter-clockwise from the
// bottom left. The title's second corner samples (0.99, 0.01) instead of (1, 0).
void CompileQuad(GLuint list, GLuint texture, GLfloat w, GLfloat h, GLfloat z,
                 TexCoord secondCorner = {1.0f, 0.0f}) {
  glNewList(list, GL_COMPILE);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-w, -h, z);
  glTexCoord2f(secondCorner.s, secondCorner.t);
  glVertex3f(w, -h, z);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(w, h, z);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-w, h, z);
  glEnd();
  glEndList();
}

void CompileFlatQuad(GLuint list, GLuint texture, GLfloat w, GLfloat h) {
  CompileQuad(list, texture, w, h, 0.0f);
}

// Full-screen pictures lie at z = +1 so that, drawn at -7.8, they slightly overfill the view.
void CompileFullScreenQuad(GLuint list, GLuint texture) {
  CompileQuad(list, texture, 4.0f, 3.0f, 1.0f);
}

struct CubeVertex {
  TexCoord tex;
  GLfloat x, y, z;  // in units of the half-size
};

// The closed box: six faces, front, back, top, bottom, right, left.
constexpr CubeVertex kCubeVertices[24] = {
    {{0, 0}, -1, -1, +1}, {{1, 0}, +1, -1, +1}, {{1, 1}, +1, +1, +1}, {{0, 1}, -1, +1, +1},
    {{1, 0}, -1, -1, -1}, {{1, 1}, -1, +1, -1}, {{0, 1}, +1, +1, -1}, {{0, 0}, +1, -1, -1},
    {{0, 1}, -1, +1, -1}, {{0, 0}, -1, +1, +1}, {{1, 0}, +1, +1, +1}, {{1, 1}, +1, +1, -1},
    {{1, 1}, -1, -1, -1}, {{0, 1}, +1, -1, -1}, {{0, 0}, +1, -1, +1}, {{1, 0}, -1, -1, +1},
    {{1, 0}, +1, -1, -1}, {{1, 1}, +1, +1, -1}, {{0, 1}, +1, +1, +1}, {{0, 0}, +1, -1, +1},
    {{0, 0}, -1, -1, -1}, {{1, 0}, -1, -1, +1}, {{1, 1}, -1, +1, +1}, {{0, 1}, -1, +1, -1},
};

void CompileBox(GLuint texture) {
  constexpr GLfloat h = 0.2f;
  glNewList(LIST_BOX, GL_COMPILE);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  for (const CubeVertex& v : kCubeVertices) {
    glTexCoord2f(v.tex.s, v.tex.t);
    glVertex3f(v.x * h, v.y * h, v.z * h);
  }
  glEnd();
  glEndList();
}

// The hover frame: twelve edges (three of them twice) in one strip. It binds no texture and sets
// no texture coordinate, so it is drawn with whatever the last box left bound; it leaves white.
constexpr GLfloat kOutline[16][3] = {
    {+1, +1, -1}, {-1, +1, -1}, {-1, +1, +1}, {+1, +1, +1}, {+1, +1, -1}, {+1, -1, -1},
    {-1, -1, -1}, {-1, +1, -1}, {-1, +1, +1}, {-1, -1, +1}, {-1, -1, -1}, {+1, -1, -1},
    {+1, -1, +1}, {+1, +1, +1}, {+1, -1, +1}, {-1, -1, +1},
};

constexpr GLfloat kOutlineHalfSize = 0.22f;

void CompileBoxOutline() {
  constexpr GLfloat e = kOutlineHalfSize;
  glNewList(LIST_BOX_OUTLINE, GL_COMPILE);
  glColor3f(1.0f, 1.0f, 1.0f);
  glBegin(GL_LINE_STRIP);
  for (const auto& v : kOutline) glVertex3f(v[0] * e, v[1] * e, v[2] * e);
  glEnd();
  glEndList();
}

void MakeTexture(unsigned& texture, const storage::DecodedImage& image,
                 storage::StagingPixels& stagingPixels) {
  const std::size_t byteCount = std::size_t{image.width} * image.height * 3;
  std::memcpy(stagingPixels.data(), image.pixels, byteCount);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, static_cast<GLint>(image.width),
                    static_cast<GLint>(image.height), GL_RGB, GL_UNSIGNED_BYTE,
                    stagingPixels.data());
  // Plain linear minification although the mipmaps exist: the pictures keep their look.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// The pictures of the newer controls: one the package lacks is simply not there (an older or a
// player's own package), one that is there but cannot be read is named on stderr and skipped.
void LoadOptionalPictures(Assets& assets, storage::StagingPixels& stagingPixels,
                          std::string_view packagePath) {
  for (int k = 0; k < storage::kOptionalPictureCount; ++k) {
    const std::string_view name = storage::OptionalPictureTable[k];
    if (!storage::HasEntry(packagePath, name)) continue;
    if (storage::ReadPX(packagePath, name, assets.packageEntry) == 0 ||
        storage::JPEG24bitPX(assets.packageEntry, assets.decodedImage) == 0 ||
        assets.decodedImage.pixels == nullptr)
      continue;
    MakeTexture(assets.optionalTextures[k], assets.decodedImage, stagingPixels);
  }
}

void FailLoad(game::GameState& state, Assets& assets) {
  storage::Free24BMP(assets.decodedImage);
  storage::FreePX(assets.packageEntry);
  game::StopRunning(state);
}

}  // namespace

void DrawBoxOutlineIn(PlayerColour colour) {
  constexpr GLfloat e = kOutlineHalfSize;
  glDisable(GL_TEXTURE_2D);
  glLineWidth(2.0f * FrameScale());  // a colour is told apart more easily than a thin line
  glColor3f(colour.r, colour.g, colour.b);
  glBegin(GL_LINE_STRIP);
  for (const auto& v : kOutline) glVertex3f(v[0] * e, v[1] * e, v[2] * e);
  glEnd();
  glLineWidth(FrameScale());
  glEnable(GL_TEXTURE_2D);
}

Assets& TheAssets() {
  static Assets assets;
  return assets;
}

bool LoadAssets(game::GameState& state, Assets& assets, storage::StagingPixels& stagingPixels,
                std::string_view packagePath) {
  // The frame loop calls this on every loading frame; one load is enough.
  if (assets.loaded) return true;

  // Rows of width x 3 bytes are tightly packed whatever the width. The loading frame's text has
  // already set this; it must not depend on the font being there.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  for (int k = 0; k < storage::kTextureCount; ++k) {
    std::string_view name = storage::TextureTable[k];
    // storage names the file and the entry on stderr for both failures.
    if (storage::ReadPX(packagePath, name, assets.packageEntry) == 0 ||
        storage::JPEG24bitPX(assets.packageEntry, assets.decodedImage) == 0) {
      FailLoad(state, assets);
      return false;
    }
    const storage::DecodedImage& image = assets.decodedImage;
    const std::size_t byteCount = std::size_t{image.width} * image.height * 3;
    if (image.pixels == nullptr || byteCount == 0 || byteCount > stagingPixels.size()) {
      std::fprintf(stderr, "tessary: picture \"%.*s\" in %.*s is empty or larger than %d x %d\n",
                   static_cast<int>(name.size()), name.data(),
                   static_cast<int>(packagePath.size()), packagePath.data(),
                   storage::kMaxPictureWidth, storage::kMaxPictureHeight);
      FailLoad(state, assets);
      return false;
    }
    MakeTexture(assets.textures[k], image, stagingPixels);
  }
  LoadOptionalPictures(assets, stagingPixels, packagePath);
  storage::Free24BMP(assets.decodedImage);
  storage::FreePX(assets.packageEntry);

  CompileDisplayLists(assets);
  for (int face = 0; face < kFaceCount; ++face)
    assets.faceListTextures[face] = assets.textures[LIST_FACE_FIRST - 1 + face];
  assets.loaded = true;
  return true;
}

void CompileDisplayLists(const Assets& assets) {
  const unsigned* t = assets.textures;
  CompileFullScreenQuad(LIST_MENU_BACKGROUND, t[0]);
  CompileFlatQuad(LIST_STAR, t[1], 0.2f, 0.2f);
  CompileQuad(LIST_TITLE, t[2], 2.0f, 0.35f, 0.0f, {0.99f, 0.01f});
  for (GLuint list = LIST_EASY; list <= LIST_HARD_HOVER; ++list)
    CompileFlatQuad(list, t[list - 1], 0.5f, 0.2f);
  for (GLuint list = LIST_README; list <= LIST_README_HOVER; ++list)
    CompileFlatQuad(list, t[list - 1], 0.3f, 0.12f);
  for (GLuint list = LIST_OUT; list <= LIST_OUT_HOVER; ++list)
    CompileFlatQuad(list, t[list - 1], 0.8f, 0.32f);
  for (GLuint list = LIST_ABOUT; list <= LIST_ABOUT_HOVER; ++list)
    CompileFlatQuad(list, t[list - 1], 0.6f, 0.235f);
  for (GLuint list = LIST_SOUND_ON; list <= LIST_MUSIC_OFF; ++list)
    CompileFlatQuad(list, t[list - 1], 0.3f, 0.07f);
  for (GLuint list = LIST_BACK; list <= LIST_BACK_HOVER; ++list)
    CompileFlatQuad(list, t[list - 1], 0.5f, 0.14f);
  for (GLuint list = LIST_HIDDEN_PICTURE; list <= LIST_BOARD_BACKGROUND; ++list)
    CompileFullScreenQuad(list, t[list - 1]);
  for (GLuint list = LIST_FACE_FIRST; list < LIST_FACE_FIRST + kFaceCount; ++list)
    CompileFlatQuad(list, t[list - 1], 0.2f, 0.2f);
  // List 35 is never compiled: no scene calls it.
  CompileBox(t[34]);
  CompileBoxOutline();
  CompileFlatQuad(LIST_FPS_ON, t[35], 0.39f, 0.07f);
  CompileFlatQuad(LIST_FPS_OFF, t[36], 0.39f, 0.07f);
  if (assets.optionalTextures[0] != 0)
    CompileFlatQuad(LIST_SELECTOR, assets.optionalTextures[0], kSelectorHalfWidth,
                    kSelectorHalfHeight);
  if (assets.optionalTextures[1] != 0)
    CompileFlatQuad(LIST_SELECTOR_HOVER, assets.optionalTextures[1], kSelectorHalfWidth,
                    kSelectorHalfHeight);
}

void CompileFaceList(int face, unsigned texture) {
  CompileFlatQuad(LIST_FACE_FIRST + static_cast<GLuint>(face), texture, 0.2f, 0.2f);
}

bool HasOptionalPicture(int k) { return TheAssets().optionalTextures[k] != 0; }

void MakeLogoTexture(Assets& assets, const storage::StagingPixels& stagingPixels) {
  glGenTextures(1, &assets.logoTexture);
  glBindTexture(GL_TEXTURE_2D, assets.logoTexture);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, storage::kLoadingWidth, storage::kLoadingHeight, GL_RGB,
                    GL_UNSIGNED_BYTE, stagingPixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void DrawLoadingScreen(const Assets& assets) {
  glTranslatef(0.0f, 0.0f, -6.0f);
  glBindTexture(GL_TEXTURE_2D, assets.logoTexture);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-2.0f, -1.5f, 1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(2.0f, -1.5f, 1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(2.0f, 1.5f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-2.0f, 1.5f, 1.0f);
  glEnd();
}

}  // namespace render
