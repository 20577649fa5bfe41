#include "imaging/image_files/file_source.h"

#include <array>
#include <cstring>
#include <string_view>

#include "foundation/files/file_naming.h"
#include "foundation/text/pascal_strings.h"
#include "imaging/image_files/image_file.h"
#include "imaging/color/color_adjust_record.h"
#include "imaging/filters/image_filter.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/image_files/image_settings_resources.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/parallel/row_bands.h"
#include "platform/core/clock.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

ColorAdjustValues valuesOf(const myCocoaImageColorAdjustInfo& record) {
  ColorAdjustValues values;
  values.saturation = record.saturation.value();
  values.brightness = record.brightness.value();
  values.contrast = record.contrast.value();
  values.red = record.red.value();
  values.green = record.green.value();
  values.blue = record.blue.value();
  values.sharpness = record.sharpness.value();
  values.gamma = record.gamma.value();
  values.exposure = record.exposure.value();
  values.hue = record.hue.value();
  return values;
}

// Each pixel as drawn over white by its coverage 255 − alpha, as the picture drawing blends it (copied where it
// covers fully, white where it does not cover at all), with the alpha of a new offscreen: 0.
void flattenOntoWhite(const PixView& view) {
  forRowBands(view.height(), [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      std::uint8_t* pixel = view.row(y);
      for (int x = 0; x < view.width(); ++x, pixel += kBytesPerPixel) {
        const int cover = 255 - pixel[kAlphaByte];
        pixel[kAlphaByte] = 0;
        if (cover == 255) continue;
        const int keep = 255 - cover;
        for (int c = kRedByte; c <= kBlueByte; ++c)
          pixel[c] = static_cast<std::uint8_t>((pixel[c] * cover + 255 * keep + 127) / 255);
      }
    }
  });
}

}  // namespace

bool isValidFileForHere(const CStr255_AC& name) {
  const CStr255_AC extension = getExtensionFromSourceFile(name);
  std::array<char, 256> upper{};
  std::memcpy(upper.data(), extension.macRoman().data(), extension.length());
  toUpperString(upper.data());
  const std::string_view text(upper.data(), extension.length());
  for (const std::string_view accepted : {".TIF", ".TIFF", ".JPG", ".JPEG", ".CRW", ".CR2", ".NEF", ".PSD"})
    if (text == accepted) return true;
  return false;
}

bool TNewAllFilesHandler::IsValidFile() const {
  return fCurrentFile.name.length() > 3 && isValidFileForHere(CStr255_AC(fCurrentFile.name.macRoman()));
}

void TNewAllFilesHandler::LoadColorSettings() {
  myCocoaImageColorAdjustInfo record;
  if (!loadColorAdjustFromFile(fCurrentFile, &record)) SetDefaultForMyCocoaImageColorAdjustFromPrefs(&record);
  fColorAdjust = valuesOf(record);
}

OffscreenPtr TNewAllFilesHandler::GetFullSizeImage() {
  FSRef ref;
  if (FSpMakeFSRef(fCurrentFile, ref) != noErr) {
    systemLog("An error occured reading the image file; invalid image spec");
    return nullptr;
  }
  CImageFile imageFile(&ref);
  myCocoaImageColorAdjustInfo scratch;
  OffscreenPtr image;
  if (loadColorAdjustFromFile(fCurrentFile, &scratch)) {
    LoadColorSettings();
    image = imageFile.GetCurrentCGImageWithColorCorrection(fColorAdjust);
  } else {
    image = imageFile.GetCurrentCGImage();
  }
  if (image == nullptr) return nullptr;

  const std::uint32_t start = TickCount();
  if (myBlurValue != 0) {
    systemLogf("blurring image with value %f", static_cast<double>(myBlurValue));
    image = blurMyImage(std::move(image), myBlurValue);
  }
  systemLogf("number of ticks to blur hires image = %d", static_cast<int>(TickCount() - start));
  if (image == nullptr) return nullptr;

  const CGRect rect = imageFile.GetImageRect();
  const Rect bounds = makeRect(0, 0, static_cast<int>(rect.height), static_cast<int>(rect.width));
  if (EqualRect(image->portRect(), bounds)) {
    // The photo as it would lie drawn on a white offscreen of its own size, made in its own pixels: a 24-megapixel
    // photo then costs one offscreen, not two.
    // Without an alpha channel every pixel covers fully (alpha 0, which neither the correction nor the blur
    // changes), and lies on white as it is.
    if (imageFile.HasAlpha()) flattenOntoWhite(image->view());
    if (imageFile.GetOrientation() == 3) rotateHalfPixels(image->view());
    return image;
  }
  OffscreenPtr page{myNewGWorld(&bounds)};
  if (page == nullptr) return nullptr;
  // Only a photo stored upside down is turned here; the page objects turn quarter turns themselves.
  if (imageFile.GetOrientation() == 3)
    DrawCGImageToGWorldFlip(std::move(image), page.get(), rect);
  else
    DrawCGImageToGWorld(std::move(image), page.get(), rect);
  return page;
}

}  // namespace vorl
