// The game's pictures, drawn from code: the package entries, the loading picture and the
// window icon. Called from the generator's picture thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/catalogue.h"
#include "tools/draw.h"

namespace tools {

struct NamedPicture {
  std::string name;  // the package entry name
  Picture picture;
};

// Width and height of a package entry, at the aspect ratio of the quad it is drawn on; the
// high-resolution package holds it at kHighResolutionFactor times this.
struct PictureSize {
  int width;
  int height;
};
PictureSize PackagePictureSize(std::string_view entryName);

// All package pictures: the 37 of storage::TextureTable in its order, then the optional ones of
// storage::OptionalPictureTable, then the label-less ones of storage::BlankPictureSources.
std::vector<NamedPicture> MakePackagePictures();

// The 600 x 450 loading picture.
Picture MakeLoadingPicture();

// Draws the 64 x 64 window icon (with alpha) on canvas.
void DrawIcon(Canvas& canvas);

// Shared motifs.
// A box seen from above-right in isometric view, tinted, centred on (cx, cy), size across.
void DrawIsoCube(cairo_t* cr, double cx, double cy, double size, const Colour& tint);
// The ten face emoji, in face order.
std::string_view FaceEmoji(int face);

// The individual pictures (each returns a picture of PackagePictureSize of its entry, times the
// thread's DrawingScale).
Picture MakeMenuBackground();
Picture MakeStar();
Picture MakeTitle();
// A button or switch of the labelled entry entryName; without its label when !labelled (its
// entry in the package then storage::BlankPictureEntry(entryName)).
Picture MakeButton(std::string_view entryName, bool hover, bool labelled = true);
Picture MakeSwitch(std::string_view entryName, bool on, bool labelled = true);
Picture MakeHiddenPicture();
// The help page; without words, the game writes them in the player's language.
Picture MakeHelpPicture(bool words);
Picture MakeBoardBackground();
Picture MakeFace(int face);
// A face card: the emoji with its shadow on a pastel card of the background colour (0xRRGGBB).
Picture MakeEmojiCard(std::string_view emoji, uint32_t background);

// A face of the emoji sets: the emoji on a pastel card and what it shows.
struct EmojiFace {
  std::string_view emoji;
  uint32_t background;
  std::string_view name;     // what it shows, for the manifest: in English
  std::string_view chinese;  // and in Chinese
};
// The animals set's faces, in their order.
std::span<const EmojiFace> AnimalFaces();

// A manifest's lines for a name: its English value, the Chinese one as "KEY.zh" (what readers
// before the catalogues' codes know; left out when chinese is empty), then one "KEY.CODE" per
// catalogue that translates the English.
std::string NameLines(const std::string& key, std::string_view english, std::string_view chinese,
                      std::span<const Catalogue> catalogues);

// The built-in picture sets beside the classic faces: each a name for its file, the manifest's
// text and its faces (at least ten, PackagePictureSize("box1.jpg") times DrawingScale each).
// The manifest names the set and its faces in English, Chinese ("zh") and the language of each
// catalogue that translates them (keys "name.CODE", "face.N.CODE" with the catalogue's code).
struct PictureSetArt {
  std::string fileStem;  // "animals": data/pictures/animals.px
  std::string manifest;
  std::vector<Picture> faces;
};
std::vector<PictureSetArt> MakePictureSets(std::span<const Catalogue> catalogues);
Picture MakeBoxSkin();

// Previews for people (not game data): every package picture labelled on one sheet, and
// the menu, a board and the about screen composed roughly as the game draws them.
bool WriteContactSheet(const std::string& path, const std::vector<NamedPicture>& pictures);
bool WriteMockups(const std::string& directory, const std::vector<NamedPicture>& pictures,
                  const Picture& loading);

}  // namespace tools
