// The marker of a text the game translates but does not look up where it is written (a table
// entry, a name): gettext's xgettext finds it by N_; no SDL, no GL.
#pragma once

// Yields text unchanged, at compile time; the lookup happens later, through render::Tr.
#define N_(text) text
