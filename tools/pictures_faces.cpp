// The ten face pictures, the closed box's skin, the isometric cube motif and the window icon.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/pictures.h"

namespace tools {
namespace {

struct FaceLook {
  std::string_view emoji;
  uint32_t background;  // a light pastel: the card must look solid under additive blending
};

// Ten silhouettes that differ in shape as well as colour, each on its own pastel hue.
constexpr std::array<FaceLook, 10> kFaces = {{
    {"\U0001F34E", 0xc4f0d2},  // apple on mint
    {"\u2B50", 0xffd0cc},      // star on coral
    {"\U0001F41F", 0xffe2c0},  // fish on peach
    {"\U0001F338", 0xdcf2b8},  // blossom on lime
    {"\U0001F431", 0xbfeeee},  // cat on aqua
    {"\U0001F340", 0xf8cce4},  // clover on pink
    {"\U0001F319", 0xd8cdf6},  // moon on lavender
    {"\U0001F347", 0xfff2b0},  // grapes on lemon
    {"\U0001F427", 0xc6def8},  // penguin on sky
    {"\U0001F680", 0xcfd4f6},  // rocket on periwinkle
}};

}  // namespace

std::string_view FaceEmoji(int face) { return kFaces[static_cast<size_t>(face)].emoji; }

Picture MakeFace(int face) {
  const FaceLook& look = kFaces[static_cast<size_t>(face)];
  return MakeEmojiCard(look.emoji, look.background);
}

Picture MakeEmojiCard(std::string_view emoji, uint32_t background) {
  const FaceLook look{emoji, background};
  const PictureSize size = PackagePictureSize("box1.jpg");
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double s = size.width;
  const Colour base = Hex(look.background);

  // Card: the pastel, lighter in the middle, a little deeper at the rim.
  cairo_pattern_t* card = cairo_pattern_create_radial(s * 0.45, s * 0.4, s * 0.05, s / 2, s / 2,
                                                      s * 0.75);
  const Colour centre = Mix(base, Hex(0xffffff), 0.45);
  const Colour rim = Scaled(base, 0.86);
  cairo_pattern_add_color_stop_rgb(card, 0, centre.r, centre.g, centre.b);
  cairo_pattern_add_color_stop_rgb(card, 1, rim.r, rim.g, rim.b);
  cairo_set_source(cr, card);
  cairo_paint(cr);
  cairo_pattern_destroy(card);
  // A fine white inner frame makes it read as a turned card.
  RoundedRect(cr, s * 0.05, s * 0.05, s * 0.9, s * 0.9, s * 0.1);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.75);
  cairo_set_line_width(cr, s * 0.022);
  cairo_stroke(cr);

  // A soft shadow under the picture, then the picture itself.
  {
    Canvas shadow(size.width, size.height);
    DrawEmoji(shadow, look.emoji, s / 2 + s * 0.02, s / 2 + s * 0.04, s * 0.70);
    cairo_set_operator(shadow.cr(), CAIRO_OPERATOR_IN);
    cairo_set_source_rgba(shadow.cr(), 0.1, 0.1, 0.2, 0.45);
    cairo_paint(shadow.cr());
    shadow.Blur(s * 0.03);
    canvas.Paint(shadow, 0, 0);
  }
  DrawEmoji(canvas, look.emoji, s / 2, s / 2, s * 0.70);
  return canvas.ToPicture();
}

Picture MakeBoxSkin() {
  const PictureSize size = PackagePictureSize("box.jpg");
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double s = size.width;
  const double bevel = s * 0.085;

  // Face: near white in the middle to a soft grey at the rim, so a tint stays luminous.
  cairo_pattern_t* face = cairo_pattern_create_radial(s * 0.4, s * 0.35, 0, s / 2, s / 2, s * 0.72);
  cairo_pattern_add_color_stop_rgb(face, 0, 1.0, 1.0, 1.0);
  cairo_pattern_add_color_stop_rgb(face, 0.6, 0.88, 0.89, 0.91);
  cairo_pattern_add_color_stop_rgb(face, 1, 0.74, 0.76, 0.79);
  cairo_set_source(cr, face);
  cairo_paint(cr);
  cairo_pattern_destroy(face);

  // Bevel: light from the top left.
  auto band = [&](double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                  double y3, double grey) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_line_to(cr, x3, y3);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, grey, grey, grey, 0.85);
    cairo_fill(cr);
  };
  band(0, 0, s, 0, s - bevel, bevel, bevel, bevel, 1.0);          // top
  band(0, 0, bevel, bevel, bevel, s - bevel, 0, s, 0.95);          // left
  band(s, 0, s, s, s - bevel, s - bevel, s - bevel, bevel, 0.62);  // right
  band(0, s, bevel, s - bevel, s - bevel, s - bevel, s, s, 0.55);  // bottom
  cairo_set_line_width(cr, s * 0.012);
  cairo_set_source_rgba(cr, 0.5, 0.52, 0.56, 0.8);
  cairo_rectangle(cr, bevel, bevel, s - 2 * bevel, s - 2 * bevel);
  cairo_stroke(cr);

  // An embossed diamond in the middle: a hint that something waits inside.
  auto diamond = [&](double offset, double grey, double alpha) {
    const double c = s / 2 + offset, r = s * 0.2;
    cairo_move_to(cr, c, c - r);
    cairo_line_to(cr, c + r * 0.78, c);
    cairo_line_to(cr, c, c + r);
    cairo_line_to(cr, c - r * 0.78, c);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, grey, grey, grey, alpha);
    cairo_set_line_width(cr, s * 0.022);
    cairo_stroke(cr);
  };
  diamond(s * 0.012, 0.45, 0.55);
  diamond(-s * 0.008, 1.0, 0.9);
  SoftDot(cr, s / 2, s / 2, s * 0.11, Hex(0xffffff, 0.9));
  return canvas.ToPicture();
}

void DrawIsoCube(cairo_t* cr, double cx, double cy, double size, const Colour& tint) {
  const double r = size / 2;
  const double dx = r * std::cos(M_PI / 6), dy = r * 0.5;
  // light above 1 lifts the face towards white (the lit top), below 1 darkens it.
  auto face = [&](std::initializer_list<std::pair<double, double>> points, double light) {
    bool first = true;
    for (auto [x, y] : points) {
      if (first) cairo_move_to(cr, cx + x, cy + y);
      else cairo_line_to(cr, cx + x, cy + y);
      first = false;
    }
    cairo_close_path(cr);
    const Colour c = light > 1 ? Mix(tint, Hex(0xffffff), light - 1) : Scaled(tint, light);
    cairo_set_source_rgba(cr, std::min(1.0, c.r), std::min(1.0, c.g), std::min(1.0, c.b), tint.a);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, std::min(1.0, tint.r * 0.5 + 0.5), std::min(1.0, tint.g * 0.5 + 0.5),
                          std::min(1.0, tint.b * 0.5 + 0.5), tint.a * 0.9);
    cairo_set_line_width(cr, std::max(0.8, size * 0.02));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
  };
  face({{0, -r}, {dx, -r + dy}, {0, -r + 2 * dy}, {-dx, -r + dy}}, 1.25);      // top
  face({{-dx, -r + dy}, {0, -r + 2 * dy}, {0, r}, {-dx, r - dy}}, 0.72);       // left
  face({{dx, -r + dy}, {0, -r + 2 * dy}, {0, r}, {dx, r - dy}}, 0.48);         // right
  // A small embossed diamond on the top face, as on the box skin.
  const double ty = -r + dy;
  cairo_move_to(cr, cx, cy + ty - dy * 0.35);
  cairo_line_to(cr, cx + dx * 0.35, cy + ty);
  cairo_line_to(cr, cx, cy + ty + dy * 0.35);
  cairo_line_to(cr, cx - dx * 0.35, cy + ty);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.55 * tint.a);
  cairo_fill(cr);
}

void DrawIcon(Canvas& canvas) {
  cairo_t* cr = canvas.cr();
  const double s = canvas.width();
  SoftDot(cr, s / 2, s / 2, s * 0.5, Hex(0x7fb4ff, 0.55));
  DrawIsoCube(cr, s / 2, s / 2 + s * 0.02, s * 0.82, Hex(0x59c7ff));
}

}  // namespace tools
