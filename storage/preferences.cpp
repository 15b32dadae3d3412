#include "storage/preferences.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/formats.h"
#include "storage/paths.h"
#include "storage/storage_local.h"

namespace storage {

namespace {

// A settings file is a few lines; anything much longer is not ours and is not read whole.
constexpr std::size_t kMaxPreferencesBytes = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::string> Preferences::Find(std::string_view key) const {
  for (const auto& [name, value] : entries_)
    if (name == key) return value;
  return std::nullopt;
}

bool Preferences::Set(std::string_view key, std::string_view value) {
  key = Trimmed(key);
  value = Trimmed(value);
  // A NUL would make the line unreadable next time (the reader refuses such lines).
  if (key.empty() || key.find_first_of(std::string_view("=\n#\0", 4)) != std::string_view::npos ||
      value.find_first_of(std::string_view("\n\0", 2)) != std::string_view::npos)
    return false;
  for (auto& [name, stored] : entries_) {
    if (name == key) {
      stored.assign(value);
      return true;
    }
  }
  entries_.emplace_back(std::string(key), std::string(value));
  return true;
}

std::string Preferences::Text() const {
  std::string text;
  for (const auto& [name, value] : entries_) text += name + " = " + value + "\n";
  return text;
}

Preferences Preferences::Parse(std::string_view text, std::vector<std::string>& problems) {
  Preferences preferences;
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || Trimmed(line.substr(0, equals)).empty() ||
        line.find('\0') != std::string_view::npos) {
      problems.push_back("line " + std::to_string(lineNumber) + " is not \"key = value\"");
      continue;
    }
    // A key named twice: the last one holds, as a person editing the file would expect.
    preferences.Set(line.substr(0, equals), line.substr(equals + 1));
  }
  return preferences;
}

Preferences ReadPreferences() {
  const std::string path = PathOf(kPreferencesPath);
  if (path.empty()) return {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT)
      ReportProblem(path + ": cannot be read: " + std::strerror(errno) + " (using the defaults)");
    return {};
  }
  std::string text(kMaxPreferencesBytes, '\0');
  std::size_t total = 0;
  int error = 0;
  while (total < text.size()) {
    const ssize_t n = ::read(fd, text.data() + total, text.size() - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    total += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (error != 0) {
    ReportProblem(path + ": cannot be read: " + std::strerror(error) + " (using the defaults)");
    return {};
  }
  text.resize(total);
  std::vector<std::string> problems;
  Preferences preferences = Preferences::Parse(text, problems);
  for (const std::string& problem : problems) ReportProblem(path + ": " + problem + ", ignored");
  return preferences;
}

bool WritePreferences(const Preferences& preferences) {
  const std::string path = SavePathOf(kPreferencesPath);
  const std::string text = preferences.Text();
  return !path.empty() &&
         ReplaceFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

}  // namespace storage
