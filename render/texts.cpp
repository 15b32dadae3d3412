// The language of the texts, chosen once at start-up on the UI thread, and the names the menu
// shows for the picture sets.
#include <iconv.h>

#include <cerrno>

#include "render/render_local.h"

namespace render {

namespace {

const Texts* currentTexts = &kChineseTexts;
const RecordsTexts* currentRecordsTexts = &kChineseRecordsTexts;
std::vector<std::string> pictureSetNames;  // GBK; empty: the game's own pictures only

}  // namespace

// UTF-8 to the GBK bytes the text font draws; a character GBK lacks, or a byte that is not
// UTF-8, becomes '?', so a folder's odd name still shows as much of itself as it can.
std::string GbkOf(const std::string& utf8) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out;
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  while (inLeft > 0) {
    char buffer[64];
    char* outPointer = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPointer - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // An unconvertible or broken sequence: skip one character (its UTF-8 length) or one byte.
    const auto lead = static_cast<unsigned char>(*in);
    std::size_t skip = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    if (errno != EILSEQ || skip > inLeft) skip = 1;
    in += skip;
    inLeft -= skip;
    out += '?';
  }
  iconv_close(converter);
  return out;
}

void SetLanguage(Language language) {
  switch (language) {
    case Language::chinese:
      currentTexts = &kChineseTexts;
      currentRecordsTexts = &kChineseRecordsTexts;
      break;
    case Language::english:
      currentTexts = &kEnglishTexts;
      currentRecordsTexts = &kEnglishRecordsTexts;
      break;
  }
}

const Texts& CurrentTexts() { return *currentTexts; }

const RecordsTexts& CurrentRecordsTexts() { return *currentRecordsTexts; }

void SetPictureSetNames(const std::vector<std::string>& names) {
  pictureSetNames.clear();
  for (const std::string& name : names) pictureSetNames.push_back(GbkOf(name));
}

const std::vector<std::string>& PictureSetNames() { return pictureSetNames; }

}  // namespace render
