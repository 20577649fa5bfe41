#include "tests/jobs/print_to_file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "foundation/files/aliases.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"

namespace vorl::test {

namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kSetAliasBase = 4510;
constexpr std::int16_t kPrintToFileAliasId = 4501;
constexpr std::int16_t kWebUploadAliasId = 4566;

void pointFolderAt(tFolderFSSpec& record, std::int16_t aliasId, const fs::path& folder) {
  record.aliasId = aliasId;
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder, spec), noErr) << folder;
  record.spec = spec;
  SaveFSSpecAsAliasHandle(spec, aliasId);
}

}  // namespace

void setItemSwitch(tPrint2FileItem& item, std::size_t offset, bool on) {
  auto* bytes = reinterpret_cast<unsigned char*>(&item);
  bytes[offset] = 0;
  bytes[offset + 1] = on ? 1 : 0;
}

tSpecialPrintToFilePref& pointSetAt(int set, const fs::path& folder) {
  tSpecialPrintToFilePref* record = getMyPrintToFileSetPrefs(static_cast<std::int16_t>(set));
  EXPECT_NE(record, nullptr);
  *record = tSpecialPrintToFilePref{};
  pointFolderAt(record->folder, static_cast<std::int16_t>(kSetAliasBase + set), folder);
  return *record;
}

void pointPrintToFileFolderAt(const fs::path& folder) {
  pointFolderAt(getMyPrintToFilePrefs()->folder, kPrintToFileAliasId, folder);
}

void pointWebUploadFolderAt(const fs::path& folder) {
  pointFolderAt(getMyWebUploadPrefs()->folder, kWebUploadAliasId, folder);
}

void forgetOutputFolders() {
  UserDefaults& defaults = standardUserDefaults();
  for (int set = 1; set <= 8; ++set) {
    defaults.removeObject(aliasHandleKey(static_cast<std::int16_t>(kSetAliasBase + set)));
    *getMyPrintToFileSetPrefs(static_cast<std::int16_t>(set)) = tSpecialPrintToFilePref{};
  }
  defaults.removeObject(aliasHandleKey(kPrintToFileAliasId));
  defaults.removeObject(aliasHandleKey(kWebUploadAliasId));
  *getMyWebUploadPrefs() = tSpecialPrintToFilePref{};
  getMyPrintToFilePrefs()->folder = tFolderFSSpec{};
}

std::vector<std::string> folderTree(const fs::path& folder) {
  std::vector<std::string> items;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_directory()) name += '/';
    items.push_back(name);
  }
  std::sort(items.begin(), items.end());
  return items;
}

OffscreenPtr makePage(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

}  // namespace vorl::test
