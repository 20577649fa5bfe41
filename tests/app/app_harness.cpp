#include "tests/app/app_harness.h"

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "tests/app/screenshots.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {
namespace fs = std::filesystem;

JobSpec printDataJob(int objects, float inches, int resolution) {
  JobSpec spec;
  spec.printerType = 34;  // no printer block: delivered as a print-data file
  spec.pageWidth = inches;
  spec.pageHeight = inches * 1.5f;
  spec.resolution = static_cast<std::int16_t>(resolution);
  for (int i = 0; i < objects; ++i) spec.pageRecords.push_back(backColorRecord({}));
  return spec;
}

namespace {

std::unique_ptr<UserDefaults> gDefaults;

void pointEnvironmentAt(const fs::path& home) {
  struct Variable {
    const char* name;
    const char* sub;
  };
  for (const Variable& v : {Variable{"XDG_CONFIG_HOME", ".config"}, Variable{"XDG_STATE_HOME", ".local/state"},
                            Variable{"XDG_DATA_HOME", ".local/share"}, Variable{"XDG_RUNTIME_DIR", "run"}}) {
    fs::create_directories(home / v.sub);
    setenv(v.name, (home / v.sub).c_str(), 1);
  }
  fs::permissions(home / "run", fs::perms::owner_all);
  setenv("HOME", home.c_str(), 1);
}

}  // namespace

AppHarness::AppHarness(std::function<void(tPrintServerPrefs&)> seed) : fHome(makeTempFolder("app-home")) {
  pointEnvironmentAt(fHome);
  gDefaults = std::make_unique<UserDefaults>(UserDefaults::standardFilePath());
  setStandardUserDefaults(gDefaults.get());
  ReadPreferences();
  tPrintServerPrefs& prefs = *getMyPrintServerPrefs();
  prefs.askOnFailedJob = 0;  // tests that want the question ask for it
  if (seed) seed(prefs);
  myNewSavePreferences();
}

AppHarness::~AppHarness() {
  fApp.reset();
  setStandardUserDefaults(nullptr);
  gDefaults.reset();
}

bool AppHarness::start(TBackgroundPrintApp::Options options) {
  options.applicationFolder = fHome;
  fApp = std::make_unique<TBackgroundPrintApp>(options);
  if (!fApp->DoInitialState()) return false;
  if (!waitFor([this] { return fApp->behaviour() != nullptr; }, std::chrono::seconds(10))) return false;
  QObject::connect(fApp->behaviour(), &TPrintBGBehavior::statusChanged,
                   [this](const QString& status) { fStatuses.push_back(status); });
  fStatuses.push_back(window().status());
  return true;
}

bool AppHarness::restart() {
  fApp.reset();
  fStatuses.clear();
  return start();
}

void AppHarness::click(const char* id) {
  QWidget* widget = find<QWidget>(id);
  if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + id);
  QTest::mouseClick(widget, Qt::LeftButton);
}

void AppHarness::activateWindow() {
  // Another window first, as when the operator comes back from another program.
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  QApplication::setActiveWindow(&elsewhere);
  QApplication::processEvents();
  window().show();
  window().activateWindow();
  QApplication::setActiveWindow(&window());
  QApplication::processEvents();
}

fs::path AppHarness::rootFolder() const { return fHome / "Vorl-Zeverezoz Folder \xC6\x92"; }
fs::path AppHarness::spoolerFolder() const { return rootFolder() / "PRINT JOBS FOLDER \xC6\x92"; }
fs::path AppHarness::allFilesFolder() const { return spoolerFolder() / "All Files"; }
fs::path AppHarness::finishedFolder() const { return rootFolder() / "FINISHED JOBS FOLDER \xC6\x92"; }
fs::path AppHarness::unknownFolder() const { return rootFolder() / "UNKNOWN JOBS FOLDER \xC6\x92"; }
fs::path AppHarness::printCentreFolder() const { return fHome / "Vorl-PrintCenter Folder" / "Jobs To Be Printed"; }
fs::path AppHarness::printLogPath() const { return fHome / "Print Log File"; }

void AppHarness::dropJob(const std::string& name, const JobSpec& spec) { dropBytes(name, writeJobFile(spec).bytes); }

void AppHarness::dropBytes(const std::string& name, const Bytes& bytes) {
  const fs::path temporary = spoolerFolder() / ("TempFile-" + name);
  writeFile(temporary, bytes);
  fs::rename(temporary, spoolerFolder() / name);
}

std::vector<std::string> AppHarness::filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.rfind('.', 0) != 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> AppHarness::printLogLines() const {
  std::ifstream file(printLogPath(), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line, '\r')) lines.push_back(line);
  return lines;
}

bool AppHarness::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return QTest::qWaitFor(done, static_cast<int>(timeout.count()));
}

void AppHarness::screenshot(const std::string& name) { saveScreenshot(window(), QString::fromStdString(name)); }

}  // namespace vorl::test
