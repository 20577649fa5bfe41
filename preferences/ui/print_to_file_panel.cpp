#include "preferences/ui/print_to_file_panel.h"

#include "preferences/factory_defaults.h"
#include "preferences/file_type_extensions.h"
#include "preferences/preference_globals.h"
#include "preferences/ui/folder_chooser.h"
#include "preferences/ui/panel_builder.h"
#include "preferences/ui/print_to_file_options.h"

namespace vorl {

TPrintToFilePrefs::TPrintToFilePrefs(QWidget* parent) : TPreferencesView(parent) {
  PanelBuilder form(*this);
  form.folder("chng", "fldr", "volu", QStringLiteral("Folder:"));
  form.check("defa", QStringLiteral("Make the folder when it is missing"));
  form.check("sapc", QStringLiteral("Save through the preferences folder"));
  form.popup("frmt", QStringLiteral("File format:"), fileFormatItems());
  form.field("exte", QStringLiteral("Extension:"));
  form.popup("nmtp", QStringLiteral("Naming:"), namingSchemeItems());
  form.beginGroup("view", QStringLiteral("File names"));
  form.field("bsnm", QStringLiteral("Prefix:"));
  form.endGroup();
  form.check("foor", QStringLiteral("Turn pages to the orientation"));
  form.radioPair("clus", "land", QStringLiteral("Landscape"), "port", QStringLiteral("Portrait"),
                 QStringLiteral("Orientation:"));
  form.popup("rota", QStringLiteral("Rotation:"), rotationItems());
  watchControls();
}

void TPrintToFilePrefs::SetSettings(const tPrintToFilePrefs& prefs) {
  setChecked("defa", prefs.folder.createWhenMissing != 0);
  setChecked("sapc", prefs.saveThroughPreferencesFolder != 0);
}

void TPrintToFilePrefs::DoPostCreate() {
  TPreferencesView::DoPostCreate();
  tPrintToFilePrefs* live = getMyPrintToFilePrefs();
  snapshot_ = *live;
  SetSettings(*live);
  showControl("view", live->showNamingGroup == 1);
  UpdateFolderString(live->folder, live->folder, false);
}

void TPrintToFilePrefs::SetFactorySettings() {
  setMyPrintToFilePrefToFactoryDefaults(getMyPrintToFilePrefs());
  SetSettings(*getMyPrintToFilePrefs());
}

void TPrintToFilePrefs::Revert() { SetSettings(snapshot_); }

void TPrintToFilePrefs::ViewsEnable(bool on) {
  TPreferencesView::ViewsEnable(on);
  enableControls({"bsnm", "chng", "defa", "exte", "foor", "frmt", "land", "nmtp", "port", "prom", "rota", "ustn"}, on);
}

void TPrintToFilePrefs::writeBack() {
  tPrintToFilePrefs* live = getMyPrintToFilePrefs();
  live->folder.createWhenMissing = isChecked("defa") ? 1 : 0;
  live->saveThroughPreferencesFolder = isChecked("sapc") ? 1 : 0;
}

void TPrintToFilePrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("chng")) {
    static_cast<void>(chooseRecordFolder(getMyPrintToFilePrefs()->folder, kOutputFolderPrompt));
  } else if (id == QLatin1String("frmt")) {
    setText("exte", QString::fromLatin1(getExtensionFromFileType(static_cast<std::int16_t>(popupItem("frmt")))));
  } else if (id == QLatin1String("nmtp")) {
    showControl("view", popupItem("nmtp") == 1);
  }
}

}  // namespace vorl
