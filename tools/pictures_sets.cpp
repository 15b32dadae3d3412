// The built-in picture sets beside the classic faces: animals, fruit and vehicles drawn like the
// classic faces (a colour emoji on a pastel card), and a high-contrast set of shapes that differ
// by outline alone, for players who tell colours apart poorly.
#include <array>
#include <cmath>
#include <functional>
#include <span>

#include "game/text_id.h"
#include "tools/pictures.h"

namespace tools {
namespace {

// Within a set each silhouette differs from the others; the pastels only help.
constexpr std::array<EmojiFace, 12> kAnimals = {{
    // TRANSLATORS: the built-in picture sets' face names, shown under a face found; at most
    // about 16 characters.
    {"\U0001F436", 0xffe2c0, N_("Dog"), "狗"},  // dog on peach
    {"\U0001F438", 0xdcf2b8, N_("Frog"), "青蛙"},  // frog on lime
    {"\U0001F98A", 0xc6def8, N_("Fox"), "狐狸"},  // fox on sky
    {"\U0001F43C", 0xf8cce4, N_("Panda"), "熊猫"},  // panda on pink
    {"\U0001F418", 0xfff2b0, N_("Elephant"), "大象"},  // elephant on lemon
    {"\U0001F992", 0xbfeeee, N_("Giraffe"), "长颈鹿"},  // giraffe on aqua
    {"\U0001F422", 0xffd0cc, N_("Turtle"), "乌龟"},  // turtle on coral
    {"\U0001F989", 0xd8cdf6, N_("Owl"), "猫头鹰"},  // owl on lavender
    {"\U0001F419", 0xc4f0d2, N_("Octopus"), "章鱼"},  // octopus on mint
    {"\U0001F98B", 0xfff2b0, N_("Butterfly"), "蝴蝶"},  // butterfly on lemon
    {"\U0001F430", 0xcfd4f6, N_("Rabbit"), "兔子"},  // rabbit on periwinkle
    {"\U0001F980", 0xbfeeee, N_("Crab"), "螃蟹"},  // crab on aqua
}};

constexpr std::array<EmojiFace, 12> kFruit = {{
    {"\U0001F34C", 0xc6def8, N_("Banana"), "香蕉"},  // banana on sky
    {"\U0001F353", 0xdcf2b8, N_("Strawberry"), "草莓"},  // strawberry on lime
    {"\U0001F349", 0xfff2b0, N_("Watermelon"), "西瓜"},  // watermelon on lemon
    {"\U0001F34D", 0xf8cce4, N_("Pineapple"), "菠萝"},  // pineapple on pink
    {"\U0001F352", 0xc4f0d2, N_("Cherries"), "樱桃"},  // cherries on mint
    {"\U0001F34B", 0xd8cdf6, N_("Lemon"), "柠檬"},  // lemon on lavender
    {"\U0001F95D", 0xffd0cc, N_("Kiwi"), "猕猴桃"},  // kiwi on coral
    {"\U0001F351", 0xbfeeee, N_("Peach"), "桃子"},  // peach on aqua
    {"\U0001F965", 0xffe2c0, N_("Coconut"), "椰子"},  // coconut on peach
    {"\U0001F350", 0xcfd4f6, N_("Pear"), "梨"},  // pear on periwinkle
    {"\U0001F951", 0xfff2b0, N_("Avocado"), "牛油果"},  // avocado on lemon
    {"\U0001F34A", 0xc6def8, N_("Tangerine"), "橘子"},  // tangerine on sky
}};

constexpr std::array<EmojiFace, 12> kVehicles = {{
    {"\U0001F697", 0xfff2b0, N_("Car"), "汽车"},  // car on lemon
    {"\U0001F6B2", 0xffd0cc, N_("Bicycle"), "自行车"},  // bicycle on coral
    {"\u2708\uFE0F", 0xc4f0d2, N_("Aeroplane"), "飞机"},  // aeroplane on mint
    {"\U0001F682", 0xc6def8, N_("Locomotive"), "火车头"},  // locomotive on sky
    {"\U0001F681", 0xf8cce4, N_("Helicopter"), "直升机"},  // helicopter on pink
    {"\u26F5", 0xffe2c0, N_("Sailing boat"), "帆船"},  // sailing boat on peach
    {"\U0001F69C", 0xd8cdf6, N_("Tractor"), "拖拉机"},  // tractor on lavender
    {"\U0001F692", 0xbfeeee, N_("Fire engine"), "消防车"},  // fire engine on aqua
    {"\U0001F6F5", 0xdcf2b8, N_("Scooter"), "滑板车"},  // scooter on lime
    {"\U0001F68C", 0xcfd4f6, N_("Bus"), "公共汽车"},  // bus on periwinkle
    {"\U0001F6F8", 0xfff2b0, N_("Flying saucer"), "飞碟"},  // flying saucer on lemon
    {"\U0001F6A4", 0xffd0cc, N_("Speedboat"), "快艇"},  // speedboat on coral
}};

std::vector<Picture> EmojiFaces(std::span<const EmojiFace> faces) {
  std::vector<Picture> pictures;
  for (const EmojiFace& face : faces)
    pictures.push_back(MakeEmojiCard(face.emoji, face.background));
  return pictures;
}

// ---- The shapes set ----

// Adds one shape's outline to the path, centred on the origin, about 2 r across.
using ShapePath = std::function<void(cairo_t*, double r)>;

void PolygonPath(cairo_t* cr, double r, std::initializer_list<std::pair<double, double>> points) {
  bool first = true;
  for (auto [x, y] : points) {
    if (first) cairo_move_to(cr, x * r, y * r);
    else cairo_line_to(cr, x * r, y * r);
    first = false;
  }
  cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double r) {
  for (int i = 0; i < 10; ++i) {
    const double angle = -M_PI / 2 + i * M_PI / 5;
    const double radius = (i % 2 == 0 ? 1.15 : 0.47) * r;
    if (i == 0) cairo_move_to(cr, radius * std::cos(angle), radius * std::sin(angle) + 0.08 * r);
    else cairo_line_to(cr, radius * std::cos(angle), radius * std::sin(angle) + 0.08 * r);
  }
  cairo_close_path(cr);
}

void HeartPath(cairo_t* cr, double r) {
  cairo_move_to(cr, 0, 0.95 * r);
  cairo_curve_to(cr, -0.2 * r, 0.75 * r, -1.12 * r, 0.25 * r, -1.02 * r, -0.32 * r);
  cairo_curve_to(cr, -0.92 * r, -0.95 * r, -0.16 * r, -0.98 * r, 0, -0.42 * r);
  cairo_curve_to(cr, 0.16 * r, -0.98 * r, 0.92 * r, -0.95 * r, 1.02 * r, -0.32 * r);
  cairo_curve_to(cr, 1.12 * r, 0.25 * r, 0.2 * r, 0.75 * r, 0, 0.95 * r);
  cairo_close_path(cr);
}

// A disc less a disc of the same size moved to the right: the two arcs meet at x = d / 2.
void CrescentPath(cairo_t* cr, double r) {
  const double radius = 1.05 * r, d = 0.75 * r, shift = -0.2 * r;
  const double h = std::sqrt(radius * radius - d * d / 4);
  cairo_save(cr);
  cairo_rotate(cr, -M_PI / 6);
  cairo_translate(cr, shift, 0);
  cairo_arc(cr, 0, 0, radius, std::atan2(h, d / 2), std::atan2(-h, d / 2) + 2 * M_PI);
  cairo_arc_negative(cr, d, 0, radius, std::atan2(-h, -d / 2), std::atan2(h, -d / 2));
  cairo_close_path(cr);
  cairo_restore(cr);
}

void RingPath(cairo_t* cr, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1.05 * r, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, 0, 0, 0.5 * r, 2 * M_PI, 0);
}

struct ShapeFace {
  const char* what;  // in English, with a capital as the other sets' faces
  const char* chinese;
  ShapePath path;
  uint32_t fill;  // from the Okabe-Ito palette, which colour-blind players can tell apart
};

const std::vector<ShapeFace>& ShapeFaces() {
  static const std::vector<ShapeFace> shapes = {
      {N_("Circle"), "圆形", [](cairo_t* cr, double r) { cairo_arc(cr, 0, 0, r, 0, 2 * M_PI); }, 0xD55E00},
      {N_("Square"), "正方形",
       [](cairo_t* cr, double r) { cairo_rectangle(cr, -0.85 * r, -0.85 * r, 1.7 * r, 1.7 * r); },
       0x0072B2},
      {N_("Triangle"), "三角形",
       [](cairo_t* cr, double r) { PolygonPath(cr, r, {{0, -1.05}, {1.1, 0.9}, {-1.1, 0.9}}); },
       0x009E73},
      {N_("Star"), "星形", StarPath, 0xE69F00},
      {N_("Heart"), "心形", HeartPath, 0xCC79A7},
      {N_("Cross"), "十字",
       [](cairo_t* cr, double r) {
         PolygonPath(cr, r, {{-0.33, -1}, {0.33, -1}, {0.33, -0.33}, {1, -0.33}, {1, 0.33},
                             {0.33, 0.33}, {0.33, 1}, {-0.33, 1}, {-0.33, 0.33}, {-1, 0.33},
                             {-1, -0.33}, {-0.33, -0.33}});
       },
       0x56B4E9},
      {N_("Crescent"), "月牙", CrescentPath, 0xF0E442},
      {N_("Arrow"), "箭头",
       [](cairo_t* cr, double r) {
         PolygonPath(cr, r, {{-1.05, -0.3}, {0.1, -0.3}, {0.1, -0.8}, {1.05, 0}, {0.1, 0.8},
                             {0.1, 0.3}, {-1.05, 0.3}});
       },
       0xD55E00},
      {N_("Ring"), "圆环", RingPath, 0x0072B2},
      {N_("Lightning"), "闪电",
       [](cairo_t* cr, double r) {
         PolygonPath(cr, r, {{0.25, -1.08}, {-0.6, 0.18}, {-0.02, 0.18}, {-0.3, 1.08},
                             {0.62, -0.22}, {0.06, -0.22}, {0.42, -1.08}});
       },
       0x000000},
  };
  return shapes;
}

// A plain light card, the shape filled and outlined thick and dark: the outline alone tells the
// shapes apart, in colour or in grey.
Picture MakeShapeFace(const ShapeFace& shape) {
  const PictureSize size = PackagePictureSize("box1.jpg");
  Canvas canvas(size.width, size.height);
  cairo_t* cr = canvas.cr();
  const double s = size.width;
  SetColour(cr, Hex(0xf4f1e8));
  cairo_paint(cr);
  RoundedRect(cr, s * 0.05, s * 0.05, s * 0.9, s * 0.9, s * 0.1);
  SetColour(cr, Hex(0xb9b4a6));
  cairo_set_line_width(cr, s * 0.016);
  cairo_stroke(cr);

  cairo_save(cr);
  cairo_translate(cr, s / 2, s / 2);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  shape.path(cr, s * 0.34);
  SetColour(cr, Hex(shape.fill));
  cairo_fill_preserve(cr);
  SetColour(cr, Hex(0x1c1c1c));
  cairo_set_line_width(cr, s * 0.04);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_restore(cr);
  return canvas.ToPicture();
}

// A face's name in English and Chinese.
struct FaceName {
  std::string english;
  std::string_view chinese;
};

std::string Manifest(std::string_view name, std::string_view chineseName,
                     const std::vector<FaceName>& faces, std::span<const Catalogue> catalogues) {
  std::string text = "# A Tessary picture set\n";
  text += NameLines("name", name, chineseName, catalogues);
  text += "author = The Tessary developers\n";
  text += "licence = MIT\n";
  for (std::size_t i = 0; i < faces.size(); ++i)
    text +=
        NameLines("face." + std::to_string(i + 1), faces[i].english, faces[i].chinese, catalogues);
  return text;
}

std::vector<FaceName> NamesOf(std::span<const EmojiFace> faces) {
  std::vector<FaceName> names;
  for (const EmojiFace& face : faces) names.push_back({std::string(face.name), face.chinese});
  return names;
}

}  // namespace

std::string NameLines(const std::string& key, std::string_view english, std::string_view chinese,
                      std::span<const Catalogue> catalogues) {
  std::string text = key + " = " + std::string(english) + "\n";
  if (!chinese.empty()) text += key + ".zh = " + std::string(chinese) + "\n";
  for (const Catalogue& catalogue : catalogues) {
    const std::string_view translated = catalogue.Find(english);
    if (!translated.empty())
      text += key + "." + catalogue.code + " = " + std::string(translated) + "\n";
  }
  return text;
}

std::span<const EmojiFace> AnimalFaces() { return kAnimals; }

std::vector<PictureSetArt> MakePictureSets(std::span<const Catalogue> catalogues) {
  std::vector<PictureSetArt> sets;
  // TRANSLATORS: a picture set's name, the pictures selector's value; about 20 Latin letters or
  // 12 Chinese characters.
  sets.push_back({"animals", Manifest(N_("Animals"), "动物", NamesOf(kAnimals), catalogues),
                  EmojiFaces(kAnimals)});
  sets.push_back(
      {"fruit", Manifest(N_("Fruit"), "水果", NamesOf(kFruit), catalogues), EmojiFaces(kFruit)});
  std::vector<Picture> shapes;
  std::vector<FaceName> shapeNames;
  for (const ShapeFace& shape : ShapeFaces()) {
    shapes.push_back(MakeShapeFace(shape));
    shapeNames.push_back({shape.what, shape.chinese});
  }
  sets.push_back(
      {"shapes", Manifest(N_("Shapes"), "形状", shapeNames, catalogues), std::move(shapes)});
  sets.push_back({"vehicles", Manifest(N_("Vehicles"), "交通", NamesOf(kVehicles), catalogues),
                  EmojiFaces(kVehicles)});
  return sets;
}

}  // namespace tools
