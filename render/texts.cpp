// The language of the texts, chosen once at start-up on the UI thread.
#include "render/render_local.h"

namespace render {

namespace {

const Texts* currentTexts = &kChineseTexts;

}  // namespace

void SetLanguage(Language language) {
  switch (language) {
    case Language::chinese: currentTexts = &kChineseTexts; break;
    case Language::english: currentTexts = &kEnglishTexts; break;
  }
}

const Texts& CurrentTexts() { return *currentTexts; }

}  // namespace render
