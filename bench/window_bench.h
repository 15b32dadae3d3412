// The measurements made inside one real game window (render::GameWindow on SDL): frame rates,
// picking, text and the picture load. Each prints its rows of the table.
#pragma once

#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "game/game_state.h"
#include "render/render.h"
#include "storage/formats.h"

namespace bench {

struct WindowBench {
  render::GameWindow window;
  std::unique_ptr<game::GameState> state = std::make_unique<game::GameState>();
  std::unique_ptr<storage::StagingPixels> staging = std::make_unique<storage::StagingPixels>();
  int repetitions = 7;
  double batchSeconds = 0.6;  // frames of one scene in one repetition
};

void MeasureFrames(WindowBench& bench);
void CheckBoardPixels(WindowBench& bench);
void MeasurePicks(WindowBench& bench);
void MeasureText(WindowBench& bench);
void MeasureLoadAssets(WindowBench& bench);
// The swap to the pictures of data/game-2x.px and back, against LoadAssets.
void MeasureHighResolutionSwap(WindowBench& bench);
void MeasureSoundOpening(WindowBench& bench);
void MeasurePhotos(WindowBench& bench);
// A deck of 100 pairs (pictures and words) read off the UI thread and made ready to play.
void MeasureDecks(WindowBench& bench);

// The game draws its menu at the display's rate (60 frames a second under Xvfb, paced): a bench
// does the same, and times each frame's own work, from the start of its drawing to the end of
// its swap. Waits until due, then moves due on by a frame.
inline constexpr auto kFramePeriod = std::chrono::nanoseconds(1'000'000'000 / 60);
double DrawPacedMenuFrame(WindowBench& bench, game::GameState& menu, Clock::time_point& due);
void MeasureResolution(WindowBench& bench);
// The menu and the hard board with German, Arabic and Chinese texts against English.
void MeasureLanguages(WindowBench& bench);

// The resident memory of this process, in MB: all of it, anonymous, mapped from files.
struct MemoryUse {
  double resident = 0, anonymous = 0, files = 0;
};
MemoryUse ReadMemoryUse();
std::string Describe(const MemoryUse& use);

}  // namespace bench
