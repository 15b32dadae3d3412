// The scaled path: where native frames cannot keep the display's rate, every frame is drawn at
// 800 x 600 into an offscreen framebuffer and then scaled into the window as a whole (cheaper,
// but soft when much enlarged).
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <cstdio>

#include "render/render_local.h"

namespace render {

namespace {

// Framebuffer objects are core in GL 3.0 and in ARB_framebuffer_object; Mesa's compatibility
// profile has both. Looked up once the context exists.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};
FramebufferCalls calls;

template <typename Function>
bool LookUp(Function& function, const char* name) {
  function = reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
  return function != nullptr;
}

bool LookUpFramebufferCalls() {
  int major = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);  // 0 (an error) before GL 3.0
  glGetError();
  if (major < 3 && !SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object")) return false;
  return LookUp(calls.genFramebuffers, "glGenFramebuffers") &&
         LookUp(calls.deleteFramebuffers, "glDeleteFramebuffers") &&
         LookUp(calls.bindFramebuffer, "glBindFramebuffer") &&
         LookUp(calls.genRenderbuffers, "glGenRenderbuffers") &&
         LookUp(calls.deleteRenderbuffers, "glDeleteRenderbuffers") &&
         LookUp(calls.bindRenderbuffer, "glBindRenderbuffer") &&
         LookUp(calls.renderbufferStorage, "glRenderbufferStorage") &&
         LookUp(calls.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
         LookUp(calls.checkFramebufferStatus, "glCheckFramebufferStatus") &&
         LookUp(calls.blitFramebuffer, "glBlitFramebuffer");
}

}  // namespace

bool MakePictureTarget(PictureTarget& target) {
  if (target.framebuffer != 0) return true;
  if (!LookUpFramebufferCalls()) {
    std::fprintf(stderr, "tessary: no OpenGL framebuffer objects: frames are always drawn at "
                         "the window's size\n");
    return false;
  }
  calls.genRenderbuffers(1, &target.colourBuffer);
  calls.bindRenderbuffer(GL_RENDERBUFFER, target.colourBuffer);
  calls.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, game::kPictureWidth, game::kPictureHeight);
  calls.genRenderbuffers(1, &target.depthBuffer);
  calls.bindRenderbuffer(GL_RENDERBUFFER, target.depthBuffer);
  calls.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, game::kPictureWidth,
                            game::kPictureHeight);
  calls.bindRenderbuffer(GL_RENDERBUFFER, 0);
  calls.genFramebuffers(1, &target.framebuffer);
  calls.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  calls.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                target.colourBuffer);
  calls.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                target.depthBuffer);
  if (calls.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    std::fprintf(stderr, "tessary: the offscreen picture cannot be made: frames are always "
                         "drawn at the window's size\n");
    DeletePictureTarget(target);
    return false;
  }
  return true;
}

void DeletePictureTarget(PictureTarget& target) {
  if (calls.bindFramebuffer == nullptr) return;
  calls.bindFramebuffer(GL_FRAMEBUFFER, 0);
  if (target.framebuffer != 0) calls.deleteFramebuffers(1, &target.framebuffer);
  if (target.colourBuffer != 0) calls.deleteRenderbuffers(1, &target.colourBuffer);
  if (target.depthBuffer != 0) calls.deleteRenderbuffers(1, &target.depthBuffer);
  target = PictureTarget{};
}

void PresentPicture(const PictureTarget& target, game::PixelSize drawable) {
  if (target.framebuffer == 0) return;
  calls.bindFramebuffer(GL_FRAMEBUFFER, 0);
  // The bars are cleared every frame (what a resize uncovers is undefined otherwise), and black
  // whatever the scenes clear to.
  GLfloat sceneClear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, sceneClear);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(sceneClear[0], sceneClear[1], sceneClear[2], sceneClear[3]);
  const game::PixelRect rect = game::FitPicture(drawable);
  if (rect.width > 0 && rect.height > 0) {
    calls.bindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    // GL counts rows from the bottom.
    const int bottom = drawable.height - rect.y - rect.height;
    calls.blitFramebuffer(0, 0, game::kPictureWidth, game::kPictureHeight, rect.x, bottom,
                          rect.x + rect.width, bottom + rect.height, GL_COLOR_BUFFER_BIT,
                          GL_LINEAR);
  }
  calls.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
}

void UsePictureTarget(const PictureTarget& target, bool use) {
  if (target.framebuffer != 0) calls.bindFramebuffer(GL_FRAMEBUFFER, use ? target.framebuffer : 0);
}

}  // namespace render
