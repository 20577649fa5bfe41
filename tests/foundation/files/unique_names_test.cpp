// Free-name searches and renames in real folders under the test root.
#include "foundation/files/unique_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/apple_double.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A folder with files of the given names, and a specification of an item in it.
struct Folder {
  fs::path path;
  FSSpec spec;

  Folder(const char* prefix, const std::vector<std::string>& names) : path(test::makeTempFolder(prefix)) {
    for (const std::string& name : names) writeText(path / name, name);
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    EXPECT_EQ(FSFolderIDs(path, vRefNum, dirID), noErr);
    spec.vRefNum = vRefNum;
    spec.parID = dirID;
  }
  FSSpec item(const std::string& macName) const {
    FSSpec s = spec;
    s.name.assign(macName);
    return s;
  }
};

CStr255_AC s255(const std::string& s) { return CStr255_AC(s); }

TEST(UniqueNames, NumberedSearchesTakeTheFirstFreeNumber) {
  const Folder folder("numbered", {"Smith_0012.jpg", "Smith_0013.jpg", "Order_0001.jpg", "Order_9.jpg"});
  FSSpec spec = folder.spec;
  std::int32_t number = 12;
  ASSERT_EQ(getUniqueName(s255("Smith_"), number, s255(".jpg"), false, &spec), noErr);
  EXPECT_EQ(number, 14);
  EXPECT_EQ(spec.name.macRoman(), "Smith_0014.jpg");

  number = 1;
  ASSERT_EQ(getUniqueNameForPrintToFile(s255(std::string(40, 'O')), number, s255("jpg"), 4, &spec), noErr);
  EXPECT_EQ(spec.name.macRoman(), std::string(22, 'O') + "_0001.jpg");
  number = 9;
  ASSERT_EQ(getUniqueNameForPrintToFile(s255("Order"), number, s255("jpg"), 1, &spec), noErr);
  EXPECT_EQ(spec.name.macRoman(), "Order_10.jpg");  // the width grows with the number

  FSSpec nowhere = folder.spec;
  nowhere.parID = -9999;
  EXPECT_EQ(getUniqueName(s255("Smith"), number, s255(".jpg"), false, &nowhere), dirNFErr);
  EXPECT_EQ(getUniqueName(s255("Smith"), number, s255(".jpg"), false, nullptr), paramErr);
}

// A capped number gives the same name again: the search reports that it found nothing free, at once, and the
// caller is told not to write.
TEST(UniqueNames, ExhaustedSearchIsAnErrorNotAName) {
  const Folder folder("exhausted", {"Smith_999999.jpg", "P_999999.jpg"});
  test::MessageRecorder messages;
  FSSpec spec = folder.spec;
  std::int32_t number = 999999;
  EXPECT_EQ(getUniqueName(s255("Smith"), number, s255(".jpg"), false, &spec), dupFNErr);
  number = 999999;
  EXPECT_EQ(getUniqueNameForPrintToFile(s255("P"), number, s255(".jpg"), 6, &spec), dupFNErr);
  number = 999999;
  FSSpec file = folder.item("Smith_999999.jpg");
  EXPECT_EQ(getUniqueNameForPrintToFileNew(s255("P"), number, s255(".jpg"), 6, &file), dupFNErr);
  EXPECT_EQ(messages.messages(),
            (std::vector<std::string>{"getUniqueName: counter > kMaxFileNameLoop value",
                                      "getUniqueNameForPrintToFile: counter > kMaxFileNameLoop value",
                                      "getUniqueNameForPrintToFile: counter > kMaxFileNameLoop value"}));
  EXPECT_EQ(readText(folder.path / "P_999999.jpg"), "P_999999.jpg");
  EXPECT_EQ(readText(folder.path / "Smith_999999.jpg"), "Smith_999999.jpg");
}

TEST(UniqueNames, PrintToFileRenameNeverReplaces) {
  const Folder folder("rename", {"TempFile", "Order_0001.jpg"});
  ASSERT_EQ(setFinderInfo(folder.path / "TempFile", FInfo{fourCharCode("JPEG"), fourCharCode("8BIM")}), noErr);
  FSSpec file = folder.item("TempFile");
  std::int32_t number = 1;
  ASSERT_EQ(getUniqueNameForPrintToFileNew(s255("Order"), number, s255("jpg"), 4, &file), noErr);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(file.name.macRoman(), "Order_0002.jpg");
  EXPECT_EQ(readText(folder.path / "Order_0002.jpg"), "TempFile");
  EXPECT_EQ(readText(folder.path / "Order_0001.jpg"), "Order_0001.jpg");
  EXPECT_FALSE(fs::exists(folder.path / "TempFile"));
  FInfo info;
  ASSERT_EQ(getFinderInfo(folder.path / "Order_0002.jpg", info), noErr);
  EXPECT_EQ(info.fdCreator, fourCharCode("8BIM"));

  // Its own name is free for it.
  number = 2;
  ASSERT_EQ(getUniqueNameForPrintToFileNew(s255("Order"), number, s255("jpg"), 4, &file), noErr);
  EXPECT_EQ(number, 2);
  FSSpec missing = folder.item("gone");
  EXPECT_EQ(getUniqueNameForPrintToFileNew(s255("Order"), number, s255("jpg"), 4, &missing), fnfErr);
}

TEST(UniqueNames, CopyNamesInAFolder) {
  const Folder folder("copies", {"photo.jpg", "photo copy.jpg", "proof copy 3.jpg", std::string(100, 'L') + ".jpg"});
  const struct {
    std::string name;
    bool longNames;
    OSErr result;
    std::string expected;
  } cases[] = {
      {"photo.jpg", false, noErr, "photo copy 1.jpg"},
      {"photo copy.jpg", false, noErr, "photo copy 1.jpg"},
      {"proof copy 3.jpg", false, noErr, "proof copy.jpg"},
      {"photo.jpg", true, noErr, "photo copy 1.jpg"},
      {"new.jpg", true, noErr, "new copy.jpg"},
      // The long name of the file is what gets its " copy"; 105 characters do not fit a specification.
      {std::string(100, 'L') + ".jpg", true, bdNamErr, ""},
      {std::string(100, 'L') + ".jpg", false, noErr, std::string(54, 'L') + " copy.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + (c.longNames ? " (long)" : ""));
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpecFromPath(folder.path / c.name, spec), noErr);
    const FSSpec before = spec;
    const OSErr result =
        c.longNames ? getUniqueNameWithCopyBeforeExtForLongNames(&spec) : getUniqueNameWithCopyBeforeExtension(&spec);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(spec.name.macRoman(), c.result == noErr ? c.expected : before.name.macRoman());
  }
}

TEST(UniqueNames, NewUniqueNameWithCopy) {
  const Folder folder("newcopy", {"Order.jpg", "Order copy.jpg", "Order copy 1.jpg"});
  FSRef parent;
  ASSERT_EQ(FSPathMakeRef(folder.path, parent), noErr);
  CStr255_AC result;
  ASSERT_EQ(newGetUniqueNameWithCopy(&parent, s255("Order"), s255(".jpg"), result), 0);
  EXPECT_EQ(result.macRoman(), "Order copy 2.jpg");
  ASSERT_EQ(newGetUniqueNameWithCopy(&parent, s255("Other"), s255(".jpg"), result), 0);
  EXPECT_EQ(result.macRoman(), "Other.jpg");

  FSSpec spec = folder.item("Order.jpg");
  ASSERT_EQ(newGetUniqueNameWithCopy(&spec, s255("Order"), s255(".jpg")), 0);
  EXPECT_EQ(spec.name.macRoman(), "Order copy 2.jpg");
  // Free, but too long for the file specification: it keeps its name and the caller learns there is none.
  spec = folder.item("Order.jpg");
  EXPECT_EQ(newGetUniqueNameWithCopy(&spec, s255(std::string(70, 'x')), s255(".jpg")), -1);
  EXPECT_EQ(spec.name.macRoman(), "Order.jpg");

  test::MessageRecorder messages;
  EXPECT_EQ(newGetUniqueNameWithCopy(static_cast<const FSRef*>(nullptr), s255("a"), s255(".b"), result), -1);
  EXPECT_EQ(newGetUniqueNameWithCopy(static_cast<FSSpec*>(nullptr), s255("a"), s255(".b")), -1);
  EXPECT_EQ(messages.messages(), (std::vector<std::string>{"newGetUniqueNameWithCopy - parentRef -> Nil Pointer!",
                                                           "newGetUniqueNameWithCopy - fileSpec -> Nil Pointer!"}));
}

TEST(UniqueNames, RenameToALongName) {
  const Folder folder("longrename", {"job", "taken"});
  FSSpec spec = folder.item("job");
  EXPECT_EQ(newFSpRename(&spec, "taken"), dupFNErr);
  EXPECT_EQ(readText(folder.path / "taken"), "taken");
  EXPECT_EQ(spec.name.macRoman(), "job");
  EXPECT_EQ(newFSpRename(&spec, ".."), bdNamErr);
  EXPECT_TRUE(fs::exists(folder.path / "job"));

  const std::string longName = "Smith family, studio session of the 14th, print 0001 for the album.jpg";
  ASSERT_EQ(newFSpRename(&spec, longName.c_str()), noErr);
  EXPECT_EQ(readText(folder.path / longName), "job");
  EXPECT_LE(spec.name.length(), 31u);  // the short name that finds it
  FSRef ref;
  ASSERT_EQ(FSpMakeFSRef(spec, ref), noErr);
  EXPECT_EQ(ref.diskName, longName);

  // A "/" of the Mac name is a ":" on the disk.
  ASSERT_EQ(newFSpRename(&ref, "12/24 Smith.jpg"), noErr);
  EXPECT_TRUE(fs::exists(folder.path / "12:24 Smith.jpg"));
  FSSpec back;
  ASSERT_EQ(convertFSRefToFSSpec(&ref, &back), noErr);
  EXPECT_EQ(back.name.macRoman(), "12/24 Smith.jpg");

  test::MessageRecorder messages;
  EXPECT_EQ(newFSpRename(static_cast<FSSpec*>(nullptr), "x"), -1);
  EXPECT_EQ(newFSpRename(&ref, nullptr), -1);
  EXPECT_EQ(convertFSRefToFSSpec(nullptr, &back), paramErr);
  EXPECT_EQ(messages.messages(), (std::vector<std::string>{"newFSpRename - itemFSSpec -> Nil Pointer!",
                                                           "newFSpRename - newName -> Nil Pointer!",
                                                           "convertFSRefToFSSpec - srcFSRef -> Nil Pointer!"}));
}

}  // namespace
}  // namespace vorl
