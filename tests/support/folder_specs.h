// Folders of the test's temporary tree as the program's callers name them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "platform/files/file_specs.h"

namespace vorl::test {

// A folder as the callers pass it: its volume, and its own directory id in the parent-id field.
inline FSSpec folderAsCallersGiveIt(const std::filesystem::path& folder) {
  FSSpec spec;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  EXPECT_EQ(FSFolderIDs(folder, vRefNum, dirID), noErr);
  spec.vRefNum = vRefNum;
  spec.parID = dirID;
  return spec;
}

}  // namespace vorl::test
