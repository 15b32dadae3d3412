// Helpers shared by the storage sources; not for other folders.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace storage {

// Writes "tessary: <text>" and a line end to stderr in one piece.
void ReportProblem(std::string_view text);

// Replaces the file at nativePath with bytes: a temporary file beside it is written, flushed to
// disk and renamed over the old one, so a crash, a kill or a full disk never leaves a short file.
// Returns false after one message naming the file and the reason; the old file is then intact
// and the temporary file is gone.
bool ReplaceFileAtomically(const std::string& nativePath, std::span<const uint8_t> bytes);

}  // namespace storage
