// The frame cost of texts in other scripts: the menu and the hard board, each drawn with the
// texts a frame of German, Arabic and Chinese draws, against English, frame by frame in turn.
// The texts come from the catalogues (po/), drawn as the scenes draw them: the panels' labels and
// values, in German and Arabic the nine written button labels (bold, at their sizes), the
// board's two labels. Each frame is the scene as the game draws it plus those texts.
#include <GL/gl.h>

#include <map>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "game/menu.h"
#include "render/render_local.h"
#include "tools/catalogue.h"

namespace bench {

namespace {

struct LanguageTexts {
  std::string name;
  tools::Catalogue catalogue;  // empty: English, the sources themselves
  bool writesLabels = false;
  const std::string& Tr(const std::string& source) const {
    const auto found = catalogue.texts.find(source);
    return found != catalogue.texts.end() ? found->second : source;
  }
};

void DrawMenuTexts(const LanguageTexts& texts) {
  const std::map<game::MenuName, std::string> values = {
      {game::MenuName::pictures, "Classic"},
      {game::MenuName::players, "1 player"},
      {game::MenuName::records, "Best ten"}};
  for (const game::MenuControl& control : game::MenuControls()) {
    const std::string label = texts.Tr(std::string(control.label));
    const float x = 2.0f * control.place.x, y = 2.0f * control.place.y;
    if (const auto value = values.find(control.name); value != values.end()) {
      const float room = 4.0f * control.place.halfWidth * 0.92f;
      render::DrawTextAt(label, {x, y, render::Align::centre, room}, 0.55f, 0.7f, 1.0f);
      render::DrawTextAt(texts.Tr(value->second), {x, y - 0.2f, render::Align::centre, room},
                         1.0f, 1.0f, 1.0f);
    } else if (texts.writesLabels) {
      render::DrawPictureLabel(control.name, label, control.place, false);
    }
  }
}

void DrawBoardTexts(const LanguageTexts& texts) {
  render::DrawTextAt(texts.Tr("Best score:"), {-3.5f, 3.6f, render::Align::left, 1.07f}, 1.0f,
                     1.0f, 1.0f);
  render::DrawTextAt(texts.Tr("Time left:"), {-0.5f, 3.6f, render::Align::left, 1.07f}, 1.0f,
                     1.0f, 1.0f);
}

struct Scene {
  std::string name;
  const LanguageTexts* texts;
  bool board;
  std::unique_ptr<game::GameState> state = std::make_unique<game::GameState>();
  std::vector<double> batchMeans;
  std::vector<double> textTimes;  // the texts' share of each frame (UI thread), seconds
};

}  // namespace

void MeasureLanguages(WindowBench& bench) {
  std::vector<LanguageTexts> languages = {{"English", {}, false},
                                          {"German", {}, true},
                                          {"Arabic", {}, true},
                                          {"Chinese", {}, false}};
  const char* files[] = {nullptr, "de", "ar", "zh_CN"};
  for (std::size_t i = 1; i < languages.size(); ++i) {
    if (!tools::ReadCatalogue(std::string(TESSARY_PO_DIR "/") + files[i] + ".po",
                              languages[i].catalogue) ||
        languages[i].catalogue.texts.empty()) {
      PrintRow("Frame rate in other languages", "po/" + std::string(files[i]) + ".po unreadable",
               "-", "-", "-", "-");
      return;
    }
  }
  std::vector<Scene> scenes;
  for (bool board : {false, true})
    for (const LanguageTexts& texts : languages) {
      Scene& scene = scenes.emplace_back();
      scene.name = std::string(board ? "hard board" : "menu") + ", " + texts.name + " texts";
      scene.texts = &texts;
      scene.board = board;
      if (board) SetUpHardBoard(*scene.state);
      else SetUpMenu(*scene.state);
      scene.state->running = true;
      scene.state->loadingDone = true;
    }
  const auto frame = [&bench](Scene& scene) {
    render::DrawFrame(bench.window, *scene.state, *bench.staging);
    const Clock::time_point before = Clock::now();
    if (scene.board) DrawBoardTexts(*scene.texts);
    else DrawMenuTexts(*scene.texts);
    scene.textTimes.push_back(SecondsSince(before));
  };
  // Scenes take turns frame by frame: a slow spell of the machine falls on all alike.
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    for (Scene& scene : scenes) frame(scene);
    std::vector<double> sums(scenes.size(), 0.0);
    int rounds = 0;
    const Clock::time_point start = Clock::now();
    while (SecondsSince(start) < bench.batchSeconds * static_cast<double>(scenes.size()) / 2 ||
           rounds < 10) {
      for (std::size_t i = 0; i < scenes.size(); ++i) {
        const Clock::time_point before = Clock::now();
        frame(scenes[i]);
        sums[i] += SecondsSince(before);
      }
      ++rounds;
    }
    for (std::size_t i = 0; i < scenes.size(); ++i)
      scenes[i].batchMeans.push_back(sums[i] / rounds);
  }
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    const Scene& english = scenes[i - i % languages.size()];
    std::vector<double> ratios;
    for (std::size_t r = 0; r < scenes[i].batchMeans.size(); ++r)
      ratios.push_back(scenes[i].batchMeans[r] / english.batchMeans[r]);
    const double ratio = Median(ratios);
    const bool compared = &english != &scenes[i];
    PrintRow("Texts of a frame (cached; UI thread): " + scenes[i].name,
             Format("median %.1f µs", Median(scenes[i].textTimes) * 1e6),
             compared ? Format("English %.1f µs", Median(english.textTimes) * 1e6) : "-", "-",
             "-", "-");
    PrintRow("Frame time: " + scenes[i].name,
             Format("%.2f ms", Median(scenes[i].batchMeans) * 1000.0),
             compared ? Format("English %.2f ms", Median(english.batchMeans) * 1000.0) : "-",
             compared ? Format("%.2f", ratio) : "1", "-", "-");
  }
}

}  // namespace bench
