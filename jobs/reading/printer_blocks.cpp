#include "jobs/reading/printer_blocks.h"

#include "foundation/services/messages.h"
#include "foundation/records/record_byte_order.h"
#include "jobs/engine/job_view.h"

namespace vorl {
namespace {

template <class Record>
bool readConverted(JobFileStream& stream, Record& record, void (*swap)(Record&, bool) noexcept) {
  if (!stream.readRecord(record)) return false;
  swap(record, true);
  return true;
}

}  // namespace

PrinterFamily printerFamilyOf(std::int16_t printerType) noexcept {
  switch (printerType) {
    case 1:
    case 2:
    case 3:
    case 10:
    case 18:
      return PrinterFamily::ColorAdjust;
    case 9:
    case 21:
    case 37:
    case 39:
    case 41:
    case 42:
      return PrinterFamily::ColorAdjustAndMedia;
    case 5:
    case 6:
    case 7:
      return PrinterFamily::Kodak;
    case 12:
    case 13:
    case 19:
    case 20:
      return PrinterFamily::Fuji;
    case 23:
      return PrinterFamily::MitsubishiWithMedia;
    case 24:
    case 29:
    case 33:
      return PrinterFamily::SecondBlocks;
    case 25:
    case 26:
    case 27:
    case 28:
    case 49:
    case 50:
    case 51:
    case 52:
      return PrinterFamily::PrintToFileSet;
    case 15:
    case 16:
    case 40:
      return PrinterFamily::Shinko;
    case 11:
    case 31:
    case 32:
    case 36:
    case 43:
    case 44:
    case 47:
    case 53:
    case 56:
    case 57:
      return PrinterFamily::Mitsubishi;
    case 30:
      return PrinterFamily::Noritsu;
    case 38:
      return PrinterFamily::OlmecOP800;
    case 45:
    case 46:
    case 48:
    case 54:
    case 55:
      return PrinterFamily::DNP;
    case 8:
    case 17:
    case 34:
      return PrinterFamily::NoBlock;
    default:
      return PrinterFamily::Unknown;
  }
}

std::size_t printerBlockSize(std::int16_t printerType) noexcept {
  constexpr std::size_t media = sizeof(tMediaTypePref);
  switch (printerFamilyOf(printerType)) {
    case PrinterFamily::ColorAdjust:
      return sizeof(myUpdColorAdjustInfo2);
    case PrinterFamily::ColorAdjustAndMedia:
    case PrinterFamily::SecondBlocks:
      return sizeof(myUpdColorAdjustInfo2) + media;
    case PrinterFamily::Kodak:
      return sizeof(KodakSettings) + sizeof(myUpdColorAdjustInfo2);
    case PrinterFamily::Fuji:
      return sizeof(myFujiColorAdjustInfo);
    case PrinterFamily::MitsubishiWithMedia:
      return sizeof(tMitsubishiSettings) + sizeof(tMitsubishiMediaPref);
    case PrinterFamily::PrintToFileSet:
      return sizeof(tPrint2FileItem);
    case PrinterFamily::Shinko:
      return sizeof(tShinkoPrinterSettings) + media;
    case PrinterFamily::Mitsubishi:
      return sizeof(tMitsubishiSettings) + media;
    case PrinterFamily::Noritsu:
      return sizeof(tNoritsuPrinterSettings) + media;
    case PrinterFamily::OlmecOP800:
      return sizeof(tOlmecOP800PrinterSettings) + media;
    case PrinterFamily::DNP:
      return sizeof(tDNPPrinterSettings) + media;
    case PrinterFamily::NoBlock:
    case PrinterFamily::Unknown:
      return 0;
  }
  return 0;
}

bool TBGPrintView::ReadColorCorrectionValue(JobFileStream& stream, std::int16_t printerType) {
  JobFileSettings& s = fSettings;
  switch (printerFamilyOf(printerType)) {
    case PrinterFamily::ColorAdjust:
      return readConverted(stream, s.colorAdjustOne, swapMyUpdColorAdjustInfo2);
    case PrinterFamily::ColorAdjustAndMedia:
      if (!readConverted(stream, s.colorAdjustOne, swapMyUpdColorAdjustInfo2) ||
          !readConverted(stream, s.mediaOne, swapMyMediaData))
        return false;
      // These printers take the switch from the colour-adjust block, whatever the job's own flag said.
      s.useColorSettings = static_cast<std::uint8_t>(s.colorAdjustOne.useThisSetting & 0xFF);
      return true;
    case PrinterFamily::Kodak:
      return readConverted(stream, s.kodakSettings, swapMyKodakSettings) &&
             readConverted(stream, s.colorAdjustTwo, swapMyUpdColorAdjustInfo2);
    case PrinterFamily::Fuji:
      return readConverted(stream, s.fujiColorAdjust, swapMyFujiColorAdjustInfo);
    case PrinterFamily::MitsubishiWithMedia:
      return readConverted(stream, s.mitsubishiSettings, swapMyMitsubishiSettings) &&
             readConverted(stream, s.mitsubishiMedia, swapMyMitsuMediaData);
    case PrinterFamily::SecondBlocks:
      return readConverted(stream, s.colorAdjustTwo, swapMyUpdColorAdjustInfo2) &&
             readConverted(stream, s.mediaTwo, swapMyMediaData);
    case PrinterFamily::PrintToFileSet:
      return readConverted(stream, s.print2FileItem, swapMyPrint2FileMediaData);
    case PrinterFamily::Shinko:
      return readConverted(stream, s.shinkoSettings, swapMyShinkoPrinterSettings) &&
             readConverted(stream, s.mediaOne, swapMyMediaData);
    case PrinterFamily::Mitsubishi:
      return readConverted(stream, s.mitsubishiSettings, swapMyMitsubishiSettings) &&
             readConverted(stream, s.mediaOne, swapMyMediaData);
    case PrinterFamily::Noritsu:
      return readConverted(stream, s.noritsuSettings, swapMyNoritsuPrinterSettings) &&
             readConverted(stream, s.mediaOne, swapMyMediaData);
    case PrinterFamily::OlmecOP800:
      return readConverted(stream, s.olmecSettings, swapMyOlmecOP800PrinterSettings) &&
             readConverted(stream, s.mediaOne, swapMyMediaData);
    case PrinterFamily::DNP:
      return readConverted(stream, s.dnpSettings, swapMyDNPPrinterSettings) &&
             readConverted(stream, s.mediaOne, swapMyMediaData);
    case PrinterFamily::NoBlock:
      return true;
    case PrinterFamily::Unknown:
      newDisplayNormalMessage("TBGPrintView::ReadColorCorrectionValue: Unknown Printer Type!");
      return true;
  }
  return true;
}

}  // namespace vorl
