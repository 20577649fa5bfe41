#include "app/windows/preview_pane.h"

#include <QPainter>
#include <QResizeEvent>

#include "imaging/offscreens/offscreen.h"
#include "imaging/offscreens/placement.h"

namespace vorl {

PreviewPane::PreviewPane(QSize size, QWidget* parent, Growth growth)
    : QWidget(parent), fOffscreen(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32) {
  fOffscreen.fill(Qt::white);
  if (growth == Growth::fixed) {
    setFixedSize(fOffscreen.size());
  } else {
    setMinimumSize(fOffscreen.size());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
}

QRect PreviewPane::fittedRect(QSize pane, QSize picture) {
  if (pane.isEmpty() || picture.isEmpty()) return {};
  // The fitting works on 16-bit rectangles; only the proportions of a larger picture matter.
  constexpr int kSide = kMaxOffscreenSide;
  if (picture.width() > kSide || picture.height() > kSide) picture.scale(kSide, kSide, Qt::KeepAspectRatio);
  pane = pane.boundedTo(QSize(kSide, kSide));
  const Rect frame = makeRect(0, 0, pane.height(), pane.width());
  const Rect image = makeRect(0, 0, picture.height(), picture.width());
  const Rect fitted = CalculateMaximumRect(frame, image, true);
  return QRect(fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top);
}

void PreviewPane::setPicture(const QImage& picture) {
  fPicture = picture;
  drawPicture();
  repaint();
}

void PreviewPane::drawPicture() {
  fOffscreen.fill(Qt::white);
  fHasPicture = false;
  const QRect target = fittedRect(fOffscreen.size(), fPicture.size());
  if (!target.isEmpty()) {
    // The fit can stand out of the pane by a row or column where two ratios nearly agree; the painter clips it.
    QPainter painter(&fOffscreen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, fPicture);
    fHasPicture = true;
  }
}

void PreviewPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (size() == fOffscreen.size() || size().isEmpty()) return;
  fOffscreen = QImage(size(), QImage::Format_RGB32);
  drawPicture();
}

void PreviewPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), fOffscreen);
}

}  // namespace vorl
