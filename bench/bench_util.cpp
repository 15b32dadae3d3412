#include "bench/bench_util.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace bench {

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  if (values.size() % 2 == 1) return values[middle];
  return (values[middle - 1] + values[middle]) / 2.0;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
  const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
  return values[std::min(index, values.size() - 1)];
}

std::string Format(const char* format, ...) {
  char buffer[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return buffer;
}

std::string Met(bool met) { return met ? "yes" : "**no**"; }

void PrintRow(const std::string& figure, const std::string& value, const std::string& baseline,
              const std::string& ratio, const std::string& target, const std::string& met) {
  std::printf("| %s | %s | %s | %s | %s | %s |\n", figure.c_str(), value.c_str(),
              baseline.c_str(), ratio.c_str(), target.c_str(), met.c_str());
  std::fflush(stdout);
}

}  // namespace bench
