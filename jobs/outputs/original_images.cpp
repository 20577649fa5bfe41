// Saving a job's original photographs instead of printing them: the photo file is copied, unchanged, into the
// output folder of the job's print-to-file set, beside where the set's page outputs would go and under the same
// names; a JPEG-for-web set gets an upright copy instead. Also the current image name that output names start
// from.
#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "foundation/files/file_naming.h"
#include "foundation/services/messages.h"
#include "foundation/text/pascal_strings.h"
#include "foundation/files/unique_names.h"
#include "imaging/image_files/image_file.h"
#include "jobs/reading/job_archives.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/output_file_utilities.h"
#include "jobs/outputs/set_output_folder.h"
#include "jobs/reading/upload_data.h"
#include "jobs/outputs/upload_metadata.h"
#include "jobs/outputs/upright_jpeg.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNoFile = "No File";
constexpr std::int16_t kRetailSaveType = 3;
constexpr std::int16_t kWebJpegSaveType = 10;
constexpr std::int16_t kNumberedNaming = 1;
constexpr std::int16_t kNumberWidth = 4;
constexpr std::int16_t kNamedFolderFound = 0;
constexpr std::int16_t kSetFolderMissing = 106;

std::string textOf(const char* format, auto... values) {
  std::array<char, 1024> text{};
  std::snprintf(text.data(), text.size(), format, values...);
  return text.data();
}

void tellOperator(const std::string& text) { DisplayNormalMessage(text.c_str()); }

// The sets whose names repeat by design (named after the photo or the order) replace the file of that name.
bool overwritesByName(const tSpecialPrintToFilePref& set) {
  const std::int16_t mode = set.namingScheme;
  return set.overwriteExisting != 0 && (mode == 3 || mode == 4 || mode == 6 || mode == 7);
}

// The job's own set; a set number outside 1..8 names none.
tSpecialPrintToFilePref* jobSet(const TBGPrintView& view) {
  return getMyPrintToFileSetPrefs(view.settings().print2FileItem.setNumber);
}

// Where a saved original goes: the set's output folder and the file's path in it.
struct OriginalTarget {
  SetOutputFolder folder;
  fs::path destination;
  bool overwrite = false;
};

// The output folder (made as the page outputs make it) and the name: a four-digit number after the base name
// for the numbered naming mode, else the base name; then the set's extension. False after telling the operator.
bool findTarget(const TBGPrintView& view, tSpecialPrintToFilePref& set, const std::string& photo,
                OriginalTarget& target) {
  const CStr255_AC baseName = view.GetNewBaseNameForPrintToFile(set);
  const std::int16_t folderResult = GetSetOutputFolder(view, set, baseName, target.folder);
  if (folderResult == kSetFolderMissing) {
    tellOperator(textOf("The original image \"%s\" was not saved: the folder of print-to-file set %d cannot be found.",
                        photo.c_str(), view.settings().print2FileItem.setNumber.value()));
    return false;
  }
  if (folderResult != kNamedFolderFound) return false;  // the operator was told which sub-folder failed

  const CStr255_AC extension(set.fileNameExtension.macRoman());
  CStr255_AC name;
  if (set.namingScheme == kNumberedNaming) {
    FSSpec numbered{};
    numbered.vRefNum = target.folder.vRefNum;
    numbered.parID = target.folder.dirID;
    std::int32_t counter = 1;
    if (getUniqueNameForPrintToFile(baseName, counter, extension, kNumberWidth, &numbered) != noErr) {
      tellOperator(textOf("The original image \"%s\" was not saved: no free numbered name is left in %s.",
                          photo.c_str(), target.folder.path.c_str()));
      return false;
    }
    name = CStr255_AC(numbered.name.macRoman());
  } else {
    name = CStr255_AC(std::string(baseName.macRoman()) + std::string(extension.macRoman()));
  }
  const std::string diskName = macNameToDiskName(name.macRoman());
  if (!isUsableDiskName(diskName)) {
    tellOperator(textOf("The original image \"%s\" was not saved: \"%s\" cannot be a file name.", photo.c_str(),
                        diskName.c_str()));
    return false;
  }
  target.destination = target.folder.path / diskName;
  target.overwrite = overwritesByName(set);
  return true;
}

bool isJpegFile(const fs::path& file) {
  ReadOnlyFile input;
  if (input.open(file) != noErr) return false;
  std::array<std::uint8_t, 3> head{};
  std::size_t count = 0;
  return input.read(head, count) == noErr && count == head.size() && head[0] == 0xFF && head[1] == 0xD8 &&
         head[2] == 0xFF;
}

}  // namespace

void TBGPrintView::SetCurrentImageName(const CStr255_AC& name) {
  if (name.macRoman() == kNoFile) return;
  // The job reset hands an empty name: nothing is current then, not even an extension.
  if (name.empty()) {
    fCurrentImageName = name;
    fCurrentImageExtension = CStr255_AC{};
    setTicketNumber(fCurrentImageName);
    return;
  }
  std::string extension(getExtensionFromSourceFile(name).macRoman());
  static_cast<void>(toUpperString(extension.data()));
  fCurrentImageExtension = CStr255_AC(extension);

  // A thumbnail's name ("IMG_1_t.jpg") names its photo before "_t"; a Finder copy's before " copy".
  std::int16_t cut = FindPos(CStr255_AC("_t"), name);
  if (cut == 0) cut = FindPosInReverse(CStr255_AC(" copy"), name);
  if (cut == 0) cut = FindPosInReverse(CStr255_AC("."), name);
  fCurrentImageName = cut > 0 ? CStr255_AC(name.macRoman().substr(0, static_cast<std::size_t>(cut - 1))) : name;
  setTicketNumber(fCurrentImageName);
}

bool TBGPrintView::SaveOriginalFile(const FSSpec& file) {
  const std::string photo = file.name.toUtf8();
  tSpecialPrintToFilePref* set = jobSet(*this);
  if (set == nullptr) {
    tellOperator(textOf("The original image \"%s\" was not saved: the job names no print-to-file set (%d).",
                        photo.c_str(), fSettings.print2FileItem.setNumber.value()));
    return false;
  }
  fs::path source;
  if (FSpMakePath(file, source) != noErr) {
    tellOperator(textOf("The original image \"%s\" was not saved: its file cannot be found.", photo.c_str()));
    return false;
  }

  if (set->fileFormat == kWebJpegSaveType) {
    CImageFile image(source);
    if (image.GetOrientation() != -1) return saveUprightOriginal(image, source.string());
    systemLog("No meta tag data...");
  }

  OriginalTarget target;
  if (!findTarget(*this, *set, photo, target)) return false;
  PlistDictionary request;
  request[kDoOverwriteKey] = static_cast<std::int64_t>(target.overwrite ? 1 : 0);
  request[kPathToSrcItemKey] = source.string();
  request[kPathToDestItemKey] = target.destination.string();
  if (!doCopyTheFileNew(request)) {
    tellOperator(textOf("The original image \"%s\" could not be copied into %s (missing, unreadable, or the disk is "
                        "full); it was not saved.",
                        source.c_str(), target.folder.path.c_str()));
    return false;
  }
  const std::string* written = request[kPathToDestItemKey].get<std::string>();
  const fs::path saved = written != nullptr ? fs::path(*written) : target.destination;
  systemLogf("TBGPrintView::SaveOriginalFile: saved the original as %s", saved.c_str());
  SaveMetaDataToOriginalFile(saved);
  DoIfVideoCopy(*set, target.folder.path);
  return true;
}

bool TBGPrintView::SaveOriginalFileWithRotation(const FSSpec& file) {
  const std::string photo = file.name.toUtf8();
  fs::path source;
  if (FSpMakePath(file, source) != noErr) {
    tellOperator(textOf("The original image \"%s\" was not saved: its file cannot be found.", photo.c_str()));
    return false;
  }
  CImageFile image(source);
  return saveUprightOriginal(image, source.string());
}

bool TBGPrintView::saveUprightOriginal(CImageFile& image, const std::string& photo) {
  tSpecialPrintToFilePref* set = jobSet(*this);
  if (set == nullptr) {
    tellOperator(textOf("The original image \"%s\" was not saved: the job names no print-to-file set (%d).",
                        photo.c_str(), fSettings.print2FileItem.setNumber.value()));
    return false;
  }
  OriginalTarget target;
  if (!findTarget(*this, *set, photo, target)) return false;

  const int orientation = image.GetOrientation();
  systemLogf("rotation = %d", orientation);
  OffscreenPtr picture = image.GetCurrentCGImage();
  OffscreenPtr upright = picture ? createNewRotatedImageRef(picture.get(), orientation) : nullptr;
  picture.reset();
  codec::Bytes jpeg;
  OSErr error = upright ? encodeUprightJpeg(*upright, fSettings.resolution, jpeg) : OSErr{kImageDataErr};
  upright.reset();
  fs::path saved;
  if (error == noErr) error = writeNewOutputFile(jpeg, target.destination, target.overwrite, saved);
  if (error != noErr) {
    tellOperator(textOf("The upright copy of the original image \"%s\" could not be written into %s (error %d); it "
                        "was not saved.",
                        photo.c_str(), target.folder.path.c_str(), static_cast<int>(error)));
    return false;
  }
  systemLogf("TBGPrintView::SaveOriginalFileWithRotation: saved the upright original as %s", saved.c_str());
  SaveMetaDataToOriginalFile(saved);
  DoIfVideoCopy(*set, target.folder.path);
  return true;
}

void TBGPrintView::SaveMetaDataToOriginalFile(const fs::path& file) {
  const tSpecialPrintToFilePref* set = jobSet(*this);
  if (set == nullptr) return;
  const bool webJpeg = set->fileFormat == kWebJpegSaveType;
  const bool retail = fSettings.retailCustomerMetadata != 0 && set->fileFormat == kRetailSaveType;
  if (!webJpeg && !retail) return;
  // The comment lives in a JPEG's EXIF block; any other kind of original keeps its bytes.
  if (!isJpegFile(file)) {
    systemLogf("TBGPrintView::SaveMetaDataToOriginalFile: %s is no JPEG; no upload metadata is written",
               file.c_str());
    return;
  }
  const std::string original(originalPath());
  if (webJpeg) {
    const std::int16_t destination = set->uploadSite;
    if (destination >= 2) {
      setftpSite(destination);
      static_cast<void>(saveSourceWithMetadataSTB(file, original.c_str()));  // failures are logged there
    } else {
      static_cast<void>(saveSourceWithMetadata(file, original.c_str()));
    }
  }
  if (retail) {
    const std::span<const std::uint8_t> upload(fSettings.uploadData);
    static_cast<void>(saveSourceWithMetadataORLIM(file, original.c_str(), upload.first(upload.size() - 4),
                                                  archiveLengthOf(upload)));
  }
}

}  // namespace vorl
