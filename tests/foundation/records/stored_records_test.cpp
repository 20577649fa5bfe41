#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/records/color_sync_records.h"
#include "foundation/records/folder_records.h"
#include "foundation/records/image_property_records.h"
#include "foundation/records/job_records.h"
#include "foundation/records/print_to_file_record.h"
#include "foundation/records/printer_settings_records.h"
#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::Bytes;
using test::bytesOf;
using test::differingOffsets;

// Two fillers that differ at every offset (their difference, 70·i − 193, is odd). Many string length bytes come
// out larger than the string's capacity, so a copy that went by the length would show.
unsigned char sourceByte(std::size_t i) { return static_cast<unsigned char>(i * 131 + 7); }
unsigned char targetByte(std::size_t i) { return static_cast<unsigned char>(i * 61 + 200); }
unsigned char zeroByte(std::size_t) { return 0; }

Bytes pattern(std::size_t size, unsigned char (*byteAt)(std::size_t)) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = byteAt(i);
  return bytes;
}

// Storage for one record whose bytes hold something else before the record is made in it, so that a byte the
// record's construction does not write shows up as that filler.
template <class Record>
class DirtyStorage {
 public:
  explicit DirtyStorage(unsigned char (*byteAt)(std::size_t))
      : bytes_(std::make_unique<unsigned char[]>(sizeof(Record))) {
    for (std::size_t i = 0; i < sizeof(Record); ++i) bytes_[i] = byteAt(i);
    // Keeps the filler from being dropped as a store the construction makes dead.
    asm volatile("" : : "r"(bytes_.get()) : "memory");
  }
  DirtyStorage(const DirtyStorage&) = delete;
  DirtyStorage& operator=(const DirtyStorage&) = delete;
  ~DirtyStorage() {
    if (record_ != nullptr) std::destroy_at(record_);
  }

  template <class... Args>
  Record& construct(Args&&... args) {
    record_ = ::new (static_cast<void*>(bytes_.get())) Record(std::forward<Args>(args)...);
    return *record_;
  }
  Record& defaultInitialize() {
    record_ = ::new (static_cast<void*>(bytes_.get())) Record;
    return *record_;
  }

 private:
  std::unique_ptr<unsigned char[]> bytes_;
  Record* record_ = nullptr;
};

// A record holding the source pattern in every byte, as after a raw read from a file.
template <class Record>
std::unique_ptr<Record> recordWith(unsigned char (*byteAt)(std::size_t)) {
  auto record = std::make_unique<Record>();
  const Bytes bytes = pattern(sizeof(Record), byteAt);
  std::memcpy(record.get(), bytes.data(), sizeof(Record));
  return record;
}

template <class Record>
class StoredRecord : public testing::Test {};

using Records =
    testing::Types<tFolderFSSpec, tmyFSSpec, tSpecialPrintToFilePref, tRecordStruct, tColorSyncPrefs,
                   tPrinterColorSyncPrefs, tJobInfo, tTextInfo, tJunkMaskStructure, myImageColorAdjustInfo,
                   tImageProperties, tCKImageProperties, myValueRec, myUpdColorAdjustInfo, myCocoaImageColorAdjustInfo,
                   myUpdColorAdjustInfo2, KodakSettings, tPrint2FileItem, tMitsubishiMediaPref, tMediaTypePref,
                   myFujiColorAdjustInfo, tMitsubishiSettings, tShinkoPrinterSettings, tOlmecOP800PrinterSettings,
                   tNoritsuPrinterSettings, tDNPPrinterSettings, tOldTimePhotoPrefs>;
TYPED_TEST_SUITE(StoredRecord, Records);

TYPED_TEST(StoredRecord, DefaultConstructionLeavesEveryByteZero) {
  DirtyStorage<TypeParam> storage(targetByte);
  const TypeParam& record = storage.defaultInitialize();
  EXPECT_THAT(differingOffsets(bytesOf(record), Bytes(sizeof(TypeParam), 0)), testing::IsEmpty());
}

TYPED_TEST(StoredRecord, CopyAndAssignmentCopyEveryByte) {
  // Records are read by copying a file's bytes into them, and travel by plain copies afterwards.
  static_assert(std::is_trivially_copyable_v<TypeParam>);
  const auto source = recordWith<TypeParam>(sourceByte);
  const Bytes expected = pattern(sizeof(TypeParam), sourceByte);

  DirtyStorage<TypeParam> storage(targetByte);
  const TypeParam& copy = storage.construct(*source);
  EXPECT_THAT(differingOffsets(bytesOf(copy), expected), testing::IsEmpty()) << "copy construction";

  auto target = recordWith<TypeParam>(targetByte);
  *target = *source;
  EXPECT_THAT(differingOffsets(bytesOf(*target), expected), testing::IsEmpty()) << "assignment";
}

TEST(FolderRecord, NoFolderSetsVolumeAndDirectoryToMinus9999AndEmptiesTheNamesOnly) {
  const struct {
    const char* name;
    unsigned char (*byteAt)(std::size_t);
  } starts[] = {{"a record as read from a file", sourceByte}, {"a zeroed record", zeroByte}};
  for (const auto& start : starts) {
    SCOPED_TRACE(start.name);
    auto folder = recordWith<tFolderFSSpec>(start.byteAt);
    const Bytes before = bytesOf(*folder);

    folder->setNoFolder();

    EXPECT_EQ(folder->spec.vRefNum.value(), -9999);
    EXPECT_EQ(folder->spec.parID.value(), -9999);
    EXPECT_TRUE(folder->spec.name.empty());
    EXPECT_TRUE(folder->volumeName.empty());
    EXPECT_TRUE(folder->holdsNoFolder());
    // The alias id at 102 and everything after it stay as they were.
    const Bytes after = bytesOf(*folder);
    EXPECT_EQ(Bytes(after.begin() + 102, after.end()), Bytes(before.begin() + 102, before.end()));
  }
}

TEST(ImagePropertiesRecord, NewForSavingIsZeroApartFromOneInTheFloatsAt16And20) {
  DirtyStorage<tImageProperties> storage(sourceByte);
  const tImageProperties& properties = storage.construct(tImageProperties::newForSaving());

  Bytes expected(sizeof(tImageProperties), 0);
  const auto one = std::bit_cast<std::array<unsigned char, 4>>(1.0f);
  std::copy(one.begin(), one.end(), expected.begin() + 16);
  std::copy(one.begin(), one.end(), expected.begin() + 20);
  EXPECT_THAT(differingOffsets(bytesOf(properties), expected), testing::IsEmpty());
  EXPECT_EQ(properties.float16.value(), 1.0f);
  EXPECT_EQ(properties.float20.value(), 1.0f);
}

}  // namespace
}  // namespace vorl
