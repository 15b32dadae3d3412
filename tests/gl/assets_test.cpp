// Textures and display lists: what LoadAssets makes from a package, what each list sends down
// the pipeline, and how a broken package ends the load.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "feedback.h"
#include "gl_context.h"
#include "render/render_local.h"
#include "test_package.h"

namespace {

using namespace gl_test;
using render::Assets;

class AssetsTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    glDeleteLists(1, 39);  // every test starts without lists
    state_.running = true;
    staging_->fill(0xAB);
  }
  void TearDown() override {
    for (unsigned& texture : assets_.textures)
      if (texture != 0) glDeleteTextures(1, &texture);
    GLTest::TearDown();
  }
  bool Load(const TestPackage& package) {
    return render::LoadAssets(state_, assets_, *staging_, package.path());
  }
  int TexturesMade() const {
    int made = 0;
    for (unsigned texture : assets_.textures) made += texture != 0;
    return made;
  }

  game::GameState state_;
  std::unique_ptr<storage::StagingPixels> staging_ = std::make_unique<storage::StagingPixels>();
  Assets assets_;
};

bool Close(double a, double b) { return std::fabs(a - b) < 1e-3; }

struct CornerExpectation {
  double x, y, z;
  float s, t;
};

// Each expected corner is sent with its texture coordinate, and nothing else is sent.
void ExpectCorners(const std::vector<FeedbackVertex>& vertices,
                   const std::vector<CornerExpectation>& corners, const std::string& what) {
  for (const FeedbackVertex& v : vertices) {
    bool known = false;
    for (const CornerExpectation& c : corners)
      if (Close(v.x, c.x) && Close(v.y, c.y) && Close(v.z, c.z)) {
        known = true;
        EXPECT_TRUE(Close(v.s, c.s) && Close(v.t, c.t))
            << what << ": corner (" << c.x << ", " << c.y << ", " << c.z << ") has texture ("
            << v.s << ", " << v.t << "), expected (" << c.s << ", " << c.t << ")";
      }
    EXPECT_TRUE(known) << what << ": unexpected vertex (" << v.x << ", " << v.y << ", " << v.z
                       << ")";
  }
  for (const CornerExpectation& c : corners) {
    bool sent = false;
    for (const FeedbackVertex& v : vertices)
      sent = sent || (Close(v.x, c.x) && Close(v.y, c.y) && Close(v.z, c.z));
    EXPECT_TRUE(sent) << what << ": corner (" << c.x << ", " << c.y << ", " << c.z
                      << ") missing";
  }
}

TEST_F(AssetsTest, LoadsEveryPictureAndCompilesEveryListButThirtyFive) {
  TestPackage package;
  ASSERT_TRUE(Load(package));
  EXPECT_TRUE(assets_.loaded);
  EXPECT_TRUE(state_.running);
  EXPECT_EQ(TexturesMade(), storage::kTextureCount);
  for (int k = 0; k < storage::kTextureCount; ++k) {
    EXPECT_EQ(glIsTexture(assets_.textures[k]), GL_TRUE) << k;
    for (int j = 0; j < k; ++j) EXPECT_NE(assets_.textures[j], assets_.textures[k]);
  }
  for (GLuint list = 1; list <= 39; ++list)
    EXPECT_EQ(glIsList(list), list == render::LIST_UNUSED ? GL_FALSE : GL_TRUE) << list;

  // Linear filters both ways, although the mipmaps exist.
  glBindTexture(GL_TEXTURE_2D, assets_.textures[0]);
  GLint minFilter = 0, magFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  EXPECT_EQ(minFilter, GL_LINEAR);
  EXPECT_EQ(magFilter, GL_LINEAR);
}

TEST_F(AssetsTest, ASecondLoadReturnsAtOnceWithoutReadingThePackage) {
  unsigned first[storage::kTextureCount];
  {
    TestPackage package;
    ASSERT_TRUE(Load(package));
    std::copy(std::begin(assets_.textures), std::end(assets_.textures), first);
    // The package is gone now: a real second load would fail.
    ASSERT_TRUE(Load(package));
  }
  EXPECT_TRUE(std::equal(std::begin(first), std::end(first), std::begin(assets_.textures)));
  EXPECT_TRUE(state_.running);
}

TEST_F(AssetsTest, StagingHoldsTheLastPictureBottomRowFirst) {
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
  PackageContents contents;
  contents.pictures[36] = QuadrantPicture(800, 600, red, green, blue, white);  // the largest allowed
  TestPackage package(contents);
  ASSERT_TRUE(Load(package));
  const auto& s = *staging_;
  EXPECT_TRUE(Near({s[0], s[1], s[2]}, blue));  // bottom left comes first
  const std::size_t lastPixel = storage::kStagingBytes - 3;
  EXPECT_TRUE(Near({s[lastPixel], s[lastPixel + 1], s[lastPixel + 2]}, green));
}

TEST_F(AssetsTest, AMissingSecondEntryMakesOneTextureAndStopsTheGame) {
  PackageContents contents;
  contents.omitted = {1};  // "star.jpg"
  TestPackage package(contents);
  EXPECT_FALSE(Load(package));
  EXPECT_FALSE(state_.running);
  EXPECT_FALSE(assets_.loaded);
  EXPECT_EQ(TexturesMade(), 1);
  EXPECT_NE(assets_.textures[0], 0u);
  for (GLuint list = 1; list <= 39; ++list) EXPECT_EQ(glIsList(list), GL_FALSE) << list;
}

TEST_F(AssetsTest, AMissingFirstEntryOrPackageMakesNoTexture) {
  PackageContents contents;
  contents.omitted = {0};
  TestPackage package(contents);
  EXPECT_FALSE(Load(package));
  EXPECT_FALSE(state_.running);
  EXPECT_EQ(TexturesMade(), 0);

  state_.running = true;
  EXPECT_FALSE(render::LoadAssets(state_, assets_, *staging_, "/nonexistent/data/game.px"));
  EXPECT_FALSE(state_.running);
  EXPECT_EQ(TexturesMade(), 0);
}

TEST_F(AssetsTest, APictureLargerThanTheStagingBufferIsRefusedUntouched) {
  PackageContents contents;
  contents.pictures[0] = SolidPicture(801, 600, {200, 10, 10});
  TestPackage package(contents);
  EXPECT_FALSE(Load(package));
  EXPECT_FALSE(state_.running);
  EXPECT_EQ(TexturesMade(), 0);
  EXPECT_TRUE(std::all_of(staging_->begin(), staging_->end(), [](uint8_t b) { return b == 0xAB; }));

  contents.pictures[0] = SolidPicture(600, 801, {200, 10, 10});
  TestPackage tall(contents);
  state_.running = true;
  EXPECT_FALSE(Load(tall));
  EXPECT_FALSE(state_.running);
}

TEST_F(AssetsTest, AnEntryThatIsNotAPictureStopsTheGame) {
  PackageContents contents;
  contents.bytes[5] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 3};
  TestPackage package(contents);
  EXPECT_FALSE(Load(package));
  EXPECT_FALSE(state_.running);
  EXPECT_EQ(TexturesMade(), 5);
}

// The display lists, checked once on a loaded package.
class DisplayListTest : public AssetsTest {
 protected:
  void SetUp() override {
    AssetsTest::SetUp();
    ASSERT_TRUE(Load(package_));
  }
  TestPackage package_;
};

struct QuadList {
  GLuint list;
  int texture;
  double w, h, z;
  float secondS = 1.0f, secondT = 0.0f;
};

const QuadList kQuadLists[] = {
    {1, 0, 4, 3, 1},         {2, 1, 0.2, 0.2, 0},     {3, 2, 2, 0.35, 0, 0.99f, 0.01f},
    {4, 3, 0.5, 0.2, 0},     {5, 4, 0.5, 0.2, 0},     {6, 5, 0.5, 0.2, 0},
    {7, 6, 0.5, 0.2, 0},     {8, 7, 0.5, 0.2, 0},     {9, 8, 0.5, 0.2, 0},
    {10, 9, 0.3, 0.12, 0},   {11, 10, 0.3, 0.12, 0},  {12, 11, 0.8, 0.32, 0},
    {13, 12, 0.8, 0.32, 0},  {14, 13, 0.6, 0.235, 0}, {15, 14, 0.6, 0.235, 0},
    {16, 15, 0.3, 0.07, 0},  {17, 16, 0.3, 0.07, 0},  {18, 17, 0.3, 0.07, 0},
    {19, 18, 0.3, 0.07, 0},  {20, 19, 0.5, 0.14, 0},  {21, 20, 0.5, 0.14, 0},
    {22, 21, 4, 3, 1},       {23, 22, 4, 3, 1},       {24, 23, 4, 3, 1},
    {25, 24, 0.2, 0.2, 0},   {26, 25, 0.2, 0.2, 0},   {27, 26, 0.2, 0.2, 0},
    {28, 27, 0.2, 0.2, 0},   {29, 28, 0.2, 0.2, 0},   {30, 29, 0.2, 0.2, 0},
    {31, 30, 0.2, 0.2, 0},   {32, 31, 0.2, 0.2, 0},   {33, 32, 0.2, 0.2, 0},
    {34, 33, 0.2, 0.2, 0},   {38, 35, 0.39, 0.07, 0}, {39, 36, 0.39, 0.07, 0},
};

TEST_F(DisplayListTest, EveryQuadHasItsSizeTextureAndTextureCoordinates) {
  for (const QuadList& q : kQuadLists) {
    const std::string what = "list " + std::to_string(q.list);
    glBindTexture(GL_TEXTURE_2D, 0);
    const auto vertices = PolygonVertices(CaptureFeedback([&] { glCallList(q.list); }));
    EXPECT_FALSE(vertices.empty()) << what;
    ExpectCorners(vertices,
                  {{-q.w, -q.h, q.z, 0, 0},
                   {q.w, -q.h, q.z, q.secondS, q.secondT},
                   {q.w, q.h, q.z, 1, 1},
                   {-q.w, q.h, q.z, 0, 1}},
                  what);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), assets_.textures[q.texture]) << what;
  }
}

TEST_F(DisplayListTest, TheBoxIsACubeWithEachFaceTexturedAsItsTableSays) {
  const double h = 0.2;
  const auto primitives = CaptureFeedback([] { glCallList(render::LIST_BOX); });
  // Sort the polygons by the face they lie on.
  std::vector<FeedbackVertex> faces[6];  // front, back, top, bottom, right, left
  for (const auto& p : primitives) {
    ASSERT_EQ(p.token, static_cast<GLenum>(GL_POLYGON_TOKEN));
    auto all = [&](auto test) {
      return std::all_of(p.vertices.begin(), p.vertices.end(), test);
    };
    int face = -1;
    if (all([&](auto& v) { return Close(v.z, h); })) face = 0;
    else if (all([&](auto& v) { return Close(v.z, -h); })) face = 1;
    else if (all([&](auto& v) { return Close(v.y, h); })) face = 2;
    else if (all([&](auto& v) { return Close(v.y, -h); })) face = 3;
    else if (all([&](auto& v) { return Close(v.x, h); })) face = 4;
    else if (all([&](auto& v) { return Close(v.x, -h); })) face = 5;
    ASSERT_GE(face, 0) << "a polygon off the cube's faces";
    faces[face].insert(faces[face].end(), p.vertices.begin(), p.vertices.end());
  }
  ExpectCorners(faces[0], {{-h, -h, h, 0, 0}, {h, -h, h, 1, 0}, {h, h, h, 1, 1}, {-h, h, h, 0, 1}},
                "front");
  ExpectCorners(faces[1],
                {{-h, -h, -h, 1, 0}, {-h, h, -h, 1, 1}, {h, h, -h, 0, 1}, {h, -h, -h, 0, 0}},
                "back");
  ExpectCorners(faces[2], {{-h, h, -h, 0, 1}, {-h, h, h, 0, 0}, {h, h, h, 1, 0}, {h, h, -h, 1, 1}},
                "top");
  ExpectCorners(faces[3],
                {{-h, -h, -h, 1, 1}, {h, -h, -h, 0, 1}, {h, -h, h, 0, 0}, {-h, -h, h, 1, 0}},
                "bottom");
  ExpectCorners(faces[4], {{h, -h, -h, 1, 0}, {h, h, -h, 1, 1}, {h, h, h, 0, 1}, {h, -h, h, 0, 0}},
                "right");
  ExpectCorners(faces[5],
                {{-h, -h, -h, 0, 0}, {-h, -h, h, 1, 0}, {-h, h, h, 1, 1}, {-h, h, -h, 0, 1}},
                "left");
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned>(bound), assets_.textures[34]);
}

TEST_F(DisplayListTest, TheOutlineIsAWhiteSixteenPointStripThatBindsNothing) {
  glBindTexture(GL_TEXTURE_2D, assets_.textures[7]);
  glColor3f(0.2f, 0.4f, 0.6f);
  const auto primitives = CaptureFeedback([] { glCallList(render::LIST_BOX_OUTLINE); });
  const double e = 0.22;
  const double expected[16][3] = {
      {+e, +e, -e}, {-e, +e, -e}, {-e, +e, +e}, {+e, +e, +e}, {+e, +e, -e}, {+e, -e, -e},
      {-e, -e, -e}, {-e, +e, -e}, {-e, +e, +e}, {-e, -e, +e}, {-e, -e, -e}, {+e, -e, -e},
      {+e, -e, +e}, {+e, +e, +e}, {+e, -e, +e}, {-e, -e, +e},
  };
  ASSERT_EQ(primitives.size(), 15u);  // one strip: fifteen segments
  for (std::size_t i = 0; i < primitives.size(); ++i) {
    ASSERT_EQ(primitives[i].vertices.size(), 2u);
    EXPECT_TRUE(primitives[i].token == GL_LINE_TOKEN || primitives[i].token == GL_LINE_RESET_TOKEN);
    for (int end = 0; end < 2; ++end) {
      const FeedbackVertex& v = primitives[i].vertices[end];
      const double* p = expected[i + end];
      EXPECT_TRUE(Close(v.x, p[0]) && Close(v.y, p[1]) && Close(v.z, p[2]))
          << "segment " << i << " end " << end;
      EXPECT_TRUE(Close(v.r, 1) && Close(v.g, 1) && Close(v.b, 1)) << "segment " << i;
    }
  }
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned>(bound), assets_.textures[7]);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 1.0f);
  EXPECT_FLOAT_EQ(colour[1], 1.0f);
  EXPECT_FLOAT_EQ(colour[2], 1.0f);
}

TEST_F(DisplayListTest, ListThirtyFiveDrawsNothing) {
  EXPECT_TRUE(CaptureFeedback([] { glCallList(render::LIST_UNUSED); }).empty());
  glCallList(render::LIST_UNUSED);
  const auto frame = ReadFrame();
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(AssetsTest, AFullScreenPictureIsUprightWithItsTrueColours) {
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
  PackageContents contents;
  contents.pictures[0] = QuadrantPicture(64, 48, red, green, blue, white);
  TestPackage package(contents);
  ASSERT_TRUE(Load(package));
  glTranslatef(0.0f, 0.0f, -7.8f);
  glCallList(render::LIST_MENU_BACKGROUND);
  EXPECT_TRUE(Near(PixelAt(200, 450), red));  // top left of the screen
  EXPECT_TRUE(Near(PixelAt(600, 450), green));
  EXPECT_TRUE(Near(PixelAt(200, 150), blue));
  EXPECT_TRUE(Near(PixelAt(600, 150), white));
}

// A labelled picture's label-less twin is loaded when the package has it at the picture's own
// size, and compiled as a list on the same quad; in Chinese and English the labelled pictures
// are drawn all the same.
TEST_F(AssetsTest, LabelLessTwinsAreLoadedBesideTheirPicturesAndLeaveChineseAsItIs) {
  const Rgb twin{40, 200, 90};
  PackageContents contents;
  contents.added["esay_blank.jpg"] = SolidPicture(16, 16, twin);
  contents.added["fps_on_blank.jpg"] = SolidPicture(16, 16, twin);
  contents.added["hard_blank.jpg"] = SolidPicture(32, 16, twin);  // not the picture's size
  contents.added["tlite_blank.jpg"] = SolidPicture(16, 16, twin);  // the title has no label
  TestPackage package(contents);
  ASSERT_TRUE(Load(package));
  EXPECT_TRUE(render::HasBlankTwin(3));
  EXPECT_FALSE(render::HasBlankTwin(2));
  EXPECT_NE(assets_.blankTextures[3], 0u);
  EXPECT_NE(assets_.blankTextures[35], 0u);
  EXPECT_EQ(assets_.blankTextures[7], 0u);
  EXPECT_EQ(assets_.blankTextures[2], 0u);
  EXPECT_TRUE(glIsList(render::kBlankListOffset + render::LIST_EASY));
  EXPECT_TRUE(glIsList(render::kBlankListOffset + render::LIST_FPS_ON));
  EXPECT_FALSE(glIsList(render::kBlankListOffset + render::LIST_HARD));
  EXPECT_FALSE(glIsList(render::kBlankListOffset + render::LIST_EASY_HOVER));

  // The twin's list draws the twin on the button's quad.
  const auto drawn = [](unsigned list) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glCallList(list);
    return PixelAt(400, 300);
  };
  EXPECT_TRUE(Near(drawn(render::kBlankListOffset + render::LIST_EASY), twin));
  EXPECT_TRUE(Near(drawn(render::LIST_EASY), EntryColour(3)));
  render::SetLanguage(game::Language::chinese);
  EXPECT_FALSE(render::WritesOwnLabels());
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -5.0f);
  EXPECT_FALSE(render::CallPictureList(render::LIST_EASY));
  EXPECT_TRUE(Near(PixelAt(400, 300), EntryColour(3)));
  for (unsigned& texture : assets_.blankTextures)
    if (texture != 0) glDeleteTextures(1, &texture);
  glDeleteLists(render::kBlankListOffset, 40);
}

// The sharper pictures go into the very texture names the display lists bind, and back.
TEST_F(AssetsTest, SharperPicturesReplaceThePicturesInTheSameTexturesAndGoBack) {
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
  PackageContents contents;
  contents.pictures[0] = QuadrantPicture(64, 48, red, green, blue, white);
  TestPackage package(contents);
  ASSERT_TRUE(Load(package));
  const std::string sharper = package.path() + "-2x";
  WriteSharperPackage(sharper, package, {{0, QuadrantPicture(128, 96, white, blue, green, red)}});
  const std::vector<unsigned> names(std::begin(assets_.textures), std::end(assets_.textures));
  auto level0 = [](unsigned texture, GLenum what) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    return value;
  };
  auto minification = [](unsigned texture) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    return value;
  };
  const GLint width = level0(names[0], GL_TEXTURE_WIDTH);
  auto texels = [](unsigned texture, GLint level) {
    std::vector<uint8_t> rgb(std::size_t{1} << 20);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  };
  const auto loaded = texels(names[0], 0), loadedSmallest = texels(names[0], 3);
  auto topLeft = [] {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -7.8f);
    glCallList(render::LIST_MENU_BACKGROUND);
    return PixelAt(200, 450);
  };

  for (bool use : {true, true, false}) {
    SCOPED_TRACE(use);
    render::UseHighResolutionPictures(assets_, use, sharper);
    EXPECT_EQ(assets_.highResolution, use);
    EXPECT_TRUE(std::equal(names.begin(), names.end(), assets_.textures));
    EXPECT_EQ(level0(names[0], GL_TEXTURE_WIDTH), use ? 128 : width);
    EXPECT_EQ(level0(names[34], GL_TEXTURE_HEIGHT), use ? 32 : 16);
    EXPECT_EQ(minification(names[34]), use ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    EXPECT_TRUE(Near(topLeft(), use ? white : red));
    for (GLuint list = 1; list <= 39; ++list) EXPECT_EQ(glIsList(list), list != 35) << list;
  }
  // Back exactly as loaded, the smaller levels too.
  EXPECT_TRUE(texels(names[0], 0) == loaded);
  EXPECT_TRUE(texels(names[0], 3) == loadedSmallest);
}

// A sharper package that is missing, drawn from other pictures or of the wrong sizes: one line,
// the pictures stay, and it is not read again in the run.
TEST_F(AssetsTest, AnUnusableSharperPackageIsOneLineAndThePicturesStay) {
  TestPackage package;
  ASSERT_TRUE(Load(package));
  const std::string others = package.path() + "-others", small = package.path() + "-small";
  WriteSharperPackage(others, package, {}, true);
  WriteSharperPackage(small, package, {{3, SolidPicture(16, 16, EntryColour(3))}});
  for (const std::string& sharper : {package.path() + "-missing", others, small}) {
    SCOPED_TRACE(sharper);
    assets_.highResolutionUnusable = false;
    testing::internal::CaptureStderr();
    render::UseHighResolutionPictures(assets_, true, sharper);
    render::UseHighResolutionPictures(assets_, false, sharper);
    render::UseHighResolutionPictures(assets_, true, sharper);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(sharper), std::string::npos) << said;
    EXPECT_FALSE(assets_.highResolution);
    GLint height = 0;
    glBindTexture(GL_TEXTURE_2D, assets_.textures[3]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(height, 16);
  }
}

}  // namespace
