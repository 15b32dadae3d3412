// The GL window on SDL and the frame loop: clear, draw the scene (or the loading frame until the
// pictures are loaded and the sound thread has ended the loading screen), present.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "game/text_id.h"
#include "render/render_local.h"
#include "storage/paths.h"

namespace render {

namespace {

void SetSwapInterval(int interval) { SDL_GL_SetSwapInterval(interval); }

// Test hook, off for players: TESSARY_TEST_DRAW_PATH=native or scaled holds that path whatever
// the frame times (read at every size change, so that the bench can measure both in one run).
std::string_view ForcedDrawPath() {
  const char* path = std::getenv("TESSARY_TEST_DRAW_PATH");
  return path != nullptr ? path : "";
}

float frameScale = 1.0f;

}  // namespace

void SetFrameScale(float scale) {
  frameScale = scale;
  glLineWidth(scale);
}

float FrameScale() { return frameScale; }

GameWindow::GameWindow() = default;

GameWindow::~GameWindow() { Close(); }

bool GameWindow::Open(bool fullscreen) {
  if (window_ != nullptr) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "tessary: cannot start the video system: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // Display lists, glBitmap and selection need the fixed-function pipeline.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  // Desktop full screen only: a mode change would upset the desktop for a 4:3 picture.
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE |
                 SDL_WINDOW_ALLOW_HIGHDPI;
  if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  window_ = SDL_CreateWindow("Tessary", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kClientWidth, kClientHeight, flags);
  if (window_ == nullptr) {
    std::fprintf(stderr, "tessary: cannot create the window: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // A missing icon leaves the default one.
  if (SDL_Surface* icon = SDL_LoadBMP(storage::PathOf(storage::kIconPath).c_str())) {
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
  }
  context_ = SDL_GL_CreateContext(window_);
  if (context_ == nullptr || SDL_GL_MakeCurrent(window_, context_) != 0) {
    std::fprintf(stderr, "tessary: cannot create an OpenGL context: %s\n", SDL_GetError());
    Close();
    return false;
  }
  // The scaled path's picture, there from the start so that stepping down costs nothing.
  pictureTarget_ = std::make_unique<PictureTarget>();
  MakePictureTarget(*pictureTarget_);
  SetViewport(kClientWidth, kClientHeight);
  drawable_ = {};  // the first size starts the choice of the path
  TrackDrawableSize();
  minimised_ = false;
  return true;
}

void GameWindow::Close() {
  if (window_ == nullptr) return;
  if (context_ != nullptr) {
    if (pictureTarget_) DeletePictureTarget(*pictureTarget_);
    pictureTarget_.reset();
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
  }
  SDL_DestroyWindow(window_);
  window_ = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void GameWindow::OnWindowEvent(const SDL_WindowEvent& event) {
  if (window_ == nullptr || event.windowID != SDL_GetWindowID(window_)) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
      minimised_ = true;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      minimised_ = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
      TrackDrawableSize();
      break;
    }
    default:
      break;
  }
}

void GameWindow::StartFrame() { frameStart_ = SDL_GetPerformanceCounter(); }

void GameWindow::Swap() {
  if (window_ == nullptr) return;
  if (scaling_) PresentPicture(*pictureTarget_, drawable_);
  SDL_GL_SwapWindow(window_);
  if (scaling_) UsePictureTarget(*pictureTarget_, true);
  if (choosing_ && frameStart_ != 0) {
    const double seconds = static_cast<double>(SDL_GetPerformanceCounter() - frameStart_) /
                           static_cast<double>(SDL_GetPerformanceFrequency());
    const bool scale = chooser_.AddFrame(seconds) == DrawPath::scaled;
    if (scale != scaling_) {
      scaling_ = scale;
      UseDrawPath();
    }
  }
  frameStart_ = 0;
}

void GameWindow::TrackDrawableSize() {
  int width = 0;
  int height = 0;
  SDL_GL_GetDrawableSize(window_, &width, &height);
  // A restore or a show at the same size keeps the path chosen for it.
  if (width != drawable_.width || height != drawable_.height) {
    chooser_.Start(RefreshRate());
    frameStart_ = 0;
  }
  drawable_ = {width, height};
  const game::PixelRect rect = game::FitPicture(drawable_);
  scale_ = rect.width > 0 ? static_cast<float>(rect.width) / kClientWidth : 1.0f;
  // At the picture's own size the two paths are one: the frame goes straight into the window.
  const bool ownSize = width == kClientWidth && height == kClientHeight;
  const bool canScale = pictureTarget_ && pictureTarget_->framebuffer != 0 && !ownSize;
  const std::string_view forced = ForcedDrawPath();
  choosing_ = canScale && forced != "scaled" && forced != "native";
  scaling_ = canScale && (choosing_ ? chooser_.Path() == DrawPath::scaled : forced == "scaled");
  UseDrawPath();
}

void GameWindow::UseDrawPath() {
  if (pictureTarget_) UsePictureTarget(*pictureTarget_, scaling_);
  // The pictures drawn at twice their size pay off only where they are shown that large.
  UseHighResolutionPictures(DrawScale() >= 1.5f);
  if (scaling_) {
    glViewport(0, 0, kClientWidth, kClientHeight);
    SetFrameScale(1.0f);
    return;
  }
  // Straight into the fitted rectangle (the whole window at its own size); the clear of each
  // frame covers the bars, as glClear ignores the viewport.
  const game::PixelRect rect = game::FitPicture(drawable_);
  if (rect.width > 0 && rect.height > 0)
    glViewport(rect.x, drawable_.height - rect.y - rect.height, rect.width, rect.height);
  SetFrameScale(DrawScale());
}

void GameWindow::ToggleFullscreen() {
  if (window_ == nullptr) return;
  if (SDL_SetWindowFullscreen(window_, IsFullscreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
    std::fprintf(stderr, "tessary: cannot switch full screen: %s\n", SDL_GetError());
  TrackDrawableSize();
}

bool GameWindow::IsFullscreen() const {
  return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

std::optional<game::PicturePoint> GameWindow::PictureAt(int x, int y) const {
  if (window_ == nullptr) return std::nullopt;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  return game::WindowToPicture(x, y, {width, height}, drawable_);
}

int GameWindow::RefreshRate() const {
  constexpr int kUnknownRate = 60;
  const int display = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : 0;
  SDL_DisplayMode mode{};
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0)
    return kUnknownRate;
  return mode.refresh_rate;
}

void SetViewport(int width, int height) {
  // A zero height (a minimised window on some desktops) has no aspect; nothing is drawn then.
  if (width <= 0 || height <= 0) return;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height), 0.1f, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

storage::SwapIntervalProc LookUpSwapInterval() {
  return SDL_GL_SetSwapInterval(1) == 0 ? &SetSwapInterval : nullptr;
}

void MakeLogoTexture(const storage::StagingPixels& stagingPixels) {
  MakeLogoTexture(TheAssets(), stagingPixels);
}

void SetFixedGLState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // additive: black is transparent, light adds up
  glEnable(GL_BLEND);
}

FrameResult DrawFrameContents(game::GameState& state, Assets& assets,
                              storage::StagingPixels& stagingPixels,
                              std::string_view packagePath, const std::function<void()>& present) {
  FollowPictureSize(assets);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();

  // The pictures are loaded before the first scene frame even when the sound thread ends the
  // loading screen before the first frame.
  if (state.loadingDone.load(std::memory_order_acquire) && assets.loaded) {
    const int8_t scene = state.scene.load(std::memory_order_acquire);
    if (const auto level = game::LevelOfPlayScene(scene)) DrawBoardScene(state, *level);
    switch (scene) {
      case game::SCENE_MENU: DrawMenuScene(state); break;
      case game::SCENE_README: DrawReadmeScene(state); break;
      case game::SCENE_ABOUT: DrawAboutScene(state); break;
      case game::SCENE_HIDDEN_PICTURE: DrawHiddenPictureScene(state); break;
      case game::SCENE_RECORDS: DrawRecordsScene(state); break;
      default: break;  // the menu's entry and the deals: a cleared frame
    }
    present();
    return FrameResult::drawn;
  }

  DrawLoadingScreen(assets);
  DrawPlacedText({N_("Loading, please wait......"), {-0.8f, -3.5f}}, 1.0f, 1.0f, 1.0f);
  // Shown before the load blocks. The frame ends here: presenting again after the load would
  // show a back buffer whose content is undefined.
  present();
  if (!LoadAssets(state, assets, stagingPixels, packagePath)) return FrameResult::loadFailed;
  return FrameResult::drawn;
}

FrameResult DrawFrame(GameWindow& window, game::GameState& state,
                      storage::StagingPixels& stagingPixels) {
  if (window.IsMinimised()) return FrameResult::drawn;
  window.StartFrame();
  // The places are fixed before the first frame; looked up once, not on every frame.
  static const std::string packagePath = storage::PathOf(storage::kPackagePath);
  return DrawFrameContents(state, TheAssets(), stagingPixels, packagePath,
                           [&window] { window.Swap(); });
}

}  // namespace render
