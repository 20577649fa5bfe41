#include "app/processing/folder_commands.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <vector>

#include "app/windows/dialogs.h"
#include "app/processing/processing_behaviour.h"
#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/files/folder_cleanup.h"
#include "foundation/services/messages.h"
#include "jobs/engine/job_queue.h"
#include "jobs/engine/job_task_manager.h"
#include "platform/core/baton.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

constexpr char kNoRootFolder[] = "Point to valid Printserver folder first";
// Mac Roman names; 0xC4 is the "ƒ".
constexpr char kGraphicsFolderName[] = "VORL GRAPHICS FOLDER \xC4";
constexpr char kAllFilesFolderName[] = "All Files";
constexpr char kGroupPhotoFolderName[] = "GROUP PHOTO FILES";

FSSpec folderSpec(std::int16_t vRefNum, std::int32_t dirID) {
  FSSpec spec{};
  spec.vRefNum = vRefNum;
  spec.parID = dirID;
  return spec;
}

FSSpec folderSpec(const FolderLocation& location) { return folderSpec(location.vRefNum, location.dirID); }

QString shownPath(const FSSpec& folder) {
  const std::optional<fs::path> path = FSFolderPath(folder.vRefNum, folder.parID);
  return path ? QString::fromStdString(path->string()) : QString();
}

void emptyIfThere(const FSSpec& folder) {
  if (IsExistingDirectory(folder.vRefNum, folder.parID)) static_cast<void>(deleteAllFilesInFolder(folder));
}

// The sub-folder `name` of the folder, made when missing; nullopt when it cannot be made (already shown).
std::optional<FSSpec> madeSubFolder(const FSSpec& parent, const char* name) {
  FSSpec made{};
  if (createNewFolder(Str31(name), parent.vRefNum, parent.parID, &made) != noErr) return std::nullopt;
  return folderSpec(made.vRefNum, made.parID);
}

// The path of the sub-folder `name` of `parent`, whether or not it exists yet.
QString shownSubPath(const FSSpec& parent, const char* name) {
  const std::optional<fs::path> path = FSFolderPath(parent.vRefNum, parent.parID);
  if (!path) return QString();
  return QString::fromStdString((*path / fs::path(macNameToDiskName(name))).string());
}

// The graphics folder's visible sub-folders, whose files (and those of every folder inside them) 1006 deletes.
QStringList graphicsSubFolders(const FSSpec& root) {
  QStringList shown;
  const std::optional<fs::path> rootPath = FSFolderPath(root.vRefNum, root.parID);
  if (!rootPath) return shown;
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(*rootPath / fs::path(macNameToDiskName(kGraphicsFolderName)), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.empty() && name.front() != '.' && entry.is_directory(error) && !entry.is_symlink(error))
      names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    shown.push_back(QString::fromStdString(name) + QStringLiteral(" (and every folder inside it)"));
  return shown;
}

// The print-jobs folder, its "All Files" and the queue, which holds nothing but files of "All Files".
void emptyPrintJobs(TPrintBGBehavior* behaviour) {
  const FSSpec printJobs = folderSpec(getMyPrintServerPrefs()->printJobsFolder);
  std::vector<std::string> names;
  bool queueEmptied = false;
  {
    BatonHold baton;
    emptyIfThere(printJobs);
    if (IsExistingDirectory(printJobs.vRefNum, printJobs.parID)) {
      if (const std::optional<FSSpec> allFiles = madeSubFolder(printJobs, kAllFilesFolderName))
        emptyIfThere(*allFiles);
    }
    if (gJobFileList != nullptr) {
      while (!gJobFileList->empty()) gJobFileList->DeleteItem(0);
      names = gJobFileList->longNames();
      queueEmptied = true;
    }
  }
  if (queueEmptied && behaviour != nullptr) behaviour->UpdateJobsList(names);
}

QStringList printJobsFolders(const FSSpec& printJobs) {
  return {shownPath(printJobs), shownSubPath(printJobs, kAllFilesFolderName), QStringLiteral("the job queue")};
}

}  // namespace

bool isFolderCommand(long command) noexcept {
  switch (command) {
    case kCommandEmptyPrintJobs:
    case kCommandEmptyUnknownJobs:
    case kCommandEmptyImages:
    case kCommandEmptyAll:
    case kCommandEmptyFinishedJobs:
    case kCommandEmptyGroupPhotos:
      return true;
    default:
      return false;
  }
}

bool folderCommandsAllowed(TPrintBGBehavior* behaviour) {
  if (behaviour == nullptr) return true;
  if (behaviour->IsBackgroundPrintingEnabled()) return false;
  return gPrintJobTaskManager == nullptr || !gPrintJobTaskManager->IsBusyWithTask();
}

FolderCommandResult EmptyFolderCommand(long command, TPrintBGBehavior* behaviour, Dialogs& dialogs) {
  if (!isFolderCommand(command)) return FolderCommandResult::kNotAFolderCommand;
  if (!folderCommandsAllowed(behaviour)) {
    std::cerr << "EmptyFolderCommand: " << command << " refused while processing is on or a step is in hand\n";
    return FolderCommandResult::kBusy;
  }
  const tPrintServerPrefs prefs = *getMyPrintServerPrefs();
  const FSSpec root = folderSpec(prefs.serverRoot);
  const FSSpec printJobs = folderSpec(prefs.printJobsFolder);

  QString label;
  QStringList folders;
  std::optional<FSSpec> groupPhotos;
  if (command == kCommandEmptyGroupPhotos) {
    // Without a test of the root: a graphics folder that cannot be made leaves nothing to empty.
    QString groupPhotoPath;
    if (const std::optional<FSSpec> graphics = madeSubFolder(root, kGraphicsFolderName)) {
      const std::int32_t id = findFolder(*graphics, CStr255_AC(kGroupPhotoFolderName));
      if (id != -1) groupPhotos = folderSpec(graphics->vRefNum, id);
      groupPhotoPath = groupPhotos ? shownPath(*groupPhotos) : shownSubPath(*graphics, kGroupPhotoFolderName);
    }
    label = QStringLiteral("GROUP PHOTO FILES FOLDER");
    folders = {groupPhotoPath};
  } else {
    if (!IsExistingDirectory(root.vRefNum, root.parID)) {
      DisplayNormalMessage(kNoRootFolder);
      return FolderCommandResult::kNoRootFolder;
    }
    switch (command) {
      case kCommandEmptyPrintJobs:
        label = QStringLiteral("PRINT JOBS FOLDER");
        folders = printJobsFolders(printJobs);
        break;
      case kCommandEmptyUnknownJobs:
        label = QStringLiteral("UNKNOWN JOBS FOLDER");
        folders = {shownPath(folderSpec(prefs.unknownJobsFolder))};
        break;
      case kCommandEmptyImages:
        label = QStringLiteral("IMAGES FOLDER");
        folders = {shownPath(folderSpec(prefs.imagesFolder))};
        break;
      case kCommandEmptyFinishedJobs:
        label = QStringLiteral("FINISHED JOBS FOLDER");
        folders = {shownPath(folderSpec(prefs.finishedJobsFolder))};
        break;
      default:  // kCommandEmptyAll
        label = QStringLiteral("VORL-PROCESSOR FOLDER");
        folders = {shownPath(folderSpec(prefs.imagesFolder)), shownPath(folderSpec(prefs.unknownJobsFolder)),
                   shownPath(folderSpec(prefs.finishedJobsFolder))};
        folders += graphicsSubFolders(root);
        if (IsExistingDirectory(printJobs.vRefNum, printJobs.parID)) folders += printJobsFolders(printJobs);
        break;
    }
  }
  folders.removeAll(QString());

  SysBeep(1);
  if (!dialogs.confirmEmptying(label, folders)) return FolderCommandResult::kCancelled;
  // The question ran an event loop: processing may have been switched on meanwhile.
  if (!folderCommandsAllowed(behaviour)) {
    std::cerr << "EmptyFolderCommand: " << command << " given up: processing started during the question\n";
    return FolderCommandResult::kBusy;
  }

  switch (command) {
    case kCommandEmptyPrintJobs:
      emptyPrintJobs(behaviour);
      if (behaviour != nullptr) behaviour->ResetAll();
      break;
    case kCommandEmptyUnknownJobs:
    case kCommandEmptyImages:
    case kCommandEmptyFinishedJobs: {
      const FolderLocation& location = command == kCommandEmptyUnknownJobs ? prefs.unknownJobsFolder
                                       : command == kCommandEmptyImages   ? prefs.imagesFolder
                                                                          : prefs.finishedJobsFolder;
      BatonHold baton;
      emptyIfThere(folderSpec(location));
      break;
    }
    case kCommandEmptyAll: {
      {
        BatonHold baton;
        for (const FolderLocation* location : {&prefs.imagesFolder, &prefs.unknownJobsFolder, &prefs.finishedJobsFolder})
          emptyIfThere(folderSpec(*location));
        if (const std::optional<FSSpec> graphics = madeSubFolder(root, kGraphicsFolderName))
          static_cast<void>(deleteAllFilesInSubFolders(*graphics));
      }
      if (IsExistingDirectory(printJobs.vRefNum, printJobs.parID)) emptyPrintJobs(behaviour);
      if (behaviour != nullptr) behaviour->ResetAll();
      break;
    }
    default: {  // kCommandEmptyGroupPhotos
      BatonHold baton;
      if (groupPhotos) emptyIfThere(*groupPhotos);
      break;
    }
  }
  return FolderCommandResult::kEmptied;
}

}  // namespace vorl
