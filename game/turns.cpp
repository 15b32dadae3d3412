#include "game/turns.h"

#include "game/choices.h"
#include "game/deal.h"
#include "game/mode.h"

namespace game {

void StartTurns(GameState& state, Level level) {
  const int8_t chosen = state.playerMode;
  const int8_t clock = state.clockChoice;
  const Mode& mode = ModeOf(chosen, clock);
  Players& players = state.players;
  players.mode = IsValidPlayerMode(chosen) ? chosen : int8_t{onePlayer};
  players.clock = IsValidClockChoice(clock) ? clock : int8_t{countdown};
  players.count = static_cast<int8_t>(mode.PlayerCount());
  players.level = static_cast<uint8_t>(level);
  players.computer = mode.AgainstComputer();
  players.current = 0;
  for (Shared<int32_t>& pairs : players.pairs) pairs = 0;
  players.turns = 1;
  players.seconds = 0;
  players.finished = false;
  players.winner = kDraw;
  // A countdown shows the last board's time until the first second; a clock counting up starts
  // at 0.
  if (mode.ClockKind() == Clock::countUp) state.timeText.Set("0");
  // The score file's best is the countdown's: a relaxed board shows its own clock's best.
  if (mode.Relaxed())
    state.bestText.Set(FormatBestText(state.relaxedBest[ParamsOf(level).bestScoreSlot]));

  OpponentMemory& memory = state.opponent;
  for (int i = 0; i < kBoxCapacity; ++i) {
    memory.face[i] = -1;
    memory.side[i] = 0;
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

void PassTurn(GameState& state) {
  Players& players = state.players;
  players.current = static_cast<int8_t>((players.current + 1) % players.count);
  players.turns = players.turns + 1;
}

}  // namespace game
