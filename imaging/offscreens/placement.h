// Placement geometry: the source bounds (the part of a photograph that is used) and the destination bounds (its
// place on the page). Pure rectangle arithmetic on 16-bit rectangles; nothing is drawn here.
//
// The mix of precisions is deliberate and kept: integer division truncates toward zero, `trunc` and
// `lround` (half away from zero) act on the float or double values named at each step, so placements match
// the pages the studio already prints. Results are computed in wide integers and clamped into 16 bits.
// Rectangles with a side of 0 or less cannot be scaled: the functions give their input back unchanged.
#pragma once

#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// Crop types of getCropRect.
inline constexpr std::int16_t kNoCrop = 1;
inline constexpr std::int16_t k8x10CropPortrait = 2;
inline constexpr std::int16_t k8x10CropLandscape = 3;
inline constexpr std::int16_t k5x7CropPortrait = 4;
inline constexpr std::int16_t k5x7CropLandscape = 5;
inline constexpr std::int16_t kRatioCrop = 6;

// Anchors of crops and insets; any other value centres.
inline constexpr std::int16_t kAnchorTop = 2;
inline constexpr std::int16_t kAnchorBottom = 3;

// Destination width over source width, set by InsetRectsFromWhere and read by the destination fits. Touched
// only by the job worker.
extern float gScaleFactor;

// The part of `source` with the target's shape, in the source's own coordinates (its top-left as 0, 0).
CRect_AC CropAndResize(CRect_AC source, CRect_AC target, std::int16_t where);
CRect_AC CropAndResizeTop(CRect_AC source, CRect_AC target);
// Anchored at the bottom (or right): the crop starts at twice the centred margin, so with an odd difference it
// ends one row or column short of the far edge.
CRect_AC CropAndResizeBottom(CRect_AC source, CRect_AC target);

// The image fitted to the frame, centred, in the frame's coordinates. The side to fit is chosen on whole
// percentages of the frame, so where two ratios are less than a percent apart the result can stand out of the
// frame by a few rows or columns; draw it with drawClippedToFrame (offscreen_copy.h).
CRect_AC ResizeToFit(CRect_AC frame, CRect_AC image);
// The image fitted to the frame's size, centred, at the origin. Without `enlarge` an image smaller than the frame
// both ways keeps its size, and so does an image as high as the frame and wider (or as wide and higher), which
// then stands out of it; an image larger both ways, or any image with `enlarge`, is fitted as ResizeToFit fits.
// Draw a result that stands out with drawClippedToFrame.
CRect_AC CalculateMaximumRect(CRect_AC frame, CRect_AC image, bool enlarge);
// The crop rectangle at the origin for a crop type and ratio, turned to the image's orientation. It can be
// taller or wider than the image; copies through it leave the part outside the image untouched.
CRect_AC getCropRect(CRect_AC image, std::int16_t cropType, float hRatio, float vRatio, std::int16_t dpi);
// 1 landscape, 2 portrait, 3 square.
std::int16_t GetRectOrientation(const CRect_AC& rect) noexcept;

// Insets the source bounds by `inset` (adjusted to the image's shape) at the anchor and fits the destination
// to the frame. Status 1.
std::int16_t InsetRects(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                        std::int16_t inset, std::int16_t where);
std::int16_t InsetRectsFromWhere(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                 std::int16_t inset, std::int16_t where);
std::int16_t InsetSrcBound_Compute(CPoint_AC& insetPoint, std::int16_t inset, CRect_AC srcBound, CRect_AC imageRect);
std::int16_t SrcBound_ComputeTopOrLeft(CRect_AC& srcBound, CRect_AC limit, CPoint_AC insetPoint);
std::int16_t SrcBound_ComputeBottomOrRight(CRect_AC& srcBound, CRect_AC limit, CPoint_AC insetPoint);
std::int16_t SrcBound_ComputeCenter(CRect_AC& srcBound, CRect_AC limit, CPoint_AC insetPoint);
std::int16_t DstBound_ComputeLandscape(CRect_AC srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                       CPoint_AC insetPoint);
std::int16_t DstBound_ComputePortrait(CRect_AC srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                      CPoint_AC insetPoint);

// Pans the source window by `offset` within the image (moving the destination by what the window cannot
// take), then clips the destination to `limitRect` with the matching source correction.
void OffsetRects(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC limitRect, CPoint_AC offset);

}  // namespace vorl
