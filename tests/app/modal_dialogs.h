// Answering the application's modal dialogs from a test: the answer is set up before the command that opens the
// dialog runs, and is given once the dialog is up.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace vorl::test {

// Answers the next modal dialog that `matches` once it is up. When none has come within five seconds the test
// fails and whatever modal dialog is up is closed, so a test never waits for a person.
inline void answerDialog(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  const QDeadlineTimer deadline(5000);
  QObject::connect(timer, &QTimer::timeout, [timer, matches, answer, deadline] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool found = modal && modal->isVisible() && matches(modal);
    if (!found && !deadline.hasExpired()) return;
    timer->stop();
    timer->deleteLater();
    if (found) {
      answer(modal);
      return;
    }
    ADD_FAILURE() << "the expected dialog did not come up";
    if (modal != nullptr) modal->close();
  });
  timer->start(5);
}

}  // namespace vorl::test
