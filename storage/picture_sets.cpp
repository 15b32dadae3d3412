// Finding the picture sets and reading a set package's manifest and faces.
#include "storage/picture_sets.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <span>

#include "storage/deck_own.h"
#include "storage/decks.h"
#include "storage/formats.h"
#include "storage/manifest_lines.h"
#include "storage/paths.h"
#include "storage/picture_package.h"
#include "storage/storage_local.h"

namespace storage {

namespace fs = std::filesystem;

namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};

// How many faces box1.jpg, box2.jpg ... the package holds without a gap; -1 when it cannot be
// opened (reason in problem).
int CountFaceEntries(const std::string& path, std::string& problem) {
  int openError = 0;
  std::unique_ptr<zip_t, ArchiveCloser> archive(zip_open(path.c_str(), ZIP_RDONLY, &openError));
  if (!archive) {
    zip_error_t error;
    zip_error_init_with_code(&error, openError);
    problem = std::string("cannot be opened as a package: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return -1;
  }
  int count = 0;
  while (count < kMaxSetPictures &&
         zip_name_locate(archive.get(), SetFaceEntry(count).c_str(), 0) >= 0)
    ++count;
  return count;
}

// The field a name key sets (lower case): "name", "name.CODE", "face.N", "face.N.CODE" with N
// from 1 to kMaxSetPictures; null for any other key.
std::string* NameField(SetManifest& manifest, std::string_view key) {
  int face = 0;  // 1.. for a face's name
  std::string_view rest;
  if (key.starts_with("name")) {
    rest = key.substr(4);
  } else if (key.starts_with("face.")) {
    rest = key.substr(5);
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 3 &&
           std::isdigit(static_cast<unsigned char>(rest[digits])))
      face = face * 10 + (rest[digits++] - '0');
    if (digits == 0 || rest[0] == '0' || face > kMaxSetPictures) return nullptr;
    rest.remove_prefix(digits);
  } else {
    return nullptr;
  }
  if (!rest.empty() && (rest.front() != '.' || !IsLanguageCode(rest.substr(1)))) return nullptr;
  TranslatedName* name = &manifest.name;
  if (face > 0) {
    if (manifest.faceNames.size() < static_cast<std::size_t>(face))
      manifest.faceNames.resize(static_cast<std::size_t>(face));
    name = &manifest.faceNames[static_cast<std::size_t>(face - 1)];
  }
  if (rest.empty()) return &name->english;
  // The key came lower-cased: the code is spelled back as the catalogues spell it ("zh_TW").
  return &name->translations[CatalogueSpelling(rest.substr(1))];
}

bool IsShortName(std::string_view name) {
  return CharacterCount(name) <= static_cast<std::size_t>(kMaxSetNameCharacters);
}

// A built-in set package, or nothing after one line on stderr.
bool ReadSetPackage(const fs::path& path, PictureSetInfo& set) {
  const std::string native = path.string();
  std::string problem;
  // A package whose manifest gives pairs is a deck, keyed by its stem like any built-in set.
  if (const int deck = ReadOwnDeckInfo(native, set, problem); deck != 0) {
    if (deck < 0) ReportProblem(problem);
    set.key = path.stem().string();
    return deck > 0;
  }
  problem.clear();
  const int count = CountFaceEntries(native, problem);
  if (count < 0) {
    ReportProblem(native + ": not a picture set: " + problem);
    return false;
  }
  // ReadPX names the file and the entry itself when the manifest is missing or unreadable.
  PackageEntry entry;
  if (ReadPX(native, kSetManifestEntry, entry) == 0) return false;
  SetManifest manifest;
  const std::string_view text(reinterpret_cast<const char*>(entry.bytes.data()),
                              entry.bytes.size());
  if (!ParseSetManifest(text, manifest, problem)) {
    ReportProblem(native + ": " + std::string(kSetManifestEntry) + ": " + problem);
    return false;
  }
  if (count == 0) {
    ReportProblem(native + ": not a picture set: it holds no " + SetFaceEntry(0));
    return false;
  }
  set.kind = SetKind::package;
  set.name = manifest.name;
  set.faceNames = manifest.faceNames;
  set.paths = {native};
  set.key = path.stem().string();
  set.pictureCount = count;
  return true;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  std::string text = absolute.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

bool ParseSetManifest(std::string_view text, SetManifest& manifest, std::string& problem) {
  return ParseSetManifestWith(text, kMaxManifestBytes, manifest, nullptr, problem);
}

bool ParseSetManifestWith(std::string_view text, std::size_t maxBytes, SetManifest& manifest,
                          const std::function<bool(const ManifestLine&, std::string&)>& other,
                          std::string& problem) {
  SetManifest parsed;
  std::set<std::string, std::less<>> seen;
  const auto take = [&](const ManifestLine& line, std::string& refusal) {
    std::string* field = nullptr;
    if (line.key == "author") field = &parsed.author;
    else if (line.key == "licence") field = &parsed.licence;
    else field = NameField(parsed, line.key);
    if (field == nullptr) return !other || other(line, refusal);  // else a later version's
    if (!seen.insert(line.key).second) {
      refusal = line.where + " gives " + line.key + " a second time";
      return false;
    }
    field->assign(line.value);
    if (!IsShortName(*field)) {
      refusal = "the name \"" + *field + "\" is longer than " +
                std::to_string(kMaxSetNameCharacters) + " characters";
      return false;
    }
    return true;
  };
  if (!ForEachManifestLine(text, maxBytes, take, problem)) return false;
  if (parsed.name.english.empty()) {
    problem = "gives no name";
    return false;
  }
  // An empty translation is no translation: the English name stands in.
  const auto dropEmpty = [](TranslatedName& name) {
    std::erase_if(name.translations, [](const auto& entry) { return entry.second.empty(); });
  };
  dropEmpty(parsed.name);
  for (TranslatedName& name : parsed.faceNames) dropEmpty(name);
  manifest = std::move(parsed);
  return true;
}

PictureSetInfo ClassicSet() {
  PictureSetInfo set;
  set.kind = SetKind::classic;
  set.name = {"Classic", {}};  // shown through the catalogues' "Classic"
  set.key = "classic";
  set.pictureCount = kTextureCount - 27;  // box1.jpg ... box10.jpg
  return set;
}

std::vector<PictureSetInfo> FindPictureSetsIn(const std::string& builtInFolder,
                                              const std::string& playerFolder) {
  std::vector<PictureSetInfo> sets = {ClassicSet()};
  auto sortedEntries = [](const std::string& folder, bool folders) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (name.starts_with('.')) continue;
      std::error_code typeError;
      if (folders ? it->is_directory(typeError)
                  : it->is_regular_file(typeError) && name.ends_with(kSetPackageSuffix))
        found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  for (const fs::path& package : sortedEntries(builtInFolder, false)) {
    PictureSetInfo set;
    if (ReadSetPackage(package, set)) sets.push_back(std::move(set));
  }
  // The player's folder: each deck (a file or a folder) gives its sets, any other folder is a
  // set of photos.
  std::vector<fs::path> playerEntries;
  std::error_code error;
  for (fs::directory_iterator it(playerFolder, error), end; !error && it != end;
       it.increment(error))
    if (!it->path().filename().string().starts_with('.')) playerEntries.push_back(it->path());
  std::sort(playerEntries.begin(), playerEntries.end());
  for (const fs::path& entry : playerEntries) {
    std::vector<PictureSetInfo> decks = DeckSetsAt(entry.string());
    std::error_code typeError;
    if (decks.empty() && fs::is_directory(entry, typeError))
      decks.push_back(PlayerSet({entry.string()}));
    for (PictureSetInfo& deck : decks) sets.push_back(std::move(deck));
  }
  return sets;
}

std::vector<PictureSetInfo> FindPictureSets() {
  return FindPictureSetsIn(PathOf(kPicturesFolder), PlayerPicturesFolder());
}

PictureSetInfo PlayerSet(const std::vector<std::string>& paths) {
  PictureSetInfo set;
  std::error_code error;
  const bool folder = paths.size() == 1 && fs::is_directory(paths.front(), error);
  set.kind = folder ? SetKind::folder : SetKind::files;
  for (const std::string& path : paths) set.paths.push_back(AbsolutePath(path));
  if (!set.paths.empty()) {
    const fs::path first(set.paths.front());
    set.name.english = (folder ? first.filename() : first.parent_path().filename()).string();
    // Loose files are kept for the run only: there is no one path to remember them by.
    if (folder) set.key = set.paths.front();
  }
  if (set.name.english.empty()) set.name.english = "/";
  return set;
}

namespace {

// The faces box1.jpg ... box<count>.jpg of the package at path, factor times kFacePixels square;
// a face that cannot be used is skipped after one line on stderr, and counted in skipped. With
// allOrNone the first such face ends the reading with no faces.
std::vector<FaceImage> ReadFaceEntries(const std::string& path, int count, int factor,
                                       bool allOrNone, std::span<const TranslatedName> names,
                                       int& skipped) {
  std::vector<FaceImage> faces;
  skipped = 0;
  const uint32_t side = static_cast<uint32_t>(kFacePixels * factor);
  PackageEntry entry;
  DecodedImage image;
  for (int picture = 0; picture < count; ++picture) {
    const std::string name = SetFaceEntry(picture);
    // Both name the file and the entry on stderr when they fail.
    bool usable = ReadPX(path, name, entry) != 0 && JPEG24bitPX(entry, image, factor) != 0;
    if (usable && (image.width != side || image.height != side)) {
      ReportProblem(path + ": entry \"" + name + "\": is " + std::to_string(image.width) +
                    " x " + std::to_string(image.height) + " pixels, not the " +
                    std::to_string(side) + " x " + std::to_string(side) + " of a face");
      usable = false;
    }
    if (usable) {
      const std::size_t index = static_cast<std::size_t>(picture);
      faces.push_back({path + ":" + name, std::move(image.pixelStorage),
                       index < names.size() ? names[index] : TranslatedName{}});
      continue;
    }
    ++skipped;
    if (allOrNone) {
      faces.clear();
      break;
    }
  }
  Free24BMP(image);
  FreePX(entry);
  return faces;
}

}  // namespace

std::vector<FaceImage> ReadSetFaces(const PictureSetInfo& set, int& skipped) {
  skipped = 0;
  if (set.kind != SetKind::package || set.paths.empty()) return {};
  return ReadFaceEntries(set.paths.front(), set.pictureCount, 1, false, set.faceNames, skipped);
}

std::vector<FaceImage> ReadHighResolutionSetFaces(const PictureSetInfo& set,
                                                  const std::string& highResolutionFolder) {
  if (set.kind != SetKind::package || set.paths.empty() || highResolutionFolder.empty())
    return {};
  const std::string path =
      (fs::path(highResolutionFolder) / fs::path(set.paths.front()).filename()).string();
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    ReportProblem(path + ": missing; the set keeps its faces at their own size");
    return {};
  }
  std::vector<std::string> names;
  for (int picture = 0; picture < set.pictureCount; ++picture)
    names.push_back(SetFaceEntry(picture));
  std::string problem;
  if (!IsSharperCopyOf(path, set.paths.front(), names, problem)) {
    ReportProblem(problem + "; the set keeps its faces at their own size");
    return {};
  }
  // A face short would give the others' places to the wrong pictures: all or none, and the
  // first unusable face is the one line about it.
  int skipped = 0;
  return ReadFaceEntries(path, set.pictureCount, kHighResolutionFactor, true, set.faceNames,
                         skipped);
}

std::vector<FaceImage> ReadHighResolutionSetFaces(const PictureSetInfo& set) {
  return ReadHighResolutionSetFaces(set, PathOf(kHighResolutionPicturesFolder));
}

}  // namespace storage
