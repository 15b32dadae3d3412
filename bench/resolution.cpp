// Frame times of the menu and the hard board at 800 x 600, and at 1600 x 1200 drawn native and
// drawn at 800 x 600 and scaled, in one window; then which path the game itself takes there.
#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "render/render_local.h"

namespace bench {

namespace {

struct Setting {
  const char* name;
  int width, height;
  const char* path;  // TESSARY_TEST_DRAW_PATH; null: the game's own choice
};

// Resizes the window and lets it follow, on the given path. False when the display will not
// give the window that size.
bool Resize(WindowBench& bench, const Setting& setting) {
  if (setting.path != nullptr) setenv("TESSARY_TEST_DRAW_PATH", setting.path, 1);
  else unsetenv("TESSARY_TEST_DRAW_PATH");
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  SDL_SetWindowSize(window, setting.width, setting.height);
  int width = 0, height = 0;
  const Clock::time_point start = Clock::now();
  do {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    SDL_GL_GetDrawableSize(window, &width, &height);
  } while ((width != setting.width || height != setting.height) && SecondsSince(start) < 3.0);
  // Told as the event loop would tell it, also when the size came without an event.
  SDL_WindowEvent event{};
  event.type = SDL_WINDOWEVENT;
  event.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  event.windowID = SDL_GetWindowID(window);
  bench.window.OnWindowEvent(event);
  return width == setting.width && height == setting.height;
}

// One frame drawn and presented as the game does it, timed from its start to its swap.
double TimedFrame(WindowBench& bench, game::GameState& state) {
  const Clock::time_point start = Clock::now();
  render::DrawFrame(bench.window, state, *bench.staging);
  return SecondsSince(start);
}

}  // namespace

void MeasureResolution(WindowBench& bench) {
  const Setting settings[] = {
      {"800 x 600", 800, 600, "native"},
      {"1600 x 1200 native", 1600, 1200, "native"},
      {"1600 x 1200 scaled", 1600, 1200, "scaled"},
  };
  constexpr int kSettings = 3;
  game::GameState menu, hard;
  SetUpMenu(menu);
  SetUpHardBoard(hard);
  for (game::GameState* state : {&menu, &hard}) {
    state->running = true;
    state->loadingDone = true;
  }
  // Every repetition visits every setting, so that a busy spell falls on all of them alike;
  // within one the two scenes take turns frame by frame.
  std::vector<double> times[kSettings][2];
  bool fits[kSettings] = {};
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    for (int s = 0; s < kSettings; ++s) {
      fits[s] = Resize(bench, settings[s]);
      if (!fits[s]) continue;
      TimedFrame(bench, menu);  // texts of the new size rendered, caches filled
      TimedFrame(bench, hard);
      const Clock::time_point start = Clock::now();
      while (SecondsSince(start) < bench.batchSeconds || times[s][0].size() < 5) {
        times[s][0].push_back(TimedFrame(bench, menu));
        times[s][1].push_back(TimedFrame(bench, hard));
      }
    }
  }
  const char* scenes[2] = {"menu", "hard board"};
  for (int scene = 0; scene < 2; ++scene) {
    const double small = Median(times[0][scene]);
    const double scaledTime = Median(times[2][scene]);
    for (int s = 0; s < kSettings; ++s) {
      const std::string figure = std::string("Frame time at ") + settings[s].name + ": " +
                                 scenes[scene];
      if (!fits[s]) {
        PrintRow(figure, "the display would not give the window this size", "-", "-", "-", "-");
        continue;
      }
      const double median = Median(times[s][scene]);
      PrintRow(figure,
               Format("median %.2f ms, p99 %.2f ms (%zu frames)", median * 1000.0,
                      Percentile(times[s][scene], 99.0) * 1000.0, times[s][scene].size()),
               s == 0 ? "-" : Format("800 x 600 %.2f ms", small * 1000.0),
               s == 0 ? "1" : Format("%.2f of 800 x 600", median / small),
               s == 1 ? Format("1600 x 1200 scaled %.2f ms", scaledTime * 1000.0) : "-",
               s == 1 ? Format("%.2f of scaled", median / scaledTime) : "-");
    }
  }

  // The game's own choice at 1600 x 1200 on the hard board: frames until it has settled (a
  // warm-up and a block at native, and, if native is too slow, a trial block scaled).
  const Setting own = {"1600 x 1200", 1600, 1200, nullptr};
  if (fits[1] && Resize(bench, own)) {
    constexpr int kSettleFrames = 10 + 30 + 3 + 30 + 5;
    std::string path = "native";
    for (int frame = 1; frame <= kSettleFrames; ++frame) {
      const bool wasNative = bench.window.DrawScale() > 1.0f;
      TimedFrame(bench, hard);
      if (wasNative != (bench.window.DrawScale() > 1.0f))
        path += Format(wasNative ? ", scaled after frame %d" : ", native again after frame %d",
                       frame);
    }
    const int rate = bench.window.RefreshRate();
    const double nativeTime = Median(times[1][1]), scaledTime = Median(times[2][1]);
    const bool nativeKeepsUp = nativeTime <= 1.2 / rate;
    const bool expectScaled = !nativeKeepsUp && scaledTime < 0.9 * nativeTime;
    PrintRow("Path the game takes at 1600 x 1200 (hard board)", path,
             Format("display rate %d Hz; native %.1f ms, scaled %.1f ms", rate,
                    nativeTime * 1000.0, scaledTime * 1000.0),
             "-", "scaled only when native is slow and scaled clearly faster",
             Met(expectScaled == (bench.window.DrawScale() == 1.0f)));
  }
  unsetenv("TESSARY_TEST_DRAW_PATH");
  Resize(bench, {"800 x 600", 800, 600, nullptr});
}

}  // namespace bench
