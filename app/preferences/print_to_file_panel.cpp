#include "app/preferences/print_to_file_panel.h"

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "app/preferences/folder_chooser.h"

namespace vorl {

TPrintToFilePrefs::TPrintToFilePrefs(QWidget* parent) : TPrintToFileSetView(parent) {
  // The same controls as a set; only the folder and two switches reach the record.
  buildDestinationControls(true);
  watchControls();
}

void TPrintToFilePrefs::SetSettings(const tPrintToFilePrefs& prefs) {
  setChecked("defa", prefs.folder.createWhenMissing != 0);
  setChecked("sapc", prefs.saveThroughPreferencesFolder != 0);
}

void TPrintToFilePrefs::DoPostCreate() {
  TPrintToFileSetView::DoPostCreate();
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

void TPrintToFilePrefs::writeBack() {
  tPrintToFilePrefs* live = getMyPrintToFilePrefs();
  live->folder.createWhenMissing = isChecked("defa") ? 1 : 0;
  live->saveThroughPreferencesFolder = isChecked("sapc") ? 1 : 0;
}

void TPrintToFilePrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("chng")) {
    static_cast<void>(chooseRecordFolder(getMyPrintToFilePrefs()->folder, kOutputFolderPrompt));
  } else if (id == QLatin1String("frmt")) {
    showExtensionOfFormat();
  } else if (id == QLatin1String("nmtp")) {
    showControl("view", popupItem("nmtp") == 1);
  }
}

}  // namespace vorl
