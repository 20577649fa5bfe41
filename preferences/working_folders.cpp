#include "preferences/working_folders.h"

#include <array>

#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/records/folder_records.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

// The folder names (Mac Roman; 0xC4 is the "ƒ").
constexpr char kImagesFolderName[] = "IMAGES FOLDER \xC4";
constexpr char kPrintJobsFolderName[] = "PRINT JOBS FOLDER \xC4";
constexpr char kFinishedJobsFolderName[] = "FINISHED JOBS FOLDER \xC4";
constexpr char kUnknownJobsFolderName[] = "UNKNOWN JOBS FOLDER \xC4";
constexpr char kDatabaseFolderName[] = "DATABASE FOLDER \xC4";
constexpr char kGraphicsFolderName[] = "VORL GRAPHICS FOLDER \xC4";

struct WorkingFolder {
  const char* name;
  FolderLocation tPrintServerPrefs::*field;  // null: made, not remembered
};

constexpr std::array<WorkingFolder, 6> kWorkingFolders{{
    {kImagesFolderName, &tPrintServerPrefs::imagesFolder},
    {kPrintJobsFolderName, &tPrintServerPrefs::printJobsFolder},
    {kFinishedJobsFolderName, &tPrintServerPrefs::finishedJobsFolder},
    {kUnknownJobsFolderName, &tPrintServerPrefs::unknownJobsFolder},
    {kDatabaseFolderName, &tPrintServerPrefs::databaseFolder},
    {kGraphicsFolderName, nullptr},
}};

// Makes (or finds) every working folder under the root; with `prefs`, remembers their ids there.
OSErr makeWorkingFolders(std::int16_t rootVRefNum, std::int32_t rootDirID, tPrintServerPrefs* prefs) {
  OSErr result = noErr;
  for (const WorkingFolder& folder : kWorkingFolders) {
    FSSpec made{};
    // Finds a folder already there; makes a missing one (a taken name or a failure is shown by it).
    result = createNewFolder(Str31(folder.name), rootVRefNum, rootDirID, &made);
    if (result == noErr && prefs != nullptr && folder.field != nullptr) {
      FolderLocation& location = prefs->*folder.field;
      location.vRefNum = rootVRefNum;
      location.dirID = static_cast<std::int32_t>(made.parID);
    }
  }
  return result;
}

}  // namespace

OSErr createImageAndJobFolders() {
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  const std::int16_t rootVRefNum = prefs->serverRoot.vRefNum;
  const std::int32_t rootDirID = prefs->serverRoot.dirID;
  const OSErr result = makeWorkingFolders(rootVRefNum, rootDirID, prefs);
  // The working folders live on the root's volume, found or not.
  for (const WorkingFolder& folder : kWorkingFolders) {
    if (folder.field != nullptr) (prefs->*folder.field).vRefNum = rootVRefNum;
  }
  return result;
}

OSErr createImageAndJobFolders2() {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  return makeWorkingFolders(prefs->secondRoot.vRefNum, prefs->secondRoot.dirID, nullptr);
}

std::int32_t FindFolderByName(std::int16_t vRefNum, std::int32_t dirID, const char* name) {
  FSSpec spec{};
  if (FSMakeFSSpec(vRefNum, dirID, name, spec) != noErr) return kNoFolderDirID;
  if (!IsExistingDirectory(&spec)) return kNoFolderDirID;
  return GetFolderDirID(spec);
}

}  // namespace vorl
