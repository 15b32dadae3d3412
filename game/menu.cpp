#include "game/menu.h"

#include <array>

#include "game/choices.h"
#include "game/language.h"
#include "game/scenes.h"
#include "game/text_id.h"

namespace game {
namespace {

void Help(GameState& state, const MenuControl&, const InputActions&) {
  EnterScene(state, SCENE_README);
  RequestSound(state, SoundRequest::playButton);
}

// A picture set too small for the level keeps its button shut; the menu says why.
void StartLevel(GameState& state, const MenuControl& control, const InputActions&) {
  const LevelParams& params = ParamsOf(*control.level);
  if (state.setPictureCount < params.faceCount) {
    RequestSound(state, SoundRequest::playError);
    return;
  }
  EnterScene(state, params.setupScene);
  RequestSound(state, SoundRequest::playButton);
}

void Exit(GameState&, const MenuControl&, const InputActions& actions) {
  if (actions.exitFromMenu) actions.exitFromMenu();
}

void About(GameState& state, const MenuControl&, const InputActions&) {
  // J and V count only once the about screen is shown.
  state.hiddenKey1Pressed = false;
  state.hiddenKey2Pressed = false;
  EnterScene(state, SCENE_ABOUT);
  RequestSound(state, SoundRequest::playButton);
}

void SwitchSound(GameState& state, const MenuControl&, const InputActions&) {
  RequestSound(state, SoundRequest::playButton);
  state.soundOn = !state.soundOn;
  if (!state.soundOn) RequestSound(state, SoundRequest::stopEffects);
}

void SwitchMusic(GameState& state, const MenuControl&, const InputActions&) {
  RequestSound(state, SoundRequest::playButton);
  state.musicOn = !state.musicOn;
  RequestSound(state, state.musicOn ? SoundRequest::playMenuMusic : SoundRequest::stopMenuMusic);
}

void SwitchVsync(GameState& state, const MenuControl&, const InputActions& actions) {
  RequestSound(state, SoundRequest::playButton);
  state.vsyncOn = !state.vsyncOn;
  // Without the extension the switch still flips and is saved at exit.
  if (actions.setSwapInterval) actions.setSwapInterval(state.vsyncOn ? 1 : 0);
}

// The application starts or quiets its speech when it sees the switch move.
void SwitchSpeech(GameState& state, const MenuControl&, const InputActions&) {
  RequestSound(state, SoundRequest::playButton);
  state.speechOn = !state.speechOn;
}

// The title, the stars and the about cubes stop or go on at their next tick.
void SwitchMotion(GameState& state, const MenuControl&, const InputActions&) {
  RequestSound(state, SoundRequest::playButton);
  state.lessMotion = !state.lessMotion;
}

void StepPictures(GameState& state, const MenuControl&, const InputActions&) {
  StepPictureSet(state);
}

void StepPlayers(GameState& state, const MenuControl&, const InputActions&) {
  StepPlayerMode(state);
}

// The texts follow at once: the application watches state.language.
void StepLanguage(GameState& state, const MenuControl&, const InputActions&) {
  RequestSound(state, SoundRequest::playButton);
  state.language = NextLanguage(Language{state.language}).index;
}

void StepClock(GameState& state, const MenuControl&, const InputActions&) {
  StepClockChoice(state);
}

void Records(GameState& state, const MenuControl&, const InputActions&) { OpenRecords(state); }

// The original controls stand where the game has always drawn them, by steps from Help down:
// written as the sums of those steps, their places are the same floats to the last bit.
constexpr float kHelpY = 0.8f;
constexpr float kEasyY = kHelpY - 0.5f;
constexpr float kNormalY = kEasyY - 0.5f;
constexpr float kHardY = kNormalY - 0.5f;
constexpr float kExitY = kHardY - 1.0f;
constexpr float kAboutX = -2.0f;
constexpr float kAboutY = kExitY + 0.1f;
constexpr float kSoundX = kAboutX + 4.3f;
constexpr float kMusicY = kAboutY - 0.2f;
constexpr float kVsyncX = kSoundX - 0.08f;
constexpr float kVsyncY = kMusicY + 0.6f;
constexpr float kZ = -5.0f;

constexpr MenuColumn kLeft = MenuColumn::left;
constexpr MenuColumn kCentre = MenuColumn::centre;
constexpr MenuColumn kRight = MenuColumn::right;
constexpr MenuKind kButton = MenuKind::button;
constexpr MenuKind kSwitch = MenuKind::toggle;
constexpr MenuKind kSelector = MenuKind::selector;

// The newer controls stand in the free space beside the level buttons, drawn as panels.
// The labels are texts to translate: a selector panel shows its label above its value.
constexpr std::array<MenuControl, 16> kMenu = {{
    {MenuName::help, kButton, kCentre, {0.0f, kHelpY, kZ, 0.3f, 0.12f}, Help,
     &GameState::hoverReadme, nullptr, std::nullopt,
     // TRANSLATORS: names the Help button; keep it short, at most about 12 characters.
     N_("Help")},
    {MenuName::easy, kButton, kCentre, {0.0f, kEasyY, kZ, 0.5f, 0.2f}, StartLevel,
     &GameState::hoverEasy, nullptr, Level::easy,
     // TRANSLATORS: a level: names its button and heads its column of records; at most about
     // 12 characters.
     N_("Easy")},
    {MenuName::normal, kButton, kCentre, {0.0f, kNormalY, kZ, 0.5f, 0.2f}, StartLevel,
     &GameState::hoverNormal, nullptr, Level::normal,
     // TRANSLATORS: a level; at most about 12 characters.
     N_("Normal")},
    {MenuName::hard, kButton, kCentre, {0.0f, kHardY, kZ, 0.5f, 0.2f}, StartLevel,
     &GameState::hoverHard, nullptr, Level::hard,
     // TRANSLATORS: a level; at most about 12 characters.
     N_("Hard")},
    {MenuName::exit, kButton, kCentre, {0.0f, kExitY, kZ, 0.8f, 0.32f}, Exit,
     &GameState::hoverOut, nullptr, std::nullopt,
     // TRANSLATORS: names the button that quits the game; at most about 12 characters.
     N_("Exit")},
    {MenuName::about, kButton, kLeft, {kAboutX, kAboutY, kZ, 0.6f, 0.235f}, About,
     &GameState::hoverAbout, nullptr, std::nullopt,
     // TRANSLATORS: names the About button; at most about 12 characters.
     N_("About")},
    {MenuName::sound, kSwitch, kRight, {kSoundX, kAboutY, kZ, 0.3f, 0.07f}, SwitchSound,
     nullptr, &GameState::soundOn, std::nullopt,
     // TRANSLATORS: names the switch of the sound effects; at most about 12 characters.
     N_("Sound")},
    {MenuName::music, kSwitch, kRight, {kSoundX, kMusicY, kZ, 0.3f, 0.07f}, SwitchMusic,
     nullptr, &GameState::musicOn, std::nullopt,
     // TRANSLATORS: names the switch of the music; at most about 12 characters.
     N_("Music")},
    {MenuName::vsync, kSwitch, kRight, {kVsyncX, kVsyncY, kZ, 0.39f, 0.07f}, SwitchVsync,
     nullptr, &GameState::vsyncOn, std::nullopt,
     // TRANSLATORS: names the switch of vertical synchronisation; at most about 12 characters.
     N_("VSync")},
    // Above the three, drawn from their label-less picture with its label written in every
    // language.
    {MenuName::motion, kSwitch, kRight, {kVsyncX, kVsyncY + 0.4f, kZ, 0.39f, 0.07f}, SwitchMotion,
     nullptr, &GameState::lessMotion, std::nullopt,
     // TRANSLATORS: names the switch that keeps the menu's title, stars and cubes still; at
     // most about 12 characters.
     N_("Less motion")},
    {MenuName::pictures, kSelector, kLeft, {-2.0f, 0.3f, kZ, kPanelHalfWidth, kPanelHalfHeight},
     StepPictures, &GameState::hoverPictures, nullptr, std::nullopt,
     // TRANSLATORS: a selector panel's label, above the chosen picture set; the panel holds
     // about 20 Latin letters or 12 Chinese characters.
     N_("Pictures")},
    {MenuName::players, kSelector, kLeft, {-2.0f, -0.2f, kZ, kPanelHalfWidth, kPanelHalfHeight},
     StepPlayers, &GameState::hoverPlayers, nullptr, std::nullopt,
     // TRANSLATORS: a selector panel's label, above the players' mode; about 20 Latin letters
     // or 12 Chinese characters.
     N_("Players")},
    {MenuName::clock, kSelector, kLeft, {-2.0f, -0.7f, kZ, kPanelHalfWidth, kPanelHalfHeight},
     StepClock, &GameState::hoverClock, nullptr, std::nullopt,
     // TRANSLATORS: a selector panel's label, above the chosen clock (the countdown or the
     // relaxed clock); about 20 Latin letters or 12 Chinese characters.
     N_("Clock")},
    // Mirrored across from the pictures selector, above the switches.
    {MenuName::records, kButton, kRight, {2.0f, 0.3f, kZ, kPanelHalfWidth, kPanelHalfHeight},
     Records, &GameState::hoverRecords, nullptr, std::nullopt,
     // TRANSLATORS: the records panel's label and the records screen's title; about 20 Latin
     // letters or 12 Chinese characters.
     N_("Records")},
    // Mirrored across from the players selector, above the switches.
    {MenuName::language, kSelector, kRight, {2.0f, -0.2f, kZ, kPanelHalfWidth, kPanelHalfHeight},
     StepLanguage, &GameState::hoverLanguage, nullptr, std::nullopt,
     // TRANSLATORS: a selector panel's label, above the name of the language the game speaks;
     // about 20 Latin letters or 12 Chinese characters.
     N_("Language")},
    // Above the vsync switch, its twin in shape, drawn from the label-less switch picture.
    {MenuName::speech, kSwitch, kRight, {kVsyncX, kVsyncY + 0.2f, kZ, 0.39f, 0.07f}, SwitchSpeech,
     nullptr, &GameState::speechOn, std::nullopt,
     // TRANSLATORS: names the switch that makes the game speak its menus and boards (for
     // players who cannot see the screen well); at most about 12 characters.
     N_("Speech")},
}};

}  // namespace

void OpenRecords(GameState& state) {
  EnterScene(state, SCENE_RECORDS);
  RequestSound(state, SoundRequest::playButton);
}

std::span<const MenuControl> MenuControls() { return kMenu; }

const MenuControl* FindMenuControl(uint32_t name) {
  for (const MenuControl& control : kMenu)
    if (PickNameOf(control.name) == name) return &control;
  return nullptr;
}

const MenuControl& GetMenuControl(MenuName name) {
  const MenuControl* control = FindMenuControl(PickNameOf(name));
  return control != nullptr ? *control : kMenu.front();  // every name but none has its row
}

const MenuControl& LevelButton(Level level) {
  for (const MenuControl& control : kMenu)
    if (control.level == level) return control;
  return kMenu.front();  // not reached: every level has its button
}

}  // namespace game
