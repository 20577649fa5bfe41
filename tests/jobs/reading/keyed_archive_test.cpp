// Decoding keyed archives: an archive as Foundation writes it decodes to its values, in binary and XML form,
// and archives that are broken, cyclic or built to explode are refused rather than followed.
#include "platform/plists/keyed_archive.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/keyed_archive_writer.h"

namespace vorl {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Written as NSKeyedArchiver writes a job dictionary: classes as separate objects, "$null" first, numbers inline.
const std::string kJobDictionaryXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>$archiver</key><string>NSKeyedArchiver</string>
  <key>$objects</key>
  <array>
    <string>$null</string>
    <dict>
      <key>$class</key><dict><key>CF$UID</key><integer>10</integer></dict>
      <key>NS.keys</key>
      <array>
        <dict><key>CF$UID</key><integer>2</integer></dict>
        <dict><key>CF$UID</key><integer>3</integer></dict>
        <dict><key>CF$UID</key><integer>4</integer></dict>
        <dict><key>CF$UID</key><integer>5</integer></dict>
      </array>
      <key>NS.objects</key>
      <array>
        <dict><key>CF$UID</key><integer>6</integer></dict>
        <dict><key>CF$UID</key><integer>7</integer></dict>
        <dict><key>CF$UID</key><integer>8</integer></dict>
        <dict><key>CF$UID</key><integer>0</integer></dict>
      </array>
    </dict>
    <string>imageurl</string>
    <string>copies</string>
    <string>sent</string>
    <string>missing</string>
    <string>http://studio.example/42.jpg</string>
    <integer>-3</integer>
    <dict>
      <key>$class</key><dict><key>CF$UID</key><integer>9</integer></dict>
      <key>NS.time</key><real>334000000.5</real>
    </dict>
    <dict>
      <key>$classname</key><string>NSDate</string>
      <key>$classes</key><array><string>NSDate</string><string>NSObject</string></array>
    </dict>
    <dict>
      <key>$classname</key><string>NSMutableDictionary</string>
      <key>$classes</key>
      <array><string>NSMutableDictionary</string><string>NSDictionary</string><string>NSObject</string></array>
    </dict>
  </array>
  <key>$top</key><dict><key>root</key><dict><key>CF$UID</key><integer>1</integer></dict></dict>
  <key>$version</key><integer>100000</integer>
</dict>
</plist>
)";

TEST(KeyedArchive, DecodesAnArchiveAsFoundationWritesIt) {
  const auto decoded = decodeKeyedArchive(bytesOf(kJobDictionaryXml));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, ArchivedValue::dictionary({
                          {"imageurl", ArchivedValue::string("http://studio.example/42.jpg")},
                          {"copies", ArchivedValue::integer(-3)},
                          {"sent", ArchivedValue::date(334000000.5)},
                          {"missing", ArchivedValue()},
                      }));
  ASSERT_NE(decoded->find("imageurl"), nullptr);
  EXPECT_EQ(*decoded->find("imageurl")->asString(), "http://studio.example/42.jpg");
  EXPECT_EQ(decoded->find("nothing"), nullptr);
}

TEST(KeyedArchive, EveryKindSurvivesBothPropertyListForms) {
  const ArchivedValue value = ArchivedValue::dictionary({
      {"text", ArchivedValue::string("Caf\xc3\xa9")},
      {"yes", ArchivedValue::boolean(true)},
      {"count", ArchivedValue::integer(1234567890123)},
      {"ratio", ArchivedValue::real(0.25)},
      {"bytes", ArchivedValue::data({0, 1, 2, 255})},
      {"when", ArchivedValue::date(-86400.0)},
      {"list", ArchivedValue::array({ArchivedValue::string("a"), ArchivedValue(), ArchivedValue::integer(2)})},
      {"setup",
       ArchivedValue::object("NSPrintInfo", {{"NSAttributes", ArchivedValue::dictionary({
                                                                  {"NSPaperName", ArchivedValue::string("A4")},
                                                                  {"NSScalingFactor", ArchivedValue::real(1.0)},
                                                              })},
                                             {"NSCopies", ArchivedValue::integer(2)}})},
  });
  for (test::PlistFormat format : {test::PlistFormat::Binary, test::PlistFormat::Xml}) {
    SCOPED_TRACE(format == test::PlistFormat::Binary ? "binary" : "XML");
    const test::Bytes archive = test::encodeKeyedArchive(value, format);
    EXPECT_EQ(decodeKeyedArchive(archive), value);
  }
}

// Replaces the first occurrence of `from` in the text.
std::string with(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::invalid_argument(from);
  return text.replace(at, from.size(), to);
}

TEST(KeyedArchive, BrokenArchivesAreRefused) {
  const std::string uid8 = "<dict><key>CF$UID</key><integer>8</integer></dict>";
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"not a property list", "hello, world"},
      {"another archiver", with(kJobDictionaryXml, "NSKeyedArchiver", "NSArchiver")},
      {"no root", with(kJobDictionaryXml, "<key>root</key>", "<key>a</key><string>b</string><key>z</key>")},
      {"reference past the objects",
       with(kJobDictionaryXml, uid8, "<dict><key>CF$UID</key><integer>99</integer></dict>")},
      {"dictionary keys and values differ in number",
       with(kJobDictionaryXml, "<dict><key>CF$UID</key><integer>0</integer></dict>", "")},
      {"a class without a name", with(kJobDictionaryXml, "<key>$classname</key><string>NSDate</string>", "")},
      // The dictionary lists itself as one of its values.
      {"an object that contains itself",
       with(kJobDictionaryXml, uid8, "<dict><key>CF$UID</key><integer>1</integer></dict>")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decodeKeyedArchive(bytesOf(c.text)).has_value());
  }
  EXPECT_FALSE(decodeKeyedArchive({}).has_value());
}

TEST(KeyedArchive, NestingAndSharingBeyondTheLimitsAreRefused) {
  // 70 arrays each inside the next.
  ArchivedValue deep = ArchivedValue::string("bottom");
  for (int i = 0; i < 70; ++i) deep = ArchivedValue::array({deep});
  EXPECT_FALSE(decodeKeyedArchive(test::encodeKeyedArchive(deep)).has_value());

  // Forty arrays that each hold the next one twice: a few hundred bytes that would expand to 2^40 values.
  std::string objects = "<string>$null</string>";
  const int levels = 40;
  for (int i = 1; i <= levels; ++i) {
    const std::string next = "<dict><key>CF$UID</key><integer>" + std::to_string(i + 1) + "</integer></dict>";
    objects += "<dict><key>$class</key><dict><key>CF$UID</key><integer>" + std::to_string(levels + 2) +
               "</integer></dict><key>NS.objects</key><array>" + next + next + "</array></dict>";
  }
  objects += "<string>leaf</string><dict><key>$classname</key><string>NSArray</string></dict>";
  const std::string bomb =
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>$archiver</key>"
      "<string>NSKeyedArchiver</string><key>$objects</key><array>" +
      objects +
      "</array><key>$top</key><dict><key>root</key><dict><key>CF$UID</key><integer>1</integer>"
      "</dict></dict></dict></plist>";
  EXPECT_FALSE(decodeKeyedArchive(bytesOf(bomb)).has_value());

  // Shallower sharing within the budget still decodes.
  ArchivedValue shared = ArchivedValue::string("leaf");
  for (int i = 0; i < 10; ++i) shared = ArchivedValue::array({shared, shared});
  EXPECT_EQ(decodeKeyedArchive(test::encodeKeyedArchive(shared)), shared);
}

}  // namespace
}  // namespace vorl
