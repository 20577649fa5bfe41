// The pop-up items shared by the print-to-file panels: file formats (by save-as type), naming schemes,
// rotation directions and upload destinations.
#pragma once

#include <QStringList>

namespace vorl {

QStringList fileFormatItems();
QStringList namingSchemeItems();
QStringList rotationItems();
QStringList uploadSiteItems();

}  // namespace vorl
