#include "game/picture_fit.h"

#include <cmath>
#include <cstdint>

namespace game {

PixelRect FitPicture(PixelSize drawable) {
  if (drawable.width <= 0 || drawable.height <= 0) return {};
  // Integer arithmetic, so that a drawable of exactly 4:3 is filled without a stray bar.
  int64_t width = drawable.width;
  int64_t height = drawable.height;
  if (width * kPictureHeight < height * kPictureWidth)
    height = width * kPictureHeight / kPictureWidth;
  else
    width = height * kPictureWidth / kPictureHeight;
  return {static_cast<int>((drawable.width - width) / 2),
          static_cast<int>((drawable.height - height) / 2), static_cast<int>(width),
          static_cast<int>(height)};
}

std::optional<PicturePoint> WindowToPicture(int windowX, int windowY, PixelSize window,
                                            PixelSize drawable) {
  if (window.width <= 0 || window.height <= 0) return std::nullopt;
  const PixelRect rect = FitPicture(drawable);
  if (rect.width <= 0 || rect.height <= 0) return std::nullopt;
  // The centre of the pointer's window unit, in drawable pixels, then in picture pixels.
  const double drawableX = (windowX + 0.5) * drawable.width / window.width;
  const double drawableY = (windowY + 0.5) * drawable.height / window.height;
  const double pictureX = (drawableX - rect.x) * kPictureWidth / rect.width;
  const double pictureY = (drawableY - rect.y) * kPictureHeight / rect.height;
  if (pictureX < 0.0 || pictureY < 0.0 || pictureX >= kPictureWidth ||
      pictureY >= kPictureHeight)
    return std::nullopt;
  return PicturePoint{static_cast<int>(std::floor(pictureX)),
                      static_cast<int>(std::floor(pictureY))};
}

}  // namespace game
