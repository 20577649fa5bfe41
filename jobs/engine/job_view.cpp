#include "jobs/engine/job_view.h"

#include <algorithm>
#include <cstring>

#include "foundation/files/aliases.h"
#include "foundation/services/messages.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/placement.h"
#include "jobs/reading/job_archives.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

// The text before the first NUL, and never past the buffer.
template <std::size_t N>
std::string_view zeroTerminated(const std::array<std::uint8_t, N>& buffer) noexcept {
  const auto* first = reinterpret_cast<const char*>(buffer.data());
  const auto* end = std::find(first, first + N, '\0');
  return {first, static_cast<std::size_t>(end - first)};
}

}  // namespace

TBGPrintView::TBGPrintView(JobObserver* behaviour) : fBehaviour(behaviour) {}

TBGPrintView::~TBGPrintView() {
  // Objects go from the front, as they were read.
  for (auto& object : fLayoutObjects) object.reset();
  for (auto& object : fSubJobObjects) object.reset();
  DisposeCurrentImageGWorldPtr();
}

std::unique_ptr<TBGPrintView> TBGPrintView::Clone() const {
  auto copy = std::make_unique<TBGPrintView>(fBehaviour);
  copyJobInto(*copy);
  return copy;
}

void TBGPrintView::copyJobInto(TBGPrintView& copy) const {
  copy.fSettings = fSettings;
  copy.fJobInfo = fJobInfo;
  copy.fPageSetup = fPageSetup;
  copy.fLayoutObjects = cloneObjects(fLayoutObjects);
  copy.fSubJobObjects = cloneObjects(fSubJobObjects);
  copy.fUsedFiles = fUsedFiles;
  copy.fDrawingSubJob = fDrawingSubJob;
}

void TBGPrintView::AddObject(std::unique_ptr<TLayoutObject> object) { fLayoutObjects.push_back(std::move(object)); }

void TBGPrintView::AddNewObject(std::unique_ptr<TLayoutObject> object) { fSubJobObjects.push_back(std::move(object)); }

void TBGPrintView::SetStatus(std::string_view status) {
  if (fBehaviour != nullptr) fBehaviour->SetStatus(status);
}

OffscreenPtr TBGPrintView::ResizeToNewSize(OffscreenPtr& picture, const Rect& box) {
  if (!picture) return nullptr;
  const Rect source = picture->portRect();
  const Rect fitted = ResizeToFit(box, source);
  // The fit picks its side on whole percentages, so it can come out a few rows or columns past the box: the
  // picture keeps the fitted scale and the box cuts off what overhangs, so nothing is larger than asked for.
  const Rect kept = makeRect(std::max(fitted.top, box.top), std::max(fitted.left, box.left),
                             std::min(fitted.bottom, box.bottom), std::min(fitted.right, box.right));
  OffscreenPtr resized{myNewGWorld(rectEmpty(kept) ? &fitted : &kept)};
  if (!resized) return nullptr;
  static_cast<void>(drawClippedToFrame(resized.get(), fitted, box, [&](Offscreen* target) {
    return myCopyBits(picture.get(), target, &source, &fitted, srcCopy, nullptr);
  }));
  picture.reset();
  return resized;
}

void TBGPrintView::Insert(const FSSpec& file) {
  if (fUsedFiles) fUsedFiles->push_back(file);
}

std::optional<std::vector<FSSpec>> TBGPrintView::TakeUsedFiles() noexcept {
  std::optional<std::vector<FSSpec>> files = std::move(fUsedFiles);
  fUsedFiles.reset();
  return files;
}

std::int16_t TBGPrintView::ValidatePrintJob() {
  if (!isPrintToFileSetPrinterType(fSettings.printerType)) return kJobReadOK;
  // A set number outside 1..8 names no set: the accessor answers null rather than reading past the sets.
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(fSettings.print2FileItem.setNumber);
  if (!set || validateIfAliasHandle(set->folder) == 0) {
    systemLogf("TBGPrintView::ValidatePrintJob: the folder of print-to-file set %d cannot be found",
               fSettings.print2FileItem.setNumber.value());
    return kJobPrintToFileSetMissing;
  }
  return kJobReadOK;
}

std::optional<ArchivedValue> TBGPrintView::jobDictionary() const {
  return decodeArchiveIn(fSettings.fCurrentDictionaryBuffer);
}

std::string_view TBGPrintView::originalPath() const noexcept { return zeroTerminated(fSettings.originalPath); }
std::string_view TBGPrintView::videoPath() const noexcept { return zeroTerminated(fSettings.videoPath); }

void TBGPrintView::SetDrawingModes(std::int16_t resizeMode, std::int16_t reductionResizeMode, std::int16_t scaleType,
                                   std::int16_t alphaOutput) noexcept {
  fSettings.resizeMode = resizeMode;
  fSettings.reductionResizeMode = reductionResizeMode;
  fSettings.scaleType = scaleType;
  fSettings.alphaOutput = alphaOutput;
}

}  // namespace vorl
