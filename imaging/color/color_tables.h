// The operator's six-value colour correction through per-channel tables, sepia toning by power curves, the
// old-time print that blends colour back in, and greyscale.
//
// Results depend on the floating-point evaluation order written at each step (the build forbids contraction
// into fused multiply-adds), so tables and greys match the prints the studio already made.
#pragma once

#include <array>
#include <cstdint>

#include "foundation/records/image_property_records.h"
#include "foundation/records/printer_settings_records.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/handles.h"

namespace vorl {

// The new value of byte `x` for a channel with adjustment `channelAdjust`, with `dark`, `light` and `gamma`:
// v = x / 255, f = v² (gamma > 0), √v (gamma < 0) or 0, r = (2a + 255 + 2·light + 2·dark) ·
// ((v·(32 − |gamma|) + f·|gamma|) / 32) − 2·dark, plus 0.5 when positive, clamped to 0..255, truncated.
std::int16_t getNewByteValueLUT(std::uint8_t& value, std::int16_t channelAdjust, std::int16_t dark, std::int16_t light,
                                std::int16_t gamma);
// True for −32..32.
bool checkColorAdjRange(std::int16_t value) noexcept;
// Table entry c · 256 + x: channel c (0 red, 1 green, 2 blue). The values must be in range.
std::array<std::uint8_t, 768> makeColorAdjustLUT(const myImageColorAdjustInfo& settings);

// Corrects a packed red, green, blue buffer in place. −1 for a null, empty or not-multiple-of-3 handle or a
// value outside −32..32 (the buffer stays as it was); 0 on success.
std::int16_t upd2500ColorAdjustRGBHandle(Handle handle, std::int16_t red, std::int16_t green, std::int16_t blue,
                                         std::int16_t dark, std::int16_t light, std::int16_t gamma);
std::int16_t upd2500ColorAdjustRGBHandleLUT(Handle handle, std::int16_t red, std::int16_t green, std::int16_t blue,
                                            std::int16_t dark, std::int16_t light, std::int16_t gamma);

// Writes the source's colours corrected into the destination (which may be the source); every destination
// pixel keeps its alpha. All six values 0: the destination receives the source unchanged. False, destination
// untouched, for a null offscreen, port sizes that differ, or a value outside −32..32.
[[nodiscard]] bool ApplyColorSettingsToOffscreen(Offscreen* source, const myImageColorAdjustInfo& settings,
                                                 Offscreen* destination);
// The same with the values of a stored record: the first word of value records 1, 2, 3, 4, 5 and 7.
[[nodiscard]] bool ApplyColorSettingsToOffscreen(Offscreen* source, const myUpdColorAdjustInfo& settings,
                                                 Offscreen* destination);

// Replaces the first three bytes of every pixel through the red, green and blue curves. −1 for null bytes, fewer
// than 3 bytes a pixel or a length that is not a whole number of pixels.
std::int16_t SCcurveRGB(std::uint8_t* bytes, std::int64_t length, const std::uint8_t* redCurve,
                        const std::uint8_t* greenCurve, const std::uint8_t* blueCurve, int bytesPerPixel);
// Power curves from three factors in (−1, 1): exponent 1 / (factor + 1) above 0, else 1 − factor;
// curve[i] = trunc(0.5 + (i / 256)^e · 256). −1 for a factor out of range.
std::int16_t SCadjustRGB(std::uint8_t* bytes, std::int64_t length, double red, double green, double blue);
// The curves SCadjustRGB uses, or false for a factor out of range.
bool makeSepiaCurves(double red, double green, double blue, std::array<std::uint8_t, 768>& curves);

// Tones the source's colours into the destination (which may be the source), keeping the destination's alpha.
// Tones are percentages −99..99 in red, green, blue. All six tones 0: message " ConvertOffscreenToSepia did
// NOTHING ", destination receives the source unchanged, true. A tone out of range: false, destination
// untouched.
[[nodiscard]] bool ConvertOffscreenToSepia(Offscreen* source, const myImageColorAdjustInfo& tones,
                                           Offscreen* destination);
// Old-time printing into the destination (the source is left alone when they differ). Printer type 98: grey,
// toned with `oldTime`'s tones, then the colour original blended back through a uniform mask of level
// 100 − percent. Other types: grey, toned with `tones`. Tones that ConvertOffscreenToSepia refuses leave the
// grey untoned (with a log line) and the rest goes on, so type 98 still blends the colour back; the result is
// true then. False for a null offscreen, port sizes that differ, or memory.
[[nodiscard]] bool ConvertOffscreenToSepiaSpooler(Offscreen* source, const myImageColorAdjustInfo& tones,
                                                  Offscreen* destination, std::int16_t printerType,
                                                  const tOldTimePhotoPrefs& oldTime);

// Grey = trunc(0.3 · red + 0.11 · blue + 0.59 · green) in single precision, in that order, into red, green and
// blue; alpha stays. Null: message 4106/1, −1.
std::int16_t doGrayScaleTheImageInGWorld(Offscreen* offscreen);
std::int16_t convertToGrayScaleByte(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t* grey);

// The kernels over views of equal size: colours through a 768-byte table (alpha from the destination), and
// greyscale in place.
void applyChannelTables(const PixView& source, const PixView& destination,
                        const std::array<std::uint8_t, 768>& tables) noexcept;
void greyPixels(const PixView& view) noexcept;

}  // namespace vorl
