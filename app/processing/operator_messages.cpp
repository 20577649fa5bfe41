#include "app/processing/operator_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "app/processing/error_log_file.h"
#include "app/windows/main_window.h"
#include "platform/system/bundle_info.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The alert keeps the latest messages; the message list keeps them all.
constexpr qsizetype kAlertMessages = 10;

}  // namespace

OperatorMessages::OperatorMessages(MainWindow* window, std::filesystem::path errorLogFile)
    : fWindow(window), fErrorLogFile(errorLogFile.empty() ? errorLogFilePath() : std::move(errorLogFile)) {}

OperatorMessages::~OperatorMessages() {
  if (fAlert) delete fAlert.data();
}

void OperatorMessages::setWindow(MainWindow* window) { fWindow = window; }

void OperatorMessages::showMessage(std::string_view text) {
  const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  {
    std::lock_guard lock(fFileMutex);
    static_cast<void>(appendErrorLogRecord(fErrorLogFile, message));  // a failure is logged there
  }
  QMetaObject::invokeMethod(
      this, [this, message] { showOnMainThread(message); }, Qt::QueuedConnection);
}

void OperatorMessages::beep() {
  systemLog("SysBeep");
  QMetaObject::invokeMethod(
      this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void OperatorMessages::showOnMainThread(const QString& text) {
  if (fWindow) fWindow->appendMessage(text);
  if (fAlert) {
    fAlertMessages.append(text);
    if (fAlertMessages.size() > kAlertMessages) fAlertMessages.remove(0, fAlertMessages.size() - kAlertMessages);
    fAlert->setText(fAlertMessages.join(QStringLiteral("\n\n")));
    return;
  }
  fAlertMessages = QStringList{text};
  auto* alert =
      new QMessageBox(QMessageBox::Warning,
                      QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())),
                      text, QMessageBox::Ok, fWindow);
  alert->setObjectName(QStringLiteral("operatorAlert"));
  alert->setAttribute(Qt::WA_DeleteOnClose);
  alert->setModal(false);
  alert->setWindowModality(Qt::NonModal);
  fAlert = alert;
  alert->show();
}

}  // namespace vorl
