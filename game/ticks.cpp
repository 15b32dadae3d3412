#include "game/ticks.h"

#include <cmath>
#include <string>

#include "game/deal.h"
#include "game/mode.h"
#include "game/opponent.h"
#include "game/pairs.h"
#include "game/pause.h"
#include "game/records.h"
#include "game/turns.h"

namespace game {
namespace {

constexpr float kTitleStep = 0.05f;
constexpr float kTitleLimit = 5.0f;
constexpr float kColorStep = 0.01f;
constexpr float kSpinStep = 0.2f;

// Signs of the x, y and z spin per spinDirection. Directions 2 and 4 are the same on purpose:
// the game has always spun that way, and (+, -, +) never occurs.
constexpr int kSpinSigns[8][3] = {
    {+1, +1, +1}, {-1, -1, -1}, {+1, -1, -1}, {+1, +1, -1},
    {+1, -1, -1}, {-1, +1, -1}, {-1, +1, +1}, {-1, -1, +1},
};

void EnterMenu(GameState& state, TickEnvironment& environment) {
  state.bestText.Set("0");
  state.escCount = 0;
  environment.random.Seed(static_cast<uint32_t>(environment.secondsNow()));
  state.scene.store(SCENE_MENU, std::memory_order_release);
}

void AnimateStars(GameState& state, RandomSource& random) {
  for (Star& star : state.stars) {
    if (star.alpha == 0) {
      star.r = static_cast<uint8_t>(random.Next() % 256);
      star.g = static_cast<uint8_t>(random.Next() % 256);
      star.b = static_cast<uint8_t>(random.Next() % 256);
      star.x = static_cast<float>(random.Next() % 700) * 0.01f - 3.5f;
      star.y = static_cast<float>(random.Next() % 540) * 0.01f - 2.7f;
      star.fadeIn = true;
    }
    star.alpha = static_cast<uint8_t>(star.fadeIn ? star.alpha + 5 : star.alpha - 5);
    if (star.alpha == 255) star.fadeIn = false;
  }
}

void SwingTitle(GameState& state) {
  if (state.titleSwingUp) {
    state.titleAngle = state.titleAngle + kTitleStep;
    if (state.titleAngle > kTitleLimit) state.titleSwingUp = false;
  } else {
    state.titleAngle = state.titleAngle - kTitleStep;
    if (state.titleAngle < -kTitleLimit) state.titleSwingUp = true;
  }
}

// The ticks changed what the screen shows (game_state.h's shownChanges). Tick thread.
void ShownChanged(GameState& state) { state.shownChanges = state.shownChanges + 1; }

// Returns whether the cubes' colour or angles changed; with less motion the cubes keep still
// and only their colour drifts.
bool AnimateAbout(GameState& state) {
  bool changed = false;
  // Within one step of the target a step up is undone by the step down: the colour settles.
  for (int channel = 0; channel < 3; ++channel) {
    float color = state.cubeColor[channel];
    const float target = state.cubeTargetColor[channel];
    if (target > color) color += kColorStep;
    if (target < color) color -= kColorStep;
    // A settled colour's step up and down may leave a rounding's difference: none to see.
    changed = changed || std::abs(color - state.cubeColor[channel]) > kColorStep / 2;
    state.cubeColor[channel] = color;
  }

  const int32_t direction = state.spinDirection;
  if (state.lessMotion || direction < 0 || direction > 7) return changed;
  for (int axis = 0; axis < 3; ++axis)
    state.cubeAngle[axis] =
        state.cubeAngle[axis] + static_cast<float>(kSpinSigns[direction][axis]) * kSpinStep;
  return true;
}

void PlayTick(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  const bool computer = BoardMode(state).AgainstComputer();
  // What a player opened since the last tick is shown to the computer before it is judged.
  if (computer) NoteShownBoxes(state, params, environment.random);
  if (state.selectionCount.load(std::memory_order_acquire) == 2)
    EvaluateTry(state, params, environment);
  if (computer) OpponentStep(state, params, environment.random);
  state.messageColor[2] = Percentage(environment.random);
  state.messageColor[1] = Percentage(environment.random);
  state.messageColor[0] = Percentage(environment.random);
  state.scoreText.Set(std::to_string(state.score));
}

// A win raises the level's best score only when it beats it.
void KeepBestScore(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  Shared<int32_t>& best = state.bestScore[params.bestScoreSlot];
  const int32_t score = state.score;
  if (best < score) {
    best = score;
    // Kept at once: whatever happens to the process after a win, the record stays.
    if (environment.bestScoreBeaten) environment.bestScoreBeaten();
  }
}

// The second's share of a countdown: a second less until the game ends, and the loss at 0.
void CountDown(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  if (!state.won && !state.lost) state.timeLeft = state.timeLeft - 1;
  // Written before the loss check: the board shows "0" for the second the level is lost, then "-1".
  state.timeText.Set(std::to_string(state.timeLeft));

  if (state.timeLeft == 0) {
    MarkGameDecided(state);
    state.lost = true;
    state.selectionCount.store(3, std::memory_order_release);
    state.timeLeft = -1;
    environment.pause();
    RequestSound(state, SoundRequest::playLose);
    ReportBoardResult(state, params, Outcome::lost);
  }
}

// The second's share of a clock counting up: the game's time, until it ends.
void CountUp(GameState& state) {
  Players& players = state.players;
  if (!IsBoardOver(state)) players.seconds = players.seconds + 1;
  state.timeText.Set(std::to_string(players.seconds));
}

}  // namespace

void EvaluateTry(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  const uint8_t first = state.firstPick;
  const uint8_t second = state.secondPick;
  const Mode& mode = BoardMode(state);
  Players& players = state.players;

  // The sound starts during the pause while both pictures stay visible.
  const bool pair = BelongTogether(state, first, second);
  if (pair) {
    RequestSound(state, SoundRequest::playBingo);
    environment.pause();
    // Every open box of the level: the removed ones keep `open` until the next mismatch.
    for (int i = 0; i < params.boxCount; ++i)
      if (state.boxes[i].open) state.boxes[i].present = false;
    state.pairsFound = state.pairsFound + 1;
    players.pairs[players.current] = players.pairs[players.current] + 1;
  } else {
    RequestSound(state, SoundRequest::playError);
    environment.pause();
    for (int i = 0; i < params.boxCount; ++i) state.boxes[i].open = false;
    state.misses = state.misses + 1;
  }
  state.score = mode.ScoreAfter(
      JudgedTry{pair, state.score, state.timeLeft, state.pairsFound, state.misses});
  // Passed before the boxes are released, so a click that sees them free sees the new player.
  if (mode.TurnAfter(pair) == Turn::pass) PassTurn(state);

  if (state.pairsFound == params.pairsToWin) {
    // The end shows at once, the win sound half a second later. The boxes are never released in
    // between, and leaving meanwhile no longer gives the game up.
    MarkGameDecided(state);
    const Outcome outcome = mode.EndWithLastPair(state);
    state.selectionCount.store(3, std::memory_order_release);
    environment.pause();
    RequestSound(state, SoundRequest::playWin);
    if (mode.KeepsBestScore()) KeepBestScore(state, params, environment);
    ReportBoardResult(state, params, outcome);
    return;
  }
  state.selectionCount.store(0, std::memory_order_release);
}

void GameTick(GameState& state, TickEnvironment& environment) {
  const int8_t scene = state.scene.load(std::memory_order_acquire);
  switch (scene) {
    case SCENE_MENU_ENTER:
      EnterMenu(state, environment);
      ShownChanged(state);
      return;
    case SCENE_MENU:
      // With less motion the stars and the title keep still (and draw no random numbers).
      if (state.lessMotion) return;
      AnimateStars(state, environment.random);
      SwingTitle(state);
      ShownChanged(state);
      return;
    case SCENE_ABOUT:
      if (AnimateAbout(state)) ShownChanged(state);
      return;
    default:
      break;
  }
  if (const auto level = LevelOfSetupScene(scene)) {
    DealBoard(state, *level, environment.random);
    ShownChanged(state);
  } else if (const auto played = LevelOfPlayScene(scene)) {
    // A paused board waits whole: a pair left open stays to be judged after the pause.
    if (state.paused) return;
    // Only a judged try, the computer's moves and the end's changing colours show; a board
    // waiting for the player's click looks the same from tick to tick.
    const bool shows = state.selectionCount.load(std::memory_order_acquire) == 2 ||
                       BoardMode(state).AgainstComputer() || IsBoardOver(state);
    PlayTick(state, ParamsOf(*played), environment);
    if (shows || IsBoardOver(state)) ShownChanged(state);
  }
}

void SecondTick(GameState& state, TickEnvironment& environment) {
  const int8_t scene = state.scene.load(std::memory_order_acquire);
  if (scene == SCENE_ABOUT) {
    for (Shared<float>& channel : state.cubeTargetColor) channel = Percentage(environment.random);
    return;
  }
  const auto level = LevelOfPlayScene(scene);
  if (!level || state.paused) return;  // a paused board keeps its clock and its colours
  const LevelParams& params = ParamsOf(*level);

  // Every box gets new colours, open and removed ones too; only closed boxes show them.
  for (int i = 0; i < params.boxCount; ++i) {
    Box& box = state.boxes[i];
    box.r = Percentage(environment.random);
    box.g = Percentage(environment.random);
    box.b = Percentage(environment.random);
  }
  if (BoardMode(state).ClockKind() == Clock::countUp)
    CountUp(state);
  else
    CountDown(state, params, environment);
  ShownChanged(state);
}

void SpinTick(GameState& state, TickEnvironment& environment) {
  if (state.scene.load(std::memory_order_acquire) == SCENE_ABOUT)
    state.spinDirection = environment.random.Next() % 8;
}

}  // namespace game
