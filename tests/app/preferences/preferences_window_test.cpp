// The preferences window and its panels through their widgets, on a user-defaults file of the test's own: the
// category list, a one-field change per panel that reaches the store and nothing else, Cancel, Revert and
// factory settings, the visibility rules of the set panel, the folder choices (through a scripted chooser)
// and the checks on what the operator typed. Every panel is also saved as a screenshot.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "foundation/files/aliases.h"
#include "foundation/files/files.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "preferences/factory_defaults.h"
#include "preferences/folder_display.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "app/preferences/folder_chooser.h"
#include "app/preferences/general_settings_panel.h"
#include "app/preferences/output_files_panel.h"
#include "app/preferences/preference_panel.h"
#include "app/preferences/preferences_window.h"
#include "app/preferences/print_center_panel.h"
#include "app/preferences/print_to_file_panel.h"
#include "app/preferences/print_to_file_sets_panel.h"
#include "app/preferences/web_upload_panel.h"
#include "tests/app/modal_dialogs.h"
#include "tests/app/screenshots.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"
#include "tests/support/record_bytes.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::bytesOf;

// Every record a panel may write, as the test found it.
struct Records {
  tPrintServerPrefs server{};
  tPrintToFilePrefs printToFile{};
  tProcessedJobsPrefs center{};
  std::array<tSpecialPrintToFilePref, kPrintToFileSetCount> sets{};
  tOutputFilePrefs output{};
  tSpecialPrintToFilePref web{};

  static Records live() {
    Records records;
    records.server = *getMyPrintServerPrefs();
    records.printToFile = *getMyPrintToFilePrefs();
    records.center = *getMyProcessedJobsPrefs();
    for (std::int16_t set = 1; set <= kPrintToFileSetCount; ++set) {
      records.sets[static_cast<std::size_t>(set - 1)] = *getMyPrintToFileSetPrefs(set);
    }
    records.output = *getMyOutputFilePrefs();
    records.web = *getMyWebUploadPrefs();
    return records;
  }
};

void expectSameRecords(const Records& actual, const Records& expected) {
  EXPECT_EQ(test::differingOffsets(bytesOf(actual.server), bytesOf(expected.server)), std::vector<std::size_t>{})
      << "general settings";
  EXPECT_EQ(test::differingOffsets(bytesOf(actual.printToFile), bytesOf(expected.printToFile)),
            std::vector<std::size_t>{})
      << "print to file";
  EXPECT_EQ(test::differingOffsets(bytesOf(actual.center), bytesOf(expected.center)), std::vector<std::size_t>{})
      << "print centre";
  for (std::size_t set = 0; set < actual.sets.size(); ++set) {
    EXPECT_EQ(test::differingOffsets(bytesOf(actual.sets[set]), bytesOf(expected.sets[set])),
              std::vector<std::size_t>{})
        << "set " << set + 1;
  }
  EXPECT_EQ(test::differingOffsets(bytesOf(actual.output), bytesOf(expected.output)), std::vector<std::size_t>{})
      << "output files";
  EXPECT_EQ(test::differingOffsets(bytesOf(actual.web), bytesOf(expected.web)), std::vector<std::size_t>{})
      << "web upload";
}

template <class Control>
Control* control(QWidget& panel, const char* id) {
  auto* found = panel.findChild<Control*>(QString::fromLatin1(id));
  EXPECT_NE(found, nullptr) << id;
  return found;
}

void click(QWidget& panel, const char* id) { control<QAbstractButton>(panel, id)->click(); }
void choose(QWidget& panel, const char* id, int item) { control<QComboBox>(panel, id)->setCurrentIndex(item - 1); }
void type(QWidget& panel, const char* id, const QString& text) { control<QLineEdit>(panel, id)->setText(text); }
QString shown(QWidget& panel, const char* id) {
  if (auto* label = panel.findChild<QLabel*>(QString::fromLatin1(id))) return label->text();
  return control<QLineEdit>(panel, id)->text();
}
bool visible(QWidget& panel, const char* id) { return control<QWidget>(panel, id)->isVisibleTo(&panel); }

class PreferencesWindow : public testing::Test {
 protected:
  void SetUp() override {
    useFreshStore();
    mySetAllDefaults();
    ASSERT_TRUE(SavePreferences());
    gLastSelectedPreference = kGeneralSettingsCategory;
    setFolderChooser({});
  }
  void TearDown() override {
    setFolderChooser({});
    setStandardUserDefaults(nullptr);
  }

  void useFreshStore() {
    defaults_ = std::make_unique<UserDefaults>(folder_ / "defaults.plist");
    setStandardUserDefaults(defaults_.get());
  }
  // The next start of the program: a new store over the same file, the records read from it.
  void restart() {
    useFreshStore();
    mySetAllDefaults();
    ASSERT_TRUE(ReadPreferences());
  }
  // OK and Cancel as the menu command finishes them.
  static void confirm(TPreferencesWindow& window) {
    window.endPanel(true);
    ASSERT_TRUE(SavePreferences());
  }
  static void cancel(TPreferencesWindow& window) {
    window.endPanel(false);
    ReadPreferences();
  }
  // A chooser that answers `folder` (or cancels for none) and counts its questions.
  void chooserAnswers(std::optional<fs::path> folder) {
    setFolderChooser([this, folder](std::int16_t& vRefNum, std::int32_t& dirID, std::int16_t prompt) -> std::int16_t {
      ++questions_;
      lastPrompt_ = prompt;
      if (!folder) return 0;
      return FSFolderIDs(*folder, vRefNum, dirID) == noErr ? 1 : 0;
    });
  }

  fs::path folder_ = test::makeTempFolder("preferences-window");
  std::unique_ptr<UserDefaults> defaults_;
  int questions_ = 0;
  std::int16_t lastPrompt_ = 0;
};

TEST_F(PreferencesWindow, RowsMapToCategoriesPanelsAndTitles) {
  const struct {
    const char* text;
    std::int16_t category;
    const char* title;
  } cases[] = {
      {"General Settings", 1, "General Settings"},   {"Print To File", 2, "Print To File"},
      {"Vorl-Print Center", 3, "Vorl-Print Center"}, {"Print To File Sets", 4, "Print To File Sets"},
      {"Output Files", 6, "Output Files"},           {"For Web Upload", 7, "For Web Upload"},
      {"Colour Settings", 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetPrefFromItemText(QString::fromLatin1(c.text)), c.category) << c.text;
    EXPECT_EQ(preferenceTitle(c.category), QString::fromLatin1(c.title)) << c.text;
  }
  EXPECT_EQ(preferenceTitle(5), QStringLiteral("Output Files"));  // no category 5: its title item is 6's

  TPreferencesWindow window;
  auto* title = window.findChild<QLabel*>(QStringLiteral("text"));
  window.categories().setCurrentRow(4);
  EXPECT_NE(dynamic_cast<TOutputFilePrefs*>(window.currentPanel()), nullptr);
  EXPECT_EQ(title->text(), QStringLiteral("Output Files"));
  window.categories().setCurrentRow(5);
  EXPECT_NE(dynamic_cast<TWebUploadPrefs*>(window.currentPanel()), nullptr);
  EXPECT_EQ(title->text(), QStringLiteral("For Web Upload"));
  EXPECT_EQ(gLastSelectedPreference, kWebUploadCategory);
  window.endPanel(false);

  // The next window opens on the category shown last.
  TPreferencesWindow again;
  EXPECT_NE(dynamic_cast<TWebUploadPrefs*>(again.currentPanel()), nullptr);
  again.endPanel(false);
}

// One field per panel changed, OK pressed, the program started again: that field is changed and every other
// byte of every record is as it was.
TEST_F(PreferencesWindow, OkStoresExactlyTheFieldEachPanelChanged) {
  const struct {
    const char* name;
    std::int16_t category;
    std::function<void(QWidget&)> change;
    std::function<void(Records&)> expected;
  } cases[] = {
      {"general", kGeneralSettingsCategory, [](QWidget& panel) { click(panel, "scan"); },
       [](Records& r) { r.server.rescan = r.server.rescan != 0 ? 0 : 1; }},
      {"print centre", kPrintCenterCategory, [](QWidget& panel) { click(panel, "newP"); },
       [](Records& r) { r.center.newHandOverFormat = r.center.newHandOverFormat != 0 ? 0 : 1; }},
      {"set 3", kPrintToFileSetsCategory,
       [](QWidget& panel) {
         choose(panel, "path", 3);
         type(panel, "bsnm", QStringLiteral("Klasse 4b"));
       },
       [](Records& r) { r.sets[2].fileNamePrefix.assign(std::string_view("Klasse 4b")); }},
      {"output files", kOutputFilesCategory, [](QWidget& panel) { control<QSlider>(panel, "scqu")->setValue(80); },
       [](Records& r) { r.output.outputQuality = 80; }},
      {"web upload", kWebUploadCategory, [](QWidget& panel) { choose(panel, "rota", 2); },
       [](Records& r) { r.web.rotationDirection = 1; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    Records expected = Records::live();
    c.expected(expected);
    {
      TPreferencesWindow window;
      window.selectCategory(c.category);
      c.change(*window.currentPanel());
      confirm(window);
    }
    restart();
    expectSameRecords(Records::live(), expected);
  }
}

TEST_F(PreferencesWindow, PrintToFilePanelWritesOnlyItsTwoSwitches) {
  Records expected = Records::live();
  expected.printToFile.saveThroughPreferencesFolder = 1;
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileCategory);
  QWidget& panel = *window.currentPanel();
  click(panel, "sapc");
  choose(panel, "frmt", 8);
  EXPECT_EQ(shown(panel, "exte"), QStringLiteral(".PSD"));
  choose(panel, "frmt", 11);
  EXPECT_EQ(shown(panel, "exte"), QStringLiteral(".???"));
  choose(panel, "nmtp", 2);
  EXPECT_FALSE(visible(panel, "view"));
  window.endPanel(true);
  expectSameRecords(Records::live(), expected);
}

TEST_F(PreferencesWindow, CancelDropsEveryChangeEvenFromPanelsLeftBefore) {
  restart();
  const Records before = Records::live();
  {
    TPreferencesWindow window;
    window.selectCategory(kOutputFilesCategory);
    control<QSlider>(*window.currentPanel(), "scqu")->setValue(90);
    EXPECT_EQ(getMyOutputFilePrefs()->outputQuality, 90);  // reaches the record at once
    window.selectCategory(kGeneralSettingsCategory);
    click(*window.currentPanel(), "ausq");
    window.selectCategory(kPrintToFileSetsCategory);
    QWidget& sets = *window.currentPanel();
    click(sets, "foor");
    choose(sets, "path", 3);  // set 1 is written into its record at once
    click(sets, "over");
    window.categories().setCurrentRow(0);
    cancel(window);
  }
  expectSameRecords(Records::live(), before);
  restart();
  expectSameRecords(Records::live(), before);
}

TEST_F(PreferencesWindow, SwitchingCategoriesKeepsTheEditsForOk) {
  restart();
  Records expected = Records::live();
  expected.server.autoStart = expected.server.autoStart != 0 ? 0 : 1;
  expected.sets[0].forceOrientation = 1;
  {
    TPreferencesWindow window;
    window.selectCategory(kGeneralSettingsCategory);
    click(*window.currentPanel(), "ausq");
    window.selectCategory(kPrintToFileSetsCategory);
    click(*window.currentPanel(), "foor");
    window.selectCategory(kOutputFilesCategory);
    confirm(window);
  }
  restart();
  expectSameRecords(Records::live(), expected);
}

TEST_F(PreferencesWindow, RevertFollowsWhatEachPanelCompares) {
  TPreferencesWindow window;
  QPushButton* revert = window.revertButton();
  window.selectCategory(kGeneralSettingsCategory);
  EXPECT_FALSE(revert->isEnabled());
  QWidget* panel = window.currentPanel();
  click(*panel, "dljf");
  EXPECT_TRUE(revert->isEnabled());
  click(*panel, "hima");  // not compared, but the 'dljf' change is still there
  EXPECT_TRUE(revert->isEnabled());
  revert->click();
  EXPECT_FALSE(revert->isEnabled());
  EXPECT_EQ(control<QAbstractButton>(*panel, "dljf")->isChecked(), getMyPrintServerPrefs()->keepJobFiles == 0);

  // The print-to-file panel does not compare: any event enables Revert.
  window.selectCategory(kPrintToFileCategory);
  EXPECT_FALSE(revert->isEnabled());
  click(*window.currentPanel(), "defa");
  EXPECT_TRUE(revert->isEnabled());

  // The set and web-upload panels never enable it.
  for (const std::int16_t category : {kPrintToFileSetsCategory, kWebUploadCategory}) {
    window.selectCategory(category);
    click(*window.currentPanel(), "foor");
    EXPECT_FALSE(revert->isEnabled()) << category;
  }
  cancel(window);
}

TEST_F(PreferencesWindow, FactorySettingsAndRevertOfTheOutputAndWebPanels) {
  getMyOutputFilePrefs()->outputQuality = 70;
  getMyWebUploadPrefs()->fileFormat = 9;
  TPreferencesWindow window;
  window.selectCategory(kOutputFilesCategory);
  QWidget& output = *window.currentPanel();
  EXPECT_EQ(shown(output, "qual"), QStringLiteral("70"));
  control<QSlider>(output, "scqu")->setValue(80);
  EXPECT_EQ(shown(output, "qual"), QStringLiteral("80"));
  window.factoryButton()->click();
  EXPECT_EQ(control<QSlider>(output, "scqu")->value(), 50);
  EXPECT_EQ(shown(output, "qual"), QStringLiteral("50"));
  window.revertButton()->click();  // the output panel always counts as changed
  EXPECT_EQ(control<QSlider>(output, "scqu")->value(), 70);

  window.selectCategory(kWebUploadCategory);
  QWidget& web = *window.currentPanel();
  type(web, "exte", QStringLiteral(".x"));
  choose(web, "frmt", 3);
  EXPECT_EQ(shown(web, "exte"), QStringLiteral(".jpg"));
  window.factoryButton()->click();
  EXPECT_EQ(control<QComboBox>(web, "frmt")->currentIndex() + 1, 10);
  EXPECT_EQ(shown(web, "exte"), QStringLiteral(".jpg"));
  cancel(window);
}

TEST_F(PreferencesWindow, SetPanelShowsWhatNamingAndFormatUse) {
  getMyPrintToFileSetPrefs(2)->doNotResizeJpegForWeb = 1;
  getMyPrintToFileSetPrefs(2)->uploadSite = 3;
  getMyPrintToFileSetPrefs(2)->doNotResizePngForWeb = 1;
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileSetsCategory);
  QWidget& panel = *window.currentPanel();
  EXPECT_FALSE(visible(panel, "edit"));
  EXPECT_FALSE(visible(panel, "npng"));

  const struct {
    int naming;
    bool prefix;
    bool overwrite;
  } namings[] = {{1, true, false}, {2, false, false}, {3, false, true}, {6, false, true}, {7, false, true},
                 {8, false, false}};
  for (const auto& n : namings) {
    choose(panel, "nmtp", n.naming);
    EXPECT_EQ(visible(panel, "bsnm"), n.prefix) << n.naming;
    EXPECT_EQ(visible(panel, "st01"), n.prefix) << n.naming;
    EXPECT_EQ(visible(panel, "over"), n.overwrite) << n.naming;
  }

  choose(panel, "path", 2);
  choose(panel, "frmt", 10);
  EXPECT_TRUE(visible(panel, "notr"));
  EXPECT_TRUE(visible(panel, "site"));
  EXPECT_FALSE(visible(panel, "npng"));
  EXPECT_TRUE(control<QAbstractButton>(panel, "notr")->isChecked());
  EXPECT_EQ(control<QComboBox>(panel, "site")->currentIndex() + 1, 3);
  choose(panel, "frmt", 3);
  EXPECT_FALSE(visible(panel, "notr"));
  EXPECT_FALSE(visible(panel, "site"));
  EXPECT_EQ(shown(panel, "exte"), QStringLiteral(".jpg"));

  // Back to set 1: set 2 was written as shown, and the PNG switch, which has no control, is stored off.
  choose(panel, "path", 1);
  EXPECT_EQ(getMyPrintToFileSetPrefs(2)->fileFormat, 3);
  EXPECT_EQ(getMyPrintToFileSetPrefs(2)->doNotResizeJpegForWeb, 1);
  EXPECT_EQ(getMyPrintToFileSetPrefs(2)->doNotResizePngForWeb, 0);
  // The first set's naming edits went into set 1 when the pop-up left it.
  EXPECT_EQ(getMyPrintToFileSetPrefs(1)->namingScheme, 8);
  cancel(window);
}

TEST_F(PreferencesWindow, RevertOfASetShowsThatSetAsItWas) {
  getMyPrintToFileSetPrefs(5)->fileNamePrefix.assign(std::string_view("Five"));
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileSetsCategory);
  auto& panel = *static_cast<TPrintToFileSetPrefs*>(window.currentPanel());
  choose(panel, "path", 5);
  type(panel, "bsnm", QStringLiteral("Changed"));
  panel.Revert();
  EXPECT_EQ(shown(panel, "bsnm"), QStringLiteral("Five"));
  confirm(window);
  EXPECT_EQ(getMyPrintToFileSetPrefs(5)->fileNamePrefix.macRoman(), "Five");
}

TEST_F(PreferencesWindow, LinkedSetsDialogStoresOnlyOnOk) {
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(1);
  set->linkedSets = {0, 4, 9};
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileSetsCategory);
  QWidget& panel = *window.currentPanel();
  bool sawDialog = false;
  test::answerDialog([](QWidget* modal) { return modal->objectName() == QLatin1String("linkedSetsDialog"); },
                     [&](QWidget* modal) {
                       auto* dialog = qobject_cast<QDialog*>(modal);
                       sawDialog = true;
                       EXPECT_EQ(control<QComboBox>(*dialog, "pth1")->currentIndex() + 1, 1);
                       EXPECT_EQ(control<QComboBox>(*dialog, "pth2")->currentIndex() + 1, 4);
                       EXPECT_EQ(control<QComboBox>(*dialog, "pth3")->currentIndex() + 1, 1);
                       choose(*dialog, "pth1", 6);
                       dialog->accept();
                     });
  click(panel, "dupl");
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(set->linkedSets[0], 6);
  EXPECT_EQ(set->linkedSets[1], 4);
  EXPECT_EQ(set->linkedSets[2], 1);
  cancel(window);
}

TEST_F(PreferencesWindow, TextsAndNumbersThatDoNotFitKeepTheStoredValue) {
  restart();
  const Records before = Records::live();
  test::MessageRecorder messages;
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileSetsCategory);
  QWidget& panel = *window.currentPanel();
  type(panel, "bsnm", QString(64, QLatin1Char('x')));
  type(panel, "exte", QStringLiteral(".\u4e2d"));  // no Mac Roman form
  type(panel, "maxs", QStringLiteral("40000"));
  confirm(window);
  restart();
  expectSameRecords(Records::live(), before);
  ASSERT_EQ(messages.messages().size(), 3u);
  EXPECT_NE(messages.messages()[0].find("at most 63 characters"), std::string::npos);
  EXPECT_NE(messages.messages()[1].find("cannot be stored"), std::string::npos);
  EXPECT_NE(messages.messages()[2].find("from 0 to 32767"), std::string::npos);
}

TEST_F(PreferencesWindow, ProcessingOnDisablesWhatItReads) {
  TPreferencesWindow window;
  window.setProcessingOn(true);
  window.selectCategory(kGeneralSettingsCategory);
  for (const char* id : {"enbp", "ausq", "chps", "dljf", "dual", "scan"}) {
    EXPECT_FALSE(control<QWidget>(*window.currentPanel(), id)->isEnabled()) << id;
  }
  window.selectCategory(kPrintToFileSetsCategory);
  EXPECT_FALSE(control<QWidget>(*window.currentPanel(), "chng")->isEnabled());
  window.setProcessingOn(false);
  EXPECT_TRUE(control<QWidget>(*window.currentPanel(), "chng")->isEnabled());
  cancel(window);
}

TEST_F(PreferencesWindow, ChoosingAFolderStoresItsReferenceSoARenameIsFollowed) {
  const fs::path chosen = test::makeTempFolder("web-upload");
  chooserAnswers(chosen);
  {
    TPreferencesWindow window;
    window.selectCategory(kWebUploadCategory);
    QWidget& panel = *window.currentPanel();
    click(panel, "chng");
    EXPECT_EQ(lastPrompt_, kOutputFolderPrompt);
    EXPECT_EQ(shown(panel, "fldr").toStdString(), chosen.filename().string());
    confirm(window);
  }
  const fs::path renamed = chosen.parent_path() / "Web Upload (renamed)";
  fs::rename(chosen, renamed);
  restart();
  tSpecialPrintToFilePref* web = getMyWebUploadPrefs();
  ASSERT_EQ(validateIfAliasHandle(web->folder), 1);
  fs::path found;
  ASSERT_EQ(FSpMakePath(web->folder.spec, found), noErr);
  EXPECT_EQ(fs::canonical(found), fs::canonical(renamed));

  // Gone: the panel says so and the record keeps what it holds.
  fs::remove(renamed);
  restart();
  const Records before = Records::live();
  TPreferencesWindow window;
  window.selectCategory(kWebUploadCategory);
  EXPECT_EQ(shown(*window.currentPanel(), "fldr"), QString::fromLatin1(kCannotFindDirectory));
  cancel(window);
  expectSameRecords(Records::live(), before);
}

TEST_F(PreferencesWindow, CancelledChooserAndRefusedFolderChangeNothing) {
  // A root with its working folders, so the print jobs folder is known.
  const fs::path root = test::makeTempFolder("server-root");
  chooserAnswers(root);
  {
    TPreferencesWindow window;
    window.selectCategory(kGeneralSettingsCategory);
    click(*window.currentPanel(), "chps");
    EXPECT_EQ(lastPrompt_, kServerRootPrompt);
    confirm(window);
  }
  ASSERT_TRUE(fs::is_directory(root / "PRINT JOBS FOLDER \u0192"));
  restart();
  const Records before = Records::live();

  test::MessageRecorder messages;
  chooserAnswers(std::nullopt);
  TPreferencesWindow window;
  window.selectCategory(kPrintCenterCategory);
  click(*window.currentPanel(), "chng");
  EXPECT_EQ(lastPrompt_, kPrintCenterPrompt);
  EXPECT_TRUE(messages.messages().empty());

  const fs::path inside = root / "PRINT JOBS FOLDER \u0192" / "out";
  fs::create_directory(inside);
  chooserAnswers(inside);
  click(*window.currentPanel(), "chng");
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("print jobs folder"), std::string::npos);
  window.selectCategory(kGeneralSettingsCategory);
  chooserAnswers(root / "PRINT JOBS FOLDER \u0192");
  click(*window.currentPanel(), "chps");
  EXPECT_EQ(messages.messages().size(), 2u);
  confirm(window);
  restart();
  expectSameRecords(Records::live(), before);
}

TEST_F(PreferencesWindow, ChoosingARootMakesTheWorkingFoldersAndShowsIt) {
  const fs::path root = test::makeTempFolder("studio");
  fs::create_directory(root / "IMAGES FOLDER \u0192");  // one is there already
  chooserAnswers(root);
  TPreferencesWindow window;
  window.selectCategory(kGeneralSettingsCategory);
  QWidget& panel = *window.currentPanel();
  EXPECT_EQ(shown(panel, "psfl"), QString::fromLatin1(kNoDirectorySelected));
  click(panel, "chps");
  EXPECT_EQ(shown(panel, "psfl").toStdString(), root.filename().string());
  for (const char* name : {"IMAGES FOLDER \u0192", "PRINT JOBS FOLDER \u0192", "FINISHED JOBS FOLDER \u0192",
                           "UNKNOWN JOBS FOLDER \u0192", "DATABASE FOLDER \u0192", "VORL GRAPHICS FOLDER \u0192"}) {
    EXPECT_TRUE(fs::is_directory(root / name)) << name;
  }
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  EXPECT_EQ(FSFolderPath(prefs->imagesFolder.vRefNum, prefs->imagesFolder.dirID), root / "IMAGES FOLDER \u0192");
  EXPECT_EQ(FSFolderPath(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID),
            root / "PRINT JOBS FOLDER \u0192");
  FSSpec stored = prefs->rootReference.spec;
  EXPECT_EQ(validateIfAliasHandle(stored, kPrintServerRootAliasId), 1);
  cancel(window);
}

// A stored value that a pop-up does not list is shown as "Other (n)", and OK without a touch keeps it: only the
// operator changes a stored value.
TEST_F(PreferencesWindow, UntouchedPopUpsKeepValuesTheyDoNotList) {
  const struct {
    const char* name;
    std::int16_t category;
    const char* id;
    std::function<void(Records&)> store;
    const char* shownItem;
  } cases[] = {
      {"set upload site 7", kPrintToFileSetsCategory, "site", [](Records& r) { r.sets[0].uploadSite = 7; }, "Other (7)"},
      {"set naming 9", kPrintToFileSetsCategory, "nmtp", [](Records& r) { r.sets[0].namingScheme = 9; }, "Other (9)"},
      {"set format 12", kPrintToFileSetsCategory, "frmt", [](Records& r) { r.sets[0].fileFormat = 12; }, "Other (12)"},
      {"set rotation 5", kPrintToFileSetsCategory, "rota", [](Records& r) { r.sets[0].rotationDirection = 5; }, "Other (5)"},
      {"web naming 9", kWebUploadCategory, "nmtp", [](Records& r) { r.web.namingScheme = 9; }, "Other (9)"},
      {"web format 12", kWebUploadCategory, "frmt", [](Records& r) { r.web.fileFormat = 12; }, "Other (12)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    Records stored = Records::live();
    c.store(stored);
    *getMyPrintToFileSetPrefs(1) = stored.sets[0];
    *getMyWebUploadPrefs() = stored.web;
    ASSERT_TRUE(SavePreferences());
    restart();
    const Records expected = Records::live();
    {
      TPreferencesWindow window;
      window.selectCategory(c.category);
      EXPECT_EQ(control<QComboBox>(*window.currentPanel(), c.id)->currentText(), QString::fromLatin1(c.shownItem));
      confirm(window);
    }
    restart();
    expectSameRecords(Records::live(), expected);
  }
}

// The naming choices say what they name the file after, and which of them replace a file of the same name (the
// output replaces only with naming 3, 4, 6 and 7).
TEST_F(PreferencesWindow, NamingChoicesSayWhatTheyDo) {
  TPreferencesWindow window;
  window.selectCategory(kPrintToFileSetsCategory);
  auto* naming = control<QComboBox>(*window.currentPanel(), "nmtp");
  ASSERT_EQ(naming->count(), 8);
  const char* parts[] = {"Prefix", "Template", "Image", "Template_Image", "Date_Time", "Image name_Job", "Extra",
                         "Image name_Template"};
  for (int mode = 1; mode <= 8; ++mode) {
    SCOPED_TRACE(mode);
    const QString item = naming->itemText(mode - 1);
    EXPECT_TRUE(item.contains(QString::fromLatin1(parts[mode - 1]))) << item.toStdString();
    EXPECT_EQ(item.contains("replaces"), mode == 3 || mode == 4 || mode == 6 || mode == 7) << item.toStdString();
    EXPECT_FALSE(item.contains("Scheme"));
  }
  cancel(window);
}

// Two stored switches have no known meaning: the general panel does not offer them, and keeps their values.
TEST_F(PreferencesWindow, GeneralPanelOffersNoSwitchWithoutMeaningAndKeepsItsValue) {
  getMyPrintServerPrefs()->value210 = 1;
  ASSERT_TRUE(SavePreferences());
  restart();
  TPreferencesWindow window;
  window.selectCategory(kGeneralSettingsCategory);
  for (const QAbstractButton* box : window.currentPanel()->findChildren<QAbstractButton*>())
    EXPECT_FALSE(box->text().startsWith("Option")) << box->text().toStdString();
  EXPECT_FALSE(window.revertButton()->isEnabled());
  confirm(window);
  restart();
  EXPECT_EQ(getMyPrintServerPrefs()->value210, 1);
}

// The window opens at the size of its largest panel and keeps it whichever panel is shown.
TEST_F(PreferencesWindow, WindowKeepsItsSizeAcrossPanels) {
  TPreferencesWindow window;
  window.show();
  QApplication::processEvents();
  const QSize opened = window.size();
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::int16_t category : {kGeneralSettingsCategory, kPrintToFileCategory, kPrintCenterCategory,
                                        kPrintToFileSetsCategory, kOutputFilesCategory, kWebUploadCategory}) {
      SCOPED_TRACE(preferenceTitle(category).toStdString());
      window.selectCategory(category);
      QApplication::processEvents();
      EXPECT_EQ(window.size(), opened);
      QWidget* panel = window.currentPanel();
      EXPECT_GE(panel->height(), panel->minimumSizeHint().height());
      EXPECT_GE(panel->width(), panel->minimumSizeHint().width());
    }
  }
  cancel(window);
}

TEST_F(PreferencesWindow, ScreenshotsOfEveryPanel) {
  TPreferencesWindow window;
  window.resize(760, 620);
  window.show();
  for (const std::int16_t category : {kGeneralSettingsCategory, kPrintToFileCategory, kPrintCenterCategory,
                                      kPrintToFileSetsCategory, kOutputFilesCategory, kWebUploadCategory}) {
    window.selectCategory(category);
    QApplication::processEvents();
    const QString name = QStringLiteral("preferences-%1").arg(preferenceTitle(category).toLower().replace(' ', '-'));
    EXPECT_FALSE(test::saveScreenshot(window, name).isEmpty()) << name.toStdString();
  }
  cancel(window);
}

}  // namespace
}  // namespace vorl
