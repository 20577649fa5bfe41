// Colour correction tables, sepia and greyscale.
#include "imaging/color/color_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/services/event_pump.h"
#include "foundation/services/memory.h"
#include "foundation/services/messages.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/parallel/row_bands.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

constexpr std::int16_t kImageMessages = 4106;

bool allZero(const myImageColorAdjustInfo& s) noexcept {
  return s.red == 0 && s.green == 0 && s.blue == 0 && s.dark == 0 && s.light == 0 && s.gamma == 0;
}

bool sameSize(const Offscreen* a, const Offscreen* b) noexcept {
  return a->width() == b->width() && a->height() == b->height();
}

// The destination receives the source's pixels (nothing to do when they are one offscreen).
bool copyWhole(Offscreen* source, Offscreen* destination) {
  if (source == destination) return true;
  const Rect from = source->portRect(), to = destination->portRect();
  return copyGWorldToGWorld(source, destination, &from, &to);
}

// Colours of `source` through the tables into `destination`, alpha from the destination: the unpack, table and
// pack of the packed-buffer road in one pass, without the buffer.
bool tablePass(Offscreen* source, Offscreen* destination, const std::array<std::uint8_t, 768>& tables) {
  PixelLock sourceLock(source);
  PixelLock destinationLock(destination);
  myPollEvent();
  const PixView from = source->view(), to = destination->view();
  forRowBands(from.height(), [&](int first, int end) {
    applyChannelTables(PixView(from.row(first), from.rowBytes(), makeRect(0, 0, end - first, from.width())),
                       PixView(to.row(first), to.rowBytes(), makeRect(0, 0, end - first, to.width())), tables);
  });
  myPollEvent();
  return true;
}

}  // namespace

std::int16_t getNewByteValueLUT(std::uint8_t& value, std::int16_t channelAdjust, std::int16_t dark, std::int16_t light,
                                std::int16_t gamma) {
  const double v = value / 255.0;
  const int g = std::abs(gamma);
  const double f = gamma > 0 ? v * v : (gamma < 0 ? std::sqrt(v) : 0.0);
  const int whiteEnd = 2 * channelAdjust + 255 + 2 * light + 2 * dark;
  double r = whiteEnd * ((v * (32 - g) + f * g) / 32) - 2 * dark;
  if (r > 0) r += 0.5;
  r = std::clamp(r, 0.0, 255.0);
  value = static_cast<std::uint8_t>(r);
  return 0;
}

bool checkColorAdjRange(std::int16_t value) noexcept { return value >= -32 && value <= 32; }

std::array<std::uint8_t, 768> makeColorAdjustLUT(const myImageColorAdjustInfo& s) {
  std::array<std::uint8_t, 768> table{};
  const std::int16_t adjust[3] = {s.red, s.green, s.blue};
  for (int c = 0; c < 3; ++c)
    for (int x = 0; x < 256; ++x) {
      std::uint8_t value = static_cast<std::uint8_t>(x);
      getNewByteValueLUT(value, adjust[c], s.dark, s.light, s.gamma);
      table[static_cast<std::size_t>(c * 256 + x)] = value;
    }
  return table;
}

std::int16_t upd2500ColorAdjustRGBHandleLUT(Handle handle, std::int16_t red, std::int16_t green, std::int16_t blue,
                                            std::int16_t dark, std::int16_t light, std::int16_t gamma) {
  if (handle == nullptr || *handle == nullptr) return -1;
  const std::int64_t size = GetHandleSize(handle);
  if (size <= 0 || size % 3 != 0) return -1;
  for (std::int16_t v : {red, blue, green, dark, light, gamma})
    if (!checkColorAdjRange(v)) return -1;
  signed char state = 0;
  myGetHandleState(handle, &state);
  myHLock(handle);
  myPollEventOnTicks();
  myImageColorAdjustInfo settings;
  settings.red = red;
  settings.green = green;
  settings.blue = blue;
  settings.dark = dark;
  settings.light = light;
  settings.gamma = gamma;
  const auto table = makeColorAdjustLUT(settings);
  auto* bytes = reinterpret_cast<std::uint8_t*>(*handle);
  for (std::int64_t i = 0; i < size; i += 3) {
    bytes[i] = table[bytes[i]];
    bytes[i + 1] = table[256 + bytes[i + 1]];
    bytes[i + 2] = table[512 + bytes[i + 2]];
  }
  myRestoreHandleState(handle, state);
  return 0;
}

std::int16_t upd2500ColorAdjustRGBHandle(Handle handle, std::int16_t red, std::int16_t green, std::int16_t blue,
                                         std::int16_t dark, std::int16_t light, std::int16_t gamma) {
  return upd2500ColorAdjustRGBHandleLUT(handle, red, green, blue, dark, light, gamma);
}

void applyChannelTables(const PixView& source, const PixView& destination,
                        const std::array<std::uint8_t, 768>& tables) noexcept {
  const std::uint8_t* red = tables.data();
  const std::uint8_t* green = red + 256;
  const std::uint8_t* blue = red + 512;
  const int w = source.width();
  for (int y = 0; y < source.height(); ++y) {
    const std::uint8_t* p = source.row(y);
    std::uint8_t* q = destination.row(y);
    for (int x = 0; x < w; ++x, p += kBytesPerPixel, q += kBytesPerPixel) {
      const std::uint8_t r = red[p[kRedByte]], g = green[p[kGreenByte]], b = blue[p[kBlueByte]];
      q[kRedByte] = r;
      q[kGreenByte] = g;
      q[kBlueByte] = b;
    }
  }
}

bool ApplyColorSettingsToOffscreen(Offscreen* source, const myImageColorAdjustInfo& settings, Offscreen* destination) {
  if (source == nullptr || destination == nullptr) return false;
  if (!sameSize(source, destination)) {
    systemLog("ApplyColorSettingsToOffscreen: source and destination sizes differ");
    return false;
  }
  if (allZero(settings)) return copyWhole(source, destination);
  std::printf("settings.dark == %d", static_cast<int>(settings.dark));
  std::printf("settings.light == %d", static_cast<int>(settings.light));
  std::printf("settings.gamma == %d", static_cast<int>(settings.gamma));
  std::fflush(stdout);
  for (std::int16_t v : {settings.red, settings.blue, settings.green, settings.dark, settings.light, settings.gamma})
    if (!checkColorAdjRange(v)) {
      systemLogf("ApplyColorSettingsToOffscreen: a setting (%d) is outside -32..32; the image is not corrected", v);
      return false;
    }
  return tablePass(source, destination, makeColorAdjustLUT(settings));
}

bool ApplyColorSettingsToOffscreen(Offscreen* source, const myUpdColorAdjustInfo& settings, Offscreen* destination) {
  // The 16-bit number at the start of each 32-bit host-order word: its low half.
  auto word = [&settings](std::size_t index) {
    return static_cast<std::int16_t>(static_cast<std::int32_t>(settings.values[index].words[0]));
  };
  myImageColorAdjustInfo six;
  six.red = word(0);
  six.green = word(1);
  six.blue = word(2);
  six.dark = word(3);
  six.light = word(4);
  six.gamma = word(6);
  return ApplyColorSettingsToOffscreen(source, six, destination);
}

std::int16_t SCcurveRGB(std::uint8_t* bytes, std::int64_t length, const std::uint8_t* redCurve,
                        const std::uint8_t* greenCurve, const std::uint8_t* blueCurve, int bytesPerPixel) {
  if (bytes == nullptr || bytesPerPixel < 3 || length % bytesPerPixel != 0) return -1;
  for (std::int64_t i = 0; i < length; i += bytesPerPixel) {
    bytes[i] = redCurve[bytes[i]];
    bytes[i + 1] = greenCurve[bytes[i + 1]];
    bytes[i + 2] = blueCurve[bytes[i + 2]];
  }
  return 0;
}

bool makeSepiaCurves(double red, double green, double blue, std::array<std::uint8_t, 768>& curves) {
  const double factors[3] = {red, green, blue};
  for (double factor : factors)
    if (!(std::abs(std::trunc(factor)) < 1)) return false;
  for (int c = 0; c < 3; ++c) {
    const double factor = factors[c];
    const double e = factor > 0 ? 1 / (factor + 1) : 1 - factor;
    for (int i = 0; i < 256; ++i) {
      const double value = std::trunc(0.5 + std::pow(i / 256.0, e) * 256.0);
      curves[static_cast<std::size_t>(c * 256 + i)] = static_cast<std::uint8_t>(std::min(value, 255.0));
    }
  }
  return true;
}

std::int16_t SCadjustRGB(std::uint8_t* bytes, std::int64_t length, double red, double green, double blue) {
  std::array<std::uint8_t, 768> curves{};
  if (!makeSepiaCurves(red, green, blue, curves)) return -1;
  return SCcurveRGB(bytes, length, curves.data(), curves.data() + 256, curves.data() + 512, 3);
}

bool ConvertOffscreenToSepia(Offscreen* source, const myImageColorAdjustInfo& tones, Offscreen* destination) {
  if (source == nullptr || destination == nullptr || !sameSize(source, destination)) return false;
  if (allZero(tones)) {
    DisplayNormalMessage(" ConvertOffscreenToSepia did NOTHING ");
    return copyWhole(source, destination);
  }
  std::array<std::uint8_t, 768> curves{};
  if (!makeSepiaCurves(tones.red / 100.0, tones.green / 100.0, tones.blue / 100.0, curves)) return false;
  return tablePass(source, destination, curves);
}

bool ConvertOffscreenToSepiaSpooler(Offscreen* source, const myImageColorAdjustInfo& tones, Offscreen* destination,
                                    std::int16_t printerType, const tOldTimePhotoPrefs& oldTime) {
  if (source == nullptr || destination == nullptr || !sameSize(source, destination)) return false;
  // Tones the sepia step refuses leave the page grey but do not stop the print: the page goes on as it always
  // printed, and only the log says why it is not toned.
  auto tone = [destination](const myImageColorAdjustInfo& toneSettings) {
    if (!ConvertOffscreenToSepia(destination, toneSettings, destination))
      systemLogf("ConvertOffscreenToSepiaSpooler: tones %d, %d, %d refused; the page stays grey",
                 toneSettings.red.value(), toneSettings.green.value(), toneSettings.blue.value());
  };
  if (printerType != 98) {
    if (!copyWhole(source, destination)) return false;
    if (doGrayScaleTheImageInGWorld(destination) != 0) return false;
    tone(tones);
    return true;
  }
  OffscreenPtr colour{myDuplicateGWorld(source)};
  if (!colour) return false;
  if (!copyWhole(source, destination)) return false;
  if (doGrayScaleTheImageInGWorld(destination) != 0) return false;
  tone(oldTime.tones);
  OffscreenPtr mask{myCreateMaskGWorld(source->portRect(), static_cast<std::int16_t>(100 - oldTime.percent))};
  if (!mask) return false;
  const Rect from = colour->portRect(), through = mask->portRect(), to = destination->portRect();
  return myCopyDeepMask(colour.get(), mask.get(), destination, &from, &through, &to, srcCopy, nullptr);
}

std::int16_t convertToGrayScaleByte(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t* grey) {
  if (grey == nullptr) return -1;
  const float sum = 0.3f * red + 0.11f * blue + 0.59f * green;
  *grey = static_cast<std::uint8_t>(std::clamp(sum, 0.0f, 255.0f));
  return 0;
}

void greyPixels(const PixView& view) noexcept {
  const int w = view.width();
  for (int y = 0; y < view.height(); ++y) {
    std::uint8_t* p = view.row(y);
    int x = 0;
#if defined(__SSE2__)
    // Four pixels at a time with the same single-precision products and sums in the same order, so every grey
    // is the scalar one. The lanes are the little-endian words of the x86 SSE2 build: byte 0 alpha in bits 0-7.
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const __m128 kR = _mm_set1_ps(0.3f), kB = _mm_set1_ps(0.11f), kG = _mm_set1_ps(0.59f);
    const __m128 limit = _mm_set1_ps(255.0f);
    for (; x + 4 <= w; x += 4, p += 4 * kBytesPerPixel) {
      const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128 r = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(px, 8), byteMask));
      const __m128 g = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(px, 16), byteMask));
      const __m128 b = _mm_cvtepi32_ps(_mm_srli_epi32(px, 24));
      const __m128 sum = _mm_add_ps(_mm_add_ps(_mm_mul_ps(kR, r), _mm_mul_ps(kB, b)), _mm_mul_ps(kG, g));
      const __m128i grey = _mm_cvttps_epi32(_mm_min_ps(sum, limit));
      const __m128i colour =
          _mm_or_si128(_mm_slli_epi32(grey, 8), _mm_or_si128(_mm_slli_epi32(grey, 16), _mm_slli_epi32(grey, 24)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(_mm_and_si128(px, byteMask), colour));
    }
#endif
    for (; x < w; ++x, p += kBytesPerPixel) {
      const float sum = 0.3f * p[kRedByte] + 0.11f * p[kBlueByte] + 0.59f * p[kGreenByte];
      const auto grey = static_cast<std::uint8_t>(std::min(sum, 255.0f));
      p[kRedByte] = p[kGreenByte] = p[kBlueByte] = grey;
    }
  }
}

std::int16_t doGrayScaleTheImageInGWorld(Offscreen* offscreen) {
  if (offscreen == nullptr) {
    DisplayNormalMessage(kImageMessages, 1);
    return -1;
  }
  PixelLock lock(offscreen);
  if (!lock.locked()) return -1;
  const PixView view = offscreen->view();
  forRowBands(view.height(), [&](int first, int end) {
    greyPixels(PixView(view.row(first), view.rowBytes(), makeRect(0, 0, end - first, view.width())));
  });
  return 0;
}

}  // namespace vorl
