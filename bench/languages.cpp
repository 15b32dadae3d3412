// The cost of texts in other scripts: the menu and the hard board drawn as the game draws them
// in German, Arabic and Chinese, against English, the languages taking turns batch by batch (a
// batch starts with one frame that fills the text cache, as the game's first frame after a
// switch does); and a switch of language itself: SetLanguage and the first frame after it, against
// a frame with every text cached.
#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "game/language.h"
#include "render/render.h"
#include "render/render_local.h"

namespace bench {

namespace {

struct Scene {
  std::string name;
  game::Language language;
  bool board;
  std::unique_ptr<game::GameState> state = std::make_unique<game::GameState>();
  std::vector<double> batchMeans;
};

struct LanguageOfBench {
  const char* name;
  const char* code;
};
constexpr LanguageOfBench kLanguages[] = {
    {"English", "en"}, {"German", "de"}, {"Arabic", "ar"}, {"Chinese", "zh"}};

}  // namespace

void MeasureLanguages(WindowBench& bench) {
  std::vector<Scene> scenes;
  for (bool board : {false, true})
    for (const LanguageOfBench& language : kLanguages) {
      const auto chosen = game::LanguageOfCode(language.code);
      if (!chosen) {
        PrintRow("Frame time in other languages", std::string("no language ") + language.code,
                 "-", "-", "-", "-");
        return;
      }
      Scene& scene = scenes.emplace_back();
      scene.name = std::string(board ? "hard board" : "menu") + ", " + language.name;
      scene.language = *chosen;
      scene.board = board;
      if (board) SetUpHardBoard(*scene.state);
      else SetUpMenu(*scene.state);
      scene.state->running = true;
      scene.state->loadingDone = true;
    }
  const auto frame = [&bench](Scene& scene) {
    render::DrawFrame(bench.window, *scene.state, *bench.staging);
  };
  std::vector<double> switches, cached;
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    for (Scene& scene : scenes) {
      Clock::time_point before = Clock::now();
      render::SetLanguage(scene.language);
      frame(scene);
      if (!scene.board) switches.push_back(SecondsSince(before));
      before = Clock::now();
      frame(scene);
      if (!scene.board) cached.push_back(SecondsSince(before));
      double sum = 0.0;
      int frames = 0;
      const Clock::time_point start = Clock::now();
      while (SecondsSince(start) < bench.batchSeconds / 2 || frames < 10) {
        const Clock::time_point one = Clock::now();
        frame(scene);
        sum += SecondsSince(one);
        ++frames;
      }
      scene.batchMeans.push_back(sum / frames);
    }
  }
  const std::size_t count = std::size(kLanguages);
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    const Scene& english = scenes[i - i % count];
    std::vector<double> ratios;
    for (std::size_t r = 0; r < scenes[i].batchMeans.size(); ++r)
      ratios.push_back(scenes[i].batchMeans[r] / english.batchMeans[r]);
    const bool compared = &english != &scenes[i];
    PrintRow("Frame time: " + scenes[i].name,
             Format("%.2f ms", Median(scenes[i].batchMeans) * 1000.0),
             compared ? Format("English %.2f ms", Median(english.batchMeans) * 1000.0) : "-",
             compared ? Format("%.2f", Median(ratios)) : "1", "-", "-");
  }
  PrintRow("A switch of language: SetLanguage and the menu's first frame",
           Format("median %.1f ms, max %.1f ms", Median(switches) * 1000.0,
                  *std::max_element(switches.begin(), switches.end()) * 1000.0),
           Format("cached menu frame %.1f ms", Median(cached) * 1000.0), "-", "at most 100 ms",
           "-");
  render::SetLanguage(game::Language::english);
}

}  // namespace bench
