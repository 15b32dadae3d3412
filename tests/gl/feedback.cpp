#include "feedback.h"

#include <gtest/gtest.h>

namespace gl_test {

namespace {

constexpr double kExtent = 5.0;  // the orthographic view covers -5..5 on every axis
constexpr int kVertexFloats = 11;  // x, y, z; r, g, b, a; s, t, r, q

FeedbackVertex ReadVertex(const GLfloat* f, const GLint viewport[4]) {
  FeedbackVertex v;
  v.x = (f[0] - static_cast<double>(viewport[0])) / viewport[2] * 2.0 * kExtent - kExtent;
  v.y = (f[1] - static_cast<double>(viewport[1])) / viewport[3] * 2.0 * kExtent - kExtent;
  v.z = -kExtent * (2.0 * f[2] - 1.0);
  v.r = f[3];
  v.g = f[4];
  v.b = f[5];
  v.a = f[6];
  v.s = f[7] / f[10];
  v.t = f[8] / f[10];
  return v;
}

}  // namespace

std::vector<FeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw) {
  static GLfloat buffer[1 << 16];
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-kExtent, kExtent, -kExtent, kExtent, -kExtent, kExtent);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glFeedbackBuffer(static_cast<GLsizei>(std::size(buffer)), GL_3D_COLOR_TEXTURE, buffer);
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint count = glRenderMode(GL_RENDER);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  EXPECT_GE(count, 0) << "feedback buffer overflow";

  std::vector<FeedbackPrimitive> primitives;
  for (GLint i = 0; i < count;) {
    FeedbackPrimitive primitive;
    primitive.token = static_cast<GLenum>(buffer[i++]);
    int vertices = 0;
    switch (primitive.token) {
      case GL_POLYGON_TOKEN: vertices = static_cast<int>(buffer[i++]); break;
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN: vertices = 2; break;
      case GL_POINT_TOKEN:
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN: vertices = 1; break;
      case GL_PASS_THROUGH_TOKEN: ++i; break;
      default: ADD_FAILURE() << "unknown feedback token " << primitive.token; return primitives;
    }
    for (int v = 0; v < vertices; ++v, i += kVertexFloats)
      primitive.vertices.push_back(ReadVertex(&buffer[i], viewport));
    primitives.push_back(std::move(primitive));
  }
  return primitives;
}

std::vector<FeedbackVertex> PolygonVertices(const std::vector<FeedbackPrimitive>& primitives) {
  std::vector<FeedbackVertex> vertices;
  for (const auto& p : primitives)
    if (p.token == GL_POLYGON_TOKEN)
      vertices.insert(vertices.end(), p.vertices.begin(), p.vertices.end());
  return vertices;
}

}  // namespace gl_test
