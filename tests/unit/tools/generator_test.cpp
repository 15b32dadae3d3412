// The generator itself: reproducible output, and the synthesis pieces that make loops seamless.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/formats.h"
#include "test_media.h"
#include "tools/catalogue.h"
#include "tools/sounds.h"
#include "tools/synth.h"

namespace {

namespace fs = std::filesystem;

class TempDirectory {
 public:
  TempDirectory() {
    std::string pattern = (fs::temp_directory_path() / "tessary-datagen-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
  }
  ~TempDirectory() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

int RunGenerator(const fs::path& out) {
  const std::string command = std::string("'") + TESSARY_DATAGEN + "' --out '" + out.string() +
                              "' --catalogues '" + TESSARY_CATALOGUES + "' > /dev/null";
  return std::system(command.c_str());
}

std::vector<std::string> GeneratedFiles() {
  std::vector<std::string> files = {storage::NativePath(storage::kPackagePath),
                                    storage::NativePath(storage::kHighResolutionPackagePath),
                                    storage::NativePath(storage::kLoadingPicturePath),
                                    "data/icon.bmp"};
  for (const char* set : {"animals", "fruit", "shapes", "vehicles"})
    for (const char* folder : {"data/pictures/", "data/pictures-2x/"})
      files.push_back(folder + std::string(set) + ".px");
  for (const char* deck : {"animal-names", "greek-letters", "letters", "numbers", "sounds"})
    files.push_back("data/pictures/" + std::string(deck) + ".px");
  for (std::string_view sound : storage::kSoundFiles) files.push_back(storage::NativePath(sound));
  return files;
}

TEST(Generator, TwoRunsWriteTheSameBytes) {
  TempDirectory first, second;
  ASSERT_FALSE(first.path().empty());
  ASSERT_FALSE(second.path().empty());
  ASSERT_EQ(RunGenerator(first.path()), 0);
  ASSERT_EQ(RunGenerator(second.path()), 0);
  for (const std::string& file : GeneratedFiles()) {
    SCOPED_TRACE(file);
    const std::vector<uint8_t> a = tools_test::ReadFile((first.path() / file).string());
    const std::vector<uint8_t> b = tools_test::ReadFile((second.path() / file).string());
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << "the two runs differ";
    // The build's own data came from the same generator.
    EXPECT_TRUE(a == tools_test::ReadFile(tools_test::DataPath(file))) << "the build's copy differs";
  }
}

TEST(Generator, RejectsAMissingOutputDirectoryArgument) {
  const std::string command = std::string("'") + TESSARY_DATAGEN + "' --bogus 2> /dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(Generator, DesktopIconsAreTheWindowIconsArtworkAtEachSize) {
  TempDirectory out;
  ASSERT_FALSE(out.path().empty());
  const std::string command = std::string("'") + TESSARY_DATAGEN + "' --icons '" +
                              out.path().string() + "' --icon-name test.Id > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (int size : {48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const fs::path path = out.path() / name / "apps" / "test.Id.png";
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS) << path;
    EXPECT_EQ(cairo_image_surface_get_width(png), size);
    EXPECT_EQ(cairo_image_surface_get_height(png), size);
    const auto* pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png));
    const int stride = cairo_image_surface_get_stride(png) / 4;
    EXPECT_EQ(pixels[0] >> 24, 0u) << "the corners are transparent";
    EXPECT_GT(pixels[(size / 2) * stride + size / 2] >> 24, 200u) << "the cube is opaque";
    if (size == 64) {
      // The same pixels as the window icon (straight alpha there, premultiplied here).
      SDL_Surface* bmp = SDL_LoadBMP(tools_test::DataPath("data/icon.bmp").c_str());
      ASSERT_NE(bmp, nullptr);
      SDL_Surface* argb = SDL_ConvertSurfaceFormat(bmp, SDL_PIXELFORMAT_ARGB8888, 0);
      int worst = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          const uint32_t want = static_cast<const uint32_t*>(argb->pixels)[y * argb->pitch / 4 + x];
          const uint32_t got = pixels[y * stride + x];
          const uint32_t alpha = want >> 24;
          for (int shift : {24, 16, 8, 0}) {
            uint32_t expected = (want >> shift) & 0xFF;
            if (shift != 24) expected = expected * alpha / 255;
            worst = std::max(worst, std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                             static_cast<int>(expected)));
          }
        }
      }
      EXPECT_LE(worst, 2);
      SDL_FreeSurface(argb);
      SDL_FreeSurface(bmp);
    }
    cairo_surface_destroy(png);
  }
  const std::string unnamed =
      std::string("'") + TESSARY_DATAGEN + "' --icons '" + out.path().string() + "' 2> /dev/null";
  EXPECT_NE(std::system(unnamed.c_str()), 0);
}

// The picture sets' names come from the catalogues: what a translator left fuzzy, gave a
// context, left (a form of it) empty or made obsolete is no name; continued and escaped strings
// are read whole; a plural's forms are kept apart from the names, in their order.
TEST(Catalogue, ReadsTheTranslatedEntriesAndRefusesWhatIsNoCatalogue) {
  TempDirectory folder;
  ASSERT_FALSE(folder.path().empty());
  const fs::path po = folder.path() / "xx.po";
  std::ofstream(po) << "msgid \"\"\nmsgstr \"Language: xx\\n\"\n"
                       "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                       "#. TRANSLATORS: a note\n#: tools/pictures_sets.cpp:1\n"
                       "msgid \"Dog\"\nmsgstr \"Hu\"\n\"nd \\\"1\\\"\"\n\n"
                       "#, fuzzy\nmsgid \"Cat\"\nmsgstr \"Katze\"\n\n"
                       "msgctxt \"verb\"\nmsgid \"Open\"\nmsgstr \"Öffnen\"\n\n"
                       "msgid \"box\"\nmsgid_plural \"boxes\"\nmsgstr[0] \"Kiste\"\n"
                       "msgstr[1] \"Kisten\"\n\n"
                       "msgid \"cup\"\nmsgid_plural \"cups\"\nmsgstr[0] \"Tasse\"\n"
                       "msgstr[1] \"\"\n\n"
                       "msgid \"Fox\"\nmsgstr \"\"\n\n#~ msgid \"Owl\"\n#~ msgstr \"Eule\"\n"
                       "msgid \"Frog\"\nmsgstr \"Frosch\"";  // no line end at the end
  tools::Catalogue catalogue;
  ASSERT_TRUE(tools::ReadCatalogue(po, catalogue));
  EXPECT_EQ(catalogue.Find("Dog"), "Hund \"1\"");
  EXPECT_EQ(catalogue.Find("Frog"), "Frosch");
  for (const char* none : {"Cat", "Open", "box", "Fox", "Owl", ""})
    EXPECT_EQ(catalogue.Find(none), "") << none;
  EXPECT_EQ(catalogue.texts.size(), 2u);
  EXPECT_EQ(catalogue.plurals, (decltype(catalogue.plurals){{"box", {"Kiste", "Kisten"}}}));

  for (const char* broken : {"msgid \"a\"\nmsgstr \"b\\q\"\n", "msgid \"a\"\nmsgstr b\n",
                             "msgidx \"a\"\n",
                             "msgid \"a\"\nmsgstr \"b\"\nmsgid \"a\"\nmsgstr \"c\"\n"}) {
    std::ofstream(po) << broken;
    tools::Catalogue refused;
    EXPECT_FALSE(tools::ReadCatalogue(po, refused)) << broken;
  }
  std::vector<tools::Catalogue> none;
  EXPECT_FALSE(tools::ReadCatalogues(folder.path() / "missing", none));
}

TEST(Synth, ACircularMixWrapsTailsToTheStartAndAPlainMixDropsThem) {
  const tools::synth::Mono ones(10, 1.0f);
  tools::synth::Mix loop(16, true), plain(16, false);
  loop.Add(ones, 12, 1.0f, 0.0f);
  plain.Add(ones, 12, 1.0f, 0.0f);
  // Centre pan at equal power gives each side the full gain.
  for (size_t i = 0; i < 16; ++i) {
    const bool covered = i >= 12 || i < 6;
    EXPECT_FLOAT_EQ(loop.left()[i], covered ? 1.0f : 0.0f) << i;
    EXPECT_FLOAT_EQ(plain.left()[i], i >= 12 ? 1.0f : 0.0f) << i;
  }
}

TEST(Synth, ALoopsReverbTailComesRoundToItsStart) {
  // An impulse near the end of a loop: the reverb it starts must be heard at the beginning.
  tools::synth::Mix dry(44100, true);
  dry.Add(tools::synth::Mono{1.0f}, 44000, 1.0f, 0.0f);
  tools::synth::Mix wet(44100, true);
  wet.AddReverb(dry, 0.8f, 0.3f, 1.0f);
  double early = 0;
  for (size_t i = 0; i < 4410; ++i) early += std::abs(wet.left()[i]);
  EXPECT_GT(early, 1e-4);
}

TEST(Synth, WmaPrerollPutsTheLoopsLastFrameFirst) {
  tools::StereoSamples loop(2 * 3 * tools::kWmaFrame);
  for (size_t i = 0; i < loop.size(); ++i) loop[i] = static_cast<float>(i);
  const tools::StereoSamples written = tools::WithWmaPreroll(loop);
  ASSERT_EQ(written.size(), loop.size() + 2 * tools::kWmaFrame);
  EXPECT_EQ(written[0], loop[loop.size() - 2 * tools::kWmaFrame]);
  EXPECT_EQ(written[2 * tools::kWmaFrame], loop[0]);
  EXPECT_EQ(written.back(), loop.back());
}

TEST(Synth, EffectsFadeToSilenceAndStayUnderTheCeiling) {
  for (auto make : {tools::MakeButtonSound, tools::MakeBoxSound, tools::MakeErrorSound}) {
    const tools::StereoSamples sound = make();
    ASSERT_FALSE(sound.empty());
    EXPECT_EQ(sound.front(), 0.0f);
    EXPECT_EQ(sound.back(), 0.0f);
    float peak = 0;
    for (float v : sound) peak = std::max(peak, std::abs(v));
    EXPECT_LE(peak, 0.8913f);
  }
}

}  // namespace
