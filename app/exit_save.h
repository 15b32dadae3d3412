// The one saving run of the process: the close button, a close signal and a lost display all end
// in the same saving code, run once, on whichever thread gets there first; and the one way the
// process ends at once after it.
#pragma once

#include <functional>
#include <optional>

namespace app {

// The saving half of the close sequence. Returns whether every file was saved, or nothing when
// there is nothing to save.
using SaveForExit = std::function<std::optional<bool>()>;

// Sets (or, with an empty function, clears) what RunSaveForExit runs; ignored once that run has
// begun. UI thread.
void SetSaveForExit(SaveForExit save);

// Runs the saving half once for the whole process: the first caller runs it, every later or
// concurrent caller waits for that run and gets its answer. Any thread.
std::optional<bool> RunSaveForExit();

// How far the one saving run has come.
enum class SavePhase { notStarted, running, done };

// Where the one saving run stands now. Any thread.
SavePhase CurrentSavePhase();

// Writes `line` to stderr and ends the process with `status` at once: no static destructor and
// no X or GL call runs. The first caller ends it; a second waits for that, so two threads that
// find the same end never print two lines. Any thread.
[[noreturn]] void EndProcess(const char* line, int status);

// Prints the display-loss line for `saved` and ends the process with status 1 (EndProcess).
[[noreturn]] void EndAfterDisplayLoss(std::optional<bool> saved);

}  // namespace app
