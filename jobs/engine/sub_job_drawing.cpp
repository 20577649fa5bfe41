// Drawing the chroma-key sub-job: all of it in one step, into a picture that the page's image objects then place
// like a photograph.
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/offscreens/memory_budget.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/engine/page_offscreen.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

bool showsPictureAfter(OSType type) noexcept {
  return type == kNodeObjectType || type == kOverlayObjectType || type == kImageObjectType ||
         type == kFileOverlayObjectType;
}

}  // namespace

std::int16_t TBGPrintView::DrawSubJob() {
  systemLog("Inside TBGPrintView::DrawSubJob...");
  // Image objects ask for it: while it is set they draw for the sub-job, not the page.
  fDrawingSubJob = true;
  JobObserver* observer = fBehaviour;

  std::int16_t result = kDrawOK;
  OffscreenPtr picture =
      newJobOffscreen(fSettings.subJobWidth, fSettings.subJobHeight, fSettings.resolution, "sub-job picture");
  if (!picture) {
    // Drawing the page without it would deliver the page without its keyed photograph.
    result = kDrawOutOfMemory;
  } else {
    for (const auto& object : fSubJobObjects) {
      const bool skipped = object->type() == kFileOverlayObjectType && IgnoreOverlays();
      const std::int64_t refusalsBefore = jobMemoryRefusals();
      if (!skipped && !object->Draw4Printing(picture.get(), fSettings.resolution, this)) {
        picture.reset();
        result = jobMemoryRefusals() != refusalsBefore ? kDrawOutOfMemory : kDrawObjectFailed;
        break;
      }
      if (observer == nullptr) continue;
      if (showsPictureAfter(object->type())) observer->SetImage(picture.get(), {});
      // The step holds the worker for the whole sub-job: jobs arriving meanwhile still reach the queue.
      observer->ScanForNewJobs();
      if (!observer->IsBackgroundPrintingEnabled()) {
        observer->Beep();
        picture.reset();
        result = kDrawProcessingOff;
        break;
      }
    }
  }

  std::optional<std::vector<FSSpec>> usedFiles = TakeUsedFiles();
  if (observer != nullptr) {
    observer->SetImage(picture.get(), {});
    observer->SetFilesToDelete(usedFiles ? *usedFiles : std::vector<FSSpec>{});
    observer->SetImage(nullptr, {});
  }
  fSubJobOffscreen = std::move(picture);
  fDrawingSubJob = false;
  return result;
}

}  // namespace vorl
