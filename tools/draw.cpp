#include "tools/draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace tools {
namespace {

// One horizontal or vertical box-blur pass over premultiplied ARGB with a window of 2r+1.
void BoxBlurPass(uint32_t* pixels, int width, int height, int strideWords, int r, bool horizontal) {
  const int length = horizontal ? width : height;
  const int lines = horizontal ? height : width;
  std::vector<uint32_t> line(length);
  const int window = 2 * r + 1;
  for (int l = 0; l < lines; ++l) {
    auto at = [&](int i) -> uint32_t& {
      return horizontal ? pixels[l * strideWords + i] : pixels[i * strideWords + l];
    };
    for (int i = 0; i < length; ++i) line[i] = at(i);
    uint32_t sum[4] = {0, 0, 0, 0};
    auto add = [&](int i, int sign) {
      if (i < 0 || i >= length) return;
      const uint32_t p = line[i];
      for (int c = 0; c < 4; ++c) {
        const uint32_t v = (p >> (8 * c)) & 0xFF;
        sum[c] = sign > 0 ? sum[c] + v : sum[c] - v;
      }
    };
    for (int i = -r; i <= r; ++i) add(i, 1);
    for (int i = 0; i < length; ++i) {
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) {
        const uint32_t v = (sum[c] + window / 2) / window;
        out |= std::min<uint32_t>(v, 255) << (8 * c);
      }
      at(i) = out;
      add(i - r, -1);
      add(i + r + 1, 1);
    }
  }
}

cairo_font_options_t* FixedFontOptions() {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  return options;
}

uint32_t LatticeHash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// Gradient (Perlin) noise in about [-0.7, 0.7]: unlike value noise it shows no lattice lines.
double GradientNoise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const double dx = x - fx, dy = y - fy;
  static const std::array<std::pair<double, double>, 256> gradients = [] {
    std::array<std::pair<double, double>, 256> directions{};
    for (size_t i = 0; i < directions.size(); ++i) {
      const double angle = 2 * M_PI * static_cast<double>(i) / 256.0;
      directions[i] = {std::cos(angle), std::sin(angle)};
    }
    return directions;
  }();
  auto corner = [&](int cx, int cy) {
    const auto& [gx, gy] = gradients[LatticeHash(ix + cx, iy + cy, seed) & 0xFF];
    return gx * (dx - cx) + gy * (dy - cy);
  };
  const double u = dx * dx * dx * (dx * (dx * 6 - 15) + 10);
  const double v = dy * dy * dy * (dy * (dy * 6 - 15) + 10);
  const double top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * u;
  const double bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * u;
  return top + (bottom - top) * v;
}

}  // namespace

Colour Hex(uint32_t rgb, double alpha) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Colour Mix(const Colour& a, const Colour& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

Colour Scaled(const Colour& c, double factor) {
  return {c.r * factor, c.g * factor, c.b * factor, c.a};
}

namespace {
thread_local int drawingScale = 1;
}  // namespace

DrawingScale::DrawingScale(int scale) : previous_(drawingScale) { drawingScale = scale; }
DrawingScale::~DrawingScale() { drawingScale = previous_; }
int DrawingScale::Current() { return drawingScale; }

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      scale_(drawingScale),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * scale_, height * scale_)) {
  // Drawing stays in units; cairo and pango place every path and glyph at the finer pixels.
  if (scale_ != 1) cairo_surface_set_device_scale(surface_, scale_, scale_);
  cr_ = cairo_create(surface_);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

Picture Canvas::ToPicture() const {
  cairo_surface_flush(surface_);
  const int width = pixelWidth(), height = pixelHeight();
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.rgb.resize(static_cast<size_t>(width) * height * 3);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    uint8_t* out = &picture.rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      // Premultiplied over black is the colour channels as they stand.
      const uint32_t p = row[x];
      out[3 * x] = static_cast<uint8_t>((p >> 16) & 0xFF);
      out[3 * x + 1] = static_cast<uint8_t>((p >> 8) & 0xFF);
      out[3 * x + 2] = static_cast<uint8_t>(p & 0xFF);
    }
  }
  return picture;
}

void Canvas::Blur(double radius) {
  if (radius < 0.5) return;
  radius *= scale_;
  cairo_surface_flush(surface_);
  auto* pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
  const int strideWords = cairo_image_surface_get_stride(surface_) / 4;
  // Three box passes of width w approximate a Gaussian with sigma^2 = (w^2 - 1) / 4.
  const int r = std::max(1, static_cast<int>(std::lround(radius * 0.58)));
  for (int pass = 0; pass < 3; ++pass) {
    BoxBlurPass(pixels, pixelWidth(), pixelHeight(), strideWords, r, true);
    BoxBlurPass(pixels, pixelWidth(), pixelHeight(), strideWords, r, false);
  }
  cairo_surface_mark_dirty(surface_);
}

void Canvas::FadeEdges(double margin) {
  margin *= scale_;
  const int width = pixelWidth(), height = pixelHeight();
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      const double edge = std::min({x + 0.5, y + 0.5, width - x - 0.5, height - y - 0.5});
      if (edge >= margin) continue;
      double t = std::max(0.0, edge / margin - 0.15) / 0.85;  // the outermost rim is fully black
      t = t * t * (3 - 2 * t);
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) {
        const double v = ((row[x] >> (8 * c)) & 0xFF) * t;
        out |= static_cast<uint32_t>(std::lround(v)) << (8 * c);
      }
      row[x] = out;
    }
  }
  cairo_surface_mark_dirty(surface_);
}

void Canvas::Paint(const Canvas& other, double x, double y, double opacity, cairo_operator_t op) {
  cairo_save(cr_);
  cairo_set_operator(cr_, op);
  cairo_set_source_surface(cr_, other.surface(), x, y);
  cairo_paint_with_alpha(cr_, opacity);
  cairo_restore(cr_);
}

void SetColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
  radius = std::min({radius, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

TextLayout::TextLayout(cairo_t* cr, std::string_view markup, const TextStyle& style)
    : layout_(pango_cairo_create_layout(cr)) {
  PangoContext* context = pango_layout_get_context(layout_);
  cairo_font_options_t* options = FixedFontOptions();
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context, 96);
  pango_layout_context_changed(layout_);

  PangoFontDescription* font = pango_font_description_new();
  const std::string family(style.family);
  pango_font_description_set_family(font, family.c_str());
  pango_font_description_set_absolute_size(font, style.pixelSize * PANGO_SCALE);
  pango_font_description_set_weight(font, static_cast<PangoWeight>(style.weight));
  pango_layout_set_font_description(layout_, font);
  pango_font_description_free(font);
  if (style.letterSpacing != 0) {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_letter_spacing_new(
                                           static_cast<int>(style.letterSpacing * PANGO_SCALE)));
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
  }
  if (style.wrapWidth > 0) {
    pango_layout_set_width(layout_, style.wrapWidth * PANGO_SCALE);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
  }
  if (style.lineSpacing > 0) pango_layout_set_line_spacing(layout_, static_cast<float>(style.lineSpacing));
  pango_layout_set_alignment(layout_, style.align);
  const std::string text(markup);
  pango_layout_set_markup(layout_, text.c_str(), -1);

  PangoRectangle ink, logical;
  pango_layout_get_extents(layout_, &ink, &logical);
  inkX_ = ink.x / double(PANGO_SCALE);
  inkY_ = ink.y / double(PANGO_SCALE);
  inkWidth_ = ink.width / double(PANGO_SCALE);
  inkHeight_ = ink.height / double(PANGO_SCALE);
  logicalWidth_ = logical.width / double(PANGO_SCALE);
  logicalHeight_ = logical.height / double(PANGO_SCALE);
}

TextLayout::~TextLayout() { g_object_unref(layout_); }

void TextLayout::PathCentred(cairo_t* cr, double cx, double cy) const {
  cairo_move_to(cr, cx - inkX_ - inkWidth_ / 2, cy - inkY_ - inkHeight_ / 2);
  pango_cairo_layout_path(cr, layout_);
}

void TextLayout::DrawCentred(cairo_t* cr, double cx, double cy) const {
  cairo_move_to(cr, cx - inkX_ - inkWidth_ / 2, cy - inkY_ - inkHeight_ / 2);
  pango_cairo_show_layout(cr, layout_);
}

void TextLayout::DrawAt(cairo_t* cr, double x, double y) const {
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout_);
}

void GlowText(Canvas& canvas, std::string_view markup, const TextStyle& style, double cx,
              double cy, const Colour& textColour, const Colour& glowColour, double glowRadius,
              double glowStrength) {
  Canvas glow(canvas.width(), canvas.height());
  {
    TextLayout text(glow.cr(), markup, style);
    SetColour(glow.cr(), glowColour);
    text.PathCentred(glow.cr(), cx, cy);
    cairo_fill_preserve(glow.cr());
    cairo_set_line_width(glow.cr(), glowRadius * 0.5);
    cairo_stroke(glow.cr());
  }
  glow.Blur(glowRadius);
  double strength = glowStrength;
  while (strength > 0) {
    canvas.Paint(glow, 0, 0, std::min(strength, 1.0), CAIRO_OPERATOR_ADD);
    strength -= 1.0;
  }
  TextLayout text(canvas.cr(), markup, style);
  SetColour(canvas.cr(), textColour);
  text.DrawCentred(canvas.cr(), cx, cy);
}

void SoftDot(cairo_t* cr, double cx, double cy, double radius, const Colour& c) {
  cairo_pattern_t* pattern = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
  for (int i = 0; i <= 8; ++i) {
    const double t = i / 8.0;
    const double falloff = std::exp(-t * t * 4.5) * (1 - t);
    cairo_pattern_add_color_stop_rgba(pattern, t, c.r, c.g, c.b, c.a * falloff);
  }
  cairo_set_source(cr, pattern);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}

void DrawEmoji(Canvas& canvas, std::string_view emoji, double cx, double cy, double size) {
  TextStyle style;
  style.family = kEmojiFamily;
  style.pixelSize = size;
  TextLayout text(canvas.cr(), emoji, style);
  // Scale so that the ink, not the em box, is size pixels tall or wide.
  const double ink = std::max(text.width(), text.height());
  const double scale = ink > 0 ? size / ink : 1.0;
  cairo_save(canvas.cr());
  cairo_translate(canvas.cr(), cx, cy);
  cairo_scale(canvas.cr(), scale, scale);
  text.DrawCentred(canvas.cr(), 0, 0);
  cairo_restore(canvas.cr());
}

double FractalNoise(double x, double y, int octaves, uint32_t seed) {
  // Each octave turned a little further, so no direction lines up across octaves.
  static const std::array<std::pair<double, double>, 8> turns = [] {
    std::array<std::pair<double, double>, 8> values{};
    for (size_t i = 0; i < values.size(); ++i)
      values[i] = {std::cos(0.7 * static_cast<double>(i)), std::sin(0.7 * static_cast<double>(i))};
    return values;
  }();
  double sum = 0, amplitude = 0.5, total = 0;
  for (int i = 0; i < std::min(octaves, 8); ++i) {
    const auto& [c, s] = turns[static_cast<size_t>(i)];
    const double rx = x * c - y * s;
    const double ry = x * s + y * c;
    sum += amplitude * GradientNoise(rx, ry, seed + static_cast<uint32_t>(i) * 101u);
    total += amplitude;
    amplitude *= 0.5;
    x *= 2.03;
    y *= 2.03;
  }
  return std::clamp(0.5 + 0.75 * sum / total, 0.0, 1.0);
}

uint32_t Random::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

double Random::Uniform(double low, double high) {
  return low + (high - low) * ((Next() >> 8) / double(1u << 24));
}

}  // namespace tools
