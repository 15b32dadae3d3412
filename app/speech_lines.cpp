#include "app/speech_lines.h"

#include <cstdio>
#include <string_view>

#include "game/help_page.h"
#include "game/level.h"
#include "game/scenes.h"
#include "game/text_id.h"
#include "render/render.h"

namespace app {

namespace {

using render::Tr;
using render::Trn;

// The format (a catalogue's, checked by msgfmt --check) with its arguments.
template <typename... Arguments>
std::string Format(std::string_view format, Arguments... arguments) {
  const std::string pattern(format);
  const int size = std::snprintf(nullptr, 0, pattern.c_str(), arguments...);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern.c_str(), arguments...);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

// Sentences one after the other.
std::string Join(std::string first, std::string_view next) {
  if (first.empty()) return std::string(next);
  if (!next.empty()) first.append(" ").append(next);
  return first;
}

std::string PlayerName(const SpeechEvent& event, int player) {
  if (event.computer && player == event.playerCount - 1) return std::string(Tr("Computer"));
  return Format(Tr("Player %d"), player + 1);
}

std::string OnOff(bool on) {
  // TRANSLATORS: a switch's state, spoken after its name ("Sound: on").
  return std::string(on ? Tr(N_("on")) : Tr(N_("off")));
}

// TRANSLATORS: a menu control spoken with its value: "Pictures: Animals", "Sound: on".
constexpr std::string_view kLabelAndValue = N_("%s: %s");

std::string ControlLine(const SpeechEvent& event) {
  const game::MenuControl* control = game::FindMenuControl(game::PickNameOf(event.control));
  if (control == nullptr) return {};
  const std::string label(Tr(control->label));
  if (control->kind == game::MenuKind::toggle)
    return Format(Tr(kLabelAndValue), label.c_str(), OnOff(event.on).c_str());
  if (control->kind == game::MenuKind::selector && !event.value.empty())
    return Format(Tr(kLabelAndValue), label.c_str(), event.value.c_str());
  return label;
}

std::string ScreenLine(const SpeechEvent& event) {
  if (const auto level = game::LevelOfPlayScene(event.scene)) {
    const game::LevelParams& params = game::ParamsOf(*level);
    const std::string name(Tr(game::LevelButton(*level).label));
    // TRANSLATORS: spoken as a board opens: the level, its columns and rows ("Easy, 6 by 6").
    return Format(Tr(N_("%s, %d by %d")), name.c_str(), params.columns, params.rows);
  }
  switch (event.scene) {
    // TRANSLATORS: spoken as the menu opens.
    case game::SCENE_MENU: return std::string(Tr(N_("Menu")));
    case game::SCENE_README:
      return Join(std::string(Tr(game::kHelpTitle)),
                  // TRANSLATORS: spoken on the help screen: the R key reads its rules aloud.
                  Tr(N_("Press R to hear the rules.")));
    case game::SCENE_ABOUT: return std::string(Tr(game::GetMenuControl(game::MenuName::about).label));
    case game::SCENE_RECORDS:
      return std::string(Tr(game::GetMenuControl(game::MenuName::records).label));
    default: return {};
  }
}

std::string BoxLine(const SpeechEvent& event) {
  if (event.empty)
    // TRANSLATORS: spoken for a place on the board whose pair was found: "Row 3, column 4:
    // empty".
    return Format(Tr(N_("Row %d, column %d: %s")), event.row, event.column,
                  std::string(Tr(N_("empty"))).c_str());
  if (!event.name.empty())
    return Format(Tr(N_("Row %d, column %d: %s")), event.row, event.column, event.name.c_str());
  // TRANSLATORS: spoken as the highlight reaches a box on the board.
  return Format(Tr(N_("Row %d, column %d")), event.row, event.column);
}

std::string StandingsLine(const SpeechEvent& event) {
  std::string line;
  for (int p = 0; p < event.playerCount && p < game::kMaxPlayers; ++p) {
    const int pairs = event.pairs[static_cast<std::size_t>(p)];
    const std::string counted =
        Format(Trn("%d pair", "%d pairs", static_cast<unsigned long>(pairs)), pairs);
    line = Join(line, Format(Tr(kLabelAndValue), PlayerName(event, p).c_str(), counted.c_str()) +
                          ".");
  }
  if (event.winner == game::kDraw) return Join(line, Tr("A draw!"));
  return Join(line, Format(Tr("%s wins!"), PlayerName(event, event.winner).c_str()));
}

std::string StatusLine(const SpeechEvent& event) {
  const auto seconds = static_cast<unsigned long>(event.seconds < 0 ? 0 : event.seconds);
  const std::string time =
      event.countsUp
          // TRANSLATORS: the T key on a board played together: the time played.
          ? Format(Trn("%d second", "%d seconds", seconds), event.seconds)
          // TRANSLATORS: the T key on a board: the time left on the countdown.
          : Format(Trn("%d second left", "%d seconds left", seconds), event.seconds);
  // TRANSLATORS: the T key on a board: the score.
  const std::string score = Format(Tr(N_("Score %d")), event.score);
  const auto left = static_cast<unsigned long>(event.pairsLeft);
  // TRANSLATORS: the T key on a board: the pairs still to find.
  const std::string pairs = Format(Trn("%d pair left", "%d pairs left", left),
                                   event.pairsLeft);
  return time + ". " + score + ". " + pairs + ".";
}

std::string RulesLine() {
  std::string line;
  for (const game::HelpRule& rule : game::kHelpRules) line = Join(line, Tr(rule.text));
  return line;
}

}  // namespace

std::string LineOf(const SpeechEvent& event) {
  switch (event.topic) {
    case SpeechTopic::menuControl: return ControlLine(event);
    case SpeechTopic::screen: return ScreenLine(event);
    case SpeechTopic::box: return BoxLine(event);
    case SpeechTopic::back: return std::string(Tr("Back"));
    case SpeechTopic::records:
      return std::string(Tr(game::GetMenuControl(game::MenuName::records).label));
    // TRANSLATORS: spoken when the two open boxes are a pair.
    case SpeechTopic::pairFound: return std::string(Tr(N_("Pair found")));
    // TRANSLATORS: spoken when the two open boxes are no pair and close again.
    case SpeechTopic::pairMissed: return std::string(Tr(N_("No pair")));
    case SpeechTopic::turn:
      // TRANSLATORS: spoken when the turn passes, playing together: "Turn: Player 2".
      return Format(Tr(N_("Turn: %s")), PlayerName(event, event.player).c_str());
    // TRANSLATORS: spoken when the last pair is found, playing alone.
    case SpeechTopic::won: return std::string(Tr(N_("You won!")));
    // TRANSLATORS: spoken when the countdown runs out.
    case SpeechTopic::timeUp: return std::string(Tr(N_("Time is up")));
    case SpeechTopic::standings: return StandingsLine(event);
    case SpeechTopic::paused: return std::string(Tr("Paused"));
    // TRANSLATORS: spoken when a paused board goes on.
    case SpeechTopic::resumed: return std::string(Tr(N_("Resumed")));
    case SpeechTopic::status: return StatusLine(event);
    case SpeechTopic::rules: return RulesLine();
  }
  return {};
}

Urgency UrgencyOf(const SpeechEvent& event) {
  switch (event.topic) {
    case SpeechTopic::won:
    case SpeechTopic::timeUp:
    case SpeechTopic::standings: return Urgency::result;
    // Judged half a second after the second card opened: its name is heard out first.
    case SpeechTopic::pairFound:
    case SpeechTopic::pairMissed:
    case SpeechTopic::turn: return Urgency::queued;
    default: return Urgency::interrupting;
  }
}

}  // namespace app
