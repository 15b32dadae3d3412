#include "bench/reference.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>

#include "game/pause.h"
#include "render/render_local.h"

namespace bench {

namespace {

// A fixed generator, so every run draws the same scenes.
uint32_t seed = 20261208;
int Next(int bound) {
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>((seed >> 16) % static_cast<uint32_t>(bound));
}

void DrawText(std::string_view text, float x, float y, float r, float g, float b) {
  render::DrawText3D(static_cast<int32_t>(text.size()), text.data(), x, y, r, g, b);
}

void DrawValueText(const game::SharedText& text, std::size_t maxBytes, float x, float y) {
  char bytes[8];
  const std::size_t length = text.CopyTo(bytes, maxBytes);
  render::DrawText3D(static_cast<int32_t>(length), bytes, x, y, 1.0f, 1.0f, 1.0f);
}

}  // namespace

void SetUpMenu(game::GameState& state) {
  for (auto& star : state.stars) {
    star.r = static_cast<uint8_t>(Next(256));
    star.g = static_cast<uint8_t>(Next(256));
    star.b = static_cast<uint8_t>(Next(256));
    star.x = static_cast<float>(Next(700) - 350) / 100.0f;
    star.y = static_cast<float>(Next(540) - 270) / 100.0f;
    star.alpha = static_cast<uint8_t>(Next(52) * 5);
  }
  state.titleAngle = 3.0f;
  state.hoverEasy = true;
  state.soundOn = true;
  state.musicOn = true;
  state.vsyncOn = true;
  state.scene.store(game::SCENE_MENU, std::memory_order_release);
}

void SetUpHardBoard(game::GameState& state) {
  for (int i = 0; i < game::kBoxCapacity; ++i) {
    game::Box& box = state.boxes[i];
    box.face = static_cast<int8_t>(i % render::kFaceCount);
    box.present = true;
    box.open = false;
    box.hover = i == 44;
    box.r = static_cast<float>(Next(101)) / 100.0f;
    box.g = static_cast<float>(Next(101)) / 100.0f;
    box.b = static_cast<float>(Next(101)) / 100.0f;
  }
  state.hoverBack = false;
  state.bestText.Set("12345");
  state.timeText.Set("599");
  state.scoreText.Set("0");
  state.won = true;
  state.lost = true;
  state.messageColor[0] = 0.2f;
  state.messageColor[1] = 0.9f;
  state.messageColor[2] = 1.0f;
  state.scene.store(game::SCENE_HARD, std::memory_order_release);
}

void SetUpAbout(game::GameState& state) {
  state.cubeAngle[0] = 30.0f;
  state.cubeAngle[1] = 45.0f;
  state.cubeAngle[2] = 10.0f;
  state.cubeColor[0] = 0.4f;
  state.cubeColor[1] = 0.8f;
  state.cubeColor[2] = 1.0f;
  state.hoverBack = false;
  state.scene.store(game::SCENE_ABOUT, std::memory_order_release);
}

void DrawHardSceneReference(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(render::LIST_BOARD_BACKGROUND);

  DrawText(kBestLabel, -3.5f, 3.6f, 1.0f, 1.0f, 1.0f);
  DrawValueText(state.bestText, 5, -2.5f, 3.6f);
  DrawText(kTimeLabel, -0.5f, 3.6f, 1.0f, 1.0f, 1.0f);
  DrawValueText(state.timeText, 3, 0.5f, 3.6f);
  DrawValueText(state.scoreText, 5, 3.0f, 3.6f);
  const float red = state.messageColor[2];
  const float green = state.messageColor[1];
  const float blue = state.messageColor[0];
  if (state.won) DrawText(kWonMessage, -0.5f, 0.0f, red, green, blue);
  if (state.lost) DrawText(kLostMessage, -0.5f, 0.0f, red, green, blue);

  glLoadIdentity();
  glTranslatef(2.7f, 1.85f, -6.0f);
  int name = 1;
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 10; ++column) {
      glTranslatef(-0.5f, 0.0f, 0.0f);
      const game::Box& box = state.boxes[name - 1];
      if (box.present) {
        if (box.open) {
          glColor3f(1.0f, 1.0f, 1.0f);
          glCallList(render::LIST_FACE_FIRST + static_cast<unsigned>(box.face));
        } else {
          glColor3f(box.r, box.g, box.b);
          glCallList(render::LIST_BOX);
        }
      }
      glDisable(GL_BLEND);
      if (box.hover) glCallList(render::LIST_BOX_OUTLINE);
      glEnable(GL_BLEND);
      ++name;
    }
    glTranslatef(5.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, -0.5f, 0.0f);
  }
  glColor3f(1.0f, 1.0f, 1.0f);
  glLoadIdentity();
  glTranslatef(2.3f, -1.8f, -5.0f);
  glCallList(state.hoverBack ? render::LIST_BACK_HOVER : render::LIST_BACK);
}

void PickAtHardBoardReference(game::GameState& state) {
  state.pickedName = 0;
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glSelectBuffer(4, state.selectBuffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(0);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(state.mouseX, viewport[3] - state.mouseY, 3.0, 3.0, viewport);
  gluPerspective(45.0,
                 static_cast<GLfloat>(viewport[2] - viewport[0]) /
                     static_cast<GLfloat>(viewport[3] - viewport[1]),
                 0.1f, 100.0);
  glMatrixMode(GL_MODELVIEW);

  glLoadIdentity();
  glTranslatef(2.7f, 1.85f, -6.0f);
  GLuint name = 1;
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 10; ++column) {
      glTranslatef(-0.5f, 0.0f, 0.0f);
      glLoadName(name);
      const game::Box& box = state.boxes[name - 1];
      if (box.present) {
        if (box.open) {
          glColor3f(1.0f, 1.0f, 1.0f);
          glCallList(render::LIST_FACE_FIRST + static_cast<unsigned>(box.face));
        } else {
          glColor3f(box.r, box.g, box.b);
          glCallList(render::LIST_BOX);
        }
      }
      glDisable(GL_BLEND);
      if (box.hover) glCallList(render::LIST_BOX_OUTLINE);
      glEnable(GL_BLEND);
      ++name;
    }
    glTranslatef(5.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, -0.5f, 0.0f);
  }
  glColor3f(1.0f, 1.0f, 1.0f);
  glLoadIdentity();
  glTranslatef(2.3f, -1.8f, -5.0f);
  glLoadName(81);
  glCallList(state.hoverBack ? render::LIST_BACK_HOVER : render::LIST_BACK);
  // The records button that a finished board shows, mirrored across from Back: picked as its
  // plain quad.
  if (game::IsBoardOver(state)) {
    glLoadIdentity();
    glTranslatef(-2.3f, -1.8f, -5.0f);
    glLoadName(82);
    render::Rectangle(GL_QUADS, 0.36f, 0.1f);
  }

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glRenderMode(GL_RENDER);
}

void DrawPlainCubes(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(render::LIST_BOARD_BACKGROUND);
  glLoadIdentity();
  glTranslatef(2.7f, 1.85f, -6.0f);
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 10; ++column) {
      glTranslatef(-0.5f, 0.0f, 0.0f);
      const game::Box& box = state.boxes[row * 10 + column];
      glColor3f(box.r, box.g, box.b);
      glCallList(render::LIST_BOX);
    }
    glTranslatef(5.0f, -0.5f, 0.0f);
  }
  glColor3f(1.0f, 1.0f, 1.0f);
}

}  // namespace bench
