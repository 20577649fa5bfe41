// vorl_draw_page <job file> <images folder> <out.png> [<print-centre folder>]
//
// Reads a job file as the processor does, draws its sub-job (when it has one) and its page object by object,
// and writes the page as a PNG file, so a person can look at what a job draws. The photos are looked for in the
// images folder given. With a print-centre folder the page is then finished and delivered as the processor
// delivers it: a print-data file (or the JPEG and property-list pair in the new hand-off mode) into that folder,
// a print-to-file job into its stored folders, a printer-type-8 job to the default printer. The preferences are
// read (never written) from the preferences folder of the user running the tool, under $XDG_CONFIG_HOME (or
// ~/.config); point HOME or XDG_CONFIG_HOME elsewhere to use others. It needs no display: Qt runs offscreen.
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "foundation/files/files.h"
#include "foundation/services/web_server_notification.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/parallel/job_pool.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"

namespace {

using namespace vorl;

// Shows on the terminal what the main window would show.
class ConsoleObserver final : public JobObserver {
 public:
  void SetJobInfo(const tJobInfo&) override {}
  void SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName, const Str255&) override {
    if (printerType != 0) std::printf("printer type %d, template \"%s\"\n", printerType, templateName.toUtf8().c_str());
  }
  void SetStatus(std::string_view status) override {
    if (!status.empty()) std::printf("status: %.*s\n", static_cast<int>(status.size()), status.data());
  }
  void SetImage(const Offscreen*, std::string_view) override {}
  void SetJobFileName(std::string_view) override {}
  void SetFilesToDelete(const std::vector<FSSpec>&) override {}
  void Beep() override {}
  bool IsBackgroundPrintingEnabled() override { return true; }
  void ScanForNewJobs() override {}
  void SendNotificationToWebServer(const ArchivedValue& dictionary) override {
    std::printf("telling the web server: the job was processed\n");
    mySendNotificationToWebServerAppWithDictionary(dictionary);
  }
};

void printUsage() {
  std::fprintf(stderr,
               "usage: vorl_draw_page <job file> <images folder> <out.png> [<print-centre folder>]\n"
               "Draws the job's page and writes it as a PNG file. Photos are looked for in the images folder.\n"
               "With a print-centre folder the page is then finished and delivered into it.\n"
               "The preferences are read, never written, from the preferences folder of the user running it\n"
               "($XDG_CONFIG_HOME/Vorl-Zeverezoz, or ~/.config/Vorl-Zeverezoz).\n");
}

// Points the in-memory print-server preferences at the folder; nothing is saved.
bool useImagesFolder(const std::filesystem::path& folder) {
  std::int16_t volume = 0;
  std::int32_t directory = 0;
  if (FSFolderIDs(folder, volume, directory) != noErr) return false;
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  prefs->imagesFolder.vRefNum = volume;
  prefs->imagesFolder.dirID = directory;
  return true;
}

// Points the in-memory print-centre preferences at the folder; nothing is saved.
bool usePrintCentreFolder(const std::filesystem::path& folder) {
  FSSpec spec{};
  if (!std::filesystem::is_directory(folder) || myMakeFSSpecFromPath(folder.c_str(), &spec) != noErr) return false;
  getMyProcessedJobsPrefs()->folder.spec = spec;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    printUsage();
    return 2;
  }
  const std::filesystem::path jobFile = argv[1];
  const std::filesystem::path imagesFolder = argv[2];
  const std::filesystem::path output = argv[3];

  const bool deliver = argc == 5;

  // Texts are laid out with Qt's fonts, and the font system starts with the GUI application object; without it
  // every text object draws nothing. No window is ever shown, so no display is wanted either.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  // The pool the processor starts, so that the page is drawn with the same passes split the same way.
  MPJobs_Init();

  mySetAllDefaults();
  if (!myNewReadPreferences()) std::fprintf(stderr, "Some stored preferences could not be read; defaults are used.\n");
  if (!useImagesFolder(imagesFolder)) {
    std::fprintf(stderr, "The images folder %s cannot be found.\n", imagesFolder.c_str());
    return 2;
  }

  if (deliver && !usePrintCentreFolder(argv[4])) {
    std::fprintf(stderr, "The print-centre folder %s cannot be found.\n", argv[4]);
    return 2;
  }

  ConsoleObserver observer;
  TSpoolerPrintView view(&observer);
  const std::int16_t read = view.ReadObjects(jobFile);
  std::printf("reading the job: %d\n", read);
  if (read != kJobReadOK) return 1;

  std::int16_t result = view.CreateOffscreens();
  std::printf("making the page: %d\n", result);
  if (result != kDrawOK) return 1;
  if (view.HasSubJob()) {
    result = view.DrawSubJob();
    std::printf("drawing the sub-job: %d\n", result);
  }
  if (result == kDrawOK) {
    do {
      result = view.DrawNextObject();
    } while (result == kDrawMoreToCome);
    std::printf("drawing the page: %d\n", result);
  }

  // A page that failed part-way is written too: what was drawn shows where it went wrong.
  EncodeOptions options;
  options.dpi = view.settings().resolution;
  const OSErr written = encodeImageFile(*view.pageOffscreen(), output, ImageFileType::png, options);
  std::printf("writing %s: %d\n", output.c_str(), written);
  if (written != noErr || result != kDrawPageDone) return 1;
  if (!deliver) return 0;

  const std::int16_t delivered = view.FinishJob();
  std::printf("finishing and delivering the page: %d\n", delivered);
  return delivered == kDrawOK ? 0 : 1;
}
