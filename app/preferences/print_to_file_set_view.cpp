#include "app/preferences/print_to_file_set_view.h"

#include <QLineEdit>

#include "preferences/file_type_extensions.h"
#include "app/preferences/panel_builder.h"
#include "app/preferences/print_to_file_options.h"

namespace vorl {

void TPrintToFileSetView::buildDestinationControls(bool prefixInGroup) {
  PanelBuilder form(*this);
  form.folder("chng", "fldr", "volu", QStringLiteral("Folder:"));
  form.check("defa", QStringLiteral("Make the folder when it is missing"));
  form.check("sapc", QStringLiteral("Save through the preferences folder"));
  form.popup("frmt", QStringLiteral("File format:"), fileFormatItems());
  form.field("exte", QStringLiteral("Extension:"));
  form.popup("nmtp", QStringLiteral("Naming:"), namingSchemeItems());
  if (prefixInGroup) {
    form.beginGroup("view", QStringLiteral("File names"));
    form.field("bsnm", QStringLiteral("Prefix:"));
    form.endGroup();
  } else {
    auto* prefix = new QLineEdit(this);
    prefix->setObjectName(QStringLiteral("bsnm"));
    form.row(QStringLiteral("Prefix:"), prefix, "st01");
  }
  form.check("foor", QStringLiteral("Turn pages to the orientation"));
  form.radioPair("clus", "land", QStringLiteral("Landscape"), "port", QStringLiteral("Portrait"),
                 QStringLiteral("Orientation:"));
  form.popup("rota", QStringLiteral("Rotation:"), rotationItems(), rotationValues());
}

void TPrintToFileSetView::showDestination(const tSpecialPrintToFilePref& record) {
  setChecked("defa", record.folder.createWhenMissing != 0);
  setChecked("foor", record.forceOrientation != 0);
  setChecked("sapc", record.fileWriterOption != 0);
  setPopupItem("nmtp", record.namingScheme);
  setChecked("land", record.orientation == 1);
  setChecked("port", record.orientation != 1);
  setPopupItem("rota", record.rotationDirection);
  setPopupItem("frmt", record.fileFormat);
  setText("bsnm", fromMacRoman(record.fileNamePrefix.macRoman()));
  setText("exte", fromMacRoman(record.fileNameExtension.macRoman()));
}

void TPrintToFileSetView::readDestination(tSpecialPrintToFilePref& record) const {
  record.folder.createWhenMissing = isChecked("defa") ? 1 : 0;
  record.forceOrientation = isChecked("foor") ? 1 : 0;
  record.fileWriterOption = isChecked("sapc") ? 1 : 0;
  record.namingScheme = static_cast<std::int16_t>(popupItem("nmtp"));
  record.orientation = isChecked("land") ? 1 : 2;
  record.rotationDirection = static_cast<std::int16_t>(popupItem("rota"));
  record.fileFormat = static_cast<std::int16_t>(popupItem("frmt"));
  if (const auto prefix = macRomanField("bsnm", 63, "file name prefix")) {
    record.fileNamePrefix.assign(std::string_view(*prefix));
  }
  if (const auto extension = macRomanField("exte", 31, "extension")) {
    record.fileNameExtension.assign(std::string_view(*extension));
  }
}

void TPrintToFileSetView::showExtensionOfFormat() {
  setText("exte", QString::fromLatin1(getExtensionFromFileType(static_cast<std::int16_t>(popupItem("frmt")))));
}

void TPrintToFileSetView::ViewsEnable(bool on) {
  TPreferencesView::ViewsEnable(on);
  enableControls({"bsnm", "chng", "defa", "exte", "foor", "frmt", "land", "nmtp", "port", "prom", "rota", "ustn"}, on);
}

}  // namespace vorl
