// The language of the texts, chosen once at start-up on the UI thread.
#include "render/render_local.h"

namespace render {

namespace {

const Texts* currentTexts = &kChineseTexts;
const RecordsTexts* currentRecordsTexts = &kChineseRecordsTexts;

}  // namespace

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

}  // namespace render
