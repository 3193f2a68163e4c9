// The figures every benchmark prints: the median of its runs and the 10th to
// 90th percentile spread, in one format.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace tw::bench {

struct Spread {
  double median, low, high;  // the median and the 10th and 90th percentiles
};

// The nearest-rank values; all -1 when there were no runs.
inline Spread SpreadOf(std::vector<double> v) {
  if (v.empty()) return {-1, -1, -1};
  std::sort(v.begin(), v.end());
  auto at = [&](double q) { return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)]; };
  return {at(0.5), at(0.1), at(0.9)};
}

// "  NAME   MEDIAN ms  (LOW-HIGH)" with the name in `width` columns.
inline Spread PrintSpread(const char* name, int width, int decimals, const std::vector<double>& ms) {
  Spread s = SpreadOf(ms);
  std::printf("  %-*s %8.*f ms  (%.*f-%.*f)\n", width, name, decimals, s.median, decimals, s.low, decimals, s.high);
  return s;
}

}  // namespace tw::bench
