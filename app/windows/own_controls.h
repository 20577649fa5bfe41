// The program's own controls: a button that opens a pop-up menu when held down or control-clicked, a list that
// clears its selection on a click outside the rows, and the bevelled frames of the windows' panels.
#pragma once

#include <QFrame>
#include <QListView>
#include <QPoint>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <string_view>

class QPainter;

namespace vorl {

// Which hidden pop-up a button brings up, and the identifier its choice is reported under.
struct PopupTarget {
  std::string popup;
  std::string tracked;
};
// The source-to-pop-up table: the known sources name 'pop1' to 'pop9'; any other opens 'pop5' and reports
// under the source plus 100 (the four characters read as a big-endian 32-bit number, given back as its
// decimal digits).
PopupTarget popupForSource(std::string_view source);

// A push button that, held still (within 3 pixels) for about half a second or clicked with Control, asks for
// its pop-up instead of clicking.
class TPopupButton final : public QPushButton {
  Q_OBJECT

 public:
  static constexpr int kHoldMs = 550;  // 33 ticks
  static constexpr int kSlop = 3;

  TPopupButton(const QString& text, QWidget* parent = nullptr);

 signals:
  void popupRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void holdElapsed();

  QTimer fHold;
  QPoint fPressedAt;
  bool fSwallowRelease = false;
};

// A list that, clicked where no row is, clears its selection and says so (event 102).
class TDeselectCellScroller final : public QListView {
  Q_OBJECT

 public:
  explicit TDeselectCellScroller(QWidget* parent = nullptr);

 signals:
  void cellsDeselected();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

inline constexpr int kBevelDarkGrey = 0x90;   // 0x9000 of 0xFFFF on each channel
inline constexpr int kBevelLightGrey = 0xF0;  // 0xF000

// Two one-pixel rings inside `area`: top and left edges in one grey, bottom and right in the other. Sunken
// draws the top and left dark.
void drawBevel(QPainter& painter, const QRect& area, bool sunken);

// A plain frame around its contents.
class TInFrameAdorner final : public QFrame {
 public:
  explicit TInFrameAdorner(QWidget* parent = nullptr);
};

// A sunken bevel around its contents.
class T3DFrameAdorner final : public QFrame {
 public:
  explicit T3DFrameAdorner(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A raised bevel around its contents.
class T3DButtonAdorner final : public QFrame {
 public:
  explicit T3DButtonAdorner(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vorl
