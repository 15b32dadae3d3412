#include "app/records_keeper.h"

#include <locale.h>
#include <wchar.h>

#include <utility>

#include "app/picture_sets.h"

namespace app {

namespace {

// The desktop's time locale, made once; "C" when the environment names none that exists.
locale_t DesktopTimeLocale() {
  static const locale_t locale = [] {
    locale_t made = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (made == static_cast<locale_t>(0))
      made = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    return made;
  }();
  return locale;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The history entry of a game that ended now, its picture set named `pictureSet`.
storage::HistoryEntry HistoryEntryOf(const game::GameResult& result, std::string pictureSet) {
  storage::HistoryEntry entry;
  entry.time = static_cast<int64_t>(std::time(nullptr));
  entry.result = result;
  entry.pictureSet = std::move(pictureSet);
  return entry;
}

}  // namespace

std::string DesktopDate(int64_t time) {
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm local{};
  const locale_t locale = DesktopTimeLocale();
  wchar_t text[64];
  // Wide characters: the date comes out the same whatever the locale's own encoding.
  if (!::localtime_r(&seconds, &local) || locale == static_cast<locale_t>(0) ||
      ::wcsftime_l(text, 64, L"%x", &local, locale) == 0)
    return "?";
  std::string utf8;
  for (const wchar_t* c = text; *c != L'\0'; ++c) AppendUtf8(utf8, static_cast<char32_t>(*c));
  return utf8;
}

void RecordsKeeper::Load() {
  history_.ReadAll([this](const storage::HistoryEntry& entry) {
    records_.Add(entry.time, entry.result);
  });
  ShowRecords();
}

bool SaveLastResults(game::ResultQueue& results, const std::vector<std::string>& setKeys,
                     storage::HistoryWriter& history) {
  // Not counted in the records: the records screen is not shown again.
  for (const game::GameResult& result : results.TakeAll())
    history.Append(HistoryEntryOf(result, PictureSetKey(setKeys, result.pictureSet)));
  return history.Finish();
}

void RecordsKeeper::TakeResults(game::GameState& state) {
  const std::vector<game::GameResult> results = state.results.TakeAll();
  for (const game::GameResult& result : results) {
    const storage::HistoryEntry entry =
        HistoryEntryOf(result, namer_ ? namer_(result.pictureSet) : std::string("classic"));
    history_.Append(entry);
    const int place = records_.Add(entry.time, result);
    if (place > 0) state.recordRank = static_cast<int8_t>(place);
  }
  if (!results.empty()) ShowRecords();
}

void RecordsKeeper::ShowRecords() {
  render::RecordsView view;
  for (int level = 0; level < 3; ++level) {
    const game::LevelRecords& records = records_.Of(static_cast<game::Level>(level));
    render::RecordsView::Level& shown = view.levels[level];
    for (const game::RecordEntry& best : records.best)
      shown.best.push_back({best.score, DesktopDate(best.time)});
    shown.games = records.alone.games;
    shown.wins = records.alone.wins;
    shown.bestWonSeconds = records.bestWonSeconds;
    shown.computerGames = records.computer.games;
    shown.computerWins = records.computer.wins;
    shown.playersGames = records.players.games;
  }
  render::SetRecordsView(std::move(view));
}

}  // namespace app
