// The naming rules as text in, text out.
#include "foundation/files/file_naming.h"

#include <gtest/gtest.h>

#include <string>

namespace vorl {
namespace {

std::string text(const CStr255_AC& s) { return std::string(s.macRoman()); }
CStr255_AC s255(const std::string& s) { return CStr255_AC(s); }

TEST(FileNaming, FormFileName) {
  const std::string base40(40, 'B');
  const struct {
    std::string base, number, extension;
    std::size_t limit;
    std::string expected;
  } cases[] = {
      {"Print", "0007", "jpg", 63, "Print_0007.jpg"},
      {"Print", "", "jpg", 63, "Print.jpg"},
      {"Print", "0007", "tiffextra2", 63, "Print_0007.tiffext"},  // dotted, then cut to 8 with the dot
      {"Print", "0007", ".jpg", 63, "Print_0007.jpg"},
      {"Print", "0007", "x", 63, "Print_0007x"},  // one character is taken as it is
      {"", "0007", "jpg", 63, "0007.jpg"},
      {"Print", "", "", 63, "Print"},
      {base40, "0001", ".jpg", 31, std::string(22, 'B') + "_0001.jpg"},  // 31 - 4 - 4 - 1 = 22
      {std::string(70, 'L'), "12", ".tif", 63, std::string(56, 'L') + "_12.tif"},
      // A number text and extension that alone pass the limit still give no longer a name.
      {"Print", std::string(40, '9'), "jpg", 31, std::string(27, '9') + ".jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base + "|" + c.number + "|" + c.extension);
    const CStr255_AC name = c.limit == 63 ? FormFileName(s255(c.base), s255(c.number), s255(c.extension))
                                          : FormFileNameOld(s255(c.base), s255(c.number), s255(c.extension));
    EXPECT_EQ(text(name), c.expected.substr(0, c.limit));
    EXPECT_LE(name.length(), c.limit);
  }
  EXPECT_EQ(text(FormFileNameNew(s255("Print"), s255("0007"), s255("jpg"))), "Print_0007.jpg");
}

TEST(FileNaming, FormImageNumber) {
  const struct {
    std::int32_t number;
    bool pad;
    std::int16_t width;
    const char* expected;
  } cases[] = {
      {7, true, 4, "0007"},
      {7, false, 4, "7"},
      {1234567, true, 4, "999999"},
      {-5, true, 3, "000"},
      {-1, true, 4, ""},
      {12345, true, 2, "12345"},
      {0, true, 0, "0"},
      {999999, true, 6, "999999"},
      {42, true, 9, "000042"},
      {1000000, false, 1, "999999"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.number) + (c.pad ? " padded " : " ") + std::to_string(c.width));
    EXPECT_EQ(text(FormImageNumber(c.number, c.pad, c.width)), c.expected);
  }
  EXPECT_EQ(text(FormFileName(s255("IMG"), 3, s255("jpg"), true, 4)), "IMG_0003.jpg");
  EXPECT_EQ(text(FormFileNameOld(s255(std::string(40, 'B')), 1, s255(".jpg"), true, 4)),
            std::string(22, 'B') + "_0001.jpg");
}

TEST(FileNaming, SittingImagesAndNameParts) {
  EXPECT_EQ(text(createNameForSittingImages(s255("Smith_"), 12, s255(".jpg"))), "Smith_0012.jpg");
  EXPECT_EQ(text(createNameForSittingImages(s255("Smith"), 12, s255("jpg"))), "Smith_0012.jpg");
  EXPECT_EQ(text(createNameForSittingImages(s255("Smith__"), 1, s255(".jpg"))), "Smith__0001.jpg");

  const struct {
    const char* name;
    const char* extension;
    const char* base;
  } cases[] = {
      {"IMG 1.JPG", ".JPG", "IMG 1"},           {"readme", ".gen", "readme"}, {"a.tif x", ".tif", "a"},
      {"archive.tar.gz", ".gz", "archive.tar"}, {".hidden", ".hidden", ""},   {"trailing.", ".", "trailing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text(getExtensionFromSourceFile(s255(c.name))), c.extension);
    EXPECT_EQ(text(getBaseNameFromName(s255(c.name))), c.base);
  }
  EXPECT_EQ(simplePower(10, 0), 1);
  EXPECT_EQ(simplePower(10, 6), 1000000);
  EXPECT_EQ(simplePower(2, 10), 1024);
}

TEST(FileNaming, CopyNames) {
  using namespace copy_names;
  const struct {
    const char* name;
    const char* first;   // candidate 0
    const char* second;  // candidate 1
    const char* firstLong;
  } cases[] = {
      {"photo.jpg", "photo copy.jpg", "photo copy 1.jpg", "photo copy.jpg"},
      {"photo copy 3.jpg", "photo copy.jpg", "photo copy 1.jpg", "photo copy.jpg"},
      {"photo copy.jpg", "photo copy.jpg", "photo copy 1.jpg", "photo copy.jpg"},
      {"Job", "Job copy", "Job copy 1", "Job copy"},
      // Only a " copy" ending is a copy's mark; a customer's name keeps its letters.
      {"copyright.jpg", "copyright copy.jpg", "copyright copy 1.jpg", "copyright copy.jpg"},
      {"Scopy_12.jpg", "Scopy_12 copy.jpg", "Scopy_12 copy 1.jpg", "Scopy_12 copy.jpg"},
      {"my copy of x.jpg", "my copy of x copy.jpg", "my copy of x copy 1.jpg", "my copy of x copy.jpg"},
      {"photo copy two.jpg", "photo copy two copy.jpg", "photo copy two copy 1.jpg", "photo copy two copy.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Split split = splitAtExtension(c.name);
    const std::string base = withoutCopySuffix(split.base);
    EXPECT_EQ(boundedCopyName(base, split.extension, 0), c.first);
    EXPECT_EQ(boundedCopyName(base, split.extension, 1), c.second);
    EXPECT_EQ(longCopyName(base + " copy", split.extension, 0), c.firstLong);
  }
  // Within 63 characters the base gives way: 58 - 4 for " copy", 57 - 4 - 2 for " copy 12".
  const std::string base(70, 'N');
  EXPECT_EQ(boundedCopyName(base, ".jpg", 0), std::string(54, 'N') + " copy.jpg");
  EXPECT_EQ(boundedCopyName(base, ".jpg", 12), std::string(51, 'N') + " copy 12.jpg");
  EXPECT_EQ(boundedCopyName(base, ".jpg", 4999).size(), 63u);
  EXPECT_EQ(longCopyName(base + " copy", ".jpg", 7), base + " copy 7.jpg");
}

}  // namespace
}  // namespace vorl
