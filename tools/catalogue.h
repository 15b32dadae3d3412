// The game's gettext catalogues (po/*.po) read back by gettext's own PO library: by the data
// generator, so that what it writes in other languages (the picture sets' names) is what the
// game's own texts say, and by the checks and benchmarks that draw every translation.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// One language's translated entries without a context, all unescaped UTF-8.
struct Catalogue {
  std::string code;  // as LINGUAS names it: "de", "pt_BR"
  std::map<std::string, std::string, std::less<>> texts;  // msgid to msgstr
  std::map<std::string, std::vector<std::string>, std::less<>> plurals;  // msgid to its forms

  // The translation of a singular msgid; empty when the catalogue has none. Any thread.
  std::string_view Find(std::string_view msgid) const;
};

// Reads the catalogue at path, leaving out the header and the obsolete, fuzzy and untranslated
// (a form left empty) entries and those with a context. False, after one line on stderr naming
// the file, when it cannot be read or is not a catalogue. Any thread.
bool ReadCatalogue(const std::filesystem::path& path, Catalogue& catalogue);

// Every catalogue LINGUAS names in folder, in its order. False, after one line on stderr, when
// LINGUAS or a catalogue it names cannot be read. Any thread.
bool ReadCatalogues(const std::filesystem::path& folder, std::vector<Catalogue>& catalogues);

}  // namespace tools
