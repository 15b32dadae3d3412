// The desktop's own wish for less motion: GNOME's (and its kin's) `enable-animations` setting.
#pragma once

#include <optional>

namespace app {

// True when the desktop turned its animations off, false when on; nothing where it has no such
// setting (no GSettings schema, another desktop). UI thread, at start.
std::optional<bool> DesktopWantsLessMotion();

}  // namespace app
