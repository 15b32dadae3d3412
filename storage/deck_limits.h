// The limits on everything a deck brings, whoever made it: one table shared by every deck reader
// (ours, Sugar Memorize's, KDE Pairs') and by docs/formats.md. Anything beyond them is refused
// before it is decoded: the entry or the pair with one line, or the whole deck.
#pragma once

#include <cstddef>
#include <cstdint>

namespace storage {

// An archive or a folder: its entries (files) at most, one entry's bytes once unpacked, and all
// of them together, counted as they are unpacked, never taken from the headers alone.
inline constexpr int kMaxDeckEntries = 2000;
inline constexpr int64_t kMaxDeckEntryBytes = int64_t{16} << 20;
inline constexpr int64_t kMaxDeckTotalBytes = int64_t{64} << 20;
// An archive's entry name, in bytes (a longer one refuses the deck).
inline constexpr std::size_t kMaxDeckEntryNameBytes = 255;
// Folders inside a deck's folder followed at most this deep (a KDE Pairs theme as a folder).
inline constexpr int kMaxDeckFolderDepth = 8;

// An XML file (Sugar's game.xml, KDE's NAME.game, an SVG): its bytes, and its elements nested at
// most this deep. No DTD, no entities, nothing fetched from the network.
inline constexpr int64_t kMaxDeckXmlBytes = int64_t{1} << 20;
inline constexpr int kMaxDeckXmlDepth = 32;

// An SVG picture: its bytes, and the size it says it has (pixels a side), which must be positive
// and at most this; it is drawn into a face of kFacePixels scaled to fit, centred on white.
inline constexpr int64_t kMaxDeckSvgBytes = int64_t{1} << 20;
inline constexpr double kMaxDeckSvgSide = 100000.0;

// A card's sound: the encoded file's bytes, and its length once decoded (the sound module's).
inline constexpr int64_t kMaxDeckSoundBytes = int64_t{1} << 20;
inline constexpr double kMaxDeckSoundSeconds = 10.0;

// Pairs a deck plays at most: the first ones, after one line naming the rest.
inline constexpr int kMaxDeckPairs = 200;

// Our own deck package's manifest (set.txt with pair keys); picture sets keep their 16 KiB.
inline constexpr int64_t kMaxDeckManifestBytes = int64_t{64} << 10;

}  // namespace storage
