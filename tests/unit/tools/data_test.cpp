// The default data as the build generated it into the run directory.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "game/menu_looks.h"
#include "storage/decks.h"
#include "storage/formats.h"
#include "storage/picture_package.h"
#include "storage/picture_sets.h"
#include "test_media.h"

namespace {

using tools_test::DataPath;

// The quad each picture is drawn on: half-width and half-height.
struct Quad {
  double halfWidth;
  double halfHeight;
};

Quad QuadOf(const std::string& name) {
  static const std::map<std::string, Quad> quads = {
      {"menu.jpg", {4, 3}},       {"pe.jpg", {4, 3}},         {"readmeshow.jpg", {4, 3}},
      {"readmeshow_blank.jpg", {4, 3}},
      {"game.jpg", {4, 3}},       {"star.jpg", {0.2, 0.2}},   {"tlite.jpg", {2, 0.35}},
      {"esay.jpg", {0.5, 0.2}},   {"esays.jpg", {0.5, 0.2}},  {"normal.jpg", {0.5, 0.2}},
      {"normals.jpg", {0.5, 0.2}}, {"hard.jpg", {0.5, 0.2}},  {"hards.jpg", {0.5, 0.2}},
      {"readme.jpg", {0.3, 0.12}}, {"readmes.jpg", {0.3, 0.12}}, {"out.jpg", {0.8, 0.32}},
      {"outs.jpg", {0.8, 0.32}},  {"about.jpg", {0.6, 0.235}}, {"abouts.jpg", {0.6, 0.235}},
      {"s_on.jpg", {0.3, 0.07}},  {"s_off.jpg", {0.3, 0.07}}, {"m_on.jpg", {0.3, 0.07}},
      {"m_off.jpg", {0.3, 0.07}}, {"back.jpg", {0.5, 0.14}},  {"backs.jpg", {0.5, 0.14}},
      {"box.jpg", {0.2, 0.2}},    {"fps_on.jpg", {0.39, 0.07}}, {"fps_off.jpg", {0.39, 0.07}},
      {"selector.jpg", {0.6, 0.17}}, {"selectors.jpg", {0.6, 0.17}},
  };
  if (name.starts_with("box")) return {0.2, 0.2};
  for (std::string_view labelled : storage::BlankPictureSources)
    if (name == storage::BlankPictureEntry(labelled)) return quads.at(std::string(labelled));
  return quads.at(name);
}

std::string PackagePath() { return DataPath(storage::NativePath(storage::kPackagePath)); }

tools_test::Rgb Entry(const std::string& name) {
  return tools_test::DecodeJpeg(tools_test::ZipEntry(PackagePath(), name));
}

constexpr double kMinusOneDbfs = 0.8913;  // 10^(-1/20)

// The texture table in its order, then the optional pictures, then the label-less ones.
std::vector<std::string> PackageNames() {
  std::vector<std::string> names(storage::TextureTable.begin(), storage::TextureTable.end());
  names.insert(names.end(), storage::OptionalPictureTable.begin(),
               storage::OptionalPictureTable.end());
  for (std::string_view labelled : storage::BlankPictureSources)
    names.push_back(storage::BlankPictureEntry(labelled));
  return names;
}

TEST(Package, HoldsExactlyTheTextureTableThenTheOptionalPictures) {
  const std::vector<std::string> names = tools_test::ZipEntryNames(PackagePath());
  const std::vector<std::string> wanted = PackageNames();
  ASSERT_EQ(names.size(), wanted.size()) << PackagePath();
  for (size_t k = 0; k < names.size(); ++k) EXPECT_EQ(names[k], wanted[k]);
}

TEST(Package, EveryPictureDecodesAtItsQuadsAspectWithinTheStagingSize) {
  for (const std::string& name : PackageNames()) {
    SCOPED_TRACE(name);
    const tools_test::Rgb picture = Entry(name);
    ASSERT_GT(picture.width, 0) << "does not decode";
    EXPECT_LE(picture.width, storage::kMaxPictureWidth);
    EXPECT_LE(picture.height, storage::kMaxPictureHeight);
    const Quad quad = QuadOf(name);
    const double wanted = quad.halfWidth / quad.halfHeight;
    const double actual = static_cast<double>(picture.width) / picture.height;
    EXPECT_NEAR(actual / wanted, 1.0, 0.025) << picture.width << " x " << picture.height;
    if (quad.halfWidth == 4) {
      EXPECT_EQ(picture.width, 800);
      EXPECT_EQ(picture.height, 600);
    }
  }
}

// Additive blending adds every pixel: pictures drawn on black must have black borders, or the
// quad's rectangle shows over the background.
TEST(Package, PicturesOnBlackHaveBlackBorders) {
  for (const char* name :
       {"star.jpg", "tlite.jpg", "esay.jpg", "esays.jpg", "outs.jpg", "abouts.jpg", "readmes.jpg",
        "backs.jpg", "s_on.jpg", "fps_off.jpg", "outs_blank.jpg", "s_on_blank.jpg"}) {
    SCOPED_TRACE(name);
    const tools_test::Rgb picture = Entry(name);
    ASSERT_GT(picture.width, 0);
    const int w = picture.width, h = picture.height;
    EXPECT_LT(picture.MeanLuma(0, 0, w, 1), 6.0);
    EXPECT_LT(picture.MeanLuma(0, h - 1, w, h), 6.0);
    EXPECT_LT(picture.MeanLuma(0, 0, 1, h), 6.0);
    EXPECT_LT(picture.MeanLuma(w - 1, 0, w, h), 6.0);
  }
}

TEST(Package, HoverPicturesAreClearlyBrighterAndSwitchesShowTheirState) {
  const std::pair<const char*, const char*> pairs[] = {
      {"esay.jpg", "esays.jpg"},     {"normal.jpg", "normals.jpg"}, {"hard.jpg", "hards.jpg"},
      {"readme.jpg", "readmes.jpg"}, {"out.jpg", "outs.jpg"},       {"about.jpg", "abouts.jpg"},
      {"back.jpg", "backs.jpg"},     {"s_off.jpg", "s_on.jpg"},     {"m_off.jpg", "m_on.jpg"},
      {"fps_off.jpg", "fps_on.jpg"},
  };
  for (const auto& [dim, bright] : pairs) {
    SCOPED_TRACE(std::string(dim) + " / " + bright);
    const double dimLuma = Entry(dim).MeanLuma(), brightLuma = Entry(bright).MeanLuma();
    EXPECT_GT(brightLuma, dimLuma * 1.2);
  }
}

// A label-less picture is its labelled one without the text: the same size, the same frame and
// body away from the middle, and darker there, where the label was.
TEST(Package, BlankPicturesAreTheirButtonsWithoutTheLabel) {
  for (std::string_view labelled : storage::BlankPictureSources) {
    const std::string blankName = storage::BlankPictureEntry(labelled);
    SCOPED_TRACE(blankName);
    const tools_test::Rgb withLabel = Entry(std::string(labelled)), blank = Entry(blankName);
    ASSERT_GT(blank.width, 0);
    ASSERT_EQ(blank.width, withLabel.width);
    ASSERT_EQ(blank.height, withLabel.height);
    const int w = blank.width, h = blank.height;
    // The rim and the glow: the top and bottom sixths, where only the label's glow reaches.
    EXPECT_NEAR(blank.MeanLuma(0, 0, w, h / 6), withLabel.MeanLuma(0, 0, w, h / 6), 3.0);
    EXPECT_NEAR(blank.MeanLuma(0, h - h / 6, w, h), withLabel.MeanLuma(0, h - h / 6, w, h), 3.0);
    // A switch's label stands left of its pill, a button's in the middle: where
    // game/menu_looks.h says, so that a label written over the blank one sits there too.
    const bool toggle = labelled.find("_o") != std::string_view::npos;
    const game::LabelPlace place = toggle
                                       ? game::SwitchLabelPlace(w, h)
                                       : game::ButtonLabelPlace(w, h, labelled.starts_with("back"));
    const int left = static_cast<int>(place.left),
              right = static_cast<int>(place.left + place.width);
    EXPECT_LT(blank.MeanLuma(left, h / 3, right, 2 * h / 3),
              withLabel.MeanLuma(left, h / 3, right, 2 * h / 3) - 8.0)
        << "the label is still there";
    const int glow = h / 8;  // the label's glow reaches a little past its place
    EXPECT_NEAR(blank.MeanLuma(0, h / 3, left - glow, 2 * h / 3),
                withLabel.MeanLuma(0, h / 3, left - glow, 2 * h / 3), 1.5)
        << "left of the label";
    EXPECT_NEAR(blank.MeanLuma(right + glow, h / 3, w, 2 * h / 3),
                withLabel.MeanLuma(right + glow, h / 3, w, 2 * h / 3), 1.5)
        << "right of it";
  }
}

// Backgrounds are added under boxes, stars and white text: they stay dark.
TEST(Package, BackgroundsAreDarkAndTheHelpPictureLeavesRoomForTheBackButton) {
  for (const char* name : {"menu.jpg", "game.jpg", "readmeshow.jpg", "pe.jpg"}) {
    SCOPED_TRACE(name);
    EXPECT_LT(Entry(name).MeanLuma(), 45.0);
  }
  const tools_test::Rgb help = Entry("readmeshow.jpg");
  EXPECT_LT(help.MeanLuma(0, 510, 800, 600), 15.0) << "the back button sits there";
  EXPECT_GT(help.MeanLuma(60, 90, 740, 480), 20.0) << "the rules should be there";
}

// Faces are told apart by shape and colour; at the least no two may look alike on average,
// and each is a light card (additive blending over the board must not wash it out).
TEST(Package, FacesAreLightCardsThatDifferFromEachOther) {
  std::vector<tools_test::Rgb> faces;
  for (int i = 1; i <= 10; ++i) faces.push_back(Entry("box" + std::to_string(i) + ".jpg"));
  for (size_t a = 0; a < faces.size(); ++a) {
    ASSERT_GT(faces[a].width, 0);
    EXPECT_EQ(faces[a].width, faces[a].height);
    EXPECT_GT(faces[a].MeanLuma(), 140.0) << "box" << a + 1;
    for (size_t b = a + 1; b < faces.size(); ++b) {
      double difference = 0;
      for (size_t i = 0; i < faces[a].pixels.size(); ++i)
        difference += std::abs(faces[a].pixels[i] - faces[b].pixels[i]);
      difference /= static_cast<double>(faces[a].pixels.size());
      EXPECT_GT(difference, 12.0) << "box" << a + 1 << " and box" << b + 1;
    }
  }
  EXPECT_GT(Entry("box.jpg").MeanLuma(), 170.0) << "the box skin is light so a tint shows";
}

// The mean absolute difference of two equal-sized pictures, in colour or in luma alone.
double Difference(const tools_test::Rgb& a, const tools_test::Rgb& b, bool grey) {
  double sum = 0;
  for (size_t i = 0; i + 2 < a.pixels.size(); i += 3) {
    if (!grey) {
      for (size_t c = 0; c < 3; ++c) sum += std::abs(a.pixels[i + c] - b.pixels[i + c]) / 3.0;
      continue;
    }
    auto luma = [i](const tools_test::Rgb& p) {
      return 0.299 * p.pixels[i] + 0.587 * p.pixels[i + 1] + 0.114 * p.pixels[i + 2];
    };
    sum += std::abs(luma(a) - luma(b));
  }
  return sum / static_cast<double>(a.pixels.size() / 3);
}

std::string AsText(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The language codes po/LINGUAS names.
std::vector<std::string> Languages() {
  std::vector<std::string> codes;
  std::istringstream linguas(AsText(tools_test::ReadFile(TESSARY_CATALOGUES "/LINGUAS")));
  for (std::string line; std::getline(linguas, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    for (std::string code; words >> code;) codes.push_back(code);
  }
  return codes;
}

TEST(PictureSets, EveryBuiltInSetHasTenOrMoreDistinctFacesAndTheShapesDifferInGrey) {
  const auto sets = storage::FindPictureSetsIn(DataPath("data/pictures"), "");
  const std::vector<std::string> languages = Languages();
  ASSERT_GE(languages.size(), 12u);
  std::vector<std::string> keys;
  for (const auto& set : sets) keys.push_back(set.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"classic", "animal-names", "animals", "fruit",
                                            "greek-letters", "letters", "numbers", "shapes",
                                            "sounds", "vehicles"}));
  for (const auto& set : sets) {
    if (set.kind != storage::SetKind::package) continue;
    SCOPED_TRACE(set.key);
    EXPECT_GE(set.pictureCount, 10);
    EXPECT_NE(set.name.In("zh"), set.name.english) << "a Chinese name of its own";
    ASSERT_EQ(set.faceNames.size(), static_cast<std::size_t>(set.pictureCount));
    for (const storage::TranslatedName& name : set.faceNames) {
      EXPECT_FALSE(name.english.empty());
      EXPECT_NE(name.In("zh"), name.english) << name.english << " has a Chinese name";
    }
    // Named in every language of the catalogues, keyed by the catalogue's code exactly.
    const std::string manifest =
        AsText(tools_test::ZipEntry(set.paths.front(), std::string(storage::kSetManifestEntry)));
    EXPECT_EQ(set.name.translations.size(), languages.size() + 1) << "zh and every language";
    for (const std::string& code : languages) {
      EXPECT_NE(manifest.find("\nname." + code + " = "), std::string::npos) << code;
      for (int i = 1; i <= set.pictureCount; ++i)
        EXPECT_NE(manifest.find("\nface." + std::to_string(i) + "." + code + " = "),
                  std::string::npos)
            << code << " face " << i;
    }
    std::vector<tools_test::Rgb> faces;
    for (int i = 0; i < set.pictureCount; ++i)
      faces.push_back(tools_test::DecodeJpeg(
          tools_test::ZipEntry(set.paths.front(), storage::SetFaceEntry(i))));
    for (size_t a = 0; a < faces.size(); ++a) {
      ASSERT_EQ(faces[a].width, storage::kFacePixels);
      ASSERT_EQ(faces[a].height, storage::kFacePixels);
      EXPECT_GT(faces[a].MeanLuma(), 140.0) << "box" << a + 1 << " is a light card";
      for (size_t b = a + 1; b < faces.size(); ++b) {
        EXPECT_GT(Difference(faces[a], faces[b], false), 8.0) << a + 1 << " and " << b + 1;
        if (set.key == "shapes") {
          EXPECT_GT(Difference(faces[a], faces[b], true), 8.0) << a + 1 << " and " << b + 1;
        }
      }
    }
  }
}

// The built-in decks read back as the game reads them: every pair, a word in every language
// where a card has one, pictures of distinct dots, sounds that differ.
TEST(Decks, EveryBuiltInDeckReadsWholeWithItsWordsInEveryLanguage) {
  const std::vector<std::string> languages = Languages();
  std::map<std::string, storage::DeckCards> decks;
  for (const auto& set : storage::FindPictureSetsIn(DataPath("data/pictures"), "")) {
    if (set.kind != storage::SetKind::deck) continue;
    SCOPED_TRACE(set.key);
    EXPECT_EQ(set.deckFormat, storage::DeckFormat::own);
    for (const std::string& code : languages)
      EXPECT_NE(set.name.In(code), set.name.english) << code;
    std::vector<std::string> problems;
    storage::DeckCards& cards = decks[set.key];
    ASSERT_TRUE(storage::ReadDeck(set, cards, problems));
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(cards.faces.size(), std::size_t(set.pictureCount) * (cards.twoKinds ? 2 : 1));
    EXPECT_FALSE(cards.divided);
    for (const storage::FaceImage& face : cards.faces)
      EXPECT_FALSE(face.word.english.empty() && face.rgb.empty() && face.sound.empty());
  }
  const std::map<std::string, int> pairs = {{"animal-names", 12}, {"greek-letters", 24},
                                            {"letters", 26}, {"numbers", 10}, {"sounds", 10}};
  ASSERT_EQ(decks.size(), pairs.size());
  for (const auto& [key, count] : pairs) {
    SCOPED_TRACE(key);
    const storage::DeckCards& cards = decks[key];
    EXPECT_EQ(cards.faces.size(), std::size_t(count) * (key == "sounds" ? 1 : 2));
    EXPECT_EQ(cards.twoKinds, key != "sounds");
  }
  // Each animal's name in every language.
  for (std::size_t i = 1; i < decks["animal-names"].faces.size(); i += 2) {
    const storage::TranslatedName& word = decks["animal-names"].faces[i].word;
    for (const std::string& code : languages)
      EXPECT_TRUE(word.translations.contains(code)) << word.english << " in " << code;
  }
  EXPECT_EQ(decks["greek-letters"].faces[0].word.english, "Α");
  EXPECT_EQ(decks["greek-letters"].faces[1].word.english, "α");
  EXPECT_EQ(decks["letters"].faces[51].word.english, "z");
  // Numbers: the word, then its dots; no two dot cards alike.
  const auto& numbers = decks["numbers"].faces;
  for (std::size_t a = 1; a < numbers.size(); a += 2) {
    EXPECT_EQ(numbers[a - 1].word.english, std::to_string(a / 2 + 1));
    ASSERT_EQ(numbers[a].rgb.size(), std::size_t(storage::kFacePixels * storage::kFacePixels * 3));
    for (std::size_t b = a + 2; b < numbers.size(); b += 2) {
      double difference = 0;
      for (std::size_t k = 0; k < numbers[a].rgb.size(); ++k)
        difference += std::abs(numbers[a].rgb[k] - numbers[b].rgb[k]);
      EXPECT_GT(difference / double(numbers[a].rgb.size()), 2.0) << a << " and " << b;
    }
  }
  // Sounds: each a distinct WAV, short, named in every language.
  const auto& sounds = decks["sounds"].faces;
  for (std::size_t a = 0; a < sounds.size(); ++a) {
    EXPECT_LT(sounds[a].sound.size(), std::size_t(64 * 1024));
    for (const std::string& code : languages)
      EXPECT_TRUE(sounds[a].name.translations.contains(code)) << code;
    for (std::size_t b = a + 1; b < sounds.size(); ++b) EXPECT_NE(sounds[a].sound, sounds[b].sound);
  }
}

// Mean difference per channel between a picture and another at twice its size, averaged 2 x 2.
double HalvedDifference(const tools_test::Rgb& picture, const tools_test::Rgb& twice) {
  double sum = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      for (int c = 0; c < 3; ++c) {
        double mean = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            mean += twice.pixels[((2 * y + dy) * std::size_t(twice.width) + 2 * x + dx) * 3 + c];
        sum += std::abs(mean / 4 - picture.pixels[(y * std::size_t(picture.width) + x) * 3 + c]);
      }
  return sum / static_cast<double>(picture.pixels.size());
}

// The sharper copies: every picture of the package and face of a built-in set at exactly twice
// its size, the same artwork, and named as drawn from the package beside it.
TEST(HighResolution, EveryPictureIsTwiceItsSizeAndTheSameArtwork) {
  const std::string sharper = DataPath(storage::NativePath(storage::kHighResolutionPackagePath));
  std::vector<std::pair<std::string, std::string>> pairs;  // (1x package, 2x package) per entry
  std::vector<std::string> names;
  names = PackageNames();
  std::string problem;
  EXPECT_TRUE(storage::IsSharperCopyOf(sharper, PackagePath(), names, problem)) << problem;
  for (const std::string& name : names) pairs.push_back({PackagePath(), name});
  for (const auto& set : storage::FindPictureSetsIn(DataPath("data/pictures"), "")) {
    if (set.kind != storage::SetKind::package) continue;
    EXPECT_EQ(storage::ReadHighResolutionSetFaces(set, DataPath("data/pictures-2x")).size(),
              static_cast<std::size_t>(set.pictureCount)) << set.key;
    for (int i = 0; i < set.pictureCount; ++i)
      pairs.push_back({set.paths.front(), storage::SetFaceEntry(i)});
  }
  for (const auto& [package, name] : pairs) {
    SCOPED_TRACE(package + ": " + name);
    const std::string sharperPackage =
        package == PackagePath() ? sharper
                                 : DataPath("data/pictures-2x/" +
                                            std::filesystem::path(package).filename().string());
    const tools_test::Rgb picture = tools_test::DecodeJpeg(tools_test::ZipEntry(package, name));
    const tools_test::Rgb twice =
        tools_test::DecodeJpeg(tools_test::ZipEntry(sharperPackage, name));
    ASSERT_GT(picture.width, 0);
    ASSERT_EQ(twice.width, 2 * picture.width);
    ASSERT_EQ(twice.height, 2 * picture.height);
    // Sharper text and edges differ by a few levels; another picture by far more.
    EXPECT_LT(HalvedDifference(picture, twice), 12.0) << "not the same artwork";
  }
}

TEST(LoadingPicture, IsRawBgrOfTheExactSizeWithADarkLowerMiddle) {
  const std::vector<uint8_t> bytes =
      tools_test::ReadFile(DataPath(storage::NativePath(storage::kLoadingPicturePath)));
  ASSERT_EQ(bytes.size(), storage::kLoadingBytes);
  // Rows run bottom to top: the lower middle is in the first rows of the file.
  double sum = 0;
  long count = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 150; x < 450; ++x) {
      const size_t at = (static_cast<size_t>(y) * storage::kLoadingWidth + x) * 3;
      sum += bytes[at] + bytes[at + 1] + bytes[at + 2];
      count += 3;
    }
  }
  EXPECT_LT(sum / static_cast<double>(count), 20.0);
  double total = 0;
  for (uint8_t b : bytes) total += b;
  EXPECT_GT(total / static_cast<double>(bytes.size()), 8.0) << "the picture is not black";
}

TEST(Icon, LoadsWithSdlAt64By64WithATransparentCorner) {
  SDL_Surface* icon = SDL_LoadBMP(DataPath("data/icon.bmp").c_str());
  ASSERT_NE(icon, nullptr) << SDL_GetError();
  EXPECT_EQ(icon->w, 64);
  EXPECT_EQ(icon->h, 64);
  EXPECT_GE(icon->format->BitsPerPixel, 24);
  auto pixel = [&](int x, int y) {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    const auto* row = static_cast<const uint8_t*>(icon->pixels) + y * icon->pitch;
    uint32_t value = 0;
    std::memcpy(&value, row + x * icon->format->BytesPerPixel, icon->format->BytesPerPixel);
    SDL_GetRGBA(value, icon->format, &r, &g, &b, &a);
    return std::array<uint8_t, 4>{r, g, b, a};
  };
  EXPECT_EQ(pixel(0, 0)[3], 0) << "corner";
  EXPECT_GE(pixel(32, 32)[3], 250) << "centre";
  SDL_FreeSurface(icon);
}

struct EffectLimits {
  const char* file;
  double minSeconds;
  double maxSeconds;
};

TEST(Sounds, EffectsAreCleanPcmWavesOfTheRightLength) {
  const EffectLimits effects[] = {
      {"music/button.wav", 0.03, 0.2}, {"music/box.wav", 0.03, 0.2},
      {"music/error.wav", 0.15, 0.8},  {"music/bingo.wav", 0.15, 0.8},
      {"music/lose.wav", 1.5, 3.0},    {"music/win.wav", 1.5, 3.0},
  };
  std::vector<double> loudness;
  for (const EffectLimits& effect : effects) {
    SCOPED_TRACE(effect.file);
    tools_test::Audio audio;
    std::string error;
    ASSERT_TRUE(tools_test::ParseWav(tools_test::ReadFile(DataPath(effect.file)), audio, error))
        << error;
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_GE(audio.Seconds(), effect.minSeconds);
    EXPECT_LE(audio.Seconds(), effect.maxSeconds);
    EXPECT_LE(audio.Peak(), kMinusOneDbfs);
    EXPECT_GT(audio.Peak(), 0.1) << "audible";
    // No click: the first and last samples are at rest.
    EXPECT_LT(std::abs(audio.interleaved.front()), 0.002f);
    EXPECT_LT(std::abs(audio.interleaved.back()), 0.002f);
    loudness.push_back(20 * std::log10(audio.LoudestWindowRms(0.1)));
  }
  const auto [quietest, loudest] = std::minmax_element(loudness.begin(), loudness.end());
  EXPECT_LT(*loudest - *quietest, 3.0) << "effects are balanced";
}

TEST(Sounds, MusicDecodesAsLongStereoWmaLoopsThatJoinWithoutAClick) {
  std::vector<double> loudness;
  for (const char* file : {"music/menu.wma", "music/game.wma", "music/about.wma"}) {
    SCOPED_TRACE(file);
    tools_test::Audio audio;
    ASSERT_TRUE(tools_test::DecodeWithFfmpeg(DataPath(file), audio));
    EXPECT_EQ(audio.codec, "wmav2");
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_GE(audio.Seconds(), 20.0);
    EXPECT_LE(audio.Seconds(), 40.0);
    EXPECT_LE(audio.Peak(), kMinusOneDbfs);
    // Played in a loop, the last sample is followed by the first.
    const size_t n = audio.interleaved.size();
    EXPECT_LT(std::abs(audio.interleaved[0] - audio.interleaved[n - 2]), 0.01f);
    EXPECT_LT(std::abs(audio.interleaved[1] - audio.interleaved[n - 1]), 0.01f);
    loudness.push_back(20 * std::log10(audio.Rms()));
  }
  const auto [quietest, loudest] = std::minmax_element(loudness.begin(), loudness.end());
  EXPECT_LT(*loudest - *quietest, 3.0) << "music pieces are balanced";
}

}  // namespace
