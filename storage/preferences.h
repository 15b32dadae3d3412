// "tessary.conf": every choice the game added beside its three switches (the picture set, the
// players, ...), as lines of `key = value`. Read leniently: a line that is not `key = value` is
// ignored with one warning, and keys this game does not know are kept and written back, so an
// older and a newer copy of the game can share the file. game.cfg keeps its own three bytes.
// UI thread only: read before the workers start, written after they have stopped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace storage {

class Preferences {
 public:
  // The value of key, without surrounding blanks; nothing when the file did not name it.
  std::optional<std::string> Find(std::string_view key) const;
  // Sets key to value, in its old place when it was there, else at the end. A key or value
  // holding a line end or a NUL, or a key holding "=" or "#", is refused: it could not be read back.
  bool Set(std::string_view key, std::string_view value);

  // The file's text for these entries, one `key = value` line each, in order.
  std::string Text() const;
  // Reads a file's text; lines that are blank or start with '#' are skipped, other lines without
  // '=' or with an empty key are skipped, each named in problems ("line 3: ...").
  static Preferences Parse(std::string_view text, std::vector<std::string>& problems);

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// Reads "tessary.conf" from its place (storage/paths); a missing file gives no entries, quietly;
// an unreadable one or a bad line gives one warning on stderr each.
Preferences ReadPreferences();

// Replaces "tessary.conf" atomically. Returns false, after one message on stderr, when it could
// not; the previous file is then intact.
bool WritePreferences(const Preferences& preferences);

}  // namespace storage
