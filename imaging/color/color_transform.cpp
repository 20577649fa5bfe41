#include "imaging/color/color_transform.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "imaging/parallel/job_pool.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

// Matching runs a handful of profile pairs per run (input to printer, embedded to default); a few entries keep
// them all without holding on to many LittleCMS tables.
constexpr std::size_t kCachedTransforms = 6;
// Below this many rows a band costs more to hand over than it saves.
constexpr int kRowsPerBand = 64;

struct CacheEntry {
  CMProfileRef source;  // kept so that their bytes can be compared
  CMProfileRef destination;
  std::uint32_t inputFormat = 0;
  std::uint32_t outputFormat = 0;
  int intent = 0;
  std::uint32_t flags = 0;
  CMWorldRef transform;

  bool matches(const IccProfile& s, std::uint32_t in, const IccProfile& d, std::uint32_t out, int i,
               std::uint32_t f) const noexcept {
    return inputFormat == in && outputFormat == out && intent == i && flags == f && source->sameBytes(s) &&
           destination->sameBytes(d);
  }
};

std::mutex gCacheMutex;
std::vector<CacheEntry> gCache;  // most recently used first

}  // namespace

ColorTransform::~ColorTransform() {
  if (handle_) cmsDeleteTransform(handle_);
}

OSErr cachedColorTransform(const CMProfileRef& source, std::uint32_t inputFormat, const CMProfileRef& destination,
                           std::uint32_t outputFormat, int intent, std::uint32_t flags, CMWorldRef* transform) {
  if (!transform) return paramErr;
  transform->reset();
  if (!source || !destination) return paramErr;
  flags |= cmsFLAGS_NOCACHE;
  std::lock_guard lock(gCacheMutex);
  const auto hit = std::find_if(gCache.begin(), gCache.end(), [&](const CacheEntry& e) {
    return e.matches(*source, inputFormat, *destination, outputFormat, intent, flags);
  });
  if (hit != gCache.end()) {
    std::rotate(gCache.begin(), hit, hit + 1);
    *transform = gCache.front().transform;
    return noErr;
  }
  cmsHTRANSFORM handle = cmsCreateTransformTHR(colorContext(), source->handle(), inputFormat, destination->handle(),
                                               outputFormat, static_cast<cmsUInt32Number>(intent), flags);
  if (!handle) {
    systemLogf("No colour transform from '%s' to '%s' (intent %d)", source->description().c_str(),
               destination->description().c_str(), intent);
    return cmCantConcatenateError;
  }
  auto made = std::make_shared<const ColorTransform>(handle);
  if (gCache.size() == kCachedTransforms) gCache.pop_back();
  gCache.insert(gCache.begin(), CacheEntry{source, destination, inputFormat, outputFormat, intent, flags, made});
  *transform = std::move(made);
  return noErr;
}

void transformRows(const ColorTransform& transform, const std::uint8_t* input, std::ptrdiff_t inputStride,
                   std::uint8_t* output, std::ptrdiff_t outputStride, int width, int rows, JobPool* pool, int bands) {
  if (width <= 0 || rows <= 0) return;
  const auto band = [&](int first, int end) {
    cmsDoTransformLineStride(transform.handle(), input + first * inputStride, output + first * outputStride,
                             static_cast<cmsUInt32Number>(width), static_cast<cmsUInt32Number>(end - first),
                             static_cast<cmsUInt32Number>(inputStride), static_cast<cmsUInt32Number>(outputStride), 0,
                             0);
  };
  bands = std::clamp(bands, 1, rows);
  if (!pool || bands == 1) {
    band(0, rows);
    return;
  }
  pool->run(bands, [&](int b) {
    band(static_cast<int>(std::int64_t{rows} * b / bands), static_cast<int>(std::int64_t{rows} * (b + 1) / bands));
  });
}

void transformRowsInBands(const ColorTransform& transform, const std::uint8_t* input, std::ptrdiff_t inputStride,
                          std::uint8_t* output, std::ptrdiff_t outputStride, int width, int rows) {
  JobPool* pool = gThreaded ? processJobPool() : nullptr;
  const int bands = pool ? std::clamp(rows / kRowsPerBand, 1, pool->threadCount()) : 1;
  transformRows(transform, input, inputStride, output, outputStride, width, rows, pool, bands);
}

}  // namespace vorl
