// The hand-off pair of the new print-centre mode: "<base>.jpeg", the page as drawn, and "<base>.plist", the
// header's values, in the folder beside the print-centre folder.
//
// The print centre takes a pair by its property list, so the JPEG is written first and the property list last:
// a property list never names a picture that is not complete. Both are written whole under a hidden name and
// renamed, never over an existing file; a pair from the same second gets a numbered base name instead of
// replacing the other. When either file fails, nothing under a final name is left and the job is told.
#include "jobs/delivery/print_hand_off.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "imaging/codecs/jpeg_file.h"
#include "jobs/delivery/print_centre_folder.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/plists/archived_value_plist.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::int16_t kFolderPathFailed = -1;
constexpr int kJpegDotsPerInch = 72;
constexpr int kJpegQuality = 100;
constexpr int kMaxNumberedBaseNames = 9999;

PlistValue integer(std::int64_t value) { return PlistValue(value); }
PlistValue real(float value) { return PlistValue(static_cast<double>(value)); }

// The first word of a value record, where each colour setting keeps its number.
std::int64_t valueOf(const myValueRec& record) { return record.words[0].value(); }

PlistDictionary colorAdjustBlock(const myUpdColorAdjustInfo2& block) {
  const auto& v = block.values;
  return {{"version", integer(block.version)},
          {"useThisSetting", integer(block.useThisSetting)},
          {"red", integer(valueOf(v[kAdjustRed]))},
          {"green", integer(valueOf(v[kAdjustGreen]))},
          {"blue", integer(valueOf(v[kAdjustBlue]))},
          {"dark", integer(valueOf(v[kAdjustDark]))},
          {"light", integer(valueOf(v[kAdjustLight]))},
          {"sharpness", integer(valueOf(v[kAdjustSharpness]))},
          {"gamma", integer(valueOf(v[kAdjustGamma]))},
          {"lamination", integer(valueOf(v[kAdjustLamination]))},
          {"printQty", integer(valueOf(v[kAdjustPrintQuantity]))},
          {"useLaminationType", integer(block.useLaminationType)}};
}

// The colour values of a `myUpdColorAdjustInfo`, under "colorAdjust<Name>" keys, and its print quantity.
void addColorAdjustValues(PlistDictionary& dictionary, const myUpdColorAdjustInfo& adjust) {
  const auto& v = adjust.values;
  dictionary.insert({{"colorAdjustRed", integer(valueOf(v[kAdjustRed]))},
                     {"colorAdjustGreen", integer(valueOf(v[kAdjustGreen]))},
                     {"colorAdjustBlue", integer(valueOf(v[kAdjustBlue]))},
                     {"colorAdjustDark", integer(valueOf(v[kAdjustDark]))},
                     {"colorAdjustLight", integer(valueOf(v[kAdjustLight]))},
                     {"colorAdjustSharpness", integer(valueOf(v[kAdjustSharpness]))},
                     {"colorAdjustGamma", integer(valueOf(v[kAdjustGamma]))},
                     {"colorAdjustLamination", integer(valueOf(v[kAdjustLamination]))},
                     {"printQty", integer(valueOf(v[kAdjustPrintQuantity]))}});
}

PlistDictionary mitsubishiSettings(const tMitsubishiSettings& m) {
  PlistDictionary dictionary{{"numOfCopies", integer(m.numberOfCopies)},
                             {"density", integer(m.density)},
                             {"sharpness", integer(m.sharpness)},
                             {"coefficient", integer(m.coefficient)},
                             {"offset", integer(m.offset)},
                             {"printingMode", integer(m.printingMode)},
                             {"adjustCurve", integer(m.adjustCurve)},
                             {"lamination", integer(m.lamination)},
                             {"gamma", integer(m.gamma)},
                             {"contrast", integer(m.contrast)},
                             {"mirror", integer(m.mirror)},
                             {"colorConversion", integer(m.colorConversion)}};
  addColorAdjustValues(dictionary, m.colorAdjust);
  return dictionary;
}

PlistDictionary mediaSettings(const tMediaTypePref& media) {
  return {{"turnOn", integer(media.turnOn)},
          {"mediaType", integer(media.mediaType)},
          {"cutInHalf", integer(media.cutInHalf)},
          {"orientation", integer(media.orientation)},
          {"surfaceIndex", integer(media.surfaceIndex)},
          {"ribbonType", integer(media.ribbonType)},
          {"resizeMethod", integer(media.resizeMethod)},
          {"printMode", integer(media.printMode)}};
}

PlistDictionary shinkoSettings(const tShinkoPrinterSettings& shinko) {
  PlistDictionary dictionary{{"matteLevel", integer(shinko.matteLevel)}, {"printMode", integer(shinko.printMode)}};
  addColorAdjustValues(dictionary, shinko.colorAdjust);
  return dictionary;
}

PlistDictionary imageColorAdjust(const myCocoaImageColorAdjustInfo& adjust) {
  return {{"colorAdjustSaturation", real(adjust.saturation)},
          {"colorAdjustBrightness", real(adjust.brightness)},
          {"colorAdjustContrast", real(adjust.contrast)},
          {"colorAdjustRed", real(adjust.red)},
          {"colorAdjustGreen", real(adjust.green)},
          {"colorAdjustBlue", real(adjust.blue)},
          {"colorAdjustSharpness", real(adjust.sharpness)},
          {"colorAdjustGamma", real(adjust.gamma)},
          {"colorAdjustExposure", real(adjust.exposure)},
          {"colorAdjustHue", real(adjust.hue)}};
}

std::string numberedBaseName(const std::string& base, int number) {
  if (number == 0) return base;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%04d", number);
  return base + suffix;
}

fs::path withExtension(const fs::path& base, const char* extension) {
  fs::path path = base;
  path += extension;
  return path;
}

}  // namespace

PlistDictionary printInfoDictionary(const tPrintInfoStruct& header, const std::optional<ArchivedValue>& jobDictionary) {
  PlistDictionary dictionary{{"printer", integer(header.printer)},
                             {"width", integer(header.width)},
                             {"height", integer(header.height)},
                             {"resolution", integer(header.resolution)},
                             {"isMirror", integer(header.isMirror)},
                             {"isColor", integer(header.isColor)},
                             {"mediaTypeMustMatch", integer(header.mediaTypeMustMatch)},
                             {"useColorSettings", integer(header.useColorSettings)},
                             {"printQuantity", integer(header.printQuantity)},
                             {"useDualBuffer", integer(header.useDualBuffer)},
                             {"dataSize", integer(header.dataSize)},
                             {"dataType", integer(header.dataType)},
                             {"sonyPrintSettings", colorAdjustBlock(header.sonyPrintSettings)},
                             {"kodakPrintSettings", colorAdjustBlock(header.kodakPrintSettings)},
                             {"mitsubishiSettings", mitsubishiSettings(header.mitsubishiSettings)},
                             {"mediaSettings", mediaSettings(header.mediaSettings)},
                             {"shinkoSettings", shinkoSettings(header.shinkoSettings)},
                             {"colorAdjustSettings", imageColorAdjust(header.colorAdjustSettings)}};
  if (jobDictionary) {
    if (std::optional<PlistValue> converted = archivedValueToPlist(*jobDictionary)) {
      systemLog("saving webserver dictionary");
      dictionary.insert_or_assign("webServerDictionary", std::move(*converted));
    }
  }
  return dictionary;
}

OSErr writeDictionaryFile(const tPrintInfoStruct& header, const fs::path& basePath,
                          const std::optional<ArchivedValue>& jobDictionary) {
  const std::optional<std::string> xml = toXmlPropertyList(PlistValue(printInfoDictionary(header, jobDictionary)));
  if (!xml) {
    systemLog("writeDictionaryFile: the dictionary cannot be written as a property list");
    return paramErr;
  }
  const fs::path path = withExtension(basePath, ".plist");
  systemLogf("my file save path equals %s", path.c_str());
  return writeFileAtomically(path, *xml, false);
}

std::int16_t TSpoolerPrintView::WriteNewDictonaryFileAndJPEG(FSSpec& folder, tPrintInfoStruct& header) {
  const std::string macAddress = macAddressForNames();
  systemLogf("macaddress = %s", macAddress.c_str());
  const std::string baseName = printJobBaseName(macAddress, settings().templateName);

  folder = getMyProcessedJobsPrefs()->folder.spec;
  PrintCentreFolder printCentre;
  if (resolvePrintCentreFolder(folder, printCentre) != noErr) {
    systemLog("FSpMakeFSRef failed!!!!!!");
    return kFolderPathFailed;
  }
  const fs::path handOffFolder = printCentre.path.parent_path() / kHandOffFolderName;
  std::error_code ignored;
  fs::create_directories(handOffFolder, ignored);  // a folder that cannot be made shows in the writes below
  systemLogf("my destination Path = %s", handOffFolder.c_str());

  if (!keptPageCopy()) {
    systemLog("TSpoolerPrintView::WriteNewDictonaryFileAndJPEG: no page was kept for the hand-off");
    return paramErr;
  }
  codec::Bytes jpeg;
  EncodeOptions options;
  options.dpi = kJpegDotsPerInch;
  options.quality = kJpegQuality;
  const OSErr encoded = codec::encodeJpeg(*keptPageCopy(), options, jpeg, "the hand-off picture");
  SetKeptPageCopy(nullptr);
  if (encoded != noErr) return encoded;
  header.dataSize = static_cast<std::uint32_t>(jpeg.size());

  for (int number = 0; number <= kMaxNumberedBaseNames; ++number) {
    const std::string diskName = macNameToDiskName(numberedBaseName(baseName, number));
    if (!isUsableDiskName(diskName + ".plist")) return bdNamErr;
    const fs::path base = handOffFolder / diskName;
    const fs::path jpegPath = withExtension(base, ".jpeg");
    // Either half of an older pair keeps the whole base name taken.
    if (itemExists(jpegPath) || itemExists(withExtension(base, ".plist"))) continue;
    OSErr error = writeFileAtomically(jpegPath, jpeg, false);
    if (error == dupFNErr) continue;  // another writer took the name meanwhile
    if (error != noErr) {
      systemLogf("TSpoolerPrintView::WriteNewDictonaryFileAndJPEG: %s could not be written, error = %d",
                 jpegPath.c_str(), error);
      return error;
    }
    systemLogf("my file save path equals %s", jpegPath.c_str());
    error = writeDictionaryFile(header, base, keptJobDictionary());
    if (error == noErr) return noErr;
    static_cast<void>(deleteItem(jpegPath));  // a picture without its property list is no delivery
    if (error == dupFNErr) continue;
    systemLogf("TSpoolerPrintView::WriteNewDictonaryFileAndJPEG: the property list of %s could not be written, error = %d",
               base.c_str(), error);
    return error;
  }
  systemLogf("TSpoolerPrintView::WriteNewDictonaryFileAndJPEG: no free name for %s", baseName.c_str());
  return dupFNErr;
}

}  // namespace vorl
