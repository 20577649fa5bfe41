// Reading and drawing version 2 pictures.
#include "imaging/codecs/picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/services/memory.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

// Big-endian reads over the picture's bytes; any read past the end marks the reader failed and gives 0.
class PictReader {
 public:
  PictReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool failed() const noexcept { return failed_; }
  std::size_t position() const noexcept { return at_; }
  std::size_t left() const noexcept { return failed_ ? 0 : size_ - at_; }
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

// The fields of a DirectBits opcode up to its pixel data.
struct PixelImageHeader {
  std::uint16_t rowBytes = 0;
  Rect bounds{};
  std::uint16_t packType = 0;
  std::uint16_t componentCount = 0;
  Rect sourceRect{};
  Rect destRect{};
  std::int16_t mode = srcCopy;

  int width() const noexcept { return rectWidth(bounds); }
  int height() const noexcept { return rectHeight(bounds); }
  bool unpacked() const noexcept { return rowBytes < 8 || packType == 1; }
  bool wideCounts() const noexcept { return rowBytes > 250; }
  std::size_t planeBytes() const noexcept { return static_cast<std::size_t>(width()) * componentCount; }

  // The fewest bytes any row of this image can take: unpacked rows are rowBytes long and pack type 2 rows three
  // bytes a pixel; a PackBits row is its count and, at best, one two-byte run for every 128 bytes of its planes
  // (runs may go on from one plane into the next).
  std::uint64_t smallestRow() const noexcept {
    if (unpacked()) return rowBytes;
    if (packType == 2) return std::uint64_t{3} * static_cast<std::uint64_t>(width());
    return (wideCounts() ? 2u : 1u) + 2 * ((std::uint64_t{planeBytes()} + 127) / 128);
  }
};

constexpr std::uint16_t kRegionHeaderBytes = 10;  // size word and bounding rectangle

bool readPixelImageHeader(PictReader& in, bool withRegion, PixelImageHeader& image) {
  in.skip(4);  // the base address field
  image.rowBytes = in.u16() & 0x3FFF;
  image.bounds = in.rect();
  in.skip(2);  // pixel map version
  image.packType = in.u16();
  in.skip(4 + 4 + 4 + 2);  // pack size, resolutions, pixel type
  const std::uint16_t pixelSize = in.u16();
  image.componentCount = in.u16();
  in.skip(2 + 4 + 4 + 4);  // component size, plane bytes, colour table, reserved
  image.sourceRect = in.rect();
  image.destRect = in.rect();
  image.mode = static_cast<std::int16_t>(in.u16());
  if (withRegion) {
    const std::uint16_t regionSize = in.u16();
    if (regionSize < kRegionHeaderBytes) return in.fail();
    in.skip(regionSize - 2u);
  }
  if (in.failed() || pixelSize != 32 || (image.componentCount != 3 && image.componentCount != 4)) return in.fail();
  const int width = image.width(), height = image.height();
  if (width <= 0 || height <= 0 || width > kMaxOffscreenSide || height > kMaxOffscreenSide) return in.fail();
  if (image.unpacked() && image.rowBytes < width * 4) return in.fail();
  // Checked before anything is allocated for the image: a header can promise 32767 rows in a few bytes.
  if (std::uint64_t{static_cast<std::uint32_t>(height)} * image.smallestRow() > in.left()) return in.fail();
  return true;
}

// Steps over the image's rows, checking only that each one is there.
bool skipRows(PictReader& in, const PixelImageHeader& image) {
  for (int y = 0; y < image.height() && !in.failed(); ++y) {
    if (image.unpacked())
      in.skip(image.rowBytes);
    else if (image.packType == 2)
      in.skip(static_cast<std::size_t>(image.width()) * 3);
    else
      in.skip(image.wideCounts() ? in.u16() : in.u8());
  }
  return !in.failed();
}

// The image's rows, into an offscreen of its bounds.
bool readRows(PictReader& in, const PixelImageHeader& image, OffscreenPtr& offscreen) {
  offscreen.reset(myNewGWorld(&image.bounds));
  if (!offscreen) return in.fail();
  const int width = image.width(), height = image.height();
  const std::uint16_t components = image.componentCount;
  std::vector<std::uint8_t> planes(image.unpacked() || image.packType == 2 ? 0 : image.planeBytes());
  const PixView view = offscreen->view();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = view.row(y);
    if (image.unpacked()) {
      const std::uint8_t* row = in.take(image.rowBytes);
      if (!row) return false;
      std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
      continue;
    }
    if (image.packType == 2) {
      const std::uint8_t* row = in.take(static_cast<std::size_t>(width) * 3);
      if (!row) return false;
      for (int x = 0; x < width; ++x) {
        out[4 * x + kAlphaByte] = 0;
        std::memcpy(out + 4 * x + kRedByte, row + 3 * x, 3);
      }
      continue;
    }
    const std::size_t count = image.wideCounts() ? in.u16() : in.u8();
    const std::uint8_t* packed = in.take(count);
    if (!packed || !unpackBits(packed, count, planes.data(), planes.size())) return in.fail();
    const int first = components == 4 ? 1 : 0;  // with four planes the first is alpha
    for (int x = 0; x < width; ++x) {
      out[4 * x + kAlphaByte] = components == 4 ? planes[static_cast<std::size_t>(x)] : 0;
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

namespace {

// Walks the picture's opcodes. With a port, each pixel image is drawn into it, the frame mapped onto
// `destination`; without one, every opcode and row is only checked to be there and the pixels the images hold
// are counted into `pixels`.
OSErr walkPicture(PicHandle picture, Offscreen* port, const Rect& destination, std::uint64_t* pixels) {
  Rect frame;
  if (!pictureFrame(picture, frame)) return kPictureFormatError;
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
        if (size < kRegionHeaderBytes) return kPictureFormatError;
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
        PixelImageHeader header;
        if (!readPixelImageHeader(in, opcode == 0x009B, header)) return kPictureFormatError;
        if (port == nullptr) {
          if (!skipRows(in, header)) return kPictureFormatError;
          if (pixels)
            *pixels +=
                std::uint64_t{static_cast<std::uint32_t>(header.width())} * static_cast<std::uint32_t>(header.height());
          break;
        }
        OffscreenPtr image;
        if (!readRows(in, header, image)) return kPictureFormatError;
        const Rect mapped = mapRect(header.destRect, frame, destination);
        const std::int16_t mode = header.mode == transparent ? transparent : srcCopy;
        if (!myCopyBits(image.get(), port, &header.sourceRect, &mapped, mode, nullptr)) return kPictureFormatError;
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

}  // namespace

OSErr DrawPicture(PicHandle picture, Offscreen* port, const Rect& destination) {
  if (port == nullptr) return kPictureFormatError;
  return walkPicture(picture, port, destination, nullptr);
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
  // The whole picture is read once before the frame's offscreen is made, so a damaged or cut picture costs
  // no more than its bytes. Its pixel images must be able to fill the frame: a frame larger than the pixels
  // the picture holds is a damaged header, not a picture this program made.
  std::uint64_t pixels = 0;
  if (walkPicture(picture, nullptr, frame, &pixels) != noErr) {
    systemLog("PicHandleToOffscreen: the picture is damaged or holds what this reader does not draw");
    return nullptr;
  }
  const std::int64_t width = rectWidth(frame), height = rectHeight(frame);
  if (width <= 0 || height <= 0 || static_cast<std::uint64_t>(width * height) > pixels) {
    systemLogf("PicHandleToOffscreen: a frame of %lld x %lld is more than the %llu pixels the picture holds",
               static_cast<long long>(width), static_cast<long long>(height), static_cast<unsigned long long>(pixels));
    return nullptr;
  }
  OffscreenPtr offscreen{myNewGWorld(&frame)};
  if (!offscreen) return nullptr;
  if (myDrawPicture(offscreen.get(), picture, &frame) != 0) return nullptr;
  return offscreen.release();
}

}  // namespace vorl
