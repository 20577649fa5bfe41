#include "foundation/records/record_byte_order.h"

#include "foundation/records/byte_order.h"

namespace vorl {
namespace {

void swapFSSpecNumbers(FSSpec& spec, bool doSwap) noexcept {
  swapUInt16(spec.vRefNum, doSwap);
  swapUInt32(spec.parID, doSwap);
}

template <class Field, std::size_t N>
void swapWords(std::array<Field, N>& words, bool doSwap) noexcept {
  for (Field& word : words) swapUInt16(word, doSwap);
}

}  // namespace

void swapMyFolderFSSpec(tFolderFSSpec& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapFSSpecNumbers(record.spec, doSwap);
  swapUInt16(record.aliasId, doSwap);
  swapUInt16(record.createWhenMissing, doSwap);
  swapUInt16(record.value106, doSwap);
}

void swapMySpecialPrintToFilePref(tSpecialPrintToFilePref& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapMyFolderFSSpec(record.folder, doSwap);
  swapUInt16(record.hasRecordBlocks, doSwap);
  swapUInt16(record.value396, doSwap);
  swapUInt16(record.orientation, doSwap);
  swapUInt16(record.rotationDirection, doSwap);
  swapUInt16(record.fileFormat, doSwap);
  swapUInt16(record.forceOrientation, doSwap);
  swapUInt16(record.namingScheme, doSwap);
  swapUInt16(record.databaseNameSwitch, doSwap);
  swapWords(record.databaseFieldSelectors, doSwap);
  swapUInt16(record.fileWriterOption, doSwap);
  // 684..694, the linked sets at 952..956 and the words at 958 stay as the producer stored them.
}

void swapMyJobInfo(tJobInfo& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapUInt16(record.flag, doSwap);
  swapFloat32(record.value66, doSwap);
  swapUInt16(record.value70, doSwap);
  swapUInt16(record.value72, doSwap);
  swapUInt16(record.value74, doSwap);
}

void swapFromHost_MyPrinterColorSyncPrefs(tPrinterColorSyncPrefs& record, bool doSwap) noexcept {
  swapFromHost_UInt16(record.matchingOn, doSwap);
  swapFromHost_UInt16(record.value2, doSwap);
  swapFromHost_UInt16(record.printerProfile.vRefNum, doSwap);
  swapFromHost_UInt32(record.printerProfile.parID, doSwap);
  swapFromHost_UInt16(record.embedSourceProfile, doSwap);
}

void swapFromHost_MyColorSyncPrefs(tColorSyncPrefs& record, bool doSwap) noexcept {
  swapFromHost_UInt16(record.useColorMatching, doSwap);
  for (FSSpec* profile : {&record.profile2, &record.profile72, &record.inputProfile}) {
    swapFromHost_UInt16(profile->vRefNum, doSwap);
    swapFromHost_UInt32(profile->parID, doSwap);
  }
  for (tPrinterColorSyncPrefs& printer : record.printers) swapFromHost_MyPrinterColorSyncPrefs(printer, doSwap);
  swapFromHost_UInt16(record.applyEmbeddedProfiles, doSwap);
  swapFromHost_UInt16(record.value46526, doSwap);
}

void swapMyImageColorAdjustInfo(myImageColorAdjustInfo& record, bool doSwap) noexcept {
  if (!doSwap) return;
  for (SInt16Field* value : {&record.red, &record.green, &record.blue, &record.dark, &record.light, &record.gamma})
    swapUInt16(*value, true);
}

void swapFromHost_ImageColorAdjustInfo(myImageColorAdjustInfo& record, bool doSwap) noexcept {
  for (SInt16Field* value : {&record.red, &record.green, &record.blue, &record.dark, &record.light, &record.gamma})
    swapFromHost_UInt16(*value, doSwap);
}

void swapMyValueRec(myValueRec& record, bool doSwap) noexcept {
  if (!doSwap || !isRunningOnIntelCPU()) return;
  for (SInt32Field& word : record.words) swapUInt32(word, true);
}

void swapMyUpdColorAdjustInfo(myUpdColorAdjustInfo& record, bool doSwap) noexcept {
  if (!doSwap || !isRunningOnIntelCPU()) return;
  for (myValueRec& value : record.values) swapMyValueRec(value, true);
  swapUInt16(record.useLaminationType, true);
}

void swapMyCocoaImageColorAdjustInfoSettings(myCocoaImageColorAdjustInfo& record, bool doSwap) noexcept {
  for (Float32Field* value : {&record.saturation, &record.brightness, &record.contrast, &record.red, &record.green,
                              &record.blue, &record.sharpness, &record.gamma, &record.exposure, &record.hue})
    swapFloat32(*value, doSwap);
}

void swapMyUpdColorAdjustInfo2(myUpdColorAdjustInfo2& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapUInt16(record.version, doSwap);
  swapUInt16(record.useThisSetting, doSwap);
  for (myValueRec& value : record.values) swapMyValueRec(value, doSwap);
  swapUInt16(record.useLaminationType, doSwap);
  swapMyCocoaImageColorAdjustInfoSettings(record.imageAdjust, doSwap);
}

void swapMyKodakSettings(KodakSettings& record, bool doSwap) noexcept {
  if (!doSwap) return;
  // The words at 18, 24 and 26 stay as read.
  for (SInt16Field* value : {&record.value0, &record.value2, &record.lamination, &record.value6, &record.value8,
                             &record.value10, &record.value12, &record.value14, &record.value16, &record.value20,
                             &record.value22, &record.value28, &record.value30})
    swapUInt16(*value, doSwap);
}

void swapMyPrint2FileMediaData(tPrint2FileItem& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapUInt16(record.setNumber, doSwap);
  swapUInt16(record.value2, doSwap);
  swapUInt16(record.value4, doSwap);
}

void swapMyMitsuMediaData(tMitsubishiMediaPref& record, bool doSwap) noexcept {
  if (!doSwap) return;
  for (SInt16Field* value : {&record.value0, &record.value2, &record.cutInHalf, &record.value6, &record.value8,
                             &record.value10, &record.value12, &record.value14, &record.value16, &record.value18})
    swapUInt16(*value, doSwap);
}

void swapMyMediaData(tMediaTypePref& record, bool doSwap) noexcept {
  if (!doSwap) return;
  for (SInt16Field* value : {&record.turnOn, &record.mediaType, &record.cutInHalf, &record.orientation,
                             &record.surfaceIndex, &record.ribbonType, &record.resizeMethod, &record.printMode})
    swapUInt16(*value, doSwap);
}

void swapMyFujiColorAdjustInfo(myFujiColorAdjustInfo& record, bool doSwap) noexcept {
  if (!doSwap) return;
  swapUInt16(record.value0, doSwap);
  swapUInt16(record.value2, doSwap);
  swapUInt16(record.value4, doSwap);
  for (myValueRec& value : record.values) swapMyValueRec(value, doSwap);
  swapUInt16(record.value150, doSwap);
  swapUInt16(record.value152, doSwap);
}

void swapMyMitsubishiSettings(tMitsubishiSettings& record, bool doSwap) noexcept {
  for (SInt16Field* value : {&record.numberOfCopies, &record.density, &record.sharpness, &record.coefficient,
                             &record.offset, &record.printingMode, &record.value12})
    swapUInt16(*value, doSwap);
  for (SInt32Field& value : record.values16) swapUInt32(value, doSwap);
  swapUInt16(record.adjustCurve, doSwap);
  swapUInt16(record.lamination, doSwap);
  swapUInt16(record.gamma, doSwap);
  swapMyUpdColorAdjustInfo(record.colorAdjust, doSwap);
  swapUInt16(record.contrast, doSwap);
  swapUInt16(record.mirror, doSwap);
  swapUInt16(record.colorConversion, doSwap);
}

void swapMyShinkoPrinterSettings(tShinkoPrinterSettings& record, bool doSwap) noexcept {
  swapUInt16(record.printMode, doSwap);
  swapMyUpdColorAdjustInfo(record.colorAdjust, doSwap);
}

void swapMyOlmecOP800PrinterSettings(tOlmecOP800PrinterSettings& record, bool doSwap) noexcept {
  swapMyUpdColorAdjustInfo(record.colorAdjust, doSwap);
}

void swapMyNoritsuPrinterSettings(tNoritsuPrinterSettings& record, bool doSwap) noexcept {
  swapMyUpdColorAdjustInfo(record.colorAdjust, doSwap);
}

void swapMyDNPPrinterSettings(tDNPPrinterSettings& record, bool doSwap) noexcept {
  swapUInt16(record.sharpness, doSwap);
  swapUInt16(record.printingMode, doSwap);
  swapMyCocoaImageColorAdjustInfoSettings(record.imageAdjust, doSwap);
  swapUInt16(record.lamination, doSwap);
}

}  // namespace vorl
