// Shared by the deck fuzz targets: a small archive written with libarchive around the input, and
// the checks every deck read must pass whatever it was given.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "storage/deck_limits.h"
#include "storage/decks.h"

namespace fuzz {

// A small SVG and a sound's bytes for the inputs' cards to name.
inline const std::string kDeckSvg =
    "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='4'>"
    "<rect width='8' height='4' fill='#c00'/></svg>";
inline const std::string kDeckSound = "OggS not really a sound";

// Writes a ZIP (stored, not compressed: quick) of the named entries to path.
inline void WriteZip(const char* path,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_options(writer, "zip:compression=store");
  if (archive_write_open_filename(writer, path) != ARCHIVE_OK) std::abort();
  for (const auto& [name, data] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, la_int64_t(data.size()));
    archive_write_header(writer, entry);
    archive_write_data(writer, data.data(), data.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
}

// Reads every set path offers and checks the cards against the limits.
inline void ReadEverySet(const std::string& path) {
  for (const storage::PictureSetInfo& set : storage::DeckSetsAt(path)) {
    FUZZ_CHECK(set.kind == storage::SetKind::deck);
    FUZZ_CHECK(set.pictureCount >= 0 && set.pictureCount <= storage::kMaxDeckPairs);
    storage::DeckCards cards;
    std::vector<std::string> problems;
    const bool read = storage::ReadDeck(set, cards, problems);
    FUZZ_CHECK(read ? !cards.faces.empty() : !problems.empty());
    const std::size_t perPair = cards.twoKinds ? 2 : 1;
    FUZZ_CHECK(cards.faces.size() % perPair == 0);
    FUZZ_CHECK(cards.faces.size() <= perPair * storage::kMaxDeckPairs);
    for (const storage::FaceImage& face : cards.faces) {
      FUZZ_CHECK(face.rgb.empty() ||
                 face.rgb.size() == std::size_t(storage::kFacePixels) * storage::kFacePixels * 3);
      FUZZ_CHECK(int64_t(face.sound.size()) <= storage::kMaxDeckSoundBytes);
      FUZZ_CHECK(!face.rgb.empty() || !face.sound.empty() || !face.word.english.empty());
    }
  }
}

}  // namespace fuzz
