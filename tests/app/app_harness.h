// The whole application in the test process: a fresh home and configuration for each test, the real start-up,
// the real worker thread and event loop, and the main window found by the ids of its widgets.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/processing/background_print_app.h"
#include "app/windows/main_window.h"
#include "app/processing/processing_behaviour.h"
#include "preferences/preference_records.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {

// A job the processor delivers as a print-data file into "Jobs To Be Printed": a small page with one
// background-colour object, or `objects` of them to make a job that takes many steps.
JobSpec printDataJob(int objects = 1, float inches = 2.0f, int resolution = 50);

class AppHarness {
 public:
  // Each harness has its own home (the application folder) and XDG folders. `seed` changes the print-server
  // settings before the start (they are saved, so the start reads them).
  explicit AppHarness(std::function<void(tPrintServerPrefs&)> seed = {});
  ~AppHarness();
  AppHarness(const AppHarness&) = delete;
  AppHarness& operator=(const AppHarness&) = delete;

  // Runs the start-up and waits for the start command; false when the start-up refused to run.
  bool start(TBackgroundPrintApp::Options options = {});
  // Ends the application and starts it again in the same home.
  bool restart();

  TBackgroundPrintApp& app() { return *fApp; }
  TPrintBGBehavior& behaviour() { return *fApp->behaviour(); }
  MainWindow& window() { return *behaviour().window(); }
  template <class Widget>
  Widget* find(const char* id) {
    return window().findChild<Widget*>(QString::fromLatin1(id));
  }
  void click(const char* id);
  // Makes the main window the active window, as the operator's click would.
  void activateWindow();

  const std::filesystem::path& home() const noexcept { return fHome; }
  std::filesystem::path rootFolder() const;
  std::filesystem::path spoolerFolder() const;
  std::filesystem::path allFilesFolder() const;
  std::filesystem::path finishedFolder() const;
  std::filesystem::path unknownFolder() const;
  std::filesystem::path printCentreFolder() const;
  std::filesystem::path printLogPath() const;

  // Writes the job under a temporary name in the spooler folder and renames it, as producers do.
  void dropJob(const std::string& name, const JobSpec& spec);
  void dropBytes(const std::string& name, const Bytes& bytes);
  // The visible files of a folder, by name.
  static std::vector<std::string> filesIn(const std::filesystem::path& folder);
  std::vector<std::string> printLogLines() const;

  // Runs the event loop until `done` holds or the time is up.
  static bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(60));

  MessageRecorder& messages() { return fMessages; }
  const QStringList& statuses() const { return fStatuses; }
  // Writes a screenshot of the main window under the artefacts folder.
  void screenshot(const std::string& name);

 private:
  std::filesystem::path fHome;
  MessageRecorder fMessages;
  std::unique_ptr<TBackgroundPrintApp> fApp;
  QStringList fStatuses;
};

}  // namespace vorl::test
