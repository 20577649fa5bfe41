// A job view with fixed answers, for drawing page objects without reading a job file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "layout/job_view_access.h"

namespace vorl::test {

class FixedJobView : public JobViewAccess {
 public:
  std::int16_t printerType = 17;
  bool ignoreOverlays = false;
  myImageColorAdjustInfo sepiaAdjust{};
  tOldTimePhotoPrefs oldTime{};
  tColorSyncPrefs colorSync{};
  std::vector<FSSpec> inserted;

  std::int16_t GetPrinterType() const noexcept override { return printerType; }
  std::int16_t GetPrintMode() const noexcept override { return 3; }
  std::int16_t GetCropMode() const noexcept override { return 1; }
  float GetCropHSize() const noexcept override { return 1; }
  float GetCropVSize() const noexcept override { return 1; }
  std::int16_t CropWhere() const noexcept override { return 1; }
  std::int16_t FinalCropWhere() const noexcept override { return 1; }
  std::int16_t MatchRotationForPrint() const noexcept override { return 0; }
  std::int16_t RotationForPrint() const noexcept override { return 1; }
  bool HasSubJob() const noexcept override { return false; }
  bool IsDrawingSubJob() const noexcept override { return false; }
  Offscreen* GetSubJobOffscreen() const noexcept override { return nullptr; }
  std::int16_t SubjobResizeMode() const noexcept override { return 0; }
  bool IgnoreOverlays() const noexcept override { return ignoreOverlays; }
  std::int16_t GetResizeMode() const noexcept override { return 3; }
  std::int16_t GetReductionResizeMode() const noexcept override { return 3; }
  std::int16_t GetScaleType() const noexcept override { return 3; }
  std::int16_t GetAlphaOutput() const noexcept override { return 0; }
  const tColorSyncPrefs& GetColorSyncPrefs() const noexcept override { return colorSync; }
  const myImageColorAdjustInfo& GetSepiaAdjust() const noexcept override { return sepiaAdjust; }
  const tOldTimePhotoPrefs& GetOldTimePhotoPrefs() const noexcept override { return oldTime; }
  void Insert(const FSSpec& file) override { inserted.push_back(file); }
  void AddFilesToDelete(const FSSpec&) override {}
  void SetCurrentImageName(const CStr255_AC&) override {}
  void SetStatus(std::string_view) override {}
  OffscreenPtr ResizeToNewSize(OffscreenPtr&, const Rect&) override { return nullptr; }
  bool SaveOriginalFile(const FSSpec&) override { return false; }
};

}  // namespace vorl::test
