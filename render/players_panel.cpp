// Playing together on screen: whose turn it is at a glance, and the standings at the end. The
// top row of the board is the players' own (the best score and the score belong to one player),
// the only room every board leaves: the hard board fills the sides to within a hundred pixels.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <string>

#include "game/turns.h"
#include "render/render_local.h"

namespace render {

namespace {

// Distinct in hue and bright over the dark board: red, blue, green, yellow.
constexpr PlayerColour kPlayerColours[game::kMaxPlayers] = {
    {1.0f, 0.35f, 0.3f}, {0.3f, 0.65f, 1.0f}, {0.35f, 0.95f, 0.35f}, {1.0f, 0.85f, 0.2f}};


// The top row: the baseline of the texts there, and the slot of each player.
constexpr float kRowY = 3.6f;
constexpr float kFirstSlotX = -5.2f;
constexpr float kSlotWidth = 2.2f;

void DrawString(std::string_view text, const Anchor& at, PlayerColour colour) {
  DrawTextAt(text, at, colour.r, colour.g, colour.b);
}

// A rectangle on the text plane, filled or as a frame, untextured and over whatever is drawn.
void DrawPlaneRectangle(float left, float bottom, float right, float top, PlayerColour colour,
                        bool filled) {
  glLoadIdentity();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glColor3f(colour.r, colour.g, colour.b);
  glBegin(filled ? GL_QUADS : GL_LINE_LOOP);
  glVertex3f(left, bottom, -10.0f);
  glVertex3f(right, bottom, -10.0f);
  glVertex3f(right, top, -10.0f);
  glVertex3f(left, top, -10.0f);
  glEnd();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
}

PlayerColour Dimmed(PlayerColour colour, float factor) {
  return {colour.r * factor, colour.g * factor, colour.b * factor};
}

}  // namespace

PlayerColour ColourOfPlayer(int player) {
  return kPlayerColours[std::clamp(player, 0, game::kMaxPlayers - 1)];
}

std::string NameOfPlayer(const game::GameState& state, int player) {
  if (state.players.computer && player == state.players.count - 1)
    // TRANSLATORS: a name in the players' panel at the board's top; at most about 10 characters.
    return std::string(Tr("Computer"));
  // TRANSLATORS: a name in the players' panel at the board's top; at most about 10 characters.
  return FormatText(Tr("Player %d"), std::clamp(player, 0, game::kMaxPlayers - 1) + 1);
}

void DrawPlayersPanel(const game::GameState& state) {
  const game::Players& players = state.players;
  const int count = std::clamp<int>(players.count, 1, game::kMaxPlayers);
  const int current = players.current;
  const bool finished = players.finished;
  constexpr PlayerColour kWhite{1.0f, 1.0f, 1.0f};

  for (int p = 0; p < count; ++p) {
    const PlayerColour colour = ColourOfPlayer(p);
    const float left = kFirstSlotX + kSlotWidth * static_cast<float>(p);
    const bool lit = p == current && !finished;
    // The player whose turn it is: a glow of their colour in a frame of it, their name in white.
    // It ends above the hard board's top row, which reaches within a few pixels of the texts.
    if (lit) {
      const float right = left + kSlotWidth - 0.2f;
      DrawPlaneRectangle(left - 0.12f, kRowY - 0.05f, right, kRowY + 0.28f, Dimmed(colour, 0.35f),
                         true);
      DrawPlaneRectangle(left - 0.12f, kRowY - 0.05f, right, kRowY + 0.28f, colour, false);
    }
    DrawPlaneRectangle(left, kRowY + 0.02f, left + 0.13f, kRowY + 0.15f, colour, true);
    DrawString(NameOfPlayer(state, p), {left + 0.22f, kRowY}, lit ? kWhite : colour);
    DrawString(std::to_string(players.pairs[p]), {left + kSlotWidth - 0.35f, kRowY, Align::right},
               lit ? kWhite : colour);
  }

  // The clock counting up stands where the single player's time left stands, after its label.
  // TRANSLATORS: the players' panel, before the clock; at most about 6 characters.
  const std::string_view label = Tr("Time:");
  const Anchor labelAt{3.85f, kRowY};
  DrawString(label, labelAt, kWhite);
  char clock[8];
  const std::size_t length = state.timeText.CopyTo(clock, sizeof clock);
  DrawString(std::string_view(clock, length), {labelAt.x + TextWidth(label) + 0.1f, kRowY},
             kWhite);
}

void DrawTogetherResult(const game::GameState& state) {
  const game::Players& players = state.players;
  const int count = std::clamp<int>(players.count, 1, game::kMaxPlayers);

  // The headline in the changing colour of the single player's win message.
  const PlayerColour message{state.messageColor[2], state.messageColor[1], state.messageColor[0]};
  const int winner = players.winner;
  const std::string headline =
      winner == game::kDraw
          ? std::string(Tr("A draw!"))
          // TRANSLATORS: %s is a player's name ("Player 2", "Computer").
          : FormatText(Tr("%s wins!"), NameOfPlayer(state, winner).c_str());
  DrawString(headline, {0.0f, 0.9f, Align::centre}, message);

  std::array<int, game::kMaxPlayers> order{0, 1, 2, 3};
  std::stable_sort(order.begin(), order.begin() + count,
                   [&](int a, int b) { return players.pairs[a] > players.pairs[b]; });
  for (int rank = 0; rank < count; ++rank) {
    const int p = order[rank];
    const float y = 0.3f - 0.4f * static_cast<float>(rank);
    const int32_t pairs = players.pairs[p];
    DrawString(NameOfPlayer(state, p), {-1.4f, y}, ColourOfPlayer(p));
    const auto found = static_cast<unsigned long>(std::max(pairs, int32_t{0}));
    // TRANSLATORS: a player's pairs found, in the standings once the game is over.
    const std::string_view format = Trn("%d pair", "%d pairs", found);
    DrawString(FormatText(format, pairs), {1.4f, y, Align::right}, ColourOfPlayer(p));
  }
}

}  // namespace render
