// Colour transforms between two profiles, cached and run over rows of pixels in bands.
//
// A transform is keyed by the bytes of both profiles (not their paths: a file replaced under the same name gets
// a transform of its own), the pixel formats, the intent and the flags. The cache keeps the few most recently
// used; it is shared by every thread. Transforms are made without LittleCMS's one-pixel cache, so the bands of
// one picture can run through one transform at the same time, and each pixel's result depends on that pixel
// alone: the bytes are the same for any number of threads.
#pragma once

#include <lcms2.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/color/color_profile.h"

namespace vorl {

class JobPool;

class ColorTransform {
 public:
  explicit ColorTransform(cmsHTRANSFORM handle) noexcept : handle_(handle) {}
  ~ColorTransform();
  ColorTransform(const ColorTransform&) = delete;
  ColorTransform& operator=(const ColorTransform&) = delete;
  cmsHTRANSFORM handle() const noexcept { return handle_; }

 private:
  cmsHTRANSFORM handle_;
};
using CMWorldRef = std::shared_ptr<const ColorTransform>;

// The transform from `source` (pixels in `inputFormat`, a LittleCMS TYPE_ value) to `destination` (in
// `outputFormat`) with the intent, without black-point compensation; cmsFLAGS_NOCACHE is always added to
// `flags`. noErr, or paramErr for a null profile and cmCantConcatenateError when LittleCMS cannot make it
// (say, an RGB format on a CMYK profile), with a log line.
[[nodiscard]] OSErr cachedColorTransform(const CMProfileRef& source, std::uint32_t inputFormat,
                                         const CMProfileRef& destination, std::uint32_t outputFormat, int intent,
                                         std::uint32_t flags, CMWorldRef* transform);

// Runs the transform over `rows` rows of `width` pixels; rows lie the strides apart. Input and output may be
// the same bytes when both formats have the same size. `bands` bands of rows go to `pool`; a null pool or one
// band runs on the calling thread.
void transformRows(const ColorTransform& transform, const std::uint8_t* input, std::ptrdiff_t inputStride,
                   std::uint8_t* output, std::ptrdiff_t outputStride, int width, int rows, JobPool* pool, int bands);

// The same in the process pool's bands (one per thread, at least 64 rows each).
void transformRowsInBands(const ColorTransform& transform, const std::uint8_t* input, std::ptrdiff_t inputStride,
                          std::uint8_t* output, std::ptrdiff_t outputStride, int width, int rows);

}  // namespace vorl
