// tessary_bench: the figures measured inside one real game window (SDL, GLX), printed as rows of
// the bench table. Run from a directory holding data/ (the game's run directory), or name it:
//   tessary_bench [--data DIR] [--repetitions N] [--batch SECONDS]
//                 [--only frames,pixels,picks,text,assets,sharper,sound,photos,decks,memory,
//                         resolution,languages]
#include <GL/gl.h>
#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_util.h"
#include "bench/window_bench.h"
#include "render/render_local.h"
#include "storage/files.h"

namespace {

const char* GLString(GLenum name) {
  const auto* text = reinterpret_cast<const char*>(glGetString(name));
  return text != nullptr ? text : "(none)";
}

bool Wanted(const std::string& only, const char* section) {
  if (only.empty()) return true;
  return ("," + only + ",").find(std::string(",") + section + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir = ".";
  std::string only;
  bench::WindowBench bench;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--data") == 0) dataDir = argv[i + 1];
    else if (std::strcmp(argv[i], "--repetitions") == 0) bench.repetitions = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--batch") == 0) bench.batchSeconds = std::atof(argv[i + 1]);
    else if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    else {
      std::fprintf(stderr, "tessary_bench: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (chdir(dataDir.c_str()) != 0) {
    std::fprintf(stderr, "tessary_bench: cannot enter %s\n", dataDir.c_str());
    return 2;
  }

  // Start-up as the game does it, in its order.
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "tessary_bench: cannot start SDL: %s\n", SDL_GetError());
    return 1;
  }
  if (!bench.window.Open()) return 1;
  const bool intervalOneSet = render::LookUpSwapInterval() != nullptr;
  const std::string intervalOneError = intervalOneSet ? "" : SDL_GetError();
  const bool intervalZeroSet = SDL_GL_SetSwapInterval(0) == 0;
  const std::string intervalZeroError = intervalZeroSet ? "" : SDL_GetError();
  const int intervalInForce = SDL_GL_GetSwapInterval();
  render::CreateTextFont();
  const bench::MemoryUse platformMemory = bench::ReadMemoryUse();
  storage::ReadLoadingPicture(*bench.staging);
  render::MakeLogoTexture(*bench.staging);
  render::SetFixedGLState();
  bench.state->running = true;

  const char* display = std::getenv("TESSARY_BENCH_DISPLAY");
  const char* displayName = std::getenv("DISPLAY");
  std::string displayServer = "none";
  if (display != nullptr) displayServer = display;
  else if (displayName != nullptr) displayServer = std::string("DISPLAY=") + displayName;
  bench::PrintRow("GL renderer (glGetString)", GLString(GL_RENDERER),
                  std::string("GL ") + GLString(GL_VERSION), "-", "-", "-");
  bench::PrintRow("Display server", displayServer,
                  std::string("SDL video driver ") + SDL_GetCurrentVideoDriver(), "-", "-", "-");
  bench::PrintRow(
      "Swap interval",
      std::string("0 ") + (intervalZeroSet ? "accepted" : "refused: " + intervalZeroError) +
          "; in force: " + std::to_string(intervalInForce),
      std::string("1 at start-up: ") +
          (intervalOneSet ? "accepted" : "refused: " + intervalOneError),
      "-", "-", "-");

  // The first loading frame loads the pictures, as in the game.
  if (render::DrawFrame(bench.window, *bench.state, *bench.staging) ==
      render::FrameResult::loadFailed) {
    std::fprintf(stderr, "tessary_bench: the package in %s/data could not be loaded\n",
                 dataDir.c_str());
    return 1;
  }

  const bench::MemoryUse loadedMemory = bench::ReadMemoryUse();

  if (Wanted(only, "frames")) bench::MeasureFrames(bench);
  if (Wanted(only, "pixels")) bench::CheckBoardPixels(bench);
  if (Wanted(only, "picks")) bench::MeasurePicks(bench);
  if (Wanted(only, "text")) bench::MeasureText(bench);
  if (Wanted(only, "assets")) bench::MeasureLoadAssets(bench);
  if (Wanted(only, "sharper")) bench::MeasureHighResolutionSwap(bench);
  if (Wanted(only, "sound")) bench::MeasureSoundOpening(bench);
  if (Wanted(only, "photos")) bench::MeasurePhotos(bench);
  if (Wanted(only, "decks")) bench::MeasureDecks(bench);
  if (Wanted(only, "resolution")) bench::MeasureResolution(bench);
  if (Wanted(only, "languages")) bench::MeasureLanguages(bench);
  if (Wanted(only, "memory")) {
    bench::PrintRow("Resident memory of the bench process (no sound): window, GL context, font",
                    bench::Describe(platformMemory), "-", "-", "-", "-");
    bench::PrintRow("Resident memory of the bench process: pictures loaded, loading frame drawn",
                    bench::Describe(loadedMemory),
                    bench::Format("window, GL context, font %.1f MB", platformMemory.resident),
                    bench::Format("%.2f", loadedMemory.resident / platformMemory.resident), "-",
                    "-");
  }

  bench.window.Close();
  SDL_Quit();
  return 0;
}
