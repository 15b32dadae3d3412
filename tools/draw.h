// Drawing helpers over cairo and pango for the generated pictures: a canvas, colours,
// text with fixed font options (the same pixels on every run), glows and soft shapes.
// Used by the generator's picture thread only (pango's font map is not shared across threads).
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// An RGB picture, top row first, 3 bytes a pixel, rows packed; width and height in pixels.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

struct Colour {
  double r = 0, g = 0, b = 0, a = 1;
};

// From 0xRRGGBB and an alpha.
Colour Hex(uint32_t rgb, double alpha = 1.0);
Colour Mix(const Colour& a, const Colour& b, double t);
Colour Scaled(const Colour& c, double factor);  // brightness, alpha kept

// The fonts every picture uses: Latin from DejaVu, Chinese from WenQuanYi Zen Hei.
inline constexpr std::string_view kSansFamily = "DejaVu Sans, WenQuanYi Zen Hei";
inline constexpr std::string_view kSerifFamily = "DejaVu Serif, WenQuanYi Zen Hei";
inline constexpr std::string_view kEmojiFamily = "Noto Color Emoji";

// Pixels per unit of every Canvas made on this thread while it lives: the same artwork drawn at
// a larger size (the high-resolution package). Scopes nest; 1 outside them.
class DrawingScale {
 public:
  explicit DrawingScale(int scale);
  ~DrawingScale();
  DrawingScale(const DrawingScale&) = delete;
  DrawingScale& operator=(const DrawingScale&) = delete;

  // The scale of the canvases made now on this thread.
  static int Current();

 private:
  int previous_;
};

// An ARGB cairo surface with its context; transparent black at start. Its size and everything
// drawn on it are in units; the surface has DrawingScale::Current() pixels a unit.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  cairo_surface_t* surface() const { return surface_; }
  int width() const { return width_; }  // in units
  int height() const { return height_; }
  int scale() const { return scale_; }  // pixels a unit
  int pixelWidth() const { return width_ * scale_; }
  int pixelHeight() const { return height_ * scale_; }

  // Composites the canvas over black: what additive blending will add to the screen.
  Picture ToPicture() const;
  // Blurs the canvas in place (three box passes, about a Gaussian of the given radius in units).
  void Blur(double radius);
  // Fades everything to transparent black over the outermost margin units: under additive
  // blending a picture's border must add nothing, or its rectangle shows.
  void FadeEdges(double margin);
  // Draws another canvas on this one at (x, y) with the given opacity and operator.
  void Paint(const Canvas& other, double x, double y, double opacity = 1.0,
             cairo_operator_t op = CAIRO_OPERATOR_OVER);

 private:
  int width_;
  int height_;
  int scale_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void SetColour(cairo_t* cr, const Colour& c);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);

// A laid-out text, ready to measure and draw. Markup is pango markup.
struct TextStyle {
  std::string_view family = kSansFamily;
  double pixelSize = 20;
  int weight = PANGO_WEIGHT_NORMAL;
  double letterSpacing = 0;  // pixels
  int wrapWidth = -1;        // pixels; -1: no wrapping
  PangoAlignment align = PANGO_ALIGN_LEFT;
  double lineSpacing = 0;    // factor; 0 keeps the font's
};

class TextLayout {
 public:
  TextLayout(cairo_t* cr, std::string_view markup, const TextStyle& style);
  ~TextLayout();
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  double width() const { return inkWidth_; }
  double height() const { return inkHeight_; }
  double logicalWidth() const { return logicalWidth_; }
  double logicalHeight() const { return logicalHeight_; }
  // Adds the text's outline to the current path with its ink box centred on (cx, cy).
  void PathCentred(cairo_t* cr, double cx, double cy) const;
  // Fills the text with its ink box centred on (cx, cy).
  void DrawCentred(cairo_t* cr, double cx, double cy) const;
  // Fills the text with its logical box's top-left corner at (x, y).
  void DrawAt(cairo_t* cr, double x, double y) const;

 private:
  PangoLayout* layout_;
  double inkX_ = 0, inkY_ = 0, inkWidth_ = 0, inkHeight_ = 0;
  double logicalWidth_ = 0, logicalHeight_ = 0;
};

// Text centred on (cx, cy) with a soft glow of the given colour and radius behind it.
void GlowText(Canvas& canvas, std::string_view markup, const TextStyle& style, double cx,
              double cy, const Colour& textColour, const Colour& glowColour, double glowRadius,
              double glowStrength = 1.0);

// A round soft light: colour at the centre fading to nothing at radius.
void SoftDot(cairo_t* cr, double cx, double cy, double radius, const Colour& c);

// A colour emoji centred on (cx, cy), about size pixels tall.
void DrawEmoji(Canvas& canvas, std::string_view emoji, double cx, double cy, double size);

// Deterministic value noise in [0, 1] (for nebulae and textures), smooth, tileable by period.
double FractalNoise(double x, double y, int octaves, uint32_t seed);

// A small fixed pseudo-random sequence (xorshift), the same on every platform.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next();
  double Uniform(double low = 0.0, double high = 1.0);

 private:
  uint32_t state_;
};

}  // namespace tools
