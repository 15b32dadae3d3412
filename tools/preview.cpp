// Previews for people: a labelled contact sheet of the package and mock-ups of the menu, a
// board and the about screen, composed additively at the sizes the game shows them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "tools/image_file.h"
#include "tools/pictures.h"

namespace tools {
namespace {

cairo_surface_t* SurfaceOf(const Picture& picture) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      row[x] = 0xFF000000u | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

// GLU rounds each side to a nearby power of two before building the texture.
int GluPowerOfTwo(int value) {
  int power = 1;
  for (;;) {
    if (value == 1) return power;
    if (value == 3) return power * 4;
    value >>= 1;
    power *= 2;
  }
}

// The texture as GL samples it: rescaled to powers of two, then linearly filtered.
cairo_surface_t* TextureOf(const Picture& picture) {
  cairo_surface_t* source = SurfaceOf(picture);
  const int w = GluPowerOfTwo(picture.width), h = GluPowerOfTwo(picture.height);
  cairo_surface_t* texture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(texture);
  cairo_scale(cr, w / double(picture.width), h / double(picture.height));
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(source);
  return texture;
}

class Screen {
 public:
  explicit Screen(const std::vector<NamedPicture>& pictures) : canvas_(800, 600) {
    for (const NamedPicture& named : pictures) textures_[named.name] = TextureOf(named.picture);
    cairo_set_source_rgb(canvas_.cr(), 0, 0, 0);
    cairo_paint(canvas_.cr());
  }
  ~Screen() {
    for (auto& [name, texture] : textures_) cairo_surface_destroy(texture);
  }

  // Adds a flat quad of half-size hw x hh centred at (x, y, z), its texture tinted.
  void Quad(const std::string& name, double x, double y, double z, double hw, double hh,
            Colour tint = Hex(0xffffff)) {
    const double focal = 300 / std::tan(22.5 * M_PI / 180);
    const double scale = focal / -z;
    // Whole pixels, so that the tint below covers exactly the texture.
    const double left = std::round(400 + (x - hw) * scale), top = std::round(300 - (y + hh) * scale);
    const double width = std::round(2 * hw * scale), height = std::round(2 * hh * scale);
    cairo_surface_t* texture = textures_.at(name);
    const int tw = cairo_image_surface_get_width(texture);
    const int th = cairo_image_surface_get_height(texture);
    Canvas layer(800, 600);
    cairo_t* cr = layer.cr();
    cairo_save(cr);
    cairo_translate(cr, left, top);
    cairo_scale(cr, width / tw, height / th);
    cairo_set_source_surface(cr, texture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_rectangle(cr, 0, 0, tw, th);
    cairo_fill(cr);
    cairo_restore(cr);
    // Modulate by the colour, alpha scaling the light added (GL_SRC_ALPHA, GL_ONE).
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_rgb(cr, tint.r * tint.a, tint.g * tint.a, tint.b * tint.a);
    cairo_rectangle(cr, left, top, width, height);
    cairo_fill(cr);
    canvas_.Paint(layer, 0, 0, 1.0, CAIRO_OPERATOR_ADD);
  }
  void FullScreen(const std::string& name) { Quad(name, 0, 0, -6.8, 4, 3); }
  void Text(const char* text, double x, double y, Colour colour) {
    const double focal = 300 / std::tan(22.5 * M_PI / 180);
    TextStyle style;
    style.family = "WenQuanYi Zen Hei Sharp";
    style.pixelSize = 14;
    TextLayout layout(canvas_.cr(), text, style);
    SetColour(canvas_.cr(), colour);
    layout.DrawAt(canvas_.cr(), 400 + x * focal / 10, 300 - y * focal / 10 - 12);
  }
  Canvas& canvas() { return canvas_; }

 private:
  Canvas canvas_;
  std::map<std::string, cairo_surface_t*> textures_;
};

}  // namespace

bool WriteContactSheet(const std::string& path, const std::vector<NamedPicture>& pictures) {
  const int columns = 6, cellW = 230, cellH = 210, boxW = 210, boxH = 158;
  const int rows = (static_cast<int>(pictures.size()) + columns - 1) / columns;
  Canvas sheet(columns * cellW, rows * cellH);
  cairo_t* cr = sheet.cr();
  cairo_set_source_rgb(cr, 0.12, 0.12, 0.14);
  cairo_paint(cr);
  TextStyle label;
  label.family = "DejaVu Sans";
  label.pixelSize = 13;
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& picture = pictures[i].picture;
    const int index = static_cast<int>(i);
    const double cellX = (index % columns) * cellW, cellY = (index / columns) * cellH;
    const double scale = std::min({boxW / double(picture.width), boxH / double(picture.height), 1.0});
    const double w = picture.width * scale, h = picture.height * scale;
    const double x = cellX + (cellW - w) / 2, y = cellY + 10 + (boxH - h) / 2;
    cairo_surface_t* surface = SurfaceOf(picture);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
    char text[96];
    std::snprintf(text, sizeof text, "%s  %dx%d", pictures[i].name.c_str(), picture.width,
                  picture.height);
    TextLayout caption(cr, text, label);
    cairo_set_source_rgb(cr, 0.85, 0.86, 0.9);
    caption.DrawCentred(cr, cellX + cellW / 2.0, cellY + cellH - 26);
  }
  return WritePng(path, sheet.ToPicture());
}

bool WriteMockups(const std::string& directory, const std::vector<NamedPicture>& pictures,
                  const Picture& loading) {
  bool ok = true;
  {
    Screen screen(pictures);
    screen.FullScreen("menu.jpg");
    Random random(5);
    for (int j = 0; j < 50; ++j) {
      const Colour tint{random.Uniform(0.3, 1), random.Uniform(0.3, 1), random.Uniform(0.3, 1),
                        random.Uniform(0.2, 1)};
      screen.Quad("star.jpg", random.Uniform(-3, 3), random.Uniform(-2.5, 2.5), -6, 0.2, 0.2, tint);
    }
    screen.Quad("tlite.jpg", 0, 1.6, -5, 2, 0.35);
    screen.Quad("readme.jpg", 0, 0.8, -5, 0.3, 0.12);
    screen.Quad("esays.jpg", 0, 0.3, -5, 0.5, 0.2);
    screen.Quad("normal.jpg", 0, -0.2, -5, 0.5, 0.2);
    screen.Quad("hard.jpg", 0, -0.7, -5, 0.5, 0.2);
    screen.Quad("out.jpg", 0, -1.7, -5, 0.8, 0.32);
    screen.Quad("about.jpg", -2, -1.6, -5, 0.6, 0.235);
    screen.Quad("s_on.jpg", 2.3, -1.6, -5, 0.3, 0.07);
    screen.Quad("m_off.jpg", 2.3, -1.8, -5, 0.3, 0.07);
    screen.Quad("fps_on.jpg", 2.22, -1.2, -5, 0.39, 0.07);
    ok = WritePng(directory + "/mockup-menu.png", screen.canvas().ToPicture()) && ok;
  }
  {
    Screen screen(pictures);
    screen.FullScreen("game.jpg");
    screen.Text("历史最高分:", -3.5, 3.6, Hex(0xffffff));
    screen.Text("  812", -2.5, 3.6, Hex(0xffffff));
    screen.Text("剩余时间:", -0.5, 3.6, Hex(0xffffff));
    screen.Text("97", 0.5, 3.6, Hex(0xffffff));
    screen.Text("  230", 3.0, 3.6, Hex(0xffffff));
    Random random(9);
    for (int n = 0; n < 36; ++n) {
      const int row = n / 6, column = n % 6;
      const double x = 1.65 - 0.5 * (column + 1), y = 1.25 - 0.5 * row;
      if (n % 7 == 3) {
        screen.Quad("box" + std::to_string(n % 6 + 1) + ".jpg", x, y, -5, 0.2, 0.2);
      } else if (n % 11 != 5) {
        const Colour tint{random.Uniform(0.2, 1), random.Uniform(0.2, 1), random.Uniform(0.2, 1), 1};
        screen.Quad("box.jpg", x, y, -4.8, 0.2, 0.2, tint);
      }
    }
    screen.Quad("backs.jpg", 2, -1.8, -5, 0.5, 0.14);
    ok = WritePng(directory + "/mockup-board.png", screen.canvas().ToPicture()) && ok;
  }
  {
    Screen screen(pictures);
    for (int i = 0; i < 10; ++i)
      screen.Quad("box" + std::to_string(i + 1) + ".jpg", -2.25 + 0.5 * i, -1.2, -5, 0.2, 0.2);
    for (int i = 0; i < 9; ++i)
      screen.Quad("box.jpg", -0.5 + 0.5 * (i % 3), 0.2 + 0.5 * (i / 3), -6.2, 0.2, 0.2,
                  {0.6, 0.8, 1.0, 0.35});
    screen.Quad("back.jpg", 0, -1.8, -5, 0.5, 0.14);
    ok = WritePng(directory + "/mockup-about.png", screen.canvas().ToPicture()) && ok;
  }
  {
    Screen screen(pictures);
    screen.FullScreen("readmeshow.jpg");
    screen.Quad("back.jpg", 0, -1.8, -5, 0.5, 0.14);
    ok = WritePng(directory + "/mockup-help.png", screen.canvas().ToPicture()) && ok;
  }
  {
    std::vector<NamedPicture> withLogo = {{"loading", loading}};
    Screen screen(withLogo);
    screen.Quad("loading", 0, 0, -5, 2, 1.5);
    screen.Text("数据加载中请稍后......", -0.8, -3.5, Hex(0xffffff));
    ok = WritePng(directory + "/mockup-loading.png", screen.canvas().ToPicture()) && ok;
  }
  return ok;
}

}  // namespace tools
