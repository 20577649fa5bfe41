// Recording offscreens as version 2 pictures.
#include "imaging/codecs/picture_writer.h"

#include <new>

#include "imaging/offscreens/pixel_locks.h"

namespace vorl {

namespace {

class PictBytes {
 public:
  explicit PictBytes(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(unsigned v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v) {
    u8(v >> 8);
    u8(v);
  }
  void u32(std::uint32_t v) {
    u16(v >> 16);
    u16(v & 0xFFFF);
  }
  void rect(const Rect& r) {
    u16(static_cast<std::uint16_t>(r.top));
    u16(static_cast<std::uint16_t>(r.left));
    u16(static_cast<std::uint16_t>(r.bottom));
    u16(static_cast<std::uint16_t>(r.right));
  }
  // Fixed-point 16.16 of a whole number.
  void fixed(std::int16_t v) { u32(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) << 16); }
  void padToEven() {
    if (out_.size() % 2) u8(0);
  }
  std::size_t size() const { return out_.size(); }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace

void packBitsAppend(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& out) {
  std::size_t i = 0;
  while (i < size) {
    std::size_t run = 1;
    while (i + run < size && run < 128 && in[i + run] == in[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(in[i]);
      i += run;
      continue;
    }
    // A literal stretch ends where a run of two begins.
    std::size_t literal = 1;
    while (i + literal < size && literal < 128 && !(i + literal + 1 < size && in[i + literal] == in[i + literal + 1]))
      ++literal;
    out.push_back(static_cast<std::uint8_t>(literal - 1));
    out.insert(out.end(), in + i, in + i + literal);
    i += literal;
  }
}

namespace {

void recordPicture(Offscreen* offscreen, std::int16_t dpi, std::vector<std::uint8_t>& bytes) {
  const int width = offscreen->width(), height = offscreen->height();
  PixelLock lock(offscreen);
  const Rect frame = offscreen->portRect();
  const PixView view = offscreen->view();
  bytes.clear();
  PictBytes out(bytes);
  out.u16(0);  // the old size word, filled in at the end
  out.rect(frame);
  out.u16(0x0011);  // version 2
  out.u16(0x02FF);
  out.u16(0x0C00);  // extended header: version −2, resolutions, source rectangle
  out.u16(0xFFFE);
  out.u16(0);
  out.fixed(dpi);
  out.fixed(dpi);
  out.rect(frame);
  out.u32(0);
  out.u16(0x001E);  // default highlight
  out.u16(0x0001);  // clip region: the frame
  out.u16(10);
  out.rect(frame);

  const unsigned rowBytes = static_cast<unsigned>(width) * 4;
  out.u16(0x009A);  // DirectBitsRect
  out.u32(0x000000FF);
  out.u16(rowBytes | 0x8000);
  out.rect(frame);
  out.u16(0);                         // pixel map version
  const bool packed = rowBytes >= 8;  // narrower rows are stored unpacked
  out.u16(packed ? 4 : 0);
  out.u32(0);  // pack size
  out.fixed(dpi);
  out.fixed(dpi);
  out.u16(16);  // direct pixels
  out.u16(32);
  out.u16(3);  // components: red, green, blue
  out.u16(8);
  out.u32(0);  // plane bytes
  out.u32(0);  // colour table
  out.u32(0);  // reserved
  out.rect(frame);
  out.rect(frame);
  out.u16(0);  // srcCopy

  std::vector<std::uint8_t> planes(static_cast<std::size_t>(width) * 3);
  std::vector<std::uint8_t> row;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = view.row(y);
    if (!packed) {
      for (int x = 0; x < width; ++x, p += kBytesPerPixel) {
        out.u8(0);  // the alpha byte of a picture's pixel is not kept
        out.u8(p[kRedByte]);
        out.u8(p[kGreenByte]);
        out.u8(p[kBlueByte]);
      }
      continue;
    }
    for (int x = 0; x < width; ++x, p += kBytesPerPixel) {
      planes[static_cast<std::size_t>(x)] = p[kRedByte];
      planes[static_cast<std::size_t>(width + x)] = p[kGreenByte];
      planes[static_cast<std::size_t>(2 * width + x)] = p[kBlueByte];
    }
    row.clear();
    packBitsAppend(planes.data(), planes.size(), row);
    // At most 4095 pixels: 12285 plane bytes pack into fewer than 12400, so the count fits its field.
    if (rowBytes > 250)
      out.u16(static_cast<unsigned>(row.size()));
    else
      out.u8(static_cast<unsigned>(row.size()));
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  out.padToEven();
  out.u16(0x00FF);  // end of picture
  const std::size_t size = out.size();
  bytes[0] = static_cast<std::uint8_t>(size >> 8);
  bytes[1] = static_cast<std::uint8_t>(size);
}

}  // namespace

bool recordOffscreenAsPicture(Offscreen* offscreen, std::int16_t dpi, std::vector<std::uint8_t>& bytes) {
  if (offscreen == nullptr) return false;
  const int width = offscreen->width(), height = offscreen->height();
  if (width <= 0 || height <= 0 || width > kMaxPictureWidth) return false;
  try {
    recordPicture(offscreen, dpi, bytes);
  } catch (const std::bad_alloc&) {
    bytes.clear();
    bytes.shrink_to_fit();
    return false;
  }
  return true;
}

}  // namespace vorl
