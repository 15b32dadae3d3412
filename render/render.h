// The GL window on SDL and its frame loop, the text font, the loading picture and picking: what
// the application calls. Everything here runs on the UI thread, with the window's GL context
// current from GameWindow::Open on.
//
// Start-up order (each step needs the ones before it):
//   GameWindow::Open, LookUpSwapInterval, CreateTextFont, storage::ReadLoadingPicture,
//   MakeLogoTexture, storage::ReadSettings(.., swapIntervalProc), ..., SetFixedGLState;
// then per pass of the event loop: GameWindow::OnWindowEvent for window events, PickAt from the
// input handling, and DrawFrame once unless IsMinimised.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/game_state.h"
#include "game/language.h"
#include "game/menu.h"
#include "game/picture_fit.h"
#include "render/draw_path.h"
#include "storage/files.h"
#include "storage/formats.h"
#include "storage/photo_faces.h"

namespace render {

struct PictureTarget;

// The picture every scene is laid out in, fixed for the whole run; the window draws it at the
// fitted rectangle's own size (or scales it, see GameWindow).
inline constexpr int kClientWidth = 800;
inline constexpr int kClientHeight = 600;

// Chooses the texts' language, at once: its catalogue (locale/CODE/LC_MESSAGES/tessary.mo in
// storage::LocaleFolder) through gettext, whatever locales the system has. A catalogue missing,
// truncated or corrupt: one line on stderr and English. Chinese until called. UI thread; it sets
// LANGUAGE, which should be in the environment before other threads start (app/main.cpp).
void SetLanguage(game::Language language);
// The language the texts are in: the one chosen, or English when its catalogue failed.
game::Language CurrentLanguage();

// The text whose English source string is `source`, in the chosen language, UTF-8: the
// catalogue's translation, or the source itself when it has none (gettext's rule). A
// translation lives in glibc's mapping of the catalogue, which is never unmapped, so the view
// stays valid for the run even after a switch; an untranslated one is source's. UI thread.
std::string_view Tr(std::string_view source);

// The text counting n in the chosen language: the catalogue's form for n (its Plural-Forms), or
// singular for 1 and plural otherwise, as English has them. Lifetime as Tr's. UI thread.
std::string_view Trn(std::string_view singular, std::string_view plural, unsigned long n);

// The name of face f (0..9) of the boards and the about row, in the chosen language: a classic
// face's, a deck card's word (a two-kind deck's first card), a built-in set's face as its
// manifest names it, or a photo's file name without its extension. Empty for a face out of
// range. UI thread.
std::string FaceName(const game::GameState& state, int face);
// The name of what box (0-based, dealt) shows when open: its face's name, or on a board of
// two-kind cards its card's (a word card by its word). Empty when there is none. UI thread.
std::string BoxName(const game::GameState& state, int box);

// The value a menu selector or panel shows under its label ("Animals", "2 players", "Deutsch");
// empty for the other controls. UI thread.
std::string_view MenuValueText(const game::GameState& state, game::MenuName name);

// The one window: caption "Tessary", 800 x 600 at first and resizable, placed centred by the
// desktop, HiDPI-aware, icon "data/icon.bmp" when present, double-buffered RGB 8/8/8 with a
// 24-bit depth buffer and a compatibility-profile GL context. Whatever its size, it shows the
// 800 x 600 picture scaled uniformly and centred, black bars where the shapes differ: drawn
// straight at the fitted rectangle's own pixel size (native), or, where native frames cannot
// keep the display's rate and the scaled ones are faster, drawn at 800 x 600 and scaled at the
// swap (decided from measured frame times, once per drawable size; see DrawPathChooser).
class GameWindow {
 public:
  GameWindow();
  ~GameWindow();
  GameWindow(const GameWindow&) = delete;
  GameWindow& operator=(const GameWindow&) = delete;

  // Creates the window and makes its context current; sets viewport and projection. Returns
  // false, after one message on stderr, when SDL, the window or the context cannot be made.
  bool Open(bool fullscreen = false);
  // Destroys the context and the window (also done by the destructor). Safe to call twice.
  void Close();

  // Keeps viewport and projection in step with the size, and tracks minimise and restore.
  void OnWindowEvent(const SDL_WindowEvent& event);
  // True from a minimise until the restore: the loop then waits for events and draws nothing.
  bool IsMinimised() const { return minimised_; }

  // Marks the start of a frame's drawing: Swap measures the frame from here.
  void StartFrame();
  // Presents the frame (scaling the picture into the window on the scaled path); then binds the
  // picture again. Counts the frame's time towards the choice of the path.
  void Swap();

  // Switches desktop full screen on or off (F11).
  void ToggleFullscreen();
  bool IsFullscreen() const;

  // The picture pixel under a pointer at (x, y) in window units (as SDL's mouse events give
  // them); none over a black bar.
  std::optional<game::PicturePoint> PictureAt(int x, int y) const;

  // The display's refresh rate in Hz; 60 when the display does not tell.
  int RefreshRate() const;

  // Drawable pixels per picture pixel when frames are drawn native; 1 on the scaled path and at
  // 800 x 600 (so at least 1.5 means pictures are shown at 1.5 times their size or more).
  float DrawScale() const { return scaling_ ? 1.0f : scale_; }

 private:
  // Follows the drawable's size (a new one starts the choice of the path over) and sets the
  // viewport and frame scale.
  void TrackDrawableSize();
  // Sets up the frames for the path in force (scaling_).
  void UseDrawPath();

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  bool minimised_ = false;
  game::PixelSize drawable_{kClientWidth, kClientHeight};
  std::unique_ptr<PictureTarget> pictureTarget_;  // the offscreen 800 x 600 picture
  // Follow every change of the drawable's size.
  bool scaling_ = false;  // frames go into the picture target and are scaled at the swap
  float scale_ = 1.0f;    // the fitted rectangle's width / 800
  bool choosing_ = false; // frames are measured: the scaled path is there to step down to
  DrawPathChooser chooser_;
  uint64_t frameStart_ = 0;  // performance counter at StartFrame; 0: no frame started
};

// Returns a function that sets the swap interval through SDL, or null when the driver cannot
// set it (tried once here with interval 1). Call once, after Open.
storage::SwapIntervalProc LookUpSwapInterval();

// Resolves the text font (a CJK face with a 14-pixel bitmap strike). A missing font is not
// fatal: one warning on stderr, and texts are then skipped. Call once, after Open.
void CreateTextFont();

// Makes the loading picture's texture from the first 600 x 450 RGB pixels of stagingPixels.
void MakeLogoTexture(const storage::StagingPixels& stagingPixels);

// Sets the fixed GL state: texturing, smooth shading, clear colour, clear depth, perspective
// hint, additive blending on. Call once at the end of start-up.
void SetFixedGLState();

enum class FrameResult { drawn, loadFailed };

// Draws and presents one frame: the current scene, or the loading frame until both the sound
// thread has set loadingDone and the pictures are loaded. The first loading frame loads the
// pictures through stagingPixels. Returns loadFailed when the package could not be loaded
// (`running` is then cleared and the message naming file and entry is on stderr): the
// application ends with a non-zero status, writing nothing.
FrameResult DrawFrame(GameWindow& window, game::GameState& state,
                      storage::StagingPixels& stagingPixels);

// Makes the faces of the chosen picture set textures (each kFacePixels square, bottom row
// first), replacing those of the set before; none: the classic faces of the package. The boards
// and the about row show them once state.shuffledFaces is set. sharperFaces: none, or the same
// faces at twice the size, shown while UseHighResolutionPictures is on. Any time after Open.
void UsePictureSetFaces(std::span<const storage::FaceImage> faces,
                        std::span<const storage::FaceImage> sharperFaces = {});

// Whether the pictures are drawn large: on, every package texture holds the picture of the
// high-resolution package (data/game-2x.px, twice the size) and the chosen set its sharper
// faces, all minified through mipmaps; off, the 800 x 600 package's pictures exactly as at
// start. Only records the wish: the next frames follow it, into the same texture names (the
// sharper pictures decoded on a thread and uploaded a few a frame; back at once), after the
// load when it comes first. A missing or broken sharper package: one line on stderr, once, and
// the pictures stay. UI thread.
void UseHighResolutionPictures(bool use);

// Whether the next frames have work of their own beside drawing: the loading frame, or a change
// of the pictures' size under way (uploaded a few a frame). With less motion the loop draws them
// without waiting for an event. UI thread.
bool FramesPending();

// What the menu says about the chosen picture set. UI thread.
struct PictureSetStatus {
  bool loading = false;  // a folder is being prepared: done of total files
  int done = 0;
  int total = 0;
  int skipped = 0;  // files of the chosen set that could not be used
  bool deck = false;  // the set is a deck: its faces are pairs
};
void SetPictureSetStatus(const PictureSetStatus& status);

// The names the menu's pictures selector shows, in the order of GameState::pictureSet, as UTF-8
// (a character the font lacks shows as its replacement). Until called, the one name is the game's own
// pictures'. UI thread.
void SetPictureSetNames(const std::vector<std::string>& names);

// What the records screen shows, handed in by the application whenever the records change: per
// level (easy, normal, hard) the best single-player wins with their dates, already in the
// desktop's date format, and the counts of each kind of play.
struct RecordsView {
  struct Best {
    int32_t score = 0;
    std::string date;  // UTF-8
  };
  struct Level {
    std::vector<Best> best;  // highest first, at most ten
    int32_t games = 0, wins = 0;
    int32_t bestWonSeconds = -1;  // -1: no win yet
    int32_t computerGames = 0, computerWins = 0;
    int32_t playersGames = 0;
  };
  Level levels[3];
  bool relaxed = false;  // the relaxed clock's records of games alone: said under the title
};

// Replaces what the records screen shows. UI thread.
void SetRecordsView(RecordsView view);

// Finds the named object under the cursor (mouseX, mouseY) in the current scene; the name lands
// in state.pickedName, 0 for none. Called by the input handling.
void PickAt(game::GameState& state);

}  // namespace render
