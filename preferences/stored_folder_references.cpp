#include "preferences/stored_folder_references.h"

#include "foundation/files/aliases.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_records.h"

namespace vorl {
namespace {

std::vector<std::int16_t> preferenceAliasIds() {
  std::vector<std::int16_t> ids{kPrintToFileAliasId, kProcessedJobsAliasId, kPrintServerRootAliasId,
                                kSecondRootAliasId, kWebUploadAliasId};
  for (std::int16_t set = 1; set <= kPrintToFileSetCount; ++set) {
    ids.push_back(static_cast<std::int16_t>(kPrintToFileSetAliasBase + set));
  }
  return ids;
}

}  // namespace

StoredFolderReferences::StoredFolderReferences() {
  UserDefaults& defaults = standardUserDefaults();
  for (const std::int16_t id : preferenceAliasIds()) {
    std::string key = aliasHandleKey(id);
    std::optional<PlistValue> value = defaults.object(key);
    saved_.emplace_back(std::move(key), std::move(value));
  }
}

bool StoredFolderReferences::restore() const {
  UserDefaults& defaults = standardUserDefaults();
  for (const auto& [key, value] : saved_) {
    if (value) {
      defaults.setObject(key, *value);
    } else {
      defaults.removeObject(key);
    }
  }
  if (const OSErr error = defaults.synchronize(); error != noErr) {
    systemLogf("The folder references could not be put back (error %d)", static_cast<int>(error));
    return false;
  }
  return true;
}

}  // namespace vorl
