// The yearbook output: the page goes into "Yearbook Photos/<sub-folder>" on the desktop, named by the job's
// prefix or by its database fields, and each job adds one line to the folder's tab-separated log
// "Yearbook.read me" for the yearbook program that collects the photos.
#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "foundation/files/folder_cleanup.h"
#include "foundation/services/messages.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/print_to_file_pages.h"
#include "jobs/outputs/print_to_file_staging.h"
#include "jobs/outputs/set_output_folder.h"
#include "platform/files/apple_double.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "platform/files/xdg_folders.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr const char* kYearbookFolderName = "Yearbook Photos";
constexpr const char* kYearbookLogName = "Yearbook.read me";
constexpr OSType kTextType = 0x54455854;         // 'TEXT'
constexpr OSType kYearbookCreator = 0x515A4B62;  // 'QZKb'
constexpr std::size_t kLoggedFields = 20;
constexpr std::int16_t kNoFieldSelector = 1;
constexpr std::int16_t kFirstFieldSelector = 2;
constexpr std::int16_t kLastFieldSelector = 42;

// The field-value text a selector picks; empty for 1 and for values that select nothing.
std::string_view selectedField(const tRecordStruct& values, std::int16_t selector) {
  if (selector < kFirstFieldSelector || selector > kLastFieldSelector) return {};
  return values.texts[static_cast<std::size_t>(selector - kFirstFieldSelector)].macRoman();
}

// The name made of the four database fields and their texts; empty when the job does not ask for it or its
// first field is empty.
std::string databaseFileName(const tSpecialPrintToFilePref& record, const tRecordStruct& values) {
  if (record.databaseNameSwitch == 0) return {};
  const std::int16_t first = record.databaseFieldSelectors[0].value();
  if (first == kNoFieldSelector || selectedField(values, first).empty()) return {};
  std::string name;
  for (std::size_t i = 0; i < record.databaseFieldSelectors.size(); ++i) {
    name += selectedField(values, record.databaseFieldSelectors[i].value());
    name += record.fieldTexts[i].text.macRoman();
  }
  return name + std::string(record.fileNameExtension.macRoman());
}

std::int16_t refuseYearbookFolder(std::string_view reason) {
  systemLogf("DoSpecialPrintToFile: %.*s", static_cast<int>(reason.size()), reason.data());
  DisplayNormalMessage(std::string(reason).c_str());
  return kOutputFailed;
}

// The folder of the job's yearbook photos, made when missing. With naming mode 3 the folder is emptied first,
// which is only done for a plain sub-folder of its own: never "Yearbook Photos" itself or anything else.
std::int16_t yearbookFolder(const tSpecialPrintToFilePref& record, fs::path& folder) {
  const std::string_view subFolder = record.yearbookFolderName.macRoman();
  const bool emptyFirst = record.namingScheme.value() == 3;
  if (!subFolder.empty() && !usableFolderName(subFolder))
    return refuseYearbookFolder(
        "The yearbook sub-folder name of the job cannot be used as a folder name; nothing "
        "was saved.");
  if (subFolder.empty() && emptyFirst)
    return refuseYearbookFolder(
        "The job asks to empty its yearbook folder but names none; nothing was deleted "
        "or saved.");
  folder = xdgDesktopFolder() / kYearbookFolderName;
  if (!subFolder.empty()) folder /= macNameToDiskName(subFolder);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) {
    systemLogf("DoSpecialPrintToFile: %s cannot be made: %s", folder.c_str(), error.message().c_str());
    return refuseYearbookFolder("The yearbook folder cannot be made on the desktop; nothing was saved.");
  }
  if (emptyFirst) {
    FSSpec spec;
    if (FSMakeFSSpecFromPath(folder, spec) == noErr) static_cast<void>(deleteAllFilesInFolder(spec));
  }
  return 0;
}

void appendFields(std::string& line, const tRecordStruct& record) {
  for (std::size_t i = 1; i <= kLoggedFields; ++i) {
    line += record.texts[i].macRoman();
    line += '\t';
  }
  line += '\r';
}

}  // namespace

std::int16_t TBGPrintView::DoSpecialPrintToFile(OffscreenPtr page) {
  SetStatus(kSavingFilesStatus);
  const tSpecialPrintToFilePref& record = fSettings.printToFileRecord;
  // Without a page the folder is not even emptied: last time's photos stay until a new one replaces them.
  if (!page) {
    DisplayNormalMessage(kNoPageMessage);
    return kOutputFailed;
  }
  fs::path folder;
  if (const std::int16_t result = yearbookFolder(record, folder); result != 0) return result;
  page = turnToWantedOrientation(std::move(page), record, fBehaviour);
  const std::int16_t saveType = record.fileFormat.value();
  if (saveType == 9) {
    page = webSizedCopy(*this, page.get());
    if (!page) {
      DisplayNormalMessage(kSaveFailedMessage);
      return kOutputFailed;
    }
  }
  const std::string databaseName = databaseFileName(record, fSettings.fieldValues);
  CStr255_AC databaseBase, databaseExtension;
  const bool namedByDatabase = !databaseName.empty() && usableOutputFileName(databaseName);
  if (!databaseName.empty() && !namedByDatabase)
    systemLog("DoSpecialPrintToFile: the database fields make no usable file name; the prefix names the file");
  if (namedByDatabase) splitExtension(databaseName, databaseBase, databaseExtension);

  std::int32_t counter = 1;
  fs::path lastFile;
  std::int16_t result = kDrawOK;
  for (int copy = 0; copy < copiesToWrite(fSettings.printQuantity); ++copy) {
    StagedPageFile staged;
    if (!staged.save(saveType, page.get(), folder, fSettings.resolution, fSettings.imageQuality)) {
      DisplayNormalMessage(kSaveFailedMessage);
      result = kOutputFailed;
      break;
    }
    // The database name never replaces a photo already there: a second copy or a namesake gets " copy".
    const OSErr error = namedByDatabase ? staged.commitUnique(databaseBase, databaseExtension, lastFile)
                                        : commitOutputName(staged, record, fSettings.fixedName != 0,
                                                           record.fileNamePrefix.length(), false, counter, lastFile);
    if (error != noErr) {
      systemLogf("DoSpecialPrintToFile: the saved file could not take its name in %s (error %d)", folder.c_str(),
                 error);
      showNamingFailure(error, "the yearbook folder");
      result = kOutputFailed;
      break;
    }
  }
  if (!lastFile.empty()) {
    if (const OSErr error = writeLogForYearbookFile(lastFile, fSettings.fieldNames, fSettings.fieldValues,
                                                    CStr255_AC(fSettings.templateName.macRoman()));
        error != noErr)
      systemLogf("DoSpecialPrintToFile: the yearbook log could not be written (error %d)", error);
  }
  return result;
}

OSErr TBGPrintView::writeLogForYearbookFile(const fs::path& lastFile, const tRecordStruct& fieldNames,
                                            const tRecordStruct& fieldValues, const CStr255_AC&) const {
  const fs::path log = lastFile.parent_path() / kYearbookLogName;
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = readFileBytes(log, bytes); error != noErr && error != fnfErr) return error;
  std::string lines;
  if (bytes.empty()) {
    lines = "File Name\t";
    appendFields(lines, fieldNames);
  }
  lines += diskNameToMacName(lastFile.filename().string());
  lines += '\t';
  appendFields(lines, fieldValues);
  bytes.insert(bytes.end(), lines.begin(), lines.end());
  // The whole log is written anew and renamed over the old one: a full disk leaves the earlier lines intact.
  if (const OSErr error = writeFileAtomically(log, bytes, true); error != noErr) return error;
  FInfo info;
  static_cast<void>(getFinderInfo(log, info));
  info.fdType = kTextType;
  info.fdCreator = kYearbookCreator;
  return setFinderInfo(log, info);
}

}  // namespace vorl
