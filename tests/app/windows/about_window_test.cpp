// The About window and the version texts, and which menu commands the processing state allows.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <string>

#include "app/windows/about_window.h"
#include "app/windows/dialogs.h"
#include "app/processing/folder_commands.h"
#include "app/processing/menu_commands.h"
#include "app/processing/background_print_app.h"
#include "platform/files/file_specs.h"
#include "tests/app/screenshots.h"
#include "tests/app/scripted_dialogs.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

TEST(VersionText, FromTheBundleShortVersionString) {
  const struct {
    std::optional<std::string_view> shortVersion;
    std::string text;
  } cases[] = {
      {std::nullopt, "Cant CFDictionaryGetValue"},
      {std::string_view(), "Unknown Version"},
      {std::string_view("14.0"), "14.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(GetSoftwareVersion2(c.shortVersion), c.text);
  }
  const std::string longVersion(300, '9');
  EXPECT_EQ(GetSoftwareVersion2(longVersion).size(), 253u);
  EXPECT_EQ(fixedVersionText(), "2.1.1 13");
}

// Records the URLs the desktop was asked to open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

TEST(AboutWindow, ShowsBothVersionsAndOpensTheClickedLink) {
  TAboutWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto text = [&](const char* id) {
    auto* label = window.findChild<QLabel*>(QString::fromLatin1(id));
    return label != nullptr ? label->text() : QStringLiteral("<missing>");
  };
  Str255 version;
  EXPECT_EQ(GetSoftwareVersion(version), 0);
  EXPECT_EQ(text("txt1"), QString::fromStdString(version.toUtf8()));
  EXPECT_FALSE(text("txt1").isEmpty());
  EXPECT_EQ(text("txt2"), "2.1.1 13");
  EXPECT_EQ(text("stat"), " ");
  // Each number says what it is, and the window is wide enough for its title in a bold title bar.
  EXPECT_EQ(text("lbl1"), "Program version:");
  EXPECT_EQ(text("lbl2"), "Release and build:");
  QFont bold = window.font();
  bold.setBold(true);
  EXPECT_GT(window.width(), QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + 100);
  EXPECT_FALSE(test::saveScreenshot(window, QStringLiteral("about-window")).isEmpty());

  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
  auto* url2 = window.findChild<QLabel*>(QStringLiteral("url2"));
  ASSERT_NE(url2, nullptr);
  QTest::mouseClick(url2, Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(catcher.opened.front(), QUrl(url2->text()));
}

TEST(AboutWindow, StatusLineTakesOnlyATextAndAViewWithAStatusLine) {
  TAboutWindow window;
  auto* stat = window.findChild<QLabel*>(QStringLiteral("stat"));
  ASSERT_NE(stat, nullptr);
  MyStartUpSplashWindowUpdateStatus(&window, Str255());
  EXPECT_EQ(stat->text(), " ");
  MyStartUpSplashWindowUpdateStatus(&window, Str255("Creating Folder - IMAGES"));
  EXPECT_EQ(stat->text(), "Creating Folder - IMAGES");
  MyStartUpSplashWindowUpdateStatus(nullptr, Str255("ignored"));
  QWidget plain;
  MyStartUpSplashWindowUpdateStatus(&plain, Str255("no status line"));
  MyStartupSplashWindowUpdateCurrentVersions(&plain);
}

TEST(AboutWindow, ATextThatIsNoUrlOpensNothing) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
  GotoURL(QStringLiteral("not a link"));
  GotoURL(QString());
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  EXPECT_TRUE(catcher.opened.isEmpty());
}

TEST(MenuCommandStates, FollowTheProcessingState) {
  const long folders[] = {kCommandEmptyPrintJobs, kCommandEmptyUnknownJobs, kCommandEmptyImages,
                          kCommandEmptyAll,       kCommandEmptyFinishedJobs, kCommandEmptyGroupPhotos};
  const long offOnly[] = {kCommandPreferences, kCommandCountWindow, kCommandExportPreferences,
                          kCommandImportPreferences, kCommandQuit};
  const struct {
    const char* name;
    ProcessingState state;
    bool offOnlyEnabled;
    bool foldersEnabled;
    const char* title;
  } cases[] = {
      {"before the start command", {false, false, false, false}, true, true, "Start"},
      {"never switched on", {true, false, false, false}, true, true, "Start"},
      {"running, between steps", {true, true, false, true}, false, false, "Pause"},
      {"running, inside a step", {true, true, true, true}, false, false, "Pause"},
      {"paused, the step in hand still running", {true, false, true, true}, true, false, "Resume"},
      {"paused", {true, false, false, true}, true, true, "Resume"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(commandEnabled(kCommandStartStop, c.state));
    EXPECT_TRUE(commandEnabled(kCommandAbout, c.state));
    for (long command : offOnly) EXPECT_EQ(commandEnabled(command, c.state), c.offOnlyEnabled) << command;
    for (long command : folders) EXPECT_EQ(commandEnabled(command, c.state), c.foldersEnabled) << command;
    EXPECT_EQ(startStopTitle(c.state), QString::fromLatin1(c.title));
  }
}

TEST(ChooseFolder, TakesOnlyAChosenFolder) {
  const std::filesystem::path start = test::makeTempFolder("choose-start");
  const std::filesystem::path other = test::makeTempFolder("choose-other");
  std::ofstream(other / "a-file") << "x";
  std::int16_t startVRefNum = 0;
  std::int32_t startDirID = 0;
  ASSERT_EQ(FSFolderIDs(start, startVRefNum, startDirID), noErr);
  std::int16_t otherVRefNum = 0;
  std::int32_t otherDirID = 0;
  ASSERT_EQ(FSFolderIDs(other, otherVRefNum, otherDirID), noErr);

  const struct {
    const char* name;
    std::optional<std::filesystem::path> answer;
    std::int16_t result;
    std::int32_t dirID;
  } cases[] = {
      {"cancelled", std::nullopt, 0, startDirID},
      {"a file, not a folder", other / "a-file", 0, startDirID},
      {"a folder that is gone", other / "gone", 0, startDirID},
      {"a folder", other, 1, otherDirID},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptedDialogs dialogs;
    dialogs.answerFile(c.answer);
    std::int16_t vRefNum = startVRefNum;
    std::int32_t dirID = startDirID;
    EXPECT_EQ(myNewChooseFolder(vRefNum, dirID, false, 3), c.result);
    EXPECT_EQ(dirID, c.dirID);
    EXPECT_EQ(vRefNum, c.result == 1 ? otherVRefNum : startVRefNum);
  }
}

}  // namespace
}  // namespace vorl

#include "about_window_test.moc"
