// The Photoshop reader under libFuzzer: any bytes decode to a picture or to an error, never a crash, a hang or a read
// past the input. The pixel limit is lowered so that a header claiming a large picture stays within the fuzzer's
// memory; the first byte's low bit asks for a preview, which takes the halving road.
#include <cstdint>
#include <cstdlib>

#include "imaging/codecs/psd_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorl::DecodeOptions options;
  options.maxPixels = std::uint64_t{1} << 22;
  options.halfSize = size > 0 && (data[0] & 1) != 0;
  vorl::DecodedImage image;
  const vorl::OSErr error = vorl::codec::decodePsd({data, size}, image, options, "fuzz input");
  // A decoded picture is whole; a failure leaves nothing behind.
  if ((error == vorl::noErr) != static_cast<bool>(image.pixels)) std::abort();
  if (image.pixels && !image.cmykSamples.empty() &&
      image.cmykSamples.size() != std::size_t(image.pixels->width()) * image.pixels->height() * 4)
    std::abort();
  return 0;
}
