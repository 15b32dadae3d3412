// Measures the generated sounds as the game will decode them: length, peak, RMS, and for the
// music the step across the loop point. For people tuning the sounds; prints a table on stdout.
#pragma once

#include <filesystem>

namespace tools {

// Returns false when a file could not be decoded (after a message on stderr).
bool MeasureSounds(const std::filesystem::path& runDirectory);

}  // namespace tools
