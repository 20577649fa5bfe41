#include "app/preferences/print_center_panel.h"

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "app/preferences/folder_chooser.h"
#include "app/preferences/panel_builder.h"

namespace vorl {

TProcessedJobsPrefs::TProcessedJobsPrefs(QWidget* parent) : TPreferencesView(parent) {
  PanelBuilder form(*this);
  form.folder("chng", "fldr", "volu", QStringLiteral("Print-centre folder:"));
  form.check("defa", QStringLiteral("Make the folder when it is missing"));
  form.check("newP", QStringLiteral("Hand over JPEG files with property lists (new print centre)"));
  watchControls();
}

void TProcessedJobsPrefs::SetSettings(const tProcessedJobsPrefs& prefs) {
  setChecked("defa", prefs.folder.createWhenMissing != 0);
  setChecked("newP", prefs.newHandOverFormat != 0);
}

void TProcessedJobsPrefs::DoPostCreate() {
  TPreferencesView::DoPostCreate();
  tProcessedJobsPrefs* live = getMyProcessedJobsPrefs();
  snapshot_ = *live;
  SetSettings(*live);
  UpdateFolderString(live->folder, live->folder, false);
}

void TProcessedJobsPrefs::SetFactorySettings() {
  setMyProcessedJobsPrefToFactoryDefaults(getMyProcessedJobsPrefs());
  SetSettings(*getMyProcessedJobsPrefs());
}

void TProcessedJobsPrefs::Revert() { SetSettings(snapshot_); }

bool TProcessedJobsPrefs::IsChanged() const {
  return isChecked("defa") != (snapshot_.folder.createWhenMissing != 0) ||
         isChecked("newP") != (snapshot_.newHandOverFormat != 0);
}

void TProcessedJobsPrefs::ViewsEnable(bool on) {
  TPreferencesView::ViewsEnable(on);
  enableControls({"chng", "defa", "newP"}, on);
}

void TProcessedJobsPrefs::writeBack() {
  tProcessedJobsPrefs* live = getMyProcessedJobsPrefs();
  if (hasControl("defa")) live->folder.createWhenMissing = isChecked("defa") ? 1 : 0;
  if (hasControl("newP")) live->newHandOverFormat = isChecked("newP") ? 1 : 0;
}

void TProcessedJobsPrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("chng")) {
    static_cast<void>(chooseRecordFolder(getMyProcessedJobsPrefs()->folder, kPrintCenterPrompt));
  }
}

}  // namespace vorl
