#include "preferences/factory_defaults.h"

#include "preferences/preference_globals.h"

namespace vorl {
namespace {

constexpr std::int16_t kNoFolderDirectory = 0;  // the print-server record's "no folder" directory

void setNoFolder(FolderLocation& folder) {
  folder.vRefNum = kNoFolderVolume;
  folder.dirID = kNoFolderDirectory;
}

void setNoFolder(tmyFSSpec& reference) {
  reference.spec.vRefNum = kNoFolderVolume;
  reference.spec.parID = kNoFolderDirectory;
  reference.spec.name.clear();
  reference.volumeName.clear();
}

// A folder reference of a zeroed record: no folder, its alias id, and 'defa' on.
void setDefaultFolder(tFolderFSSpec& folder, std::int16_t aliasId) {
  folder.setNoFolder();
  folder.aliasId = aliasId;
  folder.createWhenMissing = 1;
}

// The fields shared by the print-to-file sets and the web-upload destination.
void setPrintToFileDefaults(tSpecialPrintToFilePref& prefs, std::int16_t aliasId, std::int16_t fileFormat) {
  prefs = tSpecialPrintToFilePref{};
  setDefaultFolder(prefs.folder, aliasId);
  prefs.orientation = 1;
  prefs.rotationDirection = 2;
  prefs.fileFormat = fileFormat;
  prefs.fileNamePrefix.assign("Print");
  prefs.fileNameExtension.assign(".jpg");
  prefs.namingScheme = 3;
}

}  // namespace

std::int16_t setMyPrintServerPrefToFactoryDefaults(tPrintServerPrefs* prefs) {
  if (!prefs) return 0;
  for (FolderLocation* folder :
       {&prefs->serverRoot, &prefs->imagesFolder, &prefs->printJobsFolder, &prefs->finishedJobsFolder,
        &prefs->unknownJobsFolder, &prefs->databaseFolder, &prefs->secondRoot})
    setNoFolder(*folder);
  prefs->pollEvents = 1;
  prefs->flag38 = 1;
  prefs->autoStart = 1;
  prefs->createDefaultFolders = 1;
  prefs->name44.clear();
  setNoFolder(prefs->rootReference);
  prefs->value210 = 0;
  prefs->value212 = 5;
  prefs->keepJobFiles = 1;
  prefs->dualBuffer = 0;
  prefs->rescan = 1;
  prefs->hideInBackground = 0;
  prefs->askOnFailedJob = 1;
  prefs->value224 = 0;
  setNoFolder(prefs->secondRootReference);
  prefs->value334 = 1;
  prefs->value336 = 0;
  return 1;
}

std::int16_t setMyPrintToFilePrefToFactoryDefaults(tPrintToFilePrefs* prefs) {
  if (!prefs) return 0;
  *prefs = tPrintToFilePrefs{};
  setDefaultFolder(prefs->folder, kPrintToFileAliasId);
  prefs->values362 = {1, 2, 3};
  prefs->fileNamePrefix.assign("Print");
  prefs->fileNameExtension.assign(".jpg");
  prefs->showNamingGroup = 1;
  return 1;
}

std::int16_t setMyProcessedJobsPrefToFactoryDefaults(tProcessedJobsPrefs* prefs) {
  if (!prefs) return 0;
  *prefs = tProcessedJobsPrefs{};
  setDefaultFolder(prefs->folder, kProcessedJobsAliasId);
  return 1;
}

std::int16_t setMyPrintToFileSetPrefsToFactoryDefaults(tSpecialPrintToFilePref* prefs, std::int16_t setNumber) {
  if (!prefs) return 0;
  setPrintToFileDefaults(*prefs, static_cast<std::int16_t>(kPrintToFileSetAliasBase + setNumber), 3);
  prefs->webMaximumSize = 640;
  prefs->uploadSite = 1;
  return 1;
}

std::int16_t setMyPrintToCDSetPrefsToFactoryDefaults(tPrintToCDPref* prefs) {
  if (!prefs) return 0;
  *prefs = tPrintToCDPref{};
  setDefaultFolder(prefs->firstFolder, kPrintToCDFirstAliasId);
  prefs->values362 = {1, 2, 3};
  prefs->fileNamePrefix.assign("Print");
  prefs->fileNameExtension.assign(".jpg");
  prefs->value466 = 3;
  setDefaultFolder(prefs->secondFolder, kPrintToCDSecondAliasId);
  return 1;
}

std::int16_t setMyOutputFilePrefToFactoryDefaults(tOutputFilePrefs* prefs) {
  if (!prefs) return 0;
  *prefs = tOutputFilePrefs{};
  prefs->outputQuality = 50;
  prefs->value2 = 75;
  return 1;
}

std::int16_t setMyWebUploadPrefsToFactoryDefaults(tSpecialPrintToFilePref* prefs) {
  if (!prefs) return 0;
  setPrintToFileDefaults(*prefs, kWebUploadAliasId, 10);
  return 1;
}

void setAllPrintToFileSetPrefsToFactoryDefault() {
  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n)
    setMyPrintToFileSetPrefsToFactoryDefaults(getMyPrintToFileSetPrefs(n), n);
}

}  // namespace vorl
