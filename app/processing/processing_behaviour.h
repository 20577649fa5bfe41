// The processing behaviour: what connects the window to the state machine.
//
// It owns the main window and the worker thread, switches processing on and off, and is the observer through
// which the job road shows its status, page, job and printer names and job list, writes the print log and asks
// the failed-job question. The job road calls it on the worker thread inside a step; every call that shows
// something goes on to the main thread as a queued call carrying copies, so the worker never touches a widget.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "app/processing/print_log.h"
#include "jobs/engine/job_observer.h"

class QMessageBox;
class QTimer;

namespace vorl {

class MainWindow;
class TPrintJobTaskManager;
class TSimpleThread;
class TSortedFileList;

// The behaviour's idle interval while processing is off: never.
inline constexpr std::int32_t kIdleNever = 0x7FFFFFFF;

class TPrintBGBehavior final : public QObject, public JobObserver {
  Q_OBJECT

 public:
  // `applicationFolder` holds the print log.
  explicit TPrintBGBehavior(std::filesystem::path applicationFolder, QObject* parent = nullptr);
  ~TPrintBGBehavior() override;

  // Makes the job queue and the main window, and takes up the jobs left from an earlier run and new ones.
  void IPrintBGBehavior();
  void EnableBackgroundPrinting(bool on);
  // Abandons the job in hand: its next step goes straight to the clean-up.
  void ResetAll();
  // Stops the worker after the step in hand (at quit). Call without the baton.
  void ShutdownWorker();
  // Whether a job is waiting or in hand while processing is on: the scripted quit is refused then.
  bool IsBusyForQuit() const;

  MainWindow* window() const noexcept { return fWindow.get(); }
  bool neverStarted() const noexcept { return fNeverStarted; }
  std::int32_t idleFrequency() const noexcept { return fIdleFrequency; }
  bool workerExists() const noexcept { return static_cast<bool>(fThread); }
  const PrintLogFile& printLog() const noexcept { return fPrintLog; }

  // Tests answer the failed-job question themselves; the default asks the operator and parks the job when
  // nobody answers within `failedJobQuestionTimeout`.
  using FailedJobAnswerer = std::function<FailedJobChoice(const std::string& jobName, const std::string& message)>;
  void setFailedJobAnswerer(FailedJobAnswerer answerer) { fAnswerer = std::move(answerer); }
  static constexpr std::chrono::seconds failedJobQuestionTimeout{60};
  // The long name of the job in hand (UTF-8), empty when none; any thread.
  std::string jobInHand() const;

  // --- JobObserver: called on the worker inside a step ---
  void SetJobInfo(const tJobInfo& info) override;
  void SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName, const Str255& packageName) override;
  void SetStatus(std::string_view status) override;
  void SetImage(const Offscreen* page, std::string_view caption) override;
  void SetJobFileName(std::string_view name) override;
  void SetFilesToDelete(const std::vector<FSSpec>& files) override;
  void Beep() override;
  bool IsBackgroundPrintingEnabled() override { return fEnabled.load(); }
  void ScanForNewJobs() override;
  void SendNotificationToWebServer(const ArchivedValue& dictionary) override;
  void UpdateJobsList(const std::vector<std::string>& longNames) override;
  void EnableButtonsWhenDone() override;
  void PrintLog(std::uint32_t elapsedTicks) override;
  FailedJobChoice AskAboutFailedJob(std::string_view jobName, std::string_view message) override;
  void PauseProcessing() override;

 signals:
  // Every status text, on the main thread (the window's status line shows it too).
  void statusChanged(const QString& status);
  // The exit button or the close box asked to quit (command 36).
  void quitRequested();
  // Processing was switched on or off, or the step in hand after a switch-off ended.
  void processingStateChanged();

 private:
  void onStartPauseClicked();
  void onRemoveJob(int row, const QString& longName);
  void onWindowActivated();
  void onIdle();
  void watchSpoolerFolder();
  void showStatus(const QString& status);
  // Main thread: shows the question, which answers `answer` once.
  void openFailedJobQuestion(const QString& jobName, const QString& reason,
                             const std::shared_ptr<std::promise<FailedJobChoice>>& answer);

  std::filesystem::path fApplicationFolder;
  std::unique_ptr<MainWindow> fWindow;
  std::unique_ptr<TSortedFileList> fJobFileList;
  std::unique_ptr<TPrintJobTaskManager> fTaskManager;
  std::unique_ptr<TSimpleThread> fThread;
  QTimer* fIdleTimer = nullptr;
  std::atomic<bool> fEnabled{false};
  bool fNeverStarted = true;
  std::int32_t fIdleFrequency = 15;
  FailedJobAnswerer fAnswerer;
  std::mutex fQuestionMutex;
  std::shared_ptr<std::promise<FailedJobChoice>> fPendingAnswer;

  // What the print log needs of the job in hand, kept on the worker's side as the job reader tells it.
  mutable std::mutex fJobDetailsMutex;
  std::string fJobInHand;
  std::string fPrinterName;
  std::string fTemplateName;
  tJobInfo fJobInfo{};
  PrintLogFile fPrintLog;
};

// The behaviour of the running application; null before the start command made it.
TPrintBGBehavior* processingBehaviour() noexcept;

}  // namespace vorl
