// app/windows/: the windows and their views: the main window (this unit) with its job list, thumbnail and page
// preview, the program's own controls, the progress window and indicator, the print-count window, the About window
// and the dialogs the commands ask.
//
// The main window: the operator's view of the processor.
//
// Waiting jobs on the left (a click shows that job's thumbnail), the page being drawn with its caption, the
// status, the job, template, printer and package names, the buttons, the folder-emptying popup, a busy bar and
// the operator messages; each pane has a caption that says what it holds. The page and the message list take
// the room a larger window gives. Every widget
// carries the four-character id of its role as its object name ('jobs', 'pict', 'imag', 'imgn', 'stat', 'crjb',
// 'tmpn', 'prnt', 'pkgn', 'busy', 'strt', 'exit', 'file', 'rmve', 'bout', 'vorl', 'pop1', 'errs', 'cprt', 'vers').
//
// The window only shows and reports: the processing behaviour writes into it (main thread only) and acts on its
// signals.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace vorl {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // 'stat', repainted at once.
  void setStatus(const QString& text);
  QString status() const;
  // 'imag' takes a scaled copy of the page (a null image clears it to white); 'imgn' shows the caption.
  void setImage(const QImage& page, const QString& caption);
  // 'crjb'.
  void setJobFileName(const QString& name);
  QString jobFileName() const;
  // 'prnt', 'tmpn', 'pkgn'.
  void setPrinterAndTemplate(const QString& printerName, const QString& templateName, const QString& packageName);
  QString printerName() const;
  QString templateName() const;
  // The job list shows these names, next job first. When they differ from what it shows, rows are inserted and
  // removed to match, the thumbnail 'pict' is cleared and the selection emptied; the same names change nothing.
  void setJobList(const QStringList& longNames);
  QStringList jobList() const;
  // 'pict': the thumbnail of the clicked job, fitted and centred on white; a null image clears it.
  void showThumbnail(const QImage& thumbnail);
  // 'strt' title ("Start", "Pause" or "Resume").
  void setStartTitle(const QString& title);
  // The busy indicator 'busy': shown and animated while processing is on.
  void setBusy(bool busy);
  // 'exit', 'file', 'rmve' and the folder-emptying popup 'pop1': usable only while processing is off; while
  // dimmed, their tool tips say so.
  void setIdleCommandsEnabled(bool enabled);
  // One operator message at the end of the message list 'errs', shown with its time and job (none: empty). The
  // item keeps the parts under the roles below. The list opens with the messages of earlier runs, marked so.
  void appendMessage(const QDateTime& time, const QString& job, const QString& text);
  static constexpr int kMessageTextRole = Qt::UserRole;
  static constexpr int kMessageJobRole = Qt::UserRole + 1;
  static constexpr int kEarlierRunRole = Qt::UserRole + 2;
  // The close box was refused because processing is on: a notice ('clsn') says to pause first.
  void explainRefusedClose();

 signals:
  void startPauseClicked();  // a single click of 'strt'; a double click's second click is ignored
  void exitClicked();
  void emptyFoldersClicked();  // 'file': command 1006
  void removeJobClicked(int row, const QString& longName);  // 'rmve' with a selected row
  void jobRowClicked(int row);  // the thumbnail of that row is wanted
  void folderCommandChosen(int command);  // 'pop1': 1003, 1004, 1005, 1006, 1010 or 1011
  void aboutClicked();
  void frontEndClicked();  // 'vorl'
  void windowActivated();  // the window became the active window
  void closeRequested();   // the close box; the window itself stays open

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Widgets;
  Widgets* fWidgets;
  QPointer<QWidget> fCloseNotice;
};

}  // namespace vorl
