// Our deck package's manifest: the input is set.txt's text. Whatever it holds, a manifest read
// has a name and 1 to 200 pairs whose entries stay inside the package; a refused one leaves
// the record as it was and says why in one line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "storage/deck_own.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  storage::DeckManifest manifest;
  manifest.set.name.english = "kept";
  std::string problem;
  if (!storage::ParseDeckManifest(text, manifest, problem)) {
    FUZZ_CHECK(!problem.empty() && problem.find('\n') == std::string::npos);
    FUZZ_CHECK(manifest.set.name.english == "kept" && manifest.pairs.empty());
    return 0;
  }
  FUZZ_CHECK(problem.empty());
  FUZZ_CHECK(storage::IsDeckManifest(text));
  FUZZ_CHECK(!manifest.set.name.english.empty());
  FUZZ_CHECK(!manifest.pairs.empty() && manifest.pairs.size() <= 200);
  FUZZ_CHECK(!manifest.morePairs || manifest.pairs.size() == 200);
  for (const storage::DeckPairEntries& pair : manifest.pairs)
    for (const storage::DeckCardEntries* card : {&pair.first, &pair.second})
      for (const std::string* entry : {&card->picture, &card->sound})
        FUZZ_CHECK(entry->size() <= 255 && !entry->starts_with('/') &&
                   entry->find("..") == std::string::npos);
  std::vector<std::string> lines;
  const std::vector<std::size_t> usable = storage::UsablePairs(manifest, &lines);
  FUZZ_CHECK(usable.size() + lines.size() >= manifest.pairs.size());
  for (std::size_t index : usable) {
    FUZZ_CHECK(index < manifest.pairs.size() && !manifest.pairs[index].first.IsEmpty());
    FUZZ_CHECK(!manifest.TwoKinds() || !manifest.pairs[index].second.IsEmpty());
  }
  return 0;
}
