#include "preferences/preferences_export.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <span>
#include <system_error>
#include <vector>

#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "platform/files/apple_double.h"
#include "platform/system/bundle_info.h"
#include "platform/files/folder_reference.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"
#include "platform/files/xdg_folders.h"
#include "preferences/preference_storage.h"
#include "preferences/preference_stream_layouts.h"

namespace vorl {
namespace {

constexpr std::int16_t kFirstExportedAliasId = 4500;
constexpr std::int16_t kLastExportedAliasId = 4566;  // the web-upload folder is the last one stored

std::string aliasKey(std::int16_t aliasId) { return "AliasHandle " + std::to_string(aliasId); }

// The layout a record key is read with, or none for a key that holds no record.
std::optional<std::span<const StreamField>> recordLayoutFor(std::string_view key) {
  if (key == kPrintServerPrefKey) return printServerStreamLayout();
  if (key == kOutputFilesPrefKey) return outputFilesStreamLayout();
  if (key == kProcessedJobsPrefKey) return processedJobsStreamLayout();
  if (key == kWebUploadPrefKey) return webUploadStreamLayout();
  for (std::int16_t set = 1; set <= 8; ++set)
    if (key == printToFileSetPrefKey(set)) return printToFileSetStreamLayout();
  return std::nullopt;
}

bool isExportedAliasKey(std::string_view key) {
  for (std::int16_t id = kFirstExportedAliasId; id <= kLastExportedAliasId; ++id)
    if (key == aliasKey(id)) return true;
  return false;
}

// The keys an export writes, in its order.
std::vector<std::string> exportedKeys() {
  std::vector<std::string> keys{std::string(kPrintServerPrefKey)};
  for (std::int16_t set = 1; set <= 8; ++set) keys.push_back(printToFileSetPrefKey(set));
  for (std::int16_t id = kFirstExportedAliasId; id <= kLastExportedAliasId; ++id) keys.push_back(aliasKey(id));
  keys.emplace_back(kWebUploadPrefKey);
  keys.emplace_back(kOutputFilesPrefKey);
  keys.emplace_back(kProcessedJobsPrefKey);
  return keys;
}

// Why an entry of an export file cannot be taken, or an empty text when it can.
std::string entryFault(const std::string& key, const PlistValue& value) {
  const PlistData* data = value.get<PlistData>();
  const std::optional<std::span<const StreamField>> layout = recordLayoutFor(key);
  if (!layout && !isExportedAliasKey(key)) return "it is not a setting of this program";
  if (data == nullptr) return "its value is not data";
  if (layout) {
    // The largest record stream is 760 bytes; older programs stored a few bytes more, which reading ignores.
    constexpr std::size_t kLongestAcceptedStream = 1024;
    std::array<unsigned char, 1024> scratch{};
    PreferenceStreamReader stream(*data);
    if (data->size() > kLongestAcceptedStream || readRecordFromStream(*layout, scratch.data(), stream) != noErr)
      return "its value is damaged";
    return {};
  }
  // A folder of another machine need not resolve here, and resolving dozens of references would keep the window
  // waiting: reading the blob whole is the test. The Mac program's alias records do not read.
  if (!isFolderReference(*data)) return "its folder reference cannot be read on this system";
  return {};
}

std::optional<OSType> creatorCodeOf(const std::filesystem::path& file) {
  FInfo info;
  if (getFinderInfo(file, info) != noErr) return std::nullopt;
  return info.fdCreator;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

void refuseImport(const std::filesystem::path& path, const std::string& why) {
  systemLogf("The preference file [%s] was not loaded: %s", path.c_str(), why.c_str());
  DisplayNormalMessage(("The preference file \"" + path.filename().string() + "\" was not loaded: " + why +
                        ". The current settings are unchanged.")
                           .c_str());
}

}  // namespace

std::optional<PlistValue> ReadFromMyUserDefaults(std::string_view key) {
  if (key.empty()) return std::nullopt;
  return standardUserDefaults().object(key);
}

void WriteToMyUserDefaults(const PlistValue* value, std::string_view key, bool synchronizeNow) {
  if (value == nullptr || key.empty()) return;
  UserDefaults& defaults = standardUserDefaults();
  defaults.setObject(key, *value);
  if (synchronizeNow) static_cast<void>(defaults.synchronize());  // a failure is logged by the store
}

PlistDictionary CopyUserPreferencesToDictionary() {
  PlistDictionary entries;
  for (const std::string& key : exportedKeys())
    if (std::optional<PlistValue> value = ReadFromMyUserDefaults(key)) entries.emplace(key, std::move(*value));
  return entries;
}

bool SaveToNewPreferencesFile(const std::filesystem::path& path) {
  PlistDictionary file;
  file.emplace(std::string(kPreferencesExportTopKey), CopyUserPreferencesToDictionary());
  const std::optional<std::string> xml = toXmlPropertyList(PlistValue(std::move(file)));
  if (!xml) {
    systemLogf("The preferences could not be made into a property list for [%s]", path.c_str());
    return false;
  }
  const OSErr written = writeFileAtomically(path, *xml, true, 0644);
  if (written != noErr) {
    systemLogf("The preference file [%s] could not be written (error %d)", path.c_str(), written);
    return false;
  }
  if (!WriteNSHFSCreatorCode(path.string(), kApplicationCreator))
    systemLogf("The creator of the preference file [%s] could not be set", path.c_str());
  return true;
}

std::int16_t LoadFromNewPreferencesFile2(const std::filesystem::path& path, bool force) {
  if (path.empty()) {
    systemLogf("LoadFromNewPreferencesFile ( NSString *selectedFile ) is NOT Found?? => [%s]", path.c_str());
    return 0;
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    systemLog("LoadFromNewPreferencesFile => fileAttributes is NIL???");
    refuseImport(path, "the file cannot be found");
    return 0;
  }
  const std::optional<std::uint32_t> creator = creatorCodeOf(path);
  systemLog(creator == kApplicationCreator ? "GOT the Correct Creator Code for this Preference File..."
                                           : "This Preference File Was NOT Created with this App??????...");

  PlistData bytes;
  const std::optional<PlistValue> main = readFileBytes(path, bytes) == noErr ? parsePropertyList(bytes) : std::nullopt;
  const PlistDictionary* mainDictionary = main ? main->get<PlistDictionary>() : nullptr;
  if (mainDictionary == nullptr) {
    systemLogf("Did NOT Get the MAIN dictionary for file: [%s]", path.c_str());
    refuseImport(path, "it is not a property list");
    return 0;
  }
  const auto top = mainDictionary->find(kPreferencesExportTopKey);
  const PlistDictionary* entries = top == mainDictionary->end() ? nullptr : top->second.get<PlistDictionary>();
  if (entries == nullptr) {
    systemLogf("Did NOT Get the dictionary for [%.*s]", static_cast<int>(kPreferencesExportTopKey.size()),
               kPreferencesExportTopKey.data());
    refuseImport(path, "it holds no preferences of this program");
    return 0;
  }
  // What reads whole is taken; the rest is left out and named, so that a file from the Mac program still
  // brings its records although its folders must be chosen again.
  PlistDictionary usable;
  std::vector<std::string> skipped;
  for (const auto& [key, value] : *entries) {
    if (const std::string fault = entryFault(key, value); !fault.empty()) {
      systemLogf("The entry [%s] of the preference file [%s] is left out: %s", key.c_str(), path.c_str(),
                 fault.c_str());
      skipped.push_back("\"" + key + "\"");
      continue;
    }
    usable.emplace(key, value);
  }
  if (usable.empty()) {
    refuseImport(path, skipped.empty() ? "it holds no settings"
                                       : "none of its entries can be used here (the log says why): " + joined(skipped));
    return 0;
  }
  systemLogf("Got the dictionary for [%.*s]", static_cast<int>(kPreferencesExportTopKey.size()),
             kPreferencesExportTopKey.data());
  if (const OSErr error = CopyToUserDefaultsObjectForAllKeys(usable, force); error != noErr) {
    refuseImport(path, "the settings could not be saved (error " + std::to_string(error) + ")");
    return 0;
  }
  // Messages are cut at 255 characters, so the count comes first; the log has every entry with its reason.
  if (!skipped.empty())
    DisplayNormalMessage(("The preference file \"" + path.filename().string() + "\" was loaded without " +
                          std::to_string(skipped.size()) +
                          " of its entries, which cannot be used here: " + joined(skipped))
                             .c_str());
  return 1;
}

OSErr CopyToUserDefaultsObjectForAllKeys(const PlistDictionary& entries, bool force) {
  if (force) systemLog("CopyToUserDefaultsObjectForAllKeys has forceCopy = true...");
  std::vector<std::pair<std::string, std::optional<PlistValue>>> before;
  for (const auto& entry : entries) {
    before.emplace_back(entry.first, ReadFromMyUserDefaults(entry.first));
    CopyToUserDefaultsObjectForKey(entries, entry.first, force);
  }
  UserDefaults& defaults = standardUserDefaults();
  const OSErr error = defaults.synchronize();
  if (error != noErr) {
    // The operator is told the load failed, so no later write of the defaults may store it after all.
    for (auto& [key, value] : before) {
      if (value)
        defaults.setObject(key, std::move(*value));
      else
        defaults.removeObject(key);
    }
  }
  return error;
}

void CopyToUserDefaultsObjectForKey(const PlistDictionary& entries, std::string_view key, bool force) {
  const auto entry = entries.find(key);
  if (entry == entries.end()) return;
  if (!force && ReadFromMyUserDefaults(key)) return;
  systemLogf("setObject forKey = [%.*s]", static_cast<int>(key.size()), key.data());
  WriteToMyUserDefaults(&entry->second, key, false);
}

std::filesystem::path preferencesFolderPath() { return homeFolder() / "VORL PREFERENCES FOLDER ƒ"; }

std::string defaultPreferencesFileName(const DateTimeRec& today) {
  char date[32];
  std::snprintf(date, sizeof date, " %04d-%02d-%02d", today.year, today.month, today.day);
  return std::string(kBundleDisplayName) + " " + std::string(kBundleShortVersionString) + " On" + date;
}

bool GetPathFromResourceFolderFromAppBundle(const char* name, std::string& path) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    systemLog("GetPathFromResourceFolderFromAppBundle: the program's own path is not known");
    return false;
  }
  const std::filesystem::path candidate = program.parent_path() / "resources" / name;
  if (!std::filesystem::exists(candidate, error)) {
    systemLogf("GetPathFromResourceFolderFromAppBundle: [%s] is not among the resources", name);
    return false;
  }
  path = candidate.string();
  return true;
}

}  // namespace vorl
