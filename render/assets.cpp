// The package's pictures become textures, and the display lists through which every scene
// draws them are compiled once.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/render_local.h"
#include "storage/paths.h"

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

constexpr int kFirstBlankSlot = storage::kTextureCount + storage::kOptionalPictureCount;

// Slot k: texture k of the table, then the optional pictures, then the label-less twins.
unsigned& TextureOfSlot(Assets& assets, int slot) {
  if (slot < storage::kTextureCount) return assets.textures[slot];
  if (slot < kFirstBlankSlot) return assets.optionalTextures[slot - storage::kTextureCount];
  return assets.blankTextures[slot - kFirstBlankSlot];
}
std::string NameOfSlot(int slot) {
  if (slot < storage::kTextureCount) return std::string(storage::TextureTable[slot]);
  if (slot < kFirstBlankSlot)
    return std::string(storage::OptionalPictureTable[slot - storage::kTextureCount]);
  return storage::BlankPictureEntry(storage::TextureTable[slot - kFirstBlankSlot]);
}

// Makes the texture of slot from image, remembering the picture's size for its sharper copy.
void MakeTexture(Assets& assets, int slot, const storage::DecodedImage& image,
                 storage::StagingPixels& stagingPixels) {
  const std::size_t byteCount = std::size_t{image.width} * image.height * 3;
  std::memcpy(stagingPixels.data(), image.pixels, byteCount);
  unsigned& texture = TextureOfSlot(assets, slot);
  glGenTextures(1, &texture);
  UploadPicture(texture, static_cast<int>(image.width), static_cast<int>(image.height),
                stagingPixels.data());
  assets.pictureWidths[slot] = static_cast<int>(image.width);
  assets.pictureHeights[slot] = static_cast<int>(image.height);
}

// What the change to the sharper pictures reads: decided on the UI thread, read on another.
struct PictureRequest {
  std::string path;         // the high-resolution package
  std::string packagePath;  // the 800 x 600 package, which it must be drawn from
  std::vector<std::string> names;  // per slot; empty where there is no texture
  std::vector<int> widths, heights;  // per slot, as loaded
};

PictureRequest RequestFor(Assets& assets, std::string_view highResolutionPath) {
  PictureRequest request;
  request.path = highResolutionPath;
  request.packagePath = assets.packagePath;
  for (int slot = 0; slot < kPictureSlots; ++slot) {
    request.names.emplace_back(TextureOfSlot(assets, slot) != 0 ? NameOfSlot(slot) : "");
    request.widths.push_back(assets.pictureWidths[slot]);
    request.heights.push_back(assets.pictureHeights[slot]);
  }
  return request;
}

// Every level of texture as it stands (RGB, tightly packed), so that it can be put back exactly.
void KeepLevels(unsigned texture, std::vector<TextureLevel>& levels) {
  levels.clear();
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  for (int level = 0;; ++level) {
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0) break;
    TextureLevel& kept = levels.emplace_back();
    kept.width = width;
    kept.height = height;
    kept.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, kept.rgb.data());
    if (width == 1 && height == 1) break;
  }
}

// Puts the kept levels back into texture, minified linearly as loaded; frees them.
void RestoreLevels(unsigned texture, std::vector<TextureLevel>& levels) {
  if (levels.empty()) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (std::size_t level = 0; level < levels.size(); ++level)
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 3, levels[level].width,
                 levels[level].height, 0, GL_RGB, GL_UNSIGNED_BYTE, levels[level].rgb.data());
  SetMinification(texture, false);
  std::vector<TextureLevel>().swap(levels);
}

// Level 0 a copy of the picture, each next level half its size (rounded down, at least 1)
// averaging 2 x 2 texels, down to 1 x 1: the chain a texture of any size needs. Any thread.
std::vector<TextureLevel> Mipmaps(int width, int height, const uint8_t* pixels) {
  std::vector<TextureLevel> levels;
  levels.push_back({width, height,
                    std::vector<uint8_t>(pixels, pixels + std::size_t(width) * height * 3)});
  while (levels.back().width > 1 || levels.back().height > 1) {
    const TextureLevel& above = levels.back();
    TextureLevel next{std::max(1, above.width / 2), std::max(1, above.height / 2), {}};
    next.rgb.resize(std::size_t(next.width) * next.height * 3);
    for (int y = 0; y < next.height; ++y)
      for (int x = 0; x < next.width; ++x)
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
              const int ax = std::min(2 * x + dx, above.width - 1);
              const int ay = std::min(2 * y + dy, above.height - 1);
              sum += above.rgb[(std::size_t(ay) * above.width + ax) * 3 + c];
            }
          next.rgb[(std::size_t(y) * next.width + x) * 3 + c] = static_cast<uint8_t>((sum + 2) / 4);
        }
    levels.push_back(std::move(next));
  }
  return levels;
}

// Every picture the request names, decoded at twice its size with its mipmaps; a slot without a
// texture stays empty. All or none: at the first failure, none, after one line on stderr naming
// the file (and the entry). Any thread.
std::vector<std::vector<TextureLevel>> ReadPictures(const PictureRequest& request) {
  constexpr int factor = storage::kHighResolutionFactor;
  std::vector<std::string> names;
  for (const std::string& name : request.names)
    if (!name.empty()) names.push_back(name);
  std::string problem;
  if (!storage::IsSharperCopyOf(request.path, request.packagePath, names, problem)) {
    std::fprintf(stderr, "tessary: %s; the pictures stay at their own size\n", problem.c_str());
    return {};
  }
  std::vector<std::vector<TextureLevel>> pictures(kPictureSlots);
  storage::PackageEntry entry;
  storage::DecodedImage image;
  for (std::size_t slot = 0; slot < pictures.size(); ++slot) {
    const std::string& name = request.names[slot];
    if (name.empty()) continue;
    if (storage::ReadPX(request.path, name, entry) == 0 ||
        storage::JPEG24bitPX(entry, image, factor) == 0)
      return {};
    const int width = request.widths[slot] * factor, height = request.heights[slot] * factor;
    if (image.width != static_cast<uint32_t>(width) ||
        image.height != static_cast<uint32_t>(height)) {
      std::fprintf(stderr, "tessary: %s: entry \"%s\": is %u x %u pixels, not %d x %d\n",
                   storage::NativePath(request.path).c_str(), name.c_str(), image.width,
                   image.height, width, height);
      return {};
    }
    pictures[slot] = Mipmaps(width, height, image.pixels);
  }
  return pictures;
}

// The sharper pictures keep their own size where the GL takes any size (2.0), else GLU scales
// them to powers of two like the others.
bool TexturesOfAnySize() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version != nullptr && version[0] >= '2' && version[0] <= '9';
}

// Specifies every level of texture from levels, minified through them.
void UploadLevels(unsigned texture, const std::vector<TextureLevel>& levels) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (TexturesOfAnySize()) {
    for (std::size_t level = 0; level < levels.size(); ++level)
      glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 3, levels[level].width,
                   levels[level].height, 0, GL_RGB, GL_UNSIGNED_BYTE, levels[level].rgb.data());
  } else {
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, levels[0].width, levels[0].height, GL_RGB,
                      GL_UNSIGNED_BYTE, levels[0].rgb.data());
  }
  SetMinification(texture, true);
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
    MakeTexture(assets, storage::kTextureCount + k, assets.decodedImage, stagingPixels);
  }
  // The label-less twins, at the size of the picture they stand for (the same quad).
  for (int k = 0; k < storage::kTextureCount; ++k) {
    if (!HasBlankTwin(k)) continue;
    const std::string name = NameOfSlot(kFirstBlankSlot + k);
    if (!storage::HasEntry(packagePath, name)) continue;
    if (storage::ReadPX(packagePath, name, assets.packageEntry) == 0 ||
        storage::JPEG24bitPX(assets.packageEntry, assets.decodedImage) == 0 ||
        assets.decodedImage.pixels == nullptr ||
        assets.decodedImage.width != static_cast<uint32_t>(assets.pictureWidths[k]) ||
        assets.decodedImage.height != static_cast<uint32_t>(assets.pictureHeights[k]))
      continue;
    MakeTexture(assets, kFirstBlankSlot + k, assets.decodedImage, stagingPixels);
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
    MakeTexture(assets, k, image, stagingPixels);
  }
  LoadOptionalPictures(assets, stagingPixels, packagePath);
  storage::Free24BMP(assets.decodedImage);
  storage::FreePX(assets.packageEntry);

  CompileDisplayLists(assets);
  for (int face = 0; face < kFaceCount; ++face)
    assets.faceListTextures[face] = assets.textures[LIST_FACE_FIRST - 1 + face];
  assets.packagePath.assign(packagePath);
  assets.loaded = true;
  return true;
}

void UploadPicture(unsigned texture, int width, int height, const uint8_t* pixels) {
  glBindTexture(GL_TEXTURE_2D, texture);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  // Plain linear minification although the mipmaps exist: the pictures keep their look.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void SetMinification(unsigned texture, bool mipmapped) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
}

void FollowPictureSize(Assets& assets, std::string_view highResolutionPath, bool wait) {
  if (!assets.loaded) return;
  const bool sharper = assets.highResolutionWanted && !assets.highResolutionUnusable;
  if (!sharper) {
    // Back at once, before the frame: the pictures as loaded, kept level by level.
    if (!assets.highResolution && !assets.pictureChange) return;
    if (assets.pictureChange) {
      // Dropping the change waits for its worker anyway; a package it found unusable (and named
      // on stderr) is not read again at the next large size.
      PictureChange& change = *assets.pictureChange;
      if (change.worker.joinable()) change.worker.join();
      if (change.pictures.empty()) assets.highResolutionUnusable = true;
    }
    assets.pictureChange.reset();
    for (int slot = 0; slot < kPictureSlots; ++slot)
      RestoreLevels(TextureOfSlot(assets, slot), assets.keptLevels[slot]);
    UploadSetFaces(assets, false);
    assets.highResolution = false;
    return;
  }
  if (assets.highResolution) return;
  if (!assets.pictureChange) {
    auto change = std::make_shared<PictureChange>();
    PictureChange* target = change.get();
    // Reading and decoding take a while: off the UI thread, so that frames go on.
    change->worker = std::jthread([target, request = RequestFor(assets, highResolutionPath)] {
      target->pictures = ReadPictures(request);
      target->decoded.store(true, std::memory_order_release);
    });
    assets.pictureChange = std::move(change);
  }
  PictureChange& change = *assets.pictureChange;
  if (wait && change.worker.joinable()) change.worker.join();
  if (!change.decoded.load(std::memory_order_acquire)) return;
  if (change.pictures.empty()) {
    // The pictures stay as they are (the line is out), and the package is not read again.
    assets.highResolutionUnusable = true;
    assets.pictureChange.reset();
    return;
  }
  // A few pictures a frame, a frame's share of time at most: each texture changes whole, and a
  // picture sharp beside one not yet is the same picture.
  const auto start = std::chrono::steady_clock::now();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  while (change.nextSlot < kPictureSlots) {
    const int slot = change.nextSlot++;
    std::vector<TextureLevel>& picture = change.pictures[static_cast<std::size_t>(slot)];
    if (picture.empty()) continue;
    KeepLevels(TextureOfSlot(assets, slot), assets.keptLevels[slot]);
    UploadLevels(TextureOfSlot(assets, slot), picture);
    std::vector<TextureLevel>().swap(picture);
    if (!wait && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(4)) return;
  }
  UploadSetFaces(assets, true);
  assets.highResolution = true;
  assets.pictureChange.reset();
}

bool FramesPending() {
  const Assets& assets = TheAssets();
  const bool sharper = assets.highResolutionWanted && !assets.highResolutionUnusable;
  return !assets.loaded || sharper != assets.highResolution || assets.pictureChange != nullptr;
}

void UseHighResolutionPictures(Assets& assets, bool use, std::string_view highResolutionPath) {
  assets.highResolutionWanted = use;
  FollowPictureSize(assets, highResolutionPath, true);
}

void UploadSetFaces(Assets& assets, bool sharper) {
  const bool haveSharper = assets.sharperSetFaces.size() == assets.setTextures.size();
  for (std::size_t i = 0; i < assets.setTextures.size(); ++i) {
    if (sharper && haveSharper) {
      UploadLevels(assets.setTextures[i],
                   Mipmaps(storage::kFacePixels * 2, storage::kFacePixels * 2,
                           assets.sharperSetFaces[i].rgb.data()));
    } else {
      UploadPicture(assets.setTextures[i], storage::kFacePixels, storage::kFacePixels,
                    assets.setFaces[i].rgb.data());
      SetMinification(assets.setTextures[i], sharper);
    }
  }
}

void UseHighResolutionPictures(bool use) { TheAssets().highResolutionWanted = use; }

void FollowPictureSize(Assets& assets) {
  // The places are fixed before the first frame; looked up once.
  static const std::string path = storage::PathOf(storage::kHighResolutionPackagePath);
  FollowPictureSize(assets, path, false);
}

void CompileDisplayLists(const Assets& assets) {
  const unsigned* t = assets.textures;
  CompileFullScreenQuad(LIST_MENU_BACKGROUND, t[0]);
  CompileFlatQuad(LIST_STAR, t[1], 0.2f, 0.2f);
  CompileQuad(LIST_TITLE, t[2], 2.0f, 0.35f, 0.0f, {0.99f, 0.01f});
  // The menu's pictures take the sizes of the menu's table (game/menu.h).
  // A picture with a label-less twin gets the twin's list beside its own.
  const auto compileLabelled = [&assets, t](GLuint list, GLfloat w, GLfloat h) {
    const int texture = TextureOfList(list);
    CompileFlatQuad(list, t[texture], w, h);
    if (assets.blankTextures[texture] != 0)
      CompileFlatQuad(kBlankListOffset + list, assets.blankTextures[texture], w, h);
  };
  const auto compileMenu = [&compileLabelled](GLuint first, GLuint last, game::MenuName name) {
    const game::MenuPlace& place = game::GetMenuControl(name).place;
    for (GLuint list = first; list <= last; ++list)
      compileLabelled(list, place.halfWidth, place.halfHeight);
  };
  compileMenu(LIST_EASY, LIST_HARD_HOVER, game::MenuName::easy);
  compileMenu(LIST_README, LIST_README_HOVER, game::MenuName::help);
  compileMenu(LIST_OUT, LIST_OUT_HOVER, game::MenuName::exit);
  compileMenu(LIST_ABOUT, LIST_ABOUT_HOVER, game::MenuName::about);
  compileMenu(LIST_SOUND_ON, LIST_SOUND_OFF, game::MenuName::sound);
  compileMenu(LIST_MUSIC_ON, LIST_MUSIC_OFF, game::MenuName::music);
  for (GLuint list = LIST_BACK; list <= LIST_BACK_HOVER; ++list)
    compileLabelled(list, kBackHalfWidth, kBackHalfHeight);
  for (GLuint list = LIST_HIDDEN_PICTURE; list <= LIST_BOARD_BACKGROUND; ++list)
    CompileFullScreenQuad(list, t[list - 1]);
  for (GLuint list = LIST_FACE_FIRST; list < LIST_FACE_FIRST + kFaceCount; ++list)
    CompileFlatQuad(list, t[list - 1], 0.2f, 0.2f);
  // List 35 is never compiled: no scene calls it.
  CompileBox(t[34]);
  CompileBoxOutline();
  const game::MenuPlace& vsync = game::GetMenuControl(game::MenuName::vsync).place;
  compileLabelled(LIST_FPS_ON, vsync.halfWidth, vsync.halfHeight);
  compileLabelled(LIST_FPS_OFF, vsync.halfWidth, vsync.halfHeight);
  if (assets.optionalTextures[0] != 0)
    CompileFlatQuad(LIST_SELECTOR, assets.optionalTextures[0], kSelectorHalfWidth,
                    kSelectorHalfHeight);
  if (assets.optionalTextures[1] != 0)
    CompileFlatQuad(LIST_SELECTOR_HOVER, assets.optionalTextures[1], kSelectorHalfWidth,
                    kSelectorHalfHeight);
  if (assets.optionalTextures[2] != 0)
    CompileFullScreenQuad(LIST_README_BLANK, assets.optionalTextures[2]);
}

void CompileFaceList(int face, unsigned texture) {
  CompileFlatQuad(LIST_FACE_FIRST + static_cast<GLuint>(face), texture, 0.2f, 0.2f);
}

void CompileSecondCardList(int face, unsigned texture) {
  CompileFlatQuad(LIST_FACE_SECOND_FIRST + static_cast<GLuint>(face), texture, 0.2f, 0.2f);
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
