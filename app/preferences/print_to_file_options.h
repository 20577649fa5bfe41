// The pop-up items shared by the print-to-file panels: file formats (by save-as type), naming schemes (by what
// each names the file after), rotation directions and upload destinations.
#pragma once

#include <QList>
#include <QStringList>

namespace vorl {

QStringList fileFormatItems();
QStringList namingSchemeItems();
QStringList rotationItems();
// The rotation direction each item of `rotationItems` stands for.
QList<int> rotationValues();
QStringList uploadSiteItems();

}  // namespace vorl
