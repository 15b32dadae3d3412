// The help page's words in the player's language, written over the page drawn without them
// (game/help_page.h holds where each stands). Chinese and English keep the page with its words.
#include <algorithm>
#include <string>
#include <vector>

#include "game/help_page.h"
#include "render/render_local.h"

namespace render {

namespace {

// The page is the full-screen quad 8 x 6 units at 6.8 units' depth (the scene's -7.8 and the
// quad's +1): a point of the 800 x 600 picture on the text plane, 10 units deep.
constexpr float kPageToText = 10.0f / 6.8f;
float TextX(float pictureX) { return (pictureX / 100.0f - 4.0f) * kPageToText; }
float TextY(float pictureY) { return (3.0f - pictureY / 100.0f) * kPageToText; }
float TextLength(float picturePixels) { return picturePixels / 100.0f * kPageToText; }

// The sizes of the page's words: headings bold and larger, the rest at the font's own 14-pixel
// strike, which draws Latin letters evenly where a scaled outline does not.
constexpr TextStyle kTitleStyle{26, true};
constexpr TextStyle kRuleStyle{14, false};
constexpr float kRuleLineStep = 20.0f;  // picture pixels between a rule's two lines
constexpr TextStyle kCardNameStyle{17, true};
constexpr TextStyle kSmallStyle{14, false};

// The baseline of a line whose middle is at the picture's height pictureY.
float BaselineAt(float pictureY, const TextStyle& style) {
  return TextY(pictureY) - 0.3f * CellHeight(style);
}

void Write(std::string_view text, const Anchor& at, const TextStyle& style, uint32_t rgb,
           float towardWhite) {
  const auto channel = [&](int shift) {
    const float value = static_cast<float>((rgb >> shift) & 0xffu) / 255.0f;
    return value + (1.0f - value) * towardWhite;
  };
  DrawTextAt(text, at, style, channel(16), channel(8), channel(0));
}

}  // namespace

std::vector<std::string> WrapText(std::string_view text, float width, const TextStyle& style) {
  std::vector<std::string> lines;
  std::string line;
  const auto fits = [&](std::string_view candidate) {
    return TextWidth(candidate, style) <= width;
  };
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(start, end - start);
    start = end + 1;
    std::string joined = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (fits(joined) || line.empty()) {
      line = std::move(joined);
    } else {
      lines.push_back(line);
      line = std::string(word);
    }
    // A word wider than the room (a script without spaces) breaks between characters.
    while (!fits(line)) {
      std::size_t cut = line.size();
      while (cut > 0 && !fits(std::string_view(line).substr(0, cut))) {
        --cut;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xc0) == 0x80) --cut;
      }
      if (cut == 0) break;
      lines.push_back(line.substr(0, cut));
      line.erase(0, cut);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void DrawHelpWords() {
  Write(Tr(game::kHelpTitle),
        {TextX(game::kHelpTitleX), BaselineAt(game::kHelpTitleY, kTitleStyle), Align::centre,
         TextLength(game::kHelpRuleRight - game::kHelpRuleDotX)},
        kTitleStyle, 0xffffff, 0.0f);

  const float room = TextLength(game::kHelpRuleRight - game::kHelpRuleTextX);
  float top = game::kHelpRuleTop;
  for (const game::HelpRule& rule : game::kHelpRules) {
    const std::string_view text = Tr(rule.text);
    const std::vector<std::string> lines = WrapText(text, room, kRuleStyle);
    // One line stands beside the number's middle, two around it; a third would not fit.
    const std::size_t shown = std::min<std::size_t>(lines.size(), 2);
    float middle = top + 20.0f - (static_cast<float>(shown) - 1.0f) * kRuleLineStep / 2.0f;
    const bool rightToLeft = RightToLeftLanguage(game::CodeOf(CurrentLanguage()));
    const float x = TextX(rightToLeft ? game::kHelpRuleRight : game::kHelpRuleTextX);
    const Align align = rightToLeft ? Align::right : Align::left;
    for (std::size_t k = 0; k < shown; ++k, middle += kRuleLineStep)
      Write(lines[k], {x, BaselineAt(middle, kRuleStyle), align, room}, kRuleStyle, 0xf4f6ff,
            0.0f);
    top += game::kHelpRuleStep;
  }

  const float cardRoom = TextLength(game::kHelpCardWidth - 16.0f);
  for (int k = 0; k < static_cast<int>(game::kHelpLevelCards.size()); ++k) {
    const game::HelpLevelCard& card = game::kHelpLevelCards[static_cast<std::size_t>(k)];
    const float centre = TextX(game::HelpCardLeft(k) + game::kHelpCardWidth / 2.0f);
    Write(Tr(card.name),
          {centre, BaselineAt(game::kHelpCardTop + game::kHelpCardNameY, kCardNameStyle),
           Align::centre, cardRoom},
          kCardNameStyle, card.colour, 0.6f);
    Write(FormatText(Tr(game::kHelpCardDetail), card.columns, card.rows, card.seconds),
          {centre, BaselineAt(game::kHelpCardTop + game::kHelpCardDetailY, kSmallStyle),
           Align::centre, cardRoom},
          kSmallStyle, 0xe6ebf7, 0.0f);
  }

  // Each key's words have the room up to the next key, or to the panel's edge.
  const float keyRoom = TextLength(game::kHelpQuitKeyX - game::kHelpBackKeyX - 60.0f);
  for (const auto& [capX, text] : {std::pair{game::kHelpBackKeyX, game::kHelpBackKey},
                                   std::pair{game::kHelpQuitKeyX, game::kHelpQuitKey}})
    Write(Tr(text),
          {TextX(capX + game::kHelpKeyTextGap), BaselineAt(game::kHelpKeyY, kSmallStyle),
           Align::left, keyRoom},
          kSmallStyle, 0xf2f4ff, 0.0f);
}

}  // namespace render
