// Existence tests, folder ids, catalog information, long names and volumes, over real folders.
#include "foundation/files/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/text/pascal_strings.h"
#include "foundation/files/volumes.h"
#include "platform/files/apple_double.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

struct Ids {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
};

Ids idsOf(const fs::path& folder) {
  Ids ids;
  EXPECT_EQ(FSFolderIDs(folder, ids.vRefNum, ids.dirID), noErr);
  return ids;
}

FSSpec specIn(const Ids& folder, const std::string& macName) {
  FSSpec spec;
  spec.vRefNum = folder.vRefNum;
  spec.parID = folder.dirID;
  spec.name.assign(macName);
  return spec;
}

TEST(Files, WhatExists) {
  const fs::path root = test::makeTempFolder("exist");
  touch(root / "job");
  fs::create_directory(root / "IMAGES FOLDER \xC6\x92");
  const Ids ids = idsOf(root);
  FSSpec stale = specIn(ids, "");
  stale.parID = -9999;
  const struct {
    const char* what;
    FSSpec spec;
    bool file;
    bool directory;
  } cases[] = {
      {"the folder itself, by an empty name", specIn(ids, ""), false, true},
      {"a file", specIn(ids, "job"), true, false},
      {"a folder by its name", specIn(ids, "IMAGES FOLDER \xC4"), true, true},
      {"nothing of that name", specIn(ids, "missing"), false, false},
      {"an unknown folder", stale, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsExistingFile(&c.spec), c.file);
    EXPECT_EQ(IsExistingDirectory(&c.spec), c.directory);
  }
  EXPECT_FALSE(IsExistingFile(nullptr));
  EXPECT_TRUE(IsExistingDirectory(ids.vRefNum, ids.dirID));
  EXPECT_FALSE(IsExistingDirectory(ids.vRefNum, -9999));
}

TEST(Files, FolderIdsAndSpecifications) {
  const fs::path root = test::makeTempFolder("ids");
  fs::create_directory(root / "PRINT JOBS FOLDER \xC6\x92");
  const Ids parent = idsOf(root), folder = idsOf(root / "PRINT JOBS FOLDER \xC6\x92");

  EXPECT_EQ(GetFolderDirID(specIn(parent, "PRINT JOBS FOLDER \xC4")), folder.dirID);
  EXPECT_EQ(GetFolderDirID(specIn(folder, "")), folder.dirID);
  EXPECT_EQ(GetFolderDirID(specIn(parent, "missing")), -9999);

  FSSpec spec;
  ASSERT_EQ(GetFolderFSSpec(folder.vRefNum, folder.dirID, &spec), noErr);
  EXPECT_EQ(spec.parID, parent.dirID);
  EXPECT_EQ(spec.name.macRoman(), "PRINT JOBS FOLDER \xC4");
  EXPECT_EQ(GetFolderFSSpec(folder.vRefNum, -9999, &spec), -1);
  EXPECT_EQ(GetFolderFSSpec(folder.vRefNum, folder.dirID, nullptr), -1);

  FSSpec own = specIn(folder, "");
  ASSERT_EQ(GetParFSSpecInfoFromFSSpec(own), noErr);
  EXPECT_EQ(own.parID, parent.dirID);
  FSSpec named = specIn(folder, "");
  EXPECT_EQ(GetParIDFromDirID(named), parent.dirID);
  EXPECT_EQ(named.name.macRoman(), "PRINT JOBS FOLDER \xC4");
  FSSpec unknown = specIn(folder, "");
  unknown.parID = -9999;
  EXPECT_EQ(GetParIDFromDirID(unknown), -1);
}

TEST(Files, FindsSubFoldersWhateverTheirCase) {
  const fs::path root = test::makeTempFolder("find");
  fs::create_directory(root / "VORL GRAPHICS FOLDER \xC6\x92");
  touch(root / "Database Folder");  // a file, not a folder
  const Ids ids = idsOf(root);
  const std::int32_t graphics = idsOf(root / "VORL GRAPHICS FOLDER \xC6\x92").dirID;
  EXPECT_EQ(findFolder(specIn(ids, ""), CStr255_AC("vorl graphics folder \xC4")), graphics);
  EXPECT_EQ(FindFolderParID(specIn(ids, ""), Str31("Vorl Graphics Folder \xC4")), graphics);
  EXPECT_EQ(findFolder(specIn(ids, ""), CStr255_AC("DATABASE FOLDER")), -1);
  EXPECT_EQ(findFolder(specIn(ids, ""), CStr255_AC("missing")), -1);
  // The folder may also be given by its name in its parent.
  const Ids parent = idsOf(root.parent_path());
  EXPECT_EQ(findFolder(specIn(parent, root.filename().string()), CStr255_AC("VORL GRAPHICS FOLDER \xC4")), graphics);
}

TEST(Files, CatalogInformationAndVisibility) {
  const fs::path root = test::makeTempFolder("catalog");
  touch(root / "visible");
  touch(root / ".DS_Store");
  touch(root / "Vorl-Zeverezoz Count");
  const Ids ids = idsOf(root);
  FSSpec count = specIn(ids, "Vorl-Zeverezoz Count");
  ASSERT_EQ(setFinderInfo(root / "Vorl-Zeverezoz Count", FInfo{fourCharCode("TEXT"), fourCharCode("QZKb")}), noErr);

  gUsedSpecialGetNumOfFiles = 0;
  EXPECT_EQ(GetSpecialNumberOfFiles(ids.vRefNum, ids.dirID), 2);
  EXPECT_EQ(gUsedSpecialGetNumOfFiles, 1);

  ASSERT_EQ(myFSShowHideFile(&count, false), noErr);
  CInfoPBRec info;
  ASSERT_EQ(getXFileInfoStuff(&count, &info), 1);
  EXPECT_FALSE(IsVisible(&info));
  EXPECT_FALSE(IsFolder(&info));
  EXPECT_EQ(info.ioFlFndrInfo.fdType, fourCharCode("TEXT"));  // hiding keeps type and creator
  EXPECT_EQ(GetSpecialNumberOfFiles(ids.vRefNum, ids.dirID), 1);
  ASSERT_EQ(myFSShowHideFile(&count, true), noErr);
  ASSERT_EQ(getXFileInfoStuff(&count, &info), 1);
  EXPECT_TRUE(IsVisible(&info));

  test::MessageRecorder messages;
  const FSSpec missing = specIn(ids, "missing");
  EXPECT_EQ(getXFileInfoStuff(&missing, &info), 0);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_TRUE(messages.messages()[0].starts_with("Inside getXFileInfoStuff ->\nError [-43]"));

  EXPECT_TRUE(myFSSpecIsTempFSSpec(FInfo{fourCharCode("tmp?"), fourCharCode("tmp?")}));
  EXPECT_FALSE(myFSSpecIsTempFSSpec(FInfo{fourCharCode("tmp?"), fourCharCode("QZKb")}));

  ASSERT_TRUE(WriteNSHFSCreatorCode((root / "visible").string(), fourCharCode("8BIM")));
  FInfo finder;
  ASSERT_EQ(getFinderInfo(root / "visible", finder), noErr);
  EXPECT_EQ(finder.fdCreator, fourCharCode("8BIM"));
}

TEST(Files, LongNames) {
  const fs::path root = test::makeTempFolder("long");
  const struct {
    std::string diskName;
    std::string macName;  // what GetFullFileName gives
  } cases[] = {
      {std::string(90, 'a') + ".jpg", std::string(90, 'a') + ".jpg"},
      {"Caf\xC3\xA9 \xE2\x98\x83.jpg", "Caf\x8E ^.jpg"},  // é is Mac Roman 0x8E, the snowman has no form
      {"12:24.jpg", "12/24.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.diskName);
    touch(root / c.diskName);
    FSSpec spec;
    ASSERT_EQ(myMakeFSSpecFromPath((root / c.diskName).c_str(), &spec), noErr);
    EXPECT_EQ(GetFullFileName(&spec).macRoman(), c.macName);
  }
  // A missing file keeps the file specification's own name.
  FSSpec missing = specIn(idsOf(root), "gone.jpg");
  EXPECT_EQ(GetFullFileName(&missing).macRoman(), "gone.jpg");
  EXPECT_EQ(myMakeFSSpecFromPath(nullptr, &missing), paramErr);
}

TEST(Files, UnicodeNames) {
  HFSUniStr255 name;
  ASSERT_EQ(ConvertCStringToHFSUniStr("IMAGES FOLDER \xC4", &name), 0);
  ASSERT_EQ(name.length, 15);
  EXPECT_EQ(name.unicode[14], u'\u0192');
  CStr255_AC back;
  unicodeToPascalString(name, back);
  EXPECT_EQ(back.macRoman(), "IMAGES FOLDER \xC4");

  const std::u16string foreign = u"Photo \U0001F600 \u4E2D";
  name.length = static_cast<std::uint16_t>(foreign.size());
  std::copy(foreign.begin(), foreign.end(), name.unicode.begin());
  unicodeToPascalString(name, back);
  EXPECT_EQ(back.macRoman(), "Photo ^ ^");

  EXPECT_EQ(ConvertCStringToHFSUniStr(nullptr, &name), 4);
  EXPECT_EQ(ConvertCStringToHFSUniStr(std::string(300, 'n').c_str(), &name), 5);
}

TEST(Files, Volumes) {
  const Ids ids = idsOf(test::testRoot());
  Str255 name;
  ASSERT_EQ(GetVolumeNameFromVRefNum(name, ids.vRefNum), noErr);
  ASSERT_FALSE(name.empty());

  std::string otherCase(name.macRoman());
  for (char& c : otherCase) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  std::int16_t found = 0;
  ASSERT_EQ(FindVolumeByName(Str255(otherCase), &found), noErr);
  // The first volume of that name; the test's own comes first unless another volume shares its name.
  Str255 foundName;
  ASSERT_EQ(GetVolumeNameFromVRefNum(foundName, found), noErr);
  EXPECT_EQ(pstrcomp2(foundName, name), 1);

  EXPECT_EQ(CheckIfVolumeNameAndVRefNumMatch(Str255(otherCase), ids.vRefNum), noErr);
  EXPECT_EQ(CheckIfVolumeNameAndVRefNumMatch(Str255("No Such Volume 1234"), ids.vRefNum), -1);
  EXPECT_EQ(CheckIfVolumeNameAndVRefNumMatch(name, 0), nsvErr);
  EXPECT_EQ(FindVolumeByName(Str255("No Such Volume 1234"), &found), nsvErr);

  std::int16_t vRefNum = 0;
  std::uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_EQ(XGetVInfo(ids.vRefNum, nullptr, &vRefNum, &freeBytes, &totalBytes), noErr);
  EXPECT_EQ(vRefNum, ids.vRefNum);
  EXPECT_GT(totalBytes, 0u);
}

}  // namespace
}  // namespace vorl
