// The print-to-file set output: the page goes into one of the eight set folders (or the sub-folders the job
// asks for) under the set's names, with the upload metadata, the job's video clip, an optional copy for the web
// upload and copies for up to three linked sets.
#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <span>
#include <string>

#include "foundation/files/aliases.h"
#include "foundation/services/messages.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/reading/job_archives.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/output_file_utilities.h"
#include "jobs/outputs/print_to_file_pages.h"
#include "jobs/outputs/print_to_file_staging.h"
#include "jobs/outputs/set_output_folder.h"
#include "jobs/reading/upload_data.h"
#include "jobs/outputs/upload_metadata.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kFirstSet = 1;
constexpr std::int16_t kLastSet = 8;
constexpr std::size_t kWebNameLimit = 25;
constexpr std::int16_t kTiffSaveType = 2;

bool isSetNumber(std::int16_t number) noexcept { return number >= kFirstSet && number <= kLastSet; }

std::string_view trimmed(std::string_view text) {
  const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The first set whose client address list holds the address; 0 for none. A job without an address matches no
// set, so it can never be sent into another client's set.
std::int16_t setMatchingAddress(const std::optional<ArchivedValue>& dictionary) {
  if (!dictionary) return 0;
  const ArchivedValue* value = dictionary->find("ipaddress");
  const std::string* address = value != nullptr ? value->asString() : nullptr;
  if (address == nullptr || trimmed(*address).empty()) return 0;
  for (std::int16_t number = kFirstSet; number <= kLastSet; ++number) {
    const tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(number);
    if (set == nullptr || set->clientAddressList.empty()) continue;
    std::string_view rest = set->clientAddressList.macRoman();
    while (true) {
      const std::size_t comma = rest.find(',');
      if (equalIgnoringCase(trimmed(rest.substr(0, comma)), trimmed(*address))) return number;
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return 0;
}

std::int16_t refuseSetNumber(std::int16_t number) {
  systemLogf("DoNewPrintToFile2: print-to-file set %d does not exist", number);
  DisplayNormalMessage(
      ("The job names print-to-file set " + std::to_string(number) + ", but only sets 1 to 8 exist; nothing was saved.")
          .c_str());
  return kJobPrintToFileSetMissing;
}

std::int16_t noPage() {
  DisplayNormalMessage(kNoPageMessage);
  return kOutputFailed;
}

// The upload metadata of a set file written by its image writer. A TIFF file gets the job-dictionary comment a
// JPEG gets, in its own EXIF block, and stays a TIFF file; PNG files get their appended list. (JPEG files get
// theirs before they are written, in encodedWithMetadata; Photoshop and other files have no EXIF comment to hold
// it, and rewriting them as JPEG would put a JPEG under their extension.)
void writeUploadMetadata(const TBGPrintView& view, const tSpecialPrintToFilePref& set, std::int16_t saveType,
                         const fs::path& file) {
  const JobFileSettings& job = view.settings();
  const std::string originalPath(view.originalPath());
  if (saveType == kTiffSaveType) {
    setftpSite(set.uploadSite.value());
    const std::span<const std::uint8_t> archive(job.uploadData.data(), job.uploadData.size() - 4);
    if (!saveSourceWithMetadataPt5Plus(file, originalPath.c_str(), archive, archiveLengthOf(job.uploadData)))
      systemLogf("DoNewPrintToFile2: no upload metadata went into the file for %s", file.c_str());
  } else if (saveType == 9) {
    static_cast<void>(saveDataInPNGFile(file, originalPath.c_str()));
  }
}

// The set file of a JPEG save type as bytes: encoded at the job's resolution and the quality, with the same
// upload metadata writeUploadMetadata gives a written file (a comment that cannot be set is logged, as there).
std::optional<codec::Bytes> encodedWithMetadata(const TBGPrintView& view, const tSpecialPrintToFilePref& set,
                                                std::int16_t saveType, const Offscreen& page, std::int16_t quality,
                                                const fs::path& folder) {
  const JobFileSettings& job = view.settings();
  EncodeOptions options;
  options.dpi = job.resolution;
  options.quality = std::clamp<int>(quality, 0, 100);
  codec::Bytes jpeg;
  if (codec::encodeJpeg(page, options, jpeg, folder.string()) != noErr) return std::nullopt;
  const std::string originalPath(view.originalPath());
  setftpSite(set.uploadSite.value());
  const std::span<const std::uint8_t> archive(job.uploadData.data(), job.uploadData.size() - 4);
  if (!addJobDictionaryMetadata(jpeg, originalPath.c_str(), archive, archiveLengthOf(job.uploadData), "pt5",
                                folder.string()))
    systemLogf("DoNewPrintToFile2: no upload metadata went into the file for %s", folder.c_str());
  if (job.retailCustomerMetadata != 0 && saveType == 3)
    static_cast<void>(addJobDictionaryMetadata(jpeg, originalPath.c_str(), archive, archiveLengthOf(job.uploadData),
                                               "orlim", folder.string()));
  return jpeg;
}

bool overwrites(const tSpecialPrintToFilePref& set) {
  const std::int16_t mode = set.namingScheme.value();
  return set.overwriteExisting != 0 && (mode == 3 || mode == 4 || mode == 6 || mode == 7);
}

// What one set output leaves for the stages after it.
struct SetOutput {
  std::int16_t result = kDrawOK;
  CStr255_AC baseName;
  fs::path lastFile;
};

// Folder, orientation, preparation and the copies of one set (`page` is turned in place when the set asks for
// it, and made opaque when the job does not keep alpha); then the video clip and the colour profile.
SetOutput writeIntoSet(TBGPrintView& view, std::int16_t setNumber, tSpecialPrintToFilePref& set, OffscreenPtr& page) {
  SetOutput output;
  output.baseName = view.GetNewBaseNameForPrintToFile(set);
  SetOutputFolder folder;
  if (const std::int16_t result = GetSetOutputFolder(view, set, output.baseName, folder); result != 0) {
    output.result = result;
    return output;
  }
  page = turnToWantedOrientation(std::move(page), set, view.behaviour());
  view.SetStatus(kSavingFilesStatus);

  const JobFileSettings& job = view.settings();
  const std::int16_t saveType = set.fileFormat.value();
  // JPEG files carry no alpha; the other formats would keep the page's, which the job does not want kept.
  if (job.print2FileItem.value2 == 0 && !isJpegSaveType(saveType)) makePageOpaque(page.get());
  // The fitted page replaces the page: the web copy and the linked sets go on from the page as written here.
  if ((saveType == 10 && set.doNotResizeJpegForWeb == 0) || (saveType == 9 && set.doNotResizePngForWeb == 0)) {
    OffscreenPtr webSized = webSizedCopy(view, page.get());
    if (!webSized) {
      DisplayNormalMessage(kSaveFailedMessage);
      output.result = kOutputFailed;
      return output;
    }
    page = std::move(webSized);
  }
  Offscreen* toSave = page.get();
  const std::int16_t quality = saveType == 10 ? getMyOutputFilePrefs()->outputQuality.value() : job.imageQuality;
  const CStr255_AC extension(set.fileNameExtension.macRoman());

  // A JPEG is encoded once, its metadata set in memory, and every copy written from those bytes in one go.
  std::optional<codec::Bytes> jpeg;
  if (isJpegSaveType(saveType)) {
    jpeg = encodedWithMetadata(view, set, saveType, *toSave, quality, folder.path);
    if (!jpeg) {
      DisplayNormalMessage(kSaveFailedMessage);
      output.result = kOutputFailed;
      return output;
    }
  }

  for (int copy = 0; copy < copiesToWrite(job.printQuantity); ++copy) {
    StagedPageFile staged;
    const bool saved = jpeg ? staged.saveBytes(*jpeg, folder.path)
                            : staged.save(saveType, toSave, folder.path, job.resolution, quality);
    if (!saved) {
      DisplayNormalMessage(kSaveFailedMessage);
      output.result = kOutputFailed;
      break;
    }
    if (!jpeg) writeUploadMetadata(view, set, saveType, staged.path());
    OSErr error;
    fs::path written;
    if (overwrites(set)) {
      const std::string name = std::string(output.baseName.macRoman()) + std::string(extension.macRoman());
      error = staged.commit(name, true, written);
    } else {
      error = staged.commitUnique(output.baseName, extension, written);
    }
    if (error != noErr) {
      systemLogf("DoNewPrintToFile2: the file of set %d could not take its name in %s (error %d)", setNumber,
                 folder.path.c_str(), error);
      showNamingFailure(error, "the print-to-file set folder");
      output.result = kOutputFailed;
      break;
    }
    output.lastFile = written;
  }
  // Once per folder and job, not once per copy: the same clip would otherwise be copied again and again.
  if (!output.lastFile.empty()) view.DoIfVideoCopy(set, folder.path);

  const auto printerType = static_cast<std::size_t>(job.printerType);
  if (!output.lastFile.empty() && printerType < job.colorSyncPrefs.printers.size() &&
      job.colorSyncPrefs.printers[printerType].embedSourceProfile != 0 && !view.filesToDelete().empty()) {
    fs::path source;
    WrittenColours colours;
    colours.embeddedProfilesApplied = gApplyEmbedded;
    if (view.pageMatchedTo()) {
      fs::path printerProfile;
      if (FSpMakePath(*view.pageMatchedTo(), printerProfile) == noErr) colours.matchedPrinterProfile = printerProfile;
    }
    if (FSpMakePath(view.filesToDelete().front(), source) == noErr)
      static_cast<void>(embedProfileOfWrittenColours(source, output.lastFile, colours));
  }
  return output;
}

// The copy for the web upload: the page fitted into 640 x 640 as a JPEG beside nothing else in the web-upload
// folder, with the escaped path of the set file in its metadata. The fitted page replaces `page`, so the linked
// sets get what the web upload got. Failures are shown but do not fail the job: the set files are delivered.
void writeWebCopy(TBGPrintView& view, const tSpecialPrintToFilePref& set, const SetOutput& output, OffscreenPtr& page) {
  if (set.createJPEGForWeb == 0) {
    systemLog("createJPEGForWeb == FALSE");
    return;
  }
  tSpecialPrintToFilePref* web = getMyWebUploadPrefs();
  fs::path webFolder;
  if (web == nullptr || validateIfAliasHandle(web->folder) == 0 || FSpMakePath(web->folder.spec, webFolder) != noErr)
    return;

  std::array<char, kEscapedPathBufferSize> escaped{};
  FSSpec lastFile;
  if (FSMakeFSSpecFromPath(output.lastFile, lastFile) == noErr) static_cast<void>(fsSpecToCharArray(lastFile, escaped));

  OffscreenPtr webPage = webSizedCopy(view, page.get());
  if (!webPage) {
    DisplayNormalMessage("The copy for the web upload could not be saved.");
    return;
  }
  page = std::move(webPage);
  StagedPageFile staged;
  if (!staged.save(10, page.get(), webFolder, view.settings().resolution,
                   getMyOutputFilePrefs()->outputQuality.value())) {
    DisplayNormalMessage("The copy for the web upload could not be saved.");
    return;
  }
  static_cast<void>(saveSourceWithMetadata(staged.spec(), escaped.data()));

  // A long base name is the name the upload wants; a short one keeps the set file's name.
  CStr255_AC base, extension;
  const std::string jpgName = std::string(output.baseName.macRoman()) + ".JPG";
  if (jpgName.size() > kWebNameLimit)
    splitExtension(jpgName, base, extension);
  else
    splitExtension(diskNameToMacName(output.lastFile.filename().string()), base, extension);
  fs::path written;
  if (const OSErr error = staged.commitUnique(base, extension, written); error != noErr) {
    systemLogf("renamefailed with error code %d", error);
    DisplayNormalMessage("The copy for the web upload could not be given its name.");
  }
}

}  // namespace

std::int16_t TBGPrintView::DoNewPrintToFile(OffscreenPtr page) { return DoNewPrintToFile2(std::move(page)); }

std::int16_t TBGPrintView::DoNewPrintToFile2(OffscreenPtr page) {
  if (!page) return noPage();
  std::int16_t setNumber = setMatchingAddress(keptJobDictionary());
  if (setNumber == 0) setNumber = fSettings.print2FileItem.setNumber.value();
  if (!isSetNumber(setNumber)) return refuseSetNumber(setNumber);
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(setNumber);
  if (set == nullptr || validateIfAliasHandle(set->folder) == 0) return kPrintToFileFolderMissing;

  // The web copy and the linked sets get the page as this set left it: turned when it turned it, fitted into
  // 640 x 640 when it or the web copy fitted it.
  SetOutput output = writeIntoSet(*this, setNumber, *set, page);
  if (output.result != kDrawOK) return output.result;
  writeWebCopy(*this, *set, output, page);

  for (const SInt16Field& entry : set->linkedSets) {
    const std::int16_t linked = static_cast<std::int16_t>(entry.value() - 1);
    if (!isSetNumber(linked) || linked == setNumber) continue;
    OffscreenPtr duplicate{myDuplicateGWorld(page.get())};
    // The job's own set is delivered: failing the job now would deliver it a second time when it is run again.
    // A linked set that fails is told to the operator, and the job goes on.
    const std::int16_t linkedResult = duplicate ? CreateAnotherCopy(linked, std::move(duplicate)) : kOutputFailed;
    if (linkedResult != kDrawOK) {
      systemLogf("DoNewPrintToFile2: linked print-to-file set %d failed with %d; the job goes on", linked,
                 linkedResult);
      DisplayNormalMessage(("The copy for linked print-to-file set " + std::to_string(linked) +
                            " could not be saved; the job's own set was saved.")
                               .c_str());
    }
  }
  return kDrawOK;
}

std::int16_t TBGPrintView::CreateAnotherCopy(std::int16_t setNumber, OffscreenPtr page) {
  if (!page) return noPage();
  if (!isSetNumber(setNumber)) return refuseSetNumber(setNumber);
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(setNumber);
  if (set == nullptr || validateIfAliasHandle(set->folder) == 0) {
    systemLogf("CreateAnotherCopy: the folder of linked print-to-file set %d cannot be found", setNumber);
    return kPrintToFileFolderMissing;
  }
  return writeIntoSet(*this, setNumber, *set, page).result;
}

}  // namespace vorl
