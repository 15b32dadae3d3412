// tessary-datagen: draws and synthesizes all of Tessary's data into a run directory.
//   tessary-datagen --out DIR [--catalogues PO_DIR] [--contact-sheet FILE.png] [--mockups DIR]
//   tessary-datagen --icons DIR --icon-name NAME
//   tessary-datagen --measure DIR
// Writes DIR/data/game.px, the picture sets DIR/data/pictures/*.px, the same pictures at twice
// their size in DIR/data/game-2x.px and DIR/data/pictures-2x/*.px, DIR/data/loading.logo,
// DIR/data/icon.bmp and the nine files of DIR/music/, and the built-in decks beside the sets in
// DIR/data/pictures/; the picture sets and decks name themselves in the
// languages of the catalogues PO_DIR/LINGUAS names. The same bytes on every run. --icons draws the
// window icon's artwork at the desktop's sizes into DIR/SIZExSIZE/apps/NAME.png. --measure prints
// the figures of DIR's sounds.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "storage/formats.h"
#include "tools/image_file.h"
#include "tools/measure.h"
#include "tools/decks.h"
#include "tools/pictures.h"
#include "tools/sounds.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tessary-datagen --out DIR [--catalogues PO_DIR] [--contact-sheet FILE.png]\n"
               "                      [--mockups DIR]\n"
               "       tessary-datagen --icons DIR --icon-name NAME\n"
               "       tessary-datagen --measure DIR\n");
  return 2;
}

bool WriteSounds(const std::filesystem::path& out, const std::vector<tools::Sound>& sounds) {
  bool ok = true;
  for (const tools::Sound& sound : sounds) {
    const std::filesystem::path path = out / storage::NativePath(sound.storedPath);
    if (sound.music) {
      ok = tools::WriteWma(path, tools::WithWmaPreroll(sound.samples), 128000) && ok;
    } else {
      ok = tools::WriteWav(path, sound.samples) && ok;
    }
  }
  return ok;
}

// The icon theme's sizes, drawn from the same artwork as the window icon rather than scaled.
bool WriteDesktopIcons(const std::filesystem::path& out, const std::string& name) {
  bool ok = true;
  for (int size : {48, 64, 128, 256}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    std::error_code error;
    std::filesystem::create_directories(out / folder / "apps", error);
    tools::Canvas icon(size, size);
    tools::DrawIcon(icon);
    ok = tools::WriteIconPng(out / folder / "apps" / (name + ".png"), icon) && ok;
  }
  return ok;
}

// A high-resolution package names the package written before it at drawnFrom (when given).
void AddSourceListing(std::vector<tools::PackageItem>& items,
                      const std::filesystem::path& drawnFrom, bool& ok) {
  if (drawnFrom.empty()) return;
  const std::string listing = tools::SourceListing(drawnFrom);
  if (listing.empty()) ok = false;
  items.push_back({std::string(storage::kHighResolutionSourceEntry),
                   std::vector<uint8_t>(listing.begin(), listing.end())});
}

bool WritePackagePictures(const std::filesystem::path& path,
                          const std::vector<tools::NamedPicture>& pictures,
                          const std::filesystem::path& drawnFrom = {}) {
  bool ok = true;
  std::vector<tools::PackageItem> items;
  for (const tools::NamedPicture& named : pictures) {
    std::vector<uint8_t> jpeg = tools::EncodeJpeg(named.picture);
    if (jpeg.empty()) ok = false;
    items.push_back({named.name, std::move(jpeg)});
  }
  AddSourceListing(items, drawnFrom, ok);
  return ok && tools::WritePackage(path, items);
}

// The built-in sets, each a package of its faces and its manifest in the given folder; the
// high-resolution ones name the packages of the same name in drawnFromFolder.
bool WritePictureSets(const std::filesystem::path& out,
                      std::span<const tools::Catalogue> catalogues, std::string_view storedFolder,
                      std::string_view drawnFromFolder = {}) {
  const std::filesystem::path folder = out / storage::NativePath(storedFolder);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  bool ok = true;
  for (const tools::PictureSetArt& set : tools::MakePictureSets(catalogues)) {
    std::vector<tools::PackageItem> items;
    for (std::size_t i = 0; i < set.faces.size(); ++i) {
      std::vector<uint8_t> jpeg = tools::EncodeJpeg(set.faces[i]);
      if (jpeg.empty()) ok = false;
      items.push_back({storage::SetFaceEntry(static_cast<int>(i)), std::move(jpeg)});
    }
    items.push_back({std::string(storage::kSetManifestEntry),
                     std::vector<uint8_t>(set.manifest.begin(), set.manifest.end())});
    const std::string file = set.fileStem + std::string(storage::kSetPackageSuffix);
    if (!drawnFromFolder.empty())
      AddSourceListing(items, out / storage::NativePath(drawnFromFolder) / file, ok);
    ok = tools::WritePackage(folder / file, items) && ok;
  }
  return ok;
}

// The built-in decks, each a package of its manifest and its entries in the pictures folder.
bool WriteDecks(const std::filesystem::path& out, std::span<const tools::Catalogue> catalogues) {
  const std::filesystem::path folder = out / storage::NativePath(storage::kPicturesFolder);
  bool ok = true;
  for (tools::DeckArt& deck : tools::MakeDecks(catalogues)) {
    for (const tools::PackageItem& item : deck.entries) ok = ok && !item.jpeg.empty();
    deck.entries.insert(deck.entries.begin(),
                        {std::string(storage::kSetManifestEntry),
                         std::vector<uint8_t>(deck.manifest.begin(), deck.manifest.end())});
    ok = tools::WritePackage(folder / (deck.fileStem + std::string(storage::kSetPackageSuffix)),
                             deck.entries) && ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir, contactSheet, mockups, measure, icons, iconName, catalogueFolder;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--out") && hasValue) outDir = argv[++i];
    else if (!std::strcmp(argv[i], "--contact-sheet") && hasValue) contactSheet = argv[++i];
    else if (!std::strcmp(argv[i], "--mockups") && hasValue) mockups = argv[++i];
    else if (!std::strcmp(argv[i], "--measure") && hasValue) measure = argv[++i];
    else if (!std::strcmp(argv[i], "--icons") && hasValue) icons = argv[++i];
    else if (!std::strcmp(argv[i], "--icon-name") && hasValue) iconName = argv[++i];
    else if (!std::strcmp(argv[i], "--catalogues") && hasValue) catalogueFolder = argv[++i];
    else return Usage();
  }
  if (!measure.empty()) return tools::MeasureSounds(measure) ? 0 : 1;
  if (!icons.empty()) {
    if (iconName.empty() || !outDir.empty()) return Usage();
    return WriteDesktopIcons(icons, iconName) ? 0 : 1;
  }
  if (outDir.empty()) return Usage();
  std::vector<tools::Catalogue> catalogues;
  if (!catalogueFolder.empty() && !tools::ReadCatalogues(catalogueFolder, catalogues)) return 1;

  const std::filesystem::path out(outDir);
  std::error_code error;
  std::filesystem::create_directories(out / "data", error);
  std::filesystem::create_directories(out / "music", error);
  if (error) {
    std::fprintf(stderr, "tessary-datagen: cannot create %s: %s\n", outDir.c_str(),
                 error.message().c_str());
    return 1;
  }

  // Sounds on a second thread while the pictures are drawn here: the two share nothing.
  std::vector<tools::Sound> sounds;
  std::thread soundThread([&sounds] { sounds = tools::MakeSounds(); });

  bool ok = true;
  const std::vector<tools::NamedPicture> pictures = tools::MakePackagePictures();
  ok = WritePackagePictures(out / storage::NativePath(storage::kPackagePath), pictures);
  ok = WritePictureSets(out, catalogues, storage::kPicturesFolder) && ok;
  ok = WriteDecks(out, catalogues) && ok;
  {
    // The same artwork drawn again at twice the size, for large windows.
    tools::DrawingScale twice(storage::kHighResolutionFactor);
    ok = WritePackagePictures(out / storage::NativePath(storage::kHighResolutionPackagePath),
                              tools::MakePackagePictures(),
                              out / storage::NativePath(storage::kPackagePath)) && ok;
    ok = WritePictureSets(out, catalogues, storage::kHighResolutionPicturesFolder,
                          storage::kPicturesFolder) && ok;
  }
  const tools::Picture loading = tools::MakeLoadingPicture();
  ok = tools::WriteLoadingPicture(out / storage::NativePath(storage::kLoadingPicturePath),
                                  loading) && ok;
  {
    tools::Canvas icon(64, 64);
    tools::DrawIcon(icon);
    ok = tools::WriteIconBmp(out / "data" / "icon.bmp", icon) && ok;
  }
  if (!contactSheet.empty()) ok = tools::WriteContactSheet(contactSheet, pictures) && ok;
  if (!mockups.empty()) {
    std::filesystem::create_directories(mockups, error);
    ok = tools::WriteMockups(mockups, pictures, loading) && ok;
  }

  soundThread.join();
  ok = WriteSounds(out, sounds) && ok;
  return ok ? 0 : 1;
}
