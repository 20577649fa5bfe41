#include "app/processing/start_up_folders.h"

#include <iostream>
#include <optional>
#include <vector>

#include "foundation/files/aliases.h"
#include "foundation/files/default_folders.h"
#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/records/folder_records.h"
#include "imaging/image_files/image_road_globals.h"
#include "jobs/delivery/leftover_temporary_files.h"
#include "jobs/delivery/print_centre_folder.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/working_folders.h"

namespace vorl {
namespace {

constexpr std::int16_t kSpoolerAliasId = 4506;
// Mac Roman names; 0xC4 is the "ƒ".
constexpr char kSpoolerFolderName[] = "Vorl-Zeverezoz Folder \xC4";
constexpr char kSpoolerFolderLabel[] = "SPOOLER FOLDER";
constexpr char kPrintToFileFolderName[] = "PRINT TO FILE FOLDER \xC4";
constexpr char kPrintCentreFolderName[] = "Vorl-PrintCenter Folder";
constexpr const char* kPrintCentreSubFolders[] = {"Jobs In Spool",  "Jobs Not Printed", "Jobs Printed",
                                                  "Jobs Canceled", "Jobs Not Valid",   "Jobs To Be Printed"};
constexpr char kPrintToFileSetFolderName[] = "PRINT TO FILE FOLDER SET A\xC4";
constexpr char kPrintToCDFolderName[] = "PRINT TO CD FOLDER SET A\xC4";
constexpr char kWebUploadFolderName[] = "WEB UPLOAD FOLDER \xC4";
constexpr char kPreferencesFolderName[] = "VORL PREFERENCES FOLDER \xC4";

// Points the record at the folder (made or found) and stores its reference.
void takeFolder(tFolderFSSpec& record, const FSSpec& made) {
  FSSpec folder{};
  if (GetFolderFSSpec(made.vRefNum, made.parID, &folder) != noErr) return;
  record.spec = folder;
  SaveFSSpecAsAliasHandle(record);
}

// A record whose folder is gone and which allows it gets the folder `name` in the application folder (inside
// `inside` when given).
void findOrMake(tFolderFSSpec& record, const char* name) {
  if (validateIfAliasHandle(record) != 0 || record.createWhenMissing == 0) return;
  FSSpec made{};
  if (createNewFolder(Str31(name), appvRefNum, appDirID, &made) != noErr) return;
  takeFolder(record, made);
}

void setUpPrintCentreFolder(tFolderFSSpec& record) {
  if (validateIfAliasHandle(record) != 0 || record.createWhenMissing == 0) return;
  FSSpec centre{};
  if (createNewFolder(Str31(kPrintCentreFolderName), appvRefNum, appDirID, &centre) != noErr) return;
  FSSpec last{};
  OSErr result = noErr;
  for (const char* sub : kPrintCentreSubFolders) {
    result = createNewFolder(Str31(sub), centre.vRefNum, centre.parID, &last);
  }
  // The record names the last one made, "Jobs To Be Printed"; the hand-offs go there.
  if (result == noErr) takeFolder(record, last);
}

// The folder a folder record names; nothing when it names none that exists.
std::optional<std::filesystem::path> folderOf(const tFolderFSSpec& record) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (getFolderVolumeAndID(record.spec, vRefNum, dirID) != noErr) return std::nullopt;
  return FSFolderPath(vRefNum, dirID);
}

}  // namespace

void setApplicationFolder(const std::filesystem::path& applicationFolder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (FSFolderIDs(applicationFolder, vRefNum, dirID) == noErr) {
    appvRefNum = vRefNum;
    appDirID = dirID;
  } else {
    std::cerr << "setApplicationFolder: \"" << applicationFolder.string() << "\" is no folder\n";
  }
}

void setUpSpoolerRoot() {
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  FSSpec resolved = prefs->rootReference.spec;
  if (validateIfAliasHandle(resolved, kSpoolerAliasId) == 1) {
    // The folder the operator chose, wherever it went; it keeps its name.
    prefs->serverRoot.vRefNum = resolved.vRefNum;
    prefs->serverRoot.dirID = GetFolderDirID(resolved);
    createImageAndJobFolders();
    return;
  }
  if (prefs->createDefaultFolders == 0) return;

  std::int16_t rootVRefNum = prefs->serverRoot.vRefNum;
  std::int32_t rootDirID = prefs->serverRoot.dirID;
  std::int16_t foundVRefNum = rootVRefNum;
  bool have = AttemptToFindFolder(rootVRefNum, &rootDirID, &prefs->rootReference, foundVRefNum) != 0;
  if (have) {
    if (foundVRefNum != rootVRefNum) rootVRefNum = foundVRefNum;
  } else {
    have = AttemptToCreateDefaultFolder(true, rootVRefNum, rootDirID, &prefs->rootReference,
                                        CStr255_AC(kSpoolerFolderName), Str255(kSpoolerFolderLabel), nullptr) != 0;
  }
  prefs->serverRoot.vRefNum = rootVRefNum;
  prefs->serverRoot.dirID = rootDirID;
  SaveFSSpecAsAliasHandle(prefs->rootReference.spec, kSpoolerAliasId);
  if (have && IsExistingDirectory(rootVRefNum, rootDirID)) createImageAndJobFolders();
}

void setUpOutputFolders() {
  findOrMake(getMyPrintToFilePrefs()->folder, kPrintToFileFolderName);
  setUpPrintCentreFolder(getMyProcessedJobsPrefs()->folder);
  for (std::int16_t set = 1; set <= 8; ++set) {
    findOrMake(getMyPrintToFileSetPrefs(set)->folder, kPrintToFileSetFolderName);
  }
  findOrMake(getMyPrintToCDSetPrefs()->firstFolder, kPrintToCDFolderName);
  tFolderFSSpec& webUpload = getMyWebUploadPrefs()->folder;
  if (validateIfAliasHandle(webUpload) != 0) {
    std::cerr << "getMyWebUploadPrefs alias handle id = " << static_cast<int>(webUpload.aliasId) << '\n';
  } else if (webUpload.createWhenMissing != 0) {
    FSSpec made{};
    if (createNewFolder(Str31(kWebUploadFolderName), appvRefNum, appDirID, &made) == noErr) takeFolder(webUpload, made);
  }
}

void setUpPreferencesFolder() {
  FSSpec made{};
  if (createNewFolder(Str31(kPreferencesFolderName), appvRefNum, appDirID, &made) != noErr) return;
  FSSpec folder{};
  std::filesystem::path path;
  if (GetFolderFSSpec(made.vRefNum, made.parID, &folder) == noErr && FSpMakePath(folder, path) == noErr) {
    setVorlPreferencesFolder(path);
  }
}

void removeLeftoversOfEarlierRuns(std::chrono::system_clock::time_point start) {
  std::vector<std::filesystem::path> folders;
  const auto add = [&folders](const std::optional<std::filesystem::path>& folder) {
    if (folder) folders.push_back(*folder);
  };
  const tPrintServerPrefs* server = getMyPrintServerPrefs();
  add(FSFolderPath(server->serverRoot.vRefNum, server->serverRoot.dirID));
  add(folderOf(getMyProcessedJobsPrefs()->folder));
  add(folderOf(getMyPrintToFilePrefs()->folder));
  for (std::int16_t set = 1; set <= 8; ++set) add(folderOf(getMyPrintToFileSetPrefs(set)->folder));
  add(folderOf(getMyPrintToCDSetPrefs()->firstFolder));
  add(folderOf(getMyWebUploadPrefs()->folder));
  add(vorlPreferencesFolder());
  add(standardUserDefaults().filePath().parent_path());
  removeLeftoverTemporaryFiles(folders, start, macAddressForNames());  // each removal is logged
}

}  // namespace vorl
