#include "foundation/files/file_errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/services/messages.h"
#include "foundation/text/string_lists.h"
#include "platform/files/file_specs.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

using Strings = std::vector<std::string>;

std::string fileMessage(std::int16_t item) {
  Str255 text;
  EXPECT_TRUE(GetIndString(text, kFileErrorStrings, item)) << "list 4100 lacks item " << item;
  return text.toUtf8();
}

struct CodeItem {
  OSErr code;
  std::int16_t item;
};

// Every File Manager result the table names, with its item of list 4100.
constexpr CodeItem kTable[] = {
    {-34, 18}, {-35, 24}, {-36, 23}, {-37, 16}, {-38, 22}, {-42, 28}, {-43, 21},  {-44, 30},   {-45, 20},
    {-46, 29}, {-48, 19}, {-49, 25}, {-50, 26}, {-51, 27}, {-61, 31}, {-120, 17}, {-5000, 14}, {-5025, 15},
};

// Codes the table does not name.
constexpr OSErr kOtherCodes[] = {eofErr, fBsyErr, -1, -33, -52, -108, -5001, 1, 32767, -32768};

TEST(FileErrorItem, TableCodesAndTheRest) {
  EXPECT_EQ(fileErrorMessageItem(noErr), 0);
  for (const auto& c : kTable) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(fileErrorMessageItem(c.code), c.item);
  }
  for (const OSErr code : kOtherCodes) {
    SCOPED_TRACE(code);
    EXPECT_EQ(fileErrorMessageItem(code), 32);
  }
}

TEST(FileErrorMessage, EachCheckShowsTheCodesItem) {
  const struct {
    const char* name;
    std::int16_t (*check)(OSErr);
  } checks[] = {
      {"checkFileError", &checkFileError},
      {"checkCatErr", &checkCatErr},
      {"displayFileResultCode", &displayFileResultCode},
  };
  for (const auto& check : checks) {
    SCOPED_TRACE(check.name);
    {
      test::MessageRecorder recorder;
      EXPECT_EQ(check.check(noErr), 0);
      EXPECT_TRUE(recorder.messages().empty());
    }
    for (const auto& c : kTable) {
      SCOPED_TRACE(c.code);
      test::MessageRecorder recorder;
      EXPECT_EQ(check.check(c.code), kAlertOK);
      EXPECT_EQ(recorder.messages(), Strings{fileMessage(c.item)});
    }
    for (const OSErr code : {eofErr, static_cast<OSErr>(-1), static_cast<OSErr>(7)}) {
      SCOPED_TRACE(code);
      test::MessageRecorder recorder;
      EXPECT_EQ(check.check(code), kAlertOK);
      EXPECT_EQ(recorder.messages(), Strings{fileMessage(32)});
    }
  }
}

TEST(FileErrorMessage, NewFileFailure) {
  {
    test::MessageRecorder recorder;
    EXPECT_EQ(myNewFileError(noErr), 0);
    EXPECT_TRUE(recorder.messages().empty());
  }
  for (const auto& c : kTable) {
    SCOPED_TRACE(c.code);
    test::MessageRecorder recorder;
    myNewFileError(c.code);
    EXPECT_EQ(recorder.messages(), Strings{fileMessage(c.item)});
  }
  const struct {
    OSErr code;
    const char* expected;
  } others[] = {
      {eofErr, "An error occured while trying to create a new file, error code = -39"},
      {-1, "An error occured while trying to create a new file, error code = -1"},
      {-32768, "An error occured while trying to create a new file, error code = -32768"},
      {12, "An error occured while trying to create a new file, error code = 12"},
  };
  for (const auto& c : others) {
    SCOPED_TRACE(c.code);
    test::MessageRecorder recorder;
    myNewFileError(c.code);
    EXPECT_EQ(recorder.messages(), Strings{c.expected});
  }
}

TEST(FlushVolume, KnownVolumeFlushesQuietly) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(test::makeTempFolder("flush"), vRefNum, dirID), noErr);
  test::MessageRecorder recorder;
  EXPECT_EQ(flushOneVolume(vRefNum), noErr);
  EXPECT_TRUE(recorder.messages().empty());
  EXPECT_EQ(recorder.beeps(), 0);
}

TEST(FlushVolume, UnknownVolumeBeepsAndShowsBothMessages) {
  test::MessageRecorder recorder;
  EXPECT_EQ(flushOneVolume(-30000), nsvErr);
  EXPECT_EQ(recorder.beeps(), 1);
  // That the disk could not be written out, then what the result code means (no such volume).
  EXPECT_EQ(recorder.messages(), (Strings{fileMessage(9), fileMessage(24)}));
}

}  // namespace
}  // namespace vorl
