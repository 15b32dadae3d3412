// PickAt in the menu and on the hard board, and DrawText3D with a cached and a new text.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "render/render_local.h"

namespace bench {

namespace {

// A cursor sweeping the whole client area on a 20-pixel grid: hits and misses as a moving mouse
// makes them.
struct PickTimes {
  std::vector<double> perPick;  // each pick, seconds
  std::vector<double> batches;  // mean of each sweep, seconds
};

void SweepPicks(game::GameState& state, PickTimes& times,
                void (*pick)(game::GameState&) = render::PickAt) {
  glFinish();
  const Clock::time_point sweepStart = Clock::now();
  int picks = 0;
  for (int y = 10; y < render::kClientHeight; y += 20) {
    for (int x = 10; x < render::kClientWidth; x += 20) {
      state.mouseX = x;
      state.mouseY = y;
      const Clock::time_point start = Clock::now();
      pick(state);
      times.perPick.push_back(SecondsSince(start));
      ++picks;
    }
  }
  times.batches.push_back(SecondsSince(sweepStart) / picks);
}

std::string Micro(double seconds) { return Format("%.1f µs", seconds * 1e6); }

struct TextCall {
  std::string text;
  float x, y, r, g, b;
};

// The seven texts of a board frame.
std::vector<TextCall> BoardTexts() {
  return {
      {std::string(kBestLabel), -3.5f, 3.6f, 1.0f, 1.0f, 1.0f},
      {"12345", -2.5f, 3.6f, 1.0f, 1.0f, 1.0f},
      {std::string(kTimeLabel), -0.5f, 3.6f, 1.0f, 1.0f, 1.0f},
      {"599", 0.5f, 3.6f, 1.0f, 1.0f, 1.0f},
      {"0", 3.0f, 3.6f, 1.0f, 1.0f, 1.0f},
      {std::string(kWonMessage), -0.5f, 0.0f, 1.0f, 0.9f, 0.2f},
      {std::string(kLostMessage), -0.5f, 0.0f, 1.0f, 0.9f, 0.2f},
  };
}

void DrawTexts(const std::vector<TextCall>& texts) {
  for (const TextCall& call : texts)
    render::DrawText3D(static_cast<int32_t>(call.text.size()), call.text.data(), call.x, call.y,
                       call.r, call.g, call.b);
}

// Cursor places where a pick is most sensitive to leaving boxes out: around the window image
// of every corner of every box's outline, and a grid over the whole window.
std::vector<std::pair<int, int>> CheckPlaces() {
  std::vector<std::pair<int, int>> places;
  for (int y = 0; y < render::kClientHeight; y += 7)
    for (int x = 0; x < render::kClientWidth; x += 7) places.emplace_back(x, y);
  const double focal = 1.0 / std::tan(22.5 * std::numbers::pi / 180.0) * render::kClientHeight / 2.0;
  for (int box = 0; box < 80; ++box) {
    const double x = 2.7 - 0.5 * (box % 10 + 1);
    const double y = 1.85 - 0.5 * (box / 10);
    for (double dx : {-0.22, 0.22})
      for (double dy : {-0.22, 0.22})
        for (double dz : {-0.22, 0.22}) {
          const double depth = 6.0 - dz;
          const int wx = static_cast<int>(render::kClientWidth / 2.0 + focal * (x + dx) / depth);
          const int wy = static_cast<int>(render::kClientHeight / 2.0 - focal * (y + dy) / depth);
          for (int ox = -3; ox <= 3; ox += 2)
            for (int oy = -3; oy <= 3; oy += 2) places.emplace_back(wx + ox, wy + oy);
        }
  }
  return places;
}

}  // namespace

void MeasurePicks(WindowBench& bench) {
  game::GameState& state = *bench.state;
  struct PickScene {
    std::string name;
    std::function<void()> prepare;
    void (*pick)(game::GameState&);
    PickTimes times;
  };
  std::vector<PickScene> scenes = {
      {"nothing pickable (menu entry)",
       [&] { state.scene.store(game::SCENE_MENU_ENTER, std::memory_order_release); },
       render::PickAt, {}},
      {"menu", [&] { SetUpMenu(state); }, render::PickAt, {}},
      {"hard board", [&] { SetUpHardBoard(state); }, render::PickAt, {}},
      {"hard board as picked before the cuts", [&] { SetUpHardBoard(state); },
       PickAtHardBoardReference, {}},
  };
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    for (PickScene& scene : scenes) {
      scene.prepare();
      SweepPicks(state, scene.times, scene.pick);
    }
  }
  const double empty = Median(scenes[0].times.batches);
  PrintRow("PickAt: " + scenes[0].name, Micro(empty) + " per pick", "-", "1", "-", "-");
  for (std::size_t i = 1; i < scenes.size(); ++i) {
    const double perPick = Median(scenes[i].times.batches);
    const double p99 = Percentile(scenes[i].times.perPick, 99.0);
    const bool target = i < 3;
    PrintRow("PickAt: " + scenes[i].name + " (1200 cursor places × " +
                 std::to_string(bench.repetitions) + ")",
             Micro(perPick) + " per pick (p99 " + Micro(p99) + ")",
             "nothing pickable " + Micro(empty), Format("%.1f", perPick / empty),
             target ? "≤ 300 µs" : "-", target ? Met(perPick <= 300e-6) : "-");
  }
  const double cut = Median(scenes[2].times.batches);
  const double before = Median(scenes[3].times.batches);
  PrintRow("PickAt: hard board, cut vs before", Micro(cut) + " per pick",
           "before the cuts " + Micro(before), Format("%.2f", cut / before), "< 1",
           Met(cut < before));

  // The same names and hit records as before, on two boards, at every checked place.
  int differing = 0;
  int compared = 0;
  const std::vector<std::pair<int, int>> places = CheckPlaces();
  for (int board = 0; board < 2; ++board) {
    SetUpHardBoard(state);
    if (board == 1) {
      for (int i = 0; i < 80; i += 7) state.boxes[i].open = true;
      for (int i = 20; i < 30; ++i) state.boxes[i].present = false;
      state.boxes[44].hover = false;
      state.boxes[23].hover = true;
    }
    for (const auto& [x, y] : places) {
      state.mouseX = x;
      state.mouseY = y;
      render::PickAt(state);
      uint32_t cutRecord[4];
      std::copy(std::begin(state.selectBuffer), std::end(state.selectBuffer), cutRecord);
      PickAtHardBoardReference(state);
      if (!std::equal(std::begin(cutRecord), std::end(cutRecord), std::begin(state.selectBuffer)))
        ++differing;
      ++compared;
    }
  }
  PrintRow("PickAt on the hard board: results equal to before the cuts (2 boards)",
           Format("%d of %d picks differ", differing, compared), "picking before the cuts", "-",
           "0 differ", Met(differing == 0));
}

void MeasureText(WindowBench& bench) {
  const std::vector<TextCall> texts = BoardTexts();
  const int textCount = static_cast<int>(texts.size());
  constexpr int kFacesPerRepetition = 6;
  constexpr int kCachedRounds = 40;
  render::FontFace* const gameFace = render::textFont.fontHandle;
  if (gameFace == nullptr) {
    PrintRow("DrawText3D", "no font installed", "-", "-", "-", "-");
    return;
  }
  // Timed on the UI thread from an idle pipeline, without waiting for the rasteriser at the
  // end: what a call costs the frame loop.
  std::vector<double> cached, rendered, empty, rasterOnly;
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Faces opened beforehand, each warmed with a text of its own: the timed calls find no text
    // in the cache, but a face as ready as the game's.
    std::vector<render::FontFace*> faces;
    for (int i = 0; i < kFacesPerRepetition; ++i) {
      render::FontFace* face = render::OpenFontFace();
      if (face == nullptr) break;
      render::RenderText(*face, "数据加载 0123456789", 23);
      faces.push_back(face);
    }
    const int faceCount = static_cast<int>(faces.size());
    glFinish();
    Clock::time_point start = Clock::now();
    for (render::FontFace* face : faces) {
      render::textFont.fontHandle = face;
      DrawTexts(texts);
    }
    rendered.push_back(SecondsSince(start) / (textCount * faceCount));
    render::textFont.fontHandle = gameFace;
    glFinish();

    start = Clock::now();
    for (render::FontFace* face : faces)
      for (const TextCall& call : texts)
        render::RenderText(*face, call.text.data(), static_cast<int32_t>(call.text.size()));
    rasterOnly.push_back(SecondsSince(start) / (textCount * faceCount));
    for (render::FontFace* face : faces) render::CloseFontFace(face);

    DrawTexts(texts);  // into the game face's cache
    glFinish();
    start = Clock::now();
    for (int round = 0; round < kCachedRounds; ++round) DrawTexts(texts);
    cached.push_back(SecondsSince(start) / (textCount * kCachedRounds));
    glFinish();

    start = Clock::now();
    for (int round = 0; round < kCachedRounds * textCount; ++round)
      render::DrawText3D(0, "", 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    empty.push_back(SecondsSince(start) / (textCount * kCachedRounds));
    glFinish();
    bench.window.Swap();
  }
  const double cachedTime = Median(cached);
  const double renderedTime = Median(rendered);
  const double emptyTime = Median(empty);
  const double rasterTime = Median(rasterOnly);
  PrintRow("DrawText3D: the 7 board texts, cached (UI thread time per call)",
           Micro(cachedTime), "rasterised " + Micro(renderedTime),
           Format("%.2f (%.1f× cheaper)", cachedTime / renderedTime, renderedTime / cachedTime),
           "≤ 0.05 (20× cheaper)", Met(renderedTime >= 20.0 * cachedTime));
  PrintRow("DrawText3D: the 7 board texts, rasterised (first drawing)", Micro(renderedTime),
           "cached " + Micro(cachedTime), Format("%.1f", renderedTime / cachedTime), "-", "-");
  PrintRow("DrawText3D: what a call costs besides the text (empty text: state saved, set, "
           "restored)",
           Micro(emptyTime), "cached " + Micro(cachedTime),
           Format("%.2f", emptyTime / cachedTime), "-", "-");
  PrintRow("Text rasterisation alone (RenderText: UTF-8 decoding, FreeType, bit packing)",
           Micro(rasterTime) + " per text",
           Format("the cached call's own part (cached − empty) %.1f µs, mostly glBitmap",
                  (cachedTime - emptyTime) * 1e6),
           Format("%.1f", rasterTime / (cachedTime - emptyTime)), "-", "-");
}

}  // namespace bench
