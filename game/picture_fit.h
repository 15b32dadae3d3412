// Where the fixed 800 x 600 picture lies in a window of any size, and which picture pixel a
// pointer is over. Arithmetic only: the window layer measures, this decides.
#pragma once

#include <optional>

namespace game {

// Every scene is drawn at this size and then scaled as a whole, texts included.
inline constexpr int kPictureWidth = 800;
inline constexpr int kPictureHeight = 600;

struct PixelSize {
  int width = 0;
  int height = 0;
};

// A rectangle in drawable pixels, origin at the top left.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct PicturePoint {
  int x = 0;
  int y = 0;
};

// The largest 4:3 rectangle centred in the drawable; the rest are the black bars. Empty for an
// empty drawable.
PixelRect FitPicture(PixelSize drawable);

// The picture pixel under the pointer at (windowX, windowY) in window units. On a HiDPI screen
// the drawable has more pixels than the window has units. None over a bar, outside the window,
// or for an empty window.
std::optional<PicturePoint> WindowToPicture(int windowX, int windowY, PixelSize window,
                                            PixelSize drawable);

}  // namespace game
