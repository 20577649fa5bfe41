#include "app/preferences/print_to_file_options.h"

namespace vorl {

// Item n is save-as type n.
QStringList fileFormatItems() {
  return {QStringLiteral("Same as the source"), QStringLiteral("TIFF"), QStringLiteral("JPEG"),
          QStringLiteral("PICT"), QStringLiteral("Raw"), QStringLiteral("TIFF (uncompressed)"),
          QStringLiteral("Targa"), QStringLiteral("Photoshop"), QStringLiteral("PNG"),
          QStringLiteral("JPEG for the web"), QStringLiteral("Other")};
}

// Item n is naming scheme n. The output names a file after these parts; a scheme marked "replaces" overwrites a
// file of the same name when the set's replace switch is on, the others make a unique name.
QStringList namingSchemeItems() {
  return {QStringLiteral("Prefix and number"),
          QStringLiteral("Template name"),
          QStringLiteral("Image name (replaces)"),
          QStringLiteral("Template_Image name (replaces)"),
          QStringLiteral("Date_Time"),
          QStringLiteral("Image name_Job name (replaces)"),
          QStringLiteral("Image name_Extra text (replaces)"),
          QStringLiteral("Image name_Template name")};
}

// Item 1 is direction 2, item 2 direction 1.
QStringList rotationItems() { return {QStringLiteral("Clockwise"), QStringLiteral("Counter-clockwise")}; }

QList<int> rotationValues() { return {2, 1}; }

// Item n is destination code n.
QStringList uploadSiteItems() {
  return {QStringLiteral("None"), QStringLiteral("fyp"), QStringLiteral("pt5"), QStringLiteral("pt5-2"),
          QStringLiteral("pt5-3")};
}

}  // namespace vorl
