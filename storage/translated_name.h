// A name given in several languages: what a picture set and each of its faces are called.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace storage {

// The English name (the source, as the game's catalogues key their texts) and its translations
// by language code ("zh").
struct TranslatedName {
  std::string english;
  std::map<std::string, std::string, std::less<>> translations;

  // The name in the language of code; the English one when it has none. Any thread.
  const std::string& In(std::string_view code) const {
    const auto found = translations.find(code);
    return found != translations.end() ? found->second : english;
  }
};

}  // namespace storage
