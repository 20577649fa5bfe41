#include "chromakey/engine/key_pipeline.h"

#include <cstring>

#include "chromakey/engine/direction_mesh.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/pixel_map.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

using Vec3 = std::array<float, 3>;

float dot(const Vec3& a, const Vec3& b) noexcept { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The plane through the three radius points of every triangle, for one surface.
void buildPlanes(fixcoef& record, int surface, const std::array<float, kMeshDirectionCount>& radii) noexcept {
  const DirectionMesh& mesh = directionMesh();
  const Vec3 backing = {record.backing[0], record.backing[1], record.backing[2]};
  const auto s = static_cast<std::size_t>(surface);
  for (std::size_t t = 0; t < kMeshTriangleCount; ++t) {
    Vec3 v[3];
    for (std::size_t k = 0; k < 3; ++k) {
      const auto direction = static_cast<std::size_t>(mesh.surax[t][k]);
      const Vec3& axis = mesh.axtable[direction];
      for (std::size_t c = 0; c < 3; ++c) v[k][c] = backing[c] + radii[direction] * axis[c];
    }
    // n = (Vc − Va) × (Vb − Va). The kernels' crossing N / (n·P − n·B) does not depend on n's orientation.
    const Vec3 ca = {v[2][0] - v[0][0], v[2][1] - v[0][1], v[2][2] - v[0][2]};
    const Vec3 ba = {v[1][0] - v[0][0], v[1][1] - v[0][1], v[1][2] - v[0][2]};
    const Vec3 n = {ca[1] * ba[2] - ca[2] * ba[1], ca[2] * ba[0] - ca[0] * ba[2], ca[0] * ba[1] - ca[1] * ba[0]};
    const float d = -dot(n, v[0]);
    const float nb = dot(n, backing);
    record.planes[s][t] = {n[0], n[1], n[2], d};
    record.numerators[s][t] = -(nb + d);
    record.normalDotBacking[s][t] = nb;
  }
}

// A work map of the pass, released on every way out.
class WorkMap {
 public:
  [[nodiscard]] bool allocate(std::size_t n) noexcept {
    map_ = PixelMap(n);
    return !map_.empty();
  }
  [[nodiscard]] pixeli* get() noexcept { return map_.data(); }

 private:
  PixelMap map_;
};

// Puts the option word back however the pass ends: the stages change it for the length of the pass only.
class OptionWordRestore {
 public:
  explicit OptionWordRestore(fixcoef& record) noexcept : record_(record), saved_(record.options) {}
  OptionWordRestore(const OptionWordRestore&) = delete;
  OptionWordRestore& operator=(const OptionWordRestore&) = delete;
  ~OptionWordRestore() { record_.options = saved_; }

 private:
  fixcoef& record_;
  std::uint32_t saved_;
};

}  // namespace

const char* describe(PrimStatus status) noexcept {
  switch (status) {
    case PrimStatus::ok:
      return "keyed";
    case PrimStatus::badArguments:
      return "keying called with a missing map, a negative size or a setting out of its range";
    case PrimStatus::recordNotPrepared:
      return "keying record not prepared or refused";
    case PrimStatus::outOfMemory:
      return "not enough memory for a keying work map";
  }
  return "keying failed";
}

int primcoef_begin(fixcoef& record, PrimPass& pass) noexcept {
  pass = PrimPass{};
  record.keyerSlot = 0;
  record.kernelSlot = 0;
  record.kernel8Slot = 0;
  if (const KeyRecordCheck check = checkCoefficients(record); check != KeyRecordCheck::plausible) {
    systemLogf("chroma keying: %s", describe(check));
    return 0;
  }

  record.tolerance = 1.0f;
  record.tolerance8 = 1.0f;
  record.toleranceInt = 1;
  record.tolerance8Int = 1;
  if (record.grainLevel != 0) {
    record.tolerance = 65535.0f * record.toleranceAmount + 1.0f;
    record.tolerance8 = 255.0f * record.toleranceAmount + 1.0f;
    record.toleranceInt = static_cast<std::int32_t>(record.tolerance);
    record.tolerance8Int = static_cast<std::int32_t>(record.tolerance8);
  }

  pass.kernel = choosePrimKernel(record.options);
  record.backingCopy = record.backing;

  // Single-surface keys build all three planes from the middle radii; two-surface keys the middle and outer.
  const auto& radii = record.radii;
  const bool single = (record.options & kKeyOptionSingleSurface) != 0;
  const bool two = !single && (record.options & kKeyOptionTwoSurface) != 0;
  buildPlanes(record, kInnerSurface, radii[single ? kMiddleSurface : kInnerSurface]);
  buildPlanes(record, kMiddleSurface, radii[kMiddleSurface]);
  buildPlanes(record, kOuterSurface, radii[single || two ? kMiddleSurface : kOuterSurface]);

  // The keyers the kernels key with, translated for this record and owned by this pass alone.
  if (record.options & kKeyOptionRTPlus) static_cast<void>(pass.rtPlus.emplace().translate(record));
  if (record.options & kKeyOptionRT) static_cast<void>(pass.rt.emplace().translate(record));
  return 1;
}

int primproc(const pixeli* fg, const pixeli*, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
             std::ptrdiff_t n, const fixcoef& record, const PrimPass& pass) noexcept {
  if (pass.kernel != nullptr) pass.kernel(fg, src, bgwork, mask, out, n, record, pass.keyers());
  return 1;
}

PrimStatus doPrimProc(const pixeli* fg, pixeli* out, const pixeli* bg, const pixeli* mask, int w, int h,
                      fixcoef& record, const int* margin, const PrimPass& pass, DuzeviveShapeList shapes) noexcept {
  if (fg == nullptr || out == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  if (pass.kernel == nullptr) return PrimStatus::recordNotPrepared;
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  const OptionWordRestore restore(record);
  const std::uint32_t options = record.options;
  const pixeli* src = fg;

  WorkMap simulated;
  if ((options & kKeyOptionSimulatedBacking) && record.gridDensity != 0 && n >= 2) {
    if (!simulated.allocate(n)) return PrimStatus::outOfMemory;
    const int mode = (options & kKeyOptionPassThrough) ? 1 : 0;
    const PrimStatus status = generateSimulatedRender(fg, simulated.get(), w, h, record.gridDensity,
                                                      record.simulatedInnerRadius, record, nullptr, mode);
    if (status != PrimStatus::ok) return status;
    fg = src = simulated.get();
  }

  if (options & kKeyOptionPassThrough) {
    for (std::size_t i = 0; i < n; ++i) out[i] = {src[i].r, src[i].g, src[i].b, 65535};
    return PrimStatus::ok;
  }

  const pixeli* givenMask = mask;
  WorkMap rendered;
  if (options & kKeyOptionShapeMask) {
    if (shapes.empty()) {
      // Nothing to draw: keying goes on with the given mask rather than leaving the frame unkeyed.
      systemLog("chroma keying: shape-mask stage asked for without shapes; keying without it");
    } else {
      if (!rendered.allocate(n)) return PrimStatus::outOfMemory;
      const bool overGivenMask = givenMask != nullptr && (options & kKeyOptionExternalMask);
      if (overGivenMask) std::memcpy(rendered.get(), givenMask, n * sizeof(pixeli));
      const PrimStatus status = renderMaskShape(rendered.get(), w, h, shapes, !overGivenMask);
      if (status != PrimStatus::ok) return status;
      mask = rendered.get();
    }
  }

  if (givenMask == nullptr) record.options &= ~kKeyOptionExternalMask;

  WorkMap grain;
  if ((options & kKeyOptionGrainRemoval) && w >= 2 && h >= 2) {
    if (!grain.allocate(n)) return PrimStatus::outOfMemory;
    std::memcpy(grain.get(), src, n * sizeof(pixeli));
    const PrimStatus status = remove_grain(grain.get(), w, h, record, margin);
    if (status != PrimStatus::ok) return status;
    src = grain.get();
  }

  const int workers = duzeviveThreadCount();
  if (workers >= 2 && w > 9 && h > 9) {
    runBlocks(n, workers, [&](std::size_t first, std::size_t count) {
      primproc(fg + first, bg != nullptr ? bg + first : nullptr, src + first, nullptr,
               mask != nullptr ? mask + first : nullptr, out + first, static_cast<std::ptrdiff_t>(count), record, pass);
    });
  } else {
    primproc(fg, bg, src, nullptr, mask, out, static_cast<std::ptrdiff_t>(n), record, pass);
  }
  return PrimStatus::ok;
}

int primcoef_finish(fixcoef& record, PrimPass& pass) noexcept {
  pass = PrimPass{};
  record.keyerSlot = 0;
  return 1;
}

}  // namespace vorl
