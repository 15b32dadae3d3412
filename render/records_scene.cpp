// The records screen, the paused board and the records button: drawn from text over the game's
// own pictures, so that any package (one without pictures for them too) shows them.
#include <GL/gl.h>

#include <string>
#include <utility>

#include "game/text_id.h"
#include "render/render_local.h"

namespace render {

namespace {

RecordsView recordsView;  // lives for the run; replaced by SetRecordsView


constexpr float kColumnX[3] = {-5.1f, -1.6f, 1.9f};
constexpr float kHeadingY = 3.0f;
constexpr float kRowStep = 0.27f;

// The records screen's title and the pause notice, centred where the original screen's Chinese
// stands.
constexpr PlacedText kTitle{N_("Records"), {0.043299f, 3.6f, Align::centre}, -0.025736f};
constexpr PlacedText kPaused{N_("Paused"), {0.043299f, 0.3f, Align::centre}, -0.010253f};
constexpr PlacedText kPausedHint{N_("Press any key or click to go on"),
                                 {0.313147f, -0.1f, Align::centre}, -0.163604f};

void Text(std::string_view text, float x, float y, float r, float g, float b) {
  DrawTextAt(text, {x, y}, r, g, b);
}

void DrawLevelColumn(const RecordsView::Level& level, std::string_view name, float x) {
  Text(Tr(name), x, kHeadingY, 1.0f, 0.85f, 0.3f);
  float y = kHeadingY - 1.5f * kRowStep;
  // TRANSLATORS: the records screen stands three columns side by side: each line at most about
  // 24 characters.
  if (level.best.empty()) Text(Tr("No wins yet"), x, y, 0.7f, 0.7f, 0.7f);
  int place = 1;
  for (const RecordsView::Best& best : level.best) {
    Text(FormatText("%2d. %6d  %s", place, best.score, best.date.c_str()), x, y, 1.0f, 1.0f,
         1.0f);
    y -= kRowStep;
    ++place;
  }
  y = kHeadingY - 12.0f * kRowStep;
  const int rate = level.games > 0 ? level.wins * 100 / level.games : 0;
  Text(FormatText(Tr("Games %d  won %d (%d%%)"), level.games, level.wins, rate), x, y, 0.6f, 1.0f,
       0.6f);
  y -= kRowStep;
  if (level.bestWonSeconds >= 0) {
    Text(FormatText(Tr("Fastest win: %d s"), level.bestWonSeconds), x, y, 0.6f, 1.0f, 0.6f);
    y -= kRowStep;
  }
  // Games with others are counted apart: they are no single player's records.
  y -= 0.5f * kRowStep;
  Text(FormatText(Tr("Against the computer: %d, won %d"), level.computerGames,
                  level.computerWins),
       x, y, 0.6f, 0.8f, 1.0f);
  y -= kRowStep;
  Text(FormatText(Tr("Between players: %d"), level.playersGames), x, y, 0.6f, 0.8f, 1.0f);
}

}  // namespace

void SetRecordsView(RecordsView view) { recordsView = std::move(view); }

void DrawRecordsScene(const game::GameState& state) {
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(LIST_MENU_BACKGROUND);
  DrawPlacedText(kTitle, 1.0f, 1.0f, 1.0f);
  // The countdown's records stand as they always did; the relaxed clock's say whose they are.
  if (recordsView.relaxed)
    DrawTextAt(ClockChoiceName(game::relaxed), {0.0f, 3.3f, Align::centre}, 0.6f, 0.9f, 1.0f);
  constexpr std::string_view kLevelNames[3] = {N_("Easy"), N_("Normal"), N_("Hard")};
  for (int level = 0; level < 3; ++level)
    DrawLevelColumn(recordsView.levels[level], kLevelNames[level], kColumnX[level]);
  glColor3f(1.0f, 1.0f, 1.0f);
  DrawBackButton(state);
}

bool DrawBoardAdditions(const game::GameState& state, float r, float g, float b) {
  if (state.won && state.recordRank > 0) {
    const int place = state.recordRank;
    Text(FormatText(Tr(NewRecordFormat(place)), place), -0.5f, -0.7f, r, g, b);
  }
  if (!state.paused) return true;

  // The paused picture: a dim panel over the board's place, so that no box, open or closed,
  // shows through.
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -5.0f);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);  // opaque: nothing of the board behind shows through
  glColor3f(0.08f, 0.1f, 0.25f);
  Rectangle(GL_QUADS, 2.2f, 1.5f);
  glEnable(GL_BLEND);
  glColor3f(0.8f, 0.8f, 1.0f);
  Rectangle(GL_LINE_LOOP, 2.2f, 1.5f);
  glEnable(GL_TEXTURE_2D);
  DrawPlacedText(kPaused, 1.0f, 1.0f, 0.6f);
  DrawPlacedText(kPausedHint, 1.0f, 1.0f, 1.0f);
  glColor3f(1.0f, 1.0f, 1.0f);
  return false;
}

void DrawRecordsButton(const game::GameState& state, float x, unsigned name) {
  constexpr float kY = -1.8f;
  constexpr float kHalfWidth = 0.36f;
  constexpr float kHalfHeight = 0.1f;
  glLoadIdentity();
  glTranslatef(x, kY, -5.0f);
  NameForPick(name);
  glDisable(GL_TEXTURE_2D);
  if (Picking()) {
    Rectangle(GL_QUADS, kHalfWidth, kHalfHeight);
    glEnable(GL_TEXTURE_2D);
    return;
  }
  const bool lit = state.hoverRecords;
  glColor3f(lit ? 0.35f : 0.1f, lit ? 0.3f : 0.1f, lit ? 0.1f : 0.2f);
  Rectangle(GL_QUADS, kHalfWidth, kHalfHeight);
  glColor3f(lit ? 1.0f : 0.7f, lit ? 0.9f : 0.7f, lit ? 0.4f : 0.9f);
  Rectangle(GL_LINE_LOOP, kHalfWidth, kHalfHeight);
  glEnable(GL_TEXTURE_2D);
  // The text plane lies twice as far as the button: its units are the button's halved.
  DrawTextAt(Tr("Records"), {2.0f * x, 2.0f * kY - 0.13f, Align::centre, 3.6f * kHalfWidth},
             1.0f, 1.0f,
             lit ? 0.5f : 1.0f);
  glColor3f(1.0f, 1.0f, 1.0f);
}

void Rectangle(unsigned mode, float halfWidth, float halfHeight) {
  glBegin(mode);
  glVertex3f(-halfWidth, -halfHeight, 0.0f);
  glVertex3f(halfWidth, -halfHeight, 0.0f);
  glVertex3f(halfWidth, halfHeight, 0.0f);
  glVertex3f(-halfWidth, halfHeight, 0.0f);
  glEnd();
}

}  // namespace render
