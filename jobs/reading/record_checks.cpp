#include "jobs/reading/record_checks.h"

namespace vorl {

bool lengthBytesFit(const tColorSyncPrefs& record) noexcept {
  for (const FSSpec* profile : {&record.profile2, &record.profile72, &record.inputProfile})
    if (!profile->name.lengthFits()) return false;
  for (const tPrinterColorSyncPrefs& printer : record.printers)
    if (!printer.printerProfile.name.lengthFits()) return false;
  return true;  // the Str255 texts cannot overflow
}

bool lengthBytesFit(const tSpecialPrintToFilePref& record) noexcept {
  const tFolderFSSpec& folder = record.folder;
  if (!folder.spec.name.lengthFits() || !folder.volumeName.lengthFits() || !folder.text108.lengthFits()) return false;
  if (!record.yearbookFolderName.lengthFits() || !record.fileNamePrefix.lengthFits() ||
      !record.fileNameExtension.lengthFits() || !record.folderTextA.lengthFits() || !record.folderTextB.lengthFits())
    return false;
  for (const ShortFieldText& field : record.fieldTexts)
    if (!field.text.lengthFits()) return false;
  return true;
}

bool lengthBytesFit(const tJobInfo& record) noexcept {
  return record.name.lengthFits() && record.secondText.lengthFits();
}

}  // namespace vorl
