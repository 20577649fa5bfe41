#include "preferences/preference_validation.h"

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"

namespace vorl {

void validatePrintServerPrefs(tPrintServerPrefs* prefs) {
  if (!prefs) return;
  prefs->keepJobFiles = 1;
  prefs->value224 = 0;
}

void validatePrintToFileSetPrefs(tSpecialPrintToFilePref* prefs) {
  if (!prefs) return;
  if (prefs->fileFormat < 2) prefs->fileFormat = 3;
  if (prefs->webMaximumSize < 1) prefs->webMaximumSize = 640;
  if (prefs->uploadSite == 0) prefs->uploadSite = 1;
}

void validateAllPrintToFileSetPrefs() {
  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n) validatePrintToFileSetPrefs(getMyPrintToFileSetPrefs(n));
}

void validateWebUploadPrefs(tSpecialPrintToFilePref* prefs) {
  if (!prefs) return;
  if (prefs->fileFormat < 2) prefs->fileFormat = 10;
  prefs->folder.aliasId = kWebUploadAliasId;
}

}  // namespace vorl
