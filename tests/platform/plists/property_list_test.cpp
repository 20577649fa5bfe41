// Property-list values through their XML form, and what the reader makes of files that are not property lists.
#include "platform/plists/property_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/plists/plist_tree.h"
#include "tests/support/binary_plist_builder.h"

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

using test::BinaryPlistBuilder;
using namespace std::string_view_literals;

// A dictionary {key: 1} in the binary form, the key made by `makeKey`.
template <class MakeKey>
test::Bytes dictionaryWithKey(MakeKey makeKey) {
  BinaryPlistBuilder list;
  const auto key = makeKey(list);
  const auto one = list.integer(1);
  return list.finish(list.dictionary({{key, one}}));
}

// Arrays nested `depth` deep around `true`.
test::Bytes nestedArrays(int depth) {
  BinaryPlistBuilder list;
  for (int level = 0; level < depth; ++level) list.array({list.next() + 1});
  list.boolean(true);
  return list.finish(0);
}

// Each array holds the next one twice: expanded at every use, 2^depth nodes.
test::Bytes sharedArrays(int depth) {
  BinaryPlistBuilder list;
  for (int level = 0; level < depth; ++level) list.array({list.next() + 1, list.next() + 1});
  list.boolean(true);
  return list.finish(0);
}

// Bytes that libplist parses but cannot survive (an assertion that ends the process, a stack overflow, a
// tree of a billion nodes) are refused before it sees them, wherever a property list comes in.
TEST(PropertyList, ListsThatWouldBringTheProcessDownAreRefused) {
  std::string deepXml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < 200000; ++i) deepXml += "<array>";
  deepXml += "<true/>";
  for (int i = 0; i < 200000; ++i) deepXml += "</array>";
  deepXml += "</plist>";
  const struct {
    const char* name;
    test::Bytes bytes;
  } cases[] = {
      {"UTF-16 key holding U+0000", dictionaryWithKey([](BinaryPlistBuilder& l) { return l.utf16(u"a\u0000b"sv); })},
      {"UTF-16 key that is only U+0000", dictionaryWithKey([](BinaryPlistBuilder& l) { return l.utf16(u"\u0000"sv); })},
      {"ASCII key holding a zero byte", dictionaryWithKey([](BinaryPlistBuilder& l) { return l.ascii("ab\0"sv); })},
      {"binary nesting 200,000 deep", nestedArrays(200000)},
      {"binary nesting one past the limit", nestedArrays(kMaxPlistNesting + 1)},
      {"an array shared 2^28 times", sharedArrays(28)},
      {"XML nesting 200,000 deep", test::Bytes(deepXml.begin(), deepXml.end())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(parsePropertyList(c.bytes).has_value());
  }
}

// The same shapes within bounds still read: keys in UTF-16, a NUL inside a value, nesting at the limit, an
// object used twice.
TEST(PropertyList, BinaryListsOfTheSameShapesWithinBoundsRead) {
  const test::Bytes utf16Key = dictionaryWithKey([](BinaryPlistBuilder& l) { return l.utf16(u"\u0192older"); });
  EXPECT_EQ(parsePropertyList(utf16Key), PlistValue(PlistDictionary{{"ƒolder", 1}}));

  BinaryPlistBuilder withNulValue;
  const auto key = withNulValue.ascii("path");
  const auto value = withNulValue.utf16(u"a\u0000b"sv);
  const test::Bytes nulValue = withNulValue.finish(withNulValue.dictionary({{key, value}}));
  EXPECT_EQ(parsePropertyList(nulValue), PlistValue(PlistDictionary{{"path", std::string("a\0b", 3)}}));
  // libplist would cut an ASCII value at its zero byte: it comes whole, as data.
  BinaryPlistBuilder withAsciiNul;
  const auto asciiKey = withAsciiNul.ascii("path");
  const auto asciiValue = withAsciiNul.ascii("a\0b"sv);
  const test::Bytes asciiNul = withAsciiNul.finish(withAsciiNul.dictionary({{asciiKey, asciiValue}}));
  EXPECT_EQ(parsePropertyList(asciiNul), PlistValue(PlistDictionary{{"path", PlistData{'a', 0, 'b'}}}));

  EXPECT_TRUE(propertyListIsSafeToParse(nestedArrays(kMaxPlistNesting)));
  const auto shared = parsePropertyList(sharedArrays(2));
  ASSERT_TRUE(shared.has_value());
  const PlistValue inner(PlistArray{true, true});
  EXPECT_EQ(*shared, PlistValue(PlistArray{inner, inner}));
}

// Broken references are libplist's to refuse; they must not trip the check either way into a crash.
TEST(PropertyList, BrokenBinaryStructureIsRefused) {
  BinaryPlistBuilder cycle;
  cycle.array({0});
  BinaryPlistBuilder outside;
  outside.array({7});
  const test::Bytes good = dictionaryWithKey([](BinaryPlistBuilder& l) { return l.ascii("k"); });
  test::Bytes badTrailer = good;
  badTrailer[badTrailer.size() - 1] = 0xFF;  // the offset table would start past the end
  const struct {
    const char* name;
    test::Bytes bytes;
  } cases[] = {
      {"an array holding itself", cycle.finish(0)},
      {"a reference past the last object", outside.finish(0)},
      {"offset table past the end", badTrailer},
      {"only the magic", test::Bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(parsePropertyList(c.bytes).has_value());
  }
}

// XML cannot carry U+0000, so a value holding one is refused rather than written cut short.
TEST(PropertyList, ANulInsideAStringIsNeverCutOnWriting) {
  const std::string withNul("AB\0CD", 5);
  EXPECT_FALSE(toXmlPropertyList(PlistValue(PlistDictionary{{"name", withNul}})).has_value());
  EXPECT_FALSE(toXmlPropertyList(PlistValue(PlistDictionary{{withNul, 1}})).has_value());
  EXPECT_FALSE(toXmlPropertyList(PlistValue(PlistArray{withNul})).has_value());
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
