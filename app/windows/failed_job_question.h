// The failed-job question: one window per failed job, naming the job and why it failed, with the four answers.
//
// It is window-modal to nothing: processing waits for the answer, the rest of the program does not. The
// question answers exactly once: with the button the operator clicked, or, when nobody answered within its
// time, by parking the job, after which it closes itself. A question that could not be closed would collect
// clicks that nobody hears.
#pragma once

#include <QMessageBox>
#include <QString>
#include <chrono>

#include "jobs/engine/job_observer.h"

class QTimer;

namespace vorl {

class FailedJobQuestion final : public QMessageBox {
  Q_OBJECT

 public:
  // The buttons' object names, by the answer each gives.
  static constexpr const char* kTryAgainLaterId = "tryAgainLater";
  static constexpr const char* kDeleteJobId = "deleteJob";
  static constexpr const char* kMoveToUnknownJobsId = "moveToUnknownJobs";
  static constexpr const char* kPauseProcessingId = "pauseProcessing";
  // The timer that parks the job when nobody answers; it runs from the moment the question is shown.
  static constexpr const char* kTimeoutTimerId = "questionTimeout";

  FailedJobQuestion(const QString& jobName, const QString& reason, std::chrono::milliseconds timeout,
                    QWidget* parent = nullptr);

 signals:
  // Emitted once: the operator's choice, or kMoveToUnknownJobs with `timedOut` when nobody answered.
  void answered(vorl::FailedJobChoice choice, bool timedOut);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void answer(FailedJobChoice choice, bool timedOut);

  QTimer* timeout_ = nullptr;
  bool answered_ = false;
};

}  // namespace vorl
