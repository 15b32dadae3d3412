// Every scene drawn from fixed game states on the generated data, compared with the reference
// pictures in tests/gl/snapshots/: what a change to the drawing code must leave as it was.
//
// A scene passes when each pixel matches, within the drivers' tolerance, the reference pixel or
// one of its eight neighbours (a text moved by one pixel still passes); in the frames drawn at
// twice the size, any reference pixel up to two away (one pixel of the 800 x 600 picture). A
// failure names the scene, the count of differing pixels, the first and the largest difference,
// and writes the picture drawn and a diff picture (differing pixels red over the dimmed
// reference) to a temporary folder whose path it prints.
//
// To draw the references again after an intended change of the pictures:
//   TESSARY_UPDATE_SNAPSHOTS=1 build/tests/gl/gl_snapshot_tests
// It writes every reference into the source tree's tests/gl/snapshots/ (look at them before
// committing). The references depend on the generated data (TESSARY_DATA_DIR) and the installed
// CJK font, as the game's pictures do; the dates are fixed timestamps shown in the C locale's
// format at UTC, whatever the machine's locale and time zone.
#include <GL/gl.h>
#include <GL/glext.h>
#include <EGL/egl.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/records_keeper.h"
#include "game/level.h"
#include "gl_context.h"
#include "render/render_local.h"

namespace {

using namespace gl_test;

const std::filesystem::path kDataDir = TESSARY_DATA_DIR;
const std::filesystem::path kSnapshotDir = TESSARY_SNAPSHOT_DIR;

// ---- Pictures ----

// RGB, top row first, as in a PNG.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(std::size_t(y) * width + x) * 3]; }
};

// The frame of the bound framebuffer, width x height, turned top row first.
Picture ReadPicture(int width, int height) {
  Picture picture{width, height, std::vector<uint8_t>(std::size_t(width) * height * 3)};
  std::vector<uint8_t> frame(picture.rgb.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  const std::size_t row = std::size_t(width) * 3;
  for (int y = 0; y < height; ++y)
    std::copy_n(&frame[std::size_t(height - 1 - y) * row], row, &picture.rgb[std::size_t(y) * row]);
  return picture;
}

// Writes an RGB PNG at libpng's strongest compression: the references live in the repository.
bool WritePng(const std::filesystem::path& path, const Picture& picture) {
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
  png_set_compression_level(png, 9);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y)
    png_write_row(png, picture.At(0, y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

// Reads a PNG as RGB; false when it is missing or broken.
bool ReadPng(const std::filesystem::path& path, Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

int Difference(const uint8_t* a, const uint8_t* b) {
  return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

struct Comparison {
  int differing = 0;
  int firstX = -1, firstY = -1;
  int largestX = -1, largestY = -1, largest = 0;
  Picture diff;  // the reference dimmed, the differing pixels red
};

// A pixel differs when no reference pixel within `reach` of its place (its own, and at reach 1
// the eight neighbours) is within the tolerance.
Comparison Compare(const Picture& actual, const Picture& reference, int reach) {
  Comparison result;
  result.diff = reference;
  for (uint8_t& value : result.diff.rgb) value = static_cast<uint8_t>(value / 4);
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const uint8_t* pixel = actual.At(x, y);
      bool near = false;
      for (int dy = -reach; dy <= reach && !near; ++dy) {
        for (int dx = -reach; dx <= reach && !near; ++dx) {
          const int rx = x + dx, ry = y + dy;
          if (rx < 0 || ry < 0 || rx >= reference.width || ry >= reference.height) continue;
          near = Difference(pixel, reference.At(rx, ry)) <= kTolerance;
        }
      }
      if (near) continue;
      if (result.differing++ == 0) {
        result.firstX = x;
        result.firstY = y;
      }
      const int difference = Difference(pixel, reference.At(x, y));
      if (difference > result.largest) {
        result.largest = difference;
        result.largestX = x;
        result.largestY = y;
      }
      uint8_t* marked = &result.diff.rgb[(std::size_t(y) * actual.width + x) * 3];
      marked[0] = 255;
      marked[1] = 0;
      marked[2] = 0;
    }
  }
  return result;
}

// The folder for the pictures of failed scenes, made at the first failure of the run.
const std::filesystem::path& FailureDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessary-snapshots-XXXXXX");
    const char* made = mkdtemp(pattern.data());
    return std::filesystem::path(made != nullptr ? made : "/tmp");
  }();
  return dir;
}

// ---- A framebuffer at twice the picture's size ----

// Framebuffer objects through EGL: the pbuffer is 800 x 600, the native frames at scale 2 need
// 1600 x 1200.
struct LargeTarget {
  PFNGLBINDFRAMEBUFFERPROC bind = nullptr;
  unsigned framebuffer = 0;
  unsigned colour = 0, depth = 0;

  bool Make(int width, int height) {
    auto gen = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(eglGetProcAddress("glGenFramebuffers"));
    bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(eglGetProcAddress("glBindFramebuffer"));
    auto genBuffers =
        reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(eglGetProcAddress("glGenRenderbuffers"));
    auto bindBuffer =
        reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(eglGetProcAddress("glBindRenderbuffer"));
    auto storage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(
        eglGetProcAddress("glRenderbufferStorage"));
    auto attach = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(
        eglGetProcAddress("glFramebufferRenderbuffer"));
    auto status = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(
        eglGetProcAddress("glCheckFramebufferStatus"));
    if (!gen || !bind || !genBuffers || !bindBuffer || !storage || !attach || !status)
      return false;
    gen(1, &framebuffer);
    bind(GL_FRAMEBUFFER, framebuffer);
    genBuffers(1, &colour);
    bindBuffer(GL_RENDERBUFFER, colour);
    storage(GL_RENDERBUFFER, GL_RGB8, width, height);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    genBuffers(1, &depth);
    bindBuffer(GL_RENDERBUFFER, depth);
    storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    attach(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const bool complete = status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    bind(GL_FRAMEBUFFER, 0);
    return complete;
  }
};

// ---- The fixed game states ----

using Language = game::Language;

// A small deterministic generator for plausible values, started afresh for every scene.
struct Values {
  uint32_t seed = 20261209;
  int Next(int bound) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<uint32_t>(bound));
  }
};

void SetStars(game::GameState& state, Values& values) {
  for (game::Star& star : state.stars) {
    star.r = static_cast<uint8_t>(values.Next(256));
    star.g = static_cast<uint8_t>(values.Next(256));
    star.b = static_cast<uint8_t>(values.Next(256));
    star.x = static_cast<float>(values.Next(700) - 350) / 100.0f;
    star.y = static_cast<float>(values.Next(540) - 270) / 100.0f;
    star.alpha = static_cast<uint8_t>(values.Next(52) * 5);
  }
}

void Menu(game::GameState& state, Values& values) {
  SetStars(state, values);
  state.titleAngle = 3.0f;
  state.hoverEasy = true;
  state.playerMode = 3;  // three players: the selector shows a value of its own
  state.soundOn = true;
  state.musicOn = false;
  state.vsyncOn = true;
  state.scene = game::SCENE_MENU;
}

// A board of `level` dealt and in play: every fifth box open, a pair removed, the cursor over
// one box.
void Board(game::GameState& state, Values& values, game::Level level) {
  const game::LevelParams& params = game::ParamsOf(level);
  for (int i = 0; i < params.boxCount; ++i) {
    game::Box& box = state.boxes[i];
    box.face = static_cast<int8_t>(i % params.faceCount);
    box.present = true;
    box.open = i % 5 == 1;
    box.hover = false;
    box.r = static_cast<float>(values.Next(101)) / 100.0f;
    box.g = static_cast<float>(values.Next(101)) / 100.0f;
    box.b = static_cast<float>(values.Next(101)) / 100.0f;
  }
  state.boxes[2].present = false;
  state.boxes[2 + params.faceCount].present = false;
  state.boxes[params.boxCount - 4].hover = true;
  state.bestText.Set("00123");
  state.timeText.Set("87");
  state.scoreText.Set("452");
  state.messageColor[0] = 0.2f;
  state.messageColor[1] = 0.9f;
  state.messageColor[2] = 1.0f;
  state.players.level = static_cast<uint8_t>(level);
  state.scene = level == game::Level::easy     ? game::SCENE_EASY
                : level == game::Level::normal ? game::SCENE_NORMAL
                                               : game::SCENE_HARD;
}

void Together(game::GameState& state, int count, bool computer) {
  state.players.count = static_cast<int8_t>(count);
  state.players.computer = computer;
  state.players.current = 1;
  for (int p = 0; p < count; ++p) state.players.pairs[p] = 3 - p;
  state.players.turns = 9;
  state.players.seconds = 75;
  state.timeText.Set("75");
}

// The records of a player with some history: rows in two levels, none in the third.
render::RecordsView History() {
  const int64_t kDay = 24 * 60 * 60;
  const int64_t kStart = 1767225600;  // 2026-01-01 00:00 UTC
  render::RecordsView view;
  for (int i = 0; i < 7; ++i)
    view.levels[0].best.push_back({980 - 90 * i, app::DesktopDate(kStart + kDay * (31 * i + 3))});
  for (int i = 0; i < 3; ++i)
    view.levels[1].best.push_back({1500 - 250 * i, app::DesktopDate(kStart + kDay * (40 * i + 7))});
  view.levels[0] = {view.levels[0].best, 12, 7, 41, 5, 3, 2};
  view.levels[1] = {view.levels[1].best, 6, 3, 88, 1, 0, 4};
  view.levels[2] = {{}, 2, 0, -1, 0, 0, 1};
  return view;
}

struct Scene {
  const char* name;
  Language language;
  bool large;  // also drawn natively at 1600 x 1200
  std::function<void(game::GameState&, Values&)> set;
};

std::string FileName(const Scene& scene, int scale) {
  return std::string(scene.name) + (scene.language == Language::chinese ? "_zh" : "_en") + "_" +
         std::to_string(scale) + "x.png";
}

const Scene kScenes[] = {
    {"menu", Language::chinese, true, Menu},
    {"menu", Language::english, true, Menu},
    {"readme", Language::chinese, true,
     [](game::GameState& s, Values&) {
       s.hoverBack = true;
       s.scene = game::SCENE_README;
     }},
    {"about", Language::chinese, false,
     [](game::GameState& s, Values&) {
       s.cubeAngle[0] = 30.0f;
       s.cubeAngle[1] = 45.0f;
       s.cubeAngle[2] = 10.0f;
       s.cubeColor[0] = 0.4f;
       s.cubeColor[1] = 0.8f;
       s.cubeColor[2] = 1.0f;
       s.scene = game::SCENE_ABOUT;
     }},
    {"about", Language::english, false,
     [](game::GameState& s, Values&) {
       s.cubeAngle[0] = 30.0f;
       s.cubeAngle[1] = 45.0f;
       s.cubeAngle[2] = 10.0f;
       s.scene = game::SCENE_ABOUT;
     }},
    {"hidden", Language::chinese, false,
     [](game::GameState& s, Values&) { s.scene = game::SCENE_HIDDEN_PICTURE; }},
    {"records", Language::chinese, true,
     [](game::GameState& s, Values&) { s.scene = game::SCENE_RECORDS; }},
    {"records", Language::english, false,
     [](game::GameState& s, Values&) {
       s.hoverBack = true;
       s.scene = game::SCENE_RECORDS;
     }},
    {"easy", Language::chinese, true,
     [](game::GameState& s, Values& v) { Board(s, v, game::Level::easy); }},
    {"easy", Language::english, false,
     [](game::GameState& s, Values& v) { Board(s, v, game::Level::easy); }},
    {"normal", Language::chinese, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::normal);
       s.hoverBack = true;
     }},
    {"hard", Language::chinese, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::hard);
       s.timeText.Set("599");
       s.scoreText.Set("0");
     }},
    // Three players on the normal board, the second one's turn.
    {"together", Language::chinese, true,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::normal);
       Together(s, 3, false);
     }},
    {"together", Language::english, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::normal);
       Together(s, 3, false);
     }},
    // Against the computer on the easy board: its turn, so no hover frame.
    {"computer", Language::english, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::easy);
       Together(s, 2, true);
     }},
    // Four players, the game over with a winner: the standings in the board's middle.
    {"together_over", Language::chinese, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::hard);
       for (int i = 0; i < 80; ++i) s.boxes[i].present = false;
       Together(s, 4, false);
       s.players.finished = true;
       s.players.winner = 0;
       s.hoverRecords = true;
     }},
    {"paused", Language::chinese, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::hard);
       s.paused = true;
     }},
    {"paused", Language::english, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::normal);
       s.paused = true;
     }},
    // Won with the second best score: the announcement, the records button under the cursor.
    {"won", Language::chinese, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::easy);
       for (int i = 0; i < 36; ++i) s.boxes[i].present = false;
       s.selectionCount = 3;
       s.won = true;
       s.recordRank = 2;
       s.hoverRecords = true;
     }},
    {"won", Language::english, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::easy);
       for (int i = 0; i < 36; ++i) s.boxes[i].present = false;
       s.selectionCount = 3;
       s.won = true;
       s.recordRank = 2;
     }},
    {"lost", Language::english, false,
     [](game::GameState& s, Values& v) {
       Board(s, v, game::Level::normal);
       s.selectionCount = 3;
       s.lost = true;
       s.timeText.Set("0");
     }},
};

struct Case {
  const Scene* scene;
  int scale;
};

void PrintTo(const Case& c, std::ostream* out) { *out << FileName(*c.scene, c.scale); }

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const Scene& scene : kScenes) cases.push_back({&scene, 1});
  for (const Scene& scene : kScenes)
    if (scene.large) cases.push_back({&scene, 2});
  return cases;
}

class SnapshotTest : public GLTest, public ::testing::WithParamInterface<Case> {
 protected:
  static void SetUpTestSuite() {
    // The dates of the records as the C locale writes them at UTC, on every machine.
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "C", 1);
    if (!std::filesystem::exists(kDataDir / "data" / "game.px")) return;
    staging_ = std::make_unique<storage::StagingPixels>();
    game::GameState state;
    render::CreateTextFont();
    loaded_ = render::LoadAssets(state, render::TheAssets(), *staging_,
                                 (kDataDir / "data" / "game.px").string());
    largeReady_ = large_.Make(2 * kWidth, 2 * kHeight);
    render::SetRecordsView(History());
  }
  static void TearDownTestSuite() {
    render::UseHighResolutionPictures(render::TheAssets(), false, "");
    render::SetFrameScale(1.0f);
    render::SetLanguage(Language::chinese);
    staging_.reset();
  }
  void TearDown() override {
    if (large_.bind != nullptr) large_.bind(GL_FRAMEBUFFER, 0);
    render::SetFrameScale(1.0f);
    GLTest::TearDown();
  }

  // Draws the scene twice (the second frame starts from the GL state the first left, as in the
  // game) and reads the second.
  Picture Draw(const Scene& scene, int scale) {
    render::Assets& assets = render::TheAssets();
    const int width = kWidth * scale, height = kHeight * scale;
    render::UseHighResolutionPictures(assets, scale >= 2,
                                      (kDataDir / "data" / "game-2x.px").string());
    if (large_.bind != nullptr) large_.bind(GL_FRAMEBUFFER, scale >= 2 ? large_.framebuffer : 0);
    ResetGameState();
    render::SetViewport(width, height);
    render::SetFrameScale(static_cast<float>(scale));
    render::SetLanguage(scene.language);
    auto state = std::make_unique<game::GameState>();
    Values values;
    state->running = true;
    state->loadingDone = true;
    scene.set(*state, values);
    for (int frame = 0; frame < 2; ++frame)
      render::DrawFrameContents(*state, assets, *staging_, "", [] {});
    return ReadPicture(width, height);
  }

  static inline std::unique_ptr<storage::StagingPixels> staging_;
  static inline bool loaded_ = false;
  static inline LargeTarget large_;
  static inline bool largeReady_ = false;
};

TEST_P(SnapshotTest, DrawsAsTheReference) {
  if (!std::filesystem::exists(kDataDir / "data" / "game.px"))
    GTEST_SKIP() << "no generated data in " << kDataDir;
  ASSERT_TRUE(loaded_) << "the generated package did not load";
  const Scene& scene = *GetParam().scene;
  const int scale = GetParam().scale;
  if (scale >= 2) {
    ASSERT_TRUE(largeReady_) << "no 1600 x 1200 framebuffer";
  }
  const std::string file = FileName(scene, scale);
  const Picture actual = Draw(scene, scale);
  if (scale >= 2) {
    ASSERT_TRUE(render::TheAssets().highResolution) << "no sharper pictures";
  }

  const char* update = std::getenv("TESSARY_UPDATE_SNAPSHOTS");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(WritePng(kSnapshotDir / file, actual)) << "cannot write " << kSnapshotDir / file;
    return;
  }
  Picture reference;
  ASSERT_TRUE(ReadPng(kSnapshotDir / file, reference))
      << "no reference " << kSnapshotDir / file << " (TESSARY_UPDATE_SNAPSHOTS=1 draws it)";
  ASSERT_EQ(reference.width, actual.width) << file;
  ASSERT_EQ(reference.height, actual.height) << file;
  // One pixel of the 800 x 600 picture is `scale` pixels of the frame.
  const Comparison comparison = Compare(actual, reference, scale);
  if (comparison.differing == 0) return;

  const std::filesystem::path& dir = FailureDir();
  const std::string stem = file.substr(0, file.size() - 4);
  WritePng(dir / (stem + "_actual.png"), actual);
  WritePng(dir / (stem + "_diff.png"), comparison.diff);
  const uint8_t* drawn = actual.At(comparison.largestX, comparison.largestY);
  const uint8_t* wanted = reference.At(comparison.largestX, comparison.largestY);
  ADD_FAILURE() << file << ": " << comparison.differing << " pixels differ from the reference; "
                << "the first at (" << comparison.firstX << ", " << comparison.firstY
                << ") from the top left, the largest (" << comparison.largest << ") at ("
                << comparison.largestX << ", " << comparison.largestY << "): drawn "
                << ToString({drawn[0], drawn[1], drawn[2]}) << ", reference "
                << ToString({wanted[0], wanted[1], wanted[2]}) << ". Drawn and diff pictures in "
                << dir.string();
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name = FileName(*info.param.scene, info.param.scale);
  name.resize(name.size() - 4);
  return name;
}

INSTANTIATE_TEST_SUITE_P(Scenes, SnapshotTest, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
