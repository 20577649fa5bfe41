#include "app/preferences/general_settings_panel.h"

#include <array>

#include "foundation/files/aliases.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "preferences/factory_defaults.h"
#include "preferences/folder_display.h"
#include "preferences/preference_globals.h"
#include "app/preferences/folder_chooser.h"
#include "app/preferences/panel_builder.h"
#include "preferences/working_folders.h"

namespace vorl {
namespace {

// The plain check boxes and their fields ('dljf' is shown inverted and handled apart).
struct SwitchControl {
  const char* id;
  SInt16Field tPrintServerPrefs::*field;
};

constexpr std::array<SwitchControl, 6> kSwitches{{
    {"enbp", &tPrintServerPrefs::pollEvents},
    {"ausq", &tPrintServerPrefs::autoStart},
    {"dual", &tPrintServerPrefs::dualBuffer},
    {"scan", &tPrintServerPrefs::rescan},
    {"hima", &tPrintServerPrefs::hideInBackground},
    {"dem5", &tPrintServerPrefs::askOnFailedJob},
}};

}  // namespace

TPrintServerPrefs::TPrintServerPrefs(QWidget* parent) : TPreferencesView(parent) {
  PanelBuilder form(*this);
  form.folder("chps", "psfl", "psvl", QStringLiteral("Server folder:"));
  form.folder("chp2", "psf2", "psv2", QStringLiteral("Second server folder:"));
  form.check("enbp", QStringLiteral("Redraw the windows during long operations"));
  form.check("ausq", QStringLiteral("Start processing when the program starts"));
  form.check("dljf", QStringLiteral("Delete a job's image files after printing"));
  form.check("scan", QStringLiteral("List the whole print jobs folder after each job"));
  form.check("dual", QStringLiteral("Print data with a dual buffer"));
  form.check("dem5", QStringLiteral("Ask what to do with a job that failed"));
  // 'blck' (+210) and 't3am' (+224) are stored, but nothing in the program reads them and no document says what
  // they meant: they stay off the panel, and their stored values stay as they are.
  form.check("hima", QStringLiteral("Hide the preview while in the background"));
  watchControls();
}

void TPrintServerPrefs::SetSettings(const tPrintServerPrefs& prefs) {
  for (const SwitchControl& control : kSwitches) setChecked(control.id, prefs.*control.field != 0);
  setChecked("dljf", prefs.keepJobFiles == 0);
}

void TPrintServerPrefs::DoPostCreate() {
  TPreferencesView::DoPostCreate();
  snapshot_ = *getMyPrintServerPrefs();
  SetSettings(snapshot_);
  rootFolderEvent(false, false);
  if (hasControl("chp2")) rootFolderEvent(true, false);
}

void TPrintServerPrefs::SetFactorySettings() {
  setMyPrintServerPrefToFactoryDefaults(getMyPrintServerPrefs());
  SetSettings(*getMyPrintServerPrefs());
  // The factory values name no root folders.
  rootFolderEvent(false, false);
  if (hasControl("chp2")) rootFolderEvent(true, false);
}

void TPrintServerPrefs::Revert() { SetSettings(snapshot_); }

bool TPrintServerPrefs::IsChanged() const {
  const tPrintServerPrefs& was = snapshot_;
  return isChecked("enbp") != (was.pollEvents != 0) || isChecked("ausq") != (was.autoStart != 0) ||
         isChecked("dual") != (was.dualBuffer != 0) ||
         isChecked("scan") != (was.rescan != 0) || isChecked("dljf") != (was.keepJobFiles == 0);
}

void TPrintServerPrefs::ViewsEnable(bool on) {
  TPreferencesView::ViewsEnable(on);
  enableControls({"enbp", "ausq", "autl", "crsf", "chps", "dljf", "dual", "scan"}, on);
}

void TPrintServerPrefs::writeBack() {
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  for (const SwitchControl& control : kSwitches) {
    if (hasControl(control.id)) prefs->*control.field = isChecked(control.id) ? 1 : 0;
  }
  if (!hasControl("dem5")) prefs->askOnFailedJob = 1;
  prefs->keepJobFiles = isChecked("dljf") ? 0 : 1;
}

void TPrintServerPrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("chps")) rootFolderEvent(false, true);
  if (id == QLatin1String("chp2")) rootFolderEvent(true, true);
}

void TPrintServerPrefs::rootFolderEvent(bool second, bool clicked) {
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  FolderLocation& root = second ? prefs->secondRoot : prefs->serverRoot;
  tmyFSSpec& reference = second ? prefs->secondRootReference : prefs->rootReference;
  if (clicked) {
    std::int16_t vRefNum = root.vRefNum;
    std::int32_t dirID = root.dirID;
    if (myChooseFolder(vRefNum, dirID, true, kServerRootPrompt) == 1) {
      const std::optional<std::filesystem::path> chosen = existingFolderPath(vRefNum, dirID);
      const std::string refusal = chosen ? folderRefusal(*chosen) : std::string();
      if (!refusal.empty()) {
        DisplayNormalMessage(refusal.c_str());
      } else {
        root.vRefNum = vRefNum;
        root.dirID = dirID;
        Str255 folderName;
        Str63 volumeName;
        if (getFolderName(vRefNum, dirID, folderName, volumeName) == noErr) {
          reference.volumeName.assign(volumeName.text());
        }
        static_cast<void>(second ? createImageAndJobFolders2() : createImageAndJobFolders());
      }
    }
  }
  const FolderTexts texts = folderDisplayTexts(root.vRefNum, root.dirID, reference.volumeName);
  FSSpec own{};
  if (existingFolderPath(root.vRefNum, root.dirID) && GetFolderFSSpec(root.vRefNum, root.dirID, &own) == noErr) {
    reference.spec = own;
  }
  setText(second ? "psf2" : "psfl", fromMacRoman(texts.folder));
  setText(second ? "psv2" : "psvl", fromMacRoman(texts.volume));
  if (clicked) SaveFSSpecAsAliasHandle(reference.spec, second ? kSecondRootAliasId : kPrintServerRootAliasId);
}

}  // namespace vorl
