// Writes the starting inputs of the property-list, keyed-archive and user-defaults fuzz targets: each value in
// XML and in binary form, with text that the binary form stores as UTF-16, and the hand-made binary lists that
// once brought the processor down (keys holding U+0000 or a zero byte, deep and shared nesting).
// Usage: plist_seed_writer <folder>   (makes <folder>/plist, <folder>/archive and <folder>/defaults)
#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plists/property_list.h"
#include "tests/support/binary_plist_builder.h"
#include "tests/support/keyed_archive_writer.h"

namespace {

using namespace vorl;
using namespace std::string_view_literals;
using test::BinaryPlistBuilder;
using test::Bytes;

int gWritten = 0;

void writeSeed(const std::filesystem::path& file, const void* bytes, std::size_t size) {
  std::ofstream(file, std::ios::binary).write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  ++gWritten;
}
void writeSeed(const std::filesystem::path& file, const Bytes& bytes) { writeSeed(file, bytes.data(), bytes.size()); }

// The value as XML and, converted by libplist, as a binary list (non-ASCII text becomes UTF-16 there).
void writeBothForms(const std::filesystem::path& folder, const std::string& name, const PlistValue& value) {
  const auto xml = toXmlPropertyList(value);
  if (!xml) std::abort();
  writeSeed(folder / (name + ".xml"), xml->data(), xml->size());
  plist_t node = nullptr;
  plist_from_xml(xml->data(), static_cast<std::uint32_t>(xml->size()), &node);
  char* binary = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(node, &binary, &length);
  if (!binary) std::abort();
  writeSeed(folder / (name + ".bplist"), binary, length);
  plist_to_bin_free(binary);
  plist_free(node);
}

Bytes dictionaryWithKey(std::u16string_view key) {
  BinaryPlistBuilder list;
  const auto k = list.utf16(key);
  const auto v = list.integer(1);
  return list.finish(list.dictionary({{k, v}}));
}

// Hand-made binary lists at and just past what the reader takes.
void writeHandMade(const std::filesystem::path& folder) {
  writeSeed(folder / "utf16-key-with-nul.bplist", dictionaryWithKey(u"a\u0000b"sv));
  writeSeed(folder / "utf16-key.bplist", dictionaryWithKey(u"\u0192older \u65e5\u672c"sv));
  BinaryPlistBuilder asciiNul;
  const auto key = asciiNul.ascii("ab\0"sv);
  const auto value = asciiNul.utf16(u"v\u0000w"sv);
  writeSeed(folder / "ascii-key-with-nul.bplist", asciiNul.finish(asciiNul.dictionary({{key, value}})));
  BinaryPlistBuilder shared;
  for (int level = 0; level < 12; ++level) shared.array({shared.next() + 1, shared.next() + 1});
  shared.boolean(true);
  writeSeed(folder / "shared-arrays.bplist", shared.finish(0));
  BinaryPlistBuilder nested;
  for (int level = 0; level < 70; ++level) nested.array({nested.next() + 1});
  nested.boolean(false);
  writeSeed(folder / "nested-arrays.bplist", nested.finish(0));
}

PlistValue settingsLikeDefaults() {
  return PlistDictionary{
      {"printServerPref", PlistData(512, 0x41)},
      {"PrintToFileSet 1", PlistData(760, 0x00)},
      {"AliasHandle 4506", PlistData{'V', 'Z', 'R', 'F', 1, 0, 1, 0, 0, 0}},
      {"DefaultRGBProfile", "/usr/share/color/icc/\u00c4pfel \u0192 \u65e5\u672c.icc"},
      {"prefEnableRelaunch", true},
      {"pollInterval", 2.5},
      {"lastRun", PlistDate(std::chrono::seconds(1331128800))},
      {"recent", PlistArray{"IMAGES FOLDER \u0192", std::int64_t{-3}, PlistDictionary{{"k", false}}}},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root(argv[1]);
  const auto plists = root / "plist", archives = root / "archive", defaults = root / "defaults";
  for (const auto& folder : {plists, archives, defaults}) std::filesystem::create_directories(folder);

  writeBothForms(plists, "settings", settingsLikeDefaults());
  writeBothForms(plists, "text", PlistValue(PlistArray{"", "plain", "\u00e9t\u00e9 \u2019 \u0192", "\U0001F4F7"}));
  writeBothForms(plists, "export", PlistDictionary{{"Vorl-Zeverezoz v14 Prefs Dictionary", settingsLikeDefaults()}});
  writeHandMade(plists);

  writeBothForms(defaults, "defaults", settingsLikeDefaults());
  writeSeed(defaults / "utf16-key-with-nul.bplist", dictionaryWithKey(u"printServerPref\u0000"sv));

  const ArchivedValue pageSetup = ArchivedValue::object(
      "NSPrintInfo", {{"NSAttributes", ArchivedValue::dictionary({{"NSPaperName", ArchivedValue::string("iso-a4")},
                                                                   {"NSOrientation", ArchivedValue::integer(1)}})}});
  const ArchivedValue job = ArchivedValue::dictionary(
      {{"imageurl", ArchivedValue::string("http://studio.example/\u00c4rger.jpg")},
       {"names", ArchivedValue::array({ArchivedValue::string("Z\u00f6e"), ArchivedValue::string("\u65e5\u672c"),
                                       ArchivedValue::data({0, 1, 2}), ArchivedValue::date(3.5e8),
                                       ArchivedValue::real(0.25), ArchivedValue::boolean(true), ArchivedValue()})}});
  writeSeed(archives / "page-setup.bplist", test::encodeKeyedArchive(pageSetup));
  writeSeed(archives / "page-setup.xml", test::encodeKeyedArchive(pageSetup, test::PlistFormat::Xml));
  writeSeed(archives / "job.bplist", test::encodeKeyedArchive(job));
  writeSeed(archives / "job.xml", test::encodeKeyedArchive(job, test::PlistFormat::Xml));
  writeHandMade(archives);

  std::printf("%d seed property lists in %s\n", gWritten, root.c_str());
  return 0;
}
