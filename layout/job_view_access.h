// What a page object may ask of the job it belongs to.
//
// The job view lives in jobs/, which layout/ may not include, so the page objects see it through this interface
// and the job view implements it. Every accessor answers a field the job file filled (or one of the drawing
// constants set in one place for the fields no block fills); `Insert` registers an image file the job used. The
// last group is what drawing asks of the job side: the files to delete after the job, the name of the photo in
// hand, the progress status line, the printer's resize and the original-file output.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/records/color_sync_records.h"
#include "foundation/records/image_property_records.h"
#include "foundation/records/printer_settings_records.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

class JobViewAccess {
 public:
  virtual ~JobViewAccess() = default;

  virtual std::int16_t GetPrinterType() const noexcept = 0;
  virtual std::int16_t GetPrintMode() const noexcept = 0;
  virtual std::int16_t GetCropMode() const noexcept = 0;
  virtual float GetCropHSize() const noexcept = 0;
  virtual float GetCropVSize() const noexcept = 0;
  virtual std::int16_t CropWhere() const noexcept = 0;
  virtual std::int16_t FinalCropWhere() const noexcept = 0;
  virtual std::int16_t MatchRotationForPrint() const noexcept = 0;
  virtual std::int16_t RotationForPrint() const noexcept = 0;
  virtual bool HasSubJob() const noexcept = 0;
  virtual bool IsDrawingSubJob() const noexcept = 0;
  // Borrowed; null when there is no finished sub-job picture.
  virtual Offscreen* GetSubJobOffscreen() const noexcept = 0;
  virtual std::int16_t SubjobResizeMode() const noexcept = 0;
  virtual bool IgnoreOverlays() const noexcept = 0;
  // The drawing choices no block of the job file carries (see the job view).
  virtual std::int16_t GetResizeMode() const noexcept = 0;
  virtual std::int16_t GetReductionResizeMode() const noexcept = 0;
  virtual std::int16_t GetScaleType() const noexcept = 0;
  virtual std::int16_t GetAlphaOutput() const noexcept = 0;
  virtual const tColorSyncPrefs& GetColorSyncPrefs() const noexcept = 0;
  virtual const myImageColorAdjustInfo& GetSepiaAdjust() const noexcept = 0;
  virtual const tOldTimePhotoPrefs& GetOldTimePhotoPrefs() const noexcept = 0;

  // Adds an image file to the files the job used (deleted after the job unless the preferences keep them).
  virtual void Insert(const FSSpec& file) = 0;

  // Registers a photo the job drew for deletion once the job has succeeded.
  virtual void AddFilesToDelete(const FSSpec& file) = 0;
  // The photo in hand (Mac Roman, at most 255 characters): the base of the output names.
  virtual void SetCurrentImageName(const CStr255_AC& name) = 0;
  // The progress status line ("Reading Image", "Drawing Image…").
  virtual void SetStatus(std::string_view status) = 0;
  // A new offscreen of `picture` scaled to fit `box`, proportions kept; `picture` is released. Null, with
  // `picture` kept, when the new offscreen cannot be made.
  [[nodiscard]] virtual OffscreenPtr ResizeToNewSize(OffscreenPtr& picture, const Rect& box) = 0;
  // Saves the original photo file as the job's original-file output; false when it was not saved.
  [[nodiscard]] virtual bool SaveOriginalFile(const FSSpec& file) = 0;
};

}  // namespace vorl
