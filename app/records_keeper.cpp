#include "app/records_keeper.h"

#include <locale.h>
#include <wchar.h>

#include <cstring>
#include <string_view>
#include <utility>

#include "app/picture_sets.h"
#include "game/choices.h"

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

// Whether text is well-formed UTF-8: no stray continuation, no overlong form, no surrogate,
// nothing past U+10FFFF, no character cut short.
bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) length = 1, c = lead;
    else if ((lead & 0xE0) == 0xC0) length = 2, c = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0) length = 3, c = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0) length = 4, c = lead & 0x07;
    else return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      c = (c << 6) | (byte(i + k) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
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

std::string DateIn(game::Language language, int64_t time) {
  if (language == game::Language::english || language == game::Language::chinese)
    return DesktopDate(time);
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm local{};
  if (!::localtime_r(&seconds, &local)) return "?";
  const std::string name = std::string(game::CatalogueCodeOf(language)) + ".UTF-8";
  char text[64];
  std::size_t length = 0;
  if (const locale_t locale = ::newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
      locale != static_cast<locale_t>(0)) {
    length = ::strftime_l(text, sizeof text, "%x", &local, locale);
    ::freelocale(locale);
  }
  if (length == 0 || !IsValidUtf8(std::string_view(text, length)))
    length = std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  // %Y writes the year as it is: four digits from 1000 on, which every history line has.
  return std::string(text, length);
}

void RecordsKeeper::Load(game::GameState& state) {
  history_.ReadAll([this](const storage::HistoryEntry& entry) {
    records_.Add(entry.time, entry.result);
  });
  clock_ = state.clockChoice;
  PublishRelaxedBest(state);
  ShowRecords();
}

void RecordsKeeper::FollowClock(const game::GameState& state) {
  const int8_t clock = state.clockChoice;
  if (clock == clock_) return;
  clock_ = clock;
  ShowRecords();
}

void RecordsKeeper::PublishRelaxedBest(game::GameState& state) const {
  for (int level = 0; level < 3; ++level) {
    const game::LevelRecords& relaxed =
        records_.Of(static_cast<game::Level>(level), game::relaxed);
    state.relaxedBest[level] = relaxed.best.empty() ? 0 : relaxed.best.front().score;
  }
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
  if (results.empty()) return;
  PublishRelaxedBest(state);
  ShowRecords();
}

void RecordsKeeper::ShowRecords() {
  render::RecordsView view;
  view.relaxed = clock_ == game::relaxed;
  for (int level = 0; level < 3; ++level) {
    // Games with others count alike under either clock: always the countdown's counts.
    const game::LevelRecords& records = records_.Of(static_cast<game::Level>(level));
    const game::LevelRecords& alone = records_.Of(static_cast<game::Level>(level), clock_);
    render::RecordsView::Level& shown = view.levels[level];
    for (const game::RecordEntry& best : alone.best)
      shown.best.push_back({best.score, DateIn(render::CurrentLanguage(), best.time)});
    shown.games = alone.alone.games;
    shown.wins = alone.alone.wins;
    shown.bestWonSeconds = alone.bestWonSeconds;
    shown.computerGames = records.computer.games;
    shown.computerWins = records.computer.wins;
    shown.playersGames = records.players.games;
  }
  render::SetRecordsView(std::move(view));
}

}  // namespace app
