// The output folder of a print-to-file set: the folder rules A and B, the customer folders, and folder names from
// the job that must never lead out of the set folder.
#include "jobs/outputs/set_output_folder.h"

#include <gtest/gtest.h>

#include "jobs/engine/drawing_results.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::EditableJobView;

struct FolderCase {
  const char* name;
  std::vector<std::size_t> switches;  // item offsets set (4 is the master switch)
  const char* textA;
  const char* textB;
  std::int16_t setNamingMode;
  const char* baseName;
  const char* expected;  // relative to the set folder, "" for the set folder itself
};

TEST(SetOutputFolder, FolderRulesMakeTheSubFoldersInsideEachOther) {
  const FolderCase cases[] = {
      {"no sub-folders without the master switch", {6, 8, 10}, "Order1", "B", 1, "Smith_0001", ""},
      {"rule A: folder text A", {4, 6}, "Order1_x", "B", 1, "Smith_0001", "Order1_x"},
      {"rule A: order part, then customer", {4, 8}, "Order1_x", "", 1, "Smith_0001", "Order1/Smith"},
      {"rule A: text A without an underscore stays whole", {4, 8}, "Order1", "", 1, "Smith_2", "Order1/Smith"},
      {"rule A: text A starting with an underscore stays whole", {4, 8}, "_Order", "", 1, "Smith_2", "_Order/Smith"},
      {"rule A otherwise: customer orders, customer",
       {4},
       "Order1",
       "",
       1,
       "Smith_0001",
       "Customer Orders Folder/Smith"},
      {"rule A otherwise: customer equal to text A", {4}, "Smith", "", 1, "Smith_0001", "Customer Orders Folder"},
      {"rule A otherwise: naming mode 6", {4}, "Order1", "", 6, "Smith_0001", "Customer Orders Folder"},
      {"rule A otherwise: customer from a copy name", {4}, "", "", 1, "Jones copy 3", "Customer Orders Folder/Jones"},
      {"rule B: all three", {4, 10, 12, 14, 16}, "Order1", "School", 1, "Smith_0001", "School/Order1/Smith"},
      {"rule B: text A and customer", {4, 10, 14, 16}, "Order1", "School", 1, "Smith_0001", "Order1/Smith"},
      {"rule B: nothing chosen", {4, 10}, "Order1", "School", 1, "Smith_0001", ""},
      {"names cut to 31 characters",
       {4, 6},
       "A folder text that is much longer than thirty-one",
       "",
       1,
       "x_1",
       "A folder text that is much long"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path root = test::makeTempFolder("set-folder");
    tSpecialPrintToFilePref& set = test::pointSetAt(2, root);
    set.namingScheme = c.setNamingMode;
    EditableJobView view;
    for (std::size_t offset : c.switches) test::setItemSwitch(view.edit().print2FileItem, offset);
    view.edit().printToFileRecord.folderTextA = Str63(c.textA);
    view.edit().printToFileRecord.folderTextB = Str63(c.textB);

    SetOutputFolder folder;
    ASSERT_EQ(GetSetOutputFolder(view, set, CStr255_AC(c.baseName), folder), 0);
    const fs::path expected = std::string(c.expected).empty() ? root : root / c.expected;
    EXPECT_EQ(folder.path, expected);
    EXPECT_TRUE(fs::is_directory(expected));
    // Asking again finds the same folders and makes nothing new.
    const auto before = test::folderTree(root);
    SetOutputFolder again;
    ASSERT_EQ(GetSetOutputFolder(view, set, CStr255_AC(c.baseName), again), 0);
    EXPECT_EQ(again.path, folder.path);
    EXPECT_EQ(test::folderTree(root), before);
  }
}

TEST(SetOutputFolder, JobFolderTextsNeverLeadOutOfTheSetFolder) {
  const struct {
    const char* name;
    std::vector<std::size_t> switches;
    const char* textA;
    const char* baseName;
  } cases[] = {
      {"dot-dot as folder text A", {4, 6}, "..", "x_1"}, {"a slash in folder text A", {4, 6}, "../../escape", "x_1"},
      {"a slash inside a name", {4, 6}, "a/b", "x_1"},   {"a single dot", {4, 6}, ".", "x_1"},
      {"a hidden name", {4, 6}, ".hidden", "x_1"},       {"a customer name of dot-dot", {4}, "", "..._x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path parent = test::makeTempFolder("set-parent");
    const fs::path root = parent / "set";
    fs::create_directory(root);
    tSpecialPrintToFilePref& set = test::pointSetAt(3, root);
    set.namingScheme = 1;
    EditableJobView view;
    for (std::size_t offset : c.switches) test::setItemSwitch(view.edit().print2FileItem, offset);
    view.edit().printToFileRecord.folderTextA = Str63(c.textA);

    SetOutputFolder folder;
    EXPECT_EQ(GetSetOutputFolder(view, set, CStr255_AC(c.baseName), folder), kOutputFailed);
    EXPECT_EQ(test::folderTree(parent), std::vector<std::string>{"set/"}) << "nothing made, inside or outside";
  }
}

TEST(SetOutputFolder, AnEmptyNameMakesNoFolderAndTheFilesGoIntoTheFolderAbove) {
  const FolderCase cases[] = {
      {"an empty folder text A", {4, 6}, "", "B", 1, "x_1", ""},
      {"an empty folder text B before text A", {4, 10, 12, 14}, "Order1", "", 1, "x_1", "Order1"},
      {"an empty customer name after the order", {4, 8}, "Order", "", 1, "_0001", "Order"},
      {"an empty customer name under customer orders", {4}, "Order", "", 1, "_0001", "Customer Orders Folder"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::MessageRecorder messages;
    const fs::path root = test::makeTempFolder("set-folder");
    tSpecialPrintToFilePref& set = test::pointSetAt(2, root);
    set.namingScheme = c.setNamingMode;
    EditableJobView view;
    for (std::size_t offset : c.switches) test::setItemSwitch(view.edit().print2FileItem, offset);
    view.edit().printToFileRecord.folderTextA = Str63(c.textA);
    view.edit().printToFileRecord.folderTextB = Str63(c.textB);

    SetOutputFolder folder;
    ASSERT_EQ(GetSetOutputFolder(view, set, CStr255_AC(c.baseName), folder), 0);
    const fs::path expected = std::string(c.expected).empty() ? root : root / c.expected;
    EXPECT_EQ(folder.path, expected);
    const std::vector<std::string> made = std::string(c.expected).empty()
                                              ? std::vector<std::string>{}
                                              : std::vector<std::string>{std::string(c.expected) + "/"};
    EXPECT_EQ(test::folderTree(root), made) << "no folder for the empty name";
    EXPECT_EQ(messages.messages(), std::vector<std::string>{"createNewFolder => theName is nil"});
  }
}

TEST(SetOutputFolder, AMissingSetFolderAnswers106) {
  const fs::path root = test::makeTempFolder("set-gone");
  tSpecialPrintToFilePref& set = test::pointSetAt(4, root);
  fs::remove(root);
  EditableJobView view;
  test::setItemSwitch(view.edit().print2FileItem, 4);
  SetOutputFolder folder;
  EXPECT_EQ(GetSetOutputFolder(view, set, CStr255_AC("x_1"), folder), kPrintToFileFolderMissing);
  EXPECT_FALSE(fs::exists(root));
}

TEST(SetOutputFolder, ASubFolderThatCannotBeMadeIsAnOutputError) {
  const fs::path root = test::makeTempFolder("set-file");
  tSpecialPrintToFilePref& set = test::pointSetAt(5, root);
  test::writeText(root / "Order1", "a file where the folder should be");
  EditableJobView view;
  test::setItemSwitch(view.edit().print2FileItem, 4);
  test::setItemSwitch(view.edit().print2FileItem, 6);
  view.edit().printToFileRecord.folderTextA = Str63("Order1");
  SetOutputFolder folder;
  EXPECT_EQ(GetSetOutputFolder(view, set, CStr255_AC("x_1"), folder), kOutputFailed);
  EXPECT_EQ(test::fileBytes(root / "Order1").size(), 33u);
}

}  // namespace
}  // namespace vorl
