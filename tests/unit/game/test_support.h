// Test doubles and helpers for the game core: a scripted generator, a pause that does not sleep,
// a fake picker, and a full text dump of GameState.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/input.h"
#include "game/level.h"
#include "game/menu.h"
#include "game/random.h"
#include "game/ticks.h"

namespace game::testing {

// Hands out the scripted numbers first, then the game's LCG (reseeded with every Seed); records
// seeds and draws.
class ScriptedRandom final : public RandomSource {
 public:
  void Script(std::initializer_list<int> values) { script_.insert(script_.end(), values); }
  void Script(const std::vector<int>& values) {
    script_.insert(script_.end(), values.begin(), values.end());
  }
  void Seed(uint32_t seed) override {
    seeds.push_back(seed);
    fallback_.Seed(seed);
  }
  int Next() override {
    ++draws;
    if (script_.empty()) return fallback_.Next();
    const int value = script_.front();
    script_.pop_front();
    return value;
  }
  std::size_t Unused() const { return script_.size(); }

  std::vector<uint32_t> seeds;
  int draws = 0;

 private:
  std::deque<int> script_;
  LcgRandom fallback_{20240601};
};

// A sound request as a test sees it: which, and the scene at the moment it was raised.
struct SeenRequest {
  SoundRequest request;
  int scene;
  bool operator==(const SeenRequest&) const = default;
};

// One GameState with everything the rules need from outside, all observable.
struct Harness {
  Harness() {
    state.soundObserver = [this](SoundRequest request) {
      requests.push_back({request, state.scene});
      if (onRequest) onRequest(request);
    };
  }
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  void Tick() { GameTick(state, environment); }
  void Second() { SecondTick(state, environment); }
  void Spin() { SpinTick(state, environment); }

  // Input with the fake picker: the pick finds `name`.
  void Move(uint32_t name) {
    pickName = name;
    OnMouseMove(state, 0, 0, kRect, actions);
  }
  void Click(uint32_t name) {
    pickName = name;
    OnLeftButtonDown(state, 0, 0, kRect, actions);
  }
  void Move(MenuName name) { Move(PickNameOf(name)); }
  void Click(MenuName name) { Click(PickNameOf(name)); }
  bool Key(game::Key key) { return OnKeyDown(state, key, actions); }

  std::vector<SoundRequest> RequestList() const {
    std::vector<SoundRequest> list;
    for (const SeenRequest& seen : requests) list.push_back(seen.request);
    return list;
  }
  void ClearRequests() {
    requests.clear();
    for (auto& flag : state.soundRequests) flag = false;
  }

  static constexpr int32_t kRect[4] = {0, 0, 800, 600};

  GameState state;
  ScriptedRandom random;
  int pauses = 0;
  std::function<void()> onPause;  // runs inside each pause, after it is counted
  int64_t now = 1700000000;
  TickEnvironment environment{random,
                              [this] {
                                ++pauses;
                                if (onPause) onPause();
                              },
                              [this] { return now; },
                              [this] { ++bestScoreSaves; }};
  int bestScoreSaves = 0;  // calls of bestScoreBeaten

  std::vector<SeenRequest> requests;
  std::function<void(SoundRequest)> onRequest;  // runs inside RequestSound

  uint32_t pickName = 0;
  int exits = 0;
  std::vector<int> swapIntervals;
  InputActions actions{[this] { state.pickedName = pickName; }, [this] { ++exits; },
                       [this](int interval) { swapIntervals.push_back(interval); }, {}};
};

// Every field of the state as text, so that "nothing changed" is one comparison.
std::string Dump(const GameState& state);

// Indices of the level's present boxes with this face.
std::vector<int> BoxesWithFace(const GameState& state, const LevelParams& params, int face);

// Deals the level through the scene machine: the setup scene and one GameTick.
void DealThroughTick(Harness& harness, Level level);

}  // namespace game::testing
