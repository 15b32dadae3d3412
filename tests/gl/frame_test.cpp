// The frame loop: the loading frame until the pictures are loaded and the sound thread has
// ended the loading screen, then the scene of the moment; one present per frame.
#include <GL/gl.h>

#include <memory>

#include "gl_context.h"
#include "render/render_local.h"
#include "test_package.h"

namespace {

using namespace gl_test;
using render::FrameResult;

class FrameTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    glDeleteLists(1, 39);
    render::CreateTextFont();
    state_.running = true;
    state_.scene.store(game::SCENE_MENU, std::memory_order_release);
    // The loading picture: bottom half red, top half green (rows bottom first).
    for (std::size_t i = 0; i < storage::kLoadingBytes; i += 3) {
      const bool bottom = i < storage::kLoadingBytes / 2;
      (*staging_)[i] = bottom ? 255 : 0;
      (*staging_)[i + 1] = bottom ? 0 : 255;
      (*staging_)[i + 2] = 0;
    }
    render::MakeLogoTexture(assets_, *staging_);
  }
  void TearDown() override {
    for (unsigned& texture : assets_.textures)
      if (texture != 0) glDeleteTextures(1, &texture);
    glDeleteTextures(1, &assets_.logoTexture);
    GLTest::TearDown();
  }
  FrameResult Frame(const std::string& packagePath) {
    return render::DrawFrameContents(state_, assets_, *staging_, packagePath,
                                     [this] { ++presents_; });
  }
  static bool Black(const std::vector<uint8_t>& frame) {
    return std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
  }

  game::GameState state_;
  std::unique_ptr<storage::StagingPixels> staging_ = std::make_unique<storage::StagingPixels>();
  render::Assets assets_;
  int presents_ = 0;
};

TEST_F(FrameTest, TheFirstFrameShowsTheLoadingPictureAndLoadsThePictures) {
  TestPackage package;
  glDisable(GL_DEPTH_TEST);  // as at start-up: the first text turns it on
  EXPECT_EQ(Frame(package.path()), FrameResult::drawn);
  EXPECT_EQ(presents_, 1);
  EXPECT_TRUE(assets_.loaded);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  // The loading picture was drawn before the load (the load does not touch the frame).
  EXPECT_TRUE(Near(PixelAt(400, 200), {255, 0, 0}));  // its bottom half
  EXPECT_TRUE(Near(PixelAt(400, 400), {0, 255, 0}));
  // The message in white near (-0.8, -3.5).
  const WindowPoint origin = Project(-0.8, -3.5, -10);
  int white = 0;
  for (int y = static_cast<int>(origin.y); y < origin.y + 19; ++y)
    for (int x = static_cast<int>(origin.x); x < origin.x + 150; ++x)
      white += PixelAt(x, y) == Rgb{255, 255, 255};
  EXPECT_GT(white, 50);
}

TEST_F(FrameTest, LoadingFramesGoOnWithoutLoadingAgainUntilTheSoundThreadEndsThem) {
  {
    TestPackage package;
    ASSERT_EQ(Frame(package.path()), FrameResult::drawn);
  }
  // The package is gone: any second load would fail.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Frame("/nonexistent/game.px"), FrameResult::drawn);
  EXPECT_EQ(presents_, 4);
  EXPECT_TRUE(state_.running);
  EXPECT_TRUE(Near(PixelAt(400, 200), {255, 0, 0}));  // still the loading picture

  state_.loadingDone.store(true, std::memory_order_release);
  EXPECT_EQ(Frame("/nonexistent/game.px"), FrameResult::drawn);
  EXPECT_EQ(presents_, 5);
  EXPECT_FALSE(Near(PixelAt(400, 200), {255, 0, 0}));  // the menu now
}

TEST_F(FrameTest, ThePicturesAreLoadedBeforeTheFirstSceneEvenWhenLoadingEndedFirst) {
  TestPackage package;
  state_.loadingDone.store(true, std::memory_order_release);
  EXPECT_EQ(Frame(package.path()), FrameResult::drawn);
  EXPECT_TRUE(assets_.loaded);
  EXPECT_TRUE(Near(PixelAt(400, 200), {255, 0, 0}));  // that frame was a loading frame
  EXPECT_EQ(Frame(package.path()), FrameResult::drawn);
  EXPECT_FALSE(Near(PixelAt(400, 200), {255, 0, 0}));
}

TEST_F(FrameTest, AFailedLoadEndsTheGame) {
  PackageContents contents;
  contents.omitted = {20};
  TestPackage package(contents);
  EXPECT_EQ(Frame(package.path()), FrameResult::loadFailed);
  EXPECT_FALSE(state_.running);
  EXPECT_FALSE(assets_.loaded);
  EXPECT_EQ(presents_, 1);  // the loading frame was shown first
}

TEST_F(FrameTest, TheMenuEntryAndTheDealsShowAClearedFrame) {
  TestPackage package;
  ASSERT_EQ(Frame(package.path()), FrameResult::drawn);
  state_.loadingDone.store(true, std::memory_order_release);
  for (int scene : {0, 2, 4, 6, 12, -1}) {
    state_.scene.store(static_cast<int8_t>(scene), std::memory_order_release);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    render::SetFixedGLState();  // the game's clear colour
    EXPECT_EQ(Frame(package.path()), FrameResult::drawn);
    EXPECT_TRUE(Black(ReadFrame())) << scene;
  }
}

TEST_F(FrameTest, EveryDrawableSceneDrawsSomethingAndLeavesWhite) {
  TestPackage package;
  ASSERT_EQ(Frame(package.path()), FrameResult::drawn);
  state_.loadingDone.store(true, std::memory_order_release);
  for (int i = 0; i < 36; ++i) state_.boxes[i].present = true;
  for (game::Scene scene : {game::SCENE_MENU, game::SCENE_EASY, game::SCENE_NORMAL,
                            game::SCENE_HARD, game::SCENE_README, game::SCENE_ABOUT,
                            game::SCENE_HIDDEN_PICTURE, game::SCENE_RECORDS}) {
    state_.scene.store(scene, std::memory_order_release);
    EXPECT_EQ(Frame(package.path()), FrameResult::drawn);
    EXPECT_FALSE(Black(ReadFrame())) << static_cast<int>(scene);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0] + colour[1] + colour[2], 3.0f) << static_cast<int>(scene);
    GLint stack = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stack);
    EXPECT_EQ(stack, 1);
    ExpectNoGLError("scene frame");
  }
}

TEST_F(FrameTest, TheFixedStateIsTheGamesOwn) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  render::SetFixedGLState();
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint shade = 0, source = 0, destination = 0, hint = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
  EXPECT_EQ(shade, GL_SMOOTH);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(destination, GL_ONE);
  EXPECT_EQ(hint, GL_NICEST);
  GLfloat clear[4], depth = 0;
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
  EXPECT_FLOAT_EQ(clear[3], 0.5f);
  EXPECT_FLOAT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
  EXPECT_FLOAT_EQ(depth, 1.0f);
}

}  // namespace
