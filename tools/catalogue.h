// The game's gettext catalogues (po/*.po) read back by the data generator, so that what it
// writes in other languages (the picture sets' names) is what the game's own texts say.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tools {

// One language's translations: msgid to msgstr, both unescaped UTF-8.
struct Catalogue {
  std::string code;  // as LINGUAS names it: "de", "pt_BR"
  std::map<std::string, std::string, std::less<>> texts;

  // The translation of msgid; empty when the catalogue has none. Any thread.
  std::string_view Find(std::string_view msgid) const;
};

// Reads the catalogue at path: the translated entries without a context, a plural or the fuzzy
// flag (those are left out, as are obsolete ones). False, after one line on stderr naming the
// file and line, when it cannot be read or a line is not of a catalogue.
bool ReadCatalogue(const std::filesystem::path& path, Catalogue& catalogue);

// Every catalogue LINGUAS names in folder, in its order. False, after one line on stderr, when
// LINGUAS or a catalogue it names cannot be read.
bool ReadCatalogues(const std::filesystem::path& folder, std::vector<Catalogue>& catalogues);

}  // namespace tools
