// A learning deck of 100 pairs, made here as our own deck package: each pair a picture and its
// word. Read by the deck loader while the menu is drawn, then its cards composed and uploaded on
// the UI thread: the time until it is ready to play, against the idle menu's frames.
// The pictures are PNG; with kSvgPictures they are SVG drawings (the deck readers' SVG support).
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "storage/decks.h"

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr int kPairs = 100;
constexpr int kPictureSide = 512;
constexpr bool kSvgPictures = true;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(out, uint32_t(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// A picture of circles in the pair's colours, as PNG (8-bit RGB).
std::vector<uint8_t> EncodePng(int index) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < kPictureSide; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < kPictureSide; ++x) {
      const int dx = x - kPictureSide / 2, dy = y - kPictureSide / 2;
      const bool ring = (dx * dx + dy * dy) / (900 + 37 * index) % 2 == 0;
      raw.push_back(uint8_t(ring ? 40 + index * 2 : 230));
      raw.push_back(uint8_t(ring ? 200 - index : 90 + x / 4));
      raw.push_back(uint8_t(ring ? (index * 53) % 256 : 120 + y / 8));
    }
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 6);
  packed.resize(size);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(header, kPictureSide);
  PutBigEndian(header, kPictureSide);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

std::vector<uint8_t> EncodeSvg(int index) {
  const std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\">"
      "<rect width=\"256\" height=\"256\" fill=\"#%06x\"/>"
      "<circle cx=\"128\" cy=\"128\" r=\"%d\" fill=\"#%06x\"/></svg>",
      (index * 2654435761u) & 0xffffff, 30 + index % 90, (index * 40503u) & 0xffffff);
  return {svg.begin(), svg.end()};
}

// Writes the deck package; its size in bytes, 0 when it could not be written.
double WriteDeck(const std::string& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return 0;
  std::string manifest = "name = Bench deck\nname.de = Prüfdeck\n";
  std::vector<std::vector<uint8_t>> entries;
  entries.reserve(kPairs);
  for (int n = 1; n <= kPairs; ++n) {
    const std::string picture = Format(kSvgPictures ? "p%d.svg" : "p%d.png", n);
    manifest += Format("pair.%d.a.picture = %s\npair.%d.b.word = word %d\n"
                       "pair.%d.b.word.de = Wort %d\npair.%d.b.word.ja = 言葉 %d\n",
                       n, picture.c_str(), n, n, n, n, n, n);
    entries.push_back(kSvgPictures ? EncodeSvg(n) : EncodePng(n));
    zip_source_t* source = zip_source_buffer(archive, entries.back().data(),
                                             entries.back().size(), 0);
    zip_file_add(archive, picture.c_str(), source, ZIP_FL_OVERWRITE);
  }
  zip_source_t* source = zip_source_buffer(archive, manifest.data(), manifest.size(), 0);
  zip_file_add(archive, "set.txt", source, ZIP_FL_OVERWRITE);
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return 0;
  }
  return double(fs::file_size(path));
}

}  // namespace

void MeasureDecks(WindowBench& bench) {
  std::string pattern = (fs::temp_directory_path() / "tessary-bench-deck-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    PrintRow("Decks", "no temporary folder", "-", "-", "-", "-");
    return;
  }
  const fs::path work = pattern;
  const std::string path = (work / "bench.px").string();
  const double bytes = WriteDeck(path);
  const std::vector<storage::PictureSetInfo> sets = storage::DeckSetsAt(path);
  if (bytes == 0 || sets.empty()) {
    PrintRow("Decks", "the bench's deck cannot be written or read", "-", "-", "-", "-");
    fs::remove_all(work);
    return;
  }

  game::GameState& menu = *bench.state;
  SetUpMenu(menu);
  std::vector<double> idleFrames;
  Clock::time_point due = Clock::now();
  for (const Clock::time_point start = due; SecondsSince(start) < 3.0;)
    idleFrames.push_back(DrawPacedMenuFrame(bench, menu, due));

  const int repetitions = std::max(1, std::min(bench.repetitions, 5));
  std::vector<double> readTimes, composeTimes, readyTimes, loadFrames;
  std::size_t cards = 0;
  for (int repetition = 0; repetition < repetitions; ++repetition) {
    storage::DeckLoader loader;
    const Clock::time_point start = Clock::now();
    loader.Start(sets.front());
    due = start;
    while (!loader.Finished()) loadFrames.push_back(DrawPacedMenuFrame(bench, menu, due));
    readTimes.push_back(SecondsSince(start));
    const storage::DeckCards deck = loader.TakeCards();
    cards = deck.faces.size();
    // The UI thread's part: the words drawn onto cards and every card uploaded.
    const Clock::time_point composeStart = Clock::now();
    render::UsePictureSetFaces(deck.faces);
    composeTimes.push_back(SecondsSince(composeStart));
    readyTimes.push_back(SecondsSince(start));
  }
  render::UsePictureSetFaces({});
  std::error_code ignored;
  fs::remove_all(work, ignored);

  const double ready = Median(readyTimes);
  PrintRow(Format("Decks: a deck of %d pairs (%s pictures of %d px and words; %.1f MB, made by "
                  "the bench) ready to play: read off the UI thread with the menu drawn at 60 "
                  "fps, then %zu cards composed and uploaded",
                  kPairs, kSvgPictures ? "SVG" : "PNG", kPictureSide, bytes / 1e6, cards),
           Format("%.2f s", ready),
           Format("read %.2f s, composed and uploaded on the UI thread %.0f ms",
                  Median(readTimes), Median(composeTimes) * 1000.0),
           Format("%.2f", Median(composeTimes) / ready), "≤ 1 s", Met(ready <= 1.0));
  const double loadMedian = Median(loadFrames) * 1000.0,
               loadP99 = Percentile(loadFrames, 99.0) * 1000.0;
  const double idleMedian = Median(idleFrames) * 1000.0,
               idleP99 = Percentile(idleFrames, 99.0) * 1000.0;
  PrintRow("Frame time (drawing to swap): menu at 60 fps while the deck is read",
           Format("median %.2f ms, p99 %.2f ms", loadMedian, loadP99),
           Format("idle menu: median %.2f ms, p99 %.2f ms", idleMedian, idleP99),
           Format("%.2f (p99 %.2f)", loadMedian / idleMedian, loadP99 / idleP99), "-", "-");
}

}  // namespace bench
