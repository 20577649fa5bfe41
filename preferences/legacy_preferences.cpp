#include "preferences/legacy_preferences.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>
#include <system_error>

#include "platform/files/apple_double.h"
#include "platform/core/mac_types.h"
#include "platform/system/system_log.h"
#include "platform/files/xdg_folders.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_validation.h"

namespace vorl {
namespace {

constexpr OSType kPrefResourceType = fourCharCode("Pref");
constexpr OSType kPreferenceFileType = fourCharCode("pref");
constexpr OSType kApplicationCreatorCode = fourCharCode("QZKb");
constexpr std::size_t kLegacySetCount = 4;

struct LegacyRecord {
  std::int16_t id;
  std::string_view name;
  std::size_t size;
  void* (*record)();
};

constexpr LegacyRecord kRecords[] = {
    {1000, "Printserver Prefs", sizeof(tPrintServerPrefs), [] { return static_cast<void*>(getMyPrintServerPrefs()); }},
    {1001, "PrintToFile Prefs", sizeof(tPrintToFilePrefs), [] { return static_cast<void*>(getMyPrintToFilePrefs()); }},
    {1002, "Processed Job Prefs", sizeof(tProcessedJobsPrefs),
     [] { return static_cast<void*>(getMyProcessedJobsPrefs()); }},
    {1003, "printofile set Prefs", kLegacySetCount * sizeof(tSpecialPrintToFilePref),
     [] { return static_cast<void*>(getMyPrintToFileSetPrefsAll()); }},
    {1004, "printocd set Prefs", sizeof(tPrintToCDPref), [] { return static_cast<void*>(getMyPrintToCDSetPrefs()); }},
};

OSErr makeFileIfMissing(const std::filesystem::path& file) {
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  if (error) return osErrFromErrno(error.value());
  const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor < 0) return osErrFromErrno(errno);
  ::close(descriptor);
  return noErr;
}

}  // namespace

std::filesystem::path legacyPreferencesFilePath() {
  return xdgConfigHome() / "Vorl Preferences" / "VORL-PROCESSOR ORLIM v12 Prefs";
}

OSErr WritePrefs(const std::filesystem::path& file) {
  if (const OSErr made = makeFileIfMissing(file); made != noErr) return made;
  AppleDouble sidecar;
  if (const OSErr read = readAppleDouble(file, sidecar); read != noErr) return read;

  validatePrintServerPrefs(getMyPrintServerPrefs());
  for (const LegacyRecord& row : kRecords) {
    const auto* bytes = static_cast<const std::uint8_t*>(row.record());
    Resource resource;
    resource.type = kPrefResourceType;
    resource.id = row.id;
    resource.name = std::string(row.name);
    resource.data.assign(bytes, bytes + row.size);
    if (Resource* existing = sidecar.find(kPrefResourceType, row.id))
      *existing = std::move(resource);
    else
      sidecar.resources.push_back(std::move(resource));
  }
  FInfo finder = sidecar.finder();
  finder.fdType = kPreferenceFileType;
  finder.fdCreator = kApplicationCreatorCode;
  sidecar.setFinder(finder);
  return writeAppleDouble(file, sidecar);
}

OSErr ReadPrefs(const std::filesystem::path& file) {
  AppleDouble sidecar;
  if (const OSErr read = readAppleDouble(file, sidecar); read != noErr) {
    systemLogf("The older preference file [%s] could not be read (error %d)", file.c_str(), read);
    return read;
  }
  setAllPrintToFileSetPrefsToFactoryDefault();
  for (const LegacyRecord& row : kRecords) {
    if (const Resource* resource = sidecar.find(kPrefResourceType, row.id))
      std::memcpy(row.record(), resource->data.data(), std::min(row.size, resource->data.size()));
    if (row.id == 1000) validatePrintServerPrefs(getMyPrintServerPrefs());
  }
  return noErr;
}

}  // namespace vorl
