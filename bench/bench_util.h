// Timing, statistics and the table rows every measurement prints. Rows are Markdown table rows
// of six cells: figure, value, baseline (measured in the same run), ratio, target, met.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);
// The p-th percentile (0..100) by nearest rank; 0 for none.
double Percentile(std::vector<double> values, double p);

// printf-style formatting into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "yes" / "no" / "-" for a target that does not apply.
std::string Met(bool met);

void PrintRow(const std::string& figure, const std::string& value, const std::string& baseline,
              const std::string& ratio, const std::string& target, const std::string& met);

}  // namespace bench
