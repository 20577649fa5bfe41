// The application's message sink: the message list, "Error Log File" and the one non-modal alert.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <array>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "app/processing/error_log_file.h"
#include "app/windows/main_window.h"
#include "app/processing/operator_messages.h"
#include "foundation/services/messages.h"

namespace vorl {
namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int visibleAlerts() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible()) ++count;
  return count;
}

class OperatorMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(errorLogFilePath());
    window_ = std::make_unique<MainWindow>();
    errs_ = window_->findChild<QListWidget*>("errs");
    ASSERT_NE(errs_, nullptr);
    sink_ = std::make_unique<OperatorMessages>(window_.get());
    setMessageSink(sink_.get());
  }
  void TearDown() override {
    setMessageSink(nullptr);
    sink_.reset();
  }

  std::unique_ptr<MainWindow> window_;
  QListWidget* errs_ = nullptr;
  std::unique_ptr<OperatorMessages> sink_;
};

TEST_F(OperatorMessagesTest, MessageFromAnotherThreadReachesListAndFile) {
  std::thread worker([] { DisplayNormalMessage("Printer \u0192 is out of paper"); });
  worker.join();
  ASSERT_TRUE(QTest::qWaitFor([this] { return errs_->count() == 1; }, 2000));
  EXPECT_EQ(errs_->item(0)->data(MainWindow::kMessageTextRole).toString(), QStringLiteral("Printer \u0192 is out of paper"));
  EXPECT_TRUE(errs_->item(0)->text().endsWith(QStringLiteral("   Printer \u0192 is out of paper")));

  const std::vector<std::uint8_t> bytes = fileBytes(errorLogFilePath());
  ASSERT_EQ(bytes.size(), kErrorLogRecordSize);
  const std::string macRoman = "Printer \xC4 is out of paper";  // "ƒ" is 0xC4 in Mac Roman
  EXPECT_EQ(bytes[0], macRoman.size());
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 1 + macRoman.size()), macRoman);
  for (std::size_t i = 1 + macRoman.size(); i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;

  ASSERT_NE(sink_->alert(), nullptr);
  EXPECT_FALSE(sink_->alert()->isModal());
  EXPECT_TRUE(sink_->alert()->text().contains(QStringLiteral("out of paper")));
}

TEST_F(OperatorMessagesTest, BurstOfMessagesOpensOneAlert) {
  constexpr int kMessages = 40;
  std::thread worker([] {
    for (int i = 0; i < kMessages; ++i) DisplayNormalMessage(("Message " + std::to_string(i)).c_str());
  });
  worker.join();
  ASSERT_TRUE(QTest::qWaitFor([this] { return errs_->count() == kMessages; }, 5000));
  EXPECT_EQ(visibleAlerts(), 1);
  ASSERT_NE(sink_->alert(), nullptr);
  EXPECT_TRUE(sink_->alert()->text().contains(QStringLiteral("Message 39")));
  EXPECT_EQ(fileBytes(errorLogFilePath()).size(), kMessages * kErrorLogRecordSize);
  EXPECT_EQ(readErrorLogRecords(errorLogFilePath()).size(), kMessages);

  // Once the operator closes it, the next message opens a new one.
  sink_->alert()->close();
  ASSERT_TRUE(QTest::qWaitFor([] { return visibleAlerts() == 0; }, 2000));
  DisplayNormalMessage("After closing");
  ASSERT_TRUE(QTest::qWaitFor([] { return visibleAlerts() == 1; }, 2000));
  EXPECT_EQ(sink_->alert()->text(), QStringLiteral("After closing"));
}

// A note reaches the list and the file but opens no alert; a failure that the failed-job question shows leaves
// the alert, which closes when it held nothing else.
TEST_F(OperatorMessagesTest, NotesOpenNoAlertAndTheQuestionTakesItsFailureOutOfTheAlert) {
  sink_->note(QStringLiteral("Smith 4x6"), QStringLiteral("Parked"));
  ASSERT_EQ(errs_->count(), 1);
  EXPECT_EQ(errs_->item(0)->data(MainWindow::kMessageJobRole).toString(), QStringLiteral("Smith 4x6"));
  EXPECT_EQ(readErrorLogRecords(errorLogFilePath()), QStringList{QStringLiteral("Smith 4x6: Parked")});
  EXPECT_EQ(visibleAlerts(), 0);

  DisplayNormalMessage("Disk nearly full");
  DisplayNormalMessage("Read File Error!");
  ASSERT_TRUE(QTest::qWaitFor([this] { return errs_->count() == 3; }, 2000));
  ASSERT_NE(sink_->alert(), nullptr);
  sink_->withdrawFromAlert(QString(), QStringLiteral("Read File Error!"));
  EXPECT_EQ(sink_->alert()->text(), QStringLiteral("Disk nearly full"));
  sink_->withdrawFromAlert(QString(), QStringLiteral("Disk nearly full"));
  EXPECT_TRUE(QTest::qWaitFor([] { return visibleAlerts() == 0; }, 2000));
  EXPECT_EQ(errs_->count(), 3);  // the list keeps every line
}

TEST(ErrorLogFile, LongMessagesAreCutAndTornRecordsDropped) {
  const std::filesystem::path file = errorLogFilePath();
  std::filesystem::remove(file);
  // A record torn by an earlier failed write is dropped, so the next one starts at a record boundary.
  std::ofstream(file, std::ios::binary) << std::string(100, 'x');
  ASSERT_TRUE(appendErrorLogRecord(file, QString(300, QChar('a'))));
  ASSERT_TRUE(appendErrorLogRecord(file, QStringLiteral("")));
  const std::vector<std::uint8_t> bytes = fileBytes(file);
  ASSERT_EQ(bytes.size(), 2 * kErrorLogRecordSize);
  EXPECT_EQ(bytes[0], 255);
  EXPECT_EQ(bytes[256], 0);  // the pad byte
  EXPECT_EQ(bytes[kErrorLogRecordSize], 0);
  const QStringList records = readErrorLogRecords(file);
  ASSERT_EQ(records.size(), 2);
  EXPECT_EQ(records.at(0), QString(255, QChar('a')));
  EXPECT_EQ(records.at(1), QString());
}

}  // namespace
}  // namespace vorl
