#include "app/windows/job_thumbnail.h"

#include <cstring>
#include <vector>

#include "imaging/image_files/image_import_export.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/core/handles.h"
#include "platform/system/system_log.h"
#include "platform/system/system_printing.h"

namespace vorl {
namespace {

constexpr OSType kPreviewType = fourCharCode("pnot");
constexpr OSType kPictureType = fourCharCode("PICT");
constexpr std::size_t kPreviewRecordSize = 12;
constexpr std::size_t kPreviewIdOffset = 10;

// The picture resource as a handle of its bytes; null when the fork has none.
PicHandle readPictureResource(const std::filesystem::path& jobFile) {
  std::vector<std::uint8_t> preview;
  if (readResource(jobFile, kPreviewType, 0, preview) != noErr || preview.size() < kPreviewRecordSize) return nullptr;
  const auto id = static_cast<std::int16_t>((preview[kPreviewIdOffset] << 8) | preview[kPreviewIdOffset + 1]);
  std::vector<std::uint8_t> picture;
  if (readResource(jobFile, kPictureType, id, picture) != noErr || picture.empty()) return nullptr;
  Handle handle = NewHandle(static_cast<std::int64_t>(picture.size()));
  if (handle == nullptr) return nullptr;
  std::memcpy(*handle, picture.data(), picture.size());
  return handle;
}

}  // namespace

QImage getThumbnailResourceFromFile(const std::filesystem::path& jobFile) {
  QImage thumbnail;
  if (PicHandle picture = readPictureResource(jobFile)) {
    // PicHandle2GWorld takes the picture over.
    if (OffscreenPtr offscreen = PicHandle2GWorld(picture)) {
      thumbnail =
          imageFromArgbBytes(offscreen->baseAddr(), offscreen->rowBytes(), offscreen->width(), offscreen->height());
    }
  }
  if (thumbnail.isNull()) systemLog("getThumbnailResourceFromFile has NO picHandle");
  return thumbnail;
}

QImage getThumbnailResourceFromFile(const FSSpec& jobFile) {
  std::filesystem::path path;
  if (FSpMakePath(jobFile, path) != noErr) {
    systemLog("getThumbnailResourceFromFile has NO picHandle");
    return {};
  }
  return getThumbnailResourceFromFile(path);
}

}  // namespace vorl
