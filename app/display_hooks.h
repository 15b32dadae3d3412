// What the X11 and Wayland connections say about the window's end: a connection that is gone, a
// window destroyed from outside.
#pragma once

namespace app {

// On X11, installs Xlib's I/O error handler (the connection is gone: runs the saving half on the
// thread that found out, one line on stderr, _exit(1)) and its error handler (a protocol error,
// such as a window destroyed from outside, marks the window lost for the event loop). Nothing on
// other drivers. After SDL_Init, UI thread.
void WatchDisplayConnection();

// Whether an X protocol error has said the window is gone. Any thread.
bool WindowLost();

// Whether the Wayland connection has failed (SDL then reports a quit). UI thread.
bool WaylandConnectionLost();

}  // namespace app
