// The full-screen pictures (menu, board, help, hidden) and the loading picture, and the
// assembly of the package in table order.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "game/help_page.h"
#include "game/text_id.h"
#include "storage/formats.h"
#include "tools/pictures.h"

namespace tools {
namespace {

// Fills the canvas with a vertical gradient through the given stops (top to bottom).
void VerticalGradient(cairo_t* cr, double height, std::initializer_list<std::pair<double, uint32_t>> stops) {
  cairo_pattern_t* pattern = cairo_pattern_create_linear(0, 0, 0, height);
  for (auto [at, colour] : stops) {
    const Colour c = Hex(colour);
    cairo_pattern_add_color_stop_rgb(pattern, at, c.r, c.g, c.b);
  }
  cairo_set_source(cr, pattern);
  cairo_paint(cr);
  cairo_pattern_destroy(pattern);
}

// Adds a coloured fractal-noise cloud over the canvas, weighted by mask(x, y) in [0, 1].
template <typename Mask>
void Nebula(Canvas& canvas, const Colour& colour, double scale, uint32_t seed, double strength,
            Mask mask) {
  cairo_surface_t* surface = canvas.surface();
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  // The noise is sampled at every pixel in units: a larger canvas shows the same cloud, finer.
  const double unitsPerPixel = 1.0 / canvas.scale();
  for (int y = 0; y < canvas.pixelHeight(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < canvas.pixelWidth(); ++x) {
      const double weight =
          mask(x / double(canvas.pixelWidth()), y / double(canvas.pixelHeight()));
      if (weight <= 0) continue;
      double n = FractalNoise(x * unitsPerPixel / scale, y * unitsPerPixel / scale, 5, seed);
      n = std::clamp((n - 0.42) / 0.4, 0.0, 1.0);
      n = n * n * weight * strength;
      uint32_t p = row[x];
      uint32_t out = p & 0xFF000000u;
      const double channel[3] = {colour.r, colour.g, colour.b};
      for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const double v = ((p >> shift) & 0xFF) + 255.0 * channel[c] * n;
        out |= static_cast<uint32_t>(std::min(255.0, v)) << shift;
      }
      row[x] = out;
    }
  }
  cairo_surface_mark_dirty(surface);
}

// Small fixed stars: a few bright ones with a halo, many faint points.
void StarField(cairo_t* cr, int width, int height, int count, uint32_t seed, double brightness,
               double skipTop = 0, double skipBottom = 1) {
  Random random(seed);
  for (int i = 0; i < count; ++i) {
    const double x = random.Uniform(0, width);
    const double y = random.Uniform(0, height);
    const double level = std::pow(random.Uniform(), 3.0);
    const double hue = random.Uniform();
    if (y < skipTop * height || y > skipBottom * height) continue;
    Colour c = hue < 0.3 ? Hex(0xbcd4ff) : hue < 0.5 ? Hex(0xffe6c8) : Hex(0xffffff);
    c.a = (0.25 + 0.75 * level) * brightness;
    const double radius = 0.6 + 1.6 * level;
    if (level > 0.5) SoftDot(cr, x, y, radius * 4, Scaled(c, 0.5));
    cairo_arc(cr, x, y, radius * 0.7, 0, 2 * M_PI);
    SetColour(cr, c);
    cairo_fill(cr);
  }
}

void Vignette(cairo_t* cr, double width, double height, double strength) {
  cairo_pattern_t* vignette = cairo_pattern_create_radial(width / 2, height / 2, height * 0.3,
                                                          width / 2, height / 2, width * 0.72);
  cairo_pattern_add_color_stop_rgba(vignette, 0, 0, 0, 0, 0);
  cairo_pattern_add_color_stop_rgba(vignette, 1, 0, 0, 0, strength);
  cairo_set_source(cr, vignette);
  cairo_paint(cr);
  cairo_pattern_destroy(vignette);
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

}  // namespace

Picture MakeMenuBackground() {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.cr();
  VerticalGradient(cr, 600, {{0, 0x04060f}, {0.55, 0x0a0d22}, {1, 0x0e0b1e}});
  // Clouds in the corners, clear in the middle column where the buttons stand.
  auto sides = [](double x, double y) {
    const double away = std::clamp((std::abs(x - 0.5) - 0.12) / 0.3, 0.0, 1.0);
    return away * (0.55 + 0.45 * y);
  };
  Nebula(canvas, Hex(0x2a5a9a), 170, 11, 0.22, sides);
  Nebula(canvas, Hex(0x6a2a8a), 120, 23, 0.18, [](double x, double y) {
    return std::clamp((x - 0.45) / 0.5, 0.0, 1.0) * (1 - y * 0.5) +
           std::clamp((0.4 - x) / 0.4, 0.0, 1.0) * y * 0.8;
  });
  StarField(cr, 800, 600, 240, 7, 0.55, 0, 0.7);  // the sky only, not the floor

  // A faint grid floor running to a soft horizon, for depth under the boxes of the game.
  const double horizon = 430, vanishX = 400;
  cairo_save(cr);
  cairo_rectangle(cr, 0, horizon, 800, 600 - horizon);
  cairo_clip(cr);
  cairo_set_line_width(cr, 1.0);
  for (int i = -14; i <= 14; ++i) {
    const double bottomX = vanishX + i * 70.0;
    cairo_pattern_t* fade = cairo_pattern_create_linear(0, horizon, 0, 600);
    cairo_pattern_add_color_stop_rgba(fade, 0, 0.3, 0.6, 1.0, 0.0);
    cairo_pattern_add_color_stop_rgba(fade, 1, 0.3, 0.6, 1.0, 0.14);
    cairo_set_source(cr, fade);
    cairo_move_to(cr, vanishX + i * 8.0, horizon);
    cairo_line_to(cr, bottomX, 600);
    cairo_stroke(cr);
    cairo_pattern_destroy(fade);
  }
  for (int j = 1; j <= 9; ++j) {
    const double depth = j / 9.0;
    const double y = horizon + (600 - horizon) * depth * depth;
    cairo_set_source_rgba(cr, 0.3, 0.6, 1.0, 0.12 * depth);
    cairo_move_to(cr, 0, y);
    cairo_line_to(cr, 800, y);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  cairo_pattern_t* glow = cairo_pattern_create_linear(0, horizon - 40, 0, horizon + 30);
  cairo_pattern_add_color_stop_rgba(glow, 0, 0.25, 0.4, 0.9, 0);
  cairo_pattern_add_color_stop_rgba(glow, 0.6, 0.25, 0.4, 0.9, 0.10);
  cairo_pattern_add_color_stop_rgba(glow, 1, 0.25, 0.4, 0.9, 0);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);
  Vignette(cr, 800, 600, 0.5);
  return canvas.ToPicture();
}

Picture MakeBoardBackground() {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.cr();
  cairo_pattern_t* base = cairo_pattern_create_radial(400, 320, 40, 400, 300, 560);
  cairo_pattern_add_color_stop_rgb(base, 0, 0x14 / 255.0, 0x1c / 255.0, 0x33 / 255.0);
  cairo_pattern_add_color_stop_rgb(base, 1, 0x04 / 255.0, 0x06 / 255.0, 0x0e / 255.0);
  cairo_set_source(cr, base);
  cairo_paint(cr);
  cairo_pattern_destroy(base);
  Nebula(canvas, Hex(0x1e4a6a), 200, 31, 0.10, [](double, double) { return 1.0; });

  // A faint diamond lattice, like the pattern of a card table.
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 0.45, 0.6, 1.0, 0.05);
  for (int i = -20; i <= 40; ++i) {
    cairo_move_to(cr, i * 40.0, 0);
    cairo_line_to(cr, i * 40.0 + 600, 600);
    cairo_move_to(cr, i * 40.0, 0);
    cairo_line_to(cr, i * 40.0 - 600, 600);
  }
  cairo_stroke(cr);
  // The head-up line sits on a slightly darker band.
  cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 0, 70);
  cairo_pattern_add_color_stop_rgba(band, 0, 0, 0, 0, 0.6);
  cairo_pattern_add_color_stop_rgba(band, 1, 0, 0, 0, 0);
  cairo_set_source(cr, band);
  cairo_paint(cr);
  cairo_pattern_destroy(band);
  Vignette(cr, 800, 600, 0.55);
  return canvas.ToPicture();
}

Picture MakeHelpPicture(bool words) {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.cr();
  VerticalGradient(cr, 600, {{0, 0x060a18}, {1, 0x0a0c1c}});
  Nebula(canvas, Hex(0x233a7a), 180, 41, 0.10, [](double, double y) { return 1 - y * 0.6; });

  // Panel for the rules; the bottom of the picture stays clear for the back button.
  RoundedRect(cr, 48, 30, 704, 468, 18);
  cairo_set_source_rgba(cr, 0.09, 0.12, 0.22, 0.85);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.35, 0.5, 0.9, 0.55);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);

  if (words) {
    TextStyle titleStyle;
    titleStyle.pixelSize = 30;
    titleStyle.weight = PANGO_WEIGHT_BOLD;
    const std::string title = "游戏说明 <span size='80%'>" + std::string(game::kHelpTitle) + "</span>";
    GlowText(canvas, title, titleStyle, game::kHelpTitleX, game::kHelpTitleY, Hex(0xffffff),
             Hex(0x4f7cff, 0.9), 8, 1.0);
  }
  TextStyle chineseStyle;
  chineseStyle.pixelSize = 19;
  TextStyle englishStyle;
  englishStyle.pixelSize = 15;
  TextStyle numberStyle;
  numberStyle.pixelSize = 15;
  numberStyle.weight = PANGO_WEIGHT_BOLD;
  double y = game::kHelpRuleTop;
  int number = 1;
  for (const game::HelpRule& rule : game::kHelpRules) {
    const Colour accent = Hex(rule.colour);
    const double dotX = game::kHelpRuleDotX;
    SoftDot(cr, dotX, y + 20, 22, Scaled(accent, 0.35));
    cairo_arc(cr, dotX, y + 20, 13, 0, 2 * M_PI);
    SetColour(cr, Scaled(accent, 0.85));
    cairo_fill(cr);
    {
      TextLayout digit(cr, std::to_string(number++), numberStyle);
      cairo_set_source_rgb(cr, 0.05, 0.07, 0.12);
      digit.DrawCentred(cr, dotX, y + 20);
    }
    if (words) {
      TextLayout chinese(cr, std::string(rule.chinese), chineseStyle);
      cairo_set_source_rgb(cr, 0.96, 0.97, 1.0);
      chinese.DrawAt(cr, game::kHelpRuleTextX, y);
      TextLayout english(cr, Escape(std::string(rule.text)), englishStyle);
      cairo_set_source_rgb(cr, 0.62, 0.7, 0.86);
      english.DrawAt(cr, game::kHelpRuleTextX, y + 25);
    }
    y += game::kHelpRuleStep;
  }

  // The three levels as small cards in the buttons' colours.
  TextStyle levelStyle;
  levelStyle.pixelSize = 17;
  levelStyle.weight = PANGO_WEIGHT_BOLD;
  TextStyle detailStyle;
  detailStyle.pixelSize = 16;
  const double cardW = game::kHelpCardWidth, cardH = game::kHelpCardHeight;
  const double cardY = game::kHelpCardTop;
  for (int k = 0; k < static_cast<int>(game::kHelpLevelCards.size()); ++k) {
    const game::HelpLevelCard& level = game::kHelpLevelCards[static_cast<std::size_t>(k)];
    const double x = game::HelpCardLeft(k);
    const Colour accent = Hex(level.colour);
    RoundedRect(cr, x, cardY, cardW, cardH, 12);
    SetColour(cr, Scaled(accent, 0.14));
    cairo_fill_preserve(cr);
    SetColour(cr, Scaled(accent, 0.7));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    if (!words) continue;
    TextLayout name(cr, std::string(level.chinese) + " " + std::string(level.name), levelStyle);
    SetColour(cr, Mix(accent, Hex(0xffffff), 0.6));
    name.DrawCentred(cr, x + cardW / 2, cardY + game::kHelpCardNameY);
    char detail[64];
    std::snprintf(detail, sizeof detail, "%d × %d   ·   %d 秒 s", level.columns, level.rows,
                  level.seconds);
    TextLayout details(cr, detail, detailStyle);
    cairo_set_source_rgb(cr, 0.9, 0.92, 0.97);
    details.DrawCentred(cr, x + cardW / 2, cardY + game::kHelpCardDetailY);
  }

  // Keys.
  TextStyle keyStyle;
  keyStyle.pixelSize = 15;
  auto keyCap = [&](double cx, double cy) {
    RoundedRect(cr, cx - 22, cy - 13, 44, 26, 6);
    cairo_set_source_rgba(cr, 0.8, 0.85, 1.0, 0.18);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0.8, 0.85, 1.0, 0.6);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    TextLayout esc(cr, "<b>Esc</b>", keyStyle);
    cairo_set_source_rgb(cr, 1, 1, 1);
    esc.DrawCentred(cr, cx, cy);
  };
  const double keyY = game::kHelpKeyY;
  const auto keyText = [&](double capX, std::string_view chinese, std::string_view english) {
    keyCap(capX, keyY);
    if (!words) return;
    TextLayout text(cr, std::string(chinese) + "\n<span size='88%' foreground='#9fb2dc'>" +
                            std::string(english) + "</span>",
                    keyStyle);
    cairo_set_source_rgb(cr, 0.95, 0.96, 1.0);
    text.DrawAt(cr, capX + game::kHelpKeyTextGap, keyY - text.logicalHeight() / 2);
  };
  keyText(game::kHelpBackKeyX, "返回菜单", game::kHelpBackKey);
  keyText(game::kHelpQuitKeyX, "在菜单中连按三次退出游戏", game::kHelpQuitKey);
  return canvas.ToPicture();
}

Picture MakeHiddenPicture() {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.cr();
  VerticalGradient(cr, 600, {{0, 0x02040c}, {0.6, 0x0a0c26}, {0.85, 0x1c1236}, {1, 0x0c0818}});
  // The Milky Way: a diagonal band of cloud and dense small stars.
  Nebula(canvas, Hex(0x4a5aa8), 90, 53, 0.34, [](double x, double y) {
    const double d = std::abs((y - 0.15) - (x * 0.55 - 0.05)) ;
    return std::clamp(1 - d / 0.22, 0.0, 1.0);
  });
  Nebula(canvas, Hex(0x8a3a9a), 140, 59, 0.16, [](double x, double y) {
    const double d = std::abs((y - 0.15) - (x * 0.55 - 0.05));
    return std::clamp(1 - d / 0.3, 0.0, 1.0);
  });
  StarField(cr, 800, 600, 420, 61, 0.8, 0, 0.86);

  // The constellation: the ten faces at the points of a heart, joined by faint lines.
  // The classic heart curve, traced as a trail of faint dots, the faces spaced evenly along it
  // from the dip at the top.
  auto heart = [](double t, double& x, double& y) {
    const double hx = 16 * std::pow(std::sin(t), 3);
    const double hy = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    x = 400 + hx * 10.5;
    y = 80 + (12 - hy) * 10.5;
  };
  constexpr int kSteps = 2000;
  std::vector<double> length(kSteps + 1, 0.0);
  double previousX, previousY;
  heart(0, previousX, previousY);
  for (int i = 1; i <= kSteps; ++i) {
    double x, y;
    heart(2 * M_PI * i / kSteps, x, y);
    length[i] = length[i - 1] + std::hypot(x - previousX, y - previousY);
    if (i % 9 == 0) {
      cairo_arc(cr, x, y, 1.1, 0, 2 * M_PI);
      cairo_set_source_rgba(cr, 0.75, 0.82, 1.0, 0.45);
      cairo_fill(cr);
    }
    previousX = x;
    previousY = y;
  }
  double points[10][2];
  for (int k = 0, i = 0; k < 10; ++k) {
    const double wanted = length[kSteps] * k / 10.0;
    while (length[i] < wanted) ++i;
    heart(2 * M_PI * i / kSteps, points[k][0], points[k][1]);
  }
  for (int i = 0; i < 10; ++i) {
    SoftDot(cr, points[i][0], points[i][1], 34, Hex(0x9fc0ff, 0.5));
    DrawEmoji(canvas, FaceEmoji(i), points[i][0], points[i][1], 38);
  }

  // Hills in silhouette with a faint rim of light.
  cairo_move_to(cr, 0, 600);
  cairo_line_to(cr, 0, 520);
  for (int x = 0; x <= 800; x += 10) {
    const double h = 515 + 22 * std::sin(x / 130.0 + 1.3) + 12 * std::sin(x / 47.0) +
                     6 * std::sin(x / 19.0 + 2);
    cairo_line_to(cr, x, h);
  }
  cairo_line_to(cr, 800, 600);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.01, 0.01, 0.03);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.5, 0.45, 0.9, 0.35);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);

  TextStyle noteStyle;
  noteStyle.pixelSize = 30;
  noteStyle.weight = PANGO_WEIGHT_BOLD;
  GlowText(canvas, "谢谢你玩到这里，你找到了秘密！", noteStyle, 400, 430, Hex(0xfff4e0),
           Hex(0xff9f6a, 0.8), 9, 1.0);
  TextStyle englishStyle;
  englishStyle.family = "DejaVu Serif";
  englishStyle.pixelSize = 21;
  GlowText(canvas, "<i>Thank you for playing — you found the secret sky.</i>", englishStyle, 400,
           470, Hex(0xe8ecff), Hex(0x7f8cff, 0.7), 7, 0.8);
  TextStyle hintStyle;
  hintStyle.pixelSize = 13;
  TextLayout hint(cr, "按 Esc 返回 · Esc to go back", hintStyle);
  cairo_set_source_rgba(cr, 0.6, 0.62, 0.75, 0.8);
  hint.DrawCentred(cr, 400, 560);
  return canvas.ToPicture();
}

Picture MakeLoadingPicture() {
  Canvas canvas(storage::kLoadingWidth, storage::kLoadingHeight);
  cairo_t* cr = canvas.cr();
  const double w = canvas.width(), h = canvas.height();
  VerticalGradient(cr, h, {{0, 0x03050d}, {0.5, 0x080b1d}, {1, 0x020308}});
  Nebula(canvas, Hex(0x2a4a9a), 130, 71, 0.14, [](double, double y) {
    return std::clamp(1 - std::abs(y - 0.38) / 0.35, 0.0, 1.0);
  });
  StarField(cr, static_cast<int>(w), static_cast<int>(h), 140, 73, 0.5, 0, 0.75);

  TextStyle style;
  style.pixelSize = 84;
  style.weight = PANGO_WEIGHT_BOLD;
  style.letterSpacing = 6;
  GlowText(canvas, "Tessary", style, w / 2, 132, Hex(0x000000, 0), Hex(0x3a6cff, 0.9), 18, 1.1);
  GlowText(canvas, "Tessary", style, w / 2, 132, Hex(0xf2f8ff), Hex(0x7fd8ff, 0.6), 4, 0.45);

  // A row of tinted boxes, the colours the game deals.
  const uint32_t tints[] = {0x5fe08a, 0x4fb8ff, 0xb08cff, 0xff7a9a, 0xffc94f};
  for (int i = 0; i < 5; ++i) {
    const double cx = w / 2 + (i - 2) * 62;
    const double cy = 238 + (i % 2 == 0 ? 0 : -8);
    SoftDot(cr, cx, cy, 48, Scaled(Hex(tints[i]), 0.35));
    DrawIsoCube(cr, cx, cy, 46, Hex(tints[i]));
  }
  TextStyle subtitle;
  subtitle.pixelSize = 17;
  TextLayout line(cr, "翻开方块，找出相同的图案 · <span foreground='#9fb2dc'>open the boxes, find the pairs</span>", subtitle);
  cairo_set_source_rgb(cr, 0.92, 0.94, 1.0);
  line.DrawCentred(cr, w / 2, 306);
  return canvas.ToPicture();
}

namespace {

// A button or switch entry of the texture table, with or without its label.
Picture MakeControl(std::string_view name, bool labelled) {
  const std::string_view base = name.substr(0, name.size() - 4);  // without ".jpg"
  if (base.ends_with("_on")) return MakeSwitch(name, true, labelled);
  if (base.ends_with("_off")) return MakeSwitch(name, false, labelled);
  return MakeButton(name, base.ends_with('s'), labelled);  // "esays", "outs"...: the hover look
}

}  // namespace

std::vector<NamedPicture> MakePackagePictures() {
  std::vector<NamedPicture> pictures;
  for (std::string_view name : storage::TextureTable) {
    Picture picture;
    const std::string base(name.substr(0, name.size() - 4));  // without ".jpg"
    if (name == "menu.jpg") picture = MakeMenuBackground();
    else if (name == "star.jpg") picture = MakeStar();
    else if (name == "tlite.jpg") picture = MakeTitle();
    else if (name == "pe.jpg") picture = MakeHiddenPicture();
    else if (name == "readmeshow.jpg") picture = MakeHelpPicture(true);
    else if (name == "game.jpg") picture = MakeBoardBackground();
    else if (name == "box.jpg") picture = MakeBoxSkin();
    else if (base.starts_with("box")) picture = MakeFace(std::stoi(base.substr(3)) - 1);
    else picture = MakeControl(name, true);
    pictures.push_back({std::string(name), std::move(picture)});
  }
  for (std::string_view name : storage::OptionalPictureTable) {
    if (name == "readmeshow_blank.jpg")
      pictures.push_back({std::string(name), MakeHelpPicture(false)});
    else
      pictures.push_back({std::string(name), MakeButton(name, name == "selectors.jpg")});
  }
  for (std::string_view name : storage::BlankPictureSources)
    pictures.push_back({storage::BlankPictureEntry(name), MakeControl(name, false)});
  return pictures;
}

}  // namespace tools
