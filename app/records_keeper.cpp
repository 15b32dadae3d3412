#include "app/records_keeper.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace app {

namespace {

// The desktop's time locale, made once; "C" when the environment names none that exists.
locale_t DesktopTimeLocale() {
  static const locale_t locale = [] {
    locale_t made = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (made == static_cast<locale_t>(0))
      made = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    return made;
  }();
  return locale;
}

std::string ToGbk(const std::string& text, const char* codeset) {
  bool ascii = true;
  for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return text;
  const iconv_t converter = ::iconv_open("GBK", codeset);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text.size(), '?');
  std::string out(text.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* to = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (::iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // A character GBK lacks: one '?' for its bytes up to the next character.
    ++in;
    --inLeft;
    while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
      ++in;
      --inLeft;
    }
    if (outLeft == 0) break;
    *to++ = '?';
    --outLeft;
  }
  ::iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string DesktopDate(int64_t time) {
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm local{};
  if (!::localtime_r(&seconds, &local)) return "?";
  char text[64];
  const locale_t locale = DesktopTimeLocale();
  const std::size_t length = locale != static_cast<locale_t>(0)
                                 ? ::strftime_l(text, sizeof text, "%x", &local, locale)
                                 : std::strftime(text, sizeof text, "%x", &local);
  const char* codeset =
      locale != static_cast<locale_t>(0) ? ::nl_langinfo_l(CODESET, locale) : "ASCII";
  return ToGbk(std::string(text, length), codeset);
}

std::string PictureSetName(int32_t) { return "classic"; }

void RecordsKeeper::Load() {
  history_.ReadAll([this](const storage::HistoryEntry& entry) {
    records_.Add(entry.time, entry.result);
  });
  ShowRecords();
}

void RecordsKeeper::TakeResults(game::GameState& state) {
  const std::vector<game::GameResult> results = state.results.TakeAll();
  if (results.empty()) return;
  for (const game::GameResult& result : results) {
    storage::HistoryEntry entry;
    entry.time = static_cast<int64_t>(std::time(nullptr));
    entry.result = result;
    entry.pictureSet = PictureSetName(result.pictureSet);
    history_.Append(entry);
    const int place = records_.Add(entry.time, result);
    if (place > 0) state.recordRank = static_cast<int8_t>(place);
  }
  ShowRecords();
}

bool RecordsKeeper::Finish(game::GameState& state) {
  TakeResults(state);
  return history_.Finish();
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
