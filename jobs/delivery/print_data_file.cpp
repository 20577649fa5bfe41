// The print-data file: the header filled from the job, the page brought into the printer's geometry and colour,
// and the file written for the print centre.
//
// The print centre takes every file in its folder whose name does not begin with "Tempfile", so the file is
// written under a "Tempfile_" name, flushed, and only then renamed (never over another file) to its final name.
// Whatever goes wrong on the way, the temporary file is removed and the caller is told: a page must never be
// reported as delivered while it sits under a name the print centre ignores.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/records/byte_order.h"
#include "foundation/files/file_errors.h"
#include "foundation/services/messages.h"
#include "foundation/records/rect_orientation.h"
#include "foundation/files/unique_names.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_packing.h"
#include "jobs/delivery/print_centre_folder.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/core/handles.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::int16_t kRotateClockwise = 2;
constexpr std::int16_t kCropCentred = 2;
constexpr std::int16_t kJpegDotsPerInch = 72;
constexpr int kJpegQuality = 100;
constexpr std::size_t kShortenedNameLength = 25;
constexpr OSErr kOutOfMemory = -1;
constexpr OSType kPrintDataFileType = fourCharCode("RAW ");
constexpr OSType kPrintDataFileCreator = fourCharCode("8BIM");
constexpr const char* kTemporaryNamePrefix = "Tempfile_";
constexpr const char* kJpegTempFileName = "TempFile";

bool isOneOf(std::int16_t value, std::initializer_list<std::int16_t> values) noexcept {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool usesColorAdjustBlockTwo(std::int16_t printerType) noexcept { return isOneOf(printerType, {5, 6, 7, 24, 29, 33}); }
bool isDNPPrinter(std::int16_t printerType) noexcept { return isOneOf(printerType, {45, 46, 48, 54, 55}); }
bool isMirroredPrinter(std::int16_t printerType) noexcept { return printerType == 44 || isDNPPrinter(printerType); }

// A name field of the header: at most 127 characters, then zeros to the end. Longer names keep their start.
void copyName(std::array<unsigned char, kPrintInfoNameSize>& field, std::string_view macRoman) noexcept {
  field.fill(0);
  const std::size_t length = std::min(macRoman.size(), kPrintInfoNameSize - 1);
  std::copy_n(macRoman.begin(), length, field.begin());
}

[[nodiscard]] OSErr encodePageAsJpeg(const Offscreen& page, codec::Bytes& jpeg, std::string_view purpose) {
  EncodeOptions options;
  options.dpi = kJpegDotsPerInch;
  options.quality = kJpegQuality;
  return codec::encodeJpeg(page, options, jpeg, purpose);
}

// Printer type 15 also leaves the finished page as "TempFile" in the preferences folder. Not part of the
// delivery: a failure is only logged.
void writePreferencesTempJpeg(const Offscreen& page) {
  const fs::path file = vorlPreferencesFolder() / kJpegTempFileName;
  codec::Bytes jpeg;
  OSErr error = encodePageAsJpeg(page, jpeg, file.native());
  if (error == noErr) error = writeFileAtomically(file, jpeg, true);
  if (error != noErr) systemLogf("ProcessOffscreenAndWriteToFile: %s could not be written, error = %d", file.c_str(), error);
}

// The file under its temporary name, removed (with its sidecar) unless it was given its final name.
class PrintDataFile {
 public:
  PrintDataFile() = default;
  ~PrintDataFile() { discard(); }
  PrintDataFile(const PrintDataFile&) = delete;
  PrintDataFile& operator=(const PrintDataFile&) = delete;

  // Creates "Tempfile_<address>_0001" (or the next free number) in the folder.
  [[nodiscard]] OSErr create(const PrintCentreFolder& folder, const std::string& macAddress) {
    const Str255 base(kTemporaryNamePrefix + macAddress);
    for (int attempt = 0; attempt < 10; ++attempt) {
      FSSpec spec{};
      spec.vRefNum = folder.vRefNum;
      spec.parID = folder.dirID;
      std::int32_t number = 1;
      if (const OSErr error = getUniqueName(base, number, Str255(), false, &spec); error != noErr) return error;
      const fs::path candidate = folder.path / macNameToDiskName(spec.name.macRoman());
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        path_ = candidate;
        return noErr;
      }
      if (errno != EEXIST) return osErrFromErrno(errno);  // else another writer took the name meanwhile
    }
    return dupFNErr;
  }

  [[nodiscard]] OSErr write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) return osErrFromErrno(errno);
      if (written == 0) return ioErr;
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return noErr;
  }

  // Flushes and closes the data, then gives the file the print centre's type and creator.
  [[nodiscard]] OSErr finish() {
    if (::fsync(fd_) != 0) return osErrFromErrno(errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return osErrFromErrno(errno);
    FInfo info;
    info.fdType = kPrintDataFileType;
    info.fdCreator = kPrintDataFileCreator;
    return setFinderInfo(path_, info);
  }

  // Renames the file in its folder, never over another item; dupFNErr when the name is taken.
  [[nodiscard]] OSErr rename(std::string_view macName) {
    const std::string diskName = macNameToDiskName(macName);
    if (!isUsableDiskName(diskName)) return bdNamErr;
    const fs::path target = path_.parent_path() / diskName;
    if (const OSErr error = renameItem(path_, target, false); error != noErr) return error;
    path_.clear();
    static_cast<void>(syncFolder(target.parent_path()));  // the file is complete; only the name's durability is at stake
    return noErr;
  }

  void discard() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!path_.empty()) static_cast<void>(deleteItem(path_));
    path_.clear();
  }

  const fs::path& path() const noexcept { return path_; }

 private:
  int fd_ = -1;
  fs::path path_;
};

// The picture in the data type's layout, one buffer at a time, as the print centre reads it after the header.
[[nodiscard]] OSErr writePicture(PrintDataFile& file, Offscreen* page, std::uint32_t dataType) {
  std::vector<std::int16_t> channels;
  std::int64_t size = 0;
  if (dataType == kDataTypeRGBPlanes) {
    channels = {1, 2, 3};
    size = planeSize(page);
  } else if (dataType == kDataTypeBGRPlanes) {
    channels = {3, 2, 1};
    size = planeSize(page);
  } else {
    size = packedRGBSize(page);
  }
  Handle buffer = NewHandle(size);
  if (!buffer) {
    DisplayNormalMessage("Out of Memory!");
    displayFileResultCode(kOutOfMemory);
    return kOutOfMemory;
  }
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(*buffer),
                                            static_cast<std::size_t>(size));
  OSErr error = noErr;
  if (channels.empty()) {
    error = convertGWorldToDotSeqHandle(page, buffer) ? file.write(bytes) : paramErr;
  } else {
    for (const std::int16_t channel : channels) {
      error = getOneChannelFromGWorldToOneHandle(channel, page, buffer, false) ? file.write(bytes) : paramErr;
      if (error != noErr) break;
    }
  }
  DisposeHandle(buffer);
  return error;
}

// The length word, the header in the file's byte order and the marker byte.
std::vector<std::uint8_t> headerBytes(const tPrintInfoStruct& header) {
  tPrintInfoStruct converted = header;
  swapPrintInfo(converted);
  std::vector<std::uint8_t> bytes(4 + sizeof converted + 1);
  UInt32Field length = static_cast<std::uint32_t>(sizeof converted);
  swapUInt32(length, true);
  std::copy_n(length.bytes().begin(), 4, bytes.begin());
  std::memcpy(bytes.data() + 4, &converted, sizeof converted);
  bytes.back() = kPrintDataMarker;
  return bytes;
}

}  // namespace

void TSpoolerPrintView::FillPrintInfo(tPrintInfoStruct& header) {
  const JobFileSettings& s = settings();
  const std::int16_t type = s.printerType;
  header = tPrintInfoStruct{};
  header.magic = kPrintInfoMagic;
  header.printer = type;
  header.resolution = s.resolution;
  header.isMirror = s.mirror;
  header.isColor = s.color;
  header.mediaTypeMustMatch = s.mediaMatch;
  header.useColorSettings = s.useColorSettings;
  header.printQuantity = s.printQuantity;
  header.useDualBuffer = getMyPrintServerPrefs()->dualBuffer;
  header.sonyPrintSettings = s.colorAdjustOne;
  if (usesColorAdjustBlockTwo(type)) header.kodakPrintSettings = s.colorAdjustTwo;

  header.kodakSettings = s.kodakSettings;
  if (isOneOf(type, {5, 6, 7}))  // the Kodak printers laminate as block two says
    header.kodakSettings.lamination =
        static_cast<std::int16_t>(s.colorAdjustTwo.values[kAdjustLamination].words[0].value() & 0xFFFF);
  header.fujiColorAdjust = s.fujiColorAdjust;

  header.mediaSettings = s.mediaOne;
  if (type == 23) header.mediaSettings.cutInHalf = s.mitsubishiMedia.cutInHalf;
  if (isOneOf(type, {24, 29, 33})) header.mediaSettings.mediaType = s.mediaTwo.mediaType;
  if (type == 33) {
    header.mediaSettings.ribbonType = s.mediaTwo.ribbonType;
    header.mediaSettings.cutInHalf = s.mediaTwo.cutInHalf;
  }
  header.mitsubishiSettings = s.mitsubishiSettings;
  header.shinkoSettings = s.shinkoSettings;

  copyName(header.templateName, s.templateName.macRoman());
  copyName(header.currentImageName, currentImageName().macRoman());
  copyName(header.packageName, s.packageName.macRoman());
}

bool TSpoolerPrintView::WriteStructureAndOffscreenToFile(tPrintInfoStruct& header) {
  header.dataType = printDataTypeFor(header.printer);
  return ProcessOffscreenAndWriteToFile(header);
}

bool TSpoolerPrintView::ProcessOffscreenAndWriteToFile(tPrintInfoStruct& header) {
  if (!pageOffscreen()) {
    systemLog("TSpoolerPrintView::ProcessOffscreenAndWriteToFile: there is no page to write");
    return false;
  }
  const std::int16_t type = header.printer;
  if (getMyProcessedJobsPrefs()->newHandOverFormat != 0) {
    // The hand-off's picture is the page as drawn, before it is turned, cropped and corrected.
    OffscreenPtr copy{myDuplicateGWorld(pageOffscreen())};
    if (!copy) {
      systemLog("TSpoolerPrintView::ProcessOffscreenAndWriteToFile: the page could not be kept for the hand-off");
      return false;
    }
    SetKeptPageCopy(std::move(copy));
  }

  const Rect outputRect = GetOutputRect(header);
  OffscreenPtr page = TakePageOffscreen();
  if (isLandscape(page->portRect()) != isLandscape(outputRect)) {
    // Disposes of the page when turned; when the turn fails the page comes back as it was.
    page.reset(rotateGWorld90Degrees(kRotateClockwise, page.release()));
    if (!page) return false;
  }
  if (!EqualRect(page->portRect(), outputRect)) {
    if (OffscreenPtr cropped = CropGWorldToNewSize(page, outputRect, kCropCentred)) page = std::move(cropped);
  }
  SetPageOffscreen(std::move(page));
  ApplyColorSettings(type);

  if (type == 15) writePreferencesTempJpeg(*pageOffscreen());
  if (type == 56 || type == 57) header.colorAdjustSettings = settings().mitsubishiSettings.imageAdjust;

  if (isMirroredPrinter(type)) {
    static_cast<void>(doMirrorTheImageInGWorld(pageOffscreen()));  // a page is there: cannot fail
    const tDNPPrinterSettings& dnp = settings().dnpSettings;
    if (isDNPPrinter(type)) {
      header.colorAdjustSettings = dnp.imageAdjust;
      header.mitsubishiSettings.printingMode = dnp.printingMode;
      header.mitsubishiSettings.sharpness = dnp.sharpness;
      header.mitsubishiSettings.lamination = dnp.lamination;
      systemLogf("fMitsu sharpness = %d  fDNP sharpness = %d", header.mitsubishiSettings.sharpness.value(),
                 dnp.sharpness.value());
    }
    // The header's Mitsubishi settings are the job's with the DNP values taken over.
    if (header.mitsubishiSettings.printingMode == 2 || dnp.printingMode == 2) {
      // Printed at double height: the page is stretched to twice the output rectangle's height.
      const int tallBottom = 2 * outputRect.bottom;
      OffscreenPtr tall;
      if (tallBottom <= kMaxOffscreenSide) {
        const Rect tallRect = makeRect(outputRect.top, outputRect.left, tallBottom, outputRect.right);
        tall.reset(myNewGWorld(&tallRect));
        if (tall) {
          Offscreen* current = pageOffscreen();
          DrawResizedGWorld(tall.get(), current, current->portRect(), tallRect);
          SetPageOffscreen(std::move(tall));
        }
      } else {
        systemLogf("ProcessOffscreenAndWriteToFile: a page %d pixels high cannot be doubled", outputRect.bottom.value());
      }
    }
  }

  if (type == 9 || type == 42) {
    header.colorAdjustSettings = header.sonyPrintSettings.imageAdjust;
    myUpdColorAdjustInfo2& block = header.sonyPrintSettings;
    block.useThisSetting = 1;
    for (const ColorAdjustValue value : {kAdjustRed, kAdjustGreen, kAdjustBlue, kAdjustDark, kAdjustLight, kAdjustGamma})
      block.values[value].words[0] = 0;
    block.values[kAdjustSharpness].words[0] = 3;
  }

  return WriteDataToFile(header) == noErr;
}

std::int16_t TSpoolerPrintView::WriteDataToFile(tPrintInfoStruct& header) {
  systemLogf("my data type = %u", header.dataType.value());
  Offscreen* page = pageOffscreen();
  if (!page) {
    systemLog("TSpoolerPrintView::WriteDataToFile: there is no page to write");
    return paramErr;
  }
  header.magic = kPrintInfoMagic;
  header.width = static_cast<std::int16_t>(page->width());
  header.height = static_cast<std::int16_t>(page->height());
  const std::string macAddress = macAddressForNames();
  systemLogf("macaddress = %s", macAddress.c_str());

  if (getMyProcessedJobsPrefs()->newHandOverFormat != 0) {
    FSSpec folder = getMyProcessedJobsPrefs()->folder.spec;
    return WriteNewDictonaryFileAndJPEG(folder, header);
  }

  PrintCentreFolder folder;
  if (const OSErr error = resolvePrintCentreFolder(getMyProcessedJobsPrefs()->folder.spec, folder); error != noErr) {
    systemLogf("TSpoolerPrintView::WriteDataToFile: the print-centre folder cannot be found, error = %d", error);
    return error;
  }
  PrintDataFile file;
  if (const OSErr error = file.create(folder, macAddress); error != noErr) {
    systemLogf("TSpoolerPrintView::WriteDataToFile: cannot create the file in %s, error = %d", folder.path.c_str(),
               error);
    return error;
  }

  codec::Bytes jpeg;
  if (header.dataType == kDataTypeJPEG) {
    if (const OSErr error = encodePageAsJpeg(*page, jpeg, file.path().native()); error != noErr) {
      DisplayNormalMessage("An error occured while saving JPEG data!");
      return error;
    }
    header.dataSize = static_cast<std::uint32_t>(jpeg.size());
  } else {
    header.dataSize = static_cast<std::uint32_t>(packedRGBSize(page));
  }

  OSErr error = file.write(headerBytes(header));
  if (error == noErr) error = header.dataType == kDataTypeJPEG ? file.write(jpeg) : writePicture(file, page, header.dataType);
  if (error == noErr) error = file.finish();
  if (error != noErr) {
    systemLogf("TSpoolerPrintView::WriteDataToFile: writing %s failed, error = %d", file.path().c_str(), error);
    return error;
  }

  const std::string finalName = printJobBaseName(macAddress, settings().templateName);
  std::string deliveredName = finalName;
  // From the rename on the print centre can see the page: the log marks the moment just before it.
  systemLogf("Delivering the print-data file \"%s\"", macNameToDiskName(finalName).c_str());
  error = file.rename(finalName);
  if (error != noErr) {
    systemLogf("1st time: Cannot rename printjob file, error = %d", error);
    FSSpec spec{};
    spec.vRefNum = folder.vRefNum;
    spec.parID = folder.dirID;
    std::int32_t number = 1;
    const Str255 shortened(std::string_view(finalName).substr(0, kShortenedNameLength));
    error = getUniqueName(shortened, number, Str255(), false, &spec);
    if (error == noErr) {
      deliveredName = std::string(spec.name.macRoman());
      systemLogf("Delivering the print-data file \"%s\"", macNameToDiskName(deliveredName).c_str());
      error = file.rename(spec.name.macRoman());
    }
    if (error != noErr) {
      systemLogf("2nd time: Cannot rename printjob file, error = %d", error);
      return error;
    }
  }
  systemLogf("Delivered the print-data file \"%s\"", macNameToDiskName(deliveredName).c_str());
  return noErr;
}

}  // namespace vorl
