// Page objects drawn from a ready-made picture file: the plain overlay ('ovly', never met in a job file), the
// group photo ('grou'), the file overlay ('fovl') and the transparent overlay ('tran').
//
// Each names its file by the name in an FSSpec and a category, the sub-folder of the graphics folder that holds
// it; the FSSpec's volume and folder from the file are never used to find it. The overlay flags and mode are
// carried with the object for the producer's sake; nothing here interprets them.
//
// When the graphic or its category cannot be found, the page goes on without it and nobody is told: layouts
// routinely name optional graphics. Names that could lead out of the graphics folder
// draw nothing either, but the operator is told, since the job file is then not to be trusted. A file that is
// there but does not read is told too.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "imaging/offscreens/offscreen.h"
#include "layout/layout_object.h"

namespace vorl {

// The overlay settings only the streamed form carries (150 bytes there); nothing draws from them.
struct tNewOverlaySettings {
  std::int32_t value = 0;
  FSSpec overlayFile;
  Str31 firstText;
  Str31 secondText;
  std::int16_t firstValue = 0;
  std::int16_t secondValue = 0;
  Rect rect{};
};

class TOverlayObject : public TLayoutObject {
 public:
  TOverlayObject() = default;
  // A copy starts without a picture of its own; it reads the file again when it draws.
  TOverlayObject(const TOverlayObject& other);
  TOverlayObject& operator=(const TOverlayObject&) = delete;

  void IOverlayObject(const CLongRect_AC& bounds, OSType type = kOverlayObjectType) noexcept;

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  // Its settings' file is then put in the database folder of the print-server settings.
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  std::int16_t overlayValue() const noexcept { return fOverlayValue; }
  std::int16_t skipFlag() const noexcept { return fSkipFlag; }
  const tNewOverlaySettings& overlaySettings() const noexcept { return fSettings; }

 protected:
  [[nodiscard]] bool ReadOverlayFrom(ObjectStreamReader& stream, OSType expectedType);

  tNewOverlaySettings fSettings;
  std::int16_t fOverlayValue = 0;  // 1 once initialised
  std::int16_t fSkipFlag = 0;      // set by the file and transparent overlays
  // The picture read for the drawing in hand; released before and after each drawing.
  OffscreenPtr fOverlayOffscreen;
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

  // The photo read into the object's picture (borrowed; the object keeps it until its drawing ends); null when
  // the file is missing, its names are refused or it does not read.
  Offscreen* GetFullSizeOverlayOffscreen();
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

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

  // The graphic read into the object's picture (borrowed, kept until the drawing ends), alpha 0 where the file
  // has none; null when the file is missing, its names are refused or it does not read.
  Offscreen* GetFullSizeOverlayOffscreen();

  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;
  // Writes the fields from the overlay value on, without the common part, and 1017 zero bytes.
  void WriteTo(ObjectStreamWriter& stream) const override;

  // Carried only by the streamed form.
  const FSSpec& secondFile() const noexcept { return fSecondFile; }
  const RGBColor& color() const noexcept { return fColor; }

 private:
  FSSpec fSecondFile = unsetOverlayFile();
  RGBColor fColor;
};

class TTransparentOverlayObject final : public TOverlayObject, public OverlayFileFields {
 public:
  TTransparentOverlayObject() { fOverlayMode = 1; }
  // The copy reads its own image when it first draws.
  TTransparentOverlayObject(const TTransparentOverlayObject& other) : TOverlayObject(other), OverlayFileFields(other) {}

  [[nodiscard]] static std::unique_ptr<TTransparentOverlayObject> New(const COverlayDesc& desc);
  void ITransparentOverlayObject(const CLongRect_AC& bounds) noexcept {
    IOverlayObject(bounds, kTransparentOverlayObjectType);
  }
  void Set(const COverlayDesc& desc);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  // The plain overlay's streamed form, under its own type.
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  // The graphic at its full size, read on first use and kept until the object goes (borrowed). Its alpha is
  // this system's (0 = opaque). Null while the file is missing, refused or unreadable.
  const Offscreen* GetCGimageRef();

 private:
  OffscreenPtr fImage;
};

// The category whose transparent overlays are cut-out masks for the producer, never printed.
inline constexpr std::string_view kCutOutFilesCategory = "CUT-OUT FILES";

}  // namespace vorl
