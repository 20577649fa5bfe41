// Splitting a per-pixel pass over the rows of a picture into bands on the process's job pool. Each band works on
// its own rows only, so the bytes do not depend on the number of threads; with one thread (or a small
// picture) the whole pass runs on the calling thread.
#pragma once

#include <functional>

namespace vorl {

// Calls pass(firstRow, endRow) for bands covering rows 0 .. rows − 1.
void forRowBands(int rows, const std::function<void(int firstRow, int endRow)>& pass);

}  // namespace vorl
