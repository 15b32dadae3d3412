// What a drawing operation sends down the pipeline, caught in GL feedback mode under an
// orthographic view of the cube -5..5, turned back into eye coordinates.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <vector>

namespace gl_test {

struct FeedbackVertex {
  double x = 0, y = 0, z = 0;
  float r = 0, g = 0, b = 0, a = 0;
  float s = 0, t = 0;
};

struct FeedbackPrimitive {
  GLenum token = 0;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN, ...
  std::vector<FeedbackVertex> vertices;
};

std::vector<FeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw);

// Every vertex of every polygon, in the order received.
std::vector<FeedbackVertex> PolygonVertices(const std::vector<FeedbackPrimitive>& primitives);

}  // namespace gl_test
