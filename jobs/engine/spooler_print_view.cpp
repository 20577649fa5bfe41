#include "jobs/engine/spooler_print_view.h"

#include "imaging/offscreens/memory_budget.h"
#include <algorithm>

#include "imaging/image_files/image_cache.h"
#include "imaging/offscreens/memory_budget.h"
#include "jobs/reading/job_archives.h"
#include "jobs/engine/page_offscreen.h"
#include "layout/node_object.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// After these the preview shows the page as it grows; the other objects change too little to be worth it.
bool showsPageAfter(OSType type) noexcept {
  return type == kNodeObjectType || type == kOverlayObjectType || type == kImageObjectType ||
         type == kFileOverlayObjectType || type == kGroupPhotoObjectType;
}

bool isEmptyNode(const TLayoutObject& object) noexcept {
  if (object.type() != kNodeObjectType) return false;
  const auto* node = dynamic_cast<const TNodeViewObject*>(&object);
  return node != nullptr && node->HasNoObjects();
}

}  // namespace

std::unique_ptr<TSpoolerPrintView> TSpoolerPrintView::Clone() const {
  auto copy = std::make_unique<TSpoolerPrintView>(behaviour());
  copyJobInto(*copy);
  copy->fObjectCount = fObjectCount;
  copy->fCurrentObject = fCurrentObject;
  return copy;
}

std::int16_t TSpoolerPrintView::CreateOffscreens() {
  const std::size_t objects = layoutObjects().size();
  if (objects > static_cast<std::size_t>(kMaxObjectsInList)) {
    systemLogf("TSpoolerPrintView::CreateOffscreens => %zu objects are more than a page can count", objects);
    return kDrawNoObjects;
  }
  fObjectCount = static_cast<std::int32_t>(objects);
  const JobFileSettings& job = settings();
  SetPageOffscreen(newJobOffscreen(job.pageWidth, job.pageHeight, job.resolution, "page"));
  fCurrentObject = 1;
  return pageOffscreen() != nullptr ? kDrawOK : kDrawOutOfMemory;
}

std::int16_t TSpoolerPrintView::DrawNextObject() {
  const LayoutObjectList& objects = layoutObjects();
  if (objects.empty()) {
    systemLog("TSpoolerPrintView::DrawNextObject => fLayoutObjects is NIL???");
    return kDrawNoObjects;
  }
  systemLogf("TSpoolerPrintView::DrawNextObject => fCurrentObject is [%i]...", fCurrentObject);
  // Position 0 names no object either: the list counts from 1.
  if (fCurrentObject < 1) {
    systemLogf("TSpoolerPrintView::DrawNextObject => WHAT???? fCurrentObject is [%i]???", fCurrentObject);
    return kDrawNoObjects;
  }
  Offscreen* page = pageOffscreen();
  if (page == nullptr) {
    systemLog("TSpoolerPrintView::DrawNextObject => there is no page to draw on");
    return kDrawNoObjects;
  }
  // The count taken with the page; never past the list, whatever was added since.
  const std::int32_t count = std::min(fObjectCount, static_cast<std::int32_t>(objects.size()));
  // Compared before every use, so no position past the list is ever read.
  while (fCurrentObject <= count && isEmptyNode(*objects[fCurrentObject - 1])) ++fCurrentObject;
  if (fCurrentObject > count) return kDrawPageDone;

  TLayoutObject& object = *objects[fCurrentObject - 1];
  std::int16_t result = kDrawObjectFailed;
  const std::int64_t refusalsBefore = jobMemoryRefusals();
  if (!object.Draw4Printing(page, settings().resolution, this)) {
    // A picture refused for the job's memory budget ends the job as out of memory; the operator was told which.
    if (jobMemoryRefusals() != refusalsBefore) result = kDrawOutOfMemory;
  } else {
    result = kDrawMoreToCome;
    if (showsPageAfter(object.type()) && behaviour() != nullptr) {
      behaviour()->SetImage(page, {});
      behaviour()->SetStatus({});
    }
  }
  ++fCurrentObject;
  if (result == kDrawMoreToCome && fCurrentObject > count) return kDrawPageDone;
  return result;
}

void TSpoolerPrintView::SendErrorNotification() {
  const std::int32_t length = archiveLengthOf(settings().fCurrentDictionaryBuffer);
  systemLogf("My archived dictionary contains %d bytes", length);
  if (length < 1) return;
  // A length past the buffer gives no dictionary rather than a read beyond it.
  const std::optional<ArchivedValue> dictionary = jobDictionary();
  if (!dictionary || dictionary->asDictionary() == nullptr) return;
  // Only jobs the web-server companion sent carry their picture's address.
  if (dictionary->find("imageurl") == nullptr) return;

  ArchivedValue::Dictionary entries = *dictionary->asDictionary();
  auto status = std::find_if(entries.begin(), entries.end(), [](const auto& entry) { return entry.key == "status"; });
  if (status == entries.end()) status = entries.insert(entries.end(), {"status", {}});
  status->value = ArchivedValue::string("Job failed to process");
  if (behaviour() != nullptr) behaviour()->SendNotificationToWebServer(ArchivedValue::dictionary(std::move(entries)));
}

void TSpoolerPrintView::ResetJob() {
  SetPageOffscreen(nullptr);
  fKeptPageCopy.reset();
  SetSubJobOffscreen(nullptr);
  SetDrawingSubJob(false);
  SetCurrentImageName(CStr255_AC{});
  // The decoded-image cache is keyed on the file and its settings; the next job must decode afresh.
  DisposeCurrentImageGWorldPtr();
  fObjectCount = 0;
  fCurrentObject = 0;

  JobObserver* observer = behaviour();
  if (observer == nullptr) return;
  observer->SetImage(nullptr, {});
  observer->SetStatus({});
  observer->SetJobFileName({});
  observer->SetPrinterAndTemplate(0, Str31{}, Str255{});
  observer->SetStatus("Idle\u2026");
}

}  // namespace vorl
