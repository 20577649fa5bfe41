#include "app/windows/own_controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdint>

namespace vorl {

PopupTarget popupForSource(std::string_view source) {
  static const struct {
    const char* sources[3];
    const char* popup;
  } kTable[] = {
      {{"drdr", "file", "frst"}, "pop1"},   {{"prim", nullptr, nullptr}, "pop1"}, {{"last", "stsi", nullptr}, "pop2"},
      {{"setu", nullptr, nullptr}, "pop3"}, {{"prnp", "prnt", nullptr}, "pop4"},  {{"prvp", "prvw", nullptr}, "pop5"},
      {{"big ", "defn", nullptr}, "pop6"},  {{"cscc", "edpr", "node"}, "pop7"},   {{"clst", "tmpl", nullptr}, "pop8"},
      {{"chtp", "cpic", "pvim"}, "pop9"},
  };
  for (const auto& row : kTable) {
    for (const char* known : row.sources) {
      if (known != nullptr && source == known) return {row.popup, row.popup};
    }
  }
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    code = (code << 8) | static_cast<unsigned char>(i < source.size() ? source[i] : ' ');
  }
  return {"pop5", std::to_string(code + 100U)};
}

TPopupButton::TPopupButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  fHold.setSingleShot(true);
  fHold.setInterval(kHoldMs);
  connect(&fHold, &QTimer::timeout, this, &TPopupButton::holdElapsed);
}

void TPopupButton::mousePressEvent(QMouseEvent* event) {
  fSwallowRelease = false;
  if (event->button() == Qt::LeftButton && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
    fSwallowRelease = true;
    event->accept();
    emit popupRequested();
    return;
  }
  if (event->button() == Qt::LeftButton) {
    fPressedAt = event->position().toPoint();
    fHold.start();
  }
  QPushButton::mousePressEvent(event);
}

void TPopupButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint moved = event->position().toPoint() - fPressedAt;
  if (fHold.isActive() && (std::abs(moved.x()) > kSlop || std::abs(moved.y()) > kSlop)) fHold.stop();
  QPushButton::mouseMoveEvent(event);
}

void TPopupButton::mouseReleaseEvent(QMouseEvent* event) {
  fHold.stop();
  if (fSwallowRelease) {
    fSwallowRelease = false;
    setDown(false);
    event->accept();
    return;
  }
  QPushButton::mouseReleaseEvent(event);
}

void TPopupButton::holdElapsed() {
  if (!isDown()) return;
  // The press becomes the pop-up's; its release is no click.
  fSwallowRelease = true;
  setDown(false);
  emit popupRequested();
}

TDeselectCellScroller::TDeselectCellScroller(QWidget* parent) : QListView(parent) {}

void TDeselectCellScroller::mousePressEvent(QMouseEvent* event) {
  QListView::mousePressEvent(event);
  if (indexAt(event->position().toPoint()).isValid() || selectionModel() == nullptr) return;
  if (!selectionModel()->hasSelection()) return;
  clearSelection();
  emit cellsDeselected();
}

void drawBevel(QPainter& painter, const QRect& area, bool sunken) {
  const QColor dark(kBevelDarkGrey, kBevelDarkGrey, kBevelDarkGrey);
  const QColor light(kBevelLightGrey, kBevelLightGrey, kBevelLightGrey);
  QRect ring = area;  // right() and bottom() are the last pixels inside
  for (int pass = 0; pass < 2 && ring.width() > 0 && ring.height() > 0; ++pass) {
    painter.setPen(sunken ? dark : light);
    painter.drawLine(ring.bottomLeft(), ring.topLeft());
    painter.drawLine(ring.topLeft(), ring.topRight());
    painter.setPen(sunken ? light : dark);
    painter.drawLine(ring.topRight(), ring.bottomRight());
    painter.drawLine(ring.bottomRight(), ring.bottomLeft());
    ring.adjust(1, 1, -1, -1);
  }
}

TInFrameAdorner::TInFrameAdorner(QWidget* parent) : QFrame(parent) { setFrameStyle(QFrame::Box | QFrame::Plain); }

T3DFrameAdorner::T3DFrameAdorner(QWidget* parent) : QFrame(parent) { setContentsMargins(2, 2, 2, 2); }

void T3DFrameAdorner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawBevel(painter, rect(), true);
}

T3DButtonAdorner::T3DButtonAdorner(QWidget* parent) : QFrame(parent) { setContentsMargins(2, 2, 2, 2); }

void T3DButtonAdorner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawBevel(painter, rect(), false);
}

}  // namespace vorl
