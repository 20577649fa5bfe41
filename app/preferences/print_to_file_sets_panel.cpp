#include "app/preferences/print_to_file_sets_panel.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "foundation/services/messages.h"
#include "platform/core/baton.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "app/preferences/folder_chooser.h"
#include "app/preferences/panel_builder.h"
#include "app/preferences/print_to_file_options.h"

namespace vorl {
namespace {

// The largest side a picture can have, in pixels.
constexpr int kLargestSide = 32767;

QStringList setItems() {
  QStringList items;
  for (int set = 1; set <= kPrintToFileSetCount; ++set) items << QStringLiteral("Set %1").arg(set);
  return items;
}

// Linked-set values: 1 is none, v from 2 names set v - 1.
QStringList linkedSetItems() {
  QStringList items{QStringLiteral("None")};
  for (int set = 1; set < kPrintToFileSetCount; ++set) items << QStringLiteral("Set %1").arg(set);
  return items;
}

}  // namespace

TPrintToFileSetPrefs::TPrintToFileSetPrefs(QWidget* parent) : TPrintToFileSetView(parent) {
  auto* sets = new QComboBox(this);
  sets->setObjectName(QStringLiteral("path"));
  sets->addItems(setItems());
  buildDestinationControls(false);
  auto* form = qobject_cast<QFormLayout*>(layout());
  form->insertRow(0, QStringLiteral("Set:"), sets);
  PanelBuilder more(*this);
  more.check("over", QStringLiteral("Replace a file of the same name"));
  more.check("cjpg", QStringLiteral("Also make a JPEG for web upload"));
  more.field("maxs", QStringLiteral("Largest side for the web (pixels):"));
  more.check("notr", QStringLiteral("Keep web files at full size"));
  more.popup("site", QStringLiteral("Upload destination:"), uploadSiteItems());
  more.check("npng", QStringLiteral("Keep PNG files at full size"));
  more.field("edit", QStringLiteral("Client addresses:"));
  more.button("dupl", QStringLiteral("Copy into Other Sets…"));
  watchControls();
}

void TPrintToFileSetPrefs::SetSettings(const tSpecialPrintToFilePref& set) {
  showDestination(set);
  setChecked("cjpg", set.createJPEGForWeb != 0);
  setText("maxs", QString::number(set.webMaximumSize));
  // Shown only for format 10, but always filled so that a hidden control never carries another set's value.
  setChecked("notr", set.doNotResizeJpegForWeb != 0);
  setPopupItem("site", set.uploadSite);
  setChecked("npng", false);
  setChecked("over", set.overwriteExisting != 0);
  setText("edit", fromMacRoman(set.clientAddressList.macRoman()));
  applyNamingRules(set.namingScheme);
  applyFormatRules(set.fileFormat);
}

void TPrintToFileSetPrefs::GetSettings(std::int16_t setNumber) {
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(setNumber);
  if (set == nullptr) return;
  readDestination(*set);
  set->createJPEGForWeb = isChecked("cjpg") ? 1 : 0;
  bool isNumber = false;
  const int largestSide = text("maxs").trimmed().toInt(&isNumber);
  if (isNumber && largestSide >= 0 && largestSide <= kLargestSide) {
    set->webMaximumSize = static_cast<std::int16_t>(largestSide);
  } else {
    const std::string message = "The largest side for the web must be a number from 0 to " +
                                std::to_string(kLargestSide) + "; \"" + text("maxs").toStdString() +
                                "\" is not. The setting keeps its value.";
    DisplayNormalMessage(message.c_str());
  }
  set->doNotResizeJpegForWeb = isChecked("notr") ? 1 : 0;
  set->uploadSite = static_cast<std::int16_t>(popupItem("site"));
  set->doNotResizePngForWeb = isChecked("npng") ? 1 : 0;
  set->overwriteExisting = isChecked("over") ? 1 : 0;
  if (hasControl("edit")) {
    if (const auto addresses = macRomanField("edit", 255, "client address list")) {
      set->clientAddressList.assign(std::string_view(*addresses));
    }
  }
}

void TPrintToFileSetPrefs::DoPostCreate() {
  TPrintToFileSetView::DoPostCreate();
  showControl("edit", false);
  for (std::int16_t set = 1; set <= kPrintToFileSetCount; ++set) {
    snapshot_[static_cast<std::size_t>(set - 1)] = *getMyPrintToFileSetPrefs(set);
  }
  currentSet_ = 1;
  setPopupItem("path", 1);
  tSpecialPrintToFilePref* first = getMyPrintToFileSetPrefs(1);
  SetSettings(*first);
  UpdateFolderString(first->folder, first->folder, false);
}

void TPrintToFileSetPrefs::SetFactorySettings() {
  const auto setNumber = static_cast<std::int16_t>(popupItem("path"));
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(setNumber);
  if (set == nullptr) return;
  setMyPrintToFileSetPrefsToFactoryDefaults(set, setNumber);
  SetSettings(*set);
}

void TPrintToFileSetPrefs::Revert() { SetSettings(snapshot_[static_cast<std::size_t>(currentSet_ - 1)]); }

void TPrintToFileSetPrefs::writeBack() { GetSettings(static_cast<std::int16_t>(popupItem("path"))); }

void TPrintToFileSetPrefs::applyNamingRules(std::int16_t naming) {
  showControl("bsnm", naming == 1);
  showControl("st01", naming == 1);
  showControl("over", naming == 3 || naming == 6 || naming == 7);
}

void TPrintToFileSetPrefs::applyFormatRules(std::int16_t format) {
  showControl("notr", format == 10);
  showControl("site", format == 10);
  showControl("npng", false);
}

void TPrintToFileSetPrefs::DoEvent(const QString& id) {
  if (id == QLatin1String("path")) {
    GetSettings(currentSet_);
    currentSet_ = static_cast<std::int16_t>(popupItem("path"));
    tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(currentSet_);
    SetSettings(*set);
    UpdateFolderString(set->folder, set->folder, false);
  } else if (id == QLatin1String("dupl")) {
    editLinkedSets(*getMyPrintToFileSetPrefs(static_cast<std::int16_t>(popupItem("path"))));
  } else if (id == QLatin1String("chng")) {
    static_cast<void>(chooseRecordFolder(getMyPrintToFileSetPrefs(static_cast<std::int16_t>(popupItem("path")))->folder,
                                         kOutputFolderPrompt));
  } else if (id == QLatin1String("frmt")) {
    showExtensionOfFormat();
    const auto format = static_cast<std::int16_t>(popupItem("frmt"));
    applyFormatRules(format);
    if (format == 10) {
      const tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(currentSet_);
      setChecked("notr", set->doNotResizeJpegForWeb != 0);
      setPopupItem("site", set->uploadSite);
    }
  } else if (id == QLatin1String("nmtp")) {
    applyNamingRules(static_cast<std::int16_t>(popupItem("nmtp")));
  }
}

void TPrintToFileSetPrefs::editLinkedSets(tSpecialPrintToFilePref& set) {
  for (SInt16Field& linked : set.linkedSets) {
    if (linked < 2 || linked > 8) linked = 1;
  }
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("linkedSetsDialog"));
  dialog.setWindowTitle(QStringLiteral("Copy into Other Sets"));
  auto* form = new QFormLayout(&dialog);
  std::array<QComboBox*, 3> popups{};
  constexpr std::array<const char*, 3> kIds{"pth1", "pth2", "pth3"};
  for (std::size_t i = 0; i < popups.size(); ++i) {
    popups[i] = new QComboBox(&dialog);
    popups[i]->setObjectName(QString::fromLatin1(kIds[i]));
    popups[i]->addItems(linkedSetItems());
    popups[i]->setCurrentIndex(set.linkedSets[i] - 1);
    form->addRow(QStringLiteral("Copy %1:").arg(i + 1), popups[i]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  int answer = QDialog::Rejected;
  {
    BatonRelease release;  // the records stay as they are while the operator chooses
    answer = dialog.exec();
  }
  if (answer != QDialog::Accepted) return;
  for (std::size_t i = 0; i < popups.size(); ++i) {
    set.linkedSets[i] = static_cast<std::int16_t>(popups[i]->currentIndex() + 1);
  }
}

}  // namespace vorl
