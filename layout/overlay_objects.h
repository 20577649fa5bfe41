// Page objects drawn from a ready-made picture file: the plain overlay ('ovly', never met in a job file), the
// group photo ('grou'), the file overlay ('fovl') and the transparent overlay ('tran').
//
// Each names its file by the name in an FSSpec and a category, the sub-folder of the graphics folder that holds
// it; the FSSpec's volume and folder from the file are never used to find it. The overlay flags and mode are
// carried with the object for the producer's sake; nothing here interprets them.
#pragma once

#include <cstdint>
#include <memory>

#include "layout/layout_object.h"

namespace vorl {

class TOverlayObject : public TLayoutObject {
 public:
  TOverlayObject() = default;
  TOverlayObject(const TOverlayObject&) = default;

  void IOverlayObject(const CLongRect_AC& bounds, OSType type = kOverlayObjectType) noexcept;

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  std::int16_t overlayValue() const noexcept { return fOverlayValue; }
  std::int16_t skipFlag() const noexcept { return fSkipFlag; }

 protected:
  std::int16_t fOverlayValue = 0;  // 1 once initialised
  std::int16_t fSkipFlag = 0;      // set by the file and transparent overlays
};

// A file specification that names no file yet: volume and folder -999, no name.
FSSpec unsetOverlayFile() noexcept;

class TGroupPhotoObject final : public TOverlayObject {
 public:
  TGroupPhotoObject() = default;
  TGroupPhotoObject(const TGroupPhotoObject&) = default;

  [[nodiscard]] static std::unique_ptr<TGroupPhotoObject> New(const CGroupPhotoDesc& desc);
  void IGroupPhotoObject(const CLongRect_AC& bounds) noexcept;
  void Set(const CGroupPhotoDesc& desc);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  const FSSpec& photoFile() const noexcept { return fPhotoFile; }
  const Str31& category() const noexcept { return fCategory; }

 private:
  FSSpec fPhotoFile = unsetOverlayFile();
  Str31 fCategory;
};

// The overlay mode a descriptor stands for. A stored 0 is read through the flags: B gives 3, A gives 2, else 1.
std::int16_t overlayModeOf(const COverlayDesc& desc) noexcept;

// The file and transparent overlays share one descriptor and these fields.
class OverlayFileFields {
 public:
  const FSSpec& graphicFile() const noexcept { return fGraphicFile; }
  const Str31& category() const noexcept { return fCategory; }
  bool flagA() const noexcept { return fFlagA; }
  bool flagB() const noexcept { return fFlagB; }
  std::int16_t overlayMode() const noexcept { return fOverlayMode; }

 protected:
  void SetOverlayFields(const COverlayDesc& desc);

  FSSpec fGraphicFile = unsetOverlayFile();
  Str31 fCategory;
  bool fFlagA = false;
  bool fFlagB = false;
  std::int16_t fOverlayMode = 0;
};

class TFileOverlayObject final : public TOverlayObject, public OverlayFileFields {
 public:
  TFileOverlayObject() = default;
  TFileOverlayObject(const TFileOverlayObject&) = default;

  [[nodiscard]] static std::unique_ptr<TFileOverlayObject> New(const COverlayDesc& desc);
  void IFileOverlayObject(const CLongRect_AC& bounds) noexcept { IOverlayObject(bounds, kFileOverlayObjectType); }
  void Set(const COverlayDesc& desc);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
};

class TTransparentOverlayObject final : public TOverlayObject, public OverlayFileFields {
 public:
  TTransparentOverlayObject() { fOverlayMode = 1; }
  TTransparentOverlayObject(const TTransparentOverlayObject&) = default;

  [[nodiscard]] static std::unique_ptr<TTransparentOverlayObject> New(const COverlayDesc& desc);
  void ITransparentOverlayObject(const CLongRect_AC& bounds) noexcept {
    IOverlayObject(bounds, kTransparentOverlayObjectType);
  }
  void Set(const COverlayDesc& desc);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
};

}  // namespace vorl
