#include "app/windows/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <iostream>

#include "foundation/services/messages.h"
#include "platform/files/file_specs.h"
#include "platform/text/mac_roman.h"
#include "preferences/file_type_extensions.h"

namespace vorl {
namespace {

Dialogs* gDialogs = nullptr;

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

constexpr OSType kTextFileType = 0x54455854;  // 'TEXT'
constexpr std::int16_t kSavePrompt = 40;
constexpr std::int16_t kFirstSaveAsType = 1;
constexpr std::int16_t kLastSaveAsType = 9;

// The save-as types as name filters; filter i is type i + 1.
QStringList saveAsTypeFilters() {
  static const char* const kNames[] = {"Same as the source", "TIFF", "JPEG", "PICT", "Raw",
                                       "TIFF (uncompressed)", "Targa", "Photoshop", "PNG"};
  QStringList filters;
  for (std::int16_t type = kFirstSaveAsType; type <= kLastSaveAsType; ++type) {
    const std::string extension = getExtensionStringForSaveAsType(type);
    filters << QStringLiteral("%1 (%2)")
                   .arg(QString::fromLatin1(kNames[type - 1]),
                        extension.empty() ? QStringLiteral("*") : QStringLiteral("*") + QString::fromStdString(extension));
  }
  return filters;
}

// The name with its extension replaced by that of the type (kept for a type without one).
QString nameForSaveAsType(const QString& name, std::int16_t type) {
  const std::string extension = getExtensionStringForSaveAsType(type);
  if (extension.empty()) return name;
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return (dot > 0 ? name.left(dot) : name) + QString::fromStdString(extension);
}

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

std::optional<std::filesystem::path> QtDialogs::chooseFileToSaveAs(const QString& title, const QString& prompt,
                                                                   const std::filesystem::path& folder,
                                                                   const QString& proposedName,
                                                                   std::int16_t& saveAsType) {
  QFileDialog dialog(QApplication::activeWindow(), title, toQString(folder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setLabelText(QFileDialog::FileName, prompt);
  const QStringList filters = saveAsTypeFilters();
  dialog.setNameFilters(filters);
  const std::int16_t offered = std::clamp(saveAsType, kFirstSaveAsType, kLastSaveAsType);
  dialog.selectNameFilter(filters.at(offered - 1));
  dialog.selectFile(proposedName);
  // Choosing another type gives the typed name that type's extension, with the name itself selected.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& filter) {
    auto* nameField = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (nameField == nullptr) return;
    const QString renamed = nameForSaveAsType(nameField->text(), static_cast<std::int16_t>(filters.indexOf(filter) + 1));
    nameField->setText(renamed);
    const qsizetype dot = renamed.lastIndexOf(QLatin1Char('.'));
    nameField->setSelection(0, dot > 0 ? dot : renamed.size());
  });
  std::optional<std::filesystem::path> chosen = runFileDialog(dialog);
  if (chosen) saveAsType = static_cast<std::int16_t>(filters.indexOf(dialog.selectedNameFilter()) + 1);
  return chosen;
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
    case 9:
      return QStringLiteral("Please Choose the Print Server Folder...");
    case 23:
      return QStringLiteral("Please Choose the Destination Folder...");
    case 34:
      return QStringLiteral("Please Choose the Vorl-Print Center Folder...");
    case 40:
      return QStringLiteral("Please Enter the Name of the File to Save...");
    default:
      return QStringLiteral("Please Choose a Folder...");
  }
}

OSErr MySaveFile(FSSpec& spec, const Str255& defaultName, OSType fileType, const Str255& title) {
  const std::filesystem::path folder = FSFolderPath(spec.vRefNum, spec.parID).value_or(std::filesystem::path());
  const QString titleText = QString::fromStdString(title.toUtf8());
  std::optional<std::filesystem::path> chosen;
  if (fileType == kTextFileType) {
    chosen = dialogs().chooseFileToSave(titleText, chooserPrompt(kSavePrompt), folder,
                                        QString::fromStdString(defaultName.toUtf8()), QString());
  } else {
    std::int16_t saveAsType = getCurrentSaveAsType();
    chosen = dialogs().chooseFileToSaveAs(titleText, chooserPrompt(kSavePrompt), folder,
                                          nameForSaveAsType(QStringLiteral("Untitled"), saveAsType), saveAsType);
    if (chosen) setCurrentSaveAsType(saveAsType);
  }
  if (!chosen) return -1;
  FSSpec made;
  if (const OSErr error = FSMakeFSSpecFromPath(*chosen, made); error != noErr) {
    const std::string message = "The file \"" + chosen->filename().string() + "\" cannot be saved there (error " +
                                std::to_string(error) + "). Please choose a shorter name or another folder.";
    DisplayNormalMessage(message.c_str());
    return -1;
  }
  spec = made;
  return noErr;
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
