#include "storage/manifest_lines.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace storage {
namespace {

// The length of the UTF-8 sequence at text[i], or 0 when it is not one (overlong forms,
// surrogates and code points past U+10FFFF included).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
  if (length == 0 || lead > 0xf4 || i + length > text.size()) return 0;
  uint32_t point = lead & (0x7f >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return 0;
    point = (point << 6) | (byte(i + k) & 0x3f);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < smallest[length] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff))
    return 0;
  return length;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool ForEachManifestLine(std::string_view text, std::size_t maxBytes,
                         const std::function<bool(const ManifestLine&, std::string&)>& take,
                         std::string& problem) {
  if (text.size() > maxBytes) {
    problem = "is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0) {
      problem = "is not UTF-8 text";
      return false;
    }
    i += length;
  }
  int lineNumber = 0;
  ManifestLine parsed;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    parsed.where = "line " + std::to_string(lineNumber);
    if (std::any_of(line.begin(), line.end(), [](char c) {
          return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f;
        })) {
      problem = parsed.where + " holds a control character";
      return false;
    }
    line = Trimmed(line);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || Trimmed(line.substr(0, equals)).empty()) {
      problem = parsed.where + " is not \"key = value\"";
      return false;
    }
    parsed.key = Trimmed(line.substr(0, equals));
    for (char& c : parsed.key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (parsed.key == "license") parsed.key = "licence";
    parsed.value = Trimmed(line.substr(equals + 1));
    if (!take(parsed, problem)) return false;
  }
  return true;
}

bool IsLanguageCode(std::string_view code) {
  return !code.empty() && code.size() <= 8 && std::all_of(code.begin(), code.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

std::string CatalogueSpelling(std::string_view lowerCode) {
  std::string code(lowerCode);
  if (const std::size_t region = code.find('_'); region != std::string::npos)
    for (std::size_t i = region + 1; i < code.size(); ++i)
      code[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[i])));
  return code;
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t characters = 0;
  for (char c : text) characters += (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  return characters;
}

}  // namespace storage
