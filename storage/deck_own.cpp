// Our own deck package: the manifest's pairs, the listing of such a package, and its cards read
// within the limits every deck keeps.
#include "storage/deck_own.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <span>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"
#include "storage/deck_local.h"
#include "storage/formats.h"
#include "storage/manifest_lines.h"
#include "storage/photo_local.h"
#include "storage/storage_local.h"

namespace storage {

namespace fs = std::filesystem;

namespace {

// The deck limits' table (storage/deck_limits.h) in the units this file counts in.
constexpr int kPairLimit = kMaxDeckPairs;
constexpr std::size_t kManifestLimit = static_cast<std::size_t>(kMaxDeckManifestBytes);
constexpr int64_t kEntryCountLimit = kMaxDeckEntries;
constexpr uint64_t kEntryLimit = static_cast<uint64_t>(kMaxDeckEntryBytes);
constexpr uint64_t kTotalLimit = static_cast<uint64_t>(kMaxDeckTotalBytes);
constexpr uint64_t kSoundLimit = static_cast<uint64_t>(kMaxDeckSoundBytes);
constexpr double kSoundSecondsLimit = kMaxDeckSoundSeconds;
constexpr std::size_t kMaxEntryNameBytes = 255;

// ---- The manifest's pair keys ----

// The field a pair key sets in pairs (grown to its number), null for a key of no known shape;
// number gets the pair's number (also past the limit, where the field is null).
std::string* PairField(std::vector<DeckPairEntries>& pairs, std::string_view key, int& number,
                       bool& isEntry) {
  number = 0;
  isEntry = false;
  if (!key.starts_with("pair.")) return nullptr;
  std::string_view rest = key.substr(5);
  std::size_t digits = 0;
  while (digits < rest.size() && digits < 7 &&
         std::isdigit(static_cast<unsigned char>(rest[digits])))
    number = number * 10 + (rest[digits++] - '0');
  if (digits == 0 || rest[0] == '0' || digits == 7 || digits == rest.size() ||
      rest[digits] != '.')
    return nullptr;
  rest.remove_prefix(digits + 1);
  // The card's part ("a.word.de") or the pair's name ("name.de").
  std::string_view field;
  int side = -1;
  if (rest.starts_with("a.") || rest.starts_with("b.")) {
    side = rest[0] == 'a' ? 0 : 1;
    rest.remove_prefix(2);
  }
  const std::size_t dot = rest.find('.');
  field = rest.substr(0, dot);
  const std::string_view code = dot == std::string_view::npos ? "" : rest.substr(dot + 1);
  const bool named = side < 0 ? field == "name" : field == "word";
  if (!named && (side < 0 || (field != "picture" && field != "sound"))) return nullptr;
  if (dot != std::string_view::npos && (!named || !IsLanguageCode(code))) return nullptr;
  if (number > kPairLimit) return nullptr;
  if (pairs.size() < static_cast<std::size_t>(number))
    pairs.resize(static_cast<std::size_t>(number));
  DeckPairEntries& pair = pairs[static_cast<std::size_t>(number - 1)];
  DeckCardEntries& card = side == 1 ? pair.second : pair.first;
  TranslatedName* name = side < 0 ? &pair.name : named ? &card.word : nullptr;
  if (name == nullptr) {
    isEntry = true;
    return field == "picture" ? &card.picture : &card.sound;
  }
  if (code.empty()) return &name->english;
  return &name->translations[CatalogueSpelling(code)];
}

bool IsSensibleEntryName(std::string_view name) {
  return name.size() <= kMaxDeckEntryNameBytes && !name.starts_with('/') &&
         name.find("..") == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

// ---- The package ----

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// Opens path as a ZIP within the entry count, or null with problem set.
Archive OpenDeckArchive(const std::string& path, std::string& problem) {
  int openError = 0;
  Archive archive(zip_open(path.c_str(), ZIP_RDONLY, &openError));
  if (!archive) {
    zip_error_t error;
    zip_error_init_with_code(&error, openError);
    problem = std::string("cannot be opened as a package: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return nullptr;
  }
  if (zip_get_num_entries(archive.get(), 0) > kMaxDeckEntries) {
    problem = "holds more than " + std::to_string(kMaxDeckEntries) + " entries";
    return nullptr;
  }
  return archive;
}

// Reads entry name within limit bytes, adding to total (refused past kTotalLimit). Empty
// with problem set when it is missing, too large or unreadable.
std::vector<uint8_t> ReadDeckEntry(zip_t* archive, const std::string& name, uint64_t limit,
                                   uint64_t& total, std::string& problem) {
  const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (index < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
      !(stat.valid & ZIP_STAT_SIZE)) {
    problem = "entry \"" + name + "\" is missing";
    return {};
  }
  if (stat.size > limit || stat.size == 0) {
    problem = "entry \"" + name + "\" is " +
              (stat.size == 0 ? std::string("empty")
                              : "larger than " + std::to_string(limit) + " bytes");
    return {};
  }
  if (total + stat.size > uint64_t(kMaxDeckTotalBytes)) {
    problem = "the entries read pass " + std::to_string(kMaxDeckTotalBytes) + " bytes";
    return {};
  }
  std::vector<uint8_t> bytes(stat.size);
  zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
  const zip_int64_t read = file ? zip_fread(file, bytes.data(), bytes.size()) : -1;
  if (file) zip_fclose(file);
  if (read != static_cast<zip_int64_t>(bytes.size())) {
    problem = "entry \"" + name + "\" cannot be read";
    return {};
  }
  total += bytes.size();
  return bytes;
}

// ---- Sounds ----

uint64_t Little(std::span<const uint8_t> bytes, std::size_t at, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + std::size_t(i)];
  return value;
}

// The length in seconds of a sound the header tells it of (WAV from its byte rate, Ogg from
// its last page's position, FLAC from its stream information); negative when it cannot be told.
double SoundSeconds(std::span<const uint8_t> bytes) {
  const auto text = [&](std::size_t at, std::string_view what) {
    return at + what.size() <= bytes.size() &&
           std::equal(what.begin(), what.end(), bytes.begin() + std::ptrdiff_t(at));
  };
  if (text(0, "RIFF") && text(8, "WAVE")) {
    uint64_t byteRate = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
      const uint64_t size = Little(bytes, at + 4, 4);
      if (text(at, "fmt ") && at + 16 <= bytes.size()) byteRate = Little(bytes, at + 16, 4);
      if (text(at, "data")) return byteRate > 0 ? double(size) / double(byteRate) : -1;
      at += 8 + size + (size & 1);
    }
    return -1;
  }
  if (text(0, "fLaC") && bytes.size() >= 26) {
    // STREAMINFO: 20 bits of rate, 3 of channels, 5 of depth, 36 of samples, from byte 18.
    const uint64_t bits = (Little(bytes, 18, 1) << 56) | (Little(bytes, 19, 1) << 48) |
                          (Little(bytes, 20, 1) << 40) | (Little(bytes, 21, 1) << 32) |
                          (Little(bytes, 22, 1) << 24) | (Little(bytes, 23, 1) << 16) |
                          (Little(bytes, 24, 1) << 8) | Little(bytes, 25, 1);
    const uint64_t rate = bits >> 44, samples = bits & ((uint64_t{1} << 36) - 1);
    return rate > 0 && samples > 0 ? double(samples) / double(rate) : -1;
  }
  if (text(0, "OggS") && bytes.size() >= 28 + 16) {
    // The first packet follows the first page's segment table.
    const std::size_t packet = 27 + std::size_t(bytes[26]);
    uint64_t rate = 0;
    if (text(packet, "\x01vorbis") && packet + 16 <= bytes.size())
      rate = Little(bytes, packet + 12, 4);
    else if (text(packet, "OpusHead"))
      rate = 48000;  // Opus positions count at 48 kHz whatever the input's rate
    if (rate == 0) return -1;
    for (std::size_t at = bytes.size() - 4; at > 0; --at)
      if (text(at, "OggS") && at + 14 <= bytes.size())
        return double(Little(bytes, at + 6, 8)) / double(rate);
    return -1;
  }
  return -1;
}

// Empty, or why these bytes are no sound a card can play.
std::string SoundProblem(const std::string& name, std::span<const uint8_t> bytes) {
  const double seconds = SoundSeconds(bytes);
  if (seconds < 0) return "entry \"" + name + "\" is no WAV, Ogg or FLAC sound";
  if (seconds > kSoundSecondsLimit)
    return "entry \"" + name + "\" plays longer than " +
           std::to_string(int(kSoundSecondsLimit)) + " seconds";
  return {};
}

// The spoken name of a card without a word: its pair's name, else its entry's stem.
TranslatedName CardName(const DeckPairEntries& pair, const DeckCardEntries& card) {
  if (!card.word.english.empty()) return card.word;
  if (!pair.name.english.empty()) return pair.name;
  const std::string& entry = card.picture.empty() ? card.sound : card.picture;
  return {fs::path(entry).stem().string(), {}};
}

// Reads one card, or false with problem set.
bool ReadCard(zip_t* archive, const DeckPairEntries& pair, const DeckCardEntries& card,
              const std::string& source, uint64_t& total, FaceImage& face, std::string& problem,
              const std::atomic<bool>* cancel) {
  face = {};
  face.source = source;
  face.word = card.word;
  face.name = CardName(pair, card);
  if (!card.picture.empty()) {
    const std::vector<uint8_t> bytes =
        ReadDeckEntry(archive, card.picture, kEntryLimit, total, problem);
    if (bytes.empty()) return false;
    // SVG drawings too, as the other games' decks have them.
    std::string reason;
    if (!DeckPictureToFace(card.picture, bytes, face.rgb, reason, cancel)) {
      problem = "entry \"" + card.picture + "\": " + reason;
      return false;
    }
  }
  if (!card.sound.empty()) {
    face.sound = ReadDeckEntry(archive, card.sound, kSoundLimit, total, problem);
    if (face.sound.empty()) return false;
    problem = SoundProblem(card.sound, face.sound);
    if (!problem.empty()) return false;
  }
  return true;
}

}  // namespace

bool DeckManifest::TwoKinds() const {
  return std::any_of(pairs.begin(), pairs.end(),
                     [](const DeckPairEntries& pair) { return !pair.second.IsEmpty(); });
}

bool IsDeckManifest(std::string_view text) {
  if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.size() >= 5 && std::equal(line.begin(), line.begin() + 5, "pair.",
                                       [](char a, char b) { return std::tolower(a) == b; }))
      return true;
  }
  return false;
}

bool ParseDeckManifest(std::string_view text, DeckManifest& manifest, std::string& problem) {
  DeckManifest parsed;
  std::set<std::string, std::less<>> seen;
  std::set<int> given;
  bool pastLimit = false;
  const auto take = [&](const ManifestLine& line, std::string& refusal) {
    int number = 0;
    bool isEntry = false;
    std::string* field = nullptr;
    if (line.key == "divided") {
      if (line.value != "0" && line.value != "1") {
        refusal = line.where + " gives divided neither 0 nor 1";
        return false;
      }
    } else {
      field = PairField(parsed.pairs, line.key, number, isEntry);
      if (field == nullptr) {
        pastLimit = pastLimit || number > kPairLimit;
        return true;  // a key of a later version, or a pair past the limit
      }
    }
    if (!seen.insert(line.key).second) {
      refusal = line.where + " gives " + line.key + " a second time";
      return false;
    }
    if (field == nullptr) {
      parsed.divided = line.value == "1";
      return true;
    }
    given.insert(number);
    field->assign(line.value);
    if (isEntry && !IsSensibleEntryName(*field)) {
      refusal = line.where + " names no entry of the package";
      return false;
    }
    if (!isEntry && CharacterCount(*field) > static_cast<std::size_t>(kMaxSetNameCharacters)) {
      refusal = line.where + " gives a word longer than " +
                std::to_string(kMaxSetNameCharacters) + " characters";
      return false;
    }
    return true;
  };
  if (!ParseSetManifestWith(text, kManifestLimit, parsed.set, take, problem)) return false;
  // The first number not given ends the list.
  std::size_t count = 0;
  while (count < parsed.pairs.size() && given.contains(static_cast<int>(count) + 1)) ++count;
  parsed.pairs.resize(count);
  if (parsed.pairs.empty()) {
    problem = "gives no pair.1";
    return false;
  }
  parsed.morePairs = pastLimit && count == static_cast<std::size_t>(kPairLimit);
  const auto dropEmpty = [](TranslatedName& name) {
    std::erase_if(name.translations, [](const auto& entry) { return entry.second.empty(); });
  };
  for (DeckPairEntries& pair : parsed.pairs)
    for (TranslatedName* name : {&pair.name, &pair.first.word, &pair.second.word}) dropEmpty(*name);
  manifest = std::move(parsed);
  return true;
}

std::vector<std::size_t> UsablePairs(const DeckManifest& manifest,
                                     std::vector<std::string>* problems) {
  std::vector<std::size_t> usable;
  const bool twoKinds = manifest.TwoKinds();
  if (manifest.morePairs && problems)
    problems->push_back("more than " + std::to_string(kPairLimit) + " pairs: the first " +
                        std::to_string(kPairLimit) + " are used");
  for (std::size_t i = 0; i < manifest.pairs.size(); ++i) {
    const DeckPairEntries& pair = manifest.pairs[i];
    const std::string which = "pair " + std::to_string(i + 1);
    if (pair.first.IsEmpty()) {
      if (problems) problems->push_back(which + " has nothing on its first card: left out");
    } else if (twoKinds && pair.second.IsEmpty()) {
      if (problems) problems->push_back(which + " has no second card: left out");
    } else {
      usable.push_back(i);
    }
  }
  return usable;
}

int ReadOwnDeckInfo(const std::string& path, PictureSetInfo& set, std::string& problem) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return 0;
  Archive archive = OpenDeckArchive(path, problem);
  if (!archive) return 0;
  const std::string manifestName(kSetManifestEntry);
  if (zip_name_locate(archive.get(), manifestName.c_str(), 0) < 0) return 0;
  uint64_t total = 0;
  const std::vector<uint8_t> bytes =
      ReadDeckEntry(archive.get(), manifestName, kManifestLimit, total, problem);
  if (bytes.empty()) {
    // Too large for a deck is too large for a set too.
    problem = path + ": " + problem;
    return -1;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!IsDeckManifest(text)) return 0;
  DeckManifest manifest;
  if (!ParseDeckManifest(text, manifest, problem)) {
    problem = path + ": " + manifestName + ": " + problem;
    return -1;
  }
  const std::size_t usable = UsablePairs(manifest, nullptr).size();
  if (usable == 0) {
    problem = path + ": not a deck: no pair has its cards";
    return -1;
  }
  set = {};
  set.kind = SetKind::deck;
  set.deckFormat = DeckFormat::own;
  set.deckGame = DeckGame::pairs;
  set.name = manifest.set.name;
  set.paths = {path};
  set.pictureCount = static_cast<int>(usable);
  return 1;
}

std::vector<PictureSetInfo> OwnDeckSetsAt(const std::string& path) {
  PictureSetInfo set;
  std::string problem;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  const std::string native = absolute.lexically_normal().string();
  const int found = ReadOwnDeckInfo(native, set, problem);
  if (found < 0) ReportProblem(problem);
  if (found <= 0) return {};
  set.key = native;
  return {set};
}

bool ReadOwnDeck(const PictureSetInfo& set, DeckCards& cards, std::vector<std::string>& problems,
                 const std::atomic<bool>* cancel) {
  cards = {};
  const std::string path = set.paths.empty() ? std::string() : set.paths.front();
  std::string problem;
  Archive archive = OpenDeckArchive(path, problem);
  uint64_t total = 0;
  std::vector<uint8_t> bytes;
  if (archive) {
    bytes = ReadDeckEntry(archive.get(), std::string(kSetManifestEntry), kManifestLimit,
                          total, problem);
  }
  DeckManifest manifest;
  if (bytes.empty() ||
      !ParseDeckManifest({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, manifest,
                         problem)) {
    problems.push_back(path + ": " + problem);
    return false;
  }
  cards.twoKinds = manifest.TwoKinds();
  cards.divided = manifest.divided && cards.twoKinds;
  std::vector<std::string> skipped;
  const std::vector<std::size_t> usable = UsablePairs(manifest, &skipped);
  for (const std::string& line : skipped) problems.push_back(path + ": " + line);
  for (const std::size_t index : usable) {
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      cards = {};
      problems.push_back(path + ": reading cancelled");
      return false;
    }
    const DeckPairEntries& pair = manifest.pairs[index];
    const std::string source = path + ":pair." + std::to_string(index + 1);
    FaceImage first, second;
    const bool read =
        ReadCard(archive.get(), pair, pair.first, source + ".a", total, first, problem, cancel) &&
        (!cards.twoKinds ||
         ReadCard(archive.get(), pair, pair.second, source + ".b", total, second, problem,
                  cancel));
    if (!read) {
      problems.push_back(path + ": pair " + std::to_string(index + 1) + ": " + problem +
                         ": left out");
      continue;
    }
    cards.faces.push_back(std::move(first));
    if (cards.twoKinds) cards.faces.push_back(std::move(second));
  }
  if (cards.faces.empty()) {
    cards = {};
    problems.push_back(path + ": not a deck: no pair could be read");
    return false;
  }
  return true;
}

}  // namespace storage
