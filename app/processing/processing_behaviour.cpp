#include "app/processing/processing_behaviour.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <future>
#include <iostream>
#include <system_error>

#include "app/processing/operator_messages.h"
#include "app/windows/failed_job_question.h"
#include "app/windows/main_window.h"
#include "app/windows/printer_route_name.h"
#include "app/windows/progress_indicator.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "foundation/services/web_server_notification.h"
#include "jobs/engine/job_intake.h"
#include "jobs/engine/job_queue.h"
#include "jobs/engine/job_task_manager.h"
#include "jobs/engine/job_worker.h"
#include "jobs/engine/spooler_print_view.h"
#include "jobs/reading/printer_type_names.h"
#include "platform/core/baton.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"
#include "platform/text/mac_roman.h"
#include "preferences/preference_globals.h"
#include "preferences/working_folders.h"

namespace vorl {
namespace {

TPrintBGBehavior* gBehaviour = nullptr;

constexpr char kStatusNeverStarted[] = "Press 'Start\xE2\x80\xA6' To Start Vorl-Zeverezoz\xE2\x80\xA6";
constexpr char kStatusPaused[] = "PAUSED - Press 'Resume\xE2\x80\xA6' to Start\xE2\x80\xA6";
constexpr char kStatusIdling[] = "IDLING - Waiting for a New Job\xE2\x80\xA6";
constexpr char kNoSpoolerFolder[] = "Point To A Valid Print Spooler Folder First\xE2\x80\xA6";

// The preview pane is a few hundred pixels wide: a copy of that size is all that crosses to the main thread.
constexpr int kPreviewSide = 600;

QImage previewCopy(const Offscreen* page) {
  if (page == nullptr || page->baseAddr() == nullptr || page->width() <= 0 || page->height() <= 0) return {};
  const int width = page->width();
  const int height = page->height();
  const double scale = std::min(1.0, static_cast<double>(kPreviewSide) / std::max(width, height));
  const int outWidth = std::max(1, static_cast<int>(width * scale));
  const int outHeight = std::max(1, static_cast<int>(height * scale));
  QImage preview(outWidth, outHeight, QImage::Format_RGB32);
  for (int y = 0; y < outHeight; ++y) {
    const std::uint8_t* row = page->baseAddr() + static_cast<std::ptrdiff_t>(y * height / outHeight) * page->rowBytes();
    auto* out = reinterpret_cast<QRgb*>(preview.scanLine(y));
    for (int x = 0; x < outWidth; ++x) {
      const std::uint8_t* pixel = row + static_cast<std::ptrdiff_t>(x * width / outWidth) * 4;  // A, R, G, B
      out[x] = qRgb(pixel[1], pixel[2], pixel[3]);
    }
  }
  return preview;
}

QString fromMacRoman(std::string_view macRoman) { return QString::fromStdString(macRomanToUtf8(macRoman)); }

std::optional<std::filesystem::path> printJobsFolderPath() {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  return FSFolderPath(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID);
}

}  // namespace

TPrintBGBehavior* processingBehaviour() noexcept { return gBehaviour; }

TPrintBGBehavior::TPrintBGBehavior(std::filesystem::path applicationFolder, QObject* parent)
    : QObject(parent),
      fApplicationFolder(std::move(applicationFolder)),
      fTaskManager(std::make_unique<TPrintJobTaskManager>(this)),
      fPrintLog(fApplicationFolder) {
  gPrintJobTaskManager = fTaskManager.get();
  gBehaviour = this;
}

TPrintBGBehavior::~TPrintBGBehavior() {
  ShutdownWorker();
  if (gProgressIndicator != nullptr) gProgressIndicator->SetBehaviour(nullptr);
  gBehaviour = nullptr;
  gPrintJobTaskManager = nullptr;
  gJobFileList = nullptr;
}

void TPrintBGBehavior::IPrintBGBehavior() {
  fNeverStarted = true;
  fJobFileList = std::make_unique<TSortedFileList>();
  gJobFileList = fJobFileList.get();
  fWindow = std::make_unique<MainWindow>();
  fWindow->setBusy(false);
  connect(fWindow.get(), &MainWindow::startPauseClicked, this, &TPrintBGBehavior::onStartPauseClicked);
  connect(fWindow.get(), &MainWindow::removeJobClicked, this, &TPrintBGBehavior::onRemoveJob);
  connect(fWindow.get(), &MainWindow::windowActivated, this, &TPrintBGBehavior::onWindowActivated);
  connect(fWindow.get(), &MainWindow::exitClicked, this, &TPrintBGBehavior::quitRequested, Qt::QueuedConnection);
  connect(fWindow.get(), &MainWindow::closeRequested, this, [this] {
    // The close box quits only when the exit button would; otherwise the operator hears why not.
    if (!fEnabled.load()) {
      emit quitRequested();
    } else {
      fWindow->explainRefusedClose();
    }
  });
  fWindow->show();

  fIdleTimer = new QTimer(this);
  connect(fIdleTimer, &QTimer::timeout, this, &TPrintBGBehavior::onIdle);
  fIdleTimer->start(std::chrono::milliseconds(1000 * 15 / 60));

  BatonHold baton;
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  if (findAllJobFiles(prefs)) UpdateJobsList(gJobFileList->longNames());
  if (FindNewJobFiles(prefs)) UpdateJobsList(gJobFileList->longNames());
  watchSpoolerFolder();
}

void TPrintBGBehavior::EnableBackgroundPrinting(bool on) {
  fEnabled = on;
  if (on) {
    bool started = false;
    {
      BatonHold baton;  // the preference record and the working folders
      tPrintServerPrefs* prefs = getMyPrintServerPrefs();
      prefs->keepJobFiles = 1;
      if (IsExistingDirectory(prefs->serverRoot.vRefNum, prefs->serverRoot.dirID)) {
        createImageAndJobFolders();
        started = true;
      }
    }
    if (started) {
      if (fWindow) fWindow->setStartTitle(QStringLiteral("Pause"));
      fIdleFrequency = 15;
      if (!fThread) {
        fThread = std::make_unique<TSimpleThread>(*fTaskManager);
        fThread->Start();
      }
      if (gProgressIndicator != nullptr) gProgressIndicator->SetBehaviour(this);
      fTaskManager->SetActive(true);
      showStatus(QString());
      showStatus(QString::fromUtf8(kStatusIdling));
      // The interface shows "running" only once processing really runs.
      if (fWindow) {
        fWindow->setBusy(true);
        fWindow->setIdleCommandsEnabled(false);
      }
      watchSpoolerFolder();
    } else {
      DisplayNormalMessage(kNoSpoolerFolder);
      fEnabled = false;
    }
    fNeverStarted = false;
    gLastModDate = 0;
    if (started) fThread->Wake();
    emit processingStateChanged();
    return;
  }

  if (fNeverStarted) {
    showStatus(QString::fromUtf8(kStatusNeverStarted));
  } else {
    // A progress loop running in the step in hand hears the pause at once; the step itself ends normally.
    if (gProgressIndicator != nullptr) gProgressIndicator->RequestCancel();
    if (fWindow) fWindow->setStartTitle(QStringLiteral("Resume"));
    showStatus(QString::fromUtf8(kStatusPaused));
  }
  fIdleFrequency = kIdleNever;
  fTaskManager->SetActive(false);
  fNeverStarted = false;
  if (fWindow) {
    fWindow->setBusy(false);
    fWindow->setIdleCommandsEnabled(true);
  }
  emit processingStateChanged();
}

void TPrintBGBehavior::ResetAll() {
  FSSpec none{};
  none.vRefNum = kNoJobVolume;
  BatonHold baton;
  fTaskManager->SetCurrentJob(none);
}

void TPrintBGBehavior::ShutdownWorker() {
  if (!fThread) return;
  fTaskManager->SetActive(false);
  {
    // A question still open at quit leaves the job queued for the next start.
    std::lock_guard lock(fQuestionMutex);
    if (fPendingAnswer) {
      try {
        fPendingAnswer->set_value(FailedJobChoice::kRequeue);
      } catch (const std::future_error&) {
      }
    }
  }
  fThread->ShutdownAndJoin();
  fThread.reset();
}

bool TPrintBGBehavior::IsBusyForQuit() const {
  if (!fEnabled.load() && !fTaskManager->IsActive()) return false;
  BatonHold baton;
  return (gJobFileList != nullptr && !gJobFileList->empty()) || fTaskManager->currentTask() != 0 ||
         fTaskManager->hasJobInHand();
}

// --- What the job road tells (worker thread) ---

void TPrintBGBehavior::SetJobInfo(const tJobInfo& info) {
  std::lock_guard lock(fJobDetailsMutex);
  fJobInfo = info;
}

void TPrintBGBehavior::SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName,
                                             const Str255& packageName) {
  const std::string printer = macRomanToUtf8(getStringFromPrinterType(printerType).macRoman());
  const std::string templ = macRomanToUtf8(templateName.macRoman());
  {
    std::lock_guard lock(fJobDetailsMutex);
    fPrinterName = printer;
    fTemplateName = templ;
  }
  // The reader has the job's print-to-file item by now (it comes before the names in the file).
  const TSpoolerPrintView* view = fTaskManager->printView();
  const std::int16_t setNumber = view != nullptr ? view->settings().print2FileItem.setNumber.value() : 0;
  const QString route =
      printerRouteName(printerType, setNumber, getMyProcessedJobsPrefs()->newHandOverFormat.value() != 0);
  const QString package = fromMacRoman(packageName.macRoman());
  QMetaObject::invokeMethod(
      this,
      [this, route, templ = QString::fromStdString(templ), package] {
        if (fWindow) fWindow->setPrinterAndTemplate(route, templ, package);
      },
      Qt::QueuedConnection);
}

void TPrintBGBehavior::SetStatus(std::string_view status) {
  const QString text = QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size()));
  QMetaObject::invokeMethod(this, [this, text] { showStatus(text); }, Qt::QueuedConnection);
}

void TPrintBGBehavior::SetImage(const Offscreen* page, std::string_view caption) {
  QImage preview = previewCopy(page);
  const QString name = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  QMetaObject::invokeMethod(
      this, [this, preview = std::move(preview), name] {
        if (fWindow) fWindow->setImage(preview, name);
      },
      Qt::QueuedConnection);
}

std::string TPrintBGBehavior::jobInHand() const {
  std::lock_guard lock(fJobDetailsMutex);
  return fJobInHand;
}

void TPrintBGBehavior::SetJobFileName(std::string_view name) {
  {
    std::lock_guard lock(fJobDetailsMutex);
    fJobInHand = std::string(name);
  }
  const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  std::cerr << "Job: " << (name.empty() ? std::string_view("(none)") : name) << '\n';
  QMetaObject::invokeMethod(
      this, [this, text] {
        if (fWindow) fWindow->setJobFileName(text);
      },
      Qt::QueuedConnection);
}

void TPrintBGBehavior::SetFilesToDelete(const std::vector<FSSpec>& /*files*/) {
  // The state machine keeps the list it disposes of; the window has no use for it.
}

void TPrintBGBehavior::Beep() {
  QMetaObject::invokeMethod(qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void TPrintBGBehavior::ScanForNewJobs() { CheckForNewJobs(this); }

void TPrintBGBehavior::SendNotificationToWebServer(const ArchivedValue& dictionary) {
  mySendNotificationToWebServerAppWithDictionary(dictionary);
}

void TPrintBGBehavior::UpdateJobsList(const std::vector<std::string>& longNames) {
  QStringList names;
  names.reserve(static_cast<qsizetype>(longNames.size()));
  for (const std::string& name : longNames) names.push_back(QString::fromStdString(name));
  QMetaObject::invokeMethod(
      this, [this, names] {
        if (fWindow) fWindow->setJobList(names);
      },
      Qt::QueuedConnection);
}

void TPrintBGBehavior::EnableButtonsWhenDone() {
  QMetaObject::invokeMethod(
      this, [this] {
        if (fWindow && !fEnabled.load()) fWindow->setIdleCommandsEnabled(true);
        emit processingStateChanged();
      },
      Qt::QueuedConnection);
}

void TPrintBGBehavior::PrintLog(std::uint32_t elapsedTicks) {
  PrintLogEntry entry;
  entry.elapsedTicks = elapsedTicks;
  {
    std::lock_guard lock(fJobDetailsMutex);
    entry.printerName = fPrinterName;
    entry.templateName = fTemplateName;
    entry.jobInfo = fJobInfo;
  }
  fPrintLog.write(entry);
}

FailedJobChoice TPrintBGBehavior::AskAboutFailedJob(std::string_view jobName, std::string_view message) {
  const std::string name(jobName);
  const std::string text(message);
  if (fAnswerer) return fAnswerer(name, text);

  // The question waits for the operator, but not for ever: its own timer parks the job when nobody answers,
  // so an unattended processor goes on.
  auto answer = std::make_shared<std::promise<FailedJobChoice>>();
  std::future<FailedJobChoice> future = answer->get_future();
  {
    std::lock_guard lock(fQuestionMutex);
    fPendingAnswer = answer;
  }
  QMetaObject::invokeMethod(
      this,
      [this, name = QString::fromStdString(name), text = QString::fromStdString(text), answer] {
        openFailedJobQuestion(name, text, answer);
      },
      Qt::QueuedConnection);
  const FailedJobChoice choice = future.get();
  std::lock_guard lock(fQuestionMutex);
  fPendingAnswer.reset();
  return choice;
}

void TPrintBGBehavior::openFailedJobQuestion(const QString& jobName, const QString& reason,
                                             const std::shared_ptr<std::promise<FailedJobChoice>>& answer) {
  // The failure's alert, already up, would only repeat the question's first line.
  if (OperatorMessages* messages = operatorMessages()) messages->withdrawFromAlert(jobName, reason);
  auto* question = new FailedJobQuestion(jobName, reason, failedJobQuestionTimeout, fWindow.get());
  connect(question, &FailedJobQuestion::answered, this, [jobName, answer](FailedJobChoice choice, bool timedOut) {
    if (timedOut) {
      const QString note = tr("The job was moved to the unknown jobs folder: nobody answered the question within %1 "
                              "seconds.")
                               .arg(failedJobQuestionTimeout.count());
      if (OperatorMessages* messages = operatorMessages()) {
        messages->note(jobName, note);
      } else {
        systemLog(withJobName(jobName, note).toStdString());
      }
    }
    try {
      answer->set_value(choice);
    } catch (const std::future_error&) {
      // The program is quitting and already answered for the operator.
    }
  });
  question->show();
}

void TPrintBGBehavior::PauseProcessing() {
  QMetaObject::invokeMethod(this, [this] { EnableBackgroundPrinting(false); }, Qt::QueuedConnection);
}

// --- The window's controls (main thread) ---

void TPrintBGBehavior::onStartPauseClicked() { EnableBackgroundPrinting(!IsBackgroundPrintingEnabled()); }

void TPrintBGBehavior::onRemoveJob(int row, const QString& longName) {
  if (fEnabled.load() || row < 0) return;
  std::vector<std::string> names;
  {
    BatonHold baton;
    if (gJobFileList == nullptr || static_cast<std::size_t>(row) >= gJobFileList->size()) return;
    const QueuedJob& job = gJobFileList->item(static_cast<std::size_t>(row));
    // The row names the job the operator saw; a list that changed under the click removes nothing.
    if (QString::fromStdString(job.longName) != longName) return;
    std::filesystem::path path;
    if (FSpMakePath(job.spec, path) == noErr) {
      std::error_code error;
      std::filesystem::remove(path, error);
      if (error) std::cerr << "Remove: could not delete \"" << path.string() << "\": " << error.message() << '\n';
    }
    gJobFileList->DeleteItem(static_cast<std::size_t>(row));
    names = gJobFileList->longNames();
  }
  UpdateJobsList(names);
}

void TPrintBGBehavior::onWindowActivated() {
  if (gJobFileList == nullptr) return;
  if (fEnabled.load()) {
    // The worker looks at the folder itself between its steps; the window must not wait for a step.
    if (fThread) fThread->Wake();
    return;
  }
  BatonHold baton;
  CheckForNewJobs(this);
}

void TPrintBGBehavior::onIdle() {
  // The window's own scan runs only while processing is off with an idle interval set, which a switch-off
  // never leaves: in practice new jobs appear while paused when the window is activated.
  if (fEnabled.load() || fIdleFrequency == kIdleNever || gJobFileList == nullptr) return;
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  BatonHold baton;
  std::int16_t count = 0;
  GetAllFilesInDirectory(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID, count, *gJobFileList);
  UpdateJobsList(gJobFileList->longNames());
}

void TPrintBGBehavior::watchSpoolerFolder() {
  // The worker watches the folder itself: a new job wakes it straight away, without a turn of this event loop.
  const std::optional<std::filesystem::path> folder = printJobsFolderPath();
  if (!folder || !fThread) return;
  static_cast<void>(fThread->WatchFolder(*folder));
}

void TPrintBGBehavior::showStatus(const QString& status) {
  if (fWindow) fWindow->setStatus(status);
  if (!status.isEmpty()) std::cerr << "Status: " << status.toStdString() << '\n';
  emit statusChanged(status);
}

}  // namespace vorl
