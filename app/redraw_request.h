// With less motion the UI thread sleeps in SDL's event wait between frames: a thread that changes
// what the screen shows wakes it with one SDL event, never more than one waiting at a time.
#pragma once

#include <SDL.h>

namespace app {

// Registers the redraw event. UI thread, after SDL_Init, before any thread requests a redraw;
// false (said on stderr) when SDL has no event left: requests are then dropped and the UI
// thread's wait times out instead.
bool StartRedrawRequests();

// Wakes the UI thread's event wait unless a wake-up is already waiting. Any thread.
void RequestRedraw();

// Whether event is the redraw event; taking it lets the next request wake the UI thread again.
// UI thread.
bool TakeRedrawEvent(const SDL_Event& event);

}  // namespace app
