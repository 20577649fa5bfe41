#include "app/windows/failed_job_question.h"

#include <QPushButton>
#include <QTimer>

#include "platform/system/bundle_info.h"

namespace vorl {

FailedJobQuestion::FailedJobQuestion(const QString& jobName, const QString& reason,
                                     std::chrono::milliseconds timeout, QWidget* parent)
    : QMessageBox(QMessageBox::Warning,
                  QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())),
                  tr("The job \"%1\" failed: %2").arg(jobName, reason), QMessageBox::NoButton, parent) {
  setObjectName(QStringLiteral("failedJobQuestion"));
  setInformativeText(tr("What should be done with it? Without an answer within %1 seconds it is moved to the "
                        "unknown jobs folder.")
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout).count()));
  setWindowModality(Qt::NonModal);
  setAttribute(Qt::WA_DeleteOnClose);

  struct Button {
    const char* id;
    const char* title;
    FailedJobChoice choice;
  };
  for (const Button& b : {Button{kTryAgainLaterId, "Try Again Later", FailedJobChoice::kRequeue},
                          Button{kDeleteJobId, "Delete Job", FailedJobChoice::kDelete},
                          Button{kMoveToUnknownJobsId, "Move to Unknown Jobs", FailedJobChoice::kMoveToUnknownJobs},
                          Button{kPauseProcessingId, "Pause Processing", FailedJobChoice::kRequeueAndPause}}) {
    QPushButton* button = addButton(tr(b.title), QMessageBox::ActionRole);
    button->setObjectName(QString::fromLatin1(b.id));
    button->setProperty("choice", static_cast<int>(b.choice));
  }

  // The message box closes itself before a button's own clicked() reaches anyone else; the button it closed
  // for is known by then, so the answer is read from it.
  connect(this, &QMessageBox::finished, this, [this] {
    const QAbstractButton* clicked = clickedButton();
    answer(clicked != nullptr ? static_cast<FailedJobChoice>(clicked->property("choice").toInt())
                              : FailedJobChoice::kMoveToUnknownJobs,
           false);
  });

  timeout_ = new QTimer(this);
  timeout_->setObjectName(QString::fromLatin1(kTimeoutTimerId));
  timeout_->setSingleShot(true);
  timeout_->setInterval(timeout);
  connect(timeout_, &QTimer::timeout, this, [this] {
    answer(FailedJobChoice::kMoveToUnknownJobs, true);
    done(0);  // close() would be refused: the question has no button that means "cancel"
  });
}

void FailedJobQuestion::showEvent(QShowEvent* event) {
  QMessageBox::showEvent(event);
  if (!answered_ && !timeout_->isActive()) timeout_->start();
}

void FailedJobQuestion::answer(FailedJobChoice choice, bool timedOut) {
  if (answered_) return;
  answered_ = true;
  timeout_->stop();
  emit answered(choice, timedOut);
}

}  // namespace vorl
