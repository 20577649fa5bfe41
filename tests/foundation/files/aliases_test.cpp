// Folder references in the user defaults: stored under their key at once, resolved into a record's file
// specification, and a folder that cannot be found leaves the record as it was.
#include "foundation/files/aliases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/plists/user_defaults.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

// Each test gets a user-defaults file of its own, installed as the standard one.
class AliasesTest : public ::testing::Test {
 protected:
  AliasesTest() : defaults_(test::makeTempFolder("defaults") / "defaults.plist") {
    setStandardUserDefaults(&defaults_);
  }
  ~AliasesTest() override { setStandardUserDefaults(nullptr); }

  static FSRef refTo(const fs::path& item) {
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(item, ref), noErr);
    return ref;
  }
  static FSSpec specOf(const fs::path& item) {
    FSSpec spec;
    EXPECT_EQ(FSMakeFSSpecFromPath(item, spec), noErr);
    return spec;
  }

  UserDefaults defaults_;
};

bool sameBytes(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

TEST_F(AliasesTest, KeyIsTheIdInDecimal) {
  EXPECT_EQ(aliasHandleKey(4506), "AliasHandle 4506");
  EXPECT_EQ(aliasHandleKey(-3), "AliasHandle -3");
}

TEST_F(AliasesTest, NothingStoredResolvesToNothingAndLeavesTheSpecification) {
  FSSpec spec;
  spec.vRefNum = -7;
  spec.parID = 1234;
  spec.name.assign("Vorl-Zeverezoz Folder \xC4");
  const FSSpec before = spec;
  EXPECT_EQ(validateIfAliasHandle(spec, 4506), 0);
  EXPECT_TRUE(sameBytes(&spec, &before, sizeof spec));
  EXPECT_EQ(ReadAliasHandle(4506), nullptr);
}

TEST_F(AliasesTest, SavedReferenceIsWrittenAtOnceAndReadBackWhole) {
  const fs::path folder = test::makeTempFolder("saved");
  ASSERT_EQ(SaveFSSpecAsAliasHandle(refTo(folder), 4566), noErr);
  // Written through to the file: another reader of the defaults sees it.
  const auto stored = UserDefaults(defaults_.filePath()).data("AliasHandle 4566");
  ASSERT_TRUE(stored.has_value());
  Handle handle = ReadAliasHandle(4566);
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(GetHandleSize(handle), static_cast<std::int64_t>(stored->size()));
  EXPECT_TRUE(sameBytes(*handle, stored->data(), stored->size()));
  DisposeHandle(handle);
}

TEST_F(AliasesTest, RenamedFolderResolvesToItsNewName) {
  const fs::path parent = test::makeTempFolder("renamed");
  fs::create_directory(parent / "PRINT TO FILE FOLDER SET A\xC6\x92");
  tFolderFSSpec record;
  record.spec = specOf(parent / "PRINT TO FILE FOLDER SET A\xC6\x92");
  record.volumeName.assign("Studio");
  record.aliasId = 4511;
  record.createWhenMissing = 1;
  record.text108.assign("kept");
  SaveFSSpecAsAliasHandle(record);

  fs::rename(parent / "PRINT TO FILE FOLDER SET A\xC6\x92", parent / "Set A (weddings)");
  tFolderFSSpec resolved = record;
  ASSERT_EQ(validateIfAliasHandle(resolved), 1);
  EXPECT_EQ(resolved.spec.name.macRoman(), "Set A (weddings)");
  EXPECT_EQ(resolved.spec.vRefNum, record.spec.vRefNum);
  EXPECT_EQ(resolved.spec.parID, record.spec.parID);
  // Only the file specification changes.
  EXPECT_TRUE(sameBytes(reinterpret_cast<const char*>(&resolved) + sizeof(FSSpec),
                        reinterpret_cast<const char*>(&record) + sizeof(FSSpec), sizeof record - sizeof(FSSpec)));
}

TEST_F(AliasesTest, FolderThatIsGoneLeavesTheSpecificationAsItWas) {
  const fs::path folder = test::makeTempFolder("gone") / "spool";
  fs::create_directory(folder);
  FSSpec spec = specOf(folder);
  SaveFSSpecAsAliasHandle(spec, 4506);
  fs::remove(folder);
  const FSSpec before = spec;
  EXPECT_EQ(validateIfAliasHandle(spec, 4506), 0);
  EXPECT_TRUE(sameBytes(&spec, &before, sizeof spec));
}

TEST_F(AliasesTest, AFailedSaveStoresNothingAndTellsTheOperator) {
  test::MessageRecorder messages;
  const fs::path folder = test::makeTempFolder("failed") / "folder";
  fs::create_directory(folder);
  const FSRef ref = refTo(folder);
  fs::remove(folder);
  EXPECT_EQ(SaveFSSpecAsAliasHandle(ref, 4501), fnfErr);
  EXPECT_FALSE(defaults_.object("AliasHandle 4501").has_value());
  EXPECT_EQ(messages.messages(), std::vector<std::string>{"SaveFSSpecAsAliasHandle FAILED???"});
}

TEST_F(AliasesTest, AReferenceThatCannotBeWrittenDownIsAFailure) {
  test::MessageRecorder messages;
  fs::create_directory(defaults_.filePath());  // the defaults file cannot be read, so it is never written over
  EXPECT_NE(SaveFSSpecAsAliasHandle(refTo(test::makeTempFolder("unsaved")), 4502), noErr);
  EXPECT_EQ(messages.messages(), std::vector<std::string>{"SaveFSSpecAsAliasHandle FAILED???"});
}

}  // namespace
}  // namespace vorl
