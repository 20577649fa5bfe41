// The image object ('imag'): one photo placed on the page, optionally keyed over a new background.
//
// The object is made from its `CImageDesc`; when the descriptor's keyed flag is set, the job file carries the
// photo's chroma-key settings right after it, and the record reader hands them over with `SetChromaKeySettings`.
//
// Drawing reads the photo from the images folder of the print-server preferences (through the one-entry decoded
// image cache), turns and colour-adjusts it, and places it in the object's rectangle by one of two roads chosen
// by the job's print mode: the crop road (modes 2 and lower, and 4) first cuts the photo to the job's crop
// format, the direct road (3, 5 and up) places it straight. A keyed photo is keyed over what the page already
// holds. A named graphic and a border may follow.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "chromakey/engine/chroma_key_record.h"
#include "layout/layout_object.h"

namespace vorl {

class TImageObject final : public TLayoutObject {
 public:
  TImageObject();
  TImageObject(const TImageObject&) = default;

  // A new object from a converted descriptor.
  [[nodiscard]] static std::unique_ptr<TImageObject> New(const CImageDesc& desc);
  void IImageObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kImageObjectType); }
  void Set(const CImageDesc& desc);

  // Takes the record that followed the descriptor: the settings themselves (shared, never changed, so copies of
  // the object share them) and the matte values the keying reads from the object (defocus, inward flag, shrink,
  // exclusion rectangle).
  void SetChromaKeySettings(std::shared_ptr<const tChromaKeySettings> settings) noexcept;

  // The older streamed form. A keyed object's key block follows its fields; when that block cannot be read the
  // stream goes back to where it began and the object stays unkeyed. A key block no producer could have written
  // fails the read, as it fails a job.
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  // The photo read for a special job, scaled to fit 640 x 640: the job's preview and sub-job picture. Null for
  // "No File" or a photo that cannot be read. The cache is not used.
  [[nodiscard]] OffscreenPtr Draw4PrintingSpecial(std::int16_t resolution, JobViewAccess* view);
  // Has the job save the original photo file; true only when it was saved, and only a saved file is registered
  // for deletion after the job. "No File" answers false.
  [[nodiscard]] bool CopyOriginalFile(JobViewAccess* view);
  // Draws `sourceRect` of `source` into `destRect` of `destination` turned by the object's angle, enlarged by the
  // object's box scale; with the angled flag and a junk mask in the photo file, the turned mask becomes the
  // destination's alpha inside `destRect`.
  void DrawImageWithAngle(Offscreen* source, Offscreen* destination, const Rect& sourceRect, const Rect& destRect);

  // The source and destination rectangles of the last placement (the keying maps its masks through them).
  const Rect& lastSourceRect() const noexcept { return fLastSourceRect; }
  const Rect& lastDestinationRect() const noexcept { return fLastDestRect; }

  std::int16_t fitMode() const noexcept { return fFitMode; }
  const FSSpec& photoFile() const noexcept { return fPhotoFile; }
  const myImageColorAdjustInfo& colorAdjust() const noexcept { return fColorAdjust; }
  const std::array<float, 4>& cropBounds() const noexcept { return fCropBounds; }
  std::int16_t useCropBounds() const noexcept { return fUseCropBounds; }
  std::int16_t borderFlag() const noexcept { return fBorderFlag; }
  std::int16_t borderWidth() const noexcept { return fBorderWidth; }
  const RGBColor& borderColor() const noexcept { return fBorderColor; }
  std::int16_t angledFlag() const noexcept { return fAngledFlag; }
  std::int16_t angle() const noexcept { return fAngle; }
  std::int16_t angleDirection() const noexcept { return fAngleDirection; }
  std::uint8_t keptByte() const noexcept { return fKeptByte; }
  std::int16_t keptValue() const noexcept { return fKeptValue; }
  // Null until the object is given the settings of a keyed photo.
  const tChromaKeySettings* chromaKeySettings() const noexcept { return fChromaKeySettings.get(); }
  // The coefficient block the keying works from: the settings' first 10,864 bytes (all zero without settings).
  std::span<const unsigned char, kFixcoefSize> keyCoefficients() const noexcept;
  std::int16_t defocus() const noexcept { return fDefocus; }
  std::int16_t inwardFlag() const noexcept { return fInwardFlag; }
  float shrink() const noexcept { return fShrink; }
  const tJunkMaskStructure& exclusionRect() const noexcept { return fExclusionRect; }
  std::int16_t boxScale() const noexcept { return fBoxScale; }
  // The four junk-mask rectangles only the streamed form carries.
  const std::array<tJunkMaskStructure, 4>& junkMasks() const noexcept { return fJunkMasks; }
  float rotationAngle() const noexcept { return fRotationAngle; }
  const Point& offset() const noexcept { return fOffset; }
  std::int16_t insetSteps() const noexcept { return fInsetSteps; }
  std::int16_t imageNumber() const noexcept { return fImageNumber; }
  const Str31& graphicCategory() const noexcept { return fGraphicCategory; }
  const Str31& graphicName() const noexcept { return fGraphicName; }
  bool keyed() const noexcept { return fKeyed; }

 private:
  struct PhotoRead;

  [[nodiscard]] bool Draw4PrintingNew(Offscreen* page, std::int16_t resolution, JobViewAccess* view);
  [[nodiscard]] bool DoChromaKeying(Offscreen* source, Offscreen* page, const Rect& sourceRect, const Rect& pageRect,
                                    std::int16_t resizeMode, std::int16_t alphaOutput, JobViewAccess* view);
  void DrawGraphics(Offscreen* page, const Rect& objectRect, std::int16_t matchRotation, std::int16_t rotation);
  void DrawBorder(Offscreen* page, const Rect& rect, std::int16_t resolution) const;

  // The photo's file in the images folder; none (after telling the operator) when the folder is not there or
  // the name cannot be a file name in it.
  [[nodiscard]] std::optional<FSSpec> resolvePhotoFile() const;
  // Steps shared by both roads: the object rectangle, the photo's file, the cache or the decoder, turning,
  // colour adjustment. Answers whether to go on; `result` is the call's answer when not.
  [[nodiscard]] bool readPhoto(PhotoRead& read, Offscreen* page, std::int16_t resolution, JobViewAccess* view,
                               bool cropRoad, bool& result);
  [[nodiscard]] bool drawSubJobPicture(Offscreen* page, const Rect& objectRect, JobViewAccess* view);
  [[nodiscard]] bool drawKeyed(Offscreen* picture, Offscreen* page, const Rect& source, const Rect& destination,
                               std::int16_t angle, JobViewAccess* view, bool cropRoad);
  [[nodiscard]] bool drawAngledKeyed(Offscreen* picture, Offscreen* page, const Rect& source, const Rect& destination,
                                     JobViewAccess* view);
  void drawGraphicAndBorder(Offscreen* page, const Rect& objectRect, const Rect& destination, std::int16_t resolution,
                            JobViewAccess* view);
  // How far the angled photo turns clockwise: direction 1 counts the object's angle the other way round, as
  // 360 less it; direction 2 takes it as it stands; any other direction does not turn.
  [[nodiscard]] std::int16_t turnAngle() const noexcept;

  std::int16_t fFitMode = 0;
  FSSpec fPhotoFile;
  myImageColorAdjustInfo fColorAdjust;
  std::array<float, 4> fCropBounds{};
  std::int16_t fUseCropBounds = 0;
  std::int16_t fBorderFlag = 0;
  std::int16_t fBorderWidth = 0;
  RGBColor fBorderColor;  // black
  std::int16_t fAngledFlag = 0;
  std::int16_t fAngle = 0;
  std::int16_t fAngleDirection = 0;
  std::uint8_t fKeptByte = 0;
  std::int16_t fKeptValue = 0;
  std::shared_ptr<const tChromaKeySettings> fChromaKeySettings;
  std::int16_t fDefocus = 0;
  std::int16_t fInwardFlag = 0;
  float fShrink = 0;
  tJunkMaskStructure fExclusionRect;
  std::array<tJunkMaskStructure, 4> fJunkMasks{};
  std::int16_t fBoxScale = 0;
  float fRotationAngle = 0;
  Point fOffset;
  std::int16_t fInsetSteps = 0;
  std::int16_t fImageNumber = 0;
  Str31 fGraphicCategory;
  Str31 fGraphicName;
  bool fKeyed = false;

  // Set for each drawing: the photo's file in the images folder, the box scale in pixels at the drawing's
  // resolution, and the decoded photo in hand (borrowed from the cache, never freed here).
  FSSpec fResolvedPhoto;
  std::int16_t fBoxScalePixels = 0;
  Offscreen* fCurrentImage = nullptr;
  Rect fLastSourceRect{};
  Rect fLastDestRect{};
};

// How many photos the image objects have decoded since the process started (the cache's hits are not counted).
std::int64_t imageObjectDecodeCount() noexcept;

}  // namespace vorl
