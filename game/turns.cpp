#include "game/turns.h"

#include <string>

#include "game/choices.h"
#include "game/opponent.h"

namespace game {

int PlayerCountOf(int mode) {
  switch (mode) {
    case twoPlayers: return 2;
    case threePlayers: return 3;
    case fourPlayers: return 4;
    case againstComputer: return 2;
    default: return 1;
  }
}

bool HasComputer(int mode) { return mode == againstComputer; }


void StartTurns(GameState& state, Level level) {
  const int mode = state.playerMode;
  Players& players = state.players;
  players.count = static_cast<int8_t>(PlayerCountOf(mode));
  players.level = static_cast<uint8_t>(level);
  players.computer = HasComputer(mode);
  players.current = 0;
  for (Shared<int32_t>& pairs : players.pairs) pairs = 0;
  players.turns = 1;
  players.seconds = 0;
  players.finished = false;
  players.winner = kDraw;
  // Alone the board shows the last board's time until the first second; the clock starts at 0.
  if (players.count > 1) state.timeText.Set("0");

  OpponentMemory& memory = state.opponent;
  for (int i = 0; i < kBoxCapacity; ++i) {
    memory.face[i] = -1;
    memory.shown[i] = false;
  }
  memory.wait = -1;
}

bool PlayingTogether(const GameState& state) { return state.players.count > 1; }

bool ComputersTurn(const GameState& state) {
  const Players& players = state.players;
  // Once the game is over, Back is the person's again whoever took the last pair.
  return players.computer && players.current == players.count - 1 && !players.finished;
}

void PlayTurnTick(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  // What a player opened since the last tick is shown before it is judged.
  if (state.players.computer) NoteShownBoxes(state, params, environment.random);
  if (state.selectionCount.load(std::memory_order_acquire) == 2)
    EvaluateTurn(state, params, environment);
  if (state.players.computer) OpponentStep(state, params, environment.random);
}

namespace {

int8_t WinnerOf(const Players& players) {
  int8_t winner = 0;
  bool shared = false;
  for (int8_t p = 1; p < players.count; ++p) {
    if (players.pairs[p] > players.pairs[winner]) {
      winner = p;
      shared = false;
    } else if (players.pairs[p] == players.pairs[winner]) {
      shared = true;
    }
  }
  return shared ? kDraw : winner;
}

}  // namespace

void EvaluateTurn(GameState& state, const LevelParams& params, TickEnvironment& environment) {
  const uint8_t first = state.firstPick;
  const uint8_t second = state.secondPick;
  Players& players = state.players;

  // The same sounds and pauses as alone: both pictures stay in view while the sound plays.
  if (state.boxes[first].face == state.boxes[second].face) {
    RequestSound(state, SoundRequest::playBingo);
    environment.pause();
    for (int i = 0; i < params.boxCount; ++i)
      if (state.boxes[i].open) state.boxes[i].present = false;
    state.pairsFound = state.pairsFound + 1;
    players.pairs[players.current] = players.pairs[players.current] + 1;
  } else {
    RequestSound(state, SoundRequest::playError);
    environment.pause();
    for (int i = 0; i < params.boxCount; ++i) state.boxes[i].open = false;
    // Passed before the boxes are released, so a click that sees them free sees the new player.
    players.current = static_cast<int8_t>((players.current + 1) % players.count);
    players.turns = players.turns + 1;
  }

  if (state.pairsFound == params.pairsToWin) {
    players.winner = WinnerOf(players);
    players.finished = true;
    state.selectionCount.store(3, std::memory_order_release);
    environment.pause();
    RequestSound(state, SoundRequest::playWin);
    return;
  }
  state.selectionCount.store(0, std::memory_order_release);
}

void CountClockUp(GameState& state) {
  if (!state.players.finished) state.players.seconds = state.players.seconds + 1;
  state.timeText.Set(std::to_string(state.players.seconds));
}

std::optional<TogetherResult> FinishedTogether(const GameState& state) {
  const Players& players = state.players;
  if (!PlayingTogether(state) || !players.finished) return std::nullopt;
  TogetherResult result{static_cast<Level>(static_cast<uint8_t>(players.level)),
                        players.count,
                        players.computer,
                        {},
                        players.winner,
                        players.turns,
                        players.seconds};
  for (int p = 0; p < players.count && p < kMaxPlayers; ++p) result.pairs[p] = players.pairs[p];
  return result;
}

}  // namespace game
