// The line reader every package manifest shares (a set's set.txt, a deck's): the checks on the
// text as a whole and on each line, so that a set and a deck refuse alike. Not for other folders.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace storage {

// One "key = value" line: the key trimmed and lower-cased ("license" read as "licence"), the
// value trimmed, and "line N" for messages.
struct ManifestLine {
  std::string key;
  std::string_view value;
  std::string where;
};

// Calls take for each line that is not blank or a comment, after a byte-order mark and CR LF.
// False, with problem set to one line, when the text is larger than maxBytes, not UTF-8, holds
// a control character or a line that is not "key = value", or take returns false (having set
// problem). Any thread.
bool ForEachManifestLine(std::string_view text, std::size_t maxBytes,
                         const std::function<bool(const ManifestLine&, std::string&)>& take,
                         std::string& problem);

// A language code of a key: letters, digits and '_' ("zh", "pt_br"), at most 8 characters.
bool IsLanguageCode(std::string_view code);
// A lower-cased code spelled as the catalogues spell it ("zh_TW" for "zh_tw").
std::string CatalogueSpelling(std::string_view lowerCode);

// The number of characters (code points) of UTF-8 text.
std::size_t CharacterCount(std::string_view text);

// ParseSetManifest (storage/picture_sets.h) for a text of up to maxBytes, handing each key a set
// does not know to other (when given), which may refuse it as take does.
struct SetManifest;
bool ParseSetManifestWith(std::string_view text, std::size_t maxBytes, SetManifest& manifest,
                          const std::function<bool(const ManifestLine&, std::string&)>& other,
                          std::string& problem);

}  // namespace storage
