// Scenes and picking: what each scene puts on the screen, and which name PickAt finds under
// the cursor, on every board, the menu and the screens with a back button.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <memory>

#include "game/level.h"
#include "game/menu.h"
#include "game/scenes.h"
#include "gl_context.h"
#include "render/render_local.h"
#include "test_package.h"

namespace {

using namespace gl_test;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// Dark backgrounds, white box skin and star, so that what lies on them shows its own colour.
PackageContents ScenePackage() {
  PackageContents contents;
  for (int k : {0, 21, 22, 23}) contents.pictures[k] = SolidPicture(16, 16, kBlack);
  contents.pictures[1] = SolidPicture(16, 16, kWhite);   // star
  contents.pictures[34] = SolidPicture(16, 16, kWhite);  // box skin
  return contents;
}

Rgb FaceColour(int face) { return EntryColour(24 + face); }

class SceneTest : public GLTest {
 protected:
  static void SetUpTestSuite() {
    package_ = std::make_unique<TestPackage>(ScenePackage());
    staging_ = std::make_unique<storage::StagingPixels>();
    assets_ = std::make_unique<render::Assets>();
    game::GameState state;
    ASSERT_TRUE(render::LoadAssets(state, *assets_, *staging_, package_->path()));
    render::CreateTextFont();
  }
  static void TearDownTestSuite() {
    for (unsigned& texture : assets_->textures) glDeleteTextures(1, &texture);
    assets_.reset();
    staging_.reset();
    package_.reset();
  }
  void SetUp() override {
    GLTest::SetUp();
    ASSERT_TRUE(assets_ && assets_->loaded);
  }

  void SetScene(game::Scene scene) { state_.scene.store(scene, std::memory_order_release); }

  // Picks at window pixel (x, y), y from the bottom.
  uint32_t PickAtWindow(double x, double y) {
    state_.mouseX = static_cast<int32_t>(std::lround(x));
    state_.mouseY = kHeight - static_cast<int32_t>(std::lround(y));
    render::PickAt(state_);
    return state_.pickedName;
  }
  uint32_t PickAtPoint(double x, double y, double z) {
    const WindowPoint p = Project(x, y, z);
    return PickAtWindow(p.x, p.y);
  }
  Rgb PixelAtPoint(double x, double y, double z) {
    const WindowPoint p = Project(x, y, z);
    return PixelAt(static_cast<int>(p.x), static_cast<int>(p.y));
  }

  // A dealt board: every box present and closed, in a colour of its own.
  void DealClosedBoard(const game::LevelParams& level) {
    for (int i = 0; i < level.boxCount; ++i) {
      game::Box& box = state_.boxes[i];
      box.face = static_cast<int8_t>(i % level.faceCount);
      box.present = true;
      box.open = false;
      box.hover = false;
      box.r = 0.5f;
      box.g = 0.25f;
      box.b = 1.0f;
    }
  }

  game::GameState state_;
  static std::unique_ptr<TestPackage> package_;
  static std::unique_ptr<storage::StagingPixels> staging_;
  static std::unique_ptr<render::Assets> assets_;
};

std::unique_ptr<TestPackage> SceneTest::package_;
std::unique_ptr<storage::StagingPixels> SceneTest::staging_;
std::unique_ptr<render::Assets> SceneTest::assets_;

struct Board {
  game::Level level;
  double startX, startY, z;
  double backX;
  uint32_t backName;
};

const Board kBoards[] = {
    {game::Level::easy, 1.65, 1.25, -5, 2.0, 37},
    {game::Level::normal, 2.0, 1.65, -6, 2.3, 65},
    {game::Level::hard, 2.7, 1.85, -6, 2.3, 81},
};

void PrintTo(const Board& board, std::ostream* out) {
  *out << "board of level " << static_cast<int>(board.level);
}

struct BoxCentre {
  double x, y, z;
};

BoxCentre CentreOf(const Board& board, int name) {
  const int columns = game::ParamsOf(board.level).columns;
  const int row = (name - 1) / columns;
  const int column = (name - 1) % columns;
  return {board.startX - 0.5 * (column + 1), board.startY - 0.5 * row, board.z};
}

class BoardTest : public SceneTest, public ::testing::WithParamInterface<Board> {};

TEST_P(BoardTest, EveryBoxIsPickedByItsNameFromTheTopRightAndTheBackButtonAfterThem) {
  const Board& board = GetParam();
  const game::LevelParams& level = game::ParamsOf(board.level);
  DealClosedBoard(level);
  SetScene(static_cast<game::Scene>(level.playScene));

  // Name 1 is the top-right box, the last name the bottom-left one.
  const BoxCentre first = CentreOf(board, 1);
  const BoxCentre last = CentreOf(board, level.boxCount);
  for (int name = 2; name <= level.boxCount; ++name) {
    EXPECT_LT(CentreOf(board, name).x, first.x + 1e-9);
    EXPECT_LT(CentreOf(board, name).y, first.y + 1e-9);
    EXPECT_GT(CentreOf(board, name).x, last.x - 1e-9);
    EXPECT_GT(CentreOf(board, name).y, last.y - 1e-9);
  }
  for (int name = 1; name <= level.boxCount; ++name) {
    const BoxCentre c = CentreOf(board, name);
    EXPECT_EQ(PickAtPoint(c.x, c.y, c.z + 0.2), static_cast<uint32_t>(name));
  }
  EXPECT_EQ(PickAtPoint(board.backX, -1.8, -5), board.backName);
  // Far from everything.
  EXPECT_EQ(PickAtPoint(0.0, 3.0, -5), 0u);
}

TEST_P(BoardTest, TheGapBetweenTwoBoxesPicksNothing) {
  const Board& board = GetParam();
  const game::LevelParams& level = game::ParamsOf(board.level);
  DealClosedBoard(level);
  SetScene(static_cast<game::Scene>(level.playScene));
  // The two boxes of the top row nearest the middle of the screen, where perspective leaves
  // the widest gap: find the window gap between their outer corners.
  const int right = level.columns / 2;  // name of the box just right of the middle
  const BoxCentre a = CentreOf(board, right);
  const BoxCentre b = CentreOf(board, right + 1);
  double rightEdgeOfLeftBox = -1e9, leftEdgeOfRightBox = 1e9;
  for (double dz : {-0.2, 0.2}) {
    rightEdgeOfLeftBox = std::max(rightEdgeOfLeftBox, Project(b.x + 0.2, b.y, b.z + dz).x);
    leftEdgeOfRightBox = std::min(leftEdgeOfRightBox, Project(a.x - 0.2, a.y, a.z + dz).x);
  }
  ASSERT_GT(leftEdgeOfRightBox - rightEdgeOfLeftBox, 6.0);
  const double y = Project(a.x, a.y, a.z).y;
  EXPECT_EQ(PickAtWindow((leftEdgeOfRightBox + rightEdgeOfLeftBox) / 2, y), 0u);
}

TEST_P(BoardTest, ARemovedBoxIsPickedOnlyWhileItsFrameIsShown) {
  const Board& board = GetParam();
  const game::LevelParams& level = game::ParamsOf(board.level);
  DealClosedBoard(level);
  SetScene(static_cast<game::Scene>(level.playScene));
  const int name = 2;  // top row: nothing above its frame
  state_.boxes[name - 1].present = false;
  const BoxCentre c = CentreOf(board, name);
  // The front top edge of the frame.
  EXPECT_EQ(PickAtPoint(c.x, c.y + 0.22, c.z + 0.22), 0u);
  EXPECT_EQ(PickAtPoint(c.x, c.y, c.z), 0u);
  state_.boxes[name - 1].hover = true;
  EXPECT_EQ(PickAtPoint(c.x, c.y + 0.22, c.z + 0.22), static_cast<uint32_t>(name));
}

std::string LevelName(const ::testing::TestParamInfo<Board>& param) {
  switch (param.param.level) {
    case game::Level::easy: return "Easy";
    case game::Level::normal: return "Normal";
    default: return "Hard";
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, BoardTest, ::testing::ValuesIn(kBoards), LevelName);

TEST_F(SceneTest, TwoBoxesUnderTheCursorGiveTheOneDrawnFirstNotTheNearest) {
  const Board& board = kBoards[2];  // hard: rows close enough to overlap in perspective
  DealClosedBoard(game::ParamsOf(board.level));
  SetScene(game::SCENE_HARD);
  // Box 5's bottom face (far edge) and box 15's top face (near edge, so nearer the eye) meet
  // on screen.
  const BoxCentre upper = CentreOf(board, 5);
  const BoxCentre lower = CentreOf(board, 15);
  const double y = (Project(upper.x, upper.y - 0.2, upper.z - 0.2).y +
                    Project(lower.x, lower.y + 0.2, lower.z + 0.2).y) / 2;
  const double x = Project(upper.x, upper.y, upper.z).x;
  EXPECT_EQ(PickAtWindow(x, y), 5u);
  state_.boxes[4].present = false;  // box 15 is under the cursor too
  EXPECT_EQ(PickAtWindow(x, y), 15u);
}

TEST_F(SceneTest, EveryMenuControlIsPickedWhereTheTableDrawsIt) {
  SetScene(game::SCENE_MENU);
  // The nine original controls where they have always stood.
  const double places[9][2] = {{0, 0.8},     {0, 0.3},     {0, -0.2},   {0, -0.7},  {0, -1.7},
                               {-2, -1.6},   {2.3, -1.6},  {2.3, -1.8}, {2.22, -1.2}};
  for (uint32_t name = 1; name <= 9; ++name) {
    const game::MenuPlace& place = game::FindMenuControl(name)->place;
    EXPECT_NEAR(place.x, places[name - 1][0], 1e-6) << name;
    EXPECT_NEAR(place.y, places[name - 1][1], 1e-6) << name;
  }
  for (bool on : {false, true}) {
    state_.soundOn = on;
    state_.musicOn = on;
    state_.vsyncOn = on;
    state_.hoverEasy = on;
    state_.hoverPictures = on;
    for (const game::MenuControl& control : game::MenuControls()) {
      const game::MenuPlace& p = control.place;
      const uint32_t name = game::PickNameOf(control.name);
      EXPECT_EQ(PickAtPoint(p.x, p.y, p.z), name) << name;
      // Just inside two corners of its quad.
      EXPECT_EQ(PickAtPoint(p.x - 0.95 * p.halfWidth, p.y + 0.9 * p.halfHeight, p.z), name) << name;
      EXPECT_EQ(PickAtPoint(p.x + 0.95 * p.halfWidth, p.y - 0.9 * p.halfHeight, p.z), name) << name;
    }
  }
  EXPECT_EQ(PickAtPoint(0, 1.6, -5), 0u);  // the title carries no name
}

TEST_F(SceneTest, TheHelpAboutAndRecordsScreensPickOnlyTheirBackButton) {
  for (game::Scene scene : {game::SCENE_README, game::SCENE_ABOUT, game::SCENE_RECORDS}) {
    SetScene(scene);
    EXPECT_EQ(PickAtPoint(0, -1.8, -5), game::kScreenBackButton);
    EXPECT_EQ(PickAtPoint(0.45, -1.75, -5), game::kScreenBackButton);
    EXPECT_EQ(PickAtPoint(-2.25, -1.2, -5), 0u);  // the row of faces carries no name
    EXPECT_EQ(PickAtPoint(0, 0, -6.5), 0u);       // nor do the cubes
  }
}

TEST_F(SceneTest, ScenesWithoutAnythingToPickGiveZero) {
  DealClosedBoard(game::ParamsOf(game::Level::hard));
  state_.hoverBack = true;
  for (game::Scene scene : {game::SCENE_MENU_ENTER, game::SCENE_EASY_SETUP,
                            game::SCENE_NORMAL_SETUP, game::SCENE_HARD_SETUP,
                            game::SCENE_HIDDEN_PICTURE}) {
    SetScene(scene);
    state_.selectBuffer[3] = 99;
    EXPECT_EQ(PickAtPoint(0, -1.8, -5), 0u) << static_cast<int>(scene);
    EXPECT_EQ(PickAtPoint(0, 0.8, -5), 0u) << static_cast<int>(scene);
    EXPECT_EQ(PickAtPoint(1.15, 1.25, -4.8), 0u) << static_cast<int>(scene);
  }
}

TEST_F(SceneTest, PickingLeavesTheProjectionAndRenderModeAsTheyWere) {
  SetScene(game::SCENE_EASY);
  DealClosedBoard(game::ParamsOf(game::Level::easy));
  GLfloat before[16], after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, before);
  PickAtPoint(1.15, 1.25, -4.8);
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after)));
  GLint mode = 0, matrixMode = 0;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  EXPECT_EQ(mode, GL_RENDER);
  EXPECT_EQ(matrixMode, GL_MODELVIEW);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(SceneTest, AnOpenBoxShowsItsFaceAClosedOneItsColourARemovedOneNothing) {
  DealClosedBoard(game::ParamsOf(game::Level::easy));
  state_.boxes[0].open = true;
  state_.boxes[0].face = 3;
  state_.boxes[1].r = 1.0f;
  state_.boxes[1].g = 0.5f;
  state_.boxes[1].b = 0.0f;
  state_.boxes[2].present = false;
  state_.boxes[2].open = true;  // means nothing once removed
  render::DrawBoardScene(state_, game::Level::easy);
  const Board& board = kBoards[0];
  const BoxCentre open = CentreOf(board, 1), closed = CentreOf(board, 2), gone = CentreOf(board, 3);
  EXPECT_TRUE(Near(PixelAtPoint(open.x, open.y, open.z), FaceColour(3)))
      << ToString(PixelAtPoint(open.x, open.y, open.z));
  EXPECT_TRUE(Near(PixelAtPoint(closed.x, closed.y, closed.z + 0.2), {255, 128, 0}))
      << ToString(PixelAtPoint(closed.x, closed.y, closed.z + 0.2));
  EXPECT_EQ(PixelAtPoint(gone.x, gone.y, gone.z), kBlack);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0] + colour[1] + colour[2], 3.0f);  // the scene ends white
}

// Counts pixels of the message cell that are mostly blue, mostly red and lit at all.
struct MessagePixels {
  int blue = 0, red = 0, lit = 0;
};
MessagePixels CountMessagePixels() {
  const WindowPoint origin = Project(-0.5, 0, -10);
  MessagePixels count;
  for (int y = static_cast<int>(origin.y) - 2; y < origin.y + 22; ++y)
    for (int x = static_cast<int>(origin.x) - 2; x < origin.x + 100; ++x) {
      const Rgb p = PixelAt(x, y);
      count.lit += p != kBlack;
      count.blue += p.b > 200 && p.r < 50;
      count.red += p.r > 200 && p.b < 50;
    }
  return count;
}

TEST_F(SceneTest, TheWinMessageShowsOnlyWhileWonInTheMessageColourWithRedAndBlueExchanged) {
  SetScene(game::SCENE_EASY);
  state_.messageColor[0] = 1.0f;
  state_.messageColor[1] = 0.0f;
  state_.messageColor[2] = 0.0f;
  render::DrawBoardScene(state_, game::Level::easy);
  EXPECT_EQ(CountMessagePixels().lit, 0);

  state_.won = true;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  render::DrawBoardScene(state_, game::Level::easy);
  const MessagePixels won = CountMessagePixels();
  EXPECT_GT(won.blue, 20);
  EXPECT_EQ(won.red, 0);

  state_.won = false;
  state_.lost = true;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  render::DrawBoardScene(state_, game::Level::easy);
  const MessagePixels lost = CountMessagePixels();
  EXPECT_GT(lost.blue, 20);
  EXPECT_LT(lost.blue, won.blue);  // 你输了!!! is shorter than 你胜利了!!!
}

// The pixels of a band around the head-up line at x, 10 units deep.
std::vector<Rgb> HeadUpBand(float x) {
  const WindowPoint origin = Project(x, 3.6, -10);
  std::vector<Rgb> band;
  for (int y = static_cast<int>(origin.y) - 2; y < origin.y + 22; ++y)
    for (int px = static_cast<int>(origin.x) - 2; px < origin.x + 70; ++px)
      band.push_back(PixelAt(px, y));
  return band;
}

TEST_F(SceneTest, ValueTextsAreCutToTheirLengthAndShorterOnesDrawnAsTheyAre) {
  SetScene(game::SCENE_EASY);
  state_.bestText.Set("123456");
  state_.timeText.Set("-1");
  state_.scoreText.Set("7");
  render::DrawBoardScene(state_, game::Level::easy);
  const auto best = HeadUpBand(-2.5f), time = HeadUpBand(0.5f), score = HeadUpBand(3.0f);
  EXPECT_NE(time, HeadUpBand(-10.0f));  // something was drawn there

  // The same scene with empty values, and the expected texts drawn over it: additive blending
  // makes the order of drawing irrelevant.
  state_.bestText.Set("");
  state_.timeText.Set("");
  state_.scoreText.Set("");
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  render::DrawBoardScene(state_, game::Level::easy);
  render::DrawText3D(5, "12345", -2.5f, 3.6f, 1, 1, 1);
  render::DrawText3D(2, "-1", 0.5f, 3.6f, 1, 1, 1);
  render::DrawText3D(1, "7", 3.0f, 3.6f, 1, 1, 1);
  EXPECT_EQ(best, HeadUpBand(-2.5f));
  EXPECT_EQ(time, HeadUpBand(0.5f));
  EXPECT_EQ(score, HeadUpBand(3.0f));
}

TEST_F(SceneTest, StarsShowTheirColourAndFade) {
  SetScene(game::SCENE_MENU);
  for (auto& star : state_.stars) star.alpha = 0;
  game::Star& bright = state_.stars[49];
  bright.r = 255;
  bright.g = 0;
  bright.b = 0;
  bright.alpha = 255;
  bright.x = -1.0f;
  bright.y = 1.0f;
  game::Star& half = state_.stars[0];
  half.r = 0;
  half.g = 0;
  half.b = 200;
  half.alpha = 125;
  half.x = 1.0f;
  half.y = -1.0f;
  render::DrawMenuScene(state_);

  // Where the stars' centres land, through the same turn and move.
  auto starCentre = [](int j, const game::Star& star) {
    glLoadIdentity();
    glRotatef(static_cast<GLfloat>((j + 1) * 0.1), 1, 1, 0);
    glTranslatef(star.x, star.y, -6);
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    WindowPoint p;
    gluProject(0, 0, 0, modelview, projection, viewport, &p.x, &p.y, &p.depth);
    glLoadIdentity();
    return p;
  };
  const WindowPoint b = starCentre(49, bright);
  EXPECT_TRUE(Near(PixelAt(static_cast<int>(b.x), static_cast<int>(b.y)), {255, 0, 0}));
  const WindowPoint h = starCentre(0, half);
  EXPECT_TRUE(Near(PixelAt(static_cast<int>(h.x), static_cast<int>(h.y)), {0, 0, 98}));
  // Stars at alpha 0 show nothing: away from the two, the menu stays black.
  EXPECT_EQ(PixelAtPoint(1.0, 1.0, -6), kBlack);
  EXPECT_EQ(PixelAtPoint(-1.0, -1.0, -6), kBlack);
}

TEST_F(SceneTest, TheAboutScreenShowsTheFacesInARowAndTheCreditsInTheirColours) {
  SetScene(game::SCENE_ABOUT);
  render::DrawAboutScene(state_);
  for (int face = 0; face < 10; ++face)
    EXPECT_TRUE(Near(PixelAtPoint(-2.25 + 0.5 * face, -1.2, -5), FaceColour(face))) << face;
  struct Line {
    float x, y;
    Rgb colour;
  };
  const Line lines[4] = {{-2.0f, 3.5f, {0, 0, 255}},
                         {-1.4f, 3.2f, {0, 255, 0}},
                         {-1.0f, 2.9f, {255, 0, 0}},
                         {-1.05f, 2.6f, kWhite}};
  for (const Line& line : lines) {
    const WindowPoint origin = Project(line.x, line.y, -10);
    int matching = 0;
    for (int y = static_cast<int>(origin.y); y < origin.y + 12; ++y)
      for (int x = static_cast<int>(origin.x); x < origin.x + 120; ++x)
        matching += PixelAt(x, y) == line.colour;
    EXPECT_GT(matching, 30) << line.x << ", " << line.y;
  }
}

TEST(CreditLinesTest, TheChineseCreditsAreTheOriginalScreensTexts) {
  const std::string_view english[4] = {
      "By the Tessary team (sounds, pictures and program all our own)",
      "Of course, the sounds and pictures are made by the program.",
      "Mail: team@tessary.dev",
      "Released: 8 December 2026",
  };
  const std::string_view chinese[4] = {
      "作者:Tessary 开发组(声音,图片和程序均为自制)",
      "当然,声音和图片都由程序生成.",
      "邮箱:team@tessary.dev",
      "程序发布:2026年12月08号",
  };
  render::SetLanguage(game::Language::chinese);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(render::Tr(english[i]), chinese[i]) << i;
}

}  // namespace
