// gettext's PO library does the parsing (escapes, continued strings, flags, obsolete entries,
// plurals, duplicates); this file only picks the entries a language shows.
#include "tools/catalogue.h"

#include <gettext-po.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

namespace tools {
namespace {

// The library's handler is a plain function and its reader keeps global state: one read at a
// time, its first problem kept here.
std::mutex readMutex;
std::string firstError;  // "LINE: text" or " text"; guarded by readMutex

void NoteError(int severity, const char* file, std::size_t line, const char* text) {
  if (severity == PO_SEVERITY_WARNING || !firstError.empty()) return;
  std::string said = text != nullptr ? text : "not a gettext catalogue";
  said = said.substr(0, said.find('\n'));  // one line, whatever the library wrote
  firstError = file != nullptr && line != static_cast<std::size_t>(-1)
                   ? std::to_string(line) + ": " + said
                   : " " + said;
}

// The library asks a fatal problem's handler not to return; its reader raises one only when the
// file's bytes cannot be read, and stops there when it does return, so returning is safe and the
// catalogue is refused like any other with an error.
void OnError(int severity, po_message_t, const char* file, std::size_t line, std::size_t, int,
             const char* text) {
  NoteError(severity, file, line, text);
}

void OnTwoErrors(int severity, po_message_t, const char* file, std::size_t line, std::size_t,
                 int, const char* text, po_message_t, const char*, std::size_t, std::size_t,
                 int, const char*) {
  NoteError(severity, file, line, text);
}

const po_xerror_handler kHandler = {OnError, OnTwoErrors};

struct FileFree {
  void operator()(po_file_t file) const { po_file_free(file); }
};
struct IteratorFree {
  void operator()(po_message_iterator_t iterator) const { po_message_iterator_free(iterator); }
};

// Adds message to catalogue when it is a translation the game would show.
void Keep(po_message_t message, Catalogue& catalogue) {
  const std::string_view msgid = po_message_msgid(message);
  if (msgid.empty() || po_message_is_obsolete(message) || po_message_is_fuzzy(message) ||
      po_message_msgctxt(message) != nullptr)
    return;
  if (po_message_msgid_plural(message) == nullptr) {
    const std::string_view msgstr = po_message_msgstr(message);
    if (!msgstr.empty()) catalogue.texts.emplace(msgid, msgstr);
    return;
  }
  std::vector<std::string> forms;
  for (int i = 0; const char* form = po_message_msgstr_plural(message, i); ++i) {
    if (*form == '\0') return;
    forms.emplace_back(form);
  }
  if (!forms.empty()) catalogue.plurals.emplace(msgid, std::move(forms));
}

}  // namespace

std::string_view Catalogue::Find(std::string_view msgid) const {
  const auto found = texts.find(msgid);
  return found == texts.end() ? std::string_view() : std::string_view(found->second);
}

bool ReadCatalogue(const std::filesystem::path& path, Catalogue& catalogue) {
  std::unique_ptr<po_file, FileFree> file;
  std::string error;
  {
    const std::lock_guard lock(readMutex);
    firstError.clear();
    file.reset(po_file_read(path.c_str(), &kHandler));
    error = std::move(firstError);
  }
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
    return false;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "%s:%s\n", path.c_str(), error.c_str());
    return false;
  }
  const std::unique_ptr<struct po_message_iterator, IteratorFree> messages(
      po_message_iterator(file.get(), nullptr));
  while (po_message_t message = po_next_message(messages.get())) Keep(message, catalogue);
  return true;
}

bool ReadCatalogues(const std::filesystem::path& folder, std::vector<Catalogue>& catalogues) {
  std::ifstream linguas(folder / "LINGUAS");
  if (!linguas) {
    std::fprintf(stderr, "%s: cannot be read\n", (folder / "LINGUAS").c_str());
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
