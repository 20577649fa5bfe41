// The single print-to-file folder (printer type 17): every copy of the page as a numbered file, or under one
// fixed name, in the folder of the print-to-file preferences.
#include "foundation/files/aliases.h"
#include "foundation/services/messages.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/print_to_file_pages.h"
#include "jobs/outputs/print_to_file_staging.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFixedNameLength = 22;

}  // namespace

std::int16_t TBGPrintView::Print2File(OffscreenPtr page) {
  const tSpecialPrintToFilePref& record = fSettings.printToFileRecord;
  const std::int16_t mode = record.namingScheme.value();
  if (mode == 2 || mode == 3) return DoSpecialPrintToFile(std::move(page));

  tPrintToFilePrefs* prefs = getMyPrintToFilePrefs();
  fs::path folder;
  if (prefs == nullptr || validateIfAliasHandle(prefs->folder) == 0 ||
      FSpMakePath(prefs->folder.spec, folder) != noErr) {
    systemLog("Print2File: the print-to-file folder cannot be found");
    return kPrintToFileFolderMissing;
  }
  if (!page) {
    DisplayNormalMessage(kNoPageMessage);
    return kOutputFailed;
  }
  page = turnToWantedOrientation(std::move(page), record, fBehaviour);
  SetStatus(kSavingFilesStatus);

  const std::int16_t saveType = record.fileFormat.value();
  if (saveType == 9) {
    page = webSizedCopy(*this, page.get());
    if (!page) {
      DisplayNormalMessage(kSaveFailedMessage);
      return kOutputFailed;
    }
  }
  std::int32_t counter = 1;
  for (int copy = 0; copy < copiesToWrite(fSettings.printQuantity); ++copy) {
    StagedPageFile staged;
    if (!staged.save(saveType, page.get(), folder, fSettings.resolution, fSettings.imageQuality)) {
      DisplayNormalMessage(kSaveFailedMessage);
      return kOutputFailed;
    }
    fs::path written;
    if (const OSErr error =
            commitOutputName(staged, record, fSettings.fixedName != 0, kFixedNameLength, true, counter, written);
        error != noErr) {
      systemLogf("Print2File: the saved file could not take its name in %s (error %d)", folder.c_str(), error);
      showNamingFailure(error, "the print-to-file folder");
      return kOutputFailed;
    }
  }
  return kDrawOK;
}

}  // namespace vorl
