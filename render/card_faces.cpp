// A deck's cards made pictures at upload time: a word drawn big on a plain card, a picture with
// its word in a band, a speaker for a card that sounds. The boards then draw every card as they
// draw a face, from its texture.
#include <algorithm>
#include <cmath>
#include <string>

#include "render/render_local.h"

namespace render {

namespace {

constexpr int kSize = storage::kFacePixels;
constexpr int kMargin = 6;
constexpr int kWordPixels = 60;  // a short word's size; longer ones are made smaller to fit
constexpr int kBandHeight = 30;
constexpr int kSmallestWordPixels = 8;
constexpr uint8_t kPaper[3] = {246, 240, 224};
constexpr uint8_t kInk[3] = {28, 30, 44};

// A card's pixels, top row first while it is drawn; bottom row first once finished.
struct Canvas {
  std::vector<uint8_t> rgb = std::vector<uint8_t>(std::size_t{kSize} * kSize * 3);

  uint8_t* At(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * kSize + x) * 3]; }
  // Mixes colour into (x, y) by coverage 0..1.
  void Blend(int x, int y, const uint8_t colour[3], float coverage) {
    if (x < 0 || y < 0 || x >= kSize || y >= kSize || coverage <= 0.0f) return;
    uint8_t* pixel = At(x, y);
    for (int c = 0; c < 3; ++c)
      pixel[c] = static_cast<uint8_t>(std::lround(
        static_cast<float>(pixel[c]) + static_cast<float>(colour[c] - pixel[c]) * coverage));
  }
  void Fill(int top, int bottom, const uint8_t colour[3], float coverage) {
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < kSize; ++x) Blend(x, y, colour, coverage);
  }
  void FlipRows() {
    for (int y = 0; y < kSize / 2; ++y)
      std::swap_ranges(At(0, y), At(0, y) + kSize * 3, At(0, kSize - 1 - y));
  }
};

bool Lit(const TextBitmap& bitmap, int column, int rowFromTop) {
  if (column < 0 || column >= bitmap.width || rowFromTop < 0 || rowFromTop >= bitmap.height)
    return false;
  const int row = bitmap.height - 1 - rowFromTop;
  const std::size_t byte = static_cast<std::size_t>(row) * (bitmap.rowBits / 8) + column / 8;
  return (static_cast<uint8_t>(bitmap.bits[byte]) >> (7 - column % 8)) & 1;
}

// The word at twice its size, 1 bit, so that a 2 x 2 average gives it smooth edges.
TextBitmap RenderDouble(std::string_view word, int pixels, std::string_view language) {
  FontFace* font = textFont.fontHandle;
  if (font == nullptr) return {};
  return RenderText(*font, word, TextStyle{2 * pixels, true}, language);
}

// Draws word centred in the box (left, top, width, height) at the largest size up to maxPixels
// that fits it.
void DrawWord(Canvas& canvas, std::string_view word, std::string_view language, int left, int top,
              int width, int height, int maxPixels) {
  if (word.empty()) return;
  int pixels = maxPixels;
  TextBitmap bitmap = RenderDouble(word, pixels, language);
  // Straight to the size that should fit, then down while it does not (hinting and strikes do
  // not scale exactly).
  for (int attempt = 0; attempt < 8 && pixels > kSmallestWordPixels &&
                        (bitmap.width > 2 * width || bitmap.height > 2 * height);
       ++attempt) {
    const auto ratio = [](int room, int used) {
      return 2.0f * static_cast<float>(room) / static_cast<float>(std::max(used, 1));
    };
    const float scale = std::min(ratio(width, bitmap.width), ratio(height, bitmap.height));
    pixels = std::max(kSmallestWordPixels,
                      std::min(pixels - 1, static_cast<int>(static_cast<float>(pixels) * scale)));
    bitmap = RenderDouble(word, pixels, language);
  }
  const int drawnWidth = (bitmap.width + 1) / 2, drawnHeight = (bitmap.height + 1) / 2;
  const int x0 = left + (width - drawnWidth) / 2, y0 = top + (height - drawnHeight) / 2;
  for (int y = 0; y < drawnHeight; ++y)
    for (int x = 0; x < drawnWidth; ++x) {
      int lit = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) lit += Lit(bitmap, 2 * x + dx, 2 * y + dy);
      canvas.Blend(x0 + x, y0 + y, kInk, static_cast<float>(lit) / 4.0f);
    }
}

// A loudspeaker (a box, a cone, two waves) in the square at (left, top) of side size, sampled
// 4 x 4 per pixel.
void DrawSpeaker(Canvas& canvas, int left, int top, int size, const uint8_t colour[3]) {
  const float s = static_cast<float>(size);
  const auto inside = [s](float x, float y) {
    const float u = x / s, v = y / s - 0.5f;  // v: from the middle line
    if (u >= 0.08f && u <= 0.28f && std::fabs(v) <= 0.12f) return true;    // the box
    if (u >= 0.28f && u <= 0.52f && std::fabs(v) <= 0.12f + (u - 0.28f) * 1.15f) return true;
    const float r = std::hypot(u - 0.5f, v);
    const bool facing = u > 0.5f && std::fabs(v) < (u - 0.5f) * 1.2f;
    return facing && ((r >= 0.16f && r <= 0.23f) || (r >= 0.31f && r <= 0.38f));
  };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          hits += inside(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                         static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f);
      canvas.Blend(left + x, top + y, colour, static_cast<float>(hits) / 16.0f);
    }
}

// A small speaker on a round paper badge in the top right corner: the card also sounds.
void DrawSoundBadge(Canvas& canvas) {
  constexpr int kBadge = 30;
  const int left = kSize - kBadge - 3, top = 3;
  const float centre = kBadge / 2.0f;
  for (int y = 0; y < kBadge; ++y)
    for (int x = 0; x < kBadge; ++x) {
      const float d = std::hypot(static_cast<float>(x) + 0.5f - centre,
                                 static_cast<float>(y) + 0.5f - centre);
      canvas.Blend(left + x, top + y, kPaper, std::clamp(centre - d, 0.0f, 1.0f));
    }
  DrawSpeaker(canvas, left + 3, top + 3, kBadge - 6, kInk);
}

}  // namespace

bool NeedsComposing(const storage::FaceImage& card) {
  return !card.word.english.empty() || card.rgb.empty() || !card.sound.empty();
}

storage::FaceImage ComposeCard(const storage::FaceImage& card, std::string_view wordCode,
                               std::string_view language) {
  constexpr std::size_t kFaceBytes = std::size_t{kSize} * kSize * 3;
  storage::FaceImage composed = card;
  Canvas canvas;
  const bool picture = card.rgb.size() == kFaceBytes;
  const std::string& word = card.word.In(wordCode);
  if (picture) {
    // The picture's rows are bottom first: turn them over while drawing on top of it.
    for (int y = 0; y < kSize; ++y)
      std::copy_n(&card.rgb[static_cast<std::size_t>(kSize - 1 - y) * kSize * 3], kSize * 3,
                  canvas.At(0, y));
    if (!word.empty()) {
      canvas.Fill(kSize - kBandHeight, kSize, kPaper, 0.85f);
      DrawWord(canvas, word, language, 3, kSize - kBandHeight + 2, kSize - 6, kBandHeight - 4,
               kBandHeight - 8);
    }
  } else {
    canvas.Fill(0, kSize, kPaper, 1.0f);
    if (!word.empty())
      DrawWord(canvas, word, language, kMargin, kMargin, kSize - 2 * kMargin,
               kSize - 2 * kMargin, kWordPixels);
    else if (!card.sound.empty())
      DrawSpeaker(canvas, 14, 14, kSize - 28, kInk);
  }
  if (!card.sound.empty() && (picture || !word.empty())) DrawSoundBadge(canvas);
  canvas.FlipRows();
  composed.rgb = std::move(canvas.rgb);
  return composed;
}

}  // namespace render
