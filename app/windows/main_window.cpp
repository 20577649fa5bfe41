#include "app/windows/main_window.h"

#include <QBrush>
#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <initializer_list>

#include "app/processing/error_log_file.h"
#include "app/windows/own_controls.h"
#include "app/windows/job_list_model.h"
#include "app/windows/preview_pane.h"
#include "platform/system/bundle_info.h"

namespace vorl {
namespace {

// The folder-emptying popup, in the order of its items 3 to 8.
struct FolderCommand {
  int command;
  const char* title;
};
constexpr FolderCommand kFolderCommands[] = {
    {1006, "Empty the Whole Vorl-Processor Folder"},
    {1003, "Empty the Print Jobs Folder"},
    {1004, "Empty the Unknown Jobs Folder"},
    {1010, "Empty the Finished Jobs Folder"},
    {1005, "Empty the Images Folder"},
    {1011, "Empty the Group Photo Files Folder"},
};

constexpr QSize kLogoSize{421, 58};
constexpr int kMessageListHeight = 110;
constexpr char kPausedOnlyTip[] = "Available while processing is paused: press Pause first.";
constexpr QSize kThumbnailSize{200, 150};
constexpr QSize kPageSize{400, 300};

// The application's version for the 'vers' text.
QString softwareVersion() {
  return kBundleShortVersionString.empty()
             ? QStringLiteral("Unknown Version")
             : QString::fromUtf8(kBundleShortVersionString.data(),
                                 static_cast<qsizetype>(kBundleShortVersionString.size()));
}

// The logo across the top of the window, drawn here rather than kept as a picture file.
QPixmap drawLogo() {
  QPixmap logo(kLogoSize);
  logo.fill(Qt::white);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, kLogoSize.width(), 0);
  band.setColorAt(0, QColor(0x1F, 0x3A, 0x68));
  band.setColorAt(1, QColor(0x4F, 0x8A, 0xC9));
  painter.setBrush(band);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRect(QPoint(0, 4), QSize(kLogoSize.width() - 1, kLogoSize.height() - 9)), 8, 8);
  QFont font = painter.font();
  font.setPixelSize(26);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(QPoint(16, 4), QSize(kLogoSize.width() - 32, kLogoSize.height() - 9)),
                   Qt::AlignVCenter | Qt::AlignLeft,
                   QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())));
  return logo;
}

QLabel* makeText(QWidget* parent, const char* id) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(id));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(120);
  return label;
}

// What a pane holds, above it.
QLabel* makeCaption(QWidget* parent, const QString& text) {
  auto* caption = new QLabel(text, parent);
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);
  return caption;
}

QString messageLine(const QDateTime& time, const QString& job, const QString& text) {
  const QString stamp = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return job.isEmpty() ? QStringLiteral("%1   %2").arg(stamp, text) : QStringLiteral("%1   %2: %3").arg(stamp, job, text);
}

QPushButton* makeButton(QWidget* parent, const char* id, const char* title) {
  auto* button = new QPushButton(QString::fromUtf8(title), parent);
  button->setObjectName(QString::fromLatin1(id));
  return button;
}

// Swallows the second click of a double click on 'strt', so one double click cannot switch processing on and
// straight off again.
class DoubleClickFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) return true;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

struct MainWindow::Widgets {
  JobListModel* jobModel = nullptr;
  QListView* jobs = nullptr;
  PreviewPane* pict = nullptr;
  PreviewPane* imag = nullptr;
  QLabel* imgn = nullptr;
  QLabel* stat = nullptr;
  QLabel* crjb = nullptr;
  QLabel* tmpn = nullptr;
  QLabel* prnt = nullptr;
  QLabel* pkgn = nullptr;
  QProgressBar* busy = nullptr;
  QPushButton* strt = nullptr;
  QPushButton* exit = nullptr;
  QPushButton* file = nullptr;
  QPushButton* rmve = nullptr;
  QPushButton* bout = nullptr;
  QPushButton* vorl = nullptr;
  QToolButton* pop1 = nullptr;
  QListWidget* errs = nullptr;
  QLabel* cprt = nullptr;
  QLabel* vers = nullptr;
};

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), fWidgets(new Widgets) {
  Widgets& w = *fWidgets;
  setWindowTitle(QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())));
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* outer = new QVBoxLayout(central);

  // Logo with the year and version texts at its right.
  auto* header = new QHBoxLayout;
  auto* logo = new QLabel(central);
  logo->setPixmap(drawLogo());
  header->addWidget(logo);
  header->addStretch();
  auto* versions = new QVBoxLayout;
  QFont small = font();
  small.setPointSize(9);
  w.cprt = makeText(central, "cprt");
  w.cprt->setText(QStringLiteral("\u00A9 2026"));
  w.vers = makeText(central, "vers");
  w.vers->setText(QStringLiteral("Ver: ") + softwareVersion());
  for (QLabel* label : {w.cprt, w.vers}) {
    label->setFont(small);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  versions->addWidget(w.cprt);
  versions->addWidget(w.vers);
  header->addLayout(versions);
  outer->addLayout(header);

  // The job list with the thumbnail of the clicked job; the page in hand beside them.
  auto* panes = new QHBoxLayout;
  auto* jobColumn = new QVBoxLayout;
  jobColumn->addWidget(makeCaption(central, tr("Waiting jobs")));
  w.jobModel = new JobListModel(this);
  w.jobs = new QListView(central);
  w.jobs->setObjectName(QStringLiteral("jobs"));
  w.jobs->setModel(w.jobModel);
  w.jobs->setSelectionMode(QAbstractItemView::SingleSelection);
  w.jobs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  w.jobs->setFixedWidth(kThumbnailSize.width());
  w.pict = new PreviewPane(kThumbnailSize, central);
  w.pict->setObjectName(QStringLiteral("pict"));
  jobColumn->addWidget(w.jobs, 1);
  jobColumn->addWidget(makeCaption(central, tr("Selected job")));
  jobColumn->addWidget(w.pict);
  panes->addLayout(jobColumn);
  auto* pageColumn = new QVBoxLayout;
  pageColumn->addWidget(makeCaption(central, tr("Page in hand")));
  w.imag = new PreviewPane(kPageSize, central, PreviewPane::Growth::takesRoom);
  w.imag->setObjectName(QStringLiteral("imag"));
  w.imgn = makeText(central, "imgn");
  w.imgn->setAlignment(Qt::AlignHCenter);
  pageColumn->addWidget(w.imag, 1);
  pageColumn->addWidget(w.imgn);
  panes->addLayout(pageColumn, 1);
  outer->addLayout(panes, 3);

  // What is being done, to which job, with which template and printer.
  auto* texts = new QFormLayout;
  w.stat = makeText(central, "stat");
  w.crjb = makeText(central, "crjb");
  w.tmpn = makeText(central, "tmpn");
  w.prnt = makeText(central, "prnt");
  w.pkgn = makeText(central, "pkgn");
  texts->addRow(QStringLiteral("Status:"), w.stat);
  texts->addRow(QStringLiteral("Job:"), w.crjb);
  texts->addRow(QStringLiteral("Template:"), w.tmpn);
  texts->addRow(QStringLiteral("Printer:"), w.prnt);
  texts->addRow(QStringLiteral("Package:"), w.pkgn);
  outer->addLayout(texts);

  w.busy = new QProgressBar(central);
  w.busy->setObjectName(QStringLiteral("busy"));
  w.busy->setRange(0, 0);
  w.busy->setTextVisible(false);
  w.busy->setMaximumHeight(12);
  w.busy->hide();
  outer->addWidget(w.busy);

  auto* buttons = new QHBoxLayout;
  w.strt = makeButton(central, "strt", "Start");
  w.strt->installEventFilter(new DoubleClickFilter(w.strt));
  w.rmve = makeButton(central, "rmve", "Remove Job");
  auto* fileButton = new TPopupButton(QStringLiteral("Empty Folders"), central);
  fileButton->setObjectName(QStringLiteral("file"));
  w.file = fileButton;
  w.pop1 = new QToolButton(central);
  w.pop1->setObjectName(QStringLiteral("pop1"));
  w.pop1->setText(QStringLiteral("Empty\u2026"));
  w.pop1->setPopupMode(QToolButton::InstantPopup);
  auto* folderMenu = new QMenu(w.pop1);
  for (const FolderCommand& entry : kFolderCommands) {
    const int command = entry.command;
    folderMenu->addAction(QString::fromUtf8(entry.title), this, [this, command] { emit folderCommandChosen(command); });
  }
  w.pop1->setMenu(folderMenu);
  // Held down or control-clicked, the folder button opens the folder commands at the mouse.
  connect(fileButton, &TPopupButton::popupRequested, folderMenu, [folderMenu] { folderMenu->popup(QCursor::pos()); });
  w.bout = makeButton(central, "bout", "About");
  w.vorl = makeButton(central, "vorl", "Front End");
  w.exit = makeButton(central, "exit", "Exit");
  for (QWidget* button : std::initializer_list<QWidget*>{w.strt, w.rmve, w.file, w.pop1, w.bout, w.vorl})
    buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(w.exit);
  outer->addLayout(buttons);

  // Operator messages, with those of earlier runs first. Their file keeps only the texts, so those lines say
  // that they are old instead of showing a time that would make them look current.
  outer->addWidget(makeCaption(central, tr("Messages")));
  w.errs = new QListWidget(central);
  w.errs->setObjectName(QStringLiteral("errs"));
  w.errs->setMinimumHeight(kMessageListHeight);
  for (const QString& text : readErrorLogRecords(errorLogFilePath())) {
    auto* item = new QListWidgetItem(tr("Earlier run:   %1").arg(text), w.errs);
    item->setData(kMessageTextRole, text);
    item->setData(kEarlierRunRole, true);
    item->setForeground(QBrush(Qt::gray));
  }
  w.errs->scrollToBottom();
  outer->addWidget(w.errs, 2);

  connect(w.strt, &QPushButton::clicked, this, &MainWindow::startPauseClicked);
  connect(w.exit, &QPushButton::clicked, this, &MainWindow::exitClicked);
  connect(w.file, &QPushButton::clicked, this, &MainWindow::emptyFoldersClicked);
  connect(w.bout, &QPushButton::clicked, this, &MainWindow::aboutClicked);
  connect(w.vorl, &QPushButton::clicked, this, &MainWindow::frontEndClicked);
  connect(w.rmve, &QPushButton::clicked, this, [this] {
    const QModelIndexList selected = fWidgets->jobs->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const int row = selected.last().row();
    emit removeJobClicked(row, fWidgets->jobModel->names().value(row));
  });
  connect(w.jobs, &QListView::clicked, this, [this](const QModelIndex& index) { emit jobRowClicked(index.row()); });
}

MainWindow::~MainWindow() { delete fWidgets; }

void MainWindow::setStatus(const QString& text) {
  fWidgets->stat->setText(text);
  fWidgets->stat->repaint();
}

QString MainWindow::status() const { return fWidgets->stat->text(); }

void MainWindow::setImage(const QImage& page, const QString& caption) {
  fWidgets->imag->setPicture(page);
  fWidgets->imgn->setText(caption);
}

void MainWindow::setJobFileName(const QString& name) { fWidgets->crjb->setText(name); }

QString MainWindow::jobFileName() const { return fWidgets->crjb->text(); }

void MainWindow::setPrinterAndTemplate(const QString& printerName, const QString& templateName,
                                       const QString& packageName) {
  fWidgets->prnt->setText(printerName);
  fWidgets->tmpn->setText(templateName);
  fWidgets->pkgn->setText(packageName);
}

QString MainWindow::printerName() const { return fWidgets->prnt->text(); }

QString MainWindow::templateName() const { return fWidgets->tmpn->text(); }

void MainWindow::setJobList(const QStringList& longNames) {
  if (!fWidgets->jobModel->setNames(longNames)) return;
  fWidgets->jobs->selectionModel()->clear();
  fWidgets->pict->setPicture(QImage());
}

QStringList MainWindow::jobList() const { return fWidgets->jobModel->names(); }

void MainWindow::showThumbnail(const QImage& thumbnail) { fWidgets->pict->setPicture(thumbnail); }

void MainWindow::setStartTitle(const QString& title) { fWidgets->strt->setText(title); }

void MainWindow::setBusy(bool busy) { fWidgets->busy->setVisible(busy); }

void MainWindow::setIdleCommandsEnabled(bool enabled) {
  for (QWidget* widget :
       std::initializer_list<QWidget*>{fWidgets->exit, fWidgets->file, fWidgets->rmve, fWidgets->pop1}) {
    widget->setEnabled(enabled);
    widget->setToolTip(enabled ? QString() : tr(kPausedOnlyTip));
  }
}

void MainWindow::appendMessage(const QDateTime& time, const QString& job, const QString& text) {
  auto* item = new QListWidgetItem(messageLine(time, job, text), fWidgets->errs);
  item->setData(kMessageTextRole, text);
  item->setData(kMessageJobRole, job);
  item->setData(kEarlierRunRole, false);
  fWidgets->errs->scrollToBottom();
}

void MainWindow::explainRefusedClose() {
  if (fCloseNotice) {
    fCloseNotice->raise();
    return;
  }
  auto* notice = new QMessageBox(QMessageBox::Information, windowTitle(),
                                 tr("Processing is on, so the program keeps running."),
                                 QMessageBox::Ok, this);
  notice->setObjectName(QStringLiteral("clsn"));
  notice->setInformativeText(tr("Press Pause first, then Exit (or close the window)."));
  notice->setAttribute(Qt::WA_DeleteOnClose);
  notice->setWindowModality(Qt::NonModal);
  fCloseNotice = notice;
  notice->show();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit windowActivated();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Quitting is the processing behaviour's decision (it refuses while processing is on).
  event->ignore();
  emit closeRequested();
}

}  // namespace vorl
