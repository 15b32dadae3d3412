// A deck's pictures as faces: SVG drawn by librsvg into a cairo surface, after our own look at its
// XML (librsvg is given the bytes alone, with no base file, so it could resolve nothing relative
// anyway; the look refuses anything that even tries to reach outside), and the other pictures
// through the photo decoder with its limits.
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "storage/deck_input.h"
#include "storage/deck_limits.h"
#include "storage/photo_local.h"

namespace storage {

namespace {

bool Inside(std::string_view reference) {
  const auto first = reference.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return true;
  reference.remove_prefix(first);
  if (reference.front() == '#') return true;
  if (reference.size() >= 5) {
    std::string scheme(reference.substr(0, 5));
    for (char& c : scheme) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (scheme == "data:") return true;
  }
  return false;
}

// Every url(...) in a style or attribute value must stay inside too; @import never does.
bool StyleStaysInside(std::string_view text) {
  if (text.find("@import") != std::string_view::npos) return false;
  for (std::size_t at = text.find("url("); at != std::string_view::npos;
       at = text.find("url(", at + 4)) {
    std::string_view rest = text.substr(at + 4);
    const auto first = rest.find_first_not_of(" \t\r\n\"'");
    if (first == std::string_view::npos || !Inside(rest.substr(first))) return false;
  }
  return true;
}

// The first thing in an SVG's tree that refers outside it, or empty.
std::string OutsideReference(const xmlNode* node) {
  for (; node != nullptr; node = node->next) {
    if (node->type == XML_PI_NODE) return "holds a processing instruction";
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      if (node->content != nullptr &&
          !StyleStaysInside(reinterpret_cast<const char*>(node->content)))
        return "refers to a style or file outside it";
      continue;
    }
    if (node->type != XML_ELEMENT_NODE) continue;
    for (const xmlAttr* attribute = node->properties; attribute != nullptr;
         attribute = attribute->next) {
      xmlChar* raw = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute));
      const std::string value = raw != nullptr ? reinterpret_cast<const char*>(raw) : "";
      xmlFree(raw);
      const bool isReference =
          std::strcmp(reinterpret_cast<const char*>(attribute->name), "href") == 0;
      if ((isReference && !Inside(value)) || !StyleStaysInside(value))
        return "refers to \"" + CutToCharacters(value, 40) + "\" outside it";
    }
    if (std::string found = OutsideReference(node->children); !found.empty()) return found;
  }
  return {};
}

bool Sane(double side) { return std::isfinite(side) && side > 0 && side <= kMaxDeckSvgSide; }

struct HandleFree {
  void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};

}  // namespace

bool SvgToFace(std::span<const uint8_t> bytes, std::vector<uint8_t>& faceRgb,
               std::string& problem) {
  if (int64_t(bytes.size()) > kMaxDeckSvgBytes) {
    problem = "is an SVG larger than " + std::to_string(kMaxDeckSvgBytes >> 20) + " MiB";
    return false;
  }
  XmlDocument doc = ParseDeckXml(bytes, problem);
  if (!doc) return false;
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (std::strcmp(reinterpret_cast<const char*>(root->name), "svg") != 0) {
    problem = "is not an SVG picture";
    return false;
  }
  // The tree's depth is at most kMaxDeckXmlDepth here, so the walk's recursion is bounded.
  if (std::string found = OutsideReference(doc->children); !found.empty()) {
    problem = found;
    return false;
  }
  GError* error = nullptr;
  std::unique_ptr<RsvgHandle, HandleFree> handle(
      rsvg_handle_new_from_data(bytes.data(), bytes.size(), &error));
  if (!handle) {
    problem = std::string("is an SVG that cannot be read: ") +
              (error != nullptr ? error->message : "unknown error");
    g_clear_error(&error);
    return false;
  }
  double width = 0, height = 0;
  if (rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height)) {
    if (!Sane(width) || !Sane(height)) {
      problem = "is an SVG of an impossible size";
      return false;
    }
  } else {
    gboolean hasWidth = false, hasHeight = false, hasViewBox = false;
    RsvgLength lengthWidth{}, lengthHeight{};
    RsvgRectangle viewBox{};
    rsvg_handle_get_intrinsic_dimensions(handle.get(), &hasWidth, &lengthWidth, &hasHeight,
                                         &lengthHeight, &hasViewBox, &viewBox);
    if (hasViewBox && (!Sane(viewBox.width) || !Sane(viewBox.height))) {
      problem = "is an SVG of an impossible size";
      return false;
    }
  }
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kFacePixels, kFacePixels);
  cairo_t* cairo = cairo_create(surface);
  cairo_set_source_rgb(cairo, 1, 1, 1);
  cairo_paint(cairo);
  // The viewport keeps the picture's proportions: scaled to fit and centred.
  const RsvgRectangle viewport{0, 0, double(kFacePixels), double(kFacePixels)};
  const bool drawn = rsvg_handle_render_document(handle.get(), cairo, &viewport, &error);
  cairo_destroy(cairo);
  cairo_surface_flush(surface);
  if (drawn) {
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    faceRgb.resize(std::size_t(kFacePixels) * kFacePixels * 3);
    for (int y = 0; y < kFacePixels; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + std::size_t(y) * stride);
      uint8_t* out = &faceRgb[std::size_t(kFacePixels - 1 - y) * kFacePixels * 3];
      for (int x = 0; x < kFacePixels; ++x, out += 3) {
        out[0] = uint8_t(row[x] >> 16);
        out[1] = uint8_t(row[x] >> 8);
        out[2] = uint8_t(row[x]);
      }
    }
  } else {
    problem = std::string("is an SVG that cannot be drawn: ") +
              (error != nullptr ? error->message : "unknown error");
    g_clear_error(&error);
  }
  cairo_surface_destroy(surface);
  return drawn;
}

bool DeckPictureToFace(std::string_view name, std::span<const uint8_t> bytes,
                       std::vector<uint8_t>& faceRgb, std::string& problem,
                       const std::atomic<bool>* cancel) {
  std::string extension(name.substr(std::min(name.size(), name.find_last_of('.'))));
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  const auto first = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) {
    return b != ' ' && b != '\t' && b != '\r' && b != '\n' && b != 0xEF && b != 0xBB &&
           b != 0xBF;
  });
  if (extension == ".svg" || (first != bytes.end() && *first == '<'))
    return SvgToFace(bytes, faceRgb, problem);
  if (extension == ".svgz") {
    problem = "is a compressed SVG, which is not read";
    return false;
  }
  problem = PrepareFaceFromBytes(bytes, faceRgb, cancel);
  return problem.empty();
}

void KeepOrSkipPair(const std::string& path, const std::string& which, const std::string& problem,
                    FaceImage& first, FaceImage& second, DeckCards& cards, int& used,
                    std::vector<std::string>& problems) {
  if (!problem.empty()) {
    problems.push_back(path + ": " + which + ": " + problem + " (skipped)");
    return;
  }
  cards.faces.push_back(std::move(first));
  if (cards.twoKinds) cards.faces.push_back(std::move(second));
  ++used;
}

bool HoldsPairs(const std::string& path, int used, std::vector<std::string>& problems) {
  if (used == 0) problems.push_back(path + ": holds no pair that can be played");
  return used > 0;
}

std::string AddCardPicture(const std::string& deckPath, const DeckFiles& files,
                           const std::string& entry, FaceImage& face,
                           const std::atomic<bool>* cancel) {
  const auto found = files.contents.find(entry);
  if (found == files.contents.end()) return "picture " + entry + " is missing";
  std::string problem;
  if (!DeckPictureToFace(entry, found->second, face.rgb, problem, cancel))
    return "picture " + entry + " " + problem;
  face.source = deckPath + ":" + entry;
  return {};
}

std::string AddCardSound(const std::string& deckPath, const DeckFiles& files,
                         const std::string& entry, FaceImage& face) {
  const auto found = files.contents.find(entry);
  if (found == files.contents.end()) return "sound " + entry + " is missing";
  if (int64_t(found->second.size()) > kMaxDeckSoundBytes)
    return "sound " + entry + " is larger than " + std::to_string(kMaxDeckSoundBytes >> 20) +
           " MiB";
  if (found->second.empty()) return "sound " + entry + " is empty";
  face.sound = found->second;
  if (face.source.empty()) face.source = deckPath + ":" + entry;
  return {};
}

}  // namespace storage
