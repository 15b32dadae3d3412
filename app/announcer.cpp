#include "app/announcer.h"

#include "game/level.h"
#include "game/mode.h"
#include "game/navigation.h"
#include "render/render.h"

namespace app {

namespace {

// The scenes a player stays in; the others pass within a tick.
bool IsSteadyScene(int scene) {
  return scene == game::SCENE_MENU || scene == game::SCENE_README ||
         scene == game::SCENE_ABOUT || scene == game::SCENE_RECORDS ||
         game::LevelOfPlayScene(scene).has_value();
}

}  // namespace

SpeechEvent BoxEvent(const game::GameState& state, int scene, int box) {
  SpeechEvent event;
  event.topic = SpeechTopic::box;
  const auto level = game::LevelOfPlayScene(scene);
  if (!level) return event;
  // Boxes run right to left within a row (game/navigation.h): column 0 is the rightmost.
  const game::BoxPlace place = game::PlaceOfBox(game::ParamsOf(*level), box);
  event.row = place.row + 1;
  event.column = place.column + 1;
  event.empty = !state.boxes[box].present;
  if (!event.empty && state.boxes[box].open) event.name = render::BoxName(state, box);
  return event;
}

Announcer::Seen Announcer::Look(const game::GameState& state) const {
  Seen now;
  now.scene = state.scene.load(std::memory_order_acquire);
  // Loaded first: the tick releases the boxes after it counted the try.
  now.judging = state.selectionCount.load(std::memory_order_acquire) == 2;
  now.highlight = game::HighlightedName(state);
  for (const game::MenuControl& control : game::MenuControls()) {
    MenuValue value;
    if (control.value != nullptr) value.on = state.*control.value;
    value.value = std::string(render::MenuValueText(state, control.name));
    now.menu.push_back(std::move(value));
  }
  if (const auto level = game::LevelOfPlayScene(now.scene)) {
    for (int i = 0; i < game::ParamsOf(*level).boxCount; ++i) {
      now.open[static_cast<std::size_t>(i)] = state.boxes[i].open;
      now.present[static_cast<std::size_t>(i)] = state.boxes[i].present;
    }
  }
  now.pairsFound = state.pairsFound;
  now.misses = state.misses;
  now.current = state.players.current;
  now.won = state.won;
  now.lost = state.lost;
  now.finished = state.players.finished;
  now.paused = state.paused;
  return now;
}

void Announcer::Menu(const Seen& now, std::vector<SpeechEvent>& events) const {
  const auto controls = game::MenuControls();
  bool highlightSaid = false;
  // A value that changed (a click, a shoulder button, Space) is said with its control.
  for (std::size_t i = 0; i < controls.size() && i < seen_.menu.size(); ++i) {
    if (now.menu[i] == seen_.menu[i]) continue;
    SpeechEvent event;
    event.topic = SpeechTopic::menuControl;
    event.control = controls[i].name;
    event.on = now.menu[i].on;
    event.value = now.menu[i].value;
    events.push_back(event);
    highlightSaid = highlightSaid || game::PickNameOf(controls[i].name) == now.highlight;
  }
  if (now.highlight == seen_.highlight || highlightSaid || now.highlight == 0) return;
  const game::MenuControl* control = game::FindMenuControl(now.highlight);
  if (control == nullptr) return;
  const std::size_t index = static_cast<std::size_t>(control - controls.data());
  SpeechEvent event;
  event.topic = SpeechTopic::menuControl;
  event.control = control->name;
  event.on = now.menu[index].on;
  event.value = now.menu[index].value;
  events.push_back(event);
}

void Announcer::Board(const game::GameState& state, const Seen& now,
                      std::vector<SpeechEvent>& events) const {
  const game::LevelParams& params = game::ParamsOf(*game::LevelOfPlayScene(now.scene));
  if (now.paused != seen_.paused) {
    SpeechEvent event;
    event.topic = now.paused ? SpeechTopic::paused : SpeechTopic::resumed;
    events.push_back(event);
  }
  bool highlightSaid = false;
  for (int i = 0; i < params.boxCount; ++i) {
    const auto bit = static_cast<std::size_t>(i);
    if (now.open[bit] && now.present[bit] && !seen_.open[bit]) {
      events.push_back(BoxEvent(state, now.scene, i));
      highlightSaid = highlightSaid || now.highlight == static_cast<uint32_t>(i + 1);
    }
  }
  if (now.pairsFound > seen_.pairsFound) events.push_back({.topic = SpeechTopic::pairFound});
  if (now.misses > seen_.misses) events.push_back({.topic = SpeechTopic::pairMissed});
  if (now.highlight != seen_.highlight && !highlightSaid && now.highlight != 0) {
    if (now.highlight <= static_cast<uint32_t>(params.boxCount))
      events.push_back(BoxEvent(state, now.scene, static_cast<int>(now.highlight) - 1));
    else if (now.highlight == game::BackButtonOf(params))
      events.push_back({.topic = SpeechTopic::back});
    else if (now.highlight == game::RecordsButtonOf(params))
      events.push_back({.topic = SpeechTopic::records});
  }
  const game::Players& players = state.players;
  SpeechEvent standing;
  standing.playerCount = players.count;
  standing.computer = players.computer;
  standing.player = now.current;
  if (players.count > 1 && now.current != seen_.current && !now.finished) {
    standing.topic = SpeechTopic::turn;
    events.push_back(standing);
  }
  if (now.won && !seen_.won && players.count == 1) events.push_back({.topic = SpeechTopic::won});
  if (now.lost && !seen_.lost) events.push_back({.topic = SpeechTopic::timeUp});
  if (now.finished && !seen_.finished && players.count > 1) {
    standing.topic = SpeechTopic::standings;
    for (int p = 0; p < game::kMaxPlayers; ++p)
      standing.pairs[static_cast<std::size_t>(p)] = players.pairs[p];
    standing.winner = players.winner;
    events.push_back(standing);
  }
}

std::vector<SpeechEvent> Announcer::Observe(const game::GameState& state) {
  std::vector<SpeechEvent> events;
  movedToBox_.reset();
  const int scene = state.scene.load(std::memory_order_acquire);
  if (!IsSteadyScene(scene)) return events;
  Seen now = Look(state);
  // A try is said judged once the boxes are free again, so that the player's next key counts.
  if (now.judging && now.scene == seen_.scene) {
    now.pairsFound = seen_.pairsFound;
    now.misses = seen_.misses;
    now.current = seen_.current;
  }
  if (now.scene != seen_.scene) {
    SpeechEvent screen;
    screen.scene = now.scene;
    events.push_back(screen);
    // Playing together, the first turn is said with the board.
    if (game::LevelOfPlayScene(now.scene) && state.players.count > 1) {
      SpeechEvent turn;
      turn.topic = SpeechTopic::turn;
      turn.player = now.current;
      turn.playerCount = state.players.count;
      turn.computer = state.players.computer;
      events.push_back(turn);
    }
  } else if (now.scene == game::SCENE_MENU) {
    Menu(now, events);
  } else if (const auto level = game::LevelOfPlayScene(now.scene)) {
    Board(state, now, events);
    if (now.highlight != seen_.highlight && now.highlight != 0 &&
        now.highlight <= static_cast<uint32_t>(game::ParamsOf(*level).boxCount))
      movedToBox_ = static_cast<int>(now.highlight) - 1;
  } else if (now.highlight != seen_.highlight && now.highlight != 0) {
    events.push_back({.topic = SpeechTopic::back});
  }
  seen_ = std::move(now);
  return events;
}

std::optional<SpeechEvent> Announcer::Answer(const game::GameState& state,
                                             SpeechRequest request) const {
  const int scene = state.scene.load(std::memory_order_acquire);
  if (request == SpeechRequest::rules) {
    if (scene != game::SCENE_README) return std::nullopt;
    return SpeechEvent{.topic = SpeechTopic::rules};
  }
  const auto level = game::LevelOfPlayScene(scene);
  if (!level) return std::nullopt;
  SpeechEvent event;
  event.topic = SpeechTopic::status;
  event.countsUp = game::BoardMode(state).ClockKind() == game::Clock::countUp;
  event.seconds = event.countsUp ? int{state.players.seconds} : int{state.timeLeft};
  event.score = state.score;
  event.pairsLeft = game::ParamsOf(*level).pairsToWin - state.pairsFound;
  return event;
}

std::vector<SpokenLine> LinesOf(const std::vector<SpeechEvent>& events) {
  std::vector<SpokenLine> lines;
  std::string joined;
  Urgency urgency = Urgency::queued;  // interrupting when any of the frame's lines is
  std::vector<SpokenLine> results;
  for (const SpeechEvent& event : events) {
    const std::string line = LineOf(event);
    if (line.empty()) continue;
    if (UrgencyOf(event) == Urgency::result) {
      results.push_back({line, Urgency::result});
      continue;
    }
    if (!joined.empty()) joined += ". ";
    joined += line;
    if (UrgencyOf(event) == Urgency::interrupting) urgency = Urgency::interrupting;
  }
  if (!joined.empty()) lines.push_back({joined, urgency});
  lines.insert(lines.end(), results.begin(), results.end());
  return lines;
}

}  // namespace app
