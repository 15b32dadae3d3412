// A name given in several languages: what a picture set and each of its faces are called.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace storage {

// The English name (the source, as the game's catalogues key their texts) and its translations
// by language code: a catalogue's ("de", "zh_TW", "pt_BR") or a language's alone ("zh" for
// Simplified Chinese, as older manifests have it).
struct TranslatedName {
  std::string english;
  std::map<std::string, std::string, std::less<>> translations;

  // The name in the language of code: under code itself, else under its language part ("zh"
  // for "zh_CN", "pt" for "pt_BR"); the English one when it has neither. Any thread.
  const std::string& In(std::string_view code) const {
    auto found = translations.find(code);
    if (found == translations.end()) found = translations.find(code.substr(0, code.find('_')));
    return found != translations.end() ? found->second : english;
  }
};

}  // namespace storage
