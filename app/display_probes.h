// Whether there is a display to play on, asked before and just after SDL starts.
#pragma once

namespace app {

// Whether there is a display to talk to: false, after one line on stderr, when neither DISPLAY
// nor WAYLAND_DISPLAY is set, unless SDL_VIDEODRIVER chooses a driver on purpose. Before SDL_Init.
bool HaveDisplay();

// Whether SDL, free to choose, fell back to a driver that shows nothing (offscreen, dummy);
// true after one line on stderr. After SDL_Init.
bool FellBackToInvisibleDriver();

}  // namespace app
