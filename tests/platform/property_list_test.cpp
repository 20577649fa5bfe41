// Property-list values through their XML form, and what the reader makes of files that are not property lists.
#include "platform/property_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vorl {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

PlistDate dateAt(std::int64_t unixSeconds) { return PlistDate(std::chrono::seconds(unixSeconds)); }

TEST(PropertyList, EveryKindOfValueSurvivesTheXmlForm) {
  const struct {
    const char* name;
    PlistValue value;
  } cases[] = {
      {"true", true},
      {"false", false},
      {"zero", 0},
      {"negative", std::int64_t{-5}},
      {"smallest", std::numeric_limits<std::int64_t>::min()},
      {"largest", std::numeric_limits<std::int64_t>::max()},
      {"real", 0.1},
      {"negative real", -1234.5e-7},
      {"markup and non-ASCII text", "a<b>&c \"q\" ' ƒ 日本"},
      {"empty text", ""},
      {"data with every byte value", PlistData([] {
         PlistData all;
         for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
         return all;
       }())},
      {"empty data", PlistData{}},
      {"date after 2001", dateAt(1331128800)},
      {"date before 2001", dateAt(86400)},
      {"array", PlistArray{1, "two", PlistArray{}, PlistDictionary{}}},
      {"nested dictionary", PlistDictionary{{"AliasHandle 4506", PlistData{1, 2, 3}},
                                            {"inner", PlistDictionary{{"prefEnableRelaunch", true}, {"count", 7}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PlistValue root(PlistDictionary{{"value", c.value}});
    const auto xml = toXmlPropertyList(root);
    ASSERT_TRUE(xml.has_value());
    const auto back = parsePropertyList(bytesOf(*xml));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, root);
  }
}

TEST(PropertyList, ReadsTheXmlThatMacUserDefaultsWrite) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n"
      "\t<key>AliasHandle 4506</key>\n\t<data>\n\tAAECAw==\n\t</data>\n"
      "\t<key>DefaultRGBProfile</key>\n\t<string>/usr/share/color/icc/sRGB.icc</string>\n"
      "\t<key>prefEnableRelaunch</key>\n\t<true/>\n"
      "\t<key>when</key>\n\t<date>2012-03-07T14:00:00Z</date>\n"
      "</dict>\n</plist>\n";
  const auto parsed = parsePropertyList(bytesOf(xml));
  ASSERT_TRUE(parsed.has_value());
  const PlistValue expected(PlistDictionary{{"AliasHandle 4506", PlistData{0, 1, 2, 3}},
                                            {"DefaultRGBProfile", "/usr/share/color/icc/sRGB.icc"},
                                            {"prefEnableRelaunch", true},
                                            {"when", dateAt(1331128800)}});
  EXPECT_EQ(*parsed, expected);
}

TEST(PropertyList, RefusesWhatIsNotAPropertyList) {
  const PlistValue root(PlistDictionary{{"printServerPref", PlistData(82, 7)}, {"name", "IMAGES FOLDER ƒ"}});
  const std::string xml = *toXmlPropertyList(root);
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "<array>";
  for (int i = 0; i < 100; ++i) deep += "</array>";
  const std::string deepXml = "<?xml version=\"1.0\"?><plist version=\"1.0\">" + deep + "</plist>";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"nothing", ""},
      {"text", "printServerPref = 1;"},
      {"cut inside the first tag", xml.substr(0, 3)},
      {"cut before the dictionary ends", xml.substr(0, xml.find("</dict>"))},
      {"cut inside a data element", xml.substr(0, xml.find("</data>") - 3)},
      {"nested deeper than 64", deepXml},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(parsePropertyList(bytesOf(c.bytes)).has_value());
  }
}

TEST(PropertyList, AFileCutShortNeverReadsAsTheWholeValue) {
  const PlistValue root(PlistDictionary{{"a", PlistData{1, 2}}, {"b", "text"}, {"c", PlistArray{1, 2.5, true}}});
  const std::string xml = *toXmlPropertyList(root);
  // Every cut before the dictionary's end; the reader must not crash, and what it answers (if anything) must not
  // pass for the value that was written.
  for (std::size_t length = 0; length < xml.rfind("</dict>"); ++length) {
    const auto parsed = parsePropertyList(bytesOf(xml.substr(0, length)));
    EXPECT_FALSE(parsed && *parsed == root) << "cut at " << length;
  }
}

}  // namespace
}  // namespace vorl
