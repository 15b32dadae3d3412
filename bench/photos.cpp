// A player's photo folder: 40 photos of 12 megapixels, made here, prepared by the photo loader
// while the menu is drawn, the first time and again from the cache; against decoding the same
// files at full size, and against the idle menu's frames.
#include <SDL.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "bench/bench_util.h"
#include "bench/reference.h"
#include "bench/window_bench.h"
#include "storage/paths.h"
#include "storage/photo_faces.h"

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr int kPhotoCount = 40;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;

// Smooth gradients with fine grain, so that the files are about as large as a phone's (a few MB)
// and the decoder has real work; each photo differs.
std::vector<uint8_t> EncodePhoto(tjhandle encoder, int index) {
  std::vector<uint8_t> rgb(std::size_t(kPhotoWidth) * kPhotoHeight * 3);
  uint32_t seed = 7919u * uint32_t(index + 1);
  uint8_t* p = rgb.data();
  for (int y = 0; y < kPhotoHeight; ++y)
    for (int x = 0; x < kPhotoWidth; ++x, p += 3) {
      seed = seed * 1103515245u + 12345u;
      const int grain = int(seed >> 28);
      p[0] = uint8_t((x * (index + 3) / 40 + grain) & 0xff);
      p[1] = uint8_t((y * (index + 5) / 30 + grain) & 0xff);
      p[2] = uint8_t(((x + y) * (index + 7) / 70 + 2 * grain) & 0xff);
    }
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> out;
  if (tjCompress2(encoder, rgb.data(), kPhotoWidth, 0, kPhotoHeight, TJPF_RGB, &jpeg, &size,
                  TJSAMP_420, 90, 0) == 0)
    out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  return out;
}

void PumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
}

struct LoadRun {
  double seconds = 0;
  std::vector<double> frameTimes;
  std::size_t faces = 0;
};

// One load of the folder to its end while the menu is drawn as the game draws it; or, without
// drawMenu, with the progress polled every millisecond, for a time finer than a frame.
LoadRun LoadFolder(WindowBench& bench, game::GameState& menu, const std::string& folder,
                   bool drawMenu) {
  LoadRun run;
  storage::PhotoSetLoader loader;
  const Clock::time_point start = Clock::now();
  loader.Start({folder});
  Clock::time_point due = start;
  while (!loader.Finished()) {
    if (drawMenu)
      run.frameTimes.push_back(DrawPacedMenuFrame(bench, menu, due));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  run.seconds = SecondsSince(start);
  run.faces = loader.TakeFaces().size();
  return run;
}

}  // namespace

double DrawPacedMenuFrame(WindowBench& bench, game::GameState& menu, Clock::time_point& due) {
  std::this_thread::sleep_until(due);
  due = std::max(due + kFramePeriod, Clock::now());
  const Clock::time_point start = Clock::now();
  PumpEvents();
  render::DrawFrame(bench.window, menu, *bench.staging);
  return SecondsSince(start);
}

void MeasurePhotos(WindowBench& bench) {
  std::string pattern = (fs::temp_directory_path() / "tessary-bench-photos-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    PrintRow("Photos", "no temporary folder", "-", "-", "-", "-");
    return;
  }
  const fs::path work = pattern;
  const std::string folder = (work / "photos").string();
  fs::create_directory(folder);
  std::vector<std::string> files;
  double totalBytes = 0;
  tjhandle encoder = tjInitCompress();
  for (int i = 0; i < kPhotoCount; ++i) {
    const std::vector<uint8_t> jpeg = EncodePhoto(encoder, i);
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
    files.push_back(folder + "/" + name);
    std::ofstream(files.back(), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    totalBytes += double(jpeg.size());
  }
  tjDestroy(encoder);

  // The cache goes to the bench's own folder, never into the game's data.
  const storage::FilePlaces kept = storage::CurrentPlaces();
  storage::FilePlaces places = kept;
  places.photoCacheFolder = (work / "cache" / "photos").string();
  places.photoCacheAnchor = work.string();
  storage::UsePlaces(places);

  game::GameState& menu = *bench.state;
  SetUpMenu(menu);
  // The idle menu first.
  std::vector<double> idleFrames;
  Clock::time_point due = Clock::now();
  for (const Clock::time_point start = due; SecondsSince(start) < 3.0;)
    idleFrames.push_back(DrawPacedMenuFrame(bench, menu, due));

  const int repetitions = std::max(1, std::min(bench.repetitions, 3));
  std::vector<double> firstTimes, firstPolledTimes, cachedTimes, fullDecodeTimes, preparedTimes;
  std::vector<double> loadFrames;
  std::size_t faces = 0, cachedFaces = 0;
  for (int repetition = 0; repetition < repetitions; ++repetition) {
    std::error_code ignored;
    fs::remove_all(work / "cache", ignored);
    const LoadRun first = LoadFolder(bench, menu, folder, true);
    firstTimes.push_back(first.seconds);
    loadFrames.insert(loadFrames.end(), first.frameTimes.begin(), first.frameTimes.end());
    faces = first.faces;
    fs::remove_all(work / "cache", ignored);
    firstPolledTimes.push_back(LoadFolder(bench, menu, folder, false).seconds);
    const LoadRun cached = LoadFolder(bench, menu, folder, false);
    cachedTimes.push_back(cached.seconds);
    cachedFaces = cached.faces;

    // What decoding the same files without reduction costs, on this thread alone.
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> pixels(std::size_t(kPhotoWidth) * kPhotoHeight * 3);
    const Clock::time_point start = Clock::now();
    for (const std::string& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), {});
      tjDecompress2(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(),
                    kPhotoWidth, 0, kPhotoHeight, TJPF_RGB, 0);
    }
    fullDecodeTimes.push_back(SecondsSince(start));
    tjDestroy(decoder);

    // The loader's own work done plainly: the faces prepared one after another on this thread,
    // with no cache, no worker and no menu.
    const Clock::time_point prepareStart = Clock::now();
    for (const std::string& file : files) {
      storage::FaceImage face;
      std::string problem;
      storage::PrepareFace(file, face, problem);
    }
    preparedTimes.push_back(SecondsSince(prepareStart));
  }
  storage::UsePlaces(kept);
  std::error_code ignored;
  fs::remove_all(work, ignored);

  const double first = Median(firstTimes), cached = Median(cachedTimes);
  // The machine's load changes between the measurements: each ratio is taken within one
  // repetition, and the median of those ratios shown.
  auto ratio = [](const std::vector<double>& values, const std::vector<double>& baselines) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < values.size(); ++i) ratios.push_back(values[i] / baselines[i]);
    return Format("%.2f", Median(ratios));
  };
  const double full = Median(fullDecodeTimes), prepared = Median(preparedTimes);
  PrintRow(Format("Photos: %d JPEG photos of %d x %d (%.0f MB, made by the bench) ready to play, "
                  "first time, menu drawn meanwhile at 60 fps (%zu faces)",
                  kPhotoCount, kPhotoWidth, kPhotoHeight, totalBytes / 1e6, faces),
           Format("%.2f s", first),
           Format("the same faces prepared one after another on the bench's thread (no worker, "
                  "no cache, no menu): %.2f s",
                  prepared),
           ratio(firstTimes, preparedTimes), "-", "-");
  PrintRow("Photos: the same, first time, nothing drawn meanwhile (progress polled every ms)",
           Format("%.2f s", Median(firstPolledTimes)),
           Format("prepared one after another: %.2f s", prepared),
           ratio(firstPolledTimes, preparedTimes), "-", "-");
  PrintRow("Photos: the 40 faces prepared one after another (reduced decoding, crop, scaling)",
           Format("%.2f s", prepared),
           Format("decoding the 40 photos at full size (TurboJPEG, same thread): %.2f s", full),
           ratio(preparedTimes, fullDecodeTimes), "-", "-");
  PrintRow(
      Format("Photos: the same folder again, from the cache (%zu faces; progress polled every ms)",
             cachedFaces),
      Format("%.1f ms", cached * 1000.0), Format("first time %.2f s", first),
      Format("%.3f", cached / first), "≤ 100 ms", Met(cached <= 0.1));
  const double loadMedian = Median(loadFrames) * 1000.0,
               loadP99 = Percentile(loadFrames, 99.0) * 1000.0;
  const double idleMedian = Median(idleFrames) * 1000.0,
               idleP99 = Percentile(idleFrames, 99.0) * 1000.0;
  const double period = std::chrono::duration<double>(kFramePeriod).count();
  auto late = [period](const std::vector<double>& frames) {
    return Format("%ld of %zu frames over %.1f ms",
                  long(std::count_if(frames.begin(), frames.end(),
                                     [period](double t) { return t > period; })),
                  frames.size(), period * 1000.0);
  };
  PrintRow(
      "Frame time (drawing to swap): menu at 60 fps while the photos load the first time",
      Format("median %.2f ms, p99 %.2f ms; ", loadMedian, loadP99) + late(loadFrames),
      Format("idle menu: median %.2f ms, p99 %.2f ms; ", idleMedian, idleP99) + late(idleFrames),
      Format("%.2f (p99 %.2f)", loadMedian / idleMedian, loadP99 / idleP99), "-", "-");
}

}  // namespace bench
