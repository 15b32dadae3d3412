// How the desktop session can end the game from outside: the close signals, a display server
// that goes away, a window destroyed by someone else, no display at all. Each ends in the same
// saving code as the close button, run once, on whichever thread gets there first. One file per
// job: display_probes (is there a display), exit_save (the run-once save and the process's end),
// session_watcher (the signals, the display socket, the deadlines), display_hooks (X11, Wayland).
#pragma once

#include "app/display_hooks.h"
#include "app/display_probes.h"
#include "app/exit_save.h"
#include "app/session_watcher.h"
