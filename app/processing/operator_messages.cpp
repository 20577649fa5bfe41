#include "app/processing/operator_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <utility>

#include "app/processing/error_log_file.h"
#include "app/processing/processing_behaviour.h"
#include "app/windows/main_window.h"
#include "platform/system/bundle_info.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The alert keeps the latest messages; the message list keeps them all.
constexpr std::size_t kAlertMessages = 10;

OperatorMessages* gOperatorMessages = nullptr;

bool onMainThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application == nullptr || QThread::currentThread() == application->thread();
}

}  // namespace

OperatorMessages* operatorMessages() noexcept { return gOperatorMessages; }

QString withJobName(const QString& job, const QString& text) {
  return job.isEmpty() ? text : QStringLiteral("%1: %2").arg(job, text);
}

OperatorMessages::OperatorMessages(MainWindow* window, std::filesystem::path errorLogFile)
    : fWindow(window), fErrorLogFile(errorLogFile.empty() ? errorLogFilePath() : std::move(errorLogFile)) {
  gOperatorMessages = this;
}

OperatorMessages::~OperatorMessages() {
  if (gOperatorMessages == this) gOperatorMessages = nullptr;
  if (fAlert) delete fAlert.data();
}

void OperatorMessages::setWindow(MainWindow* window) { fWindow = window; }

void OperatorMessages::showMessage(std::string_view text) {
  const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const QDateTime time = QDateTime::currentDateTime();
  // Only the worker speaks for the job in hand; a message of the main thread is about the operator's command.
  QString job;
  if (!onMainThread()) {
    if (const TPrintBGBehavior* behaviour = processingBehaviour()) job = QString::fromStdString(behaviour->jobInHand());
  }
  writeRecord(message);
  QMetaObject::invokeMethod(
      this, [this, time, job, message] { showOnMainThread(time, job, message); }, Qt::QueuedConnection);
}

void OperatorMessages::beep() {
  systemLog("SysBeep");
  QMetaObject::invokeMethod(
      this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void OperatorMessages::note(const QString& job, const QString& text) {
  systemLog(withJobName(job, text).toStdString());
  writeRecord(withJobName(job, text));
  if (fWindow) fWindow->appendMessage(QDateTime::currentDateTime(), job, text);
}

void OperatorMessages::withdrawFromAlert(const QString& job, const QString& text) {
  if (!fAlert) return;
  for (auto line = fAlertLines.rbegin(); line != fAlertLines.rend(); ++line) {
    if (line->job == job && line->text == text) {
      fAlertLines.erase(std::next(line).base());
      break;
    }
  }
  if (fAlertLines.empty()) {
    fAlert->close();
    return;
  }
  showAlertLines();
}

void OperatorMessages::writeRecord(const QString& text) {
  std::lock_guard lock(fFileMutex);
  static_cast<void>(appendErrorLogRecord(fErrorLogFile, text));  // a failure is logged there
}

void OperatorMessages::showOnMainThread(const QDateTime& time, const QString& job, const QString& text) {
  if (fWindow) fWindow->appendMessage(time, job, text);
  if (fAlert) {
    fAlertLines.push_back({job, text});
    if (fAlertLines.size() > kAlertMessages)
      fAlertLines.erase(fAlertLines.begin(), fAlertLines.end() - static_cast<std::ptrdiff_t>(kAlertMessages));
    showAlertLines();
    return;
  }
  fAlertLines = {Line{job, text}};
  auto* alert =
      new QMessageBox(QMessageBox::Warning,
                      QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())),
                      QString(), QMessageBox::Ok, fWindow);
  alert->setObjectName(QStringLiteral("operatorAlert"));
  alert->setAttribute(Qt::WA_DeleteOnClose);
  alert->setModal(false);
  alert->setWindowModality(Qt::NonModal);
  fAlert = alert;
  showAlertLines();
  alert->show();
}

void OperatorMessages::showAlertLines() {
  QStringList lines;
  for (const Line& line : fAlertLines) lines.append(withJobName(line.job, line.text));
  fAlert->setText(lines.join(QStringLiteral("\n\n")));
}

}  // namespace vorl
