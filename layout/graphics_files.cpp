#include "layout/graphics_files.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "foundation/files/files.h"
#include "foundation/text/pascal_strings.h"
#include "imaging/image_files/image_import_export.h"
#include "layout/job_file_names.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"

namespace vorl {

namespace {

// The graphics folder's volume and id; none when the print-server root or the folder is not there. A lookup
// does not make the folder: there is nothing to find in a folder that was not there.
std::optional<FSSpec> graphicsFolder() {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  if (!prefs) return std::nullopt;
  const std::optional<std::filesystem::path> root = FSFolderPath(prefs->serverRoot.vRefNum, prefs->serverRoot.dirID);
  if (!root) return std::nullopt;
  const std::filesystem::path folder = *root / kGraphicsFolderName;
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (FSFolderIDs(folder, vRefNum, dirID) != noErr) return std::nullopt;
  FSSpec spec;
  spec.vRefNum = vRefNum;
  spec.parID = dirID;
  return spec;
}

// Whether `item`, with every link followed, lies inside `folder` (also resolved).
bool liesInside(const std::filesystem::path& item, const std::filesystem::path& folder) {
  std::error_code error;
  const std::filesystem::path realItem = std::filesystem::canonical(item, error);
  if (error) return false;
  const std::filesystem::path realFolder = std::filesystem::canonical(folder, error);
  if (error) return false;
  const auto [inFolder, inItem] = std::mismatch(realFolder.begin(), realFolder.end(), realItem.begin(), realItem.end());
  return inFolder == realFolder.end() && inItem != realItem.end();
}

// The disk name of the file in `folder` whose name equals `name` but for letter case, as the graphics volumes of
// the studios compared names; the first in name order when several match.
std::optional<std::string> fileNamedIgnoringCase(const std::filesystem::path& folder, const Str63& name) {
  std::optional<std::string> found;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string diskName = it->path().filename().string();
    if (!pstrcomp2(Str255(diskNameToMacName(diskName)), name)) continue;
    if (!it->is_regular_file(error)) continue;
    if (!found || diskName < *found) found = diskName;
  }
  return found;
}

}  // namespace

bool IsExistingOverlayFile(FSSpec& file, const Str31& category, bool /*unused*/) {
  // Both names come from job files: neither may leave its folder.
  if (!diskNameFromJobFile(category) || !diskNameFromJobFile(file.name)) return false;
  const std::optional<FSSpec> folder = graphicsFolder();
  if (!folder) return false;
  const std::int32_t categoryID = findFolder(*folder, Str255(category.macRoman()));
  if (categoryID == -1) return false;
  FSSpec candidate;
  candidate.vRefNum = folder->vRefNum;
  candidate.parID = categoryID;
  candidate.name = file.name;
  std::filesystem::path path;
  if (FSpMakePath(candidate, path) != noErr) return false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    const std::optional<std::string> other = fileNamedIgnoringCase(path.parent_path(), file.name);
    if (!other) return false;
    FSSpec found;
    if (FSMakeFSSpecFromPath(path.parent_path() / *other, found) != noErr) return false;
    candidate.name = found.name;
    path = path.parent_path() / *other;
  }
  std::filesystem::path folderPath;
  if (FSpMakePath(*folder, folderPath) != noErr) return false;
  if (!liesInside(path, folderPath)) {
    systemLogf("The graphic %s leads out of the graphics folder; it is not used", path.c_str());
    return false;
  }
  file = candidate;
  return true;
}

bool IsExistingGroupPhotoFile(FSSpec& file, const Str31& category) { return IsExistingOverlayFile(file, category); }

OffscreenPtr getGraphicOnOffscreen(const CStr255_AC& name, const CStr255_AC& category, bool /*unused*/) {
  if (name.length() >= 32 || category.length() >= 32) return nullptr;
  FSSpec file;
  file.vRefNum = 0;
  file.parID = 0;
  file.name = Str63(name.macRoman());
  if (!IsExistingOverlayFile(file, Str31(category.macRoman()))) return nullptr;
  std::int16_t resolution = 72;
  return getGWorldFromFileSpec(file, resolution);
}

}  // namespace vorl
