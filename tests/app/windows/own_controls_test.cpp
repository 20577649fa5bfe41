// The program's own controls: the hold-or-control-click pop-up button, the list that clears its selection, and
// the bevelled frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>

#include "app/windows/main_window.h"
#include "app/windows/own_controls.h"

namespace vorl {
namespace {

TEST(OwnControls, PopupTableNamesThePopupAndTheTrackedIdentifier) {
  const struct {
    const char* source;
    const char* popup;
    const char* tracked;
  } cases[] = {
      {"file", "pop1", "pop1"}, {"prim", "pop1", "pop1"}, {"stsi", "pop2", "pop2"},       {"setu", "pop3", "pop3"},
      {"prnt", "pop4", "pop4"}, {"prvw", "pop5", "pop5"}, {"big ", "pop6", "pop6"},       {"node", "pop7", "pop7"},
      {"tmpl", "pop8", "pop8"}, {"pvim", "pop9", "pop9"}, {"zzzz", "pop5", "2054847198"},  // 0x7A7A7A7A + 100
  };
  for (const auto& c : cases) {
    const PopupTarget target = popupForSource(c.source);
    EXPECT_EQ(target.popup, c.popup) << c.source;
    EXPECT_EQ(target.tracked, c.tracked) << c.source;
  }
}

void moveHeld(QWidget* widget, QPoint to) {
  QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(widget->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

TEST(OwnControls, PopupButtonOpensOnAStillHoldOrAControlClickAndClicksOtherwise) {
  enum Gesture { kQuickClick, kHoldStill, kHoldMoved, kHoldSlightlyMoved, kControlClick };
  const struct {
    Gesture gesture;
    bool popup;
  } cases[] = {
      {kQuickClick, false}, {kHoldStill, true}, {kHoldMoved, false}, {kHoldSlightlyMoved, true}, {kControlClick, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gesture);
    TPopupButton button(QStringLiteral("Empty Folders"));
    button.resize(120, 30);
    button.show();
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QSignalSpy popup(&button, &TPopupButton::popupRequested);
    const QPoint at(20, 15);
    switch (c.gesture) {
      case kQuickClick:
        QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, at);
        break;
      case kControlClick:
        QTest::mouseClick(&button, Qt::LeftButton, Qt::ControlModifier, at);
        EXPECT_EQ(popup.count(), 1);  // at once, without the hold
        break;
      default:
        QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, at);
        if (c.gesture == kHoldMoved) moveHeld(&button, at + QPoint(TPopupButton::kSlop + 2, 0));
        if (c.gesture == kHoldSlightlyMoved) moveHeld(&button, at + QPoint(TPopupButton::kSlop, -TPopupButton::kSlop));
        // A hold that should open the menu is waited for; one that should not gets the hold time and more.
        if (c.popup)
          EXPECT_TRUE(popup.count() == 1 || popup.wait(10'000));
        else
          QTest::qWait(TPopupButton::kHoldMs + 150);
        QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, at);
        break;
    }
    EXPECT_EQ(popup.count(), c.popup ? 1 : 0);
    EXPECT_EQ(clicked.count(), c.popup ? 0 : 1);
    EXPECT_FALSE(button.isDown());
  }
}

TEST(OwnControls, MainWindowFolderButtonControlClickShowsTheFolderCommands) {
  MainWindow window;
  window.show();
  auto* file = window.findChild<TPopupButton*>(QStringLiteral("file"));
  auto* pop1 = window.findChild<QToolButton*>(QStringLiteral("pop1"));
  ASSERT_NE(file, nullptr);
  ASSERT_NE(pop1, nullptr);
  QSignalSpy emptied(&window, &MainWindow::emptyFoldersClicked);
  QTest::mouseClick(file, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return pop1->menu()->isVisible(); }, 2000));
  pop1->menu()->hide();
  EXPECT_EQ(emptied.count(), 0);
}

TEST(OwnControls, ClickOutsideTheRowsClearsTheSelectionOnce) {
  QStandardItemModel model;
  model.appendRow(new QStandardItem(QStringLiteral("one")));
  model.appendRow(new QStandardItem(QStringLiteral("two")));
  TDeselectCellScroller list;
  list.setModel(&model);
  list.resize(200, 200);
  list.show();
  QSignalSpy deselected(&list, &TDeselectCellScroller::cellsDeselected);
  list.setCurrentIndex(model.index(0, 0));
  ASSERT_TRUE(list.selectionModel()->hasSelection());

  const QPoint empty(100, 190);
  ASSERT_FALSE(list.indexAt(empty).isValid());
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty);
  EXPECT_FALSE(list.selectionModel()->hasSelection());
  EXPECT_EQ(deselected.count(), 1);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty);
  EXPECT_EQ(deselected.count(), 1);  // nothing was selected: no event
  // A click on a row selects as usual.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.visualRect(model.index(1, 0)).center());
  EXPECT_TRUE(list.selectionModel()->isSelected(model.index(1, 0)));
  EXPECT_EQ(deselected.count(), 1);
}

TEST(OwnControls, BevelsDrawTwoRingsInTheExactGreys) {
  const QRgb dark = qRgb(kBevelDarkGrey, kBevelDarkGrey, kBevelDarkGrey);
  const QRgb light = qRgb(kBevelLightGrey, kBevelLightGrey, kBevelLightGrey);
  for (const bool sunken : {true, false}) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      drawBevel(painter, image.rect(), sunken);
    }
    const QRgb topLeft = sunken ? dark : light;
    const QRgb bottomRight = sunken ? light : dark;
    for (const int ring : {0, 1}) {
      EXPECT_EQ(image.pixel(ring, 5), topLeft) << sunken << ring;
      EXPECT_EQ(image.pixel(5, ring), topLeft) << sunken << ring;
      EXPECT_EQ(image.pixel(9 - ring, 5), bottomRight) << sunken << ring;
      EXPECT_EQ(image.pixel(5, 9 - ring), bottomRight) << sunken << ring;
    }
    EXPECT_EQ(image.pixel(2, 5), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(7, 5), qRgb(255, 255, 255));
  }
}

}  // namespace
}  // namespace vorl
