// Timing of bench programs: the performance counter in microseconds and a
// report line with the median and the 99th percentile of the samples.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double Ticks() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart);
}

inline double MicrosPerTick() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return 1e6 / static_cast<double>(f.QuadPart);
}

// Now, in microseconds of the performance counter.
inline double Micros() {
  static const double perTick = MicrosPerTick();
  return Ticks() * perTick;
}

inline void Report(const char* what, std::vector<double> micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  const double median = micros[micros.size() / 2];
  const double p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  std::printf("%-44s median %9.3f us   p99 %9.3f us   (%zu samples)\n", what, median, p99,
              micros.size());
}

}  // namespace bench
