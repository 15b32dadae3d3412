// Every scene drawn from the display lists and the texts, and picking: the pickable parts are
// drawn again in selection mode, so what is seen and what is hit always agree.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <span>

#include "game/choices.h"
#include "game/level.h"
#include "game/menu.h"
#include "game/mode.h"
#include "game/pause.h"
#include "game/scenes.h"
#include "game/text_id.h"
#include "game/turns.h"
#include "render/render_local.h"

namespace render {

namespace {

// The value texts are drawn with these fixed lengths; a shorter text is drawn as it is.
constexpr std::size_t kBestTextBytes = 5;
constexpr std::size_t kTimeTextBytes = 3;
constexpr std::size_t kScoreTextBytes = 5;

// Names matter only in selection mode; outside it the name stack is empty and GL would refuse.
bool picking = false;

void Name(GLuint name) {
  if (picking) glLoadName(name);
}

}  // namespace

bool Picking() { return picking; }

void NameForPick(unsigned name) { Name(name); }

namespace {

// Where PickAt's 3 x 3 region lies while it picks on a board, and how eye space maps to the
// window there. A box whose outline cannot touch the region would add no hit record, so it is
// left out of the selection pass: the first hit, and so pickedName, stay what they were, and a
// pick over the hard board draws the few boxes near the cursor instead of all 80.
struct PickRegion {
  double left, right, bottom, top;  // window coordinates, widened by a safety margin
  double centreX, centreY;          // the window point of the view axis
  double scaleX, scaleY;            // window offset per unit of x / -z and y / -z
};
std::optional<PickRegion> pickRegion;

PickRegion MakePickRegion(const GLint viewport[4], double cursorX, double cursorY, double aspect) {
  constexpr double kHalfSize = 1.5;  // gluPickMatrix with 3 x 3 pixels
  constexpr double kMargin = 2.0;    // pixels, for rounding in the driver
  const double focal = 1.0 / std::tan(45.0 / 2.0 * std::numbers::pi / 180.0);
  const double reach = kHalfSize + kMargin;
  return {cursorX - reach,
          cursorX + reach,
          cursorY - reach,
          cursorY + reach,
          viewport[0] + viewport[2] / 2.0,
          viewport[1] + viewport[3] / 2.0,
          focal / aspect * viewport[2] / 2.0,
          focal * viewport[3] / 2.0};
}

// Whether anything drawn at a box centred at (x, y, z) in eye space can touch the region: the
// window rectangle around the eight corners of the hover outline (the largest of the box's
// shapes), which holds the whole perspective image of it.
bool MayTouch(const PickRegion& region, GLfloat x, GLfloat y, GLfloat z) {
  constexpr double kOutlineHalfSize = 0.22;
  double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
  for (double dz : {-kOutlineHalfSize, kOutlineHalfSize}) {
    const double depth = -(z + dz);
    if (depth <= 0.1) return true;  // not wholly beyond the near plane: no shortcut
    for (double d : {-kOutlineHalfSize, kOutlineHalfSize}) {
      const double windowX = region.centreX + region.scaleX * (x + d) / depth;
      const double windowY = region.centreY + region.scaleY * (y + d) / depth;
      minX = std::min(minX, windowX);
      maxX = std::max(maxX, windowX);
      minY = std::min(minY, windowY);
      maxY = std::max(maxY, windowY);
    }
  }
  return maxX >= region.left && minX <= region.right && maxY >= region.bottom &&
         minY <= region.top;
}

void PlaceAt(GLfloat x, GLfloat y, GLfloat z) {
  glLoadIdentity();
  glTranslatef(x, y, z);
}

void White() { glColor3f(1.0f, 1.0f, 1.0f); }

// A white frame of half-size w x h around the switch drawn last; the colour stays white.
void FrameSwitch(GLfloat w, GLfloat h) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  White();
  Rectangle(GL_LINE_LOOP, w, h);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
}

std::string_view PictureSetName(const game::GameState& state) {
  const std::vector<std::string>& names = PictureSetNames();
  const int32_t set = state.pictureSet;
  if (set >= 0 && static_cast<std::size_t>(set) < names.size()) return names[set];
  // TRANSLATORS: the selector's value for the game's own pictures; about 20 Latin letters or
  // 12 Chinese characters.
  return Tr("Classic");
}

std::string_view PlayerModeName(const game::GameState& state) {
  // By PlayerMode, one player first.
  constexpr std::string_view kModes[game::kPlayerModeCount] = {
      // TRANSLATORS: the players selector's values; about 20 Latin letters or 12 Chinese
      // characters.
      N_("1 player"), N_("2 players"), N_("3 players"), N_("4 players"), N_("vs computer")};
  const int8_t mode = state.playerMode;
  return Tr(kModes[game::IsValidPlayerMode(mode) ? mode - game::onePlayer : 0]);
}

}  // namespace

std::string_view ClockChoiceName(int8_t clock) {
  // TRANSLATORS: the clock selector's values: the level's countdown (the original game), or a
  // clock that counts up with no time limit; about 20 Latin letters or 12 Chinese characters.
  return Tr(clock == game::relaxed ? N_("Relaxed") : N_("Countdown"));
}

namespace {

// The pictures of the menu's controls that have their own: a button shows `lit` under the
// highlight, a switch while it is on. The keyboard's frame around a switch is
// frameHalfWidth x kSwitchFrameHalfHeight. A control that borrows another's pictures draws their
// label-less twins and writes its own label in every language.
struct MenuPictures {
  game::MenuName name;
  GLuint list, lit;
  GLfloat frameHalfWidth;
  bool labelless = false;  // drawn from the label-less picture, its label written in every language
};
constexpr MenuPictures kMenuPictures[] = {
    {game::MenuName::help, LIST_README, LIST_README_HOVER, 0.0f},
    {game::MenuName::easy, LIST_EASY, LIST_EASY_HOVER, 0.0f},
    {game::MenuName::normal, LIST_NORMAL, LIST_NORMAL_HOVER, 0.0f},
    {game::MenuName::hard, LIST_HARD, LIST_HARD_HOVER, 0.0f},
    {game::MenuName::exit, LIST_OUT, LIST_OUT_HOVER, 0.0f},
    {game::MenuName::about, LIST_ABOUT, LIST_ABOUT_HOVER, 0.0f},
    {game::MenuName::sound, LIST_SOUND_OFF, LIST_SOUND_ON, 0.32f},
    {game::MenuName::music, LIST_MUSIC_OFF, LIST_MUSIC_ON, 0.32f},
    {game::MenuName::vsync, LIST_FPS_OFF, LIST_FPS_ON, 0.41f},
    {game::MenuName::speech, LIST_FPS_OFF, LIST_FPS_ON, 0.41f, true},
    {game::MenuName::motion, LIST_FPS_OFF, LIST_FPS_ON, 0.41f, true},
};
constexpr GLfloat kSwitchFrameHalfHeight = 0.09f;

const MenuPictures* PicturesOf(game::MenuName name) {
  for (const MenuPictures& pictures : kMenuPictures)
    if (pictures.name == name) return &pictures;
  return nullptr;
}

}  // namespace

// What a panel (a control without pictures of its own) shows under its label.
std::string_view MenuValueText(const game::GameState& state, game::MenuName name) {
  switch (name) {
    case game::MenuName::pictures: return PictureSetName(state);
    case game::MenuName::players: return PlayerModeName(state);
    case game::MenuName::clock: return ClockChoiceName(state.clockChoice);
    // TRANSLATORS: the records panel's value; about 20 Latin letters or 12 Chinese characters.
    case game::MenuName::records: return Tr("Best ten");
    // In its own language, whatever the texts' language: the player reads it to choose.
    case game::MenuName::language: return game::OwnNameOf(CurrentLanguage());
    default: return {};
  }
}

namespace {

// A panel of the menu: the selector's picture (or, from a package without one, a frame of
// lines), then its label over its value, both centred. Pickable as a whole quad.
void DrawPanel(const game::GameState& state, const game::MenuControl& control, bool lit) {
  const GLfloat x = control.place.x, y = control.place.y;
  PlaceAt(x, y, control.place.z);
  Name(game::PickNameOf(control.name));
  White();
  const GLfloat w = control.place.halfWidth, h = control.place.halfHeight;
  if (HasOptionalPicture(lit ? 1 : 0)) {
    glCallList(lit ? LIST_SELECTOR_HOVER : LIST_SELECTOR);
  } else if (picking) {
    Rectangle(GL_QUADS, w, h);
  } else {
    glDisable(GL_TEXTURE_2D);
    const GLfloat shade = lit ? 1.0f : 0.45f;
    glColor3f(shade, shade, shade);
    Rectangle(GL_LINE_LOOP, w, h);
    glEnable(GL_TEXTURE_2D);
    White();
  }
  if (picking) return;
  // The text plane lies twice as far as the panel: its coordinates are doubled.
  const std::string_view label = Tr(control.label);
  const std::string_view value = MenuValueText(state, control.name);
  // Each text keeps clear of the panel's frame.
  const float room = 2.0f * 2.0f * w * 0.92f;
  DrawTextAt(label, {2.0f * x, 2.0f * y + 2.0f * kTextUnitsPerPixel, Align::centre, room}, 0.55f,
             0.7f, 1.0f);
  const float brightness = lit ? 1.0f : 0.85f;
  DrawTextAt(value, {2.0f * x, 2.0f * y - 16.0f * kTextUnitsPerPixel, Align::centre, room},
             brightness, brightness, brightness);
}

// Where a level's board is drawn: the first box, and the back button. Rows, columns and pick
// names are the level's (game::ParamsOf).
struct BoardPlace {
  GLfloat startX, startY, startZ;
  GLfloat backX, backY, backZ;
};

constexpr BoardPlace kBoardPlaces[std::size(game::kLevelParams)] = {
    {1.65f, 1.25f, -5.0f, 2.0f, -1.8f, -5.0f},  // easy
    {2.0f, 1.65f, -6.0f, 2.3f, -1.8f, -5.0f},   // normal
    {2.7f, 1.85f, -6.0f, 2.3f, -1.8f, -5.0f},   // hard
};

}  // namespace

// Boxes run right to left within a row, rows top to bottom; box n - 1 carries the name n.
void DrawBoard(const game::GameState& state, game::Level level) {
  const game::LevelParams& params = game::ParamsOf(level);
  const BoardPlace& place = kBoardPlaces[static_cast<int>(level)];
  // Each box steps half a unit left; the row's steps are undone at its end.
  const GLfloat rowReturn = 0.5f * static_cast<GLfloat>(params.columns);
  // Played together, the open boxes and the hover frame show whose turn it is in their colour;
  // in the computer's turn no hover frame is drawn, as no click counts. Picking is unchanged.
  const bool together = !picking && game::PlayingTogether(state);
  const PlayerColour turnColour = ColourOfPlayer(state.players.current);
  const bool personsTurn = !game::ComputersTurn(state);
  PlaceAt(place.startX, place.startY, place.startZ);
  GLuint name = 1;
  for (int row = 0; row < params.rows; ++row) {
    for (int column = 0; column < params.columns; ++column) {
      glTranslatef(-0.5f, 0.0f, 0.0f);
      if (pickRegion) {
        const GLfloat x = place.startX - 0.5f * static_cast<GLfloat>(column + 1);
        const GLfloat y = place.startY - 0.5f * static_cast<GLfloat>(row);
        if (!MayTouch(*pickRegion, x, y, place.startZ)) {
          ++name;
          continue;
        }
      }
      Name(name);
      const game::Box& box = state.boxes[name - 1];
      if (box.present) {
        if (box.open) {
          const int face = box.face;
          White();
          const GLuint first = state.twoKindCards && box.side == 1 ? LIST_FACE_SECOND_FIRST
                                                                  : LIST_FACE_FIRST;
          if (face >= 0 && face < kFaceCount) glCallList(first + static_cast<GLuint>(face));
          if (together) {
            glDisable(GL_BLEND);
            DrawBoxOutlineIn(turnColour);
            glEnable(GL_BLEND);
          }
        } else {
          glColor3f(box.r, box.g, box.b);
          glCallList(LIST_BOX);
        }
      }
      // The frame follows the cursor even over a removed box, so it stays pickable there. It is
      // drawn with blending off. Without a frame nothing would be drawn between switching
      // blending off and on, so the two switches are left out: the same pixels, fewer state
      // changes.
      if (box.hover && !together) {
        glDisable(GL_BLEND);
        glCallList(LIST_BOX_OUTLINE);
        glEnable(GL_BLEND);
      } else if (box.hover && personsTurn) {
        glDisable(GL_BLEND);
        DrawBoxOutlineIn(turnColour);
        glEnable(GL_BLEND);
      }
      ++name;
    }
    glTranslatef(rowReturn, 0.0f, 0.0f);
    glTranslatef(0.0f, -0.5f, 0.0f);
  }
  White();
  DrawBackButtonAt(state, {place.backX, place.backY, place.backZ, kBackHalfWidth, kBackHalfHeight},
                   game::BackButtonOf(params));
  // Mirrored across from the back button, once the level is over.
  if (game::IsBoardOver(state))
    DrawRecordsButton(state, -place.backX, game::RecordsButtonOf(params));
}

namespace {

// Draws at most maxBytes of a shared text: a shorter text is drawn alone, never read past.
void DrawValueText(const game::SharedText& text, std::size_t maxBytes, float x, float y) {
  char bytes[8];
  const std::size_t length = text.CopyTo(bytes, maxBytes);
  DrawText3D(static_cast<int32_t>(length), bytes, x, y, 1.0f, 1.0f, 1.0f);
}

// The single player's top row and message, where the original screen has them. A label's room
// runs up to its value and a few pixels under it, as the Chinese label has always taken (its
// colon's advance overlaps the value's, not its ink).
// TRANSLATORS: the board's top row, a label before the best score; at most about 14 characters.
constexpr PlacedText kBestLabel{N_("Best score:"), {-3.5f, 3.6f, Align::left, 1.07f}, -0.12f};
// TRANSLATORS: the board's top row, a label before the clock; at most about 14 characters.
constexpr PlacedText kTimeLabel{N_("Time left:"), {-0.5f, 3.6f, Align::left, 1.07f}, -0.06f};
// A clock that counts up (the relaxed clock) says the time taken, as the players' panel does.
constexpr PlacedText kTimeTakenLabel{N_("Time:"), {-0.5f, 3.6f, Align::left, 1.07f}, -0.06f};
constexpr PlacedText kWonMessage{N_("You won!!!"), {-0.5f, 0.0f}};
constexpr PlacedText kLostMessage{N_("You lost!!!"), {-0.5f, 0.0f}};

// The text plane's width across the picture, a little short of it (raster units).
constexpr float kScreenRoom = 10.8f;

// The about screen's credits, each centred where the original screen centres its line, in its
// colour.
struct CreditLine {
  PlacedText text;
  float r, g, b;
};
constexpr CreditLine kCredits[4] = {
    // TRANSLATORS: the about screen's credits, one line each across the screen.
    {{N_("By the Tessary team (sounds, pictures and program all our own)"),
      {0.071065f, 3.5f, Align::centre, kScreenRoom}, -0.057005f},
     0.0f, 0.0f, 1.0f},
    {{N_("Of course, the sounds and pictures are made by the program."),
      {-0.074518f, 3.2f, Align::centre, kScreenRoom}, 0.093603f},
     0.0f, 1.0f, 0.0f},
    {{N_("Mail: team@tessary.dev"), {-0.005889f, 2.9f, Align::centre, kScreenRoom}, 0.02929f},
     1.0f, 0.0f, 0.0f},
    {{N_("Released: 8 December 2026"), {0.047664f, 2.6f, Align::centre, kScreenRoom},
      -0.026192f},
     1.0f, 1.0f, 1.0f},
};

}  // namespace

void DrawBoardScene(const game::GameState& state, game::Level level) {
  BindFaceLists(state, TheAssets(), false);
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(LIST_BOARD_BACKGROUND);

  if (game::PlayingTogether(state)) {
    DrawPlayersPanel(state);
    if (state.players.finished) DrawTogetherResult(state);
    // A board played together pauses too, and must then hide its boxes as well.
    if (DrawBoardAdditions(state, 1.0f, 1.0f, 1.0f)) DrawBoard(state, level);
    return;
  }
  DrawPlacedText(kBestLabel, 1.0f, 1.0f, 1.0f);
  DrawValueText(state.bestText, kBestTextBytes, -2.5f, 3.6f);
  const bool countsUp = game::BoardMode(state).ClockKind() == game::Clock::countUp;
  DrawPlacedText(countsUp ? kTimeTakenLabel : kTimeLabel, 1.0f, 1.0f, 1.0f);
  DrawValueText(state.timeText, kTimeTextBytes, 0.5f, 3.6f);
  DrawValueText(state.scoreText, kScoreTextBytes, 3.0f, 3.6f);
  // The message colour is drawn with its red and blue exchanged.
  const float red = state.messageColor[2];
  const float green = state.messageColor[1];
  const float blue = state.messageColor[0];
  if (state.won) DrawPlacedText(kWonMessage, red, green, blue);
  if (state.lost) DrawPlacedText(kLostMessage, red, green, blue);

  if (DrawBoardAdditions(state, red, green, blue)) DrawBoard(state, level);
}

namespace {

// The 27 cubes of the about screen: per layer, the offsets (0, 0), (-0.5, 0), (0.5, 0),
// (-0.5, 0.5), (-0.5, -0.5), (0.5, 0.5), (0.5, -0.5), (0, -0.5), (0, 0.5), reached step by step.
constexpr GLfloat kLayerSteps[9][2] = {
    {0.0f, 0.0f}, {-0.5f, 0.0f}, {1.0f, 0.0f}, {-1.0f, 0.5f}, {0.0f, -1.0f},
    {1.0f, 1.0f}, {0.0f, -1.0f}, {-0.5f, 0.0f}, {0.0f, 1.0f},
};

void DrawCubeLayer() {
  for (const auto& step : kLayerSteps) {
    glTranslatef(step[0], step[1], 0.0f);
    glCallList(LIST_BOX);
  }
}

}  // namespace

void DrawMenuScene(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(LIST_MENU_BACKGROUND);

  // Star j is turned by (j + 1) tenths of a degree: the turns are fixed, only the colour, the
  // fade and the place change.
  for (int j = game::kStarCount - 1; j >= 0; --j) {
    const game::Star& star = state.stars[j];
    glLoadIdentity();
    glRotatef(static_cast<GLfloat>((j + 1) * 0.1), 1.0f, 1.0f, 0.0f);
    glColor4ub(star.r, star.g, star.b, star.alpha);
    glTranslatef(star.x, star.y, -6.0f);
    glCallList(LIST_STAR);
  }

  glColor4ub(255, 255, 255, 255);
  PlaceAt(0.0f, 1.6f, -5.0f);
  glRotatef(state.titleAngle, 0.0f, 1.0f, 0.0f);
  glCallList(LIST_TITLE);

  DrawMenuButtons(state);
  DrawPictureSetNotes(state);
}

void DrawMenuButtons(const game::GameState& state) {
  for (const game::MenuControl& control : game::MenuControls()) {
    const bool lit = control.hover != nullptr && state.*control.hover;
    const MenuPictures* pictures = PicturesOf(control.name);
    if (pictures == nullptr) {
      DrawPanel(state, control, lit);
      continue;
    }
    PlaceAt(control.place.x, control.place.y, control.place.z);
    Name(game::PickNameOf(control.name));
    // A switch shows its state, not the cursor.
    const bool shown = control.value != nullptr ? bool(state.*control.value) : lit;
    const GLuint list = shown ? pictures->lit : pictures->list;
    const bool ownLabel =
        pictures->labelless ? CallLabellessPictureList(list, control.place) : CallPictureList(list);
    // The switches have no lit picture: the keyboard's highlight frames them instead.
    if (!picking && control.kind == game::MenuKind::toggle &&
        static_cast<uint32_t>(state.hoverSwitch) == game::PickNameOf(control.name))
      FrameSwitch(pictures->frameHalfWidth, kSwitchFrameHalfHeight);
    if (ownLabel && !picking)
      DrawPictureLabel(control.name, Tr(control.label), control.place, shown);
  }
  White();
}

void DrawBackButtonAt(const game::GameState& state, const game::MenuPlace& place, unsigned name) {
  PlaceAt(place.x, place.y, place.z);
  Name(name);
  const GLuint list = state.hoverBack ? LIST_BACK_HOVER : LIST_BACK;
  // TRANSLATORS: the back button, where the game writes it over its label-less picture; at
  // most about 12 characters.
  if (CallPictureList(list))
    DrawPictureLabel(game::MenuName::none, Tr(N_("Back")), place, state.hoverBack);
}

void DrawBackButton(const game::GameState& state) {
  DrawBackButtonAt(state, {0.0f, -1.8f, -5.0f, kBackHalfWidth, kBackHalfHeight},
                   game::kScreenBackButton);
}

void DrawReadmeScene(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  // The page's words are Chinese and English: another language writes its own over the page
  // without them, where the package has it.
  const bool ownWords = WritesOwnLabels() && HasOptionalPicture(2);
  glCallList(ownWords ? LIST_README_BLANK : LIST_README_PICTURE);
  if (ownWords) DrawHelpWords();
  DrawBackButton(state);
}

void DrawHiddenPictureScene(const game::GameState&) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(LIST_HIDDEN_PICTURE);
}

void DrawAboutScene(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -6.5f);
  glRotatef(state.cubeAngle[0], 1.0f, 0.0f, 0.0f);
  glRotatef(state.cubeAngle[1], 0.0f, 1.0f, 0.0f);
  glRotatef(state.cubeAngle[2], 0.0f, 0.0f, 1.0f);
  glColor4f(state.cubeColor[0], state.cubeColor[1], state.cubeColor[2], 0.35f);
  DrawCubeLayer();  // z offset 0
  glTranslatef(0.0f, -0.5f, -0.5f);
  DrawCubeLayer();  // z offset -0.5
  glTranslatef(0.0f, -0.5f, 1.0f);
  DrawCubeLayer();  // z offset +0.5

  for (const CreditLine& line : kCredits) DrawPlacedText(line.text, line.r, line.g, line.b);

  // The row shows the chosen set: its first pictures, as many as it has up to ten.
  BindFaceLists(state, TheAssets(), true);
  const GLuint rowFaces = static_cast<GLuint>(AboutRowFaces(state));
  White();
  PlaceAt(-2.25f, -1.2f, -5.0f);
  for (GLuint list = LIST_FACE_FIRST; list < LIST_FACE_FIRST + rowFaces; ++list) {
    glCallList(list);
    glTranslatef(0.5f, 0.0f, 0.0f);
  }
  DrawBackButton(state);
}

void PickAt(game::GameState& state) {
  state.pickedName = 0;
  // Picking works on the 800 x 600 picture, whatever the window's size and the viewport that
  // shows it. Off the picture nothing is hit.
  GLint viewport[4] = {0, 0, kClientWidth, kClientHeight};
  if (state.mouseX < 0 || state.mouseY < 0 || state.mouseX >= kClientWidth ||
      state.mouseY >= kClientHeight)
    return;

  // The native path draws into the fitted rectangle with wider lines; selection runs on the
  // picture as the scaled path sees it, so that a pick is the same on either path.
  GLint drawnViewport[4];
  glGetIntegerv(GL_VIEWPORT, drawnViewport);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  glLineWidth(1.0f);

  // Four words hold exactly one hit record (count, depths, name): the first object drawn under
  // the cursor wins, later records overflow and are dropped.
  glSelectBuffer(4, state.selectBuffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(0);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(state.mouseX, viewport[3] - state.mouseY, 3.0, 3.0, viewport);
  const GLfloat aspect = static_cast<GLfloat>(viewport[2] - viewport[0]) /
                         static_cast<GLfloat>(viewport[3] - viewport[1]);
  gluPerspective(45.0, aspect, 0.1f, 100.0);
  glMatrixMode(GL_MODELVIEW);

  picking = true;
  const auto scene = static_cast<game::Scene>(state.scene.load(std::memory_order_acquire));
  const std::optional<game::Level> board = game::LevelOfPlayScene(scene);
  if (board) {
    pickRegion = MakePickRegion(viewport, state.mouseX, viewport[3] - state.mouseY, aspect);
    DrawBoard(state, *board);
  }
  switch (scene) {
    case game::SCENE_MENU: DrawMenuButtons(state); break;
    default:
      // A board drew its own Back above.
      if (!board && game::DescribeScene(scene).backButton) DrawBackButton(state);
      break;  // else nothing can be picked
  }
  pickRegion.reset();
  picking = false;

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glRenderMode(GL_RENDER);
  glViewport(drawnViewport[0], drawnViewport[1], drawnViewport[2], drawnViewport[3]);
  glLineWidth(FrameScale());
}

}  // namespace render
