// A new temporary folder as the print-server root for one test; the root it replaced comes back at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/support/isolated_environment.h"

namespace vorl::test {

class TemporaryServerRoot {
 public:
  explicit TemporaryServerRoot(const char* prefix)
      : path_(makeTempFolder(prefix)), saved_(getMyPrintServerPrefs()->serverRoot) {
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    EXPECT_EQ(FSFolderIDs(path_, vRefNum, dirID), noErr);
    getMyPrintServerPrefs()->serverRoot.vRefNum = vRefNum;
    getMyPrintServerPrefs()->serverRoot.dirID = dirID;
  }
  ~TemporaryServerRoot() { getMyPrintServerPrefs()->serverRoot = saved_; }
  TemporaryServerRoot(const TemporaryServerRoot&) = delete;
  TemporaryServerRoot& operator=(const TemporaryServerRoot&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }

 private:
  std::filesystem::path path_;
  FolderLocation saved_;
};

}  // namespace vorl::test
