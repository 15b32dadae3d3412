// The history file: appended line by line under the best scores' lock, read leniently.
#include "storage/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "game/choices.h"
#include "storage/formats.h"
#include "storage/paths.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

constexpr std::array<std::string_view, 3> kLevelWords = {"easy", "normal", "hard"};
constexpr std::array<std::string_view, 4> kOutcomeWords = {"won", "lost", "gaveup", "draw"};

// Bounds that no game can pass: a line beyond them is not one of ours.
constexpr int64_t kLargestCount = 100'000'000;

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& words, std::string_view word) {
  for (std::size_t i = 0; i < N; ++i)
    if (words[i] == word) return static_cast<int>(i);
  return -1;
}

bool ParseCount(std::string_view text, int32_t& value) {
  int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 0 ||
      number > kLargestCount || text.empty() || text[0] == '+')
    return false;
  value = static_cast<int32_t>(number);
  return true;
}

bool TwoDigits(std::string_view text, std::size_t at, int& value) {
  if (text[at] < '0' || text[at] > '9' || text[at + 1] < '0' || text[at + 1] > '9') return false;
  value = (text[at] - '0') * 10 + (text[at + 1] - '0');
  return true;
}

// "2026-12-09T05:40:12Z", UTC.
bool ParseTime(std::string_view text, int64_t& time) {
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':' || text[19] != 'Z')
    return false;
  int century = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!TwoDigits(text, 0, century) || !TwoDigits(text, 2, year) || !TwoDigits(text, 5, month) ||
      !TwoDigits(text, 8, day) || !TwoDigits(text, 11, hour) || !TwoDigits(text, 14, minute) ||
      !TwoDigits(text, 17, second))
    return false;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return false;
  // Days since 1970-01-01 of the proleptic Gregorian date (the civil-from-days inverse): timegm
  // would take most of the time of reading a long history.
  const int64_t y = century * 100 + year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;  // January 0000 lies in year -1
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468;
  time = days * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

// A picture set's name within a line: bytes that would break the line (blanks, controls, '%',
// non-ASCII) as %XX.
std::string EncodeName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || byte == '%') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out.empty() ? "%00" : out;
}

bool DecodeName(std::string_view text, std::string& name) {
  name.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A NUL is no part of a name, raw as much as written %00 (an empty name), so that a name
    // read back is written the same way again.
    if (text[i] != '%') {
      if (text[i] != '\0') name += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 2 >= text.size()) return false;
    const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (error != std::errc() || end != text.data() + i + 3) return false;
    if (value != 0) name += static_cast<char>(value);
    i += 2;
  }
  return true;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace

std::string FormatHistoryLine(const HistoryEntry& entry) {
  const game::GameResult& result = entry.result;
  // Room for any int in each field, as the compiler counts them.
  char stamp[80] = "1970-01-01T00:00:00Z";
  std::tm fields{};
  const std::time_t seconds = static_cast<std::time_t>(entry.time);
  // The year in four digits, as the reader wants it: strftime's %Y would write 26 for 0026.
  if (::gmtime_r(&seconds, &fields) && fields.tm_year >= -1900 && fields.tm_year <= 9999 - 1900)
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
  std::string line = stamp;
  line += ' ';
  line += kLevelWords[static_cast<int>(result.level) % 3];
  line += ' ';
  // The words of tessary.conf's `players`.
  line += game::PlayerModeKey(static_cast<game::PlayerMode>(result.playerMode));
  line += ' ';
  line += EncodeName(entry.pictureSet);
  for (const int32_t count : {result.score, result.secondsUsed, result.pairs, result.misses}) {
    line += ' ';
    line += std::to_string(count < 0 ? 0 : count);
  }
  line += ' ';
  line += kOutcomeWords[static_cast<std::size_t>(result.outcome) % kOutcomeWords.size()];
  // Only the relaxed clock's games say their clock: a countdown's line stays as it always was.
  if (result.clock == game::relaxed) line += " relaxed";
  line += '\n';
  return line;
}

bool ParseHistoryLine(std::string_view line, HistoryEntry& entry) {
  std::array<std::string_view, 10> fields;
  std::size_t count = 0;
  std::size_t start = 0;
  while (count < fields.size()) {
    const std::size_t end = line.find(' ', start);
    fields[count++] = line.substr(start, end == std::string_view::npos ? end : end - start);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (count < 9) return false;  // the fields after the tenth are not looked at
  const int level = IndexOf(kLevelWords, fields[1]);
  const std::optional<game::PlayerMode> mode = game::ParsePlayerMode(fields[2]);
  const int outcome = IndexOf(kOutcomeWords, fields[8]);
  game::GameResult& result = entry.result;
  if (!ParseTime(fields[0], entry.time) || level < 0 || !mode || outcome < 0 ||
      !DecodeName(fields[3], entry.pictureSet) || !ParseCount(fields[4], result.score) ||
      !ParseCount(fields[5], result.secondsUsed) || !ParseCount(fields[6], result.pairs) ||
      !ParseCount(fields[7], result.misses))
    return false;
  result.level = static_cast<game::Level>(level);
  result.playerMode = *mode;
  result.pictureSet = 0;
  result.outcome = static_cast<game::Outcome>(outcome);
  // The tenth field names the clock; any other word there is a later version's, the countdown.
  result.clock = count == 10 && fields[9] == "relaxed" ? game::relaxed : game::countdown;
  return true;
}

HistoryReadResult ReadHistoryFile(const std::string& nativePath,
                                  const std::function<void(const HistoryEntry&)>& take) {
  HistoryReadResult read;
  if (nativePath.empty()) return read;
  const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT)
      ReportProblem(nativePath + ": cannot be read: " + ErrorText(errno) +
                    " (the records show this run's games only; the file is kept)");
    return read;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    ReportProblem(nativePath + ": cannot be read: " + ErrorText(EISDIR) +
                  " (the records show this run's games only)");
    return read;
  }
  read.opened = true;

  // Only the line being read is kept: a history of any length takes the same memory.
  std::vector<char> block(1 << 16);
  std::string line;
  bool tooLong = false;
  HistoryEntry entry;
  auto finishLine = [&] {
    if (!tooLong && ParseHistoryLine(line, entry)) {
      ++read.entries;
      take(entry);
    } else if (!line.empty() || tooLong) {
      ++read.skipped;
    }
    line.clear();
    tooLong = false;
  };
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    if (n == 0) break;
    const char* at = block.data();
    const char* const end = at + n;
    while (at < end) {
      const char* newline = static_cast<const char*>(std::memchr(at, '\n', end - at));
      const char* stop = newline ? newline : end;
      if (!tooLong) {
        if (line.size() + static_cast<std::size_t>(stop - at) > kHistoryLineLimit)
          tooLong = true;
        else
          line.append(at, stop);
      }
      if (!newline) break;
      finishLine();
      at = newline + 1;
    }
  }
  // A last line without its end: a game whose save was cut short, or one still being written.
  if (!line.empty() || tooLong) finishLine();
  ::close(fd);
  if (error != 0)
    ReportProblem(nativePath + ": could not be read to the end: " + ErrorText(error) +
                  " (the records show what was read; the file is kept)");
  if (read.skipped > 0)
    ReportProblem(nativePath + ": " + std::to_string(read.skipped) +
                  (read.skipped == 1 ? " line is" : " lines are") +
                  " not a game's record and skipped (kept in the file)");
  return read;
}

bool AppendHistoryLine(const std::string& nativePath, const std::string& lockPath,
                       std::string_view line, std::string& problem) {
  ScoreLock lock(lockPath);
  bool canRead = true;
  int fd = ::open(nativePath.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EACCES) {
    // A file we may append to but not read: the line goes in without the look at its end.
    fd = ::open(nativePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    canRead = false;
  }
  if (fd < 0) {
    problem = ErrorText(errno);
    return false;
  }
  std::string bytes;
  struct stat info {};
  char last = '\n';
  if (canRead && ::fstat(fd, &info) == 0 && info.st_size > 0 &&
      ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
    bytes += '\n';  // the cut line stays whole as it is, on its own line
  bytes.append(line);

  // One write: a kill lands before or after it, and O_APPEND keeps another writer's line whole.
  ssize_t written = -1;
  do {
    written = ::write(fd, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  int error = written < 0 ? errno : 0;
  if (written >= 0 && static_cast<std::size_t>(written) != bytes.size()) error = ENOSPC;
  if (error == 0 && ::fdatasync(fd) != 0 && errno != EINVAL) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    problem = ErrorText(error);
    return false;
  }
  return true;
}

HistoryReadResult HistoryWriter::ReadAll(const std::function<void(const HistoryEntry&)>& take) {
  return ReadHistoryFile(PathOf(kHistoryPath), take);
}

void HistoryWriter::Append(const HistoryEntry& entry) {
  const std::string path = PathOf(kHistoryPath);
  std::string problem;
  if (path.empty()) {
    problem = "neither XDG_DATA_HOME nor HOME names an absolute folder";
  } else {
    // Folders are made as for the best scores; a folder that cannot be made is said there.
    const std::string savePath = SavePathOf(kHistoryPath, &problem);
    if (!savePath.empty() &&
        AppendHistoryLine(savePath, ScoreLockPath(PathOf(kBestScorePath)),
                          FormatHistoryLine(entry), problem))
      return;
  }
  ++unsaved_;
  if (problem_.empty()) problem_ = problem;
}

bool HistoryWriter::Finish() {
  if (unsaved_ == 0) return true;
  const std::string path = PathOf(kHistoryPath);
  ReportProblem((path.empty() ? std::string("history") : path) + ": " +
                std::to_string(unsaved_) + (unsaved_ == 1 ? " game" : " games") +
                " of this run could not be saved: " + problem_);
  unsaved_ = 0;
  return false;
}

}  // namespace storage
