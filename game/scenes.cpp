#include "game/scenes.h"

#include <array>

namespace game {
namespace {

using R = SoundRequest;

// Escape back to the menu, from a board or a screen: the requests before the scene, the same
// four from everywhere.
constexpr R kEscapeToMenu[] = {R::playButton, R::stopGameMusic, R::stopAboutMusic,
                               R::playMenuMusic};
// A screen's Back stops the about music whichever screen it leaves.
constexpr R kScreenBack[] = {R::stopAboutMusic};
constexpr R kMenuMusic[] = {R::playMenuMusic, R::stopGameMusic};
constexpr R kHelpMusic[] = {R::stopMenuMusic};
constexpr R kGameMusic[] = {R::stopMenuMusic, R::playGameMusic};
constexpr R kAboutMusic[] = {R::stopMenuMusic, R::playAboutMusic};
constexpr R kRecordsMusic[] = {R::stopGameMusic, R::playMenuMusic};

constexpr EscapeRule kNoEscape = EscapeRule::none;
constexpr EscapeRule kLeaves = EscapeRule::leaves;

constexpr SceneDescription Transitional(std::string_view title, std::span<const R> music,
                                        bool musicAfterScene) {
  return {title, false, false, false, kNoEscape, 0, {}, {}, music, musicAfterScene};
}
constexpr SceneDescription Board(std::string_view title) {
  // Entered by its deal (game/deal), which stores the scene itself.
  return {title, false, true, false, kLeaves, SCENE_MENU_ENTER, kEscapeToMenu, {}, {}, false};
}
constexpr SceneDescription Screen(std::string_view title, std::span<const R> music) {
  return {title, false, true, true, kLeaves, SCENE_MENU_ENTER, kEscapeToMenu, kScreenBack,
          music, false};
}

// Indexed by scene code.
constexpr std::array<SceneDescription, 12> kScenes = {{
    // SCENE_MENU_ENTER: the way back into the menu by a Back button; the music follows the scene.
    Transitional("Menu", kMenuMusic, true),
    // SCENE_MENU: the menu music is the entry's.
    {"Menu", true, false, false, EscapeRule::countsToQuit, 0, {}, {}, {}, false},
    // SCENE_EASY_SETUP: the scene changes before the music requests, unlike Normal and Hard.
    // Deliberate: the game has always done so, and a test pins it (docs/behaviour.md).
    Transitional("Easy", kGameMusic, true),
    Board("Easy"),
    Transitional("Normal", kGameMusic, false),
    Board("Normal"),
    Transitional("Hard", kGameMusic, false),
    Board("Hard"),
    Screen("Help", kHelpMusic),
    Screen("About", kAboutMusic),
    // SCENE_HIDDEN_PICTURE: no Back button, yet Back's input (docs/behaviour.md); Escape goes
    // back to the about screen, whose music never stopped.
    {"Hidden picture", false, false, true, kLeaves, SCENE_ABOUT, {}, kScreenBack, {}, false},
    Screen("Records", kRecordsMusic),
}};

static_assert(kScenes.size() == SCENE_RECORDS + 1, "one description per scene code");

constexpr SceneDescription kNoScene = Transitional("", {}, false);

}  // namespace

const SceneDescription& DescribeScene(int scene) {
  if (scene < 0 || scene >= static_cast<int>(kScenes.size())) return kNoScene;
  return kScenes[static_cast<std::size_t>(scene)];
}

void ChangeScene(GameState& state, int8_t scene, std::span<const SoundRequest> before,
                 std::span<const SoundRequest> after) {
  for (const SoundRequest request : before) RequestSound(state, request);
  state.scene.store(scene, std::memory_order_release);
  for (const SoundRequest request : after) RequestSound(state, request);
}

void EnterScene(GameState& state, int8_t scene) {
  const SceneDescription& description = DescribeScene(scene);
  if (description.musicAfterScene)
    ChangeScene(state, scene, {}, description.music);
  else
    ChangeScene(state, scene, description.music, {});
}

}  // namespace game
