// What the readers of other games' decks share: the deck's files out of an archive or a folder,
// its XML parsed without DTD or entities, and its pictures (SVG, PNG, JPEG, WebP) made into
// faces, all within the limits of storage/deck_limits.h. Not for other folders.
#pragma once

#include <libxml/tree.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/decks.h"
#include "storage/photo_faces.h"

namespace storage {

// A deck's files: the names of its regular files (relative, '/'-separated, in the archive's
// order or sorted for a folder), and the bytes of those that were asked for.
struct DeckFiles {
  std::vector<std::string> names;
  std::map<std::string, std::vector<uint8_t>, std::less<>> contents;
};

// Reads the archive (ZIP, tar with bzip2, gzip or xz) or the folder at path, keeping the bytes of
// the files keep(name) is true for. An entry that is a link, a device or another non-file is
// left out with one line in problems. False, with one line naming path as problems' last, for a
// path that is neither, an entry named with "..", an absolute or too long name, or beyond the
// limits (counted while unpacking), or when cancel is set. A folder's links are never
// followed. Any thread.
bool ReadDeckFiles(const std::string& path, const std::function<bool(std::string_view)>& keep,
                   DeckFiles& files, std::vector<std::string>& problems,
                   const std::atomic<bool>* cancel = nullptr);

// A name within a deck: "" for one with "..", an absolute one, or an empty one; else the name
// without "./" parts and doubled '/'. Any thread.
std::string CleanDeckName(std::string_view name);

struct XmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlDocFree>;

// Parses bytes as a UTF-8 XML document: no network, no DTD (loaded or internal), no entities,
// elements nested at most kMaxDeckXmlDepth, at most kMaxDeckXmlBytes. Null with problem set to
// one lower-case line (without a file name) otherwise. Any thread.
XmlDocument ParseDeckXml(std::span<const uint8_t> bytes, std::string& problem);

// An element's attribute (without namespace) or its text, trimmed; empty when absent. Any thread.
std::string XmlAttribute(const xmlNode* element, const char* name);
std::string XmlText(const xmlNode* element);
// The element's child elements named name (local name, any namespace), in order.
std::vector<const xmlNode*> XmlChildren(const xmlNode* element, const char* name);

// An SVG picture as a face: refused (problem set, lower case) beyond kMaxDeckSvgBytes, when its
// XML is refused, when anything in it refers to something other than "#..." or "data:", or when
// its size is not sane; otherwise drawn scaled to fit, centred on white, kFacePixels square,
// red-green-blue, bottom row first. Any thread.
bool SvgToFace(std::span<const uint8_t> bytes, std::vector<uint8_t>& faceRgb,
               std::string& problem);

// A deck's picture file (by its name's extension: .svg/.svgz refused for the latter, else
// through the photo decoder's JPEG, PNG and WebP) as a face; reason as SvgToFace's.
bool DeckPictureToFace(std::string_view name, std::span<const uint8_t> bytes,
                       std::vector<uint8_t>& faceRgb, std::string& problem,
                       const std::atomic<bool>* cancel = nullptr);

// A pair read from the deck at path joins cards (its second card only on a two-kind deck), and
// used counts it; or, when problem is set, it is skipped with one line naming it (`which`:
// "pair 3", "element 3"). Any thread.
void KeepOrSkipPair(const std::string& path, const std::string& which, const std::string& problem,
                    FaceImage& first, FaceImage& second, DeckCards& cards, int& used,
                    std::vector<std::string>& problems);
// Whether a deck read to its end holds any pair; else one line in problems.
bool HoldsPairs(const std::string& path, int used, std::vector<std::string>& problems);

// A card's picture or sound from the deck's entry: the face's rgb (through DeckPictureToFace)
// or its sound bytes (at most kMaxDeckSoundBytes), and its source ("deck path:entry"). Empty when
// added, else one lower-case line naming the entry (missing, too large, undecodable). Any thread.
std::string AddCardPicture(const std::string& deckPath, const DeckFiles& files,
                           const std::string& entry, FaceImage& face,
                           const std::atomic<bool>* cancel = nullptr);
std::string AddCardSound(const std::string& deckPath, const DeckFiles& files,
                         const std::string& entry, FaceImage& face);

// The last part of a name without its extension ("images/cat.png" gives "cat").
std::string FileStem(std::string_view name);

// Text cut to at most characters UTF-8 characters.
std::string CutToCharacters(std::string text, int characters);

}  // namespace storage
