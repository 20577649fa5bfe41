#include "app/preferences/print_to_file_options.h"

namespace vorl {

// Item n is save-as type n.
QStringList fileFormatItems() {
  return {QStringLiteral("Same as the source"), QStringLiteral("TIFF"), QStringLiteral("JPEG"),
          QStringLiteral("PICT"), QStringLiteral("Raw"), QStringLiteral("TIFF (uncompressed)"),
          QStringLiteral("Targa"), QStringLiteral("Photoshop"), QStringLiteral("PNG"),
          QStringLiteral("JPEG for the web"), QStringLiteral("Other")};
}

// Item n is naming scheme n; only the first uses the prefix.
QStringList namingSchemeItems() {
  QStringList items{QStringLiteral("1: Prefix and number")};
  for (int scheme = 2; scheme <= 8; ++scheme) items << QStringLiteral("Scheme %1").arg(scheme);
  return items;
}

// Item 1 is direction 2, item 2 direction 1.
QStringList rotationItems() { return {QStringLiteral("Clockwise"), QStringLiteral("Counter-clockwise")}; }

// Item n is destination code n.
QStringList uploadSiteItems() {
  return {QStringLiteral("None"), QStringLiteral("fyp"), QStringLiteral("pt5"), QStringLiteral("pt5-2"),
          QStringLiteral("pt5-3")};
}

}  // namespace vorl
