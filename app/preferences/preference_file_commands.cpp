#include "app/preferences/preference_file_commands.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <filesystem>
#include <system_error>

#include "platform/core/clock.h"
#include "preferences/preferences_export.h"

namespace vorl {
namespace {

QString preferencesFolder() {
  const std::filesystem::path folder = preferencesFolderPath();
  std::error_code error;
  std::filesystem::create_directories(folder, error);  // the panel falls back to its own start when this fails
  return QString::fromStdString(folder.string());
}

}  // namespace

bool SaveToNewPreferencesFile() {
  const DateTimeRec today = localDateTime(currentClock().now());
  QFileDialog panel(nullptr, QStringLiteral("Save Preferences to File..."), preferencesFolder(),
                    QStringLiteral("Property list (*.plist)"));
  panel.setAcceptMode(QFileDialog::AcceptSave);
  panel.setDefaultSuffix(QStringLiteral("plist"));
  panel.setLabelText(QFileDialog::LookIn, QStringLiteral("Please Enter the Name of the Preference File to Save..."));
  panel.selectFile(QString::fromStdString(defaultPreferencesFileName(today)));
  if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return false;

  const QString chosen = panel.selectedFiles().constFirst();
  if (!SaveToNewPreferencesFile(std::filesystem::path(chosen.toStdString()))) return false;
  QMessageBox::information(nullptr, QStringLiteral("Preference File Saved at:"), chosen);
  return true;
}

bool LoadFromNewPreferencesFile() {
  QFileDialog panel(nullptr, QStringLiteral("Please Choose the Pref File to LOAD From..."), preferencesFolder(),
                    QStringLiteral("Property list (*.plist)"));
  panel.setAcceptMode(QFileDialog::AcceptOpen);
  panel.setFileMode(QFileDialog::ExistingFile);
  if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return false;
  return LoadFromNewPreferencesFile2(std::filesystem::path(panel.selectedFiles().constFirst().toStdString()), true) ==
         1;
}

}  // namespace vorl
