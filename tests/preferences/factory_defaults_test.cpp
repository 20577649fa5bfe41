// Factory defaults of the preference records, checked byte by byte at the offsets of the file layout (not through the
// struct members, so a value written into the wrong member shows). Each record is first filled with a pattern:
// every defaults routine but the print server's clears the whole record, so any byte the table does not list
// must be zero afterwards; the print-server routine sets each of its fields and leaves +338..+349 alone.
#include "preferences/factory_defaults.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "preferences/preference_globals.h"

namespace vorl {
namespace {

using Bytes = std::vector<unsigned char>;

// One expected field: a 16- or 32-bit number in host order, or a length-prefixed string of a given capacity
// whose bytes after the text are zero.
struct Field {
  enum Kind { kInt16, kInt32, kText };
  std::size_t offset;
  Kind kind;
  std::int32_t number = 0;
  std::size_t capacity = 0;
  std::string_view text = {};

  std::size_t width() const { return kind == kInt16 ? 2 : kind == kInt32 ? 4 : capacity + 1; }
};

Field i16(std::size_t offset, std::int32_t value) { return {offset, Field::kInt16, value}; }
Field i32(std::size_t offset, std::int32_t value) { return {offset, Field::kInt32, value}; }
Field text(std::size_t offset, std::size_t capacity, std::string_view value = {}) {
  return {offset, Field::kText, 0, capacity, value};
}

using Table = std::vector<Field>;

Table operator+(Table a, const Table& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A `tFolderFSSpec` at `base` that names no folder: volume and directory -9999, both names empty, its alias id,
// and 'defa' (+104) on.
Table noFolder(std::size_t base, std::int16_t aliasId) {
  return {i16(base + 0, -9999), i32(base + 2, -9999),     text(base + 6, 63),
          text(base + 70, 31),  i16(base + 102, aliasId), i16(base + 104, 1)};
}

// A folder location (volume, directory) of the print-server record that names no folder.
Table noLocation(std::size_t base) { return {i16(base, -9999), i32(base + 2, 0)}; }

// A `tmyFSSpec` of the print-server record that names no folder.
Table noReference(std::size_t base) { return noLocation(base) + Table{text(base + 6, 63), text(base + 70, 31)}; }

Table printToFileSet(int n) {
  return noFolder(0, static_cast<std::int16_t>(4510 + n)) +
         Table{i16(398, 1),           i16(400, 2), i16(402, 3),   text(404, 63, "Print"),
               text(468, 31, ".jpg"), i16(502, 3), i16(686, 640), i16(690, 1)};
}

std::int32_t readNumber(const Bytes& bytes, const Field& f) {
  if (f.kind == Field::kInt16) {
    std::int16_t v;
    std::memcpy(&v, bytes.data() + f.offset, 2);
    return v;
  }
  std::int32_t v;
  std::memcpy(&v, bytes.data() + f.offset, 4);
  return v;
}

// Checks every field of the table; marks the bytes they cover.
void expectFields(const Bytes& bytes, const Table& table, std::vector<bool>& covered) {
  for (const Field& f : table) {
    SCOPED_TRACE(testing::Message() << "field at +" << f.offset);
    ASSERT_LE(f.offset + f.width(), bytes.size());
    if (f.kind == Field::kText) {
      std::string expected(f.capacity + 1, '\0');
      expected[0] = static_cast<char>(f.text.size());
      expected.replace(1, f.text.size(), f.text);
      EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(f.offset),
                            bytes.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width())),
                expected);
    } else {
      EXPECT_EQ(readNumber(bytes, f), f.number);
    }
    for (std::size_t i = f.offset; i < f.offset + f.width(); ++i) {
      EXPECT_FALSE(covered[i]) << "the table lists byte +" << i << " twice";
      covered[i] = true;
    }
  }
}

void expectZeroOutside(const Bytes& bytes, const std::vector<bool>& covered) {
  std::string stray;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (!covered[i] && bytes[i] != 0) stray += " +" + std::to_string(i);
  EXPECT_EQ(stray, "") << "bytes not cleared";
}

// The bytes of a record of type T after its defaults routine ran over `pattern`.
template <class T>
std::function<Bytes(unsigned char)> defaultsOf(std::function<std::int16_t(T*)> routine) {
  return [routine](unsigned char pattern) {
    T record;
    std::memset(static_cast<void*>(&record), pattern, sizeof record);
    EXPECT_EQ(routine(&record), 1);
    const auto* begin = reinterpret_cast<const unsigned char*>(&record);
    return Bytes(begin, begin + sizeof record);
  };
}

TEST(PreferenceFactoryDefaults, EveryClearingRoutineGivesItsTable) {
  const struct {
    const char* record;
    std::size_t size;
    std::function<Bytes(unsigned char)> run;
    Table table;
  } cases[] = {
      {"print to file", 570, defaultsOf<tPrintToFilePrefs>(setMyPrintToFilePrefToFactoryDefaults),
       noFolder(0, 4501) + Table{i16(362, 1), i16(364, 2), i16(366, 3), text(368, 31, "Print"), text(400, 31, ".jpg"),
                                 i16(432, 0), i16(434, 0), i16(436, 1), i16(438, 0), i16(440, 0)}},
      {"processed jobs", 616, defaultsOf<tProcessedJobsPrefs>(setMyProcessedJobsPrefToFactoryDefaults),
       noFolder(0, 4502) + Table{i16(362, 0)}},
      {"print-to-file set 1", 982,
       defaultsOf<tSpecialPrintToFilePref>([](auto* r) { return setMyPrintToFileSetPrefsToFactoryDefaults(r, 1); }),
       printToFileSet(1)},
      {"print-to-file set 5", 982,
       defaultsOf<tSpecialPrintToFilePref>([](auto* r) { return setMyPrintToFileSetPrefsToFactoryDefaults(r, 5); }),
       printToFileSet(5)},
      {"print-to-file set 8", 982,
       defaultsOf<tSpecialPrintToFilePref>([](auto* r) { return setMyPrintToFileSetPrefsToFactoryDefaults(r, 8); }),
       printToFileSet(8)},
      {"print to CD", 1086, defaultsOf<tPrintToCDPref>(setMyPrintToCDSetPrefsToFactoryDefaults),
       noFolder(0, 4529) +
           Table{i16(362, 1), i16(364, 2), i16(366, 3), text(368, 63, "Print"), text(432, 31, ".jpg"), i16(464, 0),
                 i16(466, 3)} +
           noFolder(468, 4530)},
      {"output files", 260, defaultsOf<tOutputFilePrefs>(setMyOutputFilePrefToFactoryDefaults),
       Table{i16(0, 50), i16(2, 75)}},
      {"web upload", 982, defaultsOf<tSpecialPrintToFilePref>(setMyWebUploadPrefsToFactoryDefaults),
       noFolder(0, 4566) + Table{i16(398, 1), i16(400, 2), i16(402, 10), text(404, 63, "Print"), text(468, 31, ".jpg"),
                                 i16(502, 3), i16(686, 0), i16(690, 0)}},
  };
  for (const auto& c : cases) {
    for (const unsigned char pattern : {0x00, 0xA5, 0xFF}) {
      SCOPED_TRACE(testing::Message() << c.record << ", filled with " << static_cast<int>(pattern));
      const Bytes bytes = c.run(pattern);
      ASSERT_EQ(bytes.size(), c.size);
      std::vector<bool> covered(bytes.size());
      expectFields(bytes, c.table, covered);
      expectZeroOutside(bytes, covered);
    }
  }
}

// Every field up to +337 is set; the three words at +338 are neither defaulted nor cleared.
TEST(PreferenceFactoryDefaults, PrintServerSetsEveryFieldAndKeepsTheLastTwelveBytes) {
  const Table table =
      noLocation(0) + noLocation(6) + noLocation(12) + noLocation(18) + noLocation(24) + Table{i16(30, 1)} +
      noLocation(32) + Table{i16(38, 1), i16(40, 1), i16(42, 1), text(44, 63)} + noReference(108) +
      Table{i16(210, 0), i16(212, 5), i16(214, 1), i16(216, 0), i16(218, 1), i16(220, 0), i16(222, 1), i16(224, 0)} +
      noReference(226) + noLocation(328) + Table{i16(334, 1), i16(336, 0)};
  for (const unsigned char pattern : {0x00, 0x5A, 0xFF}) {
    SCOPED_TRACE(static_cast<int>(pattern));
    const Bytes bytes = defaultsOf<tPrintServerPrefs>(setMyPrintServerPrefToFactoryDefaults)(pattern);
    ASSERT_EQ(bytes.size(), 350u);
    std::vector<bool> covered(bytes.size());
    expectFields(bytes, table, covered);
    for (std::size_t i = 0; i < 338; ++i) EXPECT_TRUE(covered[i]) << "the table misses byte +" << i;
    for (std::size_t i = 338; i < 350; ++i) EXPECT_EQ(bytes[i], pattern) << "byte +" << i;
  }
}

TEST(PreferenceFactoryDefaults, NullRecordAnswersZero) {
  EXPECT_EQ(setMyPrintServerPrefToFactoryDefaults(nullptr), 0);
  EXPECT_EQ(setMyPrintToFilePrefToFactoryDefaults(nullptr), 0);
  EXPECT_EQ(setMyProcessedJobsPrefToFactoryDefaults(nullptr), 0);
  EXPECT_EQ(setMyPrintToFileSetPrefsToFactoryDefaults(nullptr, 1), 0);
  EXPECT_EQ(setMyPrintToCDSetPrefsToFactoryDefaults(nullptr), 0);
  EXPECT_EQ(setMyOutputFilePrefToFactoryDefaults(nullptr), 0);
  EXPECT_EQ(setMyWebUploadPrefsToFactoryDefaults(nullptr), 0);
}

// All eight live sets get the set defaults, each with its own alias id 4511..4518; the web-upload record, of the
// same type and stored next to them, is not touched.
TEST(PreferenceFactoryDefaults, AllSetsGetTheirOwnAliasIdsAndNoFolder) {
  std::memset(static_cast<void*>(getMyPrintToFileSetPrefsAll()), 0xA5,
              sizeof(tSpecialPrintToFilePref) * kPrintToFileSetCount);
  std::memset(static_cast<void*>(getMyWebUploadPrefs()), 0xA5, sizeof(tSpecialPrintToFilePref));

  setAllPrintToFileSetPrefsToFactoryDefault();

  for (int n = 1; n <= kPrintToFileSetCount; ++n) {
    SCOPED_TRACE(n);
    const auto* begin = reinterpret_cast<const unsigned char*>(getMyPrintToFileSetPrefs(static_cast<std::int16_t>(n)));
    const Bytes bytes(begin, begin + sizeof(tSpecialPrintToFilePref));
    std::vector<bool> covered(bytes.size());
    expectFields(bytes, printToFileSet(n), covered);
    expectZeroOutside(bytes, covered);
  }
  const auto* web = reinterpret_cast<const unsigned char*>(getMyWebUploadPrefs());
  EXPECT_EQ(Bytes(web, web + sizeof(tSpecialPrintToFilePref)), Bytes(sizeof(tSpecialPrintToFilePref), 0xA5));
}

}  // namespace
}  // namespace vorl
