#pragma once

// Shared by the end-to-end benchmarks: run-time options and percentiles.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace e2e_bench {

// A whole number from the environment variable, or the fallback when it is unset or not a number
// above zero.
inline long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (end != text && *end == '\0' && value > 0) ? value : fallback;
}

// The p-th percentile (0-100) of the values, nearest rank; 0 for none.
inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(values.size()) + 0.5);
  return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// Says why the benchmark cannot run here; it then ends with status 0.
inline int NotRun(const char* name, const std::string& why) {
  std::printf("%s: not run: %s\n", name, why.c_str());
  return 0;
}

}  // namespace e2e_bench
