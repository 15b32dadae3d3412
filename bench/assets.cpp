// LoadAssets over the default package, and the share of each of its steps.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/window_bench.h"
#include "render/render_local.h"
#include "storage/picture_package.h"

namespace bench {

namespace {

struct StepTimes {
  double read = 0, decode = 0, copy = 0, upload = 0, lists = 0;
  double Sum() const { return read + decode + copy + upload + lists; }
};

// The steps of LoadAssets one by one, timed apart. Returns false when the package cannot be read.
bool TimeSteps(storage::StagingPixels& staging, StepTimes& times) {
  render::Assets assets;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int k = 0; k < storage::kTextureCount; ++k) {
    Clock::time_point start = Clock::now();
    if (storage::ReadPX(storage::kPackagePath, storage::TextureTable[k], assets.packageEntry) == 0)
      return false;
    times.read += SecondsSince(start);
    start = Clock::now();
    if (storage::JPEG24bitPX(assets.packageEntry, assets.decodedImage) == 0) return false;
    times.decode += SecondsSince(start);
    const storage::DecodedImage& image = assets.decodedImage;
    start = Clock::now();
    std::memcpy(staging.data(), image.pixels, std::size_t{image.width} * image.height * 3);
    times.copy += SecondsSince(start);
    start = Clock::now();
    glGenTextures(1, &assets.textures[k]);
    glBindTexture(GL_TEXTURE_2D, assets.textures[k]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, static_cast<GLint>(image.width),
                      static_cast<GLint>(image.height), GL_RGB, GL_UNSIGNED_BYTE, staging.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    times.upload += SecondsSince(start);
  }
  storage::Free24BMP(assets.decodedImage);
  storage::FreePX(assets.packageEntry);
  const Clock::time_point start = Clock::now();
  render::CompileDisplayLists(assets);
  glFinish();
  times.lists += SecondsSince(start);
  // The game's own lists again, over the game's textures.
  render::CompileDisplayLists(render::TheAssets());
  glDeleteTextures(storage::kTextureCount, assets.textures);
  return true;
}

std::string Milli(double seconds) { return Format("%.1f ms", seconds * 1000.0); }

// What the package's textures hold at four bytes a texel, every mipmap level of the chain that
// level 0 starts (a level left from a larger picture before is not counted); the first levels
// alone into firstLevel.
double TextureBytes(render::Assets& assets, double* firstLevel = nullptr) {
  double all = 0;
  for (unsigned texture : assets.textures) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width0 = 0, height0 = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width0);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height0);
    for (int level = 0; level < 16; ++level) {
      const int width = std::max(1, width0 >> level), height = std::max(1, height0 >> level);
      all += 4.0 * width * height;
      if (level == 0 && firstLevel != nullptr) *firstLevel += 4.0 * width * height;
      if (width == 1 && height == 1) break;
    }
  }
  return all;
}

}  // namespace

void MeasureLoadAssets(WindowBench& bench) {
  std::vector<double> totals;
  std::vector<StepTimes> steps;
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    render::Assets assets;
    const Clock::time_point start = Clock::now();
    const bool loaded = render::LoadAssets(*bench.state, assets, *bench.staging);
    glFinish();
    totals.push_back(SecondsSince(start));
    render::CompileDisplayLists(render::TheAssets());
    glDeleteTextures(storage::kTextureCount, assets.textures);
    StepTimes times;
    if (!loaded || !TimeSteps(*bench.staging, times)) {
      PrintRow("LoadAssets", "the package could not be loaded", "-", "-", "-", "-");
      return;
    }
    steps.push_back(times);
  }
  auto median = [&steps](double StepTimes::*field) {
    std::vector<double> values;
    for (const StepTimes& times : steps) values.push_back(times.*field);
    return Median(values);
  };
  const double total = Median(totals);
  StepTimes typical{median(&StepTimes::read), median(&StepTimes::decode),
                    median(&StepTimes::copy), median(&StepTimes::upload),
                    median(&StepTimes::lists)};
  const double sum = typical.Sum();
  PrintRow("LoadAssets: 37 pictures of data/game.px, lists compiled", Milli(total),
           "its steps timed apart: " + Milli(sum), Format("%.2f", total / sum), "-", "-");
  auto share = [&](const char* name, double seconds) {
    PrintRow(std::string("LoadAssets: ") + name, Milli(seconds), "steps " + Milli(sum),
             Format("%.0f %%", 100.0 * seconds / sum), "-", "-");
  };
  share("reading the entries (ReadPX)", typical.read);
  share("decoding (JPEG24bitPX)", typical.decode);
  share("copying into stagingPixels", typical.copy);
  share("textures and mipmaps (gluBuild2DMipmaps)", typical.upload);
  share("compiling the display lists", typical.lists);

  // What the textures hold, at four bytes a texel: every mipmap level, and the first alone (the
  // only one sampled, as the filters are plain linear).
  double firstLevel = 0;
  const double allLevels = TextureBytes(render::TheAssets(), &firstLevel);
  PrintRow("Texture memory of the 37 pictures, every mipmap level",
           Format("%.1f MB", allLevels / 1048576.0),
           Format("the first levels alone %.1f MB", firstLevel / 1048576.0),
           Format("%.2f", allLevels / firstLevel), "-", "-");
}

void MeasureHighResolutionSwap(WindowBench& bench) {
  render::Assets& assets = render::TheAssets();
  std::vector<double> loads, sharper, back;
  for (int repetition = 0; repetition < bench.repetitions; ++repetition) {
    render::Assets baseline;
    Clock::time_point start = Clock::now();
    render::LoadAssets(*bench.state, baseline, *bench.staging);
    glFinish();
    loads.push_back(SecondsSince(start));
    glDeleteTextures(storage::kTextureCount, baseline.textures);
    render::CompileDisplayLists(assets);

    start = Clock::now();
    render::UseHighResolutionPictures(assets, true, storage::kHighResolutionPackagePath);
    glFinish();
    sharper.push_back(SecondsSince(start));
    if (!assets.highResolution) {
      PrintRow("Sharper pictures", "data/game-2x.px could not be used", "-", "-", "-", "-");
      return;
    }
    start = Clock::now();
    render::UseHighResolutionPictures(assets, false, storage::kHighResolutionPackagePath);
    glFinish();
    back.push_back(SecondsSince(start));
  }
  const double load = Median(loads);
  PrintRow("Swap to the sharper pictures: 39 of data/game-2x.px, mipmaps made, 1x levels kept",
           Milli(Median(sharper)), "LoadAssets " + Milli(load),
           Format("%.2f", Median(sharper) / load), "-", "-");
  PrintRow("Swap back: the kept levels of data/game.px put back", Milli(Median(back)),
           "LoadAssets " + Milli(load), Format("%.2f", Median(back) / load), "-", "-");
  render::UseHighResolutionPictures(assets, true, storage::kHighResolutionPackagePath);
  const double sharperBytes = TextureBytes(assets);
  render::UseHighResolutionPictures(assets, false, storage::kHighResolutionPackagePath);
  const double bytes = TextureBytes(assets);
  PrintRow("Texture memory of the sharper pictures, every mipmap level",
           Format("%.1f MB", sharperBytes / 1048576.0),
           Format("data/game.px's %.1f MB", bytes / 1048576.0),
           Format("%.2f", sharperBytes / bytes), "-", "-");
}

}  // namespace bench
