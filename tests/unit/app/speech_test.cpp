// Play by ear: the line said for each menu control and board event, the announcer that finds the
// events in the game state, and the speech worker over a fake daemon (interrupts, results kept,
// a hung daemon that never holds up the caller).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/announcer.h"
#include "app/narrator.h"
#include "app/speech.h"
#include "app/speech_lines.h"
#include "game/level.h"
#include "render/render.h"

namespace {

using app::SpeechEvent;
using app::SpeechTopic;
using game::MenuName;

class SpeechLines : public ::testing::Test {
 protected:
  void SetUp() override { render::SetLanguage(game::Language::english); }
};

SpeechEvent Control(MenuName name, std::string value = {}, bool on = false) {
  SpeechEvent event;
  event.topic = SpeechTopic::menuControl;
  event.control = name;
  event.value = std::move(value);
  event.on = on;
  return event;
}

TEST_F(SpeechLines, EveryMenuControlAndBoardEventHasItsLine) {
  SpeechEvent board{.topic = SpeechTopic::screen, .scene = game::SCENE_NORMAL};
  SpeechEvent help{.topic = SpeechTopic::screen, .scene = game::SCENE_README};
  SpeechEvent box{.topic = SpeechTopic::box, .row = 3, .column = 4};
  SpeechEvent open = box;
  open.name = "Penguin";
  SpeechEvent gone = box;
  gone.empty = true;
  SpeechEvent turn{.topic = SpeechTopic::turn, .player = 1, .playerCount = 2};
  SpeechEvent computer{.topic = SpeechTopic::turn, .player = 1, .computer = true, .playerCount = 2};
  SpeechEvent standings{.topic = SpeechTopic::standings, .playerCount = 2, .pairs = {10, 8},
                        .winner = 0};
  SpeechEvent draw{.topic = SpeechTopic::standings, .playerCount = 2, .pairs = {9, 9},
                   .winner = game::kDraw};
  SpeechEvent status{.topic = SpeechTopic::status, .seconds = 95, .score = 230, .pairsLeft = 1};
  SpeechEvent together{.topic = SpeechTopic::status, .seconds = 1, .countsUp = true,
                       .pairsLeft = 12};
  const std::vector<std::pair<SpeechEvent, std::string>> table = {
      {Control(MenuName::help), "Help"},
      {Control(MenuName::easy), "Easy"},
      {Control(MenuName::normal), "Normal"},
      {Control(MenuName::hard), "Hard"},
      {Control(MenuName::exit), "Exit"},
      {Control(MenuName::about), "About"},
      {Control(MenuName::sound, {}, true), "Sound: on"},
      {Control(MenuName::music, {}, false), "Music: off"},
      {Control(MenuName::vsync, {}, true), "VSync: on"},
      {Control(MenuName::speech, {}, true), "Speech: on"},
      {Control(MenuName::pictures, "Animals"), "Pictures: Animals"},
      {Control(MenuName::players, "2 players"), "Players: 2 players"},
      {Control(MenuName::records, "Best ten"), "Records"},
      {Control(MenuName::language, "Deutsch"), "Language: Deutsch"},
      {SpeechEvent{.topic = SpeechTopic::screen, .scene = game::SCENE_MENU}, "Menu"},
      {SpeechEvent{.topic = SpeechTopic::screen, .scene = game::SCENE_EASY}, "Easy, 6 by 6"},
      {board, "Normal, 8 by 8"},
      {help, "How to Play Press R to hear the rules."},
      {SpeechEvent{.topic = SpeechTopic::screen, .scene = game::SCENE_RECORDS}, "Records"},
      {SpeechEvent{.topic = SpeechTopic::screen, .scene = game::SCENE_ABOUT}, "About"},
      {box, "Row 3, column 4"},
      {open, "Row 3, column 4: Penguin"},
      {gone, "Row 3, column 4: empty"},
      {SpeechEvent{.topic = SpeechTopic::back}, "Back"},
      {SpeechEvent{.topic = SpeechTopic::pairFound}, "Pair found"},
      {SpeechEvent{.topic = SpeechTopic::pairMissed}, "No pair"},
      {turn, "Turn: Player 2"},
      {computer, "Turn: Computer"},
      {SpeechEvent{.topic = SpeechTopic::won}, "You won!"},
      {SpeechEvent{.topic = SpeechTopic::timeUp}, "Time is up"},
      {standings, "Player 1: 10 pairs. Player 2: 8 pairs. Player 1 wins!"},
      {draw, "Player 1: 9 pairs. Player 2: 9 pairs. A draw!"},
      {SpeechEvent{.topic = SpeechTopic::paused}, "Paused"},
      {SpeechEvent{.topic = SpeechTopic::resumed}, "Resumed"},
      {status, "95 seconds left. Score 230. 1 pair left."},
      {together, "1 second. Score 0. 12 pairs left."},
  };
  for (const auto& [event, line] : table) EXPECT_EQ(app::LineOf(event), line);
  EXPECT_EQ(app::LineOf({.topic = SpeechTopic::rules}).rfind("Click a box to open it.", 0), 0u);
  EXPECT_EQ(app::UrgencyOf({.topic = SpeechTopic::won}), app::Urgency::result);
  EXPECT_EQ(app::UrgencyOf(standings), app::Urgency::result);
  EXPECT_EQ(app::UrgencyOf(box), app::Urgency::interrupting);
  EXPECT_EQ(app::UrgencyOf({.topic = SpeechTopic::pairFound}), app::Urgency::queued);
}

// A board walked as a player would: the announcer hears each change once, in order.
TEST_F(SpeechLines, AnnouncerSaysWhatChangedOnABoard) {
  auto state = std::make_unique<game::GameState>();
  const game::LevelParams& easy = game::ParamsOf(game::Level::easy);
  for (int i = 0; i < easy.boxCount; ++i) {
    state->boxes[i].present = true;
    state->boxes[i].face = static_cast<int8_t>(i % easy.faceCount);
  }
  state->timeLeft = easy.timeLimit;
  state->scene = game::SCENE_EASY;
  app::Announcer announcer;
  auto said = [&] {
    std::string text;
    for (const app::SpokenLine& line : app::LinesOf(announcer.Observe(*state)))
      text += (text.empty() ? "" : " | ") + line.text;
    return text;
  };
  EXPECT_EQ(said(), "Easy, 6 by 6");
  EXPECT_EQ(said(), "");
  // Box 5 is the top row's leftmost (boxes run right to left).
  state->boxes[5].hover = true;
  EXPECT_EQ(said(), "Row 1, column 1");
  EXPECT_EQ(announcer.MovedToBox(), 5);  // the box whose place is to be heard
  state->boxes[5].open = true;
  EXPECT_EQ(said(), "Row 1, column 1: Clover");  // face 5 is the sixth classic face
  EXPECT_FALSE(announcer.MovedToBox());
  state->boxes[5].hover = false;
  state->boxes[0].hover = true;
  state->boxes[0].open = true;
  EXPECT_EQ(said(), "Row 1, column 6: Apple");
  state->selectionCount = 2;
  state->boxes[0].open = false;
  state->boxes[5].open = false;
  state->misses = 1;
  EXPECT_EQ(said(), "");  // judged, but the boxes not yet free for the next key
  state->selectionCount = 0;
  EXPECT_EQ(said(), "No pair");
  state->boxes[6].present = false;
  state->pairsFound = 1;
  state->boxes[0].hover = false;
  state->boxes[6].hover = true;
  EXPECT_EQ(said(), "Pair found. Row 2, column 6: empty");
  state->paused = true;
  EXPECT_EQ(said(), "Paused");
  state->paused = false;
  EXPECT_EQ(said(), "Resumed");
  state->won = true;
  EXPECT_EQ(said(), "You won!");
  const auto status = announcer.Answer(*state, app::SpeechRequest::status);
  ASSERT_TRUE(status);
  EXPECT_EQ(app::LineOf(*status), "120 seconds left. Score 0. 17 pairs left.");
  EXPECT_FALSE(announcer.Answer(*state, app::SpeechRequest::rules));
  state->scene = game::SCENE_MENU_ENTER;  // passing through: nothing said
  EXPECT_EQ(said(), "");
}

TEST_F(SpeechLines, AnnouncerSaysMenuControlsAndTheirNewValues) {
  auto state = std::make_unique<game::GameState>();
  state->scene = game::SCENE_MENU;
  app::Announcer announcer;
  auto said = [&] {
    std::string text;
    for (const app::SpokenLine& line : app::LinesOf(announcer.Observe(*state)))
      text += line.text;
    return text;
  };
  EXPECT_EQ(said(), "Menu");
  state->hoverEasy = true;
  EXPECT_EQ(said(), "Easy");
  state->hoverEasy = false;
  state->hoverSwitch = static_cast<int8_t>(game::PickNameOf(MenuName::speech));
  EXPECT_EQ(said(), "Speech: off");
  state->speechOn = true;
  EXPECT_EQ(said(), "Speech: on");
  state->soundOn = true;  // clicked with the mouse, away from the highlight: said all the same
  EXPECT_EQ(said(), "Sound: on");
}

// A fake daemon: it logs its calls and can hang in Say until interrupted.
class FakeDaemon : public app::SpeechBackend {
 public:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    bool refuse = false;
    bool hang = false;
    int interrupts = 0;
  };
  explicit FakeDaemon(Shared& shared) : shared_(shared) {}
  bool Open(std::string& problem) override {
    std::lock_guard lock(shared_.mutex);
    if (shared_.refuse) problem = "refused";
    return !shared_.refuse;
  }
  bool SetLanguage(const std::string& code) override { return Log("language " + code); }
  bool Cancel() override { return Log("cancel"); }
  bool Say(const std::string& text) override {
    std::unique_lock lock(shared_.mutex);
    if (shared_.hang) {
      // Held as a hung daemon holds a read, until the way out interrupts it.
      shared_.changed.wait(lock, [this] { return shared_.interrupts > 0; });
      return false;
    }
    shared_.calls.push_back("say " + text);
    shared_.changed.notify_all();
    return true;
  }
  void Interrupt() override {
    std::lock_guard lock(shared_.mutex);
    ++shared_.interrupts;
    shared_.changed.notify_all();
  }

 private:
  bool Log(const std::string& call) {
    std::lock_guard lock(shared_.mutex);
    shared_.calls.push_back(call);
    shared_.changed.notify_all();
    return true;
  }
  Shared& shared_;
};

// Waits until the daemon has heard `count` calls.
std::vector<std::string> CallsAfter(FakeDaemon::Shared& shared, std::size_t count) {
  std::unique_lock lock(shared.mutex);
  shared.changed.wait_for(lock, std::chrono::seconds(5),
                          [&] { return shared.calls.size() >= count; });
  return shared.calls;
}

TEST(SpeechWorker, NewLinesCutOldOnesButNeverAResult) {
  FakeDaemon::Shared shared;
  {
    app::Speech speech(std::make_unique<FakeDaemon>(shared));
    speech.SetLanguage("de");
    speech.Say("Row 1, column 1");
    EXPECT_EQ(CallsAfter(shared, 3),
              (std::vector<std::string>{"language de", "cancel", "say Row 1, column 1"}));
    speech.Say("Pair found", app::Urgency::queued);
    CallsAfter(shared, 4);
    speech.Say("You won!", app::Urgency::result);
    speech.Say("Menu");  // while the result is spoken: after it, cutting nothing
    const std::vector<std::string> calls = CallsAfter(shared, 7);
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 3, calls.end()),
              (std::vector<std::string>{"say Pair found", "cancel", "say You won!", "say Menu"}));
  }
}

// A move of the highlight on a board asks for its place's tick while speech is on, never while
// it is off, so a game without speech sounds as it always did.
TEST(SpeechWorker, TheHighlightsPlaceIsHeardOnlyWithSpeechOn) {
  FakeDaemon::Shared shared;
  app::Narrator narrator([&] { return std::make_unique<FakeDaemon>(shared); });
  auto state = std::make_unique<game::GameState>();
  std::vector<game::SoundRequest> requests;
  state->soundObserver = [&](game::SoundRequest request) { requests.push_back(request); };
  state->scene = game::SCENE_EASY;
  narrator.OnFrame(*state);
  state->boxes[3].hover = true;
  narrator.OnFrame(*state);
  EXPECT_TRUE(requests.empty());
  state->speechOn = true;
  state->boxes[3].hover = false;
  state->boxes[7].hover = true;
  narrator.OnFrame(*state);
  narrator.OnFrame(*state);  // staying put: no second tick
  EXPECT_EQ(requests, std::vector<game::SoundRequest>{game::SoundRequest::playPlace});
  EXPECT_EQ(state->placeTick, 7);
}

TEST(SpeechWorker, AHungOrMissingDaemonNeverHoldsUpTheGame) {
  FakeDaemon::Shared shared;
  shared.hang = true;
  const auto start = std::chrono::steady_clock::now();
  {
    app::Speech speech(std::make_unique<FakeDaemon>(shared));
    for (int i = 0; i < 1000; ++i) speech.Say("Row 1, column " + std::to_string(i));
    speech.Say("You won!", app::Urgency::result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    CallsAfter(shared, 1);  // the worker is in the hung Say (after its cancel)
  }  // the way out interrupts the hung call and joins
  EXPECT_LT(std::chrono::steady_clock::now() - start, app::Speech::kStopGrace * 2);
  EXPECT_GE(shared.interrupts, 1);

  FakeDaemon::Shared refusing;
  refusing.refuse = true;
  testing::internal::CaptureStderr();
  app::Speech speech(std::make_unique<FakeDaemon>(refusing));
  speech.Say("Menu");
  while (!speech.Failed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  speech.Say("Easy");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessary: speech: refused; playing without speech\n");
  EXPECT_TRUE(refusing.calls.empty());
}

}  // namespace
