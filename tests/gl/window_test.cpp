// The game window on SDL's offscreen video driver: the real window code without a display
// server. Each test opens its own window and context.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "render/render.h"
#include "render/render_local.h"
#include "storage/files.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = std::filesystem::temp_directory_path() / "tessary-window-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    std::filesystem::current_path(directory_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  static SDL_WindowEvent EventFor(SDL_WindowEventID id) {
    SDL_WindowEvent event{};
    event.type = SDL_WINDOWEVENT;
    event.event = static_cast<Uint8>(id);
    event.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    return event;
  }

  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

TEST_F(WindowTest, OpensTheGameWindowWithACurrentFixedFunctionContext) {
  render::GameWindow window;
  ASSERT_TRUE(window.Open());
  SDL_Window* sdlWindow = SDL_GL_GetCurrentWindow();
  ASSERT_NE(sdlWindow, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Tessary");
  int width = 0, height = 0;
  SDL_GetWindowSize(sdlWindow, &width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  // Any size, HiDPI-aware, a window until asked for full screen.
  EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_RESIZABLE, 0u);
  EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_ALLOW_HIGHDPI, 0u);
  EXPECT_FALSE(window.IsFullscreen());
  // (The offscreen driver draws into a single-buffered pbuffer: double buffering is not
  // observable here.)
  int depth = 0;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  EXPECT_GE(depth, 24);

  // Display lists, bitmaps and selection: the fixed-function pipeline is there.
  const GLubyte bits[4] = {0x80, 0, 0, 0};
  glNewList(200, GL_COMPILE);
  glBitmap(1, 1, 0, 0, 0, 0, bits);
  glEndList();
  EXPECT_EQ(glIsList(200), GL_TRUE);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Viewport and the perspective of 45 degrees, 4:3, 0.1 to 100.
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 600);
  GLfloat projection[16], expected[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPerspective(45.0, 800.0 / 600.0, 0.1f, 100.0);
  glGetFloatv(GL_PROJECTION_MATRIX, expected);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], expected[i]) << i;
  GLint matrixMode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  EXPECT_EQ(matrixMode, GL_MODELVIEW);

  window.Close();
  window.Close();  // twice is harmless
  EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
  ASSERT_TRUE(window.Open());  // and it opens again
}

TEST_F(WindowTest, ABrokenIconIsNoReasonNotToOpen) {
  std::filesystem::create_directory("data");
  std::ofstream("data/icon.bmp") << "not a bitmap";
  render::GameWindow window;
  EXPECT_TRUE(window.Open());
}

TEST_F(WindowTest, NothingIsDrawnWhileMinimised) {
  render::GameWindow window;
  ASSERT_TRUE(window.Open());
  EXPECT_FALSE(window.IsMinimised());
  window.OnWindowEvent(EventFor(SDL_WINDOWEVENT_MINIMIZED));
  EXPECT_TRUE(window.IsMinimised());

  // No package here: a frame that drew would try to load it and fail.
  auto state = std::make_unique<game::GameState>();
  auto staging = std::make_unique<storage::StagingPixels>();
  state->running = true;
  EXPECT_EQ(render::DrawFrame(window, *state, *staging), render::FrameResult::drawn);
  EXPECT_TRUE(state->running);

  window.OnWindowEvent(EventFor(SDL_WINDOWEVENT_RESTORED));
  EXPECT_FALSE(window.IsMinimised());
  EXPECT_EQ(render::DrawFrame(window, *state, *staging), render::FrameResult::loadFailed);
  EXPECT_FALSE(state->running);
}

TEST_F(WindowTest, TheSwapIntervalIsSetThroughSdlWhenItCanBe) {
  render::GameWindow window;
  ASSERT_TRUE(window.Open());
  const storage::SwapIntervalProc setInterval = render::LookUpSwapInterval();
  if (setInterval == nullptr) {
    EXPECT_NE(SDL_GL_SetSwapInterval(1), 0);
    return;
  }
  setInterval(0);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
  setInterval(1);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
}

// The start-up sequence of the game on the generated data, then a menu frame and a pick.
TEST_F(WindowTest, StartsUpOnTheGeneratedDataAndPicksInTheMenu) {
  const std::filesystem::path data = TESSARY_DATA_DIR;
  if (!std::filesystem::exists(data / "data" / "game.px"))
    GTEST_SKIP() << "no generated data in " << data;
  std::filesystem::current_path(data);

  render::GameWindow window;
  ASSERT_TRUE(window.Open());
  auto state = std::make_unique<game::GameState>();
  auto staging = std::make_unique<storage::StagingPixels>();
  state->running = true;
  state->scene.store(game::SCENE_MENU_ENTER, std::memory_order_release);
  render::LookUpSwapInterval();
  render::CreateTextFont();
  storage::ReadLoadingPicture(*staging);
  render::MakeLogoTexture(*staging);
  render::SetFixedGLState();

  EXPECT_EQ(render::DrawFrame(window, *state, *staging), render::FrameResult::drawn);
  EXPECT_TRUE(render::TheAssets().loaded);
  state->loadingDone.store(true, std::memory_order_release);
  state->scene.store(game::SCENE_MENU, std::memory_order_release);
  EXPECT_EQ(render::DrawFrame(window, *state, *staging), render::FrameResult::drawn);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // The easy button sits at (0, 0.3, -5): 400 pixels across, about 255 down.
  const double down = 300.0 - 0.3 / 5.0 / std::tan(22.5 * M_PI / 180.0) * 300.0;
  state->mouseX = 400;
  state->mouseY = static_cast<int32_t>(std::lround(down));
  render::PickAt(*state);
  EXPECT_EQ(state->pickedName, 2u);
}

}  // namespace

// A window of another shape, on both paths: native frames go into the fitted rectangle, scaled
// ones are drawn at 800 x 600 and scaled between black bars; the pointer is mapped through the
// same fit. Smaller than the picture, so that the offscreen driver's surface (which keeps its
// first size) holds the whole window.
TEST_F(WindowTest, AnotherSizeShowsThePictureFittedBetweenBlackBars) {
  render::GameWindow window;
  ASSERT_TRUE(window.Open());
  render::SetFixedGLState();
  SDL_Window* sdlWindow = SDL_GL_GetCurrentWindow();
  SDL_SetWindowSize(sdlWindow, 400, 400);
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(sdlWindow, &width, &height);
  if (width != 400 || height != 400) GTEST_SKIP() << "the driver kept the window's size";
  auto bindFramebuffer =
      reinterpret_cast<void (*)(GLenum, GLuint)>(SDL_GL_GetProcAddress("glBindFramebuffer"));
  ASSERT_NE(bindFramebuffer, nullptr);
  auto pixel = [](int x, int y) {
    GLubyte rgb[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
  };

  for (const bool native : {false, true}) {
    SCOPED_TRACE(native ? "native" : "scaled");
    setenv("TESSARY_TEST_DRAW_PATH", native ? "native" : "scaled", 1);
    window.OnWindowEvent(EventFor(SDL_WINDOWEVENT_SIZE_CHANGED));
    EXPECT_FLOAT_EQ(window.DrawScale(), native ? 0.5f : 1.0f);
    EXPECT_FLOAT_EQ(render::FrameScale(), window.DrawScale());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLint expected[4] = {0, native ? 50 : 0, native ? 400 : 800, native ? 300 : 600};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport[i], expected[i]) << i;
    // The game clears to black; the scaled path blacks the bars whatever the clear colour.
    glClearColor(native ? 0.0f : 1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 0.0f, 0.0f);
    glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    window.Swap();
    bindFramebuffer(0x8CA8 /* GL_READ_FRAMEBUFFER */, 0);
    // 400 x 300 of picture from row 50 (GL counts from the bottom), bars of 50 above and below.
    EXPECT_EQ(pixel(200, 20), 0) << "lower bar";
    EXPECT_EQ(pixel(200, 380), 0) << "upper bar";
    EXPECT_EQ(pixel(0, 50), 0xff0000) << "the picture's corner";
    EXPECT_EQ(pixel(200, 200), 0xff0000);
    EXPECT_EQ(pixel(399, 349), 0xff0000);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  unsetenv("TESSARY_TEST_DRAW_PATH");

  EXPECT_FALSE(window.PictureAt(200, 20));
  const auto point = window.PictureAt(200, 200);
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 401);
  EXPECT_EQ(point->y, 301);
}
