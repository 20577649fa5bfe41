// foundation/records/: the stored records of job and settings files (job information, printer settings, colour
// choices, print-to-file destinations, folder references) and their byte order: the converters (this unit) and the
// primitives under them.
//
// Byte-order converters of the stored records: one per record, each reversing exactly the fields listed for it
// and nothing else. Strings, reserved bytes and every field a converter does not list stay in the order they
// were read in; the studio programs that write job files share these lists, so a field left out here is stored
// in their host order (little-endian), not big-endian.
//
// Reading: take the raw bytes, convert with true, keep the result. Writing: convert a copy, never the live
// record. Two conversions with true are the identity.
#pragma once

#include "foundation/records/color_sync_records.h"
#include "foundation/records/folder_records.h"
#include "foundation/records/job_records.h"
#include "foundation/records/print_to_file_record.h"
#include "foundation/records/printer_settings_records.h"

namespace vorl {

void swapMyFolderFSSpec(tFolderFSSpec& record, bool doSwap) noexcept;
void swapMySpecialPrintToFilePref(tSpecialPrintToFilePref& record, bool doSwap) noexcept;
void swapMyJobInfo(tJobInfo& record, bool doSwap) noexcept;
void swapFromHost_MyColorSyncPrefs(tColorSyncPrefs& record, bool doSwap) noexcept;
void swapFromHost_MyPrinterColorSyncPrefs(tPrinterColorSyncPrefs& record, bool doSwap) noexcept;
void swapMyImageColorAdjustInfo(myImageColorAdjustInfo& record, bool doSwap) noexcept;
void swapFromHost_ImageColorAdjustInfo(myImageColorAdjustInfo& record, bool doSwap) noexcept;
void swapMyValueRec(myValueRec& record, bool doSwap) noexcept;
void swapMyUpdColorAdjustInfo(myUpdColorAdjustInfo& record, bool doSwap) noexcept;
void swapMyUpdColorAdjustInfo2(myUpdColorAdjustInfo2& record, bool doSwap) noexcept;
void swapMyCocoaImageColorAdjustInfoSettings(myCocoaImageColorAdjustInfo& record, bool doSwap) noexcept;
void swapMyKodakSettings(KodakSettings& record, bool doSwap) noexcept;
void swapMyPrint2FileMediaData(tPrint2FileItem& record, bool doSwap) noexcept;
void swapMyMitsuMediaData(tMitsubishiMediaPref& record, bool doSwap) noexcept;
void swapMyMediaData(tMediaTypePref& record, bool doSwap) noexcept;
void swapMyFujiColorAdjustInfo(myFujiColorAdjustInfo& record, bool doSwap) noexcept;
// Leaves the ten colour floats at 186 as read.
void swapMyMitsubishiSettings(tMitsubishiSettings& record, bool doSwap) noexcept;
// Converts the colour adjustment and the print mode; the matte level at 124 stays as read.
void swapMyShinkoPrinterSettings(tShinkoPrinterSettings& record, bool doSwap) noexcept;
void swapMyOlmecOP800PrinterSettings(tOlmecOP800PrinterSettings& record, bool doSwap) noexcept;
void swapMyNoritsuPrinterSettings(tNoritsuPrinterSettings& record, bool doSwap) noexcept;
void swapMyDNPPrinterSettings(tDNPPrinterSettings& record, bool doSwap) noexcept;

}  // namespace vorl
