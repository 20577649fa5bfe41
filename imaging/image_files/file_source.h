// The image-file source that page photographs are read through first: TIFF, JPEG, camera raw and Photoshop
// files are decoded here, corrected with the adjustment stored beside the file, blurred by the job's radius and
// drawn into a new offscreen. Other files go to the general readers.
//
// A source serves one file: give it the file, ask whether it reads that kind, and only then ask for the image.
#pragma once

#include "imaging/color/color_adjust_values.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

class TVORLFileHandler {
 public:
  TVORLFileHandler() = default;
  virtual ~TVORLFileHandler() = default;
  TVORLFileHandler(const TVORLFileHandler&) = delete;
  TVORLFileHandler& operator=(const TVORLFileHandler&) = delete;

  void SetCurrentFile(const FSSpec& file) { fCurrentFile = file; }
  [[nodiscard]] const FSSpec& currentFile() const noexcept { return fCurrentFile; }

  // A new offscreen of the image's full size, or null.
  [[nodiscard]] virtual OffscreenPtr GetFullSizeImage() { return nullptr; }
  // Loads the current file's colour adjustment.
  virtual void LoadColorSettings() {}

 protected:
  FSSpec fCurrentFile{};
};

class TNewAllFilesHandler final : public TVORLFileHandler {
 public:
  // Whether the file's name (four characters at least) ends in an extension read here.
  [[nodiscard]] bool IsValidFile() const;
  [[nodiscard]] OffscreenPtr GetFullSizeImage() override;
  // Reads the file's stored adjustment, or the defaults when it has none.
  void LoadColorSettings() override;
  // The adjustment the last `LoadColorSettings` loaded.
  [[nodiscard]] const ColorAdjustValues& colorAdjustValues() const noexcept { return fColorAdjust; }

 private:
  ColorAdjustValues fColorAdjust;
};

// True for ".TIF", ".TIFF", ".JPG", ".JPEG", ".CRW", ".CR2", ".NEF" and ".PSD" in any letter case.
[[nodiscard]] bool isValidFileForHere(const CStr255_AC& name);

}  // namespace vorl
