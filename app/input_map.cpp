#include "app/input_map.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "game/pause.h"

namespace app {

namespace {

// The cursor handed to the game is already a pixel of the 800 x 600 picture: the rectangle
// starts at 0, 0 and there is no caption to subtract.
constexpr int kClientRect[4] = {0, 0, render::kClientWidth, render::kClientHeight};

// About a third of the stick's travel: a stick at rest never drifts the highlight.
constexpr int kStickDeadZone = 12000;

constexpr std::array<std::pair<SDL_Keycode, Action>, 21> kKeys = {{
    {SDLK_UP, Action::up},
    {SDLK_DOWN, Action::down},
    {SDLK_LEFT, Action::left},
    {SDLK_RIGHT, Action::right},
    {SDLK_SPACE, Action::press},
    {SDLK_ESCAPE, Action::back},
    {SDLK_RETURN, Action::confirm},
    {SDLK_KP_ENTER, Action::confirm},
    {SDLK_j, Action::hiddenKeyJ},
    {SDLK_v, Action::hiddenKeyV},
    {SDLK_1, Action::easyLevel},
    {SDLK_KP_1, Action::easyLevel},
    {SDLK_2, Action::normalLevel},
    {SDLK_KP_2, Action::normalLevel},
    {SDLK_3, Action::hardLevel},
    {SDLK_KP_3, Action::hardLevel},
    {SDLK_F11, Action::fullscreen},
    {SDLK_p, Action::pause},
    {SDLK_PAUSE, Action::pause},
    {SDLK_t, Action::tellStatus},
    {SDLK_r, Action::readRules},
}};

constexpr std::array<std::pair<SDL_GameControllerButton, Action>, 11> kButtons = {{
    {SDL_CONTROLLER_BUTTON_DPAD_UP, Action::up},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, Action::down},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, Action::left},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, Action::right},
    {SDL_CONTROLLER_BUTTON_A, Action::press},
    {SDL_CONTROLLER_BUTTON_B, Action::back},
    {SDL_CONTROLLER_BUTTON_START, Action::pause},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, Action::stepPictures},
    {SDL_CONTROLLER_BUTTON_X, Action::stepPictures},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, Action::stepPlayers},
    {SDL_CONTROLLER_BUTTON_Y, Action::stepPlayers},
}};

std::optional<game::Direction> DirectionOf(Action action) {
  switch (action) {
    case Action::up: return game::Direction::up;
    case Action::down: return game::Direction::down;
    case Action::left: return game::Direction::left;
    case Action::right: return game::Direction::right;
    default: return std::nullopt;
  }
}

}  // namespace

Action ActionOfKey(SDL_Keycode key) {
  for (const auto& [code, action] : kKeys)
    if (code == key) return action;
  return Action::other;
}

Action ActionOfButton(SDL_GameControllerButton button) {
  for (const auto& [code, action] : kButtons)
    if (code == button) return action;
  return Action::none;
}

std::optional<game::Direction> StickDirection(int x, int y) {
  if (std::abs(x) < kStickDeadZone && std::abs(y) < kStickDeadZone) return std::nullopt;
  if (std::abs(x) >= std::abs(y)) return x < 0 ? game::Direction::left : game::Direction::right;
  return y < 0 ? game::Direction::up : game::Direction::down;
}

void HeldDirection::Press(game::Direction direction, uint32_t now) {
  held_ = direction;
  next_ = now + kFirstRepeat;
}

void HeldDirection::Release(game::Direction direction) {
  if (held_ == direction) held_.reset();
}

std::optional<game::Direction> HeldDirection::Due(uint32_t now) {
  // SDL's ticks wrap after 49 days: compare by difference.
  if (!held_ || static_cast<int32_t>(now - next_) < 0) return std::nullopt;
  next_ = now + kRepeatPeriod;
  return held_;
}

Cursor PictureCursor(const render::GameWindow& window, int x, int y) {
  if (const auto point = window.PictureAt(x, y)) return {point->x, point->y};
  return {-1, -1};
}

InputMap::~InputMap() {
  for (const auto& [id, controller] : controllers_) SDL_GameControllerClose(controller);
  if (controllersStarted_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void InputMap::StartControllers() {
  // SDL reads SDL_GAMECONTROLLERCONFIG itself and passes over a mapping file it cannot read in
  // silence: the file is added here too, so that a player's typo gets a line.
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "tessary: no game controllers (%s); playing without them\n",
                 SDL_GetError());
    return;
  }
  controllersStarted_ = true;
  const char* file = SDL_getenv("SDL_GAMECONTROLLERCONFIG_FILE");
  if (file != nullptr && file[0] != '\0' && SDL_GameControllerAddMappingsFromFile(file) < 0)
    std::fprintf(stderr, "tessary: cannot read the controller mappings in %s: %s\n", file,
                 SDL_GetError());
  // The controllers already connected arrive as SDL_CONTROLLERDEVICEADDED events.
}

bool InputMap::OnEvent(const SDL_Event& event, const game::InputActions& actions) {
  switch (event.type) {
    case SDL_KEYDOWN:
      if (event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT)) return true;
      // On a paused board any key, button or tap only resumes it.
      if (game::ResumeBoard(state_)) return false;
      OnKey(event.key, actions);
      return false;
    case SDL_MOUSEMOTION: {
      // A finger's own events come as taps; SDL's mouse made from them would click twice.
      if (event.motion.which == SDL_TOUCH_MOUSEID) return false;
      const Cursor cursor = PictureCursor(window_, event.motion.x, event.motion.y);
      game::OnMouseMove(state_, cursor.x, cursor.y, kClientRect, actions);
      return false;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.which == SDL_TOUCH_MOUSEID || game::ResumeBoard(state_) ||
          event.button.button != SDL_BUTTON_LEFT)
        return false;
      {
        const Cursor cursor = PictureCursor(window_, event.button.x, event.button.y);
        game::OnLeftButtonDown(state_, cursor.x, cursor.y, kClientRect, actions);
      }
      return false;
    case SDL_FINGERDOWN:
      if (game::ResumeBoard(state_)) return false;
      OnTap(event.tfinger, actions);
      return false;
    case SDL_CONTROLLERDEVICEADDED:
      OnControllerAdded(event.cdevice.which);
      return false;
    case SDL_CONTROLLERDEVICEREMOVED:
      OnControllerRemoved(event.cdevice.which);
      return false;
    case SDL_CONTROLLERBUTTONDOWN: {
      controllerInUse_ = event.cbutton.which;
      if (game::ResumeBoard(state_)) return false;
      const Action action =
          ActionOfButton(static_cast<SDL_GameControllerButton>(event.cbutton.button));
      if (const auto direction = DirectionOf(action))
        held_.Press(*direction, event.cbutton.timestamp);
      Perform(action, false, actions);
      return false;
    }
    case SDL_CONTROLLERBUTTONUP:
      if (const auto direction = DirectionOf(
              ActionOfButton(static_cast<SDL_GameControllerButton>(event.cbutton.button))))
        held_.Release(*direction);
      return false;
    case SDL_CONTROLLERAXISMOTION:
      OnStick(event.caxis);
      return false;
    default:
      return false;
  }
}

void InputMap::OnFrame(uint32_t now) {
  // With a controller connected SDL_WaitEvent looks for its input every millisecond. A minimised
  // game takes no input, so it stops listening: the wait sleeps until the window comes back, and
  // controllers plugged in or out meanwhile are found then.
  const bool listen = !window_.IsMinimised();
  if (controllersStarted_ && listen != listening_) {
    SDL_JoystickEventState(listen ? SDL_ENABLE : SDL_IGNORE);
    listening_ = listen;
    held_.ReleaseAll();
  }
  if (const auto direction = held_.Due(now)) game::MoveHighlight(state_, *direction);
}

void InputMap::OnKey(const SDL_KeyboardEvent& key, const game::InputActions& actions) {
  Perform(ActionOfKey(key.keysym.sym), key.repeat != 0, actions);
}

void InputMap::Perform(Action action, bool repeat, const game::InputActions& actions) {
  const bool inMenu = state_.scene.load(std::memory_order_acquire) == game::SCENE_MENU;
  if (const auto direction = DirectionOf(action)) {
    game::MoveHighlight(state_, *direction);
    return;
  }
  // The keys the original game knew act on every key-down, auto-repeats included.
  switch (action) {
    case Action::back: game::OnKeyDown(state_, game::Key::Escape, actions); return;
    case Action::confirm: game::OnOK(state_); return;
    case Action::hiddenKeyJ: game::OnKeyDown(state_, game::Key::J, actions); return;
    case Action::hiddenKeyV: game::OnKeyDown(state_, game::Key::V, actions); return;
    case Action::other: game::OnKeyDown(state_, game::Key::Other, actions); return;
    case Action::tellStatus:
    case Action::readRules:
      // To the game still the other keys they always were; to speech a question, once per press.
      game::OnKeyDown(state_, game::Key::Other, actions);
      if (!repeat && speechKey_)
        speechKey_(action == Action::tellStatus ? SpeechRequest::status : SpeechRequest::rules);
      return;
    default: break;
  }
  // A held key presses once, as a held mouse button clicks once.
  if (repeat) return;
  switch (action) {
    case Action::press: game::PressHighlighted(state_, actions); break;
    case Action::easyLevel: game::StartLevelByNumber(state_, 1, actions); break;
    case Action::normalLevel: game::StartLevelByNumber(state_, 2, actions); break;
    case Action::hardLevel: game::StartLevelByNumber(state_, 3, actions); break;
    case Action::fullscreen: window_.ToggleFullscreen(); break;
    case Action::pause: game::PauseBoard(state_); break;
    case Action::stepPictures:
      if (inMenu) game::ClickMenuItem(state_, game::MenuName::pictures, actions);
      break;
    case Action::stepPlayers:
      if (inMenu) game::ClickMenuItem(state_, game::MenuName::players, actions);
      break;

    default: break;
  }
}

void InputMap::OnControllerAdded(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (controller == nullptr) {
    std::fprintf(stderr, "tessary: cannot open a game controller: %s\n", SDL_GetError());
    return;
  }
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  // Opened twice (an event for a controller already open): SDL counts the opens.
  if (!controllers_.emplace(id, controller).second) SDL_GameControllerClose(controller);
}

void InputMap::OnControllerRemoved(SDL_JoystickID id) {
  const auto found = controllers_.find(id);
  if (found == controllers_.end()) return;
  SDL_GameControllerClose(found->second);
  controllers_.erase(found);
  if (controllerInUse_ != id) return;
  controllerInUse_.reset();
  held_.ReleaseAll();
  stick_.reset();
  // The player lost the controller mid-game: the board waits for them.
  game::PauseBoard(state_);
}

void InputMap::OnStick(const SDL_ControllerAxisEvent& axis) {
  if (axis.axis != SDL_CONTROLLER_AXIS_LEFTX && axis.axis != SDL_CONTROLLER_AXIS_LEFTY) return;
  const auto found = controllers_.find(axis.which);
  if (found == controllers_.end()) return;
  const std::optional<game::Direction> direction = StickDirection(
      SDL_GameControllerGetAxis(found->second, SDL_CONTROLLER_AXIS_LEFTX),
      SDL_GameControllerGetAxis(found->second, SDL_CONTROLLER_AXIS_LEFTY));
  if (direction == stick_) return;  // still inside the same direction: the repeat carries on
  if (stick_) held_.Release(*stick_);
  stick_ = direction;
  if (!direction) return;
  controllerInUse_ = axis.which;
  held_.Press(*direction, axis.timestamp);
  game::MoveHighlight(state_, *direction);
}

void InputMap::OnTap(const SDL_TouchFingerEvent& finger, const game::InputActions& actions) {
  // The finger's place comes as a fraction of the window; the mouse's fit to the picture then
  // finds the picture pixel, or a black bar where nothing is hit.
  SDL_Window* window = SDL_GetWindowFromID(finger.windowID);
  if (window == nullptr) window = SDL_GL_GetCurrentWindow();
  if (window == nullptr) return;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window, &width, &height);
  const Cursor cursor = PictureCursor(window_, static_cast<int>(finger.x * static_cast<float>(width)),
                                      static_cast<int>(finger.y * static_cast<float>(height)));
  game::OnLeftButtonDown(state_, cursor.x, cursor.y, kClientRect, actions);
}

}  // namespace app
