// The job view: one job in memory.
//
// A job view holds everything one job file says (`JobFileSettings`), the page and sub-job lists of page objects
// built from its records, the list of image files the job used, and the page and sub-job offscreens. The job
// state machine makes one per job, asks it to read the job file (`ReadObjects`) and then drives drawing,
// finishing and output through it. The view owns its objects, its used-files list and both offscreens.
//
// It opens no window: what the main window should show goes to the `JobObserver` it was given.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "jobs/engine/job_observer.h"
#include "jobs/reading/job_settings.h"
#include "layout/job_file_stream.h"
#include "layout/job_view_access.h"
#include "layout/layout_object.h"
#include "platform/plists/keyed_archive.h"

namespace vorl {

class CImageFile;

// The results of reading a job file.
inline constexpr std::int16_t kJobReadOK = 0;
inline constexpr std::int16_t kJobBadSignature = 100;
inline constexpr std::int16_t kJobReadError = 101;
inline constexpr std::int16_t kJobPrintToFileSetMissing = 109;

inline constexpr std::uint16_t kJobFileSignature = 0x8854;
// Larger files are refused unread: no job the producer writes comes near it.
inline constexpr std::size_t kMaxJobFileSize = 256u << 20;

class TBGPrintView : public JobViewAccess {
 public:
  // `behaviour` is told the job information and names; it may be null and must outlive the view.
  explicit TBGPrintView(JobObserver* behaviour = nullptr);
  ~TBGPrintView() override;
  TBGPrintView(const TBGPrintView&) = delete;
  TBGPrintView& operator=(const TBGPrintView&) = delete;

  // A new view with the same settings, copies of every page object and of the used-files list; the copy
  // shares no offscreen (it has none until it draws).
  [[nodiscard]] std::unique_ptr<TBGPrintView> Clone() const;

  // Reads the job file into this view. 0 read; 100 wrong signature (the rest untouched); 101 unreadable (cut
  // short, a length, count or size out of range, a record failing its checks, an empty list); 109 read, but the
  // folder of its print-to-file set is not there. Objects read before a failure stay in the lists.
  [[nodiscard]] std::int16_t ReadObjects(const FSSpec& file);
  [[nodiscard]] std::int16_t ReadObjects(const std::filesystem::path& file);
  // The same from the file's bytes.
  [[nodiscard]] std::int16_t ReadJobFile(std::span<const std::uint8_t> bytes);

  // Reads `count` object records and appends their objects to the sub-job list (true) or the page list.
  [[nodiscard]] bool DoNewReadObjects(JobFileStream& stream, std::int16_t count, bool subJob);
  // Reads the printer settings block of the printer type into the matching records. False when the block
  // cannot be read whole; an unknown printer type reads nothing, tells the operator and answers true.
  [[nodiscard]] bool ReadColorCorrectionValue(JobFileStream& stream, std::int16_t printerType);

  void AddObject(std::unique_ptr<TLayoutObject> object);
  void AddNewObject(std::unique_ptr<TLayoutObject> object);
  void Insert(const FSSpec& file) override;

  // 109 when the printer type prints to a print-to-file set whose folder reference does not resolve, else 0.
  [[nodiscard]] std::int16_t ValidatePrintJob();

  // Draws the whole sub-job in one go into a picture of its own, which then becomes the sub-job picture. 0 drawn;
  // 102 an object failed; 103 processing was switched off meanwhile (after the object in hand); 105 the picture
  // cannot be made. After any non-zero result there is no sub-job picture. The used-files list is handed to the
  // observer in every case.
  [[nodiscard]] std::int16_t DrawSubJob();

  const JobFileSettings& settings() const noexcept { return fSettings; }
  // The job information record of the file, as the main window and the print log were told it.
  const tJobInfo& jobInfo() const noexcept { return fJobInfo; }
  const LayoutObjectList& layoutObjects() const noexcept { return fLayoutObjects; }
  const LayoutObjectList& subJobObjects() const noexcept { return fSubJobObjects; }
  // Null once the list was handed on with TakeUsedFiles.
  const std::vector<FSSpec>* usedFiles() const noexcept { return fUsedFiles ? &*fUsedFiles : nullptr; }
  [[nodiscard]] std::optional<std::vector<FSSpec>> TakeUsedFiles() noexcept;
  JobObserver* behaviour() const noexcept { return fBehaviour; }

  // The job dictionary decoded from its buffer; none when the buffer is empty or does not decode.
  [[nodiscard]] std::optional<ArchivedValue> jobDictionary() const;
  // The job dictionary the completion notice decoded for the output in hand (the folder outputs and the hand-off
  // property list use it); none until then, or when the buffer held none.
  const std::optional<ArchivedValue>& keptJobDictionary() const noexcept { return fKeptJobDictionary; }
  // The page setup the job carries for printing through the system, when it has one that decoded.
  const std::optional<ArchivedValue>& pageSetup() const noexcept { return fPageSetup; }
  void SetKeptJobDictionary(std::optional<ArchivedValue> dictionary) { fKeptJobDictionary = std::move(dictionary); }
  // --- Special jobs, completion notice and output names (special_jobs.cpp, completion_notice.cpp) ---

  // Draws the first image object of the sub-job (else of the page) alone, at its preview size, into the sub-job
  // picture. Always 0; without an image object there is no sub-job picture.
  std::int16_t DrawSpecialJob();
  // The page becomes a copy of the sub-job picture (no page when there is none or it cannot be copied).
  void ProcessSubAsOutput();
  // Copies the source file of the first image object instead of printing. 0 copied; 107 when there is no image
  // object or its copy failed (the job must not count as delivered).
  [[nodiscard]] std::int16_t CopyOriginalFileJob();
  // Decodes the job dictionary for the completion notice. With `keep` (the page outputs) it is also kept as the
  // job dictionary. Answers the dictionary the notice would carry: only when it decoded, has "imageurl" and the
  // job information says this is the order's last page.
  std::optional<ArchivedValue> PrepareCompletionNotice(bool keep);
  // Tells the web-server companion "Job processed by Vorl-Zeverezoz" with that dictionary.
  void SendCompletionNotice(const ArchivedValue& dictionary);
  // The base name (Mac Roman) of an output file by the record's naming mode; the job name for a mode that names
  // nothing, so no output is hidden or nameless.
  CStr255_AC GetNewBaseNameForPrintToFile(const tSpecialPrintToFilePref& record) const;

  // The zero-terminated paths, never past their buffers.
  std::string_view originalPath() const noexcept;
  std::string_view videoPath() const noexcept;

  Offscreen* pageOffscreen() const noexcept { return fPageOffscreen.get(); }
  void SetPageOffscreen(OffscreenPtr page) noexcept { fPageOffscreen = std::move(page); }
  // Hands the page over to the caller; the view then holds none.
  [[nodiscard]] OffscreenPtr TakePageOffscreen() noexcept { return std::move(fPageOffscreen); }
  // Takes the sub-job picture over; one it held before is disposed of.
  void SetSubJobOffscreen(OffscreenPtr picture) noexcept { fSubJobOffscreen = std::move(picture); }
  void SetDrawingSubJob(bool drawing) noexcept { fDrawingSubJob = drawing; }
  // The four drawing choices no block carries; a new view holds the job constants (job_settings.h).
  void SetDrawingModes(std::int16_t resizeMode, std::int16_t reductionResizeMode, std::int16_t scaleType,
                       std::int16_t alphaOutput) noexcept;

  bool SaveOriginal() const noexcept { return fSettings.saveOriginal != 0; }
  bool SaveCKTemplateAsIs() const noexcept { return fSettings.saveTemplateAsIs != 0; }

  // JobViewAccess
  std::int16_t GetPrinterType() const noexcept override { return fSettings.printerType; }
  std::int16_t GetPrintMode() const noexcept override { return fSettings.printMode; }
  std::int16_t GetCropMode() const noexcept override { return fSettings.cropMode; }
  float GetCropHSize() const noexcept override { return fSettings.cropWidth; }
  float GetCropVSize() const noexcept override { return fSettings.cropHeight; }
  std::int16_t CropWhere() const noexcept override { return fSettings.cropWhere; }
  std::int16_t FinalCropWhere() const noexcept override { return fSettings.finalCropWhere; }
  std::int16_t MatchRotationForPrint() const noexcept override { return fSettings.matchRotationForPrint; }
  std::int16_t RotationForPrint() const noexcept override { return fSettings.rotationForPrint; }
  bool HasSubJob() const noexcept override { return fSettings.hasSubJob != 0; }
  bool IsDrawingSubJob() const noexcept override { return fDrawingSubJob; }
  Offscreen* GetSubJobOffscreen() const noexcept override { return fSubJobOffscreen.get(); }
  std::int16_t SubjobResizeMode() const noexcept override { return fSettings.subjobResizeMode; }
  bool IgnoreOverlays() const noexcept override { return fSettings.ignoreOverlays != 0; }
  std::int16_t GetResizeMode() const noexcept override { return fSettings.resizeMode; }
  std::int16_t GetReductionResizeMode() const noexcept override { return fSettings.reductionResizeMode; }
  std::int16_t GetScaleType() const noexcept override { return fSettings.scaleType; }
  std::int16_t GetAlphaOutput() const noexcept override { return fSettings.alphaOutput; }
  const tColorSyncPrefs& GetColorSyncPrefs() const noexcept override { return fSettings.colorSyncPrefs; }
  const myImageColorAdjustInfo& GetSepiaAdjust() const noexcept override { return fSettings.sepiaAdjust; }
  const tOldTimePhotoPrefs& GetOldTimePhotoPrefs() const noexcept override { return fSettings.oldTimePhoto; }
  void AddFilesToDelete(const FSSpec& file) override { fFilesToDelete.push_back(file); }
  // Keeps the photo's name for the output names (cut before "_t", else the last " copy", else the last ".") and
  // its extension in upper case; "No File" changes neither. The cut name is also the job's ticket number.
  void SetCurrentImageName(const CStr255_AC& name) override;
  void SetStatus(std::string_view status) override;
  [[nodiscard]] OffscreenPtr ResizeToNewSize(OffscreenPtr& picture, const Rect& box) override;
  // --- Saved originals (original_images.cpp, video_copy.cpp) ---

  // Copies the photo file, unchanged, into the output folder of the job's print-to-file set, under the set's
  // names; a JPEG-for-web set gets an upright copy instead when the photo carries an orientation tag. Then the
  // set's upload metadata and the job's video clip. False, with a message to the operator, when nothing was
  // saved (no set folder, a name or path that cannot be made, the copy failed); the photo itself is never
  // changed or moved.
  [[nodiscard]] bool SaveOriginalFile(const FSSpec& file) override;
  // Writes the photo turned upright by its EXIF orientation as a full-quality JPEG at the job's resolution, with
  // orientation 1, into the set's output folder: under a free " copy" name unless the set overwrites. False,
  // with a message, when nothing was written.
  [[nodiscard]] bool SaveOriginalFileWithRotation(const FSSpec& file);
  // Adds the set's upload metadata to a saved original (JPEG only; the picture is not encoded again).
  void SaveMetaDataToOriginalFile(const std::filesystem::path& file);
  // Copies the job's video clip into the folder, or joins it with the intro and outro clips there, when the job
  // and the set ask for it; at most once per folder and job. Failures are only logged.
  void DoIfVideoCopy(const tSpecialPrintToFilePref& set, const std::filesystem::path& destinationFolder);
  // --- Print-to-file outputs (print_to_file_set_output.cpp, single_folder_output.cpp, yearbook_output.cpp) ---
  // Each takes the page over and disposes of it on every path. Results: 0 every file was written; 106 the
  // destination folder cannot be found; 107 a file could not be saved, named or moved into place, a folder
  // name from the job was refused, or there is no page (each with its own message to the operator; files
  // already in the folder stay whole and no partial file has a final name); 109 the job names no set 1 to 8.

  // The set output: into the job's set, or into the first set whose client address list holds the job
  // dictionary's "ipaddress"; then the web-upload copy and the linked sets.
  [[nodiscard]] std::int16_t DoNewPrintToFile(OffscreenPtr page);
  [[nodiscard]] std::int16_t DoNewPrintToFile2(OffscreenPtr page);
  // The set output into set `setNumber` alone, for a linked set: no address match, no web copy, no further
  // linked sets.
  [[nodiscard]] std::int16_t CreateAnotherCopy(std::int16_t setNumber, OffscreenPtr page);
  // Printer type 17: into the one folder of the print-to-file preferences; naming modes 2 and 3 of the job go
  // to the yearbook output instead.
  [[nodiscard]] std::int16_t Print2File(OffscreenPtr page);
  // The yearbook folder on the desktop ("Yearbook Photos/<sub-folder>") and its log.
  [[nodiscard]] std::int16_t DoSpecialPrintToFile(OffscreenPtr page);
  // Appends the line of the file to "Yearbook.read me" in the file's folder, after the header line when the
  // log is new: Mac Roman, tab-separated, carriage returns. The log is replaced whole by a rename, so a failure
  // leaves the lines before. noErr or the failure (only logged by the caller).
  OSErr writeLogForYearbookFile(const std::filesystem::path& lastFile, const tRecordStruct& fieldNames,
                                const tRecordStruct& fieldValues, const CStr255_AC& templateName) const;

  // The photos registered for deletion after the job, in the order drawing met them.
  const std::vector<FSSpec>& filesToDelete() const noexcept { return fFilesToDelete; }
  const CStr255_AC& currentImageName() const noexcept { return fCurrentImageName; }
  // The extension of the photo's name in upper case (".JPG"), as SetCurrentImageName left it.
  const CStr255_AC& currentImageExtension() const noexcept { return fCurrentImageExtension; }
  // The printer profile the page was matched to, when finishing matched it: the page's values are then in that
  // profile's space, whatever the photos came in.
  const std::optional<FSSpec>& pageMatchedTo() const noexcept { return fPageMatchedTo; }

 protected:
  // Copies into `copy` what Clone copies.
  void copyJobInto(TBGPrintView& copy) const;
  // The output steps change a few printer settings of the job in hand (colour conversion, DNP values).
  JobFileSettings& editableSettings() noexcept { return fSettings; }
  void notePageMatchedTo(const FSSpec& printerProfile) { fPageMatchedTo = printerProfile; }

 private:
  // The blocks of the file in order; each answers false when the file cannot be read on.
  [[nodiscard]] bool readHead(JobFileStream& stream);
  [[nodiscard]] bool readPageAndSettings(JobFileStream& stream);
  [[nodiscard]] bool readJobOptions(JobFileStream& stream);
  [[nodiscard]] bool readObjectLists(JobFileStream& stream);
  [[nodiscard]] bool readUploadBlocks(JobFileStream& stream);
  [[nodiscard]] bool readPageSetup(JobFileStream& stream);
  [[nodiscard]] bool readPrintToFileRecord(JobFileStream& stream);
  void publishJobGlobals();
  // The upright copy of a photo already decoded (SaveOriginalFile has read it to find its orientation).
  [[nodiscard]] bool saveUprightOriginal(CImageFile& image, const std::string& photo);

  JobObserver* fBehaviour;
  JobFileSettings fSettings;
  tJobInfo fJobInfo{};
  std::optional<ArchivedValue> fKeptJobDictionary;
  std::optional<ArchivedValue> fPageSetup;  // the job's page setup for the system print dialog, if it decoded
  LayoutObjectList fLayoutObjects;
  LayoutObjectList fSubJobObjects;
  std::optional<std::vector<FSSpec>> fUsedFiles{std::in_place};
  OffscreenPtr fPageOffscreen;
  OffscreenPtr fSubJobOffscreen;
  bool fDrawingSubJob = false;
  std::vector<FSSpec> fFilesToDelete;
  CStr255_AC fCurrentImageName{};
  CStr255_AC fCurrentImageExtension{};
  std::optional<FSSpec> fPageMatchedTo;
  // The folders the job's video clip already went into.
  std::set<std::filesystem::path> fVideoCopiedInto;
};

}  // namespace vorl
