// The one-entry cache of the last decoded image.
#include "imaging/image_files/image_cache.h"

#include "foundation/services/memory.h"
#include "foundation/text/pascal_strings.h"

namespace vorl {

namespace {

struct CacheEntry {
  Offscreen* gworld = nullptr;
  FSSpec file{};
  float rotation = 0.0f;
  myImageColorAdjustInfo colours{};
  std::int16_t imageSize = 0;
};

CacheEntry& cache() {
  static CacheEntry entry;
  return entry;
}

bool sameColours(const myImageColorAdjustInfo& a, const myImageColorAdjustInfo& b) noexcept {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.dark == b.dark && a.light == b.light &&
         a.gamma == b.gamma;
}

}  // namespace

void SetCurrentImageGWorldPtr(Offscreen* gworld, const FSSpec& file, float rotation,
                              const myImageColorAdjustInfo& colours, std::int16_t imageSize) {
  CacheEntry& entry = cache();
  // Freeing the image that is handed over again would leave the cache holding a freed pointer.
  if (entry.gworld != gworld) entry.gworld = myDisposeGWorld(entry.gworld, true);
  entry.gworld = gworld;
  entry.file = file;
  entry.rotation = rotation;
  entry.colours = colours;
  entry.imageSize = imageSize;
}

Offscreen* GetCurrentImageGWorldPtr(const FSSpec& file, float rotation, const myImageColorAdjustInfo& colours,
                                    std::int16_t imageSize) {
  CacheEntry& entry = cache();
  const bool hit = pstrcomp(entry.file.name, file.name) == 1 && entry.file.vRefNum == file.vRefNum &&
                   entry.file.parID == file.parID && entry.rotation == rotation &&
                   sameColours(entry.colours, colours) && entry.imageSize == imageSize;
  if (hit) return entry.gworld;
  entry.gworld = myDisposeGWorld(entry.gworld, true);
  return nullptr;
}

void DisposeCurrentImageGWorldPtr() {
  cache().gworld = myDisposeGWorld(cache().gworld, true);
  forceMemoryMovement();
}

}  // namespace vorl
