// The print-count window: a grid of counts with a row for each of today, all time and a chosen day (or range of
// days), for the sibling program ("Vorl-X"), this program ("Vorl-Zeverezoz") and their sums, and a column for
// each count kind. Buttons step through the days, sum a range of day files or of daily stores, write the report
// of either program and, only while Ctrl and Meta are held without Shift or Alt, reset the all-time counts.
//
// Every sub-view carries its four-character identifier as its object name: the number fields 'r' + row + '0' +
// column ("r101" to "r908"), the date texts and fields 'date', 'datt', 'dat1', 'dat2', and the buttons by their
// commands. Dates are seconds since 1904-01-01 in local time, as in the count files' day names.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "jobs/counts/print_count_days.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTimer;

namespace vorl {

class TPrintCountWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TPrintCountWindow(QWidget* parent = nullptr);
  ~TPrintCountWindow() override;

  // Fills rows 1 to 6 from today's and the all-time count files of both programs.
  void Initialize();
  // Rows 1 to 6 to zero.
  void ResetAll();
  // Rows 7 to 9 from the day files of that day.
  void SetNewDate(std::int64_t seconds);
  // Asks for a start and an end day (each proposed as `start`), then sums the day files between them into rows 7
  // to 9. Cancelling either question changes nothing.
  void SetDateTotals(std::int64_t start, std::int64_t end);
  // Sums the daily stores from 'dat1' to 'dat2' into rows 3, 4 and 6.
  void SetDateTotals2();
  // Shows the reset button while the chord is held, and hides it when it is let go.
  void DoIdle();
  // The command of the control with that identifier.
  void DoEvent(const QString& id);

  std::int64_t shownDay() const noexcept { return fShownDay; }
  std::int64_t today() const noexcept { return fToday; }
  bool resetShown() const noexcept { return fResetShown; }

  // The report's destination; the save dialog unless replaced. An empty path cancels the report.
  using ReportDestinationChooser = std::function<QString(QWidget* parent, const QString& defaultName)>;
  static void setReportDestinationChooser(ReportDestinationChooser chooser);

 private:
  using Row = std::array<std::int64_t, 8>;
  void setRow(int row, const Row& values, int columns);
  void setDateField(QDateEdit* field, std::int64_t seconds);
  static std::int64_t secondsOf(const QDateEdit* field);
  // One question of the range: the day, or false when cancelled.
  bool askDay(const QString& label, std::int64_t proposed, std::int64_t& day);
  void resetAllTimeCounts();
  void writeReport(bool isProcessor);
  void explain();

  bool fResetShown = false;
  std::int64_t fShownDay = 0;
  std::int64_t fToday = 0;

  std::array<std::array<QLabel*, 9>, 10> fFields{};  // [row][column], 1-based
  QLabel* fDate = nullptr;
  QDateEdit* fShownDate = nullptr;
  QDateEdit* fRangeStart = nullptr;
  QDateEdit* fRangeEnd = nullptr;
  QPushButton* fReset = nullptr;
  QTimer* fIdle = nullptr;
};

// Opens a print-count window (the menu command 1007).
TPrintCountWindow* showPrintCountWindow(QWidget* parent);

}  // namespace vorl
