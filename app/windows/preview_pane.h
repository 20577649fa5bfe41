// A picture pane ('pict', 'imag'): it keeps its own white image of its size and shows a picture fitted into it.
//
// The picture is scaled, proportions kept, to the largest centred rectangle that fits the pane, enlarged when it
// is smaller; the rest stays white. The pane copies what it is given, so the caller may drop its picture at once.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace vorl {

class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  // A pane of a fixed size: its image is made once, white.
  PreviewPane(QSize size, QWidget* parent = nullptr);

  // Fits the picture into the pane's image; a null picture leaves it white. Repaints.
  void setPicture(const QImage& picture);
  // What the pane shows, at the pane's size.
  const QImage& offscreen() const noexcept { return fOffscreen; }
  // True while it shows a picture (not only white).
  bool hasPicture() const noexcept { return fHasPicture; }

  // Where a picture of `picture` size lands in a pane of `pane` size.
  static QRect fittedRect(QSize pane, QSize picture);

  QSize sizeHint() const override { return fOffscreen.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage fOffscreen;
  bool fHasPicture = false;
};

}  // namespace vorl
