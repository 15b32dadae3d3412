#include "test_support.h"

#include <sstream>

namespace game::testing {

std::string Dump(const GameState& s) {
  std::ostringstream out;
  out << "scene " << int(s.scene) << " running " << s.running << " esc " << int(s.escCount)
      << " loading " << s.loadingDone << "\n";
  for (const Box& box : s.boxes)
    out << int(box.face) << box.open << box.hover << box.present << ' ' << box.r << ' ' << box.g
        << ' ' << box.b << ";";
  out << "\nsel " << int(s.selectionCount) << " picks " << int(s.firstPick) << ','
      << int(s.secondPick) << " pairs " << s.pairsFound << " score " << s.score << " time "
      << s.timeLeft << " won " << s.won << " lost " << s.lost << " msg " << s.messageColor[0]
      << ',' << s.messageColor[1] << ',' << s.messageColor[2] << " texts [" << s.scoreText.Get()
      << "][" << s.bestText.Get() << "][" << s.timeText.Get() << "] best " << s.bestScore[0]
      << ',' << s.bestScore[1] << ',' << s.bestScore[2] << "\n";
  for (const Star& star : s.stars)
    out << int(star.r) << ',' << int(star.g) << ',' << int(star.b) << ',' << star.x << ','
        << star.y << ',' << int(star.alpha) << ',' << star.fadeIn << ";";
  out << "\ntitle " << s.titleAngle << ' ' << s.titleSwingUp << " hover " << s.hoverReadme
      << s.hoverEasy << s.hoverNormal << s.hoverHard << s.hoverOut << s.hoverAbout << s.hoverBack
      << int(s.hoverSwitch)
      << "\ncube";
  for (int i = 0; i < 3; ++i)
    out << ' ' << s.cubeColor[i] << '/' << s.cubeTargetColor[i] << '/' << s.cubeAngle[i];
  out << " spin " << s.spinDirection << " keys " << s.hiddenKey1Pressed << s.hiddenKey2Pressed
      << "\nmouse " << s.mouseX << ',' << s.mouseY << " picked " << s.pickedName << " settings "
      << s.soundOn << s.musicOn << s.vsyncOn << " requests ";
  for (const auto& flag : s.soundRequests) out << flag;
  out << " timers " << s.secondTimer << ',' << s.gameTimer << ',' << s.spinTimer << "\n";
  return out.str();
}

std::vector<int> BoxesWithFace(const GameState& state, const LevelParams& params, int face) {
  std::vector<int> found;
  for (int i = 0; i < params.boxCount; ++i)
    if (state.boxes[i].present && state.boxes[i].face == face) found.push_back(i);
  return found;
}

void DealThroughTick(Harness& harness, Level level) {
  harness.state.scene = ParamsOf(level).setupScene;
  harness.Tick();
}

}  // namespace game::testing
