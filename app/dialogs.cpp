#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <iostream>

#include "platform/file_specs.h"

namespace vorl {
namespace {

Dialogs* gDialogs = nullptr;

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

std::optional<std::filesystem::path> runFileDialog(QFileDialog& dialog) {
  // The same dialog on every desktop, and one that offscreen tests can drive.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
}

}  // namespace

bool QtDialogs::confirmEmptying(const QString& label, const QStringList& folders) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Vorl-Zeverezoz"),
                  QStringLiteral("Delete all files in the %1?").arg(label), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setInformativeText(QStringLiteral("Files are deleted from:\n") + folders.join(QLatin1Char('\n')));
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole));
  box.exec();
  return box.clickedButton() == ok;
}

int QtDialogs::askAfterImport() {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Vorl-Zeverezoz"),
                  QStringLiteral("The preferences were loaded. Quit Vorl-Zeverezoz now and start it again?"),
                  QMessageBox::NoButton, QApplication::activeWindow());
  QPushButton* quit = box.addButton(QStringLiteral("Quit"), QMessageBox::AcceptRole);
  box.setDefaultButton(box.addButton(QStringLiteral("Continue"), QMessageBox::RejectRole));
  box.exec();
  return box.clickedButton() == quit ? kAfterImportQuit : kAfterImportGoOn;
}

std::optional<std::filesystem::path> QtDialogs::chooseFolder(const QString& prompt,
                                                             const std::filesystem::path& start) {
  QFileDialog dialog(QApplication::activeWindow(), prompt, toQString(start));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return runFileDialog(dialog);
}

std::optional<std::filesystem::path> QtDialogs::chooseFileToSave(const QString& title, const QString& prompt,
                                                                 const std::filesystem::path& folder,
                                                                 const QString& proposedName,
                                                                 const QString& filter) {
  QFileDialog dialog(QApplication::activeWindow(), title, toQString(folder), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setLabelText(QFileDialog::FileName, prompt);
  dialog.selectFile(proposedName);
  return runFileDialog(dialog);
}

std::optional<std::filesystem::path> QtDialogs::chooseFileToOpen(const QString& title,
                                                                 const std::filesystem::path& folder,
                                                                 const QString& filter) {
  QFileDialog dialog(QApplication::activeWindow(), title, toQString(folder), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return runFileDialog(dialog);
}

void QtDialogs::inform(const QString& title, const QString& text) {
  QMessageBox::information(QApplication::activeWindow(), title, text);
}

Dialogs& dialogs() {
  static QtDialogs qtDialogs;
  return gDialogs != nullptr ? *gDialogs : qtDialogs;
}

void setDialogs(Dialogs* answerer) noexcept { gDialogs = answerer; }

QString chooserPrompt(std::int16_t promptIndex) {
  switch (promptIndex) {
    case 40:
      return QStringLiteral("Please Enter the Name of the File to Save...");
    default:
      return QStringLiteral("Please Choose a Folder...");
  }
}

std::int16_t myNewChooseFolder(std::int16_t& vRefNum, std::int32_t& dirID, bool /*unused*/,
                               std::int16_t promptIndex) {
  // A start folder that is gone leaves the dialog where it opens by itself.
  const std::filesystem::path start = FSFolderPath(vRefNum, dirID).value_or(std::filesystem::path());
  const std::optional<std::filesystem::path> chosen = dialogs().chooseFolder(chooserPrompt(promptIndex), start);
  if (!chosen) return 0;
  std::int16_t chosenVRefNum = 0;
  std::int32_t chosenDirID = 0;
  if (const OSErr error = FSFolderIDs(*chosen, chosenVRefNum, chosenDirID); error != noErr) {
    std::cerr << "myNewChooseFolder: \"" << chosen->string() << "\" is no folder (" << error << ")\n";
    return 0;
  }
  vRefNum = chosenVRefNum;
  dirID = chosenDirID;
  return 1;
}

}  // namespace vorl
