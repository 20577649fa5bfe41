// Camera raw decoding with LibRaw (the reentrant build).
#include "imaging/codecs/raw_file.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>
#include <new>

namespace vorl::codec {

namespace {

// LibRaw's flip (bit 0 mirror left-right, bit 1 mirror top-bottom, bit 2 transpose) as the EXIF value it came from.
int exifOrientationOfFlip(int flip) {
  constexpr int kExif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
  return flip >= 0 && flip < 8 ? kExif[flip] : 1;
}

// LibRaw calls this when the file's data runs out or does not decode; it then goes on with what it has.
void noteDataError(void* data, const char*, const int) { *static_cast<bool*>(data) = true; }

struct ProcessedImage {
  void operator()(libraw_processed_image_t* image) const noexcept { LibRaw::dcraw_clear_mem(image); }
};

OSErr decodeWith(LibRaw& raw, std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                 std::string_view source) {
  bool dataError = false;
  raw.set_dataerror_handler(noteDataError, &dataError);
  libraw_output_params_t& params = raw.imgdata.params;
  params.use_camera_wb = 1;
  params.output_color = 1;  // sRGB
  params.output_bps = 8;
  params.half_size = options.halfSize ? 1 : 0;
  params.max_raw_memory_mb = static_cast<unsigned>(
      std::clamp<std::uint64_t>(options.maxPixels * 8 / (1u << 20), 16, LIBRAW_MAX_ALLOC_MB_DEFAULT));

  int result = raw.open_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size());
  if (result != LIBRAW_SUCCESS)
    return failure(kImageDataErr, source, "not a camera raw file LibRaw reads: %s", libraw_strerror(result));
  const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
  if (const OSErr error = checkImageSize(sizes.raw_width, sizes.raw_height, options, source); error != noErr)
    return error;
  if (const OSErr error = checkImageSize(sizes.width, sizes.height, options, source); error != noErr) return error;
  const int width = sizes.width, height = sizes.height;
  image.exifOrientation = exifOrientationOfFlip(sizes.flip);
  params.user_flip = 0;  // keep the sensor's order: the orientation is reported, the caller turns the picture

  if ((result = raw.unpack()) != LIBRAW_SUCCESS)
    return failure(kImageDataErr, source, "its raw data cannot be read: %s", libraw_strerror(result));
  if ((result = raw.dcraw_process()) != LIBRAW_SUCCESS)
    return failure(kImageDataErr, source, "cannot be developed: %s", libraw_strerror(result));
  if (dataError) return failure(kImageDataErr, source, "its raw data is truncated or corrupt");
  std::unique_ptr<libraw_processed_image_t, ProcessedImage> developed(raw.dcraw_make_mem_image(&result));
  if (!developed || result != LIBRAW_SUCCESS)
    return failure(kImageDataErr, source, "no developed picture: %s", libraw_strerror(result));
  if (developed->type != LIBRAW_IMAGE_BITMAP || developed->colors != 3 || developed->bits != 8)
    return failure(kImageDataErr, source, "LibRaw gave %d colours of %d bits", developed->colors, developed->bits);

  // Half size comes out rounded up; a preview takes the lower half.
  const int targetWidth = options.halfSize ? halfSide(width) : width;
  const int targetHeight = options.halfSize ? halfSide(height) : height;
  if (targetWidth > developed->width || targetHeight > developed->height)
    return failure(kImageDataErr, source, "developed to %d x %d instead of %d x %d", developed->width,
                   developed->height, targetWidth, targetHeight);
  if (const OSErr error = makeImageOffscreen(targetWidth, targetHeight, image, source); error != noErr) return error;
  const PixView view = image.pixels->view();
  for (int y = 0; y < targetHeight; ++y) {
    const std::uint8_t* in = developed->data + std::size_t(y) * developed->width * 3;
    std::uint8_t* out = view.row(y);
    for (int x = 0; x < targetWidth; ++x, in += 3, out += 4) {
      out[kRedByte] = in[0];
      out[kGreenByte] = in[1];
      out[kBlueByte] = in[2];
    }
  }
  return noErr;
}

}  // namespace

OSErr decodeRaw(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                std::string_view source) noexcept {
  image = DecodedImage{};
  OSErr error = noErr;
  try {
    const auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    error = decodeWith(*raw, bytes, image, options, source);
  } catch (const std::bad_alloc&) {
    error = failure(kImageTooLargeErr, source, "no memory to develop it");
  } catch (const std::exception& e) {
    error = failure(kImageDataErr, source, "LibRaw failed: %s", e.what());
  } catch (...) {
    error = failure(kImageDataErr, source, "LibRaw failed");
  }
  if (error != noErr) image = DecodedImage{};
  return error;
}

}  // namespace vorl::codec
