// The reader of "tessary.conf": whatever the file holds, what the game writes back must read
// again without a warning and come out the same, so a damaged file settles after one save
// instead of losing more at each exit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "storage/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> problems;
  const storage::Preferences first = storage::Preferences::Parse(text, problems);
  const std::string written = first.Text();

  std::vector<std::string> again;
  const storage::Preferences second = storage::Preferences::Parse(written, again);
  FUZZ_CHECK(again.empty());
  FUZZ_CHECK(second.Text() == written);

  // A value set from the input reads back as given, or is refused.
  storage::Preferences edited = second;
  const std::size_t cut = size / 2;
  const std::string key(text.substr(0, cut)), value(text.substr(cut));
  if (edited.Set(key, value)) {
    std::vector<std::string> third;
    const storage::Preferences reread = storage::Preferences::Parse(edited.Text(), third);
    FUZZ_CHECK(third.empty());
    FUZZ_CHECK(reread.Text() == edited.Text());
  }
  return 0;
}
