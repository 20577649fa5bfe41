// Per-image settings in the image's sidecar: the colour adjustment read from 'Pref' 5002 and the property
// records written as 'Pref' 5000 and 5003. Expected resource bytes are encoded here from the field offsets, and
// what we write is read back through the strict sidecar reader.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "imaging/color/color_adjust_record.h"
#include "imaging/image_files/image_settings_resources.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/record_bytes.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

constexpr float kNeutral[10] = {1, 0, 1, 1, 1, 1, 0, 1, 0, 0};

void putBE16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}
void putBE32(Bytes& b, std::size_t at, std::uint32_t v) {
  putBE16(b, at, static_cast<std::uint16_t>(v >> 16));
  putBE16(b, at + 2, static_cast<std::uint16_t>(v));
}
void putBEFloat(Bytes& b, std::size_t at, float v) { putBE32(b, at, std::bit_cast<std::uint32_t>(v)); }

// A 'Pref' 5002 resource of `size` bytes: the ten floats big-endian, then the reserved bytes set to 0xEE.
Bytes colorAdjustBytes(const float (&values)[10], std::size_t size = 1048) {
  Bytes full(1048, 0xEE);
  for (int i = 0; i < 10; ++i) putBEFloat(full, 4 * static_cast<std::size_t>(i), values[i]);
  full.resize(size, 0xEE);
  return full;
}

std::vector<float> floatsOf(const myCocoaImageColorAdjustInfo& r) {
  return {r.saturation, r.brightness, r.contrast, r.red, r.green, r.blue, r.sharpness, r.gamma, r.exposure, r.hue};
}
std::vector<float> neutral() { return {std::begin(kNeutral), std::end(kNeutral)}; }

fs::path makeImage(const char* prefix, const char* name = "photo.jpg") {
  const fs::path file = makeTempFolder(prefix) / name;
  std::ofstream(file) << "image";
  return file;
}

Bytes fileBytes(const fs::path& file) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(readFileBytes(file, bytes), noErr);
  return Bytes(bytes.begin(), bytes.end());
}

// A record filled with garbage first, so a function that leaves bytes alone shows it.
myCocoaImageColorAdjustInfo dirtyRecord() {
  myCocoaImageColorAdjustInfo record;
  std::memset(static_cast<void*>(&record), 0xA5, sizeof record);
  return record;
}

TEST(ColorAdjustDefaults, AreNeutralAndClearTheReservedBytes) {
  myCocoaImageColorAdjustInfo record = dirtyRecord();
  SetDefaultForMyCocoaImageColorAdjustFromPrefs(&record);
  EXPECT_EQ(floatsOf(record), neutral());
  EXPECT_EQ(Bytes(record.reserved.begin(), record.reserved.end()), Bytes(1008, 0));
  const myCocoaImageColorDefaults* d = getMyCocoaImageColorDefaults();
  EXPECT_EQ((std::vector<float>{d->saturation, d->brightness, d->contrast, d->red, d->green, d->blue, d->sharpness,
                                d->gamma, d->exposure, d->hue}),
            neutral());
}

TEST(ColorAdjustSwap, PutsTheTenFloatsBigEndianAndLeavesTheRest) {
  myCocoaImageColorAdjustInfo record = dirtyRecord();
  SetDefaultForMyCocoaImageColorAdjustFromPrefs(&record);
  record.reserved[0] = 0x12;
  record.gamma = 0.75f;
  swapMyCocoaImageColorAdjustInfo(&record);
  Bytes expected(1048, 0);
  const float values[10] = {1, 0, 1, 1, 1, 1, 0, 0.75f, 0, 0};
  for (int i = 0; i < 10; ++i) putBEFloat(expected, 4 * static_cast<std::size_t>(i), values[i]);
  expected[40] = 0x12;
  EXPECT_EQ(bytesOf(record), expected);
  swapMyCocoaImageColorAdjustInfo(&record);
  EXPECT_EQ(record.gamma.value(), 0.75f);
}

TEST(ColorAdjustValidation, ResetsEachValueOutsideItsRangeAndNothingElse) {
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  const struct {
    int field;  // index in the record's order
    float value;
    float expected;
    bool logged;
  } cases[] = {
      {1, 0.8f, 0.0f, false},  {1, -0.5f, -0.5f, false}, {1, 0.5f, 0.5f, false},  {8, 1.5f, 0.0f, false},
      {8, -1.5f, 0.0f, false}, {8, 1.4f, 1.4f, false},   {9, -1.0f, 0.0f, false}, {9, 1.0f, 0.0f, false},
      {9, 0.9f, 0.9f, false},  {7, 0.1f, 0.1f, false},   {7, 0.09f, 1.0f, false}, {7, 1.5f, 1.5f, false},
      {2, 2.0f, 2.0f, false},  {2, 2.01f, 1.0f, false},  {2, 0.4f, 1.0f, false},  {0, 1.6f, 1.0f, false},
      {0, 0.5f, 0.5f, false},  {3, 0.4f, 1.0f, true},    {3, 1.6f, 1.0f, false},  {4, 0.49f, 1.0f, true},
      {5, 0.0f, 1.0f, true},   {5, 1.5f, 1.5f, false},   {6, 2.0f, 2.0f, false},  {6, -0.1f, 0.0f, false},
      {0, nan, 1.0f, false},   {1, nan, 0.0f, false},    {3, nan, 1.0f, true},    {7, nan, 1.0f, false},
      {8, nan, 0.0f, false},   {9, -inf, 0.0f, false},   {2, inf, 1.0f, false},   {6, inf, 0.0f, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "field " << c.field << " value " << c.value);
    myCocoaImageColorAdjustInfo record = dirtyRecord();
    SetDefaultForMyCocoaImageColorAdjustFromPrefs(&record);
    // Non-neutral values elsewhere show that a check touches only its own field.
    const float others[10] = {1.2f, 0.2f, 1.7f, 0.9f, 1.1f, 1.3f, 1.0f, 0.8f, 0.5f, -0.5f};
    float values[10];
    std::copy(std::begin(others), std::end(others), values);
    values[c.field] = c.value;
    Float32Field* fields[10] = {&record.saturation, &record.brightness, &record.contrast,  &record.red,
                                &record.green,      &record.blue,       &record.sharpness, &record.gamma,
                                &record.exposure,   &record.hue};
    for (int i = 0; i < 10; ++i) *fields[i] = values[i];
    testing::internal::CaptureStderr();
    validateMyCocoaImageColorAdjustInfo(&record);
    const std::string log = testing::internal::GetCapturedStderr();
    values[c.field] = c.expected;
    const std::vector<float> expected(std::begin(values), std::end(values));
    EXPECT_EQ(floatsOf(record), expected);
    EXPECT_EQ(log.find("invalid color adjust Values: red = ") != std::string::npos, c.logged) << log;
  }
}

TEST(ColorAdjustValidation, LogsTheThreeGainsAsNumbers) {
  myCocoaImageColorAdjustInfo record;
  SetDefaultForMyCocoaImageColorAdjustFromPrefs(&record);
  record.red = 0.25f;
  testing::internal::CaptureStderr();
  validateMyCocoaImageColorAdjustInfo(&record);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("invalid color adjust Values: red = 0.250000, green = 1.000000, blue is 1.000000"),
            std::string::npos)
      << log;
}

TEST(ReadStruct2, AnswersMissingTooLargeOrEmptyAndFillsOnlyTheResourcesLength) {
  AppleDouble fork;
  fork.resources.push_back(Resource{kPrefResourceType, 1, 0, std::nullopt, {1, 2, 3}});
  fork.resources.push_back(Resource{kPrefResourceType, 2, 0, std::nullopt, {}});
  fork.resources.push_back(Resource{fourCharCode("TEXT"), 3, 0, std::nullopt, {9}});
  const struct {
    OSType type;
    std::int16_t id;
    std::int64_t capacity;
    std::int16_t result;
    Bytes after;
  } cases[] = {
      {kPrefResourceType, 1, 4, 0, {1, 2, 3, 0xCC}}, {kPrefResourceType, 1, 3, 0, {1, 2, 3, 0xCC}},
      {kPrefResourceType, 1, 2, -2, Bytes(4, 0xCC)}, {kPrefResourceType, 2, 4, -2, Bytes(4, 0xCC)},
      {kPrefResourceType, 3, 4, -1, Bytes(4, 0xCC)}, {fourCharCode("TEXT"), 3, 4, 0, {9, 0xCC, 0xCC, 0xCC}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Bytes destination(4, 0xCC);
    EXPECT_EQ(ReadStruct2(fork, destination.data(), c.capacity, c.type, c.id), c.result);
    EXPECT_EQ(destination, c.after);
  }
}

TEST(LoadColorAdjust, ReadsValidatesOrFallsBackToTheDefaults) {
  const float stored[10] = {1.2f, 0.8f, 1.5f, 0.9f, 1.1f, 1.3f, 0.5f, 0.6f, -0.25f, 0.125f};
  std::vector<float> validated(std::begin(stored), std::end(stored));
  validated[1] = 0;  // brightness 0.8 is out of range
  const struct {
    const char* name;
    std::optional<Bytes> resource;  // none: no sidecar at all
    bool read;
    std::vector<float> values;
  } cases[] = {
      {"whole record", colorAdjustBytes(stored), true, validated},
      {"just the ten floats", colorAdjustBytes(stored, 40), true, validated},
      {"short of the ten floats", colorAdjustBytes(stored, 39), false, neutral()},
      {"one byte too long", colorAdjustBytes(stored, 1049), false, neutral()},
      {"empty", Bytes{}, false, neutral()},
      {"no sidecar", std::nullopt, false, neutral()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path image = makeImage("adjust");
    if (c.resource) ASSERT_EQ(writeResource(image, kPrefResourceType, kColorAdjustResourceID, *c.resource), noErr);
    myCocoaImageColorAdjustInfo record = dirtyRecord();
    EXPECT_EQ(loadColorAdjustFromFile(image, &record), c.read);
    EXPECT_EQ(floatsOf(record), c.values);
  }
}

TEST(LoadColorAdjust, DamagedOrMissingFilesGiveTheDefaultsAndAreLeftAlone) {
  const fs::path image = makeImage("damaged");
  const Bytes garbage = {0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00, 0xFF};
  ASSERT_EQ(writeFileAtomically(appleDoublePath(image), std::span<const std::uint8_t>(garbage), true), noErr);
  const struct {
    const char* name;
    fs::path file;
  } cases[] = {
      {"damaged sidecar", image}, {"missing file", image.parent_path() / "gone.jpg"}, {"folder", image.parent_path()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    myCocoaImageColorAdjustInfo record = dirtyRecord();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadColorAdjustFromFile(c.file, &record));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("loadColorAdjustFromFile"), std::string::npos);
    EXPECT_EQ(floatsOf(record), neutral());
  }
  EXPECT_EQ(fileBytes(appleDoublePath(image)), garbage);
  EXPECT_EQ(fileBytes(image), (Bytes{'i', 'm', 'a', 'g', 'e'}));
}

TEST(LoadColorAdjust, TakesAFileSpecification) {
  const fs::path image = makeImage("spec");
  const float stored[10] = {1, 0.25f, 1, 1, 1, 1, 0, 1, 0, 0};
  ASSERT_EQ(writeResource(image, kPrefResourceType, kColorAdjustResourceID, colorAdjustBytes(stored)), noErr);
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(image, spec), noErr);
  myCocoaImageColorAdjustInfo record;
  EXPECT_TRUE(loadColorAdjustFromFile(spec, &record));
  EXPECT_EQ(record.brightness.value(), 0.25f);
}

tImageProperties sampleProperties() {
  tImageProperties p = tImageProperties::newForSaving();
  p.point0.v = 0x0102;
  p.point0.h = 0x0304;
  p.value4 = 0x0506;
  p.gap6 = 0x0708;
  p.float8 = 2.5f;
  p.value12 = -2;
  p.gap14 = 0x0A0B;
  p.float20 = 0.5f;
  p.value24 = 0x1122;
  p.colorAdjust.red = 1;
  p.colorAdjust.green = -1;
  p.colorAdjust.blue = 32;
  p.colorAdjust.dark = -32;
  p.colorAdjust.light = 0x0203;
  p.colorAdjust.gamma = 7;
  p.point38.v = 0x3344;
  p.point38.h = 0x5566;
  p.reserved[0] = 0x77;
  p.reserved[101] = 0x88;
  return p;
}

// The same record as the stored resource: the listed numbers big-endian, everything else as in memory.
Bytes expectedPropertiesBytes() {
  Bytes b = bytesOf(sampleProperties());  // host order; the unswapped gaps and reserved bytes stay so
  putBE16(b, 0, 0x0102);
  putBE16(b, 2, 0x0304);
  putBE16(b, 4, 0x0506);
  putBEFloat(b, 8, 2.5f);
  putBE16(b, 12, 0xFFFE);
  putBEFloat(b, 16, 1.0f);
  putBEFloat(b, 20, 0.5f);
  putBE16(b, 24, 0x1122);
  const std::uint16_t adjust[6] = {1, 0xFFFF, 32, 0xFFE0, 0x0203, 7};
  for (int i = 0; i < 6; ++i) putBE16(b, 26 + 2 * static_cast<std::size_t>(i), adjust[i]);
  putBE16(b, 38, 0x3344);
  putBE16(b, 40, 0x5566);
  return b;
}

TEST(SwapImageProperties, ConvertsTheListedFieldsOnly) {
  tImageProperties record = sampleProperties();
  swapFromHost_ImageProperties(&record);
  EXPECT_EQ(differingOffsets(bytesOf(record), expectedPropertiesBytes()), std::vector<std::size_t>{});
  // The gaps at 6 and 14 are no fields of the record and stay as they lay.
  const Bytes host = bytesOf(sampleProperties());
  const Bytes swapped = bytesOf(record);
  for (std::size_t at : {6u, 7u, 14u, 15u, 42u, 143u}) EXPECT_EQ(swapped[at], host[at]) << at;
}

const Resource* findResource(const AppleDouble& sidecar, std::int16_t id) {
  for (const Resource& r : sidecar.resources)
    if (r.type == kPrefResourceType && r.id == id) return &r;
  return nullptr;
}

TEST(SaveProperties, StoresBigEndianUnderItsNameKeepsOtherResourcesAndTheCallersRecord) {
  const fs::path image = makeImage("props");
  ASSERT_EQ(writeResource(image, kPrefResourceType, kColorAdjustResourceID, Bytes{1, 2, 3}), noErr);
  FInfo finder;
  finder.fdType = fourCharCode("JPEG");
  finder.fdCreator = fourCharCode("8BIM");
  ASSERT_EQ(setFinderInfo(image, finder), noErr);
  const tImageProperties record = sampleProperties();
  tImageProperties caller = record;
  savePropertiesToFile(image, &caller);
  EXPECT_EQ(bytesOf(caller), bytesOf(record));
  savePropertiesToFile(image, &caller);  // a second save replaces the first, still big-endian

  AppleDouble sidecar;
  ASSERT_EQ(readAppleDouble(image, sidecar), noErr);
  EXPECT_EQ(sidecar.resources.size(), 2u);
  const Resource* stored = findResource(sidecar, kImagePropertiesResourceID);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->name, std::optional<std::string>("Image Properties"));
  EXPECT_EQ(differingOffsets(Bytes(stored->data.begin(), stored->data.end()), expectedPropertiesBytes()),
            std::vector<std::size_t>{});
  EXPECT_EQ(stored->data.size(), 144u);
  ASSERT_NE(findResource(sidecar, kColorAdjustResourceID), nullptr);
  EXPECT_EQ(sidecar.finder(), finder);
  EXPECT_EQ(fileBytes(image), (Bytes{'i', 'm', 'a', 'g', 'e'}));
}

TEST(SaveProperties, WritesNothingWhenTheSidecarIsDamagedOrTheFileMissing) {
  const fs::path image = makeImage("props-bad");
  const Bytes garbage(40, 0x5A);
  ASSERT_EQ(writeFileAtomically(appleDoublePath(image), std::span<const std::uint8_t>(garbage), true), noErr);
  const tImageProperties record = sampleProperties();
  tCKImageProperties ck{};
  testing::internal::CaptureStderr();
  savePropertiesToFile(image, &record);
  saveCKPropertiesToFile(image, &ck);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(fileBytes(appleDoublePath(image)), garbage);
  EXPECT_NE(log.find("aFile->OpenRsrcFork error = -199 while saving properties"), std::string::npos) << log;
  EXPECT_EQ(log.find("CreateRsrcFork"), std::string::npos) << log;

  const fs::path missing = image.parent_path() / "missing.tif";
  testing::internal::CaptureStderr();
  savePropertiesToFile(missing, &record);
  saveCKPropertiesToFile(missing, &ck);
  const std::string missingLog = testing::internal::GetCapturedStderr();
  EXPECT_NE(missingLog.find("aFile->CreateRsrcFork error = -43 while saving properties"), std::string::npos);
  EXPECT_NE(missingLog.find("aFile->OpenRsrcFork error = -43 while saving properties"), std::string::npos);
  EXPECT_FALSE(fs::exists(appleDoublePath(missing)));
  EXPECT_FALSE(fs::exists(missing));
}

TEST(SaveCKProperties, StoresTheRecordAsHandedOverAndLeavesThePermissions) {
  const fs::path image = makeImage("ck");
  ASSERT_EQ(::chmod(image.c_str(), 0640), 0);
  tCKImageProperties record{};
  record.image = sampleProperties();
  for (std::size_t i = 0; i < record.keyCoefficients.size(); ++i)
    record.keyCoefficients[i] = static_cast<unsigned char>(i * 7);
  record.reserved11320[19] = 0x99;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);  // the second save finds the fork there: no log line for making it
    testing::internal::CaptureStderr();
    saveCKPropertiesToFile(image, &record);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("CreateRsrcFork"), std::string::npos);
  }
  AppleDouble sidecar;
  ASSERT_EQ(readAppleDouble(image, sidecar), noErr);
  ASSERT_EQ(sidecar.resources.size(), 1u);
  const Resource& stored = sidecar.resources[0];
  EXPECT_EQ(stored.id, kCKImagePropertiesResourceID);
  EXPECT_EQ(stored.name, std::optional<std::string>("CK Image Properties"));
  EXPECT_EQ(Bytes(stored.data.begin(), stored.data.end()), bytesOf(record));
  struct stat info {};
  ASSERT_EQ(::stat(image.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(SaveCKProperties, TakesAFileSpecification) {
  const fs::path image = makeImage("ck-spec");
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(image, spec), noErr);
  tCKImageProperties record{};
  record.reserved11080[0] = 0x42;
  saveCKPropertiesToFile(spec, &record);
  const tImageProperties properties = sampleProperties();
  savePropertiesToFile(spec, &properties);
  AppleDouble sidecar;
  ASSERT_EQ(readAppleDouble(image, sidecar), noErr);
  ASSERT_NE(findResource(sidecar, kCKImagePropertiesResourceID), nullptr);
  EXPECT_EQ(findResource(sidecar, kCKImagePropertiesResourceID)->data[11080], 0x42);
  ASSERT_NE(findResource(sidecar, kImagePropertiesResourceID), nullptr);
}

}  // namespace
}  // namespace vorl::test
