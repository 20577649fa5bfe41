#include "jobs/outputs/print_to_file_pages.h"

#include <algorithm>
#include <string>

#include "foundation/services/messages.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_locks.h"
#include "jobs/engine/job_view.h"
#include "platform/core/os_errors.h"
#include "platform/system/system_log.h"

namespace vorl {

OffscreenPtr turnToWantedOrientation(OffscreenPtr page, const tSpecialPrintToFilePref& record, JobObserver* behaviour) {
  if (!page || record.forceOrientation.value() == 0) return page;
  const bool landscape = page->width() > page->height();
  const std::int16_t wanted = record.orientation.value();
  if (!((landscape && wanted == 2) || (!landscape && wanted == 1))) return page;

  const Rect& port = page->portRect();
  const Rect turned = makeRect(port.top, port.left, port.top + page->width(), port.left + page->height());
  OffscreenPtr rotated{myNewGWorld(&turned)};
  if (!rotated || !protectTheGworld(rotated.get()) ||
      !rotateImage90Degrees(record.rotationDirection.value(), page.get(), rotated.get())) {
    systemLog("turnToWantedOrientation: the page could not be turned and is written as it is");
    return page;
  }
  page.reset();
  if (behaviour != nullptr) {
    behaviour->SetImage(nullptr, {});
    behaviour->SetImage(rotated.get(), {});
  }
  return rotated;
}

OffscreenPtr webSizedCopy(TBGPrintView& view, const Offscreen* page) {
  if (page == nullptr) return nullptr;
  OffscreenPtr copy{myDuplicateGWorld(const_cast<Offscreen*>(page))};
  if (!copy) return nullptr;
  const Rect box = makeRect(0, 0, kWebPixelSize, kWebPixelSize);
  return view.ResizeToNewSize(copy, box);
}

void makePageOpaque(Offscreen* page) {
  // Alpha 0 is drawn (opaque) in our pixels; the file writers turn it into the files' own opaque value.
  static_cast<void>(mySetGworldAlphaChannelToByteValue(page, 0));
}

int copiesToWrite(std::int16_t printQuantity) noexcept { return std::max<int>(1, printQuantity); }

void showNamingFailure(OSErr error, std::string_view folderKind) {
  if (error == -1) {
    DisplayNormalMessage(kNoUniqueNameMessage);
    return;
  }
  const std::string where(folderKind);
  DisplayNormalMessage((error == bdNamErr ? "The file name made for this job cannot be used in " + where +
                                                " (empty, hidden or not a single name); the file was not saved."
                                          : "The saved file could not be moved into " + where + " (error " +
                                                std::to_string(error) + "); the file was not saved.")
                           .c_str());
}

bool isJpegSaveType(std::int16_t saveType) noexcept { return saveType == 3 || saveType == 10; }

}  // namespace vorl
