// The jobs that do not print their page: the special job (one photo alone, at its preview size, becomes the
// output) and the original-file job (the photo's source file is copied instead of printing), and the base names
// the folder outputs give their files.
#include <string>

#include "foundation/text/date_time.h"
#include "foundation/services/messages.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/delivery/after_delivery.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The first image object of a list: the list is walked from its first object to the first photo or node; a
// node answers with its own photo, which it may not have.
TImageObject* firstImageObjectIn(const LayoutObjectList& objects) {
  for (const auto& object : objects) {
    if (object->type() == kImageObjectType) return dynamic_cast<TImageObject*>(object.get());
    if (object->type() == kNodeObjectType) {
      const auto* node = dynamic_cast<const TNodeViewObject*>(object.get());
      return node != nullptr ? node->GetImageObjectFromNode() : nullptr;
    }
  }
  return nullptr;
}

TImageObject* specialImageObject(const TBGPrintView& view) {
  if (TImageObject* image = firstImageObjectIn(view.subJobObjects())) return image;
  return firstImageObjectIn(view.layoutObjects());
}

std::string joined(std::string_view first, std::string_view second) {
  std::string text(first);
  text += '_';
  text += second;
  return text;
}

}  // namespace

std::int16_t TBGPrintView::DrawSpecialJob() {
  systemLog("Inside TBGPrintView::DrawSpecialJob...");
  OffscreenPtr picture;
  if (TImageObject* image = specialImageObject(*this)) picture = image->Draw4PrintingSpecial(fSettings.resolution, this);

  if (fBehaviour != nullptr) fBehaviour->SetImage(picture.get(), {});
  // The photos it used are the main window's to delete once the job is through.
  if (std::optional<std::vector<FSSpec>> used = TakeUsedFiles(); used && fBehaviour != nullptr)
    fBehaviour->SetFilesToDelete(*used);
  if (fBehaviour != nullptr) fBehaviour->SetImage(nullptr, {});

  SetSubJobOffscreen(std::move(picture));
  SetDrawingSubJob(false);
  return kDrawOK;
}

void TBGPrintView::ProcessSubAsOutput() {
  fPageOffscreen.reset();
  if (fSubJobOffscreen) fPageOffscreen.reset(myDuplicateGWorld(fSubJobOffscreen.get()));
}

std::int16_t TBGPrintView::CopyOriginalFileJob() {
  systemLog("Inside TBGPrintView::CopyOriginalFileJob...");
  TImageObject* image = specialImageObject(*this);
  const bool copied = image != nullptr && image->CopyOriginalFile(this);
  if (image == nullptr) DisplayNormalMessage("The job holds no photo whose original could be saved.");

  if (fBehaviour != nullptr) fBehaviour->SetImage(nullptr, {});
  if (std::optional<std::vector<FSSpec>> used = TakeUsedFiles(); used && fBehaviour != nullptr)
    fBehaviour->SetFilesToDelete(*used);
  if (fBehaviour != nullptr) fBehaviour->SetImage(nullptr, {});
  SetSubJobOffscreen(nullptr);
  SetDrawingSubJob(false);

  // A copy that failed is no delivery: the job fails, and nobody is told it was processed.
  if (!copied) return kOutputFailed;
  if (std::optional<ArchivedValue> notice = PrepareCompletionNotice(false))
    runAfterDelivery("The web-server notice", [&] { SendCompletionNotice(*notice); });
  return kDrawOK;
}

CStr255_AC TBGPrintView::GetNewBaseNameForPrintToFile(const tSpecialPrintToFilePref& record) const {
  const std::string_view templateName = fSettings.templateName.macRoman();
  const std::string_view imageName = fCurrentImageName.macRoman();
  std::string name;
  switch (record.namingScheme.value()) {
    case 1:
      name = record.fileNamePrefix.macRoman();
      break;
    case 2:
      name = templateName;
      break;
    case 3:
      name = imageName;
      break;
    case 4:
      name = joined(templateName, imageName);
      break;
    case 5:
      name = joined(getCurrentDateString(99).macRoman(), getCurrentTimeString().macRoman());
      break;
    case 6:
      name = joined(imageName, fSettings.jobName.macRoman());
      break;
    case 7:
      name = fSettings.extraNameText.empty() ? std::string(imageName)
                                             : joined(imageName, fSettings.extraNameText.macRoman());
      break;
    case 8:
      name = templateName.empty() ? std::string(imageName) : joined(imageName, templateName);
      break;
    default:
      break;
  }
  // A mode that names nothing would give ".jpg" (hidden) or "_0001.jpg": the job's name stands in.
  if (name.empty()) name = fSettings.jobName.macRoman();
  return CStr255_AC(name);
}

}  // namespace vorl
