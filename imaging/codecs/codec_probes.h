// Whether the image codecs the program reads and writes with work in this installation.
//
// The codec libraries are linked in, so the program would not start without them; what can still be missing is a
// part of one: a GraphicsMagick coder module, a libtiff built without LZW, a LibRaw without its camera table. Each
// probe runs the program's own road through its codec on a small picture made in memory (write it and read it
// back, or ask the library for the coder), so it fails exactly when a job's image would. Nothing is written to
// disk.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace vorl {

struct CodecProbe {
  const char* name;  // what the operator is told, e.g. "TIFF (LZW)"
  bool (*works)();
};

// The codecs of the image files the program reads and writes.
std::span<const CodecProbe> imageCodecProbes() noexcept;

// The names of the probes that fail, in table order.
std::vector<std::string> missingImageCodecs(std::span<const CodecProbe> probes);

}  // namespace vorl
