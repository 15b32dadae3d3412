// PickAt on a board leaves out the boxes that cannot touch the cursor's region. This checks that
// it finds exactly the hit record a selection pass over every box finds, where that is most
// likely to go wrong: around the window image of every corner of every hover outline.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "game/level.h"
#include "gl_context.h"
#include "render/render_local.h"
#include "test_package.h"

namespace {

using namespace gl_test;

struct Layout {
  game::Level level;
  float startX, startY, startZ;
  float backX;
  uint32_t backName;
};

constexpr Layout kLayouts[] = {
    {game::Level::easy, 1.65f, 1.25f, -5.0f, 2.0f, 37},
    {game::Level::hard, 2.7f, 1.85f, -6.0f, 2.3f, 81},
};

// Every box drawn in selection mode with its name, the back button last: picking without the
// shortcut.
void PickEveryBox(game::GameState& state, const Layout& layout) {
  const game::LevelParams& level = game::ParamsOf(layout.level);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  state.pickedName = 0;
  glSelectBuffer(4, state.selectBuffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(0);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(state.mouseX, viewport[3] - state.mouseY, 3.0, 3.0, viewport);
  gluPerspective(45.0, static_cast<GLfloat>(viewport[2]) / static_cast<GLfloat>(viewport[3]),
                 0.1f, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(layout.startX, layout.startY, layout.startZ);
  GLuint name = 1;
  for (int row = 0; row < level.rows; ++row) {
    for (int column = 0; column < level.columns; ++column) {
      glTranslatef(-0.5f, 0.0f, 0.0f);
      glLoadName(name);
      const game::Box& box = state.boxes[name - 1];
      if (box.present)
        glCallList(box.open ? render::LIST_FACE_FIRST + static_cast<GLuint>(box.face)
                            : render::LIST_BOX);
      if (box.hover) glCallList(render::LIST_BOX_OUTLINE);
      ++name;
    }
    glTranslatef(0.5f * static_cast<GLfloat>(level.columns), -0.5f, 0.0f);
  }
  glLoadIdentity();
  glTranslatef(layout.backX, -1.8f, -5.0f);
  glLoadName(layout.backName);
  glCallList(render::LIST_BACK);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glRenderMode(GL_RENDER);
}

class PickingTest : public GLTest {
 protected:
  static void SetUpTestSuite() {
    package_ = std::make_unique<TestPackage>();
    staging_ = std::make_unique<storage::StagingPixels>();
    assets_ = std::make_unique<render::Assets>();
    game::GameState state;
    ASSERT_TRUE(render::LoadAssets(state, *assets_, *staging_, package_->path()));
  }
  static void TearDownTestSuite() {
    for (unsigned& texture : assets_->textures) glDeleteTextures(1, &texture);
    assets_.reset();
    staging_.reset();
    package_.reset();
  }

  static std::unique_ptr<TestPackage> package_;
  static std::unique_ptr<storage::StagingPixels> staging_;
  static std::unique_ptr<render::Assets> assets_;
};

std::unique_ptr<TestPackage> PickingTest::package_;
std::unique_ptr<storage::StagingPixels> PickingTest::staging_;
std::unique_ptr<render::Assets> PickingTest::assets_;

TEST_F(PickingTest, BoardsGiveTheHitRecordOfAPassOverEveryBox) {
  for (const Layout& layout : kLayouts) {
    const game::LevelParams& level = game::ParamsOf(layout.level);
    game::GameState state;
    state.scene.store(static_cast<game::Scene>(level.playScene), std::memory_order_release);
    // Closed, open and removed boxes, and outlines over a closed and over a removed one.
    for (int i = 0; i < level.boxCount; ++i) {
      game::Box& box = state.boxes[i];
      box.face = static_cast<int8_t>(i % level.faceCount);
      box.present = i % 9 != 4;
      box.open = i % 5 == 2;
      box.hover = i % 7 == 3;
    }
    int checked = 0;
    for (int i = 0; i < level.boxCount; ++i) {
      const double x = layout.startX - 0.5 * (i % level.columns + 1);
      const double y = layout.startY - 0.5 * (i / level.columns);
      for (int bits = 0; bits < 8; ++bits) {
        const WindowPoint p = Project(x + (bits & 1 ? 0.22 : -0.22), y + (bits & 2 ? 0.22 : -0.22),
                                      layout.startZ + (bits & 4 ? 0.22 : -0.22));
        for (int dx : {-2, 2}) {
          for (int dy : {-2, 2}) {
            state.mouseX = static_cast<int32_t>(std::lround(p.x)) + dx;
            state.mouseY = kHeight - static_cast<int32_t>(std::lround(p.y)) + dy;
            render::PickAt(state);
            uint32_t found[4];
            std::copy(std::begin(state.selectBuffer), std::end(state.selectBuffer), found);
            PickEveryBox(state, layout);
            ASSERT_TRUE(std::equal(std::begin(found), std::end(found),
                                   std::begin(state.selectBuffer)))
                << "level " << static_cast<int>(layout.level) << ", box " << i + 1
                << ", cursor " << state.mouseX << ", " << state.mouseY << ": found name "
                << found[3] << ", a pass over every box " << state.selectBuffer[3];
            ++checked;
          }
        }
      }
    }
    EXPECT_EQ(checked, level.boxCount * 32);
  }
}

}  // namespace
