// The small progress window: a bar ('pbar'), a title ('titl'), text lines 'txt1' to 'txt4' and 'txt6', and the
// Stop and Pause buttons. Each window id has its own layout from a small table (title, and whether a busy
// indicator 'carw' runs in it); an id the table does not know gets the plain layout.
//
// Main thread only; the progress controller forwards the calls of other threads to it.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace vorl {

class TMyProgressIndicator;

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  // `controller` receives Stop, Pause and Escape; it may be null.
  ProgressWindow(std::int16_t windowId, TMyProgressIndicator* controller, QWidget* parent = nullptr);

  std::int16_t windowId() const noexcept { return fWindowId; }
  // Whether the window's layout wants a full redraw on every advance.
  bool redrawsEveryStep() const noexcept;

  // The bar's maximum becomes 0.
  void Reset();
  // -1: an indeterminate bar and nothing else; otherwise a bar from 0 to `maximum`.
  void Start(std::int32_t maximum);
  // Advances a determinate bar by a delta of 0 or more (up to its maximum) and redraws it; an indeterminate bar
  // animates by itself.
  void Continue(std::int32_t delta);
  // Fills the bar.
  void Stop();
  void makeDeterminate();
  bool isIndeterminate() const noexcept { return fIndeterminate; }
  std::int32_t maximum() const noexcept { return fMaximum; }
  std::int32_t value() const noexcept { return fValue; }
  // Sets the text of the sub-view named `id` ("titl", "txt1", ...) when the window has one.
  void SetText(const QString& id, const QString& text, bool redraw);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::int16_t fWindowId;
  TMyProgressIndicator* fController;
  void showBar();

  QProgressBar* fBar = nullptr;
  bool fIndeterminate = false;
  std::int32_t fMaximum = 0;
  std::int32_t fValue = 0;
};

}  // namespace vorl
