#include "gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <sstream>

#include "render/render_local.h"

namespace gl_test {

namespace {

EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;
EGLContext context = EGL_NO_CONTEXT;

}  // namespace

bool CreateContext(std::string& why) {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay == nullptr) {
    why = "no eglGetPlatformDisplayEXT";
    return false;
  }
  display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    why = "no surfaceless EGL display";
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    why = "EGL cannot bind desktop OpenGL";
    return false;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,   EGL_RED_SIZE,    8,
                                     EGL_GREEN_SIZE,   8,               EGL_BLUE_SIZE,
                                     8,                EGL_DEPTH_SIZE,  24,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
    why = "no pbuffer config with desktop OpenGL";
    return false;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
  surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
      !eglMakeCurrent(display, surface, surface, context)) {
    why = "cannot make a compatibility context current";
    return false;
  }
  return true;
}

void DestroyContext() {
  if (display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
  eglTerminate(display);
  eglReleaseThread();
  display = EGL_NO_DISPLAY;
}

void MakeCurrent() { eglMakeCurrent(display, surface, surface, context); }

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::string ToString(Rgb c) {
  std::ostringstream out;
  out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
  return out.str();
}

Rgb PixelAt(int x, int y) {
  GLubyte p[4] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

std::vector<uint8_t> ReadFrame() {
  std::vector<uint8_t> frame(std::size_t{kWidth} * kHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  return frame;
}

void ResetGameState() {
  render::SetViewport(kWidth, kHeight);
  render::SetFixedGLState();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

WindowPoint Project(double x, double y, double z) {
  GLdouble modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  WindowPoint p;
  gluProject(x, y, z, modelview, projection, viewport, &p.x, &p.y, &p.depth);
  return p;
}

void ExpectNoGLError(const char* where) {
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
    ADD_FAILURE() << where << ": GL error 0x" << std::hex << error;
}

void GLTest::SetUp() {
  while (glGetError() != GL_NO_ERROR) {
  }
  ResetGameState();
}

void GLTest::TearDown() { ExpectNoGLError("after the test"); }

}  // namespace gl_test
