#include "foundation/files/folder_cleanup.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/files/file_errors.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "foundation/text/pascal_strings.h"
#include "platform/files/file_manager.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

bool isDSStore(const CInfoPBRec& item) { return pstrcomp2(Str255(item.diskName), Str255(".DS_Store")) == 1; }

FSSpec specOf(std::int16_t vRefNum, std::int32_t dirID, const CInfoPBRec& item) {
  FSSpec spec;
  spec.vRefNum = vRefNum;
  spec.parID = dirID;
  spec.name = item.ioName;
  return spec;
}

void keepFirst(OSErr& first, OSErr error) {
  if (first == noErr) first = error;
}

// Unlocks and deletes one file, each result shown.
OSErr unlockAndDelete(const FSSpec& file) {
  OSErr error = FSpRstFLock(file);
  displayFileResultCode(error);
  if (error == noErr) {
    error = FSpDelete(file);
    displayFileResultCode(error);
  }
  return error;
}

}  // namespace

OSErr deleteAllFilesInFolder(const FSSpec& folder) {
  std::int16_t vRefNum = folder.vRefNum;
  std::int32_t dirID = folder.parID;
  CInfoPBRec own;
  OSErr error = getFolderVolumeAndID(folder, vRefNum, dirID);
  if (error == noErr) error = PBGetCatInfoOfFolder(vRefNum, dirID, own);
  std::vector<CInfoPBRec> items;
  if (error == noErr) error = FSListFolder(vRefNum, dirID, items);
  if (error != noErr) {
    DisplayNormalMessage("Inside deleteAllFilesInFolder!\rUnable to PBGetCatInfoSync on folder FSSpec");
    char text[300];
    std::snprintf(text, sizeof text, "FSSpec MAY NOT Exist for:\rvRefNum: %i\rDirID: %i\rfilename: %s",
                  static_cast<int>(folder.vRefNum), static_cast<int>(folder.parID), folder.name.toUtf8().c_str());
    DisplayNormalMessage(text);
    return error;
  }
  if (own.ioDrNmFls == 0) static_cast<void>(GetSpecialNumberOfFiles(vRefNum, dirID));

  OSErr first = noErr;
  for (auto item = items.rbegin(); item != items.rend(); ++item) {
    if (IsFolder(&*item)) continue;
    const FSSpec file = specOf(vRefNum, dirID, *item);
    if (!IsVisible(&*item)) {
      if (isDSStore(*item) && FSpRstFLock(file) == noErr) static_cast<void>(FSpDelete(file));
      continue;
    }
    error = FSpRstFLock(file);
    if (error != noErr) {
      DisplayNormalMessage("Unable to FSpRstFLock");
      displayFileResultCode(error);
      if (error == vLckdErr || error == wPrErr) {
        DisplayNormalMessage("err==vLckdErr || err==wPrErr");
        return error;
      }
      keepFirst(first, error);
    }
    error = FSpDelete(file);
    if (error != noErr) {
      DisplayNormalMessage("Unable to FSpDelete");
      displayFileResultCode(error);
      keepFirst(first, error);
    } else {
      systemLogf("deleteAllFilesInFolder: deleted [%s]", item->diskName.c_str());
    }
  }
  return first;
}

OSErr deleteAllFilesInSubFolders(const FSSpec& folder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (const OSErr error = getFolderVolumeAndID(folder, vRefNum, dirID); error != noErr) return error;
  std::vector<CInfoPBRec> items;
  if (const OSErr error = FSListFolder(vRefNum, dirID, items); error != noErr) return error;
  OSErr first = noErr;
  for (const CInfoPBRec& item : items) {
    if (!IsFolder(&item) || !IsVisible(&item)) continue;
    FSSpec subFolder;
    subFolder.vRefNum = vRefNum;
    subFolder.parID = item.ioDrDirID;
    keepFirst(first, specialDeleteAllFilesInFolder2(subFolder));
  }
  return first;
}

OSErr specialDeleteAllFilesInFolder2(const FSSpec& folder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (const OSErr error = getFolderVolumeAndID(folder, vRefNum, dirID); error != noErr) return error;
  std::vector<CInfoPBRec> items;
  if (const OSErr error = FSListFolder(vRefNum, dirID, items); error != noErr) return error;
  OSErr first = noErr;
  for (auto item = items.rbegin(); item != items.rend(); ++item) {
    if (IsFolder(&*item)) {
      FSSpec subFolder;
      subFolder.vRefNum = vRefNum;
      subFolder.parID = item->ioDrDirID;
      keepFirst(first, specialDeleteAllFilesInFolder2(subFolder));
    } else if (IsVisible(&*item)) {
      keepFirst(first, unlockAndDelete(specOf(vRefNum, dirID, *item)));
    }
  }
  return first;
}

}  // namespace vorl
