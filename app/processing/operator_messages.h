// The application's message sink: where every operator message ends up.
//
// A message may come from any thread. It is written at once to "Error Log File" (so it survives a crash of the
// program that follows it), then handed to the main thread, where it is added to the main window's message list
// and shown in a non-modal alert. There is one alert at a time: messages that arrive while it is open are added
// to its text (the most recent ones), so a burst of messages never floods the screen and nothing waits for the
// operator.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <mutex>
#include <string_view>

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

  // The open alert; null when none is open.
  QMessageBox* alert() const { return fAlert; }

 private:
  void showOnMainThread(const QString& text);

  QPointer<MainWindow> fWindow;
  std::filesystem::path fErrorLogFile;
  std::mutex fFileMutex;  // one record at a time, whatever thread writes it
  QPointer<QMessageBox> fAlert;
  QStringList fAlertMessages;
};

}  // namespace vorl
