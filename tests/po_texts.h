// A plain reader of gettext catalogues (po/*.po) for the checks and benchmarks that draw every
// language's texts: msgid to msgstr, escapes resolved, the header and untranslated entries left
// out, each plural form an entry of its own under the msgid.
#pragma once

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace po_texts {

// The text of a quoted .po line's string, its escapes resolved; "" for a line of another form.
inline std::string Unquote(const std::string& line) {
  const std::size_t open = line.find('"'), close = line.rfind('"');
  std::string text;
  if (open == std::string::npos || close <= open) return text;
  for (std::size_t i = open + 1; i < close; ++i) {
    if (line[i] != '\\' || i + 1 >= close) {
      text += line[i];
      continue;
    }
    const char escaped = line[++i];
    text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
  }
  return text;
}

// (msgid, msgstr) of every translated entry of the catalogue at path; empty when unreadable.
inline std::vector<std::pair<std::string, std::string>> ReadCatalogue(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::pair<std::string, std::string>> entries;
  std::string line, msgid, msgstr;
  enum { none, id, plural, str } reading = none;
  const auto finish = [&] {
    if (reading == str && !msgid.empty() && !msgstr.empty()) entries.emplace_back(msgid, msgstr);
  };
  while (std::getline(in, line)) {
    if (line.starts_with("msgid_plural")) {
      reading = plural;
    } else if (line.starts_with("msgid ")) {
      finish();
      reading = id;
      msgid = Unquote(line);
    } else if (line.starts_with("msgstr")) {
      finish();
      reading = str;
      msgstr = Unquote(line);
    } else if (line.starts_with("\"")) {
      if (reading == id) msgid += Unquote(line);
      if (reading == str) msgstr += Unquote(line);
    }
  }
  finish();
  return entries;
}

// The languages of po/LINGUAS in poDirectory, in its order.
inline std::vector<std::string> ShippedLanguages(const std::string& poDirectory) {
  std::ifstream in(poDirectory + "/LINGUAS");
  std::vector<std::string> languages;
  std::string word;
  while (in >> word)
    if (!word.starts_with("#")) languages.push_back(word);
  return languages;
}

}  // namespace po_texts
