#include "sound/sound_service.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "game/level.h"

namespace sound {
namespace {

using game::SoundRequest;

enum class Command { kPlay, kPlayLooped, kStop, kStopEffects, kPlayCard, kPlayPlace };
enum class Condition { kMusicOn, kSoundOn, kAlways };

struct Rule {
  SoundRequest request;
  Command command;
  Condition condition;
  int slot;
};

// Plays come before stops: a play and a stop of the same music raised together start the music
// and stop it at once.
constexpr std::array<Rule, game::kSoundRequestCount> kRules = {{
    {SoundRequest::playMenuMusic, Command::kPlayLooped, Condition::kMusicOn, SOUND_MENU},
    {SoundRequest::playButton, Command::kPlay, Condition::kSoundOn, SOUND_BUTTON},
    {SoundRequest::playGameMusic, Command::kPlayLooped, Condition::kMusicOn, SOUND_GAME},
    {SoundRequest::playBox, Command::kPlay, Condition::kSoundOn, SOUND_BOX},
    {SoundRequest::playError, Command::kPlay, Condition::kSoundOn, SOUND_ERROR},
    {SoundRequest::playBingo, Command::kPlay, Condition::kSoundOn, SOUND_BINGO},
    {SoundRequest::playLose, Command::kPlay, Condition::kSoundOn, SOUND_LOSE},
    {SoundRequest::playWin, Command::kPlay, Condition::kSoundOn, SOUND_WIN},
    {SoundRequest::playAboutMusic, Command::kPlayLooped, Condition::kMusicOn, SOUND_ABOUT},
    {SoundRequest::stopMenuMusic, Command::kStop, Condition::kAlways, SOUND_MENU},
    {SoundRequest::stopGameMusic, Command::kStop, Condition::kAlways, SOUND_GAME},
    {SoundRequest::stopAboutMusic, Command::kStop, Condition::kAlways, SOUND_ABOUT},
    {SoundRequest::stopEffects, Command::kStopEffects, Condition::kAlways, -1},
    {SoundRequest::playCard, Command::kPlayCard, Condition::kSoundOn, -1},
    {SoundRequest::playPlace, Command::kPlayPlace, Condition::kSoundOn, -1},
}};

constexpr bool RulesFollowRequestOrder() {
  for (std::size_t i = 0; i < kRules.size(); ++i)
    if (static_cast<std::size_t>(kRules[i].request) != i) return false;
  return true;
}
static_assert(RulesFollowRequestOrder(), "requests are served in the order of SoundRequest");

constexpr std::array<int, 6> kEffectSlots = {SOUND_BUTTON, SOUND_BOX,  SOUND_ERROR,
                                             SOUND_BINGO,  SOUND_LOSE, SOUND_WIN};

bool ConditionHolds(const game::GameState& state, Condition condition) {
  switch (condition) {
    case Condition::kMusicOn: return state.musicOn;
    case Condition::kSoundOn: return state.soundOn;
    case Condition::kAlways: return true;
  }
  return false;
}

void Send(const game::GameState& state, MediaDevices& devices, const Rule& rule) {
  switch (rule.command) {
    case Command::kPlay: devices.Play(rule.slot); break;
    case Command::kPlayLooped: devices.PlayLooped(rule.slot); break;
    case Command::kStop: devices.Stop(rule.slot); break;
    case Command::kStopEffects:
      for (int slot : kEffectSlots) devices.Stop(slot);
      devices.StopCard();
      break;
    case Command::kPlayCard:
      if (state.cardSound >= 0) devices.PlayCard(state.cardSound);
      break;
    case Command::kPlayPlace: {
      // The board may have gone since the request: then there is no place to hear.
      const auto level = game::LevelOfPlayScene(state.scene.load(std::memory_order_acquire));
      const int box = state.placeTick;
      if (!level) break;
      const game::LevelParams& params = game::ParamsOf(*level);
      if (box < 0 || box >= params.boxCount) break;
      const game::BoxPlace place = game::PlaceOfBox(params, box);
      devices.PlayPlace(PlaceTickOf(place.row, place.column, params.rows, params.columns,
                                    !state.boxes[box].present));
      break;
    }
  }
}

// Notifies `wake` once at `deadline` unless destroyed first. WakeSignal has no timed wait, and
// the loading delay must end early when `running` clears, so the wait is on the signal itself.
class WakeAt {
 public:
  WakeAt(game::WakeSignal& wake, std::chrono::steady_clock::time_point deadline)
      : thread_([this, &wake, deadline] {
          std::unique_lock lock(mutex_);
          if (cancel_.wait_until(lock, deadline, [this] { return cancelled_; })) return;
          lock.unlock();
          wake.NotifyAll();
        }) {}
  ~WakeAt() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    cancel_.notify_one();
    thread_.join();
  }
  WakeAt(const WakeAt&) = delete;
  WakeAt& operator=(const WakeAt&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable cancel_;
  bool cancelled_ = false;
  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace

void ServeSoundRequests(game::GameState& state, MediaDevices& devices) {
  for (const Rule& rule : kRules) {
    // Cleared before the command, so a request raised while it runs is served next pass.
    if (!state.soundRequests[static_cast<int>(rule.request)].exchange(false)) continue;
    if (ConditionHolds(state, rule.condition)) Send(state, devices, rule);
  }
}

bool AnySoundRequested(const game::GameState& state) {
  for (const auto& flag : state.soundRequests)
    if (flag) return true;
  return false;
}

void RunSoundService(game::GameState& state, MediaDevices& devices,
                     std::chrono::milliseconds loadingDelay, const Upkeep& upkeep) {
  const auto deadline = std::chrono::steady_clock::now() + loadingDelay;
  {
    WakeAt alarm(state.wake, deadline);
    state.wake.WaitUntil(
        [&] { return !state.running || std::chrono::steady_clock::now() >= deadline; });
  }
  state.loadingDone = true;

  // Sleeps between passes instead of polling, so an idle sound thread costs no CPU; a raised
  // request wakes it and is still served within one pass.
  const auto ready = [&] {
    return !state.running || AnySoundRequested(state) || (upkeep.due && upkeep.due());
  };
  while (state.running) {
    const auto next = upkeep.tend ? upkeep.tend() : std::nullopt;
    ServeSoundRequests(state, devices);
    if (next)
      state.wake.WaitUntil(*next, ready);
    else
      state.wake.WaitUntil(ready);
  }
}

}  // namespace sound
