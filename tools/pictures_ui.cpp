// The menu's pieces drawn on black: star, title, buttons, switches, back button.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "game/menu_looks.h"
#include "game/text_id.h"
#include "tools/pictures.h"

namespace tools {
namespace {

struct ButtonLook {
  std::string_view chinese;
  std::string_view english;
  uint32_t accent;
};

// The label and accent of a button's entry (its accent from game/menu_looks.h).
ButtonLook LookOf(std::string_view entryName) {
  using game::AccentOf;
  using game::MenuName;
  static const std::map<std::string_view, ButtonLook> looks = {
      {"readme", {"帮助", N_("Help"), AccentOf(MenuName::help)}},
      {"esay", {"简单", N_("Easy"), AccentOf(MenuName::easy)}},
      {"normal", {"普通", N_("Normal"), AccentOf(MenuName::normal)}},
      {"hard", {"困难", N_("Hard"), AccentOf(MenuName::hard)}},
      {"out", {"退出", N_("Exit"), AccentOf(MenuName::exit)}},
      {"about", {"关于", N_("About"), AccentOf(MenuName::about)}},
      // TRANSLATORS: the back button, drawn into its picture under the Chinese: at most about
      // 12 characters.
      {"back", {"返回", N_("Back"), game::kBackAccent}},
      // The game writes a selector's label and value over it: no label of its own.
      {"selector", {"", "", AccentOf(MenuName::pictures)}},
  };
  for (const auto& [prefix, look] : looks)
    if (entryName.starts_with(prefix)) return look;
  return {"?", "?", 0xffffff};
}

}  // namespace

PictureSize PackagePictureSize(std::string_view name) {
  // Quads are half-width x half-height; pictures keep that ratio at about twice the size they
  // take on screen (the minifying filter is plain linear, so larger pictures would shimmer).
  if (name == "menu.jpg" || name == "pe.jpg" || name.starts_with("readmeshow") || name == "game.jpg")
    return {800, 600};
  if (name == "star.jpg") return {128, 128};
  if (name == "tlite.jpg") return {800, 140};  // 2 x 0.35
  if (name == "readme.jpg" || name == "readmes.jpg") return {160, 64};  // 0.3 x 0.12
  if (name == "out.jpg" || name == "outs.jpg") return {400, 160};       // 0.8 x 0.32
  if (name == "about.jpg" || name == "abouts.jpg") return {340, 133};   // 0.6 x 0.235
  if (name == "back.jpg" || name == "backs.jpg") return {320, 90};      // 0.5 x 0.14
  if (name.starts_with("selector")) return {336, 96};                   // 0.6 x 0.17
  if (name.starts_with("s_") || name.starts_with("m_")) return {180, 42};  // 0.3 x 0.07
  if (name.starts_with("fps_")) return {178, 32};                          // 0.39 x 0.07
  if (name.starts_with("box")) return {128, 128};
  return {320, 128};  // level buttons, 0.5 x 0.2
}

Picture MakeStar() {
  const PictureSize size = PackagePictureSize("star.jpg");
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double c = size.width / 2.0;
  // A wide faint halo, a tight bright core and four thin rays; all fade out before the edge so
  // the quad's square never shows.
  SoftDot(cr, c, c, c * 0.98, Hex(0xb8c4d8, 0.55));
  SoftDot(cr, c, c, c * 0.42, Hex(0xffffff, 0.9));
  SoftDot(cr, c, c, c * 0.16, Hex(0xffffff, 1.0));
  for (int ray = 0; ray < 4; ++ray) {
    cairo_save(cr);
    cairo_translate(cr, c, c);
    cairo_rotate(cr, ray * M_PI / 2 + M_PI / 4 * 0);
    cairo_pattern_t* fade = cairo_pattern_create_linear(0, 0, c * 0.92, 0);
    cairo_pattern_add_color_stop_rgba(fade, 0, 1, 1, 1, 0.85);
    cairo_pattern_add_color_stop_rgba(fade, 0.5, 0.85, 0.9, 1, 0.25);
    cairo_pattern_add_color_stop_rgba(fade, 1, 0.8, 0.85, 1, 0);
    cairo_set_source(cr, fade);
    cairo_move_to(cr, 0, -2.2);
    cairo_line_to(cr, c * 0.92, 0);
    cairo_line_to(cr, 0, 2.2);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(fade);
    cairo_restore(cr);
  }
  canvas.FadeEdges(size.width * 0.06);
  return canvas.ToPicture();
}

Picture MakeTitle() {
  const PictureSize size = PackagePictureSize("tlite.jpg");
  Canvas canvas(size.width, size.height);
  TextStyle style;
  style.pixelSize = size.height * 0.78;
  style.weight = PANGO_WEIGHT_BOLD;
  style.letterSpacing = size.height * 0.06;
  const double cx = size.width / 2.0, cy = size.height / 2.0;

  // Wide coloured glow, then a tighter white one, then the letters with a cool gradient.
  GlowText(canvas, "Tessary", style, cx, cy, Hex(0x000000, 0), Hex(0x3a6cff, 0.9), 20, 1.1);
  GlowText(canvas, "Tessary", style, cx, cy, Hex(0x000000, 0), Hex(0x7fd8ff, 0.6), 5, 0.45);
  TextLayout text(canvas.cr(), "Tessary", style);
  cairo_pattern_t* fill = cairo_pattern_create_linear(0, cy - text.height() / 2, 0,
                                                      cy + text.height() / 2);
  cairo_pattern_add_color_stop_rgb(fill, 0.0, 1.0, 1.0, 1.0);
  cairo_pattern_add_color_stop_rgb(fill, 0.55, 0.80, 0.95, 1.0);
  cairo_pattern_add_color_stop_rgb(fill, 1.0, 0.55, 0.70, 1.0);
  cairo_set_source(canvas.cr(), fill);
  text.PathCentred(canvas.cr(), cx, cy);
  cairo_fill(canvas.cr());
  cairo_pattern_destroy(fill);
  canvas.FadeEdges(size.height * 0.08);
  return canvas.ToPicture();
}

Picture MakeButton(std::string_view entryName, bool hover, bool labelled) {
  const PictureSize size = PackagePictureSize(entryName);
  const ButtonLook look = LookOf(entryName);
  const Colour accent = Hex(look.accent);
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double w = size.width, h = size.height;
  const bool backButton = entryName.starts_with("back");
  const game::ButtonFrame frame = game::ButtonFrameOf(w, h, backButton);
  const double inset = frame.inset, insetX = frame.insetX;
  const double radius = (h - 2 * inset) * 0.32;
  const double line = std::max(1.5, h * 0.035);

  // Outer glow: faint when resting, strong under the cursor.
  {
    Canvas glow(size.width, size.height);
    RoundedRect(glow.cr(), insetX, inset, w - 2 * insetX, h - 2 * inset, radius);
    SetColour(glow.cr(), Scaled(accent, hover ? 0.9 : 0.35));
    cairo_set_line_width(glow.cr(), line * 3);
    cairo_stroke(glow.cr());
    glow.Blur(inset * 0.8);
    canvas.Paint(glow, 0, 0, 1.0, CAIRO_OPERATOR_ADD);
  }
  // Body: a dark glassy gradient, lighter at the top.
  RoundedRect(cr, insetX, inset, w - 2 * insetX, h - 2 * inset, radius);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, inset, 0, h - inset);
  const Colour top = Scaled(accent, hover ? 0.42 : 0.26);
  const Colour bottom = Scaled(accent, hover ? 0.15 : 0.07);
  cairo_pattern_add_color_stop_rgb(body, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(body, 0.5, Mix(top, bottom, 0.6).r, Mix(top, bottom, 0.6).g,
                                   Mix(top, bottom, 0.6).b);
  cairo_pattern_add_color_stop_rgb(body, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, body);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(body);
  // Rim: the accent, whiter under the cursor.
  SetColour(cr, hover ? Mix(accent, Hex(0xffffff), 0.55) : Scaled(accent, 0.75));
  cairo_set_line_width(cr, line);
  cairo_stroke(cr);
  // A thin highlight along the top edge.
  cairo_save(cr);
  RoundedRect(cr, insetX + line * 2, inset + line * 1.5, w - 2 * insetX - line * 4,
              (h - 2 * inset) * 0.42, radius * 0.8);
  cairo_pattern_t* shine = cairo_pattern_create_linear(0, inset, 0, inset + (h - 2 * inset) * 0.45);
  cairo_pattern_add_color_stop_rgba(shine, 0, 1, 1, 1, hover ? 0.22 : 0.10);
  cairo_pattern_add_color_stop_rgba(shine, 1, 1, 1, 1, 0);
  cairo_set_source(cr, shine);
  cairo_fill(cr);
  cairo_pattern_destroy(shine);
  cairo_restore(cr);

  if (look.chinese.empty() || !labelled) {
    canvas.FadeEdges(inset * 0.8);
    return canvas.ToPicture();
  }
  // Label: Chinese first, then English, on one line.
  TextStyle style;
  const game::LabelPlace place = game::ButtonLabelPlace(w, h, backButton);
  style.pixelSize = place.pixelSize;
  style.weight = PANGO_WEIGHT_BOLD;
  char markup[256];
  std::snprintf(markup, sizeof markup, "%.*s<span size='82%%'> %.*s</span>",
                static_cast<int>(look.chinese.size()), look.chinese.data(),
                static_cast<int>(look.english.size()), look.english.data());
  {
    TextLayout probe(cr, markup, style);
    if (probe.width() > place.width) style.pixelSize *= place.width / probe.width();
  }
  const Colour text = hover ? Hex(0xffffff) : Mix(accent, Hex(0xffffff), game::kLabelWhiteness);
  // The glow stays below the text's own brightness so the label stays sharp.
  GlowText(canvas, markup, style, w / 2, h / 2, text,
           Scaled(accent, hover ? game::kLabelGlowLit : game::kLabelGlowResting),
           h * (hover ? 0.08 : 0.06), hover ? 0.8 : 0.6);
  canvas.FadeEdges(inset * 0.8);
  return canvas.ToPicture();
}

Picture MakeSwitch(std::string_view entryName, bool on, bool labelled) {
  const PictureSize size = PackagePictureSize(entryName);
  std::string_view chinese = "音效", english = "Sound";
  if (entryName.starts_with("m_")) chinese = "音乐", english = "Music";
  if (entryName.starts_with("fps_")) chinese = "垂直同步", english = "VSync";
  const Colour lit = Hex(game::kSwitchOnColour);
  const Colour dim = Hex(game::kSwitchOffColour);
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double w = size.width, h = size.height;
  const game::SwitchPill pill = game::SwitchPillOf(w, h);
  const double inset = pill.inset;

  // Frame: a thin rounded outline, green and glowing when on, grey when off.
  RoundedRect(cr, inset, inset, w - 2 * inset, h - 2 * inset, (h - 2 * inset) / 2);
  SetColour(cr, on ? Scaled(lit, 0.12) : Scaled(dim, 0.06));
  cairo_fill_preserve(cr);
  SetColour(cr, on ? Scaled(lit, 0.7) : Scaled(dim, 0.45));
  cairo_set_line_width(cr, std::max(1.2, h * 0.05));
  cairo_stroke(cr);

  // A toggle at the right, as on a phone: lit green with the knob right when on, a dim
  // outline with the knob left when off. At twenty pixels on screen it reads better than words.
  const double pillH = pill.height, pillW = pill.width, pillX = pill.x, pillY = pill.y;
  RoundedRect(cr, pillX, pillY, pillW, pillH, pillH / 2);
  if (on) {
    SetColour(cr, Scaled(lit, 0.8));
    cairo_fill(cr);
  } else {
    SetColour(cr, Scaled(dim, 0.16));
    cairo_fill_preserve(cr);
    SetColour(cr, Scaled(dim, 0.6));
    cairo_set_line_width(cr, std::max(1.0, h * 0.045));
    cairo_stroke(cr);
  }
  const double knobR = pillH * 0.38;
  const double knobX = on ? pillX + pillW - pillH / 2 : pillX + pillH / 2;
  cairo_arc(cr, knobX, h / 2, knobR, 0, 2 * M_PI);
  SetColour(cr, on ? Hex(0xffffff) : Scaled(dim, 0.75));
  cairo_fill(cr);

  if (!labelled) {
    canvas.FadeEdges(inset * 0.8);
    return canvas.ToPicture();
  }
  // Label: fills the room left of the pill.
  TextStyle style;
  const game::LabelPlace place = game::SwitchLabelPlace(w, h);
  style.pixelSize = place.pixelSize;
  style.weight = PANGO_WEIGHT_BOLD;
  char markup[256];
  std::snprintf(markup, sizeof markup, "%.*s <span font_family='DejaVu Sans Condensed'>%.*s</span>",
                static_cast<int>(chinese.size()), chinese.data(),
                static_cast<int>(english.size()), english.data());
  const double labelLeft = place.left, room = place.width;
  {
    TextLayout probe(cr, markup, style);
    if (probe.width() > room) style.pixelSize *= room / probe.width();
  }
  TextLayout label(cr, markup, style);
  const Colour text =
      on ? Hex(0xffffff) : Scaled(Hex(game::kSwitchOffLabel), game::kSwitchOffLabelBrightness);
  if (on) {
    GlowText(canvas, markup, style, labelLeft + label.width() / 2, h / 2, text,
             Scaled(lit, 0.5), h * 0.12, 0.8);
  } else {
    SetColour(cr, text);
    label.DrawCentred(cr, labelLeft + label.width() / 2, h / 2);
  }
  canvas.FadeEdges(inset * 0.8);
  return canvas.ToPicture();
}

}  // namespace tools
