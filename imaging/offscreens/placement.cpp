// Placement geometry: crops, fits, insets and panning.
#include "imaging/offscreens/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/services/messages.h"
#include "foundation/records/rect_orientation.h"
#include "platform/system/system_log.h"

namespace vorl {

float gScaleFactor = 0.0f;

namespace {

int W(const CRect_AC& r) noexcept { return r.right - r.left; }
int H(const CRect_AC& r) noexcept { return r.bottom - r.top; }
bool degenerate(const CRect_AC& r) noexcept { return W(r) <= 0 || H(r) <= 0; }

// Into 16 bits: out-of-range values stop at the ends.
std::int16_t clampShort(std::int64_t value) noexcept {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -32768, 32767));
}
std::int16_t clampShort(int value) noexcept { return clampShort(static_cast<std::int64_t>(value)); }
// trunc of a floating value, as an integer that cannot overflow.
std::int64_t truncWide(double value) noexcept {
  if (!(value == value)) return 0;
  return static_cast<std::int64_t>(std::clamp(std::trunc(value), -1e15, 1e15));
}
std::int64_t lroundWide(double value) noexcept {
  if (!(value == value)) return 0;
  return static_cast<std::int64_t>(std::clamp(std::round(value), -1e15, 1e15));
}

CRect_AC rect(std::int64_t top, std::int64_t left, std::int64_t bottom, std::int64_t right) noexcept {
  CRect_AC r;
  r.top = clampShort(top);
  r.left = clampShort(left);
  r.bottom = clampShort(bottom);
  r.right = clampShort(right);
  return r;
}

bool sameRect(const CRect_AC& a, const CRect_AC& b) noexcept {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// The crop's height H and width W for the target's shape, and whether the source is relatively taller (the
// crop then spans the full width and is placed vertically).
struct CropShape {
  bool taller;
  std::int64_t height;
  std::int64_t width;
};

CropShape cropShape(const CRect_AC& source, const CRect_AC& target) noexcept {
  const double kT = static_cast<double>(W(target)) / H(target);
  const double rw = static_cast<double>(W(source)) / W(target);
  const double rh = static_cast<double>(H(source)) / H(target);
  if (rh > rw) return {true, truncWide((1 / kT) * W(source)), W(source)};
  const std::int64_t height = truncWide(H(target) * rh);
  return {false, height, truncWide(height * kT)};
}

// Whether the fit follows the frame's width: the image's height and width as whole percentages of the frame's
// (truncated), the height's not above the width's. Two ratios less than a percent apart can tie, and the fitted
// picture then stands a few rows or columns out of the frame; placements keep it so, since the pages printed so
// far were placed so, and drawClippedToFrame keeps the drawing inside the frame.
bool fitsByWidth(const CRect_AC& frame, const CRect_AC& image) noexcept {
  const std::int64_t percentOfHeight = std::int64_t{100} * H(image) / H(frame);
  const std::int64_t percentOfWidth = std::int64_t{100} * W(image) / W(frame);
  return percentOfHeight <= percentOfWidth;
}

// The fitted width and height.
void fitSize(const CRect_AC& frame, const CRect_AC& image, std::int64_t& width, std::int64_t& height) noexcept {
  if (fitsByWidth(frame, image)) {
    height = truncWide(H(image) * (static_cast<double>(W(frame)) / W(image)));
    width = W(frame);
  } else {
    width = truncWide(W(image) * (static_cast<double>(H(frame)) / H(image)));
    height = H(frame);
  }
}

double longerOverShorter(const CRect_AC& r) noexcept {
  const double w = W(r), h = H(r);
  return std::max(w, h) / std::min(w, h);
}

}  // namespace

CRect_AC CropAndResize(CRect_AC source, CRect_AC target, std::int16_t where) {
  if (where == kAnchorTop) return CropAndResizeTop(source, target);
  if (where == kAnchorBottom) return CropAndResizeBottom(source, target);
  if (degenerate(source) || degenerate(target)) return source;
  const CropShape c = cropShape(source, target);
  if (c.taller) {
    const std::int64_t top = (H(source) - c.height) / 2;
    return rect(top, 0, top + c.height, W(source));
  }
  const std::int64_t left = (W(source) - c.width) / 2;
  return rect(0, left, c.height, left + c.width);
}

CRect_AC CropAndResizeTop(CRect_AC source, CRect_AC target) {
  if (degenerate(source) || degenerate(target)) return source;
  const CropShape c = cropShape(source, target);
  return c.taller ? rect(0, 0, c.height, W(source)) : rect(0, 0, c.height, c.width);
}

CRect_AC CropAndResizeBottom(CRect_AC source, CRect_AC target) {
  if (degenerate(source) || degenerate(target)) return source;
  const CropShape c = cropShape(source, target);
  // Twice the centred margin, which was halved toward zero: with an odd difference the last row or column stays
  // outside the crop, as on the pages printed so far.
  if (c.taller) {
    const std::int64_t top = 2 * ((H(source) - c.height) / 2);
    return rect(top, 0, top + c.height, W(source));
  }
  const std::int64_t left = 2 * ((W(source) - c.width) / 2);
  return rect(0, left, c.height, left + c.width);
}

CRect_AC ResizeToFit(CRect_AC frame, CRect_AC image) {
  if (degenerate(frame) || degenerate(image)) return image;
  std::int64_t width = 0, height = 0;
  fitSize(frame, image, width, height);
  const std::int64_t left = truncWide((W(frame) - width) / 2.0);
  const std::int64_t top = truncWide((H(frame) - height) / 2.0);
  return rect(frame.top + top, frame.left + left, frame.top + top + height, frame.left + left + width);
}

CRect_AC CalculateMaximumRect(CRect_AC frame, CRect_AC image, bool enlarge) {
  if (degenerate(frame) || degenerate(image)) return image;
  const int iw = W(image), ih = H(image), fw = W(frame), fh = H(frame);
  std::int64_t width = iw, height = ih;
  // Strictly wider and less high (or higher and less wide): an image that meets the frame on one side keeps its
  // size.
  if (iw > fw && ih < fh) {
    height = truncWide(ih * (static_cast<double>(fw) / iw));
    width = fw;
  } else if (ih > fh && iw < fw) {
    width = truncWide(iw * (static_cast<double>(fh) / ih));
    height = fh;
  }
  if ((iw > fw && ih > fh) || enlarge) fitSize(frame, image, width, height);
  const std::int64_t left = truncWide((fw - width) / 2.0);
  const std::int64_t top = truncWide((fh - height) / 2.0);
  return rect(top, left, top + height, left + width);
}

CRect_AC getCropRect(CRect_AC image, std::int16_t cropType, float hRatio, float vRatio, std::int16_t dpi) {
  static_cast<void>(dpi);
  if (cropType == kNoCrop) return image;
  double a = hRatio, b = vRatio;
  switch (cropType) {
    case k8x10CropPortrait:
      a = 8;
      b = 10;
      systemLog("Cropping occured: k8x10CropPortrait");
      break;
    case k8x10CropLandscape:
      systemLog("Cropping occured: k8x10CropLandscape");
      break;
    case k5x7CropPortrait:
      a = 5;
      b = 7;
      systemLog("Cropping occured: k5x7CropPortrait");
      break;
    case k5x7CropLandscape:
      systemLog("Cropping occured: k5x7CropLandscape");
      break;
    case kRatioCrop:
      systemLogf("Cropping occured: hRatio = %f by vRatio = %f", static_cast<double>(hRatio),
                 static_cast<double>(vRatio));
      break;
    default:
      break;
  }
  if (degenerate(image) || !std::isfinite(a) || !std::isfinite(b) || a <= 0 || b <= 0) {
    systemLogf("getCropRect: no crop for ratio %f by %f", a, b);
    return image;
  }
  const double r = std::min(a, b) / std::max(a, b);
  std::int64_t width = 0, height = 0;
  if (b > a) {
    width = W(image);
    height = truncWide(W(image) * r);
  } else if (a > b) {
    width = truncWide(H(image) * r);
    height = H(image);
  } else {
    width = height = std::min(W(image), H(image));
  }
  const CRect_AC crop = rect(0, 0, height, width);
  // Turned to the image's orientation the crop may stand out of the image (8×10 of a 3:2 landscape is taller
  // than the photo). It is kept so: whatever copies through it reads only the photo's pixels and leaves the rest
  // of its destination as it was.
  if (getRectOrientation(crop) != getRectOrientation(image)) std::swap(width, height);
  return rect(0, 0, height, width);
}

std::int16_t GetRectOrientation(const CRect_AC& r) noexcept {
  if (W(r) > H(r)) return 1;
  if (H(r) > W(r)) return 2;
  return 3;
}

std::int16_t InsetRects(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                        std::int16_t inset, std::int16_t where) {
  return InsetRectsFromWhere(srcBound, dstBound, imageRect, frameRect, inset, where);
}

std::int16_t InsetSrcBound_Compute(CPoint_AC& insetPoint, std::int16_t inset, CRect_AC srcBound, CRect_AC imageRect) {
  const CRect_AC& shape = inset < 0 ? imageRect : srcBound;
  if (degenerate(shape)) return 1;
  const double k = static_cast<double>(W(shape)) / H(shape);
  switch (GetRectOrientation(imageRect)) {
    case 1:
      insetPoint.h = inset;
      insetPoint.v = clampShort(lroundWide(inset / k));
      break;
    case 2:
      insetPoint.h = clampShort(lroundWide(inset * k));
      insetPoint.v = inset;
      break;
    default:
      insetPoint.h = inset;
      insetPoint.v = inset;
      break;
  }
  return 1;
}

std::int16_t SrcBound_ComputeCenter(CRect_AC& srcBound, CRect_AC limit, CPoint_AC p) {
  srcBound.left = clampShort(std::max<int>(srcBound.left + p.h, limit.left));
  srcBound.top = clampShort(std::max<int>(srcBound.top + p.v, limit.top));
  srcBound.right = clampShort(std::min<int>(srcBound.right - p.h, limit.right));
  srcBound.bottom = clampShort(std::min<int>(srcBound.bottom - p.v, limit.bottom));
  return 1;
}

std::int16_t SrcBound_ComputeTopOrLeft(CRect_AC& srcBound, CRect_AC limit, CPoint_AC p) {
  int left = srcBound.left, top = srcBound.top;
  int right = std::min<int>(srcBound.right - p.h, limit.right);
  int bottom = std::min<int>(srcBound.bottom - p.v, limit.bottom);
  left += p.h;
  if (left < limit.left) {
    left = limit.left;
    right = std::min<int>(right - p.h, limit.right);
  }
  top += p.v;
  if (top < limit.top) {
    top = limit.top;
    bottom = std::min<int>(bottom - p.v, limit.bottom);
  }
  srcBound = rect(top, left, bottom, right);
  return 1;
}

std::int16_t SrcBound_ComputeBottomOrRight(CRect_AC& srcBound, CRect_AC limit, CPoint_AC p) {
  int left = std::max<int>(srcBound.left + p.h, limit.left);
  int top = std::max<int>(srcBound.top + p.v, limit.top);
  int right = srcBound.right - p.h, bottom = srcBound.bottom - p.v;
  if (right > limit.right) {
    right = limit.right;
    left = std::max<int>(left + p.h, limit.left);
  }
  if (bottom > limit.bottom) {
    bottom = limit.bottom;
    top = std::max<int>(top + p.v, limit.top);
  }
  srcBound = rect(top, left, bottom, right);
  return 1;
}

std::int16_t DstBound_ComputeLandscape(CRect_AC srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                       CPoint_AC p) {
  if (degenerate(srcBound)) return 1;
  const float k = static_cast<float>(H(srcBound)) / static_cast<float>(W(srcBound));
  const float h = static_cast<float>(W(frameRect)) * k;
  if (h == 0.0f) return 1;
  const std::int64_t m = std::lround((static_cast<float>(H(frameRect)) - h) / 2);
  std::int64_t top = frameRect.top + m;
  std::int64_t bottom = top + std::lround(h);
  std::int64_t left = frameRect.left, right = frameRect.right;
  if (sameRect(srcBound, imageRect)) {
    const auto d = static_cast<std::int16_t>((truncWide(gScaleFactor * p.v) + m) / 2);
    const std::int64_t e = lroundWide(d / k);
    left -= e;
    right += e;
    top -= d;
    bottom += d;
  }
  dstBound = rect(top, left, bottom, right);
  return 1;
}

std::int16_t DstBound_ComputePortrait(CRect_AC srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                      CPoint_AC p) {
  if (degenerate(srcBound)) return 1;
  const float k = static_cast<float>(W(srcBound)) / static_cast<float>(H(srcBound));
  const float w = static_cast<float>(H(frameRect)) * k;
  if (w == 0.0f) return 1;
  const std::int64_t m = std::lround((static_cast<float>(W(frameRect)) - w) / 2);
  std::int64_t left = frameRect.left + m;
  std::int64_t right = left + std::lround(w);
  std::int64_t top = frameRect.top, bottom = frameRect.bottom;
  if (sameRect(srcBound, imageRect)) {
    const auto d = static_cast<std::int16_t>((truncWide(gScaleFactor * p.v) + m) / 2);
    const std::int64_t e = lroundWide(d / k);
    left -= d;
    right += d;
    top -= e;
    bottom += e;
  }
  dstBound = rect(top, left, bottom, right);
  return 1;
}

std::int16_t InsetRectsFromWhere(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC frameRect,
                                 std::int16_t inset, std::int16_t where) {
  if (degenerate(srcBound) || degenerate(imageRect) || degenerate(frameRect)) {
    DisplayNormalMessage("Should never be here - InsetRectsFromWhere");
    return 1;
  }
  gScaleFactor = static_cast<float>(W(dstBound)) / static_cast<float>(W(srcBound));

  CPoint_AC p;
  p.h = inset;
  p.v = inset;
  InsetSrcBound_Compute(p, inset, srcBound, imageRect);
  if (where == kAnchorTop)
    SrcBound_ComputeTopOrLeft(srcBound, imageRect, p);
  else if (where == kAnchorBottom)
    SrcBound_ComputeBottomOrRight(srcBound, imageRect, p);
  else
    SrcBound_ComputeCenter(srcBound, imageRect, p);
  if (degenerate(srcBound)) {
    DisplayNormalMessage("Should never be here - InsetRectsFromWhere");
    return 1;
  }

  const std::int16_t frame = GetRectOrientation(frameRect), image = GetRectOrientation(imageRect);
  const double rI = longerOverShorter(imageRect), rF = longerOverShorter(frameRect);
  enum { kNone, kLandscapeFit, kPortraitFit } fit = kNone;
  if (frame == 1 && image == 1)
    fit = rI >= rF ? kLandscapeFit : (rI < rF ? kPortraitFit : kNone);
  else if (frame == 1)
    fit = kPortraitFit;
  else if (frame == 2 && image == 2)
    fit = rF > rI ? kLandscapeFit : (rF <= rI ? kPortraitFit : kNone);
  else if (frame == 2)
    fit = kLandscapeFit;
  else if (frame == 3)
    fit = image == 1 ? kLandscapeFit : kPortraitFit;

  if (fit == kLandscapeFit)
    DstBound_ComputeLandscape(srcBound, dstBound, imageRect, frameRect, p);
  else if (fit == kPortraitFit)
    DstBound_ComputePortrait(srcBound, dstBound, imageRect, frameRect, p);
  else
    DisplayNormalMessage("Should never be here - InsetRectsFromWhere");
  return 1;
}

void OffsetRects(CRect_AC& srcBound, CRect_AC& dstBound, CRect_AC imageRect, CRect_AC limitRect, CPoint_AC offset) {
  if (degenerate(srcBound) || degenerate(dstBound)) return;
  const float k = static_cast<float>(W(dstBound)) / static_cast<float>(W(srcBound));
  std::int64_t sl = srcBound.left, st = srcBound.top, sr = srcBound.right, sb = srcBound.bottom;
  std::int64_t dl = dstBound.left, dt = dstBound.top, dr = dstBound.right, db = dstBound.bottom;
  const std::int64_t sw = sr - sl, sh = sb - st;
  const std::int64_t slackH = W(imageRect) - sw, slackV = H(imageRect) - sh;

  // One axis: the window moves by the offset where the image allows; what it cannot take moves the destination.
  auto pan = [k](std::int64_t& start, std::int64_t& end, std::int64_t& destStart, std::int64_t& destEnd,
                 std::int64_t slack, std::int64_t by) {
    const std::int64_t size = end - start;
    const std::int64_t moved = start - by;
    if (moved >= 0 && moved <= slack) {
      start = moved;
    } else if (moved > slack) {
      const std::int64_t shift = truncWide(static_cast<float>(slack + by - start) * k);
      destStart += shift;
      destEnd += shift;
      start = slack;
    } else {
      const std::int64_t shift = truncWide(static_cast<float>(by - start) * k);
      destStart += shift;
      destEnd += shift;
      start = 0;
    }
    end = start + size;
  };
  pan(sl, sr, dl, dr, slackH, offset.h);
  pan(st, sb, dt, db, slackV, offset.v);

  if (dl < limitRect.left) {
    sl += truncWide(static_cast<float>(-dl) / k);
    dl = 0;
  }
  if (dt < limitRect.top) {
    st += truncWide(static_cast<float>(-dt) / k);
    dt = 0;
  }
  if (dr > limitRect.right) {
    sr -= truncWide(static_cast<float>(dr - limitRect.right) / k);
    dr = limitRect.right;
  }
  if (db > limitRect.bottom) {
    sb -= truncWide(static_cast<float>(db - limitRect.bottom) / k);
    db = limitRect.bottom;
  }
  if (dl < limitRect.left) {
    sl += truncWide(static_cast<float>(limitRect.left - dl) / k);
    dl = limitRect.left;
  }
  if (dt < limitRect.top) {
    st += truncWide(static_cast<float>(limitRect.top - dt) / k);
    dt = limitRect.top;
  }
  srcBound = rect(st, sl, sb, sr);
  dstBound = rect(dt, dl, db, dr);
}

}  // namespace vorl
