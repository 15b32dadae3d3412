#include "game/records.h"

#include <algorithm>

#include "game/choices.h"
#include "game/mode.h"

namespace game {

int8_t PlayerModeOf(const GameState& state) { return state.playerMode; }

int32_t PictureSetOf(const GameState& state) { return state.pictureSet; }

bool ReportBoardResult(GameState& state, const LevelParams& params, Outcome outcome) {
  if (outcome == Outcome::gaveUp) {
    if (!state.boardProgress.compare_exchange(kBoxOpened, kResultReported)) return false;
  } else if (state.boardProgress.exchange(kResultReported) == kResultReported) {
    return false;
  }
  GameResult result;
  result.level = params.level;
  result.playerMode = PlayerModeOf(state);
  result.pictureSet = PictureSetOf(state);
  // Played alone the score is the pairs' seconds; together there is none (still 0).
  result.score = state.score;
  // A lost countdown shows -1 left: the whole limit was used.
  result.secondsUsed =
      BoardMode(state).ClockKind() == Clock::countUp
          ? state.players.seconds
          : std::clamp(params.timeLimit - state.timeLeft, 0, params.timeLimit);
  result.pairs = state.players.pairs[0];
  result.misses = state.misses;
  result.clock = BoardMode(state).Relaxed() ? relaxed : countdown;
  result.outcome = outcome;
  state.results.Push(result);
  return true;
}

void MarkGameDecided(GameState& state) {
  // A click may open the first box meanwhile; a game reported already stays so.
  for (;;) {
    const int8_t progress = state.boardProgress;
    if (progress == kResultReported || progress == kGameDecided) return;
    if (state.boardProgress.compare_exchange(progress, kGameDecided)) return;
  }
}

Company CompanyOf(int8_t playerMode) { return ModeOf(playerMode).PlayedWith(); }

int Records::Add(int64_t time, const GameResult& result) {
  const int level = static_cast<int>(result.level);
  if (level < 0 || level >= static_cast<int>(levels_.size())) return 0;
  if (!IsValidPlayerMode(result.playerMode)) return 0;
  const bool won = result.outcome == Outcome::won;
  const Company company = CompanyOf(result.playerMode);
  // Only a game alone has a clock to choose: together the choice changes nothing.
  LevelRecords& records = company == Company::alone && result.clock == relaxed
                              ? relaxedLevels_[level]
                              : levels_[level];
  GameCount& count = company == Company::computer ? records.computer
                     : company == Company::players ? records.players
                                                   : records.alone;
  ++count.games;
  if (won) ++count.wins;
  if (company != Company::alone || !won) return 0;

  if (records.bestWonSeconds < 0 || result.secondsUsed < records.bestWonSeconds)
    records.bestWonSeconds = result.secondsUsed;
  // After every equal score: a record is beaten, not matched.
  const auto place = std::upper_bound(
      records.best.begin(), records.best.end(), result.score,
      [](int32_t score, const RecordEntry& entry) { return score > entry.score; });
  const int rank = static_cast<int>(place - records.best.begin()) + 1;
  if (rank > kTopCount) return 0;
  records.best.insert(place, RecordEntry{result.score, time});
  if (records.best.size() > static_cast<std::size_t>(kTopCount)) records.best.pop_back();
  return rank;
}

}  // namespace game
