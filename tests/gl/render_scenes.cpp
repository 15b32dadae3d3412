// Renders every scene offscreen with the generated default data and writes each frame as a PNG,
// for a person to look at: render_scenes [data directory] [output prefix] [zh|en].
// Default: the build's run directory, /tmp/scene- and Chinese.
#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gl_context.h"
#include "render/render_local.h"
#include "storage/files.h"

namespace {

bool WritePng(const std::string& path) {
  const std::vector<uint8_t> frame = gl_test::ReadFrame();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, gl_test::kWidth, gl_test::kHeight, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = gl_test::kHeight - 1; y >= 0; --y)  // GL rows run bottom up
    png_write_row(png, &frame[std::size_t(y) * gl_test::kWidth * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  std::printf("wrote %s\n", path.c_str());
  return true;
}

// A small deterministic generator for plausible values.
uint32_t seed = 20261208;
int Next(int bound) {
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>((seed >> 16) % static_cast<uint32_t>(bound));
}

void Deal(game::GameState& state, int boxCount, int faceCount) {
  for (int i = 0; i < boxCount; ++i) {
    game::Box& box = state.boxes[i];
    box.face = static_cast<int8_t>(i % faceCount);
    box.present = true;
    box.open = false;
    box.hover = false;
    box.r = static_cast<float>(Next(101)) / 100.0f;
    box.g = static_cast<float>(Next(101)) / 100.0f;
    box.b = static_cast<float>(Next(101)) / 100.0f;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dataDir = argc > 1 ? argv[1] : TESSARY_DATA_DIR;
  const std::string prefix = argc > 2 ? argv[2] : "/tmp/scene-";
  setenv("TESSARY_LOCALE_DIR", TESSARY_TEST_LOCALE_DIR, 0);
  if (argc > 3 && std::string(argv[3]) == "en") render::SetLanguage(game::Language::english);
  std::string why;
  if (!gl_test::CreateContext(why)) {
    std::fprintf(stderr, "render_scenes: no offscreen OpenGL context: %s\n", why.c_str());
    return 1;
  }
  auto state = std::make_unique<game::GameState>();
  auto staging = std::make_unique<storage::StagingPixels>();
  render::Assets& assets = render::TheAssets();
  state->running = true;

  // Start-up as the game does it: font, loading picture, fixed state.
  render::CreateTextFont();
  const std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(dataDir);
  storage::ReadLoadingPicture(*staging);
  std::filesystem::current_path(previous);
  render::SetViewport(gl_test::kWidth, gl_test::kHeight);
  render::MakeLogoTexture(assets, *staging);
  render::SetFixedGLState();

  const std::string package = dataDir + "/data/game.px";
  auto frame = [&](const char* name) {
    if (render::DrawFrameContents(*state, assets, *staging, package, [] {}) ==
        render::FrameResult::loadFailed)
      return false;
    return WritePng(prefix + name + ".png");
  };
  if (!frame("loading")) return 1;
  state->loadingDone = true;

  // The menu: stars scattered and fading, the title swung, the easy button under the cursor.
  for (auto& star : state->stars) {
    star.r = static_cast<uint8_t>(Next(256));
    star.g = static_cast<uint8_t>(Next(256));
    star.b = static_cast<uint8_t>(Next(256));
    star.x = static_cast<float>(Next(700) - 350) / 100.0f;
    star.y = static_cast<float>(Next(540) - 270) / 100.0f;
    star.alpha = static_cast<uint8_t>(Next(52) * 5);
  }
  state->titleAngle = 3.0f;
  state->hoverEasy = true;
  state->soundOn = true;
  state->musicOn = false;
  state->vsyncOn = true;
  state->scene = game::SCENE_MENU;
  frame("menu");
  state->hoverEasy = false;

  // The easy board in play: two open, a pair removed, the cursor over one, won.
  Deal(*state, 36, 6);
  state->boxes[0].open = true;
  state->boxes[7].open = true;
  state->boxes[12].present = false;
  state->boxes[13].present = false;
  state->boxes[20].hover = true;
  state->bestText.Set("00123");
  state->timeText.Set("87");
  state->scoreText.Set("452");
  state->won = true;
  state->messageColor[0] = 0.2f;
  state->messageColor[1] = 0.9f;
  state->messageColor[2] = 1.0f;
  state->scene = game::SCENE_EASY;
  frame("easy");

  Deal(*state, 64, 8);
  for (int i = 0; i < 64; i += 5) state->boxes[i].open = true;
  state->won = false;
  state->lost = true;
  state->timeText.Set("-1");
  state->scene = game::SCENE_NORMAL;
  state->hoverBack = true;
  frame("normal");

  Deal(*state, 80, 10);
  for (int i = 0; i < 10; ++i) state->boxes[i].open = true;
  state->lost = false;
  state->hoverBack = false;
  state->timeText.Set("599");
  state->scoreText.Set("0");
  state->scene = game::SCENE_HARD;
  frame("hard");

  state->scene = game::SCENE_README;
  frame("readme");

  state->cubeAngle[0] = 30.0f;
  state->cubeAngle[1] = 45.0f;
  state->cubeAngle[2] = 10.0f;
  state->cubeColor[0] = 0.4f;
  state->cubeColor[1] = 0.8f;
  state->cubeColor[2] = 1.0f;
  state->scene = game::SCENE_ABOUT;
  frame("about");

  state->scene = game::SCENE_HIDDEN_PICTURE;
  frame("hidden");

  // The menu's notes about a picture set: too small for two levels, files skipped; then loading.
  state->scene = game::SCENE_MENU;
  state->setPictureCount = 7;
  render::SetPictureSetStatus({false, 0, 0, 2});
  frame("menu-set");
  render::SetPictureSetStatus({true, 12, 40, 0});
  frame("menu-loading");
  render::SetPictureSetStatus({});
  state->setPictureCount = game::kClassicPictureCount;

  // A won board with a new record, then paused.
  Deal(*state, 36, 6);
  state->won = true;
  state->recordRank = 3;
  state->scene = game::SCENE_EASY;
  frame("easy-record");
  state->won = false;
  state->recordRank = 0;
  state->paused = true;
  frame("easy-paused");
  state->paused = false;

  // Three players with the computer in play, then finished with a winner, then a draw.
  state->players.count = 3;
  state->players.computer = true;
  state->players.current = 1;
  state->players.pairs[0] = 4;
  state->players.pairs[1] = 7;
  state->players.pairs[2] = 2;
  state->timeText.Set("125");
  state->scene = game::SCENE_NORMAL;
  frame("together");
  state->players.finished = true;
  state->players.winner = 1;
  frame("together-won");
  state->players.pairs[0] = 7;
  state->players.winner = game::kDraw;
  frame("together-draw");
  state->players.finished = false;
  state->players.count = 1;

  // The records screen with some games played.
  render::RecordsView records;
  records.levels[0].best = {{1234, "2026-12-01"}, {987, "2026-11-30"}};
  records.levels[0].games = 9;
  records.levels[0].wins = 2;
  records.levels[0].bestWonSeconds = 41;
  records.levels[1].computerGames = 3;
  records.levels[1].computerWins = 1;
  records.levels[2].playersGames = 5;
  render::SetRecordsView(records);
  state->scene = game::SCENE_RECORDS;
  frame("records");

  gl_test::DestroyContext();
  return 0;
}
