// The one record through which every part of the game works, shared by the UI thread, the tick
// thread, TimerThread and SoundThread. Every field two threads touch is a lock-free atomic of the
// width the game gives it (Shared<T>); the three texts are SharedText.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "game/result.h"
#include "game/shared.h"

namespace game {

// Scene codes. 0, 2, 4 and 6 are transitional: the next GameTick does their work and moves on.
enum Scene : int8_t {
  SCENE_MENU_ENTER = 0,
  SCENE_MENU = 1,
  SCENE_EASY_SETUP = 2,
  SCENE_EASY = 3,
  SCENE_NORMAL_SETUP = 4,
  SCENE_NORMAL = 5,
  SCENE_HARD_SETUP = 6,
  SCENE_HARD = 7,
  SCENE_README = 8,
  SCENE_ABOUT = 9,
  SCENE_HIDDEN_PICTURE = 10,
  SCENE_RECORDS = 11,  // the records screen: the best scores and counts of every level
};

// One-shot requests to the sound thread, in the order in which it serves them.
enum class SoundRequest : uint8_t {
  playMenuMusic,
  playButton,
  playGameMusic,
  playBox,
  playError,
  playBingo,
  playLose,
  playWin,
  playAboutMusic,
  stopMenuMusic,
  stopGameMusic,
  stopAboutMusic,
  stopEffects,
  playCard,  // the sound of the card just opened (cardSound), on a deck whose cards sound
  playPlace,  // the tick of the board's box under the highlight (placeTick), speech being on
};
inline constexpr int kSoundRequestCount = 15;

inline constexpr int kBoxCapacity = 80;
inline constexpr int kStarCount = 50;
// The classic faces of the game's package; no level shows more faces than these.
inline constexpr int kClassicPictureCount = 10;
inline constexpr int kMaxPlayers = 4;
inline constexpr int8_t kDraw = -1;  // Players::winner when the most pairs are shared

struct Box {
  Shared<int8_t> face;     // picture number 0..faceCount-1; a pair by game/pairs.h
  Shared<bool> open;       // turned open (meaningful only while present)
  Shared<bool> hover;      // cursor over it: the outline is drawn
  Shared<bool> present;    // still on the board; cleared when its pair is found
  Shared<float> r, g, b;   // colour of the closed box, 0.00..1.00
  Shared<int8_t> side;     // on a board of two-kind cards: 0 the pair's first card, 1 its second
};

struct Star {
  Shared<uint8_t> r, g, b;  // colour 0..255
  Shared<float> x;          // -3.50..3.49
  Shared<float> y;          // -2.70..2.69
  Shared<uint8_t> alpha;    // a multiple of 5 in 0..255
  Shared<bool> fadeIn;      // true while alpha rises
};

// The players of a board. Reset by DealBoard; written on the tick thread, read by the frames and by
// input. With count 1 the board is played alone: its pairs count for player 0, the rest is unused.
struct Players {
  Shared<int8_t> mode{1};   // the board's PlayerMode, whose policy plays it (game/mode.h)
  Shared<int8_t> count{1};  // 1 alone; 2..4 take turns
  Shared<int8_t> clock;     // the board's ClockChoice, read from clockChoice at its deal
  Shared<uint8_t> level;    // the board's Level
  Shared<bool> computer;    // the last player is the computer
  Shared<int8_t> current;   // whose turn it is, 0-based; stored before selectionCount is released
  Shared<int32_t> pairs[kMaxPlayers];
  Shared<int32_t> turns;    // turns begun, the first included; a pair found keeps the turn
  Shared<int32_t> seconds;  // the game's clock, counting up until the last pair
  Shared<bool> finished;    // the last pair is gone: the standings are final
  Shared<int8_t> winner;    // once finished: the player with the most pairs, or kDraw
};

// What the computer knows of the board. Tick thread only; reset by DealBoard.
struct OpponentMemory {
  int8_t face[kBoxCapacity] = {};  // the face remembered at each box; -1 never seen or forgotten
  int8_t side[kBoxCapacity] = {};  // the card's side remembered with its face (two-kind boards)
  bool shown[kBoxCapacity] = {};   // open at the last tick: this showing has been noted
  int wait = -1;                   // ticks until its next pick; -1 before it begins to wait
};

// Wakes threads that sleep until a sound request is raised or `running` clears.
class WakeSignal {
 public:
  // Call after changing what waiters test; no wake-up is lost.
  void NotifyAll() {
    { std::lock_guard lock(mutex_); }
    condition_.notify_all();
  }
  // Blocks until ready() holds; ready() is tested under the signal's lock.
  template <typename Predicate>
  void WaitUntil(Predicate ready) {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, ready);
  }
  // The same, but returns at `deadline` too.
  template <typename Clock, typename Duration, typename Predicate>
  void WaitUntil(std::chrono::time_point<Clock, Duration> deadline, Predicate ready) {
    std::unique_lock lock(mutex_);
    condition_.wait_until(lock, deadline, ready);
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
};

// Lives for the whole run; zero at start except cubeColor (1, 1, 1) and setPictureCount (the
// classic ten).
struct GameState {
  // Flow
  Shared<int8_t> scene;  // DealBoard stores it with release; frames and picks load with acquire
  Shared<bool> running;
  Shared<int8_t> escCount;
  Shared<bool> loadingDone;

  // Level: reset by DealBoard
  Box boxes[kBoxCapacity];
  Shared<int8_t> selectionCount;  // 0, 1, 2 open in the try; 3 once the level is over
  Shared<uint8_t> firstPick;
  Shared<uint8_t> secondPick;
  Shared<int32_t> pairsFound;
  Shared<int32_t> score;
  Shared<int32_t> timeLeft;
  Shared<bool> won;
  Shared<bool> lost;
  Shared<float> messageColor[3];  // r, g, b
  SharedText scoreText;
  SharedText bestText;
  SharedText timeText;

  // Faces: which pictures the boxes hide. The chosen set is set by the app on the UI thread
  // while the menu shows; facePicture is reset by DealBoard and published with the play scene.
  Shared<bool> shuffledFaces;                 // false: the classic faces, face f is picture f
  Shared<int32_t> setPictureCount{kClassicPictureCount};  // pictures ready; 0 while loading
  Shared<int16_t> facePicture[kClassicPictureCount];       // the set's picture of face f
  // A deck whose pairs are two different cards (a word and its picture): setPictureCount counts
  // its pairs, and card `side` of pair p is the set's picture 2 p + side. dividedBoard: the
  // first cards are dealt on the board's first half, the second cards on the other.
  Shared<bool> twoKindCards;
  Shared<bool> dividedBoard;
  // The chosen deck has cards with sounds: opening a card asks for its sound (playCard), and
  // cardSound says which card (a set picture as CardPicture gives it). Set by the app with the
  // faces; cardSound written before each request.
  Shared<bool> cardSounds;
  Shared<int16_t> cardSound{-1};
  // The box (0-based) whose tick playPlace asks for; written before each request.
  Shared<int16_t> placeTick{-1};

  // Playing together: reset by DealBoard
  Players players;
  OpponentMemory opponent;

  // Pause and the game's result: reset by DealBoard
  Shared<bool> paused;        // a board in play waits: no tick changes it, input only resumes
  Shared<int32_t> misses;     // tries that found no pair
  Shared<int8_t> boardProgress;  // a BoardProgress: whether leaving now gives a game up
  Shared<int8_t> recordRank;  // 1..10 once this board's win entered the level's top ten; else 0
  ResultQueue results;        // finished games, taken by the UI thread (game/records.h)

  // Persisted: lives for the whole run, read at start and written at exit
  Shared<int32_t> bestScore[3];  // easy, normal, hard
  // The relaxed clock's best scores, easy, normal, hard: kept in the history only, set by the UI
  // thread from the records it reads and keeps.
  Shared<int32_t> relaxedBest[3];

  // Menu
  Star stars[kStarCount];
  Shared<float> titleAngle;
  Shared<bool> titleSwingUp;
  Shared<bool> hoverReadme, hoverEasy, hoverNormal, hoverHard, hoverOut, hoverAbout, hoverBack;
  Shared<bool> hoverRecords;  // the records button: in the menu, or on a board that is over
  Shared<int8_t> hoverSwitch;  // 7, 8 or 9: the switch under the keyboard's highlight; else 0

  // About
  Shared<float> cubeColor[3]{Shared<float>(1.0f), Shared<float>(1.0f), Shared<float>(1.0f)};
  Shared<float> cubeTargetColor[3];
  Shared<float> cubeAngle[3];  // x, y, z in degrees; never wrapped
  Shared<int32_t> spinDirection;
  Shared<bool> hiddenKey1Pressed, hiddenKey2Pressed;

  // Input: UI thread only
  int32_t mouseX = 0, mouseY = 0;
  uint32_t selectBuffer[4] = {};
  uint32_t& pickedName = selectBuffer[3];  // the fourth word of the selection buffer
  int32_t cursorPos[2] = {};
  int32_t windowRect[4] = {};
  int32_t captionHeight = 0;

  // Settings
  Shared<bool> soundOn, musicOn, vsyncOn;

  // Choices: live for the whole run, read from the newer settings at start (game/choices.h)
  Shared<int8_t> playerMode{1};       // a PlayerMode; one player unless the player chose more
  Shared<int32_t> pictureSet;         // index into the picture sets the app found; 0: classic
  Shared<int32_t> pictureSetCount{1};
  Shared<bool> hoverPictures, hoverPlayers;  // the menu's selectors under the highlight
  // The texts' language, an index into game/language.h's table: the application sets it at
  // start and follows the selector's steps. UI thread only.
  Shared<uint8_t> language;
  Shared<bool> hoverLanguage;
  // Play by ear and at ease: read at start from the settings (and the desktop's own settings),
  // switched in the menu. speechOn: the game speaks (and ticks where the highlight goes on a
  // board); clockChoice: a ClockChoice, the countdown (the original) or the relaxed clock;
  // lessMotion: the title, the stars and the about cubes keep still.
  Shared<bool> speechOn;
  Shared<int8_t> clockChoice;
  Shared<bool> lessMotion;
  Shared<bool> hoverClock;
  // Raised by the ticks (tick thread only) whenever they change what the screen shows: with
  // less motion the UI thread draws only after an event or a change of this count.
  Shared<uint32_t> shownChanges;

  // Sound: one-shot requests, raised with RequestSound, cleared by the sound thread
  Shared<bool> soundRequests[kSoundRequestCount];

  // Threads: ids of the periodic timers, kept by TimerThread
  uint32_t secondTimer = 0, gameTimer = 0, spinTimer = 0;

  // Wakes SoundThread and TimerThread on a sound request and when `running` clears.
  WakeSignal wake;

  // Test hook: when set, RequestSound calls it after raising the flag, on the requesting thread,
  // so a test can see the order of requests. Set it before any thread starts; the game never does.
  std::function<void(SoundRequest)> soundObserver;

  GameState() = default;
  GameState(const GameState&) = delete;
  GameState& operator=(const GameState&) = delete;
};

// Sets the request flag and wakes the sound thread. Any thread.
void RequestSound(GameState& state, SoundRequest request);

// Whether a request is raised and not yet served.
bool IsSoundRequested(const GameState& state, SoundRequest request);

// Clears `running` and wakes every thread that sleeps on it. Any thread.
void StopRunning(GameState& state);

}  // namespace game
