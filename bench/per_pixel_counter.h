// The benchmarks' figure per pixel: seconds per pixel of one iteration, which the report prints with its prefix
// ("12.3n" is 12.3 ns).
#pragma once

#include <benchmark/benchmark.h>

namespace vorl::bench {

inline void reportPerPixel(benchmark::State& state, double pixels) {
  state.counters["per_pixel"] =
      benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace vorl::bench
