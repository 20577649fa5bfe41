// The managers of one keying call: they turn the page's offscreens into keying maps, run one pass through the
// adapter and write the composite or the matte back into the output offscreen.
//
// A manager lives for one call. It owns every map (released however the call ends) and the foreground and
// background offscreens handed to it, which it releases as soon as their maps are made. The output offscreen
// stays the caller's. Keying runs at most once per manager: the first display pass keys, later ones only convert
// maps into the output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chromakey/bridge/matte_edge_settings.h"
#include "chromakey/bridge/pb_setup.h"
#include "chromakey/engine/pixel_map.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

// `InitializeNew` results.
inline constexpr int kKeyingReady = 0;
inline constexpr int kKeyingMapMissing = -1;
inline constexpr int kKeyingOffscreenMissing = -2;
inline constexpr int kKeyingSizesDiffer = -3;  // the background is not the foreground's size

// Display modes.
inline constexpr std::int16_t kDisplayComposite = 0;
inline constexpr std::int16_t kDisplayMatte = 1;

class TDuzeviveMgr {
 public:
  TDuzeviveMgr() noexcept = default;
  virtual ~TDuzeviveMgr() = default;
  TDuzeviveMgr(const TDuzeviveMgr&) = delete;
  TDuzeviveMgr& operator=(const TDuzeviveMgr&) = delete;

  // Every map in one go. A keying call does not use it: `InitializeNew` makes the maps as it converts.
  virtual bool AllocateMemory() noexcept;
  virtual void CleanMemory() noexcept;
  // The matte-view and keyed maps; true when both exist.
  virtual bool AllocateMemory3() noexcept;

  // The foreground and background are taken over; the output is borrowed.
  Offscreen* SetFGGWorldPtr(OffscreenPtr foreground) noexcept;
  Offscreen* SetBGGWorldPtr(OffscreenPtr background) noexcept;
  Offscreen* SetOutGWorldPtr(Offscreen* output) noexcept;
  void SetImageSizeX(int width) noexcept { width_ = width < 0 ? 0 : width; }
  void SetImageSizeY(int height) noexcept { height_ = height < 0 ? 0 : height; }
  void SetDisplayMode(std::int16_t mode) noexcept { displayMode_ = mode; }

  // Sizes the key from the foreground, makes the foreground and background maps (releasing each offscreen once
  // its map is made) and the maps of the pass. kKeyingReady or one of the failures above.
  [[nodiscard]] int InitializeNew() noexcept;

  // 0, or −1 with message 1 (no map) or 2 (no offscreen) of list 4101. The offscreen must be the key's size.
  int ConvertGWorldToPIXELMap(const Offscreen* gworld, pixeli* map) noexcept;
  int ConvertPIXELMapToGWorld(Offscreen* gworld, const pixeli* map) noexcept;

  [[nodiscard]] int width() const noexcept { return width_; }
  [[nodiscard]] int height() const noexcept { return height_; }
  [[nodiscard]] const PBSetup& setup() const noexcept { return setup_; }

 protected:
  // A zero-filled map of the key's size; empty when the key has no pixels or the memory cannot be had.
  [[nodiscard]] PixelMap newMap() const noexcept;
  // Both given (else the operator hears which is missing), with pixels, and the offscreen the key's size.
  [[nodiscard]] bool canConvert(const Offscreen* gworld, const pixeli* map) const noexcept;

  fixcoef coefficients_;
  int width_ = 0;
  int height_ = 0;
  std::size_t pixelCount_ = 0;
  PixelMap foreground_;
  PixelMap background_;
  PixelMap matteView_;
  PixelMap keyed_;
  OffscreenPtr foregroundGWorld_;
  OffscreenPtr backgroundGWorld_;
  Offscreen* outputGWorld_ = nullptr;
  std::int16_t displayMode_ = kDisplayComposite;
  bool keyingPending_ = false;
  PBSetup setup_;
};

class TDuzeviveMgr2 : public TDuzeviveMgr {
 public:
  explicit TDuzeviveMgr2(const MatteEdgeSettings& edge) noexcept;

  bool AllocateMemory() noexcept override;
  void CleanMemory() noexcept override;
  bool AllocateMemory3() noexcept override;

  // The job's key, copied into the manager and into the adapter's slot.
  void SetParameters(const fixcoef& record) noexcept;
  // Non-zero: the foreground's alpha byte carries the junk mask's keep-region.
  void SetDoExternalMask(std::int16_t junkInForegroundAlpha) noexcept { doExternalMask_ = junkInForegroundAlpha; }
  // Builds the exclusion map from the image's exclusion mask, drawn at `scale` into an offscreen of the frame's
  // size, copied from `source` to `destination` (moved to the origin unless `keepDestinationOrigin`) into one of
  // the output's size and turned by `rotation` degrees. Without a mask the map stays zero: nothing is excluded.
  void SetDoExclusionMask(const FSSpec& imageFile, Offscreen* frame, CRect_AC source, CRect_AC destination,
                          std::int16_t rotation, bool keepDestinationOrigin, float scale) noexcept;

  // One display pass: keys when keying is pending, then writes the composite (through the junk keep-region when
  // asked) or, in matte mode, the matte view into the output. `DisplayImage2` also makes the keep-region solid
  // in the matte. A status other than ok means the output holds no usable key.
  [[nodiscard]] PrimStatus DisplayImage() noexcept { return display(false); }
  [[nodiscard]] PrimStatus DisplayImage2() noexcept { return display(true); }

  [[nodiscard]] bool exclusionMaskPresent() const noexcept { return exclusionMaskPresent_ != 0; }
  [[nodiscard]] const MatteEdgeSettings& matteEdge() const noexcept { return edge_; }

 private:
  [[nodiscard]] PrimStatus display(bool solidKeepRegion) noexcept;
  void checkMatteEdgeRanges() noexcept;
  [[nodiscard]] PrimStatus key() noexcept;
  [[nodiscard]] PrimStatus writeComposite() noexcept;

  PixelMap exclusionMask_;
  PixelMap composite_;
  std::int16_t doExternalMask_ = 0;
  std::int16_t exclusionMaskPresent_ = 0;
  MatteEdgeSettings edge_;
};

}  // namespace vorl
