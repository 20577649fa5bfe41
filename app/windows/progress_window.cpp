#include "app/windows/progress_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "app/windows/progress_indicator.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

struct WindowLayout {
  std::int16_t id;
  const char* title;
  bool busyIndicator;  // 'carw': runs by itself while the window is open
  bool redrawEveryStep;
};

// 9002 is made with the controller, 9003 is the file-saving window; the others are shown by long operations
// that want the window redrawn at every step.
constexpr WindowLayout kLayouts[] = {
    {9001, "Working\u2026", true, true},       {9002, "Vorl-Zeverezoz", true, false},
    {9003, "Saving File\u2026", false, false}, {9007, "Working\u2026", true, true},
    {9008, "Working\u2026", true, true},       {9010, "Working\u2026", true, true},
    {9011, "Working\u2026", true, true},       {9012, "Working\u2026", true, true},
    {9017, "Working\u2026", true, true},       {9019, "Working\u2026", true, true},
};
constexpr WindowLayout kPlainLayout{0, "", false, false};

const WindowLayout& layoutFor(std::int16_t id) {
  const auto* found = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                   [id](const WindowLayout& layout) { return layout.id == id; });
  return found == std::end(kLayouts) ? kPlainLayout : *found;
}

QLabel* addText(QWidget* parent, QVBoxLayout* layout, const char* id) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(id));
  label->setMinimumWidth(320);
  layout->addWidget(label);
  return label;
}

}  // namespace

ProgressWindow::ProgressWindow(std::int16_t windowId, TMyProgressIndicator* controller, QWidget* parent)
    : QWidget(parent, Qt::Tool), fWindowId(windowId), fController(controller) {
  const WindowLayout& layout = layoutFor(windowId);
  setWindowTitle(QString::fromUtf8(layout.title));
  auto* column = new QVBoxLayout(this);
  addText(this, column, "titl")->setText(QString::fromUtf8(layout.title));
  auto* bars = new QHBoxLayout;
  fBar = new QProgressBar(this);
  fBar->setObjectName(QStringLiteral("pbar"));
  fBar->setTextVisible(false);
  showBar();
  bars->addWidget(fBar, 1);
  if (layout.busyIndicator) {
    auto* arrows = new QProgressBar(this);
    arrows->setObjectName(QStringLiteral("carw"));
    arrows->setRange(0, 0);
    arrows->setTextVisible(false);
    arrows->setFixedWidth(48);
    bars->addWidget(arrows);
    systemLog("This TProgressWindow Has Chasing Arrows");
  }
  column->addLayout(bars);
  for (const char* id : {"txt1", "txt2", "txt3", "txt4", "txt6"}) addText(this, column, id);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* pause = new QPushButton(QStringLiteral("Pause"), this);
  pause->setObjectName(QStringLiteral("paus"));
  auto* stop = new QPushButton(QStringLiteral("Stop"), this);
  stop->setObjectName(QStringLiteral("stop"));
  buttons->addWidget(pause);
  buttons->addWidget(stop);
  column->addLayout(buttons);

  connect(stop, &QPushButton::clicked, this, [this] {
    if (fController != nullptr) fController->RequestCancel();
  });
  connect(pause, &QPushButton::clicked, this, [this] {
    if (fController != nullptr) fController->fPauseRequested = true;
    SetText(QStringLiteral("txt6"), QStringLiteral("One moment please\u2026"), true);
  });
}

bool ProgressWindow::redrawsEveryStep() const noexcept { return layoutFor(fWindowId).redrawEveryStep; }

void ProgressWindow::Reset() {
  fMaximum = 0;
  fValue = 0;
  showBar();
}

void ProgressWindow::Start(std::int32_t maximum) {
  if (maximum == -1) {
    fIndeterminate = true;
    showBar();
    return;
  }
  fIndeterminate = false;
  fMaximum = std::max(maximum, 0);
  fValue = 0;
  Continue(0);
}

void ProgressWindow::Continue(std::int32_t delta) {
  if (fIndeterminate) return;  // it animates by itself
  if (delta >= 0) fValue = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{fValue} + delta, fMaximum));
  showBar();
}

void ProgressWindow::Stop() {
  fValue = fMaximum;
  showBar();
}

void ProgressWindow::makeDeterminate() {
  fIndeterminate = false;
  showBar();
}

// Qt takes a range of (0, 0) for an indeterminate bar, so an empty determinate bar is shown as (0, 1).
void ProgressWindow::showBar() {
  if (fIndeterminate) {
    fBar->setRange(0, 0);
  } else {
    fBar->setRange(0, std::max(fMaximum, 1));
    fBar->setValue(fValue);
  }
  fBar->repaint();
}

void ProgressWindow::SetText(const QString& id, const QString& text, bool redraw) {
  auto* label = findChild<QLabel*>(id);
  if (label == nullptr) return;
  label->setText(text);
  if (redraw) label->repaint();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && fController != nullptr) fController->RequestCancel();
  QWidget::keyPressEvent(event);
}

}  // namespace vorl
