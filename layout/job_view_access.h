// What a page object may ask of the job it belongs to.
//
// The job view lives in jobs/, which layout/ may not include, so the page objects see it through this interface
// and the job view implements it. Every accessor answers a field the job file filled (or one of the drawing
// constants set in one place for the fields no block fills); `Insert` registers an image file the job used.
#pragma once

#include <cstdint>

#include "foundation/color_sync_records.h"
#include "foundation/image_property_records.h"
#include "foundation/printer_settings_records.h"
#include "platform/mac_types.h"

namespace vorl {

class Offscreen;

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
};

}  // namespace vorl
