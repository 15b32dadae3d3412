// tessary_history_bench: reading a long history into the records, as the game does at start,
// against reading the same bytes without looking at them. Prints table rows (bench_util.h).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "game/choices.h"
#include "game/records.h"
#include "storage/history.h"

namespace {

constexpr int kLines = 100'000;

// A history of kLines games of every kind, as a player who played for years would have.
std::string MakeHistory() {
  std::string text;
  storage::HistoryEntry entry;
  for (int i = 0; i < kLines; ++i) {
    entry.time = 1'600'000'000 + int64_t{i} * 600;
    entry.result.level = static_cast<game::Level>(i % 3);
    entry.result.playerMode = i % 7 == 0 ? game::againstComputer : game::onePlayer;
    entry.result.score = (i * 7919) % 20000;
    entry.result.secondsUsed = 30 + i % 500;
    entry.result.pairs = 18;
    entry.result.misses = i % 40;
    entry.result.outcome = static_cast<game::Outcome>(i % 3);
    text += storage::FormatHistoryLine(entry);
  }
  return text;
}

double ReadRaw(const std::string& path) {
  const auto start = bench::Clock::now();
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<char> block(1 << 16);
  while (::read(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);
  return bench::SecondsSince(start);
}

double ProcessorSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long PeakKilobytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 9;
  char folder[] = "/tmp/tessary-history-bench-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  const std::string path = std::string(folder) + "/history";
  const std::string text = MakeHistory();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  const long peakBefore = PeakKilobytes();

  std::vector<double> reads, raws, processor;
  int64_t entries = 0;
  for (int i = 0; i < repetitions; ++i) {
    raws.push_back(ReadRaw(path));
    const auto start = bench::Clock::now();
    const double processorStart = ProcessorSeconds();
    game::Records records;
    entries = storage::ReadHistoryFile(path, [&records](const storage::HistoryEntry& entry) {
                records.Add(entry.time, entry.result);
              }).entries;
    reads.push_back(bench::SecondsSince(start));
    processor.push_back(ProcessorSeconds() - processorStart);
  }
  const double read = bench::Median(reads);
  const double raw = bench::Median(raws);
  bench::PrintRow(bench::Format("Records from a history of %d lines (%.1f MB), %lld read",
                                kLines, static_cast<double>(text.size()) / 1e6,
                                static_cast<long long>(entries)),
                  bench::Format("%.1f ms (processor %.1f ms)", read * 1e3,
                                bench::Median(processor) * 1e3),
                  bench::Format("reading its bytes alone %.1f ms", raw * 1e3),
                  bench::Format("%.1f", read / raw), "< 200 ms", bench::Met(read < 0.2));
  const long grown = PeakKilobytes() - peakBefore;
  bench::PrintRow("Peak memory added by reading it (records kept: ten per level and counts)",
                  bench::Format("%ld kB", grown), bench::Format("the file %zu kB", text.size() / 1024),
                  bench::Format("%.3f", static_cast<double>(grown) /
                                                  (static_cast<double>(text.size()) / 1024.0)),
                  "< 1 MB", bench::Met(grown < 1024));
  std::remove(path.c_str());
  ::rmdir(folder);
  return 0;
}
