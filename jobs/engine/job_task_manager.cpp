#include "jobs/engine/job_task_manager.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "foundation/files/file_copy.h"
#include "foundation/services/messages.h"
#include "jobs/delivery/after_delivery.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_intake.h"
#include "jobs/engine/job_view.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/core/baton.h"
#include "platform/core/clock.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

TPrintJobTaskManager* gPrintJobTaskManager = nullptr;

namespace {

namespace fs = std::filesystem;

// A job read with an error that is no reading error of its own: no message, straight to the unknown-jobs folder.
constexpr std::int16_t kParkWithoutAsking = 108;
// How many " copy N" names a move into a full folder tries before it gives up.
constexpr int kMaxCopyNames = 10000;

bool isPrintToFileType(std::int16_t type) {
  switch (type) {
    case 25: case 26: case 27: case 28: case 49: case 50: case 51: case 52: return true;
    default: return false;
  }
}

// The message the operator is shown for a code; empty for none.
std::string messageFor(std::int16_t code) {
  switch (code) {
    case kJobBadSignature: return "Invalid Job Version Number!";
    case kJobReadError: return "Read File Error!";
    case kDrawOutOfMemory: return "Out of Memory Error!";
    case kPrintToFileFolderMissing:
    case kJobPrintToFileSetMissing: return "Print to File Set Folder could not be found!";
    case kOutputFailed: return "Could not write printer file!";
    case kPageObjectNotDrawn: return "A page object could not be drawn!";
    default: return {};
  }
}

bool isKnownCode(std::int16_t code) { return !messageFor(code).empty() || code == kParkWithoutAsking; }

bool sameFile(const FSSpec& a, const FSSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && a.name == b.name;
}

// "name copy N.ext": the copy number goes before the extension, as the Finder names copies.
std::string copyName(const std::string& name, int number) {
  const std::size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot != 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : std::string();
  return stem + " copy " + std::to_string(number) + extension;
}

// Deletes the file, then tries once more through the file system library; each failure is logged.
void deleteWithFallback(const fs::path& file, const char* firstFailure, const char* secondFailure) {
  const OSErr error = deleteItem(file);
  if (error == noErr) return;
  systemLogf(firstFailure, error);
  std::error_code again;
  fs::remove(file, again);
  if (again) systemLogf(secondFailure, again.message().c_str());
}

}  // namespace

TPrintJobTaskManager::TPrintJobTaskManager(JobObserver* behaviour) : fBehaviour(behaviour) {}

TPrintJobTaskManager::~TPrintJobTaskManager() = default;

void TPrintJobTaskManager::SetCurrentJob(const FSSpec& job) {
  if (job.vRefNum != kNoJobVolume) fPrintView = std::make_unique<TSpoolerPrintView>(fBehaviour);
  fCurrentJob = job;
}

void TPrintJobTaskManager::SetActive(bool active) {
  fActive = active;
  if (!active && fCurrentTask == 0 && fBehaviour != nullptr) fBehaviour->EnableButtonsWhenDone();
}

void TPrintJobTaskManager::AddFilesToDelete(const FSSpec& file) {
  // A sub-job drawn again after a pause registers its photos again; each is disposed of once.
  if (std::none_of(fFilesToDelete.begin(), fFilesToDelete.end(), [&](const FSSpec& f) { return sameFile(f, file); }))
    fFilesToDelete.push_back(file);
}

FSSpec TPrintJobTaskManager::GetCurrentImageFileFSSpec() const {
  if (!fFilesToDelete.empty()) return fFilesToDelete.front();
  if (fPrintView && !fPrintView->filesToDelete().empty()) return fPrintView->filesToDelete().front();
  return FSSpec{};
}

void TPrintJobTaskManager::DeleteFilesUsed4Printing() {
  const bool keep = getMyPrintServerPrefs()->keepJobFiles != 0;
  while (!fFilesToDelete.empty()) {
    const FSSpec file = fFilesToDelete.front();
    fFilesToDelete.erase(fFilesToDelete.begin());
    if (keep) continue;
    fs::path path;
    if (FSpMakePath(file, path) != noErr) continue;
    deleteWithFallback(path, "Deleting the image files failed with error code %d",
                       "Cocoa deleting of the image files failed with error code %s");
  }
}

void TPrintJobTaskManager::collectFilesOfView() {
  if (!fPrintView) return;
  for (const FSSpec& file : fPrintView->filesToDelete()) AddFilesToDelete(file);
}

void TPrintJobTaskManager::disposeOfView(bool tellCompanion) {
  if (!fPrintView) return;
  collectFilesOfView();
  if (tellCompanion) fPrintView->SendErrorNotification();
  fPrintView->ResetJob();
  fPrintView.reset();
}

bool TPrintJobTaskManager::moveJobFileInto(const FolderLocation& folder) {
  if (!fJobFile) return false;
  fs::path from;
  OSErr error = FSpMakePath(fJobFile->spec, from);
  const auto target = FSFolderPath(folder.vRefNum, folder.dirID);
  if (error == noErr && !target) error = dirNFErr;
  if (error == noErr) {
    const std::string name = from.filename().string();
    // Never over a job already there: the first free " copy N" name.
    error = dupFNErr;
    for (int attempt = 0; attempt < kMaxCopyNames && error == dupFNErr; ++attempt) {
      bool sourceKept = false;
      error = moveItem(from, *target / (attempt == 0 ? name : copyName(name, attempt)), false, &sourceKept);
      if (error != noErr && sourceKept) {
        // The copy reached the folder; only the source could not be removed.
        deleteWithFallback(from, "Deleting the job file failed with error code %d",
                           "Cocoa deleting of job file failed with error code %s");
        error = noErr;
      }
    }
    if (error == noErr) {
      static_cast<void>(syncFolder(*target));
      static_cast<void>(syncFolder(from.parent_path()));
      return true;
    }
  }
  // It stays in "All Files", out of the queue: the next start takes it again, this run never does.
  systemLogf("Moving the job file %s out of \"%s\" failed with error code %d", fJobFile->longName.c_str(),
             kJobFolderName, error);
  DisplayNormalMessage(("Cannot Copy and Move File!\rError Code = " + std::to_string(error)).c_str());
  return false;
}

void TPrintJobTaskManager::deleteJobFile() {
  if (!fJobFile) return;
  fs::path path;
  if (FSpMakePath(fJobFile->spec, path) != noErr) return;
  deleteWithFallback(path, "Deleting the job file failed with error code %d",
                     "Cocoa deleting of job file failed with error code %s");
  static_cast<void>(syncFolder(path.parent_path()));
}

void TPrintJobTaskManager::disposeOfFinishedJobFile() {
  if (!fJobFile || fJobFileDisposed) return;
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  if (prefs->keepJobFiles != 0)
    static_cast<void>(moveJobFileInto(prefs->finishedJobsFolder));
  else
    deleteJobFile();
  fJobFileDisposed = true;
}

void TPrintJobTaskManager::endJob() {
  fJobFile.reset();
  fJobFileDisposed = false;
  if (gJobFileList != nullptr) gJobFileList->SetCurrentFile(Str255());
  fCurrentTask = 0;
}

void TPrintJobTaskManager::DoError(std::int16_t code) {
  if (code == 0) return;
  const std::string message = messageFor(code);
  if (!message.empty())
    DisplayNormalMessage(message.c_str());
  else if (!isKnownCode(code))
    systemLogf("DoError trapped Unknown Error Code = [0x%02x]", static_cast<unsigned>(static_cast<std::uint16_t>(code)));

  disposeOfView(true);
  if (gJobFileList != nullptr) gJobFileList->SetCurrentFile(Str255());

  if (fJobFile && !fJobFileDisposed) {
    tPrintServerPrefs* prefs = getMyPrintServerPrefs();
    FailedJobChoice choice = FailedJobChoice::kMoveToUnknownJobs;
    if (code != kParkWithoutAsking && prefs->askOnFailedJob != 0 && fBehaviour != nullptr) {
      // The operator may take a while: the main thread must not wait for the answer to get at the job state.
      BatonRelease letGo;
      choice = fBehaviour->AskAboutFailedJob(fJobFile->longName,
                                             message.empty() ? "Error code " + std::to_string(code) : message);
    }
    switch (choice) {
      case FailedJobChoice::kDelete:
        DeleteFilesUsed4Printing();
        deleteJobFile();
        break;
      case FailedJobChoice::kRequeueAndPause:
        SetActive(false);
        if (fBehaviour != nullptr) fBehaviour->PauseProcessing();
        [[fallthrough]];
      case FailedJobChoice::kRequeue:
        if (gJobFileList != nullptr) {
          gJobFileList->Insert(*fJobFile);
          if (fBehaviour != nullptr) fBehaviour->UpdateJobsList(gJobFileList->longNames());
        }
        break;
      case FailedJobChoice::kMoveToUnknownJobs:
      default:
        // An answer the alert does not have parks the job too: it must not stay in "All Files" unqueued.
        static_cast<void>(moveJobFileInto(prefs->unknownJobsFolder));
        break;
    }
  }
  // The failed job's photos are not deleted, now or by the clean-up of a later job (only Delete above does).
  fFilesToDelete.clear();
  endJob();
}

void TPrintJobTaskManager::DoNextTask() {
  fBusy = true;
  const std::uint16_t task = fCurrentTask;
  try {
    switch (task) {
      case 0: takeNextJob(); break;
      case 1: preparePage(); break;
      case 2: drawNextObject(); break;
      case 3: finishJob(); break;
      case 4: cleanUp(); break;
      default: break;
    }
  } catch (const std::bad_alloc&) {
    systemLogf("Job step %u ran out of memory", static_cast<unsigned>(task));
    if (fJobFile) DoError(kDrawOutOfMemory);
  } catch (const std::exception& error) {
    systemLogf("Job step %u failed: %s", static_cast<unsigned>(task), error.what());
    if (fJobFile) DoError(task == 0 ? kJobReadError : task == 3 ? kOutputFailed : kPageObjectNotDrawn);
  } catch (...) {
    systemLogf("Job step %u failed", static_cast<unsigned>(task));
    if (fJobFile) DoError(task == 0 ? kJobReadError : task == 3 ? kOutputFailed : kPageObjectNotDrawn);
  }
  if (!fActive && fBehaviour != nullptr) fBehaviour->EnableButtonsWhenDone();
  fBusy = false;
}

void TPrintJobTaskManager::takeNextJob() {
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  fJobFile = GetNextNewJobFile(prefs);
  fJobFileDisposed = false;
  if (!fJobFile) {
    if (prefs->rescan != 0) gLastModDate = 0;
    static_cast<void>(CheckForNewJobs(fBehaviour));
    return;
  }
  // From here on the job's time counts, whichever way it ends.
  fStartTicks = TickCount();
  if (fBehaviour != nullptr && gJobFileList != nullptr) fBehaviour->UpdateJobsList(gJobFileList->longNames());
  SetCurrentJob(fJobFile->spec);
  if (fBehaviour != nullptr) {
    fBehaviour->SetJobFileName(fJobFile->longName);
    fBehaviour->SetStatus("Reading Job File");
  }
  const std::int16_t result = fPrintView->ReadObjects(fCurrentJob);
  systemLog("Done reading objects");
  if (result != kJobReadOK)
    DoError(result);
  else
    fCurrentTask = 1;
}

void TPrintJobTaskManager::preparePage() {
  if (fCurrentJob.vRefNum == kNoJobVolume || !fPrintView) {
    fCurrentTask = 4;
    return;
  }
  TSpoolerPrintView& view = *fPrintView;
  const std::int16_t printerType = view.GetPrinterType();

  if (view.IgnoreOverlays()) {
    if (const std::int16_t result = view.DrawSpecialJob(); result != kDrawOK) return DoError(result);
    view.ProcessSubAsOutput();
    fCurrentTask = 3;
    return;
  }

  if (view.SaveOriginal() && isPrintToFileType(printerType)) {
    systemLog("Save as Original...");
    if (const std::int16_t result = view.CopyOriginalFileJob(); result != kDrawOK) return DoError(result);
    // Delivered: the job file leaves "All Files" before anything else can fail, so it is never delivered twice.
    disposeOfFinishedJobFile();
    runAfterDelivery("The print count", [&] {
      addToPrintCount(1, kCountOriginalFile, printerType, view.settings().canvasNumber);
    });
    fCurrentTask = 4;
    return;
  }

  if (const std::int16_t result = view.CreateOffscreens(); result != kDrawOK) return DoError(result);
  systemLog("Starting to process offscreen...");
  yieldBaton();
  if (fCurrentJob.vRefNum == kNoJobVolume) {  // abandoned meanwhile
    fCurrentTask = 4;
    return;
  }

  if (view.HasSubJob()) {
    const std::int16_t result = view.DrawSubJob();
    if (result == kDrawProcessingOff) {
      // Paused while the sub-job was drawn: the job stays in hand at this task and is drawn again on resume.
      systemLog("The sub-job was interrupted; the job is kept for when processing resumes");
      return;
    }
    if (result != kDrawOK) return DoError(result == kDrawObjectFailed ? kPageObjectNotDrawn : result);
    fCurrentTask = 2;
    const bool keepsTemplate = printerType == 17 || isPrintToFileType(printerType);
    if (keepsTemplate && view.SaveCKTemplateAsIs()) {
      view.ProcessSubAsOutput();
      fCurrentTask = 3;
    }
  } else {
    fCurrentTask = 2;
  }
  systemLog("done processing offscreen...");
}

void TPrintJobTaskManager::drawNextObject() {
  if (fCurrentJob.vRefNum == kNoJobVolume || !fPrintView) {
    fCurrentTask = 4;
    return;
  }
  systemLog("fCurrent task = 2, before DrawNextObject...");
  const std::int16_t result = fPrintView->DrawNextObject();
  if (result == kDrawObjectFailed) {
    DoError(kPageObjectNotDrawn);
    systemLog("An error occured while processing the job");
  } else if (result == kDrawNoObjects) {
    // Nothing can be drawn on: asking again would never end.
    DoError(kJobReadError);
  } else if (result == kDrawPageDone) {
    fCurrentTask = 3;
  } else {
    static_cast<void>(CheckForNewJobs(fBehaviour));
  }
}

void TPrintJobTaskManager::finishJob() {
  if (fCurrentJob.vRefNum == kNoJobVolume || !fPrintView) {
    fCurrentTask = 4;
    return;
  }
  systemLog("before FinishJob...");
  const std::int16_t result = fPrintView->FinishJob();
  systemLog("after FinishJob...");
  if (result != kDrawOK) return DoError(result);
  // Delivered: the job file leaves "All Files" at once, so a crash from here on cannot deliver it again.
  disposeOfFinishedJobFile();
  if (fJobFile) systemLogf("The job file of \"%s\" left \"All Files\" after its delivery", fJobFile->longName.c_str());
  fCurrentTask = 4;
}

void TPrintJobTaskManager::cleanUp() {
  const std::uint32_t elapsed = TickCount() - fStartTicks;
  // An abandoned job was not processed: it gets no line in the print log.
  if (fCurrentJob.vRefNum != kNoJobVolume && fBehaviour != nullptr) fBehaviour->PrintLog(elapsed);
  disposeOfView(false);
  disposeOfFinishedJobFile();
  DeleteFilesUsed4Printing();
  endJob();
}

std::uint64_t getAvailableHardDiskSpace(std::int16_t vRefNum) {
  VolumeInfo info;
  if (FSGetVolumeInfoByRef(vRefNum, info) != noErr) return 0;
  return info.freeBytes;
}

}  // namespace vorl
