#include "app/windows/print_count_window.h"

#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "app/windows/dialogs.h"
#include "foundation/text/date_time.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/counts/print_count_record.h"
#include "jobs/counts/print_count_report.h"
#include "platform/files/file_specs.h"

namespace vorl {

namespace {

constexpr int kRows = 9;
constexpr int kColumns = 8;
// Rows 7 to 9 have no eighth column: the count files have no USB count.
constexpr int kCountFileColumns = 7;
// The chord is polled four times a second.
constexpr int kIdleMilliseconds = 250;

const char* const kRowLabels[kRows] = {"Vorl-X today",          "Vorl-Zeverezoz today",   "Vorl-X all time",
                                       "Vorl-Zeverezoz all time", "Total today",           "Total all time",
                                       "Vorl-X day",            "Vorl-Zeverezoz day",     "Total day"};
const char* const kColumnLabels[kColumns] = {"Regular",  "Print to File",  "Print to File 2\n(USB Flash)",
                                             "CD",       "CD Write",       "System Print",
                                             "Save as\nComposition", "USB"};

TPrintCountWindow::ReportDestinationChooser& reportDestinationChooser() {
  static TPrintCountWindow::ReportDestinationChooser chooser;
  return chooser;
}

QString fieldId(int row, int column) { return QStringLiteral("r%1%2").arg(row * 10).arg(column); }

std::array<std::int64_t, 8> sumOf(const std::array<std::int64_t, 8>& a, const std::array<std::int64_t, 8>& b) {
  std::array<std::int64_t, 8> sum{};
  for (std::size_t i = 0; i < sum.size(); ++i) sum[i] = a[i] + b[i];
  return sum;
}

QDate qDateOf(std::int64_t seconds) {
  const CalendarDay day = calendarDayOf(seconds);
  return QDate(day.year, day.month, day.day);
}

QDateEdit* makeDateField(const char* id, QWidget* parent) {
  auto* field = new QDateEdit(parent);
  field->setObjectName(QString::fromLatin1(id));
  field->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  field->setCalendarPopup(true);
  field->setMinimumDate(QDate(1904, 1, 1));
  return field;
}

QPushButton* makeButton(const char* id, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(id));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TPrintCountWindow::TPrintCountWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Print Counts"));

  auto* layout = new QVBoxLayout(this);
  fDate = new QLabel(this);
  fDate->setObjectName(QStringLiteral("date"));
  QFont bold = fDate->font();
  bold.setBold(true);
  fDate->setFont(bold);
  layout->addWidget(fDate);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(14);
  for (int column = 1; column <= kColumns; ++column) {
    auto* heading = new QLabel(QString::fromLatin1(kColumnLabels[column - 1]), this);
    heading->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(heading, 0, column);
  }
  for (int row = 1; row <= kRows; ++row) {
    grid->addWidget(new QLabel(QString::fromLatin1(kRowLabels[row - 1]), this), row, 0);
    const int columns = row <= 6 ? kColumns : kCountFileColumns;
    for (int column = 1; column <= columns; ++column) {
      auto* field = new QLabel(QStringLiteral("0"), this);
      field->setObjectName(fieldId(row, column));
      field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      field->setFrameShape(QFrame::StyledPanel);
      field->setMinimumWidth(64);
      if (row == 5 || row == 6 || row == 9) field->setFont(bold);
      grid->addWidget(field, row, column);
      fFields[row][column] = field;
    }
  }
  layout->addLayout(grid);

  // The shown day and its stepping.
  auto* dayLine = new QHBoxLayout;
  dayLine->addWidget(new QLabel(QStringLiteral("Day:"), this));
  fShownDate = makeDateField("datt", this);
  dayLine->addWidget(fShownDate);
  QPushButton* prev = makeButton("prev", QStringLiteral("< Previous Day"), this);
  QPushButton* next = makeButton("next", QStringLiteral("Next Day >"), this);
  QPushButton* show = makeButton("show", QStringLiteral("Show Day"), this);
  QPushButton* range = makeButton("rang", QStringLiteral("Range of Days..."), this);
  for (QPushButton* button : {prev, next, show, range}) dayLine->addWidget(button);
  dayLine->addStretch();
  layout->addLayout(dayLine);

  // The daily statistics over a range.
  auto* storeLine = new QHBoxLayout;
  storeLine->addWidget(new QLabel(QStringLiteral("Daily statistics from"), this));
  fRangeStart = makeDateField("dat1", this);
  storeLine->addWidget(fRangeStart);
  storeLine->addWidget(new QLabel(QStringLiteral("to"), this));
  fRangeEnd = makeDateField("dat2", this);
  storeLine->addWidget(fRangeEnd);
  QPushButton* totals = makeButton("doto", QStringLiteral("Show Totals"), this);
  storeLine->addWidget(totals);
  storeLine->addStretch();
  layout->addLayout(storeLine);

  auto* buttons = new QHBoxLayout;
  QPushButton* report = makeButton("rprt", QStringLiteral("Vorl-X Report..."), this);
  QPushButton* report2 = makeButton("rpr2", QStringLiteral("Vorl-Zeverezoz Report..."), this);
  QPushButton* explainButton = makeButton("expt", QStringLiteral("Explain..."), this);
  fReset = makeButton("rset", QStringLiteral("Reset All-Time Counts..."), this);
  // Hidden but keeping its place, so the row does not jump when the chord shows it.
  QSizePolicy keepPlace = fReset->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  fReset->setSizePolicy(keepPlace);
  fReset->hide();
  for (QPushButton* button : {report, report2, explainButton}) buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(fReset);
  layout->addLayout(buttons);

  for (QPushButton* button : {prev, next, show, range, totals, report, report2, explainButton, fReset}) {
    const QString id = button->objectName();
    connect(button, &QPushButton::clicked, this, [this, id] { DoEvent(id); });
  }

  fToday = currentLongDateTime();
  fShownDay = fToday;
  setDateField(fShownDate, fToday);
  setDateField(fRangeStart, fToday);
  setDateField(fRangeEnd, fToday);
  SetNewDate(fShownDay);
  Initialize();

  fIdle = new QTimer(this);
  connect(fIdle, &QTimer::timeout, this, &TPrintCountWindow::DoIdle);
  fIdle->start(kIdleMilliseconds);
}

TPrintCountWindow::~TPrintCountWindow() { fIdle->stop(); }

void TPrintCountWindow::setReportDestinationChooser(ReportDestinationChooser chooser) {
  reportDestinationChooser() = std::move(chooser);
}

void TPrintCountWindow::setRow(int row, const Row& values, int columns) {
  for (int column = 1; column <= columns; ++column)
    if (QLabel* field = fFields[row][column]) field->setText(QString::number(values[column - 1]));
}

void TPrintCountWindow::setDateField(QDateEdit* field, std::int64_t seconds) { field->setDate(qDateOf(seconds)); }

std::int64_t TPrintCountWindow::secondsOf(const QDateEdit* field) {
  const QDate date = field->date();
  return longDateTimeOf({date.year(), date.month(), date.day()});
}

void TPrintCountWindow::ResetAll() {
  for (int row = 1; row <= 6; ++row) setRow(row, Row{}, kColumns);
}

void TPrintCountWindow::Initialize() {
  fDate->setText(QString::fromStdString(getCurrentDateString(1).toUtf8()));
  ResetAll();
  Row rows[4]{};
  for (int i = 0; i < 4; ++i) {
    const bool isProcessor = i % 2 == 1;
    const bool isToday = i < 2;
    tPrintQuantityInfo record;
    // A file that cannot be read leaves its row at zero.
    if (getPrintCount(record, isProcessor, isToday) == 0) rows[i] = windowTotalsOf(record);
    setRow(i + 1, rows[i], kCountFileColumns);
  }
  setRow(5, sumOf(rows[0], rows[1]), kCountFileColumns);
  setRow(6, sumOf(rows[2], rows[3]), kCountFileColumns);
}

void TPrintCountWindow::SetNewDate(std::int64_t seconds) {
  Row rows[2]{};
  for (int i = 0; i < 2; ++i) {
    tPrintQuantityInfo record;
    if (readDayCountFile(record, seconds, i == 1) == 0) rows[i] = windowTotalsOf(record);
    setRow(7 + i, rows[i], kCountFileColumns);
  }
  setRow(9, sumOf(rows[0], rows[1]), kCountFileColumns);
  update();
}

bool TPrintCountWindow::askDay(const QString& label, std::int64_t proposed, std::int64_t& day) {
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Range of Days"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = new QLabel(label, &dialog);
  text->setObjectName(QStringLiteral("stri"));
  layout->addWidget(text);
  QDateEdit* field = makeDateField("dat1", &dialog);
  setDateField(field, proposed);
  layout->addWidget(field);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* cancel = makeButton("cncl", QStringLiteral("Cancel"), &dialog);
  QPushButton* ok = makeButton("ok  ", QStringLiteral("OK"), &dialog);
  ok->setDefault(true);
  buttons->addWidget(cancel);
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  if (dialog.exec() != QDialog::Accepted) return false;
  day = secondsOf(field);
  return true;
}

void TPrintCountWindow::SetDateTotals(std::int64_t start, std::int64_t /*end*/) {
  std::int64_t first = 0;
  std::int64_t last = 0;
  if (!askDay(QStringLiteral("Starting Date"), start, first)) return;
  if (!askDay(QStringLiteral("Ending Date"), start, last)) return;
  const Row sibling = sumDayCountFiles(first, last, false);
  const Row processor = sumDayCountFiles(first, last, true);
  setRow(7, sibling, kCountFileColumns);
  setRow(8, processor, kCountFileColumns);
  setRow(9, sumOf(sibling, processor), kCountFileColumns);
}

void TPrintCountWindow::SetDateTotals2() {
  const std::int64_t start = secondsOf(fRangeStart);
  const std::int64_t end = secondsOf(fRangeEnd);
  const Row sibling = sumDailyStores(start, end, true);
  const Row processor = sumDailyStores(start, end, false);
  setRow(3, sibling, kColumns);
  setRow(4, processor, kColumns);
  setRow(6, sumOf(sibling, processor), kColumns);
}

void TPrintCountWindow::DoIdle() {
  const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
  const bool chord = held.testFlag(Qt::ControlModifier) && held.testFlag(Qt::MetaModifier) &&
                     !held.testFlag(Qt::ShiftModifier) && !held.testFlag(Qt::AltModifier);
  fResetShown = chord;
  fReset->setVisible(chord);
}

void TPrintCountWindow::DoEvent(const QString& id) {
  if (id == QLatin1String("rset")) {
    resetAllTimeCounts();
  } else if (id == QLatin1String("rprt")) {
    writeReport(false);
  } else if (id == QLatin1String("rpr2")) {
    writeReport(true);
  } else if (id == QLatin1String("next")) {
    if (fShownDay + kSecondsPerDay <= fToday) {
      fShownDay += kSecondsPerDay;
      setDateField(fShownDate, fShownDay);
      SetNewDate(fShownDay);
    }
  } else if (id == QLatin1String("prev")) {
    fShownDay -= kSecondsPerDay;
    setDateField(fShownDate, fShownDay);
    SetNewDate(fShownDay);
  } else if (id == QLatin1String("show")) {
    if (fShownDate->hasAcceptableInput()) {
      fShownDay = secondsOf(fShownDate);
      SetNewDate(fShownDay);
    }
  } else if (id == QLatin1String("rang")) {
    SetDateTotals(fToday, fToday);
  } else if (id == QLatin1String("doto")) {
    SetDateTotals2();
  } else if (id == QLatin1String("expt")) {
    explain();
  }
}

void TPrintCountWindow::resetAllTimeCounts() {
  // Only reachable while the chord shows the button; a click that arrives after it was let go does nothing.
  if (!fResetShown) return;
  QMessageBox confirm(QMessageBox::Warning, QStringLiteral("Reset Print Counts"),
                      QStringLiteral("Reset the all-time print counts of Vorl-X and Vorl-Zeverezoz to zero?"),
                      QMessageBox::NoButton, this);
  confirm.setInformativeText(QStringLiteral("The counts of each day and the daily statistics are kept."));
  confirm.addButton(QMessageBox::Cancel);
  QPushButton* reset = confirm.addButton(QStringLiteral("Reset"), QMessageBox::DestructiveRole);
  confirm.setDefaultButton(QMessageBox::Cancel);
  confirm.exec();
  if (confirm.clickedButton() != reset) return;
  const tPrintQuantityInfo zero;
  for (const bool isProcessor : {false, true}) {
    if (const std::int16_t error = setPrintCount(zero, isProcessor, false); error != 0) {
      QMessageBox::warning(this, QStringLiteral("Reset Print Counts"),
                           QStringLiteral("The all-time counts of %1 could not be reset (error %2).")
                               .arg(isProcessor ? QStringLiteral("Vorl-Zeverezoz") : QStringLiteral("Vorl-X"))
                               .arg(error));
      Initialize();
      return;
    }
  }
  for (const int row : {3, 4, 6}) setRow(row, Row{}, kCountFileColumns);
}

void TPrintCountWindow::writeReport(bool isProcessor) {
  const QString defaultName = QString::fromStdString(printCountReportDefaultName(isProcessor));
  QString destination;
  if (reportDestinationChooser()) {
    destination = reportDestinationChooser()(this, defaultName);
  } else {
    FSSpec chosen;
    std::int16_t home = 0;
    std::int32_t homeID = 0;
    if (FSFolderIDs(QDir::homePath().toStdString(), home, homeID) == noErr) {
      chosen.vRefNum = home;
      chosen.parID = homeID;
    }
    std::filesystem::path path;
    if (MySaveFile(chosen, Str255::fromUtf8(defaultName.toStdString()), fourCharCode("TEXT"),
                   Str255(std::string_view("Save"))) == noErr &&
        FSpMakePath(chosen, path) == noErr) {
      destination = QString::fromStdString(path.string());
    }
  }
  if (destination.isEmpty()) return;  // cancelled
  // A failure is shown to the operator by the report itself.
  static_cast<void>(createReport(isProcessor, std::filesystem::path(destination.toStdString())));
}

void TPrintCountWindow::explain() {
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Print Counts"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = new QLabel(
      QStringLiteral("Today: the outputs counted today.\n"
                     "All time: the outputs counted since the last reset; after Show Totals, the daily statistics "
                     "of the chosen days.\n"
                     "Day: the outputs of the day shown; after Range of Days, the sum of the days chosen."),
      &dialog);
  text->setWordWrap(true);
  layout->addWidget(text);
  QPushButton* ok = makeButton("ok  ", QStringLiteral("OK"), &dialog);
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
  dialog.exec();
}

TPrintCountWindow* showPrintCountWindow(QWidget* parent) {
  auto* window = new TPrintCountWindow(parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace vorl
