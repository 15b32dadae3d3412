/* Preloaded into the real game by the e2e tests (LD_PRELOAD), so the game carries no test code:
 * plays a gamepad and a touch screen from commands that the test appends to the file named by
 * TESSARY_PAD_COMMANDS, one a line, read before each of the game's SDL_PollEvent calls:
 *   attach             plugs in one of SDL's virtual controllers (15 buttons, 6 axes)
 *   button N 1|0       presses or releases its button N (SDL's controller order: 0 A, 1 B, ...)
 *   axis N VALUE       moves its axis N (0 left x, 1 left y) to VALUE in -32768..32767
 *   detach             pulls it out
 *   tap X Y            a finger down and up at the window fraction (X, Y), with the mouse click
 *                      SDL makes of a finger (which = SDL_TOUCH_MOUSEID), as a touch screen does
 * SDL_WaitEvent is wrapped too (waiting in short steps), so commands reach a game that sleeps. */
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int (*PollEventFn)(SDL_Event* event);

static FILE* commands;
static SDL_Joystick* pad;
static int padIndex = -1;

static PollEventFn NextPoll(void) {
  static PollEventFn next;
  if (next == NULL) {
    void* found = dlsym(RTLD_NEXT, "SDL_PollEvent");
    memcpy(&next, &found, sizeof found);
  }
  return next;
}

static void Attach(void) {
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "Tessary test pad";
  padIndex = SDL_JoystickAttachVirtualEx(&desc);
  pad = padIndex >= 0 ? SDL_JoystickOpen(padIndex) : NULL;
  if (pad == NULL) fprintf(stderr, "pad_probe: cannot attach: %s\n", SDL_GetError());
}

static void Detach(void) {
  if (pad == NULL) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
  SDL_JoystickClose(pad);
  pad = NULL;
  /* The index may have moved since the attach: find the device by its instance. */
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

static void Tap(float x, float y) {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  int width = 0, height = 0;
  if (window != NULL) SDL_GetWindowSize(window, &width, &height);
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_FINGERDOWN;
  event.tfinger.timestamp = SDL_GetTicks();
  event.tfinger.touchId = 1;
  event.tfinger.fingerId = 1;
  event.tfinger.x = x;
  event.tfinger.y = y;
  event.tfinger.pressure = 1;
  event.tfinger.windowID = window != NULL ? SDL_GetWindowID(window) : 0;
  SDL_PushEvent(&event);
  SDL_Event mouse;
  SDL_zero(mouse);
  mouse.type = SDL_MOUSEBUTTONDOWN;
  mouse.button.which = SDL_TOUCH_MOUSEID;
  mouse.button.button = SDL_BUTTON_LEFT;
  mouse.button.state = SDL_PRESSED;
  mouse.button.clicks = 1;
  mouse.button.x = (int)(x * (float)width);
  mouse.button.y = (int)(y * (float)height);
  mouse.button.windowID = event.tfinger.windowID;
  SDL_PushEvent(&mouse);
  event.type = SDL_FINGERUP;
  SDL_PushEvent(&event);
  mouse.type = SDL_MOUSEBUTTONUP;
  mouse.button.state = SDL_RELEASED;
  SDL_PushEvent(&mouse);
}

static void RunCommands(void) {
  if (commands == NULL) {
    const char* path = getenv("TESSARY_PAD_COMMANDS");
    if (path == NULL || (commands = fopen(path, "r")) == NULL) return;
  }
  char line[128];
  for (;;) {
    const long start = ftell(commands);
    if (fgets(line, sizeof line, commands) == NULL || strchr(line, '\n') == NULL) {
      /* Nothing more, or a line still being written: read it again next time. */
      clearerr(commands);
      fseek(commands, start, SEEK_SET);
      return;
    }
    int n = 0, value = 0;
    float x = 0, y = 0;
    if (strncmp(line, "attach", 6) == 0) {
      Attach();
    } else if (strncmp(line, "detach", 6) == 0) {
      Detach();
    } else if (sscanf(line, "button %d %d", &n, &value) == 2 && pad != NULL) {
      SDL_JoystickSetVirtualButton(pad, n, (Uint8)value);
    } else if (sscanf(line, "axis %d %d", &n, &value) == 2 && pad != NULL) {
      SDL_JoystickSetVirtualAxis(pad, n, (Sint16)value);
    } else if (sscanf(line, "tap %f %f", &x, &y) == 2) {
      Tap(x, y);
    }
  }
}

int SDL_PollEvent(SDL_Event* event) {
  RunCommands();
  return NextPoll()(event);
}

int SDL_WaitEvent(SDL_Event* event) {
  for (;;) {
    RunCommands();
    if (SDL_WaitEventTimeout(event, 50)) return 1;
  }
}
