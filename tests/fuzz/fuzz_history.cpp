// The history reader: the input is "data/history". Whatever the file holds, every line read back
// must be one the writer could have written, and writing it again must give the same line: a
// history that a later run appends to never drifts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "storage/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::EnterScratchDirectory();
  fuzz::WriteInput("data/history", data, size);

  int64_t taken = 0;
  const storage::HistoryReadResult read =
      storage::ReadHistoryFile("data/history", [&taken](const storage::HistoryEntry& entry) {
        ++taken;
        const std::string line = storage::FormatHistoryLine(entry);
        FUZZ_CHECK(!line.empty() && line.back() == '\n');
        storage::HistoryEntry again;
        FUZZ_CHECK(storage::ParseHistoryLine(std::string_view(line).substr(0, line.size() - 1),
                                             again));
        FUZZ_CHECK(storage::FormatHistoryLine(again) == line);
      });
  FUZZ_CHECK(read.opened);
  FUZZ_CHECK(read.entries == taken && read.skipped >= 0);

  // The same bytes as a single line, as the reader hands them to the parser.
  storage::HistoryEntry entry;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  if (storage::ParseHistoryLine(whole, entry)) {
    storage::HistoryEntry again;
    const std::string line = storage::FormatHistoryLine(entry);
    FUZZ_CHECK(storage::ParseHistoryLine(std::string_view(line).substr(0, line.size() - 1), again));
    FUZZ_CHECK(storage::FormatHistoryLine(again) == line);
  }
  return 0;
}
