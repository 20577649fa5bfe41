// The save dialog: what it answers for OK and Cancel, and the save-as type choice of the real dialog, driven
// offscreen: the name's extension follows the type and the type chosen becomes the current one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <cstring>
#include <filesystem>

#include "app/windows/dialogs.h"
#include "platform/files/file_specs.h"
#include "preferences/file_type_extensions.h"
#include "tests/app/modal_dialogs.h"
#include "tests/app/scripted_dialogs.h"
#include "tests/support/folder_specs.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::folderAsCallersGiveIt;

TEST(SaveDialog, AnswersTheFileOrLeavesTheSpecificationForCancel) {
  const fs::path folder = test::makeTempFolder("save-dialog");
  test::ScriptedDialogs answers;
  const Str255 name(std::string_view("11 Dec 2026 - Zeverezoz"));
  const Str255 title(std::string_view("Save"));

  FSSpec spec = folderAsCallersGiveIt(folder);
  const FSSpec before = spec;
  answers.answerFile(std::nullopt);
  EXPECT_EQ(MySaveFile(spec, name, fourCharCode("TEXT"), title), -1);
  EXPECT_EQ(std::memcmp(&spec, &before, sizeof spec), 0);

  answers.answerFile(folder / "Report \xC3\xA9t\xC3\xA9.txt");  // "Report été.txt"
  EXPECT_EQ(MySaveFile(spec, name, fourCharCode("TEXT"), title), noErr);
  fs::path named;
  ASSERT_EQ(FSpMakePath(spec, named), noErr);
  EXPECT_EQ(named, folder / "Report \xC3\xA9t\xC3\xA9.txt");

  // A folder that does not exist cannot hold the file.
  test::MessageRecorder messages;
  answers.answerFile(folder / "missing" / "x.txt");
  EXPECT_EQ(MySaveFile(spec, name, fourCharCode("TEXT"), title), -1);
  EXPECT_EQ(messages.messages().size(), 1u);
}

TEST(SaveDialog, TypeChoiceRenamesTheFileAndBecomesCurrent) {
  const fs::path folder = test::makeTempFolder("save-as-type");
  FSSpec spec = folderAsCallersGiveIt(folder);
  setCurrentSaveAsType(3);
  bool drove = false;
  test::answerDialog([](QWidget* modal) { return qobject_cast<QFileDialog*>(modal) != nullptr; },
                     [&](QWidget* modal) {
                       auto* dialog = qobject_cast<QFileDialog*>(modal);
                       drove = true;
                       auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                       auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                       ASSERT_NE(name, nullptr);
                       ASSERT_NE(types, nullptr);
                       EXPECT_EQ(name->text(), QStringLiteral("Untitled.JPG"));
                       name->setText(QStringLiteral("Portrait.JPG"));
                       types->setCurrentIndex(8);
                       emit types->activated(8);  // as the operator's choice
                       EXPECT_EQ(name->text(), QStringLiteral("Portrait.PNG"));
                       static_cast<QDialog*>(dialog)->accept();  // the file dialog's own OK, as its button runs it
                     });
  EXPECT_EQ(MySaveFile(spec, Str255(std::string_view("ignored")), fourCharCode("JPEG"), Str255(std::string_view("Save As"))),
            noErr);
  EXPECT_TRUE(drove);
  EXPECT_EQ(spec.name.macRoman(), "Portrait.PNG");
  EXPECT_EQ(getCurrentSaveAsType(), 9);
}

}  // namespace
}  // namespace vorl
