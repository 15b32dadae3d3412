// Every input the game takes, in one place: keys, the mouse, game controllers (buttons and the
// left stick) and taps on a touch screen are translated here into the game's actions. The dialog
// only routes SDL's events to InputMap. UI thread.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "game/game_state.h"
#include "game/input.h"
#include "game/navigation.h"
#include "app/announcer.h"
#include "render/render.h"

namespace app {

// What a player can ask for, whatever the device.
enum class Action {
  none,
  up,
  down,
  left,
  right,
  press,          // Space, the controller's A: what a click on the highlight does
  back,           // Escape, the controller's B
  confirm,        // Enter: the hidden picture from the about screen
  hiddenKeyJ,     // J and V mark the hidden-picture keys
  hiddenKeyV,
  easyLevel,      // 1, 2, 3 in the menu
  normalLevel,
  hardLevel,
  fullscreen,     // F11
  pause,          // the controller's Start
  stepPictures,   // in the menu: the left shoulder or X steps the picture set as a click does
  stepPlayers,    // in the menu: the right shoulder or Y steps the players as a click does
  tellStatus,     // T: speech says the time, the score and the pairs left
  readRules,      // R: speech reads the help screen's rules
  other,          // any other key: handed to the game as such
};

// The action of a key; Action::other for a key the game has no use for.
Action ActionOfKey(SDL_Keycode key);
// The action of a controller button; Action::none for one the game has no use for.
Action ActionOfButton(SDL_GameControllerButton button);

// The direction of the left stick at (x, y) (SDL's -32768..32767, y down), the larger axis
// winning; none inside the dead zone.
std::optional<game::Direction> StickDirection(int x, int y);

// A direction held on a controller moves again as a held arrow key does: first after a delay,
// then at a steady rate. Times are SDL ticks in milliseconds.
class HeldDirection {
 public:
  static constexpr uint32_t kFirstRepeat = 400;
  static constexpr uint32_t kRepeatPeriod = 110;

  // A direction pressed (or the stick moved to another); the move itself is the caller's.
  void Press(game::Direction direction, uint32_t now);
  // Released: no more repeats. A release of another direction than the held one is ignored.
  void Release(game::Direction direction);
  void ReleaseAll() { held_.reset(); }
  // Whether a direction is held: repeats come due without events.
  bool Holding() const { return held_.has_value(); }
  // The direction to move again at `now`, if a repeat is due; at most one per call, so a late
  // frame does not burst.
  std::optional<game::Direction> Due(uint32_t now);

 private:
  std::optional<game::Direction> held_;
  uint32_t next_ = 0;  // when the next repeat is due
};

// The pointer at (x, y) in window units as the game's input takes it: the picture pixel under
// it, or a point off the picture (where nothing is picked) over a black bar.
struct Cursor {
  int x = 0;
  int y = 0;
};
Cursor PictureCursor(const render::GameWindow& window, int x, int y);

class InputMap {
 public:
  InputMap(game::GameState& state, render::GameWindow& window) : state_(state), window_(window) {}
  ~InputMap();
  InputMap(const InputMap&) = delete;
  InputMap& operator=(const InputMap&) = delete;

  // Starts SDL's controller support: the built-in mappings, SDL_GAMECONTROLLERCONFIG and the
  // file named by SDL_GAMECONTROLLERCONFIG_FILE (one line on stderr when it cannot be read).
  // Without it the game plays on by keyboard, mouse and touch.
  void StartControllers();

  // Translates one input event and performs its action. Returns true when the event asks to
  // close the game (Alt+F4), which is the caller's to do.
  bool OnEvent(const SDL_Event& event, const game::InputActions& actions);

  // Where the speech keys (T, R) go; none: they do nothing.
  void OnSpeechKey(std::function<void(SpeechRequest)> hook) { speechKey_ = std::move(hook); }

  // Once a turn of the event loop, minimised too: the repeat of a direction held on a
  // controller; controllers unheard while the window is minimised.
  void OnFrame(uint32_t now);
  // Whether OnFrame may act without an event coming: a direction held on a controller.
  bool Repeating() const { return held_.Holding(); }

 private:
  // `repeat` marks a key held down: only the arrows, J, V, Escape and Enter act on a repeat.
  void Perform(Action action, bool repeat, const game::InputActions& actions);
  void OnKey(const SDL_KeyboardEvent& key, const game::InputActions& actions);
  void OnControllerAdded(int deviceIndex);
  void OnControllerRemoved(SDL_JoystickID id);
  void OnStick(const SDL_ControllerAxisEvent& axis);
  void OnTap(const SDL_TouchFingerEvent& finger, const game::InputActions& actions);

  game::GameState& state_;
  render::GameWindow& window_;
  // Lives while the controller subsystem runs: every connected controller, by instance id.
  std::map<SDL_JoystickID, SDL_GameController*> controllers_;
  std::optional<SDL_JoystickID> controllerInUse_;  // the last one that gave input
  bool controllersStarted_ = false;
  bool listening_ = true;  // controller events are taken (not while minimised)
  HeldDirection held_;
  std::function<void(SpeechRequest)> speechKey_;
  std::optional<game::Direction> stick_;  // where the left stick points now
};

}  // namespace app
