// The folder references of the preference records as the user defaults hold them at one moment.
//
// Choosing a folder in the preferences window stores its reference at once, while the records themselves are
// saved only by OK. Cancel puts the references back as they were when the window opened, so a folder chosen and
// then cancelled is not taken up again when the records are reloaded or at the next start.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/plists/property_list.h"

namespace vorl {

class StoredFolderReferences {
 public:
  // Takes the references of the print-to-file, print-centre, server, set and web-upload folders as they are now.
  StoredFolderReferences();

  // Writes them back as they were taken (removing any stored since) and writes the user defaults. False, with a
  // log line, when the user defaults could not be written.
  bool restore() const;

 private:
  std::vector<std::pair<std::string, std::optional<PlistValue>>> saved_;
};

}  // namespace vorl
