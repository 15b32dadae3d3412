// A reader for the few constructs of a .po file: comments, flags, msgctxt, msgid, msgid_plural,
// msgstr and msgstr[N], each a quoted string continued by further quoted lines.
#include "tools/catalogue.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tools {
namespace {

// The value of a quoted C-style string (as a .po file writes it); false when not one.
bool Unquote(std::string_view text, std::string& value) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  value.clear();
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (c == '"') return false;
    if (c == '\\') {
      if (++i + 1 >= text.size()) return false;
      switch (text[i]) {
        case 'n':
          c = '\n';
          break;
        case 't':
          c = '\t';
          break;
        case '"':
        case '\\':
          c = text[i];
          break;
        default:
          return false;
      }
    }
    value += c;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

struct Entry {
  bool fuzzy = false, context = false, plural = false;
  std::string msgid, msgstr;
  std::string* open = nullptr;  // the string a continuation line adds to
};

}  // namespace

std::string_view Catalogue::Find(std::string_view msgid) const {
  const auto found = texts.find(msgid);
  return found == texts.end() ? std::string_view() : std::string_view(found->second);
}

bool ReadCatalogue(const std::filesystem::path& path, Catalogue& catalogue) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tessary-datagen: %s: cannot be read\n", path.c_str());
    return false;
  }
  Entry entry;
  std::string ignored;
  bool afterMsgstr = false;  // the entry is whole once something other than its msgstr follows
  auto finish = [&] {
    if (!entry.fuzzy && !entry.context && !entry.plural && !entry.msgid.empty() &&
        !entry.msgstr.empty())
      catalogue.texts[entry.msgid] = entry.msgstr;
    entry = Entry();
    afterMsgstr = false;
  };
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const std::string_view line = Trimmed(raw);
    bool ok = true;
    if (line.empty() || line.starts_with("#~")) {
      entry.open = nullptr;
    } else if (line.starts_with('#')) {
      if (afterMsgstr) finish();
      if (line.starts_with("#,") && line.find("fuzzy") != std::string_view::npos)
        entry.fuzzy = true;
    } else if (line.starts_with('"')) {
      std::string more;
      ok = entry.open != nullptr && Unquote(line, more);
      if (ok) *entry.open += more;
    } else {
      const std::size_t space = line.find(' ');
      const std::string_view keyword = line.substr(0, space);
      const std::string_view value =
          space == std::string_view::npos ? std::string_view() : Trimmed(line.substr(space));
      if (afterMsgstr && !keyword.starts_with("msgstr")) finish();
      std::string* target = &ignored;
      if (keyword == "msgctxt") {
        entry.context = true;
      } else if (keyword == "msgid") {
        target = &entry.msgid;
      } else if (keyword == "msgid_plural") {
        entry.plural = true;
      } else if (keyword == "msgstr" || keyword.starts_with("msgstr[")) {
        if (keyword == "msgstr")
          target = &entry.msgstr;
        else
          entry.plural = true;
        afterMsgstr = true;
      } else {
        ok = false;
      }
      ok = ok && Unquote(value, *target);
      entry.open = target;
    }
    if (!ok) {
      std::fprintf(stderr, "tessary-datagen: %s: line %d is not of a gettext catalogue\n",
                   path.c_str(), number);
      return false;
    }
  }
  finish();
  return true;
}

bool ReadCatalogues(const std::filesystem::path& folder, std::vector<Catalogue>& catalogues) {
  std::ifstream linguas(folder / "LINGUAS");
  if (!linguas) {
    std::fprintf(stderr, "tessary-datagen: %s: cannot be read\n", (folder / "LINGUAS").c_str());
    return false;
  }
  std::string line;
  while (std::getline(linguas, line)) {
    std::istringstream codes(line.substr(0, line.find('#')));
    std::string code;
    while (codes >> code) {
      Catalogue catalogue;
      catalogue.code = code;
      if (!ReadCatalogue(folder / (code + ".po"), catalogue)) return false;
      catalogues.push_back(std::move(catalogue));
    }
  }
  return true;
}

}  // namespace tools
