#include "app/preferences/web_upload_panel.h"

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "app/preferences/folder_chooser.h"

namespace vorl {

TWebUploadPrefs::TWebUploadPrefs(QWidget* parent) : TPrintToFileSetView(parent) {
  buildDestinationControls(true);
  watchControls();
}

void TWebUploadPrefs::SetSettings(const tSpecialPrintToFilePref& prefs) {
  showDestination(prefs);
  showControl("view", prefs.namingScheme == 1);
}

void TWebUploadPrefs::GetSettings() { readDestination(*getMyWebUploadPrefs()); }

void TWebUploadPrefs::DoPostCreate() {
  TPrintToFileSetView::DoPostCreate();
  tSpecialPrintToFilePref* live = getMyWebUploadPrefs();
  snapshot_ = *live;
  SetSettings(*live);
  UpdateFolderString(live->folder, live->folder, false);
}

void TWebUploadPrefs::SetFactorySettings() {
  setMyWebUploadPrefsToFactoryDefaults(getMyWebUploadPrefs());
  SetSettings(*getMyWebUploadPrefs());
}

void TWebUploadPrefs::Revert() { SetSettings(snapshot_); }

void TWebUploadPrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("chng")) {
    static_cast<void>(chooseRecordFolder(getMyWebUploadPrefs()->folder, kOutputFolderPrompt));
  } else if (id == QLatin1String("frmt")) {
    showExtensionOfFormat();
  } else if (id == QLatin1String("nmtp")) {
    showControl("view", popupItem("nmtp") == 1);
  }
}

}  // namespace vorl
