// A picture pane ('pict', 'imag'): it keeps its own white image of its size and shows a picture fitted into it.
//
// The picture is scaled, proportions kept, to the largest centred rectangle that fits the pane, enlarged when it
// is smaller; the rest stays white. The pane copies what it is given, so the caller may drop its picture at once.
// A pane that takes room starts at its size and grows with its window, fitting the picture again each time.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace vorl {

class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  enum class Growth { fixed, takesRoom };
  // A pane of `size` (its smallest, when it takes room); its image starts white.
  PreviewPane(QSize size, QWidget* parent = nullptr, Growth growth = Growth::fixed);

  // Fits the picture into the pane's image; a null picture leaves it white. Repaints.
  void setPicture(const QImage& picture);
  // What the pane shows, at the pane's size.
  const QImage& offscreen() const noexcept { return fOffscreen; }
  // True while it shows a picture (not only white).
  bool hasPicture() const noexcept { return fHasPicture; }

  // Where a picture of `picture` size lands in a pane of `pane` size.
  static QRect fittedRect(QSize pane, QSize picture);

  QSize sizeHint() const override { return minimumSize(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void drawPicture();

  QImage fOffscreen;
  QImage fPicture;
  bool fHasPicture = false;
};

}  // namespace vorl
