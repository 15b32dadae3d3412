// XML from a deck with libxml2, closed to everything outside the bytes given: read as UTF-8
// whatever the document declares (so the check for a DOCTYPE below sees what the parser sees),
// no network, no DTD loaded, no entity substituted, and any document with a DOCTYPE or an entity
// declaration refused before it is parsed.
#include <libxml/parser.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"

namespace storage {

namespace {

bool Holds(std::span<const uint8_t> bytes, std::string_view text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// The deepest nesting of elements under root, counted until it passes limit.
int Depth(const xmlNode* root, int limit) {
  int deepest = 0;
  std::vector<std::pair<const xmlNode*, int>> pending{{root, 1}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, depth);
    if (deepest > limit) break;
    for (const xmlNode* child = node->children; child != nullptr; child = child->next)
      if (child->type == XML_ELEMENT_NODE) pending.emplace_back(child, depth + 1);
  }
  return deepest;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

XmlDocument ParseDeckXml(std::span<const uint8_t> bytes, std::string& problem) {
  static std::once_flag started;
  std::call_once(started, [] { xmlInitParser(); });
  if (int64_t(bytes.size()) > kMaxDeckXmlBytes) {
    problem = "is larger than " + std::to_string(kMaxDeckXmlBytes >> 20) + " MiB of XML";
    return nullptr;
  }
  // Both are refused by name: a document of a deck has no business declaring either.
  if (Holds(bytes, "<!DOCTYPE") || Holds(bytes, "<!ENTITY")) {
    problem = "declares a DOCTYPE or entities, which are not read";
    return nullptr;
  }
  constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                           XML_PARSE_NOCDATA | XML_PARSE_IGNORE_ENC;
  XmlDocument doc(xmlReadMemory(reinterpret_cast<const char*>(bytes.data()),
                                int(bytes.size()), nullptr, "UTF-8", kOptions));
  if (!doc) {
    const xmlError* error = xmlGetLastError();
    problem = "is not well-formed XML";
    if (error != nullptr && error->line > 0)
      problem += " (line " + std::to_string(error->line) + ")";
    return nullptr;
  }
  if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
    problem = "declares a DOCTYPE or entities, which are not read";
    return nullptr;
  }
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (root == nullptr) {
    problem = "holds no element";
    return nullptr;
  }
  if (Depth(root, kMaxDeckXmlDepth) > kMaxDeckXmlDepth) {
    problem = "nests elements deeper than " + std::to_string(kMaxDeckXmlDepth);
    return nullptr;
  }
  return doc;
}

std::string XmlAttribute(const xmlNode* element, const char* name) {
  for (const xmlAttr* attribute = element->properties; attribute != nullptr;
       attribute = attribute->next) {
    if (std::strcmp(reinterpret_cast<const char*>(attribute->name), name) != 0) continue;
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute));
    std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return Trim(text);
  }
  return {};
}

std::string XmlText(const xmlNode* element) {
  xmlChar* value = xmlNodeGetContent(element);
  std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return Trim(text);
}

std::vector<const xmlNode*> XmlChildren(const xmlNode* element, const char* name) {
  std::vector<const xmlNode*> children;
  for (const xmlNode* child = element->children; child != nullptr; child = child->next)
    if (child->type == XML_ELEMENT_NODE &&
        std::strcmp(reinterpret_cast<const char*>(child->name), name) == 0)
      children.push_back(child);
  return children;
}

std::string FileStem(std::string_view name) {
  const auto slash = name.find_last_of('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string CutToCharacters(std::string text, int characters) {
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (++count > characters) {
      text.resize(i);
      break;
    }
  }
  return text;
}

}  // namespace storage
