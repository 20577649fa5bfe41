// Per-pixel passes in bands of rows on the job pool.
#include "imaging/parallel/row_bands.h"

#include <algorithm>
#include <cstdint>

#include "imaging/parallel/job_pool.h"

namespace vorl {

namespace {
// Below this many rows a band costs more to hand over than it saves.
constexpr int kRowsPerBand = 64;
}  // namespace

void forRowBands(int rows, const std::function<void(int, int)>& pass) {
  if (rows <= 0) return;
  JobPool* pool = gThreaded ? processJobPool() : nullptr;
  const int bands = pool ? std::clamp(rows / kRowsPerBand, 1, pool->threadCount()) : 1;
  if (bands == 1) {
    pass(0, rows);
    return;
  }
  pool->run(bands, [&](int b) {
    pass(static_cast<int>(std::int64_t{rows} * b / bands), static_cast<int>(std::int64_t{rows} * (b + 1) / bands));
  });
}

}  // namespace vorl
