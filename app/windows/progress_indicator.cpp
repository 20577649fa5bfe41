#include "app/windows/progress_indicator.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <string>

#include "app/windows/progress_window.h"
#include "foundation/services/event_pump.h"
#include "jobs/engine/job_observer.h"
#include "platform/core/clock.h"
#include "platform/system/system_log.h"

namespace vorl {

TMyProgressIndicator* gProgressIndicator = nullptr;

TMyProgressIndicator::TMyProgressIndicator() : fMainThread(std::make_unique<QObject>()) {
  if (QCoreApplication* application = QCoreApplication::instance()) fMainThread->moveToThread(application->thread());
  systemLog("TMyProgressIndicator::TMyProgressIndicator");
}

TMyProgressIndicator::~TMyProgressIndicator() {
  fMainThread.reset();  // drops work still queued for the window before the window goes
  fProgressWindow.reset();
}

void TMyProgressIndicator::onMainThread(std::function<void()> work) {
  if (QCoreApplication::instance() == nullptr || QThread::currentThread() == fMainThread->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(fMainThread.get(), std::move(work), Qt::QueuedConnection);
}

void TMyProgressIndicator::replaceWindow(std::int16_t windowId) {
  onMainThread([this, windowId] {
    if (fProgressWindow) fProgressWindow->close();
    fProgressWindow = std::make_unique<ProgressWindow>(windowId, this);
    fVisible = false;
  });
}

void TMyProgressIndicator::IProgressIndicator(std::int16_t windowId) {
  fInitialised = true;
  replaceWindow(windowId);
  fWindowID = windowId;
}

void TMyProgressIndicator::SetProgressWindowResourceID(std::int16_t windowId) {
  if (windowId == fWindowID) return;
  replaceWindow(windowId);
  fWindowID = windowId;
}

void TMyProgressIndicator::Reset() {
  onMainThread([this] {
    if (fProgressWindow) fProgressWindow->Reset();
  });
}

void TMyProgressIndicator::Start(std::int32_t maximum, std::int32_t delayTicks) {
  fCancelRequested = false;
  fPauseRequested = false;
  if (fShowAtTicks == 0) fShowAtTicks = TickCount() + static_cast<std::uint32_t>(delayTicks);
  onMainThread([this, maximum] {
    if (fProgressWindow) fProgressWindow->Start(maximum);
  });
  static_cast<void>(Continue(0));  // the callers read the cancel flag later
}

void TMyProgressIndicator::Start(std::int32_t maximum, std::int16_t windowId, const QString& title,
                                 std::int32_t delayTicks) {
  fCancelRequested = false;
  fPauseRequested = false;
  if (fShowAtTicks == 0) fShowAtTicks = TickCount() + static_cast<std::uint32_t>(delayTicks);
  SetProgressWindowResourceID(windowId);
  onMainThread([this, maximum, title] {
    if (!fProgressWindow) return;
    for (const char* id : {"txt1", "txt2", "txt3", "txt4"}) fProgressWindow->SetText(QString::fromLatin1(id), {}, true);
    fProgressWindow->SetText(QStringLiteral("titl"), title, true);
    fProgressWindow->raise();  // to the front of the windows, still hidden until it opens
    fProgressWindow->Start(maximum);
  });
  static_cast<void>(Continue(0));
}

bool TMyProgressIndicator::Continue(std::int32_t delta) {
  if (!fInitialised || fBehaviour != nullptr) return fCancelRequested;
  // Unsigned: the show time is compared as the tick counter runs, wrap included.
  const bool due = TickCount() >= fShowAtTicks;
  onMainThread([this, delta, due] {
    if (!fProgressWindow) return;
    if (!fProgressWindow->isVisible() && due) {
      fProgressWindow->show();
      fVisible = true;
    }
    if (fProgressWindow->redrawsEveryStep()) fProgressWindow->repaint();
    fProgressWindow->Continue(delta);
  });
  myNewApplicationPollEvent();
  return fCancelRequested;
}

void TMyProgressIndicator::Stop() {
  onMainThread([this] {
    if (!fProgressWindow) return;
    fProgressWindow->makeDeterminate();
    fProgressWindow->Stop();
    fProgressWindow->hide();
    fVisible = false;
  });
  fShowAtTicks = 0;
}

void TMyProgressIndicator::SetTitle(const QString& title) {
  onMainThread([this, title] {
    if (!fProgressWindow) return;
    fProgressWindow->SetText(QStringLiteral("titl"), title, true);
    fProgressWindow->update();
    fProgressWindow->raise();
  });
}

void TMyProgressIndicator::SetText1(const QString& text) {
  onMainThread([this, text] {
    if (fProgressWindow) fProgressWindow->SetText(QStringLiteral("txt1"), text, true);
  });
}

void TMyProgressIndicator::SetText2(const QString& text) {
  onMainThread([this, text] {
    if (fProgressWindow) fProgressWindow->SetText(QStringLiteral("txt2"), text, true);
  });
}

void TMyProgressIndicator::SetText3(const QString& text) {
  onMainThread([this, text] {
    if (fProgressWindow) fProgressWindow->SetText(QStringLiteral("txt3"), text, true);
  });
}

void TMyProgressIndicator::SetText4(const QString& text) {
  onMainThread([this, text] {
    if (fProgressWindow) fProgressWindow->SetText(QStringLiteral("txt4"), text, true);
  });
}

void TMyProgressIndicator::SetText6(const QString& text) {
  onMainThread([this, text] {
    if (fProgressWindow) fProgressWindow->SetText(QStringLiteral("txt6"), text, true);
  });
}

void TMyProgressIndicator::SetStatus(const QString& text) {
  if (fBehaviour != nullptr) fBehaviour->SetStatus(text.toStdString());
}

void TMyProgressIndicator::SetImage(const Offscreen* page) {
  if (fBehaviour != nullptr) fBehaviour->SetImage(page, "");
}

// An indeterminate bar animates on its own; a long pixel loop needs no step from here.
void TMyProgressIndicator::IdleProgress() {}

bool TMyProgressIndicator::IsVisible() const { return fVisible; }

}  // namespace vorl
