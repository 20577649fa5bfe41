#include "preferences/preference_storage.h"

#include <cstring>
#include <optional>
#include <span>

#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_stream_layouts.h"
#include "preferences/preference_validation.h"

namespace vorl {
namespace {

enum class StoredValue { kAbsent, kRead, kFaulty };

// Reads the value under `key` into `record` through `layout`. The record holds its defaults beforehand.
StoredValue readStoredRecord(std::string_view key, std::span<const StreamField> layout, void* record) {
  UserDefaults& defaults = standardUserDefaults();
  const std::optional<PlistValue> value = defaults.object(key);
  if (!value) return StoredValue::kAbsent;
  const PlistData* data = value->get<PlistData>();
  if (data == nullptr) {
    systemLogf("Preference value [%.*s] is not a data value; its settings keep their factory defaults",
               static_cast<int>(key.size()), key.data());
    return StoredValue::kFaulty;
  }
  PreferenceStreamReader stream(*data);
  const OSErr result = readRecordFromStream(layout, record, stream);
  if (result == noErr) return StoredValue::kRead;
  systemLogf(
      "Preference value [%.*s] is damaged (error %d after %zu of %zu bytes); the settings not read "
      "keep their factory defaults",
      static_cast<int>(key.size()), key.data(), result, stream.position(), data->size());
  return StoredValue::kFaulty;
}

void storeRecord(std::string_view key, std::span<const StreamField> layout, const void* record) {
  PreferenceStreamWriter stream;
  writeRecordToStream(layout, record, stream);
  standardUserDefaults().setObject(key, PlistData(stream.bytes()));
  systemLogf("Stored preference value [%.*s] (%zu bytes)", static_cast<int>(key.size()), key.data(),
             stream.bytes().size());
}

}  // namespace

std::string printToFileSetPrefKey(std::int16_t setNumber) { return "PrintToFileSet " + std::to_string(setNumber); }

void mySetAllDefaults() {
  setMyPrintServerPrefToFactoryDefaults(getMyPrintServerPrefs());
  setMyPrintToFilePrefToFactoryDefaults(getMyPrintToFilePrefs());
  setMyProcessedJobsPrefToFactoryDefaults(getMyProcessedJobsPrefs());
  setAllPrintToFileSetPrefsToFactoryDefault();
  setMyPrintToCDSetPrefsToFactoryDefaults(getMyPrintToCDSetPrefs());
  setMyOutputFilePrefToFactoryDefaults(getMyOutputFilePrefs());
  setMyWebUploadPrefsToFactoryDefaults(getMyWebUploadPrefs());
}

bool myNewReadPreferences() {
  // The print-server bytes that are not stored (folder names, the words at +338) start cleared, as a fresh
  // read always had them; the stored fields start at their defaults in case the value ends early.
  tPrintServerPrefs* server = getMyPrintServerPrefs();
  std::memset(static_cast<void*>(server), 0, sizeof *server);
  mySetAllDefaults();

  bool allRead = true;
  const auto read = [&](std::string_view key, std::span<const StreamField> layout, void* record) {
    if (readStoredRecord(key, layout, record) == StoredValue::kFaulty) allRead = false;
  };
  read(kPrintServerPrefKey, printServerStreamLayout(), server);
  for (std::int16_t set = 1; set <= kPrintToFileSetCount; ++set)
    read(printToFileSetPrefKey(set), printToFileSetStreamLayout(), getMyPrintToFileSetPrefs(set));
  validateAllPrintToFileSetPrefs();
  read(kOutputFilesPrefKey, outputFilesStreamLayout(), getMyOutputFilePrefs());
  read(kProcessedJobsPrefKey, processedJobsStreamLayout(), getMyProcessedJobsPrefs());
  read(kWebUploadPrefKey, webUploadStreamLayout(), getMyWebUploadPrefs());
  validateWebUploadPrefs(getMyWebUploadPrefs());
  return allRead;
}

bool ReadPreferences() { return myNewReadPreferences(); }

bool myNewSavePreferences() {
  storeRecord(kPrintServerPrefKey, printServerStreamLayout(), getMyPrintServerPrefs());
  for (std::int16_t set = 1; set <= kPrintToFileSetCount; ++set)
    storeRecord(printToFileSetPrefKey(set), printToFileSetStreamLayout(), getMyPrintToFileSetPrefs(set));
  storeRecord(kOutputFilesPrefKey, outputFilesStreamLayout(), getMyOutputFilePrefs());
  storeRecord(kWebUploadPrefKey, webUploadStreamLayout(), getMyWebUploadPrefs());
  storeRecord(kProcessedJobsPrefKey, processedJobsStreamLayout(), getMyProcessedJobsPrefs());

  // The live processed-jobs record becomes exactly what its stream holds.
  static_cast<void>(readStoredRecord(kProcessedJobsPrefKey, processedJobsStreamLayout(), getMyProcessedJobsPrefs()));

  const OSErr result = standardUserDefaults().synchronize();
  if (result != noErr) {
    systemLogf("The preferences could not be saved (error %d)", result);
    return false;
  }
  return true;
}

bool SavePreferences() { return myNewSavePreferences(); }

}  // namespace vorl
