// TBGPrintView's reading of a job file: the blocks in file order, the two object lists and the page setup.
//
// The whole file is read into memory and taken apart by a bounds-checked stream, so no read can pass its end.
// Every block is always present except the two record structs after the job's print-to-file record (when that
// record says so) and the sub-job part (when the job has one). Numbers are big-endian, the blur value and the
// archive lengths little-endian; records are read raw and converted by their own converters.
#include "jobs/engine/job_view.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "foundation/records/byte_order.h"
#include "foundation/records/record_byte_order.h"
#include "jobs/reading/job_archives.h"
#include "jobs/reading/job_globals.h"
#include "jobs/reading/record_checks.h"
#include "jobs/reading/upload_data.h"
#include "layout/attribute_objects.h"
#include "layout/node_object.h"
#include "layout/object_records.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// A stored record read raw, its strings checked, then converted.
template <class Record>
bool readCheckedRecord(JobFileStream& stream, Record& record, void (*swap)(Record&, bool) noexcept) {
  if (!stream.readRecord(record)) return false;
  if (!lengthBytesFit(record)) {
    systemLog("TBGPrintView::ReadObjects: a string in a record is longer than its field");
    return false;
  }
  swap(record, true);
  return true;
}

// The fixed 256-byte text fields: a length byte and 255 characters, which always fit a Str255.
bool readStr255Block(JobFileStream& stream, Str255& text) { return stream.read(text.raw(), sizeof text); }

// A list count: the 32-bit value must name at least one and at most 32767 records.
bool countInRange(std::uint32_t count, const char* what) {
  const auto signedCount = static_cast<std::int32_t>(count);
  if (signedCount <= 0) {
    systemLogf("Something BAD happened?? count of %s is [%i]", what, signedCount);
    return false;
  }
  if (signedCount > kMaxObjectsInList) {
    systemLogf("TBGPrintView::ReadObjects: count of %s [%i] is more than a list can hold", what, signedCount);
    return false;
  }
  return true;
}

// The name without its last extension: "portrait.final.jpg" becomes "portrait.final".
void cutLastExtension(Str255& name) {
  const std::string_view text = name.macRoman();
  const std::size_t dot = text.rfind('.');
  if (dot != std::string_view::npos) name.assign(text.substr(0, dot));
}

bool archiveLengthChecked(std::span<const std::uint8_t> buffer, const char* what) {
  if (archiveLengthFits(buffer)) return true;
  systemLogf("TBGPrintView::ReadObjects: the %s length [%d] is more than its buffer holds", what,
             archiveLengthOf(buffer));
  return false;
}

}  // namespace

std::int16_t TBGPrintView::ReadObjects(const FSSpec& file) {
  std::filesystem::path path;
  if (const OSErr error = FSpMakePath(file, path); error != noErr) {
    systemLogf("TBGPrintView::ReadObjects: the job file cannot be found (%d)", error);
    return kJobReadError;
  }
  return ReadObjects(path);
}

std::int16_t TBGPrintView::ReadObjects(const std::filesystem::path& file) {
  systemLog("Inside TBGPrintView::ReadObjects");
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = readFileBytes(file, bytes, kMaxJobFileSize); error != noErr) {
    systemLogf("TBGPrintView::ReadObjects: the job file cannot be read (%d)", error);
    return kJobReadError;
  }
  return ReadJobFile(bytes);
}

std::int16_t TBGPrintView::ReadJobFile(std::span<const std::uint8_t> bytes) {
  JobFileStream stream(bytes);
  std::uint16_t signature = 0;
  if (!stream.readBigEndian(signature)) return kJobReadError;
  if (signature != kJobFileSignature) return kJobBadSignature;

  if (!readHead(stream) || !readPageAndSettings(stream) || !readJobOptions(stream) || !readObjectLists(stream) ||
      !readUploadBlocks(stream) || !readPageSetup(stream)) {
    systemLogf("TBGPrintView::ReadObjects: read error at byte %zu of %zu", stream.position(), bytes.size());
    return kJobReadError;
  }
  if (stream.remaining() > 0)
    systemLogf("TBGPrintView::ReadObjects: %zu bytes after the page setup are ignored", stream.remaining());
  const std::int16_t result = ValidatePrintJob();
  if (result == kJobReadOK) publishJobGlobals();
  return result;
}

// The process-wide values change only for a job that was read whole: a refused job must not leave its
// template name, profile switch or blur radius behind for the next one.
void TBGPrintView::publishJobGlobals() {
  const JobFileSettings& s = fSettings;
  gCurrentTemplateName = s.templateName;
  gApplyEmbedded = s.colorSyncPrefs.applyEmbeddedProfiles != 0;
  myBlurValue = s.blurValue;
  loadJobMemoryBudget();
  gCocoaPrintInfo = fPageSetup;
  setEmailEntryBuffer(s.emailEntryBuffer);
  setCustomerEmail(s.customerEmail);
  setGroupCode(s.groupCode);
}

// Blocks 2 to 8: printer type, canvas, media match, colour-settings switch, printer block, quantity, template.
bool TBGPrintView::readHead(JobFileStream& stream) {
  JobFileSettings& s = fSettings;
  if (!stream.readBigEndian(s.printerType) || !stream.readBigEndian(s.canvasNumber) ||
      !stream.readBigEndian(s.mediaMatch) || !stream.readBigEndian(s.useColorSettings))
    return false;
  if (!ReadColorCorrectionValue(stream, s.printerType)) return false;
  if (!stream.readBigEndian(s.printQuantity) || !stream.readPascalString(s.templateName)) return false;
  return true;
}

// Blocks 9 to 18: page geometry, flags, colour matching, package name, print-to-file record, job information.
bool TBGPrintView::readPageAndSettings(JobFileStream& stream) {
  JobFileSettings& s = fSettings;
  // The application framework's view size: nothing here has a framework view to size.
  std::uint32_t viewSize[2] = {};
  if (!stream.readBigEndian(viewSize[0]) || !stream.readBigEndian(viewSize[1])) return false;
  if (!stream.readBigEndian(s.pageWidth) || !stream.readBigEndian(s.pageHeight) ||
      !stream.readBigEndian(s.resolution) || !stream.readBigEndian(s.mirror) || !stream.readBigEndian(s.color) ||
      !stream.skip(4))
    return false;
  if (!readCheckedRecord(stream, s.colorSyncPrefs, swapFromHost_MyColorSyncPrefs)) return false;

  Str31 packageName;
  if (!stream.readPascalString(packageName)) return false;
  s.packageName.assign(packageName.text());
  if (!readPrintToFileRecord(stream)) return false;
  if (s.printToFileRecord.hasRecordBlocks != 0 &&
      (!stream.readRecord(s.fieldNames) || !stream.readRecord(s.fieldValues)))
    return false;

  if (!readCheckedRecord(stream, fJobInfo, swapMyJobInfo)) return false;
  if (fBehaviour) fBehaviour->SetJobInfo(fJobInfo);
  return true;
}

bool TBGPrintView::readPrintToFileRecord(JobFileStream& stream) {
  return readCheckedRecord(stream, fSettings.printToFileRecord, swapMySpecialPrintToFilePref);
}

// Blocks 19 to 26: rotation and crop, tone, naming, quality, job name, old-time photo, video switches.
bool TBGPrintView::readJobOptions(JobFileStream& stream) {
  JobFileSettings& s = fSettings;
  if (!stream.readBigEndian(s.matchRotationForPrint) || !stream.readBigEndian(s.rotationForPrint) ||
      !stream.readBigEndian(s.cropWhere))
    return false;
  if (!stream.readBigEndian(s.printMode) || !stream.readBigEndian(s.cropMode) || !stream.readBigEndian(s.cropWidth) ||
      !stream.readBigEndian(s.cropHeight) || !stream.readBigEndian(s.finalCropWhere))
    return false;
  if (!stream.readBigEndian(s.toneMode) || !stream.readRecord(s.sepiaAdjust)) return false;
  swapMyImageColorAdjustInfo(s.sepiaAdjust, true);
  if (!stream.readBigEndian(s.fixedName) || !stream.readBigEndian(s.imageQuality)) return false;
  if (!stream.readPascalString(s.jobName)) return false;
  cutLastExtension(s.jobName);

  if (!stream.readRecord(s.oldTimePhoto)) return false;
  swapMyImageColorAdjustInfo(s.oldTimePhoto.tones, true);
  swapUInt16(s.oldTimePhoto.percent, true);
  if (!stream.readBigEndian(s.videoMerge) || !stream.readBigEndian(s.fEnableVideoCopy)) return false;

  if (fBehaviour) fBehaviour->SetPrinterAndTemplate(s.printerType, s.templateName, s.packageName);
  return true;
}

// Blocks 27 to 29: the sub-job, when there is one, and the page.
bool TBGPrintView::readObjectLists(JobFileStream& stream) {
  JobFileSettings& s = fSettings;
  if (!stream.readBigEndian(s.hasSubJob)) return false;
  if (s.hasSubJob != 0) {
    std::uint8_t unusedByte = 0;
    std::uint16_t unusedWord = 0;
    std::uint32_t count = 0;
    if (!stream.readBigEndian(s.subJobWidth) || !stream.readBigEndian(s.subJobHeight) ||
        !stream.readBigEndian(unusedByte) || !stream.readBigEndian(unusedWord) ||
        !stream.readBigEndian(s.subjobResizeMode) || !stream.readBigEndian(count))
      return false;
    if (!countInRange(count, "subJob")) return false;
    if (!DoNewReadObjects(stream, static_cast<std::int16_t>(count), true)) return false;
  }
  std::uint32_t count = 0;
  if (!stream.readBigEndian(count) || !countInRange(count, "main job")) return false;
  return DoNewReadObjects(stream, static_cast<std::int16_t>(count), false);
}

bool TBGPrintView::DoNewReadObjects(JobFileStream& stream, std::int16_t count, bool subJob) {
  systemLogf("TBGPrintView::DoNewReadObjects => There are [%i] objects and [isCKSubJob = %i]...", count, subJob);
  for (int index = 1; index <= count; ++index) {
    std::unique_ptr<TLayoutObject> object;
    if (!readObjectRecord(stream, subJob ? ObjectListKind::SubJob : ObjectListKind::Page, object)) return false;
    if (!object) continue;
    if (object->type() == kAttributeObjectType) {
      // A later attribute record overwrites an earlier one.
      const auto& attribute = static_cast<const TAttributeObject&>(*object);
      fSettings.subjobResizeMode = attribute.subjobResizeMode();
      fSettings.saveTemplateAsIs = attribute.saveTemplateAsIs();
      fSettings.ignoreOverlays = attribute.ignoreOverlays();
      fSettings.saveOriginal = attribute.saveOriginal();
    }
    if (subJob)
      AddNewObject(std::move(object));
    else
      AddObject(std::move(object));
  }
  return true;
}

// Blocks 30 to 41: original path, the print-to-file record again, the archive buffers, the customer texts, the
// blur radius and the video path.
bool TBGPrintView::readUploadBlocks(JobFileStream& stream) {
  JobFileSettings& s = fSettings;
  if (!stream.readRecord(s.originalPath)) return false;
  // The second copy replaces the first; the record structs were already decided by the first.
  if (!readPrintToFileRecord(stream)) return false;
  if (!stream.readRecord(s.uploadData) || !stream.readRecord(s.fCurrentDictionaryBuffer) ||
      !stream.readRecord(s.emailEntryBuffer))
    return false;
  if (!archiveLengthChecked(s.uploadData, "upload data") ||
      !archiveLengthChecked(s.fCurrentDictionaryBuffer, "job dictionary") ||
      !archiveLengthChecked(s.emailEntryBuffer, "e-mail entry"))
    return false;

  if (!stream.readBigEndian(s.retailCustomerMetadata)) return false;
  if (!readStr255Block(stream, s.customerEmail)) return false;
  if (!readStr255Block(stream, s.extraNameText) || !readStr255Block(stream, s.groupCode)) return false;

  std::uint16_t unused = 0;
  if (!stream.readBigEndian(unused) || !stream.readLittleEndian(s.blurValue)) return false;
  return stream.readRecord(s.videoPath);
}

// Block 42: the page setup for the system print dialog, a keyed archive of K bytes.
bool TBGPrintView::readPageSetup(JobFileStream& stream) {
  std::uint16_t length = 0;
  if (!stream.readBigEndian(length)) return false;
  fPageSetup.reset();
  if (length == 0) return true;
  systemLogf("attempting to read %d bytes", length);
  std::span<const std::uint8_t> archive;
  if (!stream.take(length, archive)) return false;
  // An archive that does not decode leaves the job without a page setup; the print then takes the other road.
  fPageSetup = decodeKeyedArchive(archive);
  if (fPageSetup) systemLog("succesfully unarchived gCocoaPrintInfo");
  return true;
}

}  // namespace vorl
