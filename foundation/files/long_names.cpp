#include "foundation/files/long_names.h"

#include <string>

#include "platform/files/file_specs.h"

namespace vorl {

Str255 fsSpecToRealName(const FSSpec& spec) {
  std::string diskName;
  if (FSpGetCatalogName(spec, diskName) != noErr) {
    Str255 shortName;
    shortName.assign(spec.name.text());
    return shortName;
  }
  return Str255(diskNameToMacName(diskName));
}

}  // namespace vorl
