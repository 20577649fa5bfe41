// Reading and drawing version 2 pictures.
#include "imaging/picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/memory.h"
#include "imaging/offscreen_copy.h"
#include "imaging/pixel_locks.h"
#include "platform/system_log.h"

namespace vorl {

namespace {

// Big-endian reads over the picture's bytes; any read past the end marks the reader failed and gives 0.
class PictReader {
 public:
  PictReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool failed() const noexcept { return failed_; }
  std::size_t position() const noexcept { return at_; }
  bool skip(std::size_t n) noexcept {
    if (failed_ || n > size_ - at_) return fail();
    at_ += n;
    return true;
  }
  const std::uint8_t* take(std::size_t n) noexcept {
    const std::uint8_t* p = bytes_ + at_;
    return skip(n) ? p : nullptr;
  }
  std::uint8_t u8() noexcept {
    const std::uint8_t* p = take(1);
    return p ? p[0] : 0;
  }
  std::uint16_t u16() noexcept {
    const std::uint8_t* p = take(2);
    return p ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : 0;
  }
  std::uint32_t u32() noexcept { return static_cast<std::uint32_t>(u16()) << 16 | u16(); }
  Rect rect() noexcept {
    const auto top = static_cast<std::int16_t>(u16()), left = static_cast<std::int16_t>(u16());
    const auto bottom = static_cast<std::int16_t>(u16()), right = static_cast<std::int16_t>(u16());
    return makeRect(top, left, bottom, right);
  }
  bool fail() noexcept {
    failed_ = true;
    return false;
  }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

// PackBits: a count byte n then n + 1 literal bytes (n < 128) or one byte repeated 257 − n times (n > 128).
bool unpackBits(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) noexcept {
  std::size_t i = 0, o = 0;
  while (o < outSize) {
    if (i >= inSize) return false;
    const std::uint8_t n = in[i++];
    if (n < 128) {
      const std::size_t count = std::size_t{n} + 1;
      if (count > inSize - i || count > outSize - o) return false;
      std::memcpy(out + o, in + i, count);
      i += count;
      o += count;
    } else if (n > 128) {
      const std::size_t count = 257 - std::size_t{n};
      if (i >= inSize || count > outSize - o) return false;
      std::memset(out + o, in[i++], count);
      o += count;
    }
  }
  return true;
}

// The pixel image of a DirectBits opcode, into an offscreen of the pixel map's bounds.
bool readDirectBits(PictReader& in, bool withRegion, OffscreenPtr& image, Rect& sourceRect, Rect& destRect,
                    std::int16_t& mode) {
  in.skip(4);  // the base address field
  const std::uint16_t rowBytes = in.u16() & 0x3FFF;
  const Rect bounds = in.rect();
  in.skip(2);  // pixel map version
  const std::uint16_t packType = in.u16();
  in.skip(4 + 4 + 4 + 2);  // pack size, resolutions, pixel type
  const std::uint16_t pixelSize = in.u16();
  const std::uint16_t componentCount = in.u16();
  in.skip(2 + 4 + 4 + 4);  // component size, plane bytes, colour table, reserved
  sourceRect = in.rect();
  destRect = in.rect();
  mode = static_cast<std::int16_t>(in.u16());
  if (withRegion) {
    const std::uint16_t regionSize = in.u16();
    if (regionSize < 2) return in.fail();
    in.skip(regionSize - 2u);
  }
  if (in.failed() || pixelSize != 32 || (componentCount != 3 && componentCount != 4)) return in.fail();
  image.reset(myNewGWorld(&bounds));
  if (!image) return in.fail();
  const int width = image->width(), height = image->height();

  std::vector<std::uint8_t> planes(static_cast<std::size_t>(width) * componentCount);
  const PixView view = image->view();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = view.row(y);
    if (rowBytes < 8 || packType == 1) {
      const std::uint8_t* row = in.take(rowBytes);
      if (!row || rowBytes < width * 4) return in.fail();
      std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
      continue;
    }
    if (packType == 2) {
      const std::uint8_t* row = in.take(static_cast<std::size_t>(width) * 3);
      if (!row) return in.fail();
      for (int x = 0; x < width; ++x) {
        out[4 * x + kAlphaByte] = 0;
        std::memcpy(out + 4 * x + kRedByte, row + 3 * x, 3);
      }
      continue;
    }
    const std::size_t count = rowBytes > 250 ? in.u16() : in.u8();
    const std::uint8_t* packed = in.take(count);
    if (!packed || !unpackBits(packed, count, planes.data(), planes.size())) return in.fail();
    const int first = componentCount == 4 ? 1 : 0;  // with four planes the first is alpha
    for (int x = 0; x < width; ++x) {
      out[4 * x + kAlphaByte] = componentCount == 4 ? planes[static_cast<std::size_t>(x)] : 0;
      for (int c = 0; c < 3; ++c) out[4 * x + kRedByte + c] = planes[static_cast<std::size_t>((first + c) * width + x)];
    }
  }
  return !in.failed();
}

// A picture rectangle moved and scaled from the frame onto the destination.
Rect mapRect(const Rect& r, const Rect& frame, const Rect& destination) {
  const std::int64_t fw = std::max(1, rectWidth(frame)), fh = std::max(1, rectHeight(frame));
  auto mapX = [&](int x) { return destination.left + (std::int64_t{x} - frame.left) * rectWidth(destination) / fw; };
  auto mapY = [&](int y) { return destination.top + (std::int64_t{y} - frame.top) * rectHeight(destination) / fh; };
  auto clamp16 = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -32768, 32767)); };
  return makeRect(clamp16(mapY(r.top)), clamp16(mapX(r.left)), clamp16(mapY(r.bottom)), clamp16(mapX(r.right)));
}

}  // namespace

bool pictureFrame(PicHandle picture, Rect& frame) noexcept {
  if (picture == nullptr || *picture == nullptr || GetHandleSize(picture) < 10) return false;
  PictReader in(reinterpret_cast<const std::uint8_t*>(*picture), static_cast<std::size_t>(GetHandleSize(picture)));
  in.skip(2);
  frame = in.rect();
  return !in.failed();
}

OSErr DrawPicture(PicHandle picture, Offscreen* port, const Rect& destination) {
  Rect frame;
  if (port == nullptr || !pictureFrame(picture, frame)) return kPictureFormatError;
  PictReader in(reinterpret_cast<const std::uint8_t*>(*picture), static_cast<std::size_t>(GetHandleSize(picture)));
  in.skip(10);
  for (;;) {
    if (in.position() % 2 == 1) in.skip(1);  // opcodes start on even bytes
    const std::uint16_t opcode = in.u16();
    if (in.failed()) return kPictureFormatError;
    switch (opcode) {
      case 0x0000:  // no operation
      case 0x001E:  // default highlight
        break;
      case 0x0011:  // version, then 0x02FF
        if (in.u16() != 0x02FF) return kPictureFormatError;
        break;
      case 0x0C00:  // header
        in.skip(24);
        break;
      case 0x0001: {  // clip region
        const std::uint16_t size = in.u16();
        if (size < 2) return kPictureFormatError;
        in.skip(size - 2u);
        break;
      }
      case 0x00A0:  // short comment
        in.skip(2);
        break;
      case 0x00A1: {  // long comment
        in.skip(2);
        in.skip(in.u16());
        break;
      }
      case 0x009A:
      case 0x009B: {
        OffscreenPtr image;
        Rect from, to;
        std::int16_t mode = srcCopy;
        if (!readDirectBits(in, opcode == 0x009B, image, from, to, mode)) return kPictureFormatError;
        const Rect mapped = mapRect(to, frame, destination);
        if (!myCopyBits(image.get(), port, &from, &mapped, mode == transparent ? transparent : srcCopy, nullptr))
          return kPictureFormatError;
        break;
      }
      case 0x00FF:  // end of picture
        return noErr;
      default:
        systemLogf("DrawPicture: opcode 0x%04X is not drawn; the picture ends there", opcode);
        return kPictureFormatError;
    }
  }
}

std::int16_t myDrawPicture(Offscreen* gworld, PicHandle picture, const Rect* destination) {
  if (gworld == nullptr || picture == nullptr || destination == nullptr) return -1;
  forceMemoryMovement();
  PixelLock lock(gworld);
  const OSErr error = DrawPicture(picture, gworld, *destination);
  if (error == noErr) forceMemoryMovement();
  return error == noErr ? 0 : -1;
}

Offscreen* PicHandleToOffscreen(PicHandle picture) {
  Rect frame;
  if (!pictureFrame(picture, frame)) return nullptr;
  OffscreenPtr offscreen{myNewGWorld(&frame)};
  if (!offscreen) return nullptr;
  if (myDrawPicture(offscreen.get(), picture, &frame) != 0) return nullptr;
  return offscreen.release();
}

}  // namespace vorl
