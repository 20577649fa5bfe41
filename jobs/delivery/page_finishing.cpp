// Finishing a drawn page and delivering it by printer type.
//
// The page-wide treatments come first (mirror, grey, sepia, colour matching), then a preview JPEG, then the
// delivery. What a delivery means for the outside world (the counts, the web-server companion's notice, the
// print centre being started) happens only once the page really was delivered: a job that fails is re-run or
// parked, and must not have been counted or announced.
#include <optional>
#include <string>

#include "foundation/services/messages.h"
#include "imaging/color/color_matching.h"
#include "imaging/color/color_tables.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/color/profile_search.h"
#include "jobs/delivery/after_delivery.h"
#include "jobs/delivery/print_centre_launch.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/reading/printer_blocks.h"
#include "jobs/delivery/system_print_output.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

inline constexpr char kPreviewFileName[] = "OutputForPrint.jpg";

enum class Route { PrintToFileSet, SingleFolder, SystemPrinting, PrintCentre };

// Every type that is neither a file output nor system printing goes to the print centre, the types this program
// has no settings block for included: the print centre may know a printer that this program does not.
Route routeFor(std::int16_t printerType) noexcept {
  if (printerFamilyOf(printerType) == PrinterFamily::PrintToFileSet) return Route::PrintToFileSet;
  if (printerType == 17) return Route::SingleFolder;
  if (printerType == 8) return Route::SystemPrinting;
  return Route::PrintCentre;
}

bool newHandOverMode() {
  const tProcessedJobsPrefs* printCentre = getMyProcessedJobsPrefs();
  return printCentre != nullptr && printCentre->newHandOverFormat.value() != 0;
}

// The finished page as the operator last saw it, for a look afterwards; a failure costs nothing.
void writePreviewFile(const Offscreen& page) {
  codec::Bytes jpeg;
  if (codec::encodeJpeg(page, EncodeOptions{.dpi = 300, .quality = 75}, jpeg, kPreviewFileName) != noErr) return;
  const std::filesystem::path folder = vorlPreferencesFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (writeFileAtomically(folder / kPreviewFileName, std::span<const std::uint8_t>(jpeg), true) != noErr)
    systemLogf("The preview file \"%s\" could not be written", kPreviewFileName);
}

// The installed input and printer profiles the job names, put in place of the job's own specifications, so the
// matching opens the very files found here (a same-named profile of another class may come earlier by name).
std::optional<tColorSyncPrefs> withFoundProfiles(const tColorSyncPrefs& colorSync, std::int16_t printerType) {
  if (printerType < 0 || static_cast<std::size_t>(printerType) >= kColorSyncPrinterTypes) return std::nullopt;
  const tPrinterColorSyncPrefs& printer = colorSync.printers[static_cast<std::size_t>(printerType)];
  FSSpec input{};
  FSSpec output{};
  if (!FindProfile('scnr', &input, colorSync.inputProfile.name.raw()) ||
      !FindProfile('prtr', &output, printer.printerProfile.name.raw()))
    return std::nullopt;
  std::optional<tColorSyncPrefs> found{colorSync};
  found->inputProfile = input;
  found->printers[static_cast<std::size_t>(printerType)].printerProfile = output;
  return found;
}

}  // namespace

std::int16_t TSpoolerPrintView::FinishJob() {
  const JobFileSettings& job = settings();
  JobObserver* observer = behaviour();
  const auto showPage = [&](Offscreen* page) {
    if (observer == nullptr) return;
    observer->SetImage(page, {});
    observer->SetStatus({});
  };

  if (Offscreen* page = pageOffscreen(); page != nullptr && job.mirror != 0) {
    doMirrorTheImageInGWorld(page);
    showPage(page);
  }
  if (Offscreen* page = pageOffscreen(); page != nullptr && job.color == 0) {
    doGrayScaleTheImageInGWorld(page);
    showPage(page);
  }
  if (Offscreen* page = pageOffscreen(); page != nullptr && (job.toneMode == 98 || job.toneMode == 99)) {
    SetStatus("Doing Sepiatone Conversion…");
    if (!ConvertOffscreenToSepiaSpooler(page, job.sepiaAdjust, page, job.toneMode, job.oldTimePhoto))
      systemLog("TSpoolerPrintView::FinishJob => the sepia conversion failed; the page keeps its colours");
    if (observer != nullptr) observer->SetImage(page, {});
  }
  if (Offscreen* page = pageOffscreen(); page != nullptr && job.colorSyncPrefs.useColorMatching.value() != 0) {
    systemLog("doUseColorMatching == ON");
    if (const std::optional<tColorSyncPrefs> found = withFoundProfiles(job.colorSyncPrefs, job.printerType)) {
      systemLog("FOUND profiles");
      SetStatus("Applying ColorSync…");
      if (matchInputAndOutput(page, &*found, job.printerType)) {
        notePageMatchedTo(found->printers[static_cast<std::size_t>(job.printerType)].printerProfile);
        // The printer converts colour itself unless told the page already is: only a matched page may say so.
        if (job.printerType == 43) editableSettings().mitsubishiSettings.colorConversion = std::int16_t{1};
      }
    }
  }

  // A special job whose photo drew nothing leaves no page: there is nothing to deliver.
  Offscreen* page = pageOffscreen();
  if (page == nullptr) {
    DisplayNormalMessage("The job drew no page, so nothing was delivered.");
    return kOutputFailed;
  }
  writePreviewFile(*page);
  return PrepareForPrinter();
}

std::int16_t TSpoolerPrintView::PrepareForPrinter() {
  const JobFileSettings& job = settings();
  const std::int16_t printerType = job.printerType;
  // Decoded and kept before the delivery, which may need the customer's address; sent only after it.
  const std::optional<ArchivedValue> notice = PrepareCompletionNotice(true);

  std::int16_t result = kDrawOK;
  switch (routeFor(printerType)) {
    case Route::PrintToFileSet:
      // The folder outputs and the system printing take the page over; the view holds none afterwards.
      result = DoNewPrintToFile(TakePageOffscreen());
      break;
    case Route::SingleFolder:
      result = Print2File(TakePageOffscreen());
      break;
    case Route::SystemPrinting:
      result = printThroughTheSystem(TakePageOffscreen(), pageSetup(), job.resolution, job.jobName.toUtf8());
      break;
    case Route::PrintCentre: {
      tPrintInfoStruct header{};
      FillPrintInfo(header);
      if (!WriteStructureAndOffscreenToFile(header)) {
        systemLog("TSpoolerPrintView::PrepareForPrinter => the print-data file could not be written");
        // For a type of its own table the operator knows the printer; for another one the type is the clue.
        if (printerFamilyOf(printerType) == PrinterFamily::Unknown)
          DisplayNormalMessage(("The print-data file for printer type " + std::to_string(printerType) +
                                ", a type this program has no settings for, could not be written; the job was not "
                                "delivered.")
                                   .c_str());
        result = kOutputFailed;
      }
      break;
    }
  }
  if (result != kDrawOK) return result;

  runAfterDelivery("The print count", [&] {
    addToPrintCount(job.printQuantity, countKindFor(printerType), printerType, job.canvasNumber);
  });
  if (notice) runAfterDelivery("The web-server notice", [&] { SendCompletionNotice(*notice); });
  if (routeFor(printerType) == Route::PrintCentre)
    runAfterDelivery("The print-centre start", [] { static_cast<void>(startPrintCentreApplication(newHandOverMode())); });
  return kDrawOK;
}

}  // namespace vorl
