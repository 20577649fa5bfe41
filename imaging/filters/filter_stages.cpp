// The fused passes of the filter chain.
#include "imaging/filters/filter_stages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "imaging/filters/gaussian_blur.h"

namespace vorl {

namespace {

// Doubles beyond float's range become infinities rather than undefined conversions.
float toFloat(double v) noexcept {
  if (v > FLT_MAX) return HUGE_VALF;
  if (v < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(v);
}

// sign(x)·|x|^p from the float's exponent and mantissa: |x| = 2^e · m with m in [1, 2), so |x|^p = (2^p)^e · m^p.
// The first factor is one table entry per exponent; m^p is smooth on [1, 2) and is interpolated linearly between
// 2049 points, which keeps the relative error near 1e-8 for every magnitude, black included.
class PowTable {
 public:
  explicit PowTable(double p) {
    for (int i = 0; i <= kSteps; ++i) mantissa_[i] = toFloat(std::pow(1.0 + double(i) / kSteps, p));
    scale_[0] = toFloat(std::pow(0.0, p));  // zero and subnormals count as zero
    for (int e = 1; e < 255; ++e) scale_[e] = toFloat(std::pow(2.0, (e - 127) * p));
    scale_[255] = toFloat(std::pow(HUGE_VAL, p));
  }
  float operator()(float x) const noexcept {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const std::uint32_t sign = bits & 0x80000000u;
    const std::uint32_t exponent = (bits >> 23) & 0xFFu;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    const std::uint32_t i = fraction >> 12;
    const float t = static_cast<float>(fraction & 0xFFFu) * (1.f / 4096.f);
    const float m = mantissa_[i] + t * (mantissa_[i + 1] - mantissa_[i]);
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(m * scale_[exponent]) | sign);
  }

 private:
  static constexpr int kSteps = 2048;  // 11 bits of the mantissa pick the step
  std::array<float, kSteps + 1> mantissa_{};
  std::array<float, 256> scale_{};
};

// The working space's transfer curve (sRGB's, IEC 61966-2.1): the stages work on light, not on encoded values,
// so an exposure step doubles the light and a mid-grey does not jump as it would on the encoded numbers.
double decodeTransfer(double v) noexcept { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

class TransferTables {
 public:
  TransferTables() {
    for (int i = 0; i < 256; ++i) decode_[static_cast<std::size_t>(i)] = static_cast<float>(decodeTransfer(i / 255.0));
    for (int i = 0; i < 255; ++i)
      threshold_[static_cast<std::size_t>(i)] = static_cast<float>(decodeTransfer((i + 0.5) / 255.0));
  }
  float decode(std::uint8_t byte) const noexcept { return decode_[byte]; }
  // The byte whose encoded value is nearest: the number of rounding thresholds below the light. A NaN and
  // anything below black give 0, anything above white 255.
  std::uint8_t encode(float light) const noexcept {
    int i = 0;
    for (int step = 128; step > 0; step >>= 1)
      if (threshold_[static_cast<std::size_t>(i + step - 1)] < light) i += step;
    return static_cast<std::uint8_t>(i);
  }

 private:
  std::array<float, 256> decode_{};
  std::array<float, 255> threshold_{};  // threshold_[i]: the light at which byte i gives way to byte i + 1
};

const TransferTables& transferTables() {
  static const TransferTables tables;
  return tables;
}

// Exposure, hue and the colour matrix, in that order, as one matrix.
std::array<float, 9> postMatrix(const FilterPlan& plan) {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
  const auto multiply = [&m](const std::array<double, 9>& left) {
    std::array<double, 9> r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) r[3 * i + j] += left[3 * i + k] * m[3 * k + j];
    m = r;
  };
  if (plan.exposure) {
    const double f = std::exp2(*plan.exposure);
    multiply({f, 0, 0, 0, f, 0, 0, 0, f});
  }
  if (plan.hue) {
    // Rodrigues: cos θ·I + (1 − cos θ)·u uᵀ + sin θ·[u]×, u = (1, 1, 1)/√3.
    const double c = std::cos(*plan.hue), s = std::sin(*plan.hue) / std::sqrt(3.0), t = (1 - c) / 3;
    multiply({c + t, t - s, t + s, t + s, c + t, t - s, t - s, t + s, c + t});
  }
  if (plan.colorMatrix)
    multiply({plan.colorMatrix->red, 0, 0, 0, plan.colorMatrix->green, 0, 0, 0, plan.colorMatrix->blue});
  std::array<float, 9> f{};
  for (int i = 0; i < 9; ++i) f[i] = toFloat(m[i]);
  return f;
}

// Everything a band needs, fixed before any pixel is touched.
struct ChainMath {
  explicit ChainMath(const FilterPlan& plan) {
    if (plan.colorControls) {
      controls = true;
      saturation = toFloat(plan.colorControls->saturation);
      brightness = toFloat(plan.colorControls->brightness);
      contrast = toFloat(plan.colorControls->contrast);
    }
    if (plan.gamma) power.emplace(*plan.gamma);
    if (plan.sharpness) {
      sharpen = true;
      amount = toFloat(*plan.sharpness);
      kernel = makeGaussianKernel(kSharpenSigma);
    }
    post = plan.exposure || plan.hue || plan.colorMatrix;
    if (post) matrix = postMatrix(plan);
  }

  // Bytes of one row to 0..1 planes, then colour controls and gamma.
  void pre(const std::uint8_t* from, float* __restrict r, float* __restrict g, float* __restrict b, int width) const {
    const TransferTables& curve = *transfer;
    for (int x = 0; x < width; ++x) {
      r[x] = curve.decode(from[4 * x + kRedByte]);
      g[x] = curve.decode(from[4 * x + kGreenByte]);
      b[x] = curve.decode(from[4 * x + kBlueByte]);
    }
    if (controls) {
      const float s = saturation, k = contrast, bias = brightness;
      const float lr = static_cast<float>(kLumaRed), lg = static_cast<float>(kLumaGreen),
                  lb = static_cast<float>(kLumaBlue);
      for (int x = 0; x < width; ++x) {
        const float y = lr * r[x] + lg * g[x] + lb * b[x];
        r[x] = (y + s * (r[x] - y) - 0.5f) * k + 0.5f + bias;
        g[x] = (y + s * (g[x] - y) - 0.5f) * k + 0.5f + bias;
        b[x] = (y + s * (b[x] - y) - 0.5f) * k + 0.5f + bias;
      }
    }
    if (power) {
      const PowTable& p = *power;
      for (int x = 0; x < width; ++x) {
        r[x] = p(r[x]);
        g[x] = p(g[x]);
        b[x] = p(b[x]);
      }
    }
  }

  // The post matrix, the one clamp and rounding, and the source's alpha. The planes are scratch and are used up.
  void store(float* __restrict r, float* __restrict g, float* __restrict b, const std::uint8_t* from, std::uint8_t* to,
             int width) const {
    if (post) {
      const std::array<float, 9>& m = matrix;
      for (int x = 0; x < width; ++x) {
        const float rr = r[x], gg = g[x], bb = b[x];
        r[x] = m[0] * rr + m[1] * gg + m[2] * bb;
        g[x] = m[3] * rr + m[4] * gg + m[5] * bb;
        b[x] = m[6] * rr + m[7] * gg + m[8] * bb;
      }
    }
    const TransferTables& curve = *transfer;
    for (int x = 0; x < width; ++x) {
      to[4 * x + kAlphaByte] = from[4 * x + kAlphaByte];
      to[4 * x + kRedByte] = curve.encode(r[x]);
      to[4 * x + kGreenByte] = curve.encode(g[x]);
      to[4 * x + kBlueByte] = curve.encode(b[x]);
    }
  }

  const TransferTables* transfer = &transferTables();
  bool controls = false;
  float saturation = 1, brightness = 0, contrast = 1;
  std::optional<PowTable> power;
  bool sharpen = false;
  float amount = 0;
  GaussianKernel kernel;
  bool post = false;
  std::array<float, 9> matrix{};
};

// Built twice, for AVX2 and for plain x86-64, chosen at run time. Without fused multiply-add (the build forbids
// contraction) both give the same bytes.
#define VORL_FILTER_KERNEL __attribute__((target_clones("avx2", "default")))

VORL_FILTER_KERNEL void perPixelBand(const ChainMath& math, const PixView& source, const PixView& destination,
                                     int firstRow, int endRow) {
  const int width = source.width();
  std::vector<float> planes(3 * static_cast<std::size_t>(width));
  float *r = planes.data(), *g = r + width, *b = g + width;
  for (int y = firstRow; y < endRow; ++y) {
    math.pre(source.row(y), r, g, b, width);
    math.store(r, g, b, source.row(y), destination.row(y), width);
  }
}

// With sharpening: rings of the last 2·half + 1 rows after colour controls and gamma (red, green, blue and their
// luminance), indexed by row number, so a band starting at any row sees exactly what a single pass sees there.
VORL_FILTER_KERNEL void sharpenBand(const ChainMath& math, const PixView& source, const PixView& destination,
                                    int firstRow, int endRow) {
  const int width = source.width(), last = source.height() - 1, half = math.kernel.half;
  const int slots = 2 * half + 1;
  const std::size_t w = static_cast<std::size_t>(width);
  std::vector<float> colours(slots * 3 * w), lumas(slots * w);
  std::vector<float> padded(w + 2 * half), blurred(w), out(3 * w);
  const auto slot = [slots](int row) { return ((row % slots) + slots) % slots; };
  const float lr = static_cast<float>(kLumaRed), lg = static_cast<float>(kLumaGreen),
              lb = static_cast<float>(kLumaBlue);
  const auto enter = [&](int row) {
    const int s = slot(row);
    float* r = colours.data() + s * 3 * w;
    float *g = r + w, *b = g + w, *luma = lumas.data() + s * w;
    math.pre(source.row(std::clamp(row, 0, last)), r, g, b, width);
    for (int x = 0; x < width; ++x) luma[x] = lr * r[x] + lg * g[x] + lb * b[x];
  };
  for (int row = firstRow - half; row < firstRow + half; ++row) enter(row);
  const float* weights = math.kernel.weights.data();
  float* column = padded.data() + half;
  for (int y = firstRow; y < endRow; ++y) {
    enter(y + half);
    const float* centre = lumas.data() + slot(y) * w;
    for (int x = 0; x < width; ++x) column[x] = weights[0] * centre[x];
    for (int k = 1; k <= half; ++k) {
      const float* __restrict above = lumas.data() + slot(y - k) * w;
      const float* __restrict below = lumas.data() + slot(y + k) * w;
      const float wk = weights[k];
      for (int x = 0; x < width; ++x) column[x] += wk * (above[x] + below[x]);
    }
    for (int k = 1; k <= half; ++k) {
      column[-k] = column[0];
      column[width - 1 + k] = column[width - 1];
    }
    convolveRow(column, blurred.data(), width, math.kernel);
    const float* r = colours.data() + slot(y) * 3 * w;
    const float *g = r + w, *b = g + w;
    float *outR = out.data(), *outG = outR + w, *outB = outG + w;
    const float a = math.amount;
    for (int x = 0; x < width; ++x) {
      const float delta = a * (centre[x] - blurred[x]);
      outR[x] = r[x] + delta;
      outG[x] = g[x] + delta;
      outB[x] = b[x] + delta;
    }
    math.store(outR, outG, outB, source.row(y), destination.row(y), width);
  }
}

bool renderColourStages(const FilterPlan& plan, const PixView& source, const PixView& destination, JobPool* pool) {
  const ChainMath math(plan);
  std::atomic<bool> failed{false};
  forFilterBands(pool, source.height(), [&](int firstRow, int endRow) {
    try {
      if (math.sharpen)
        sharpenBand(math, source, destination, firstRow, endRow);
      else
        perPixelBand(math, source, destination, firstRow, endRow);
    } catch (const std::bad_alloc&) {
      failed = true;  // a pool thread must not throw; the caller reports
    }
  });
  return !failed;
}

}  // namespace

std::string_view filterStageName(FilterStage stage) noexcept {
  switch (stage) {
    case FilterStage::kColorControls:
      return "colour controls";
    case FilterStage::kGamma:
      return "gamma";
    case FilterStage::kSharpenLuminance:
      return "sharpen luminance";
    case FilterStage::kExposure:
      return "exposure";
    case FilterStage::kHue:
      return "hue";
    case FilterStage::kColorMatrix:
      return "colour matrix";
    case FilterStage::kGaussianBlur:
      return "gaussian blur";
  }
  return "?";
}

std::vector<FilterStage> stagesOf(const FilterPlan& plan) {
  std::vector<FilterStage> stages;
  if (plan.colorControls) stages.push_back(FilterStage::kColorControls);
  if (plan.gamma) stages.push_back(FilterStage::kGamma);
  if (plan.sharpness) stages.push_back(FilterStage::kSharpenLuminance);
  if (plan.exposure) stages.push_back(FilterStage::kExposure);
  if (plan.hue) stages.push_back(FilterStage::kHue);
  if (plan.colorMatrix) stages.push_back(FilterStage::kColorMatrix);
  if (plan.blurRadius) stages.push_back(FilterStage::kGaussianBlur);
  return stages;
}

bool renderFilterPlan(const FilterPlan& plan, const PixView& source, const PixView& destination, JobPool* pool) {
  if (source.empty() || destination.width() != source.width() || destination.height() != source.height()) return false;
  const bool colour =
      plan.colorControls || plan.gamma || plan.sharpness || plan.exposure || plan.hue || plan.colorMatrix;
  try {
    if (!plan.blurRadius) {
      if (colour) return renderColourStages(plan, source, destination, pool);
      for (int y = 0; y < source.height(); ++y)
        std::memcpy(destination.row(y), source.row(y), 4 * static_cast<std::size_t>(source.width()));
      return true;
    }
    if (!colour) return gaussianBlur(source, destination, *plan.blurRadius, pool);
    // Colour stages, then the blur of their result: the blur reads rows around the one it writes, so it needs
    // the coloured picture whole in a buffer of its own.
    const std::ptrdiff_t rowBytes = 4 * static_cast<std::ptrdiff_t>(source.width());
    std::vector<std::uint8_t> coloured(static_cast<std::size_t>(rowBytes) * source.height());
    const PixView between(coloured.data(), rowBytes, source.port());
    return renderColourStages(plan, source, between, pool) &&
           gaussianBlur(between, destination, *plan.blurRadius, pool);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vorl
