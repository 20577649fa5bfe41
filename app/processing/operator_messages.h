// The application's message sink: where every operator message ends up.
//
// A message may come from any thread. It is written at once to "Error Log File" (so it survives a crash of the
// program that follows it), then handed to the main thread, where it is added to the main window's message list
// with its time and job and shown in a non-modal alert. A message from the worker is about the job in hand, so it
// carries that job's name. There is one alert at a time: messages that arrive while it is open are added to its
// text (the most recent ones), so a burst of messages never floods the screen and nothing waits for the operator.
#pragma once

#include <QDateTime>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include "foundation/services/messages.h"

namespace vorl {

class MainWindow;

class OperatorMessages : public QObject, public MessageSink {
  Q_OBJECT

 public:
  // Made on the main thread; install it with setMessageSink and put the default back before destroying it. `window` may
  // be null (messages then go to the file and the alert only); `errorLogFile` defaults to "Error Log File" in the
  // application folder.
  explicit OperatorMessages(MainWindow* window, std::filesystem::path errorLogFile = {});
  ~OperatorMessages() override;

  void setWindow(MainWindow* window);

  void showMessage(std::string_view text) override;
  void beep() override;

  // A line for the message list, "Error Log File" and the per-day log without an alert: something the operator
  // should be able to read later but need not dismiss. Main thread.
  void note(const QString& job, const QString& text);
  // The failed-job question names the job and the reason itself: the alert's line for that failure goes, and
  // the alert with it when it held nothing else. Main thread.
  void withdrawFromAlert(const QString& job, const QString& text);

  // The open alert; null when none is open.
  QMessageBox* alert() const { return fAlert; }

 private:
  struct Line {
    QString job;
    QString text;
  };
  void showOnMainThread(const QDateTime& time, const QString& job, const QString& text);
  void writeRecord(const QString& text);
  void showAlertLines();

  QPointer<MainWindow> fWindow;
  std::filesystem::path fErrorLogFile;
  std::mutex fFileMutex;  // one record at a time, whatever thread writes it
  QPointer<QMessageBox> fAlert;
  std::vector<Line> fAlertLines;
};

// The sink the running application made; null when there is none.
OperatorMessages* operatorMessages() noexcept;

// How one alert or question line names its job: "job: text", or the text alone without a job.
QString withJobName(const QString& job, const QString& text);

}  // namespace vorl
