// Reading object records: every type's fields arrive as the fixture writer put them at their offsets in the file
// layout, and records that are short, long, unknown or broken leave the reader where the next record starts, or fail.
#include "layout/object_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "layout/attribute_objects.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"
#include "tests/support/record_writer.h"

namespace vorl {
namespace {

using test::Bytes;

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Reads the records one after another; stops at the first failure.
struct ReadResult {
  std::vector<std::unique_ptr<TLayoutObject>> objects;  // null entries: skipped unknown records
  bool ok = true;
  std::size_t position = 0;
};

ReadResult readAll(const Bytes& bytes, int records, ObjectListKind kind = ObjectListKind::Page) {
  JobFileStream stream(bytes);
  ReadResult result;
  for (int i = 0; i < records && result.ok; ++i) {
    std::unique_ptr<TLayoutObject> object;
    result.ok = readObjectRecord(stream, kind, object);
    if (result.ok) result.objects.push_back(std::move(object));
  }
  result.position = stream.position();
  return result;
}

template <class T>
const T& only(const ReadResult& result, OSType type) {
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.objects.size(), 1u);
  const TLayoutObject* object = result.objects.empty() ? nullptr : result.objects.front().get();
  if (!object || object->type() != type) throw std::runtime_error("not the expected object");
  return static_cast<const T&>(*object);
}

void expectPlacement(const TLayoutObject& object, const test::Placement& at) {
  CLongRect_AC bounds;
  object.GetBounds(bounds);
  EXPECT_EQ(bounds, (CLongRect_AC{at.top, at.left, at.bottom, at.right}));
  CLongPoint_AC corner;
  object.GetRealPageOffset(corner);
  EXPECT_EQ(corner, (CLongPoint_AC{at.top, at.left}));
  EXPECT_EQ(object.x(), at.x);
  EXPECT_EQ(object.y(), at.y);
  EXPECT_EQ(object.width(), at.width);
  EXPECT_EQ(object.height(), at.height);
  EXPECT_EQ(object.resolution(), 72);
}

void expectStyle(const tTextInfo& style, const test::TextStyleSpec& spec) {
  EXPECT_EQ(style.color.red, spec.color[0]);
  EXPECT_EQ(style.color.green, spec.color[1]);
  EXPECT_EQ(style.color.blue, spec.color[2]);
  EXPECT_EQ(style.size, spec.size);
  EXPECT_EQ(style.font, spec.font);
  EXPECT_EQ(style.face, spec.face);
  EXPECT_EQ(style.justification, spec.justification);
}

TEST(ObjectRecords, ImageDescriptorArrivesFieldByField) {
  const test::ImageSpec spec;
  const auto result = readAll(test::imageRecord(spec), 1);
  const auto& image = only<TImageObject>(result, kImageObjectType);
  expectPlacement(image, spec.at);
  EXPECT_EQ(image.fitMode(), spec.fitMode);
  EXPECT_EQ(image.photoFile().vRefNum, spec.photoVolume);
  EXPECT_EQ(image.photoFile().parID, spec.photoFolder);
  EXPECT_EQ(image.photoFile().name.macRoman(), spec.photoName);
  EXPECT_EQ(image.rotationAngle(), spec.rotation);
  EXPECT_EQ(image.offset().v, spec.offsetV);
  EXPECT_EQ(image.offset().h, spec.offsetH);
  EXPECT_EQ(image.insetSteps(), spec.insetSteps);
  const myImageColorAdjustInfo& adjust = image.colorAdjust();
  EXPECT_EQ(
      (std::array<std::int16_t, 6>{adjust.red, adjust.green, adjust.blue, adjust.dark, adjust.light, adjust.gamma}),
      spec.colorAdjust);
  EXPECT_EQ(image.graphicCategory().macRoman(), spec.graphicCategory);
  EXPECT_EQ(image.graphicName().macRoman(), spec.graphicName);
  EXPECT_FALSE(image.keyed());
  EXPECT_EQ(image.borderFlag(), spec.borderFlag);
  EXPECT_EQ(image.borderWidth(), spec.borderWidth);
  // The border colour and the box scale are stored little-endian: no converter lists them.
  EXPECT_EQ(image.borderColor().red, spec.borderColor[0]);
  EXPECT_EQ(image.borderColor().green, spec.borderColor[1]);
  EXPECT_EQ(image.borderColor().blue, spec.borderColor[2]);
  EXPECT_EQ(image.boxScale(), spec.boxScale);
  EXPECT_EQ(image.imageNumber(), spec.imageNumber);
  EXPECT_EQ(image.keptByte(), spec.keptByte);
  EXPECT_EQ(image.keptValue(), spec.keptValue);
  EXPECT_EQ(image.angledFlag(), spec.angledFlag);
  EXPECT_EQ(image.angle(), spec.angle);
  EXPECT_EQ(image.angleDirection(), spec.angleDirection);
  EXPECT_EQ(image.useCropBounds(), spec.useCropBounds);
  EXPECT_EQ(image.cropBounds(), spec.cropBounds);
  EXPECT_EQ(result.position, 44u + 592u);
}

TEST(ObjectRecords, KeyedImageTakesTheSettingsThatFollowItRaw) {
  test::ImageSpec spec;
  spec.key = test::KeySettingsSpec{};
  const Bytes settingsBytes = test::chromaKeySettingsBytes(*spec.key);
  const auto result = readAll(joined({test::imageRecord(spec), test::backColorRecord({})}), 2);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.objects.size(), 2u);
  EXPECT_EQ(result.objects[1]->type(), kBackColorObjectType) << "the next record starts after the 11,444 bytes";
  const auto& image = static_cast<const TImageObject&>(*result.objects[0]);
  ASSERT_TRUE(image.keyed());
  ASSERT_NE(image.chromaKeySettings(), nullptr);
  const tChromaKeySettings& settings = *image.chromaKeySettings();
  EXPECT_EQ(settings.coefficients.backing[1], spec.key->backing[1]);
  EXPECT_EQ(settings.coefficients.options, spec.key->options);
  EXPECT_EQ(settings.coefficients.radii[2][65], spec.key->radius);
  EXPECT_EQ(settings.opaque[311], spec.key->opaqueTailByte);
  EXPECT_EQ(0, std::memcmp(image.keyCoefficients().data(), settingsBytes.data(), 10864));
  EXPECT_EQ(image.defocus(), spec.key->defocus);
  EXPECT_EQ(image.inwardFlag(), spec.key->inwardFlag);
  EXPECT_EQ(image.shrink(), spec.key->shrink);
  EXPECT_EQ(image.exclusionRect().rect.top, spec.key->exclusionRect[0]);
  EXPECT_EQ(image.exclusionRect().rect.right, spec.key->exclusionRect[3]);
  EXPECT_EQ(image.exclusionRect().word8, spec.key->exclusionWord);
}

TEST(ObjectRecords, ImplausibleOrMissingChromaKeySettingsFailTheRecord) {
  test::ImageSpec spec;
  spec.key = test::KeySettingsSpec{};
  spec.key->bigEndian = true;
  EXPECT_FALSE(readAll(test::imageRecord(spec), 1).ok) << "a big-endian dump";
  spec.key->bigEndian = false;
  Bytes cut = test::imageRecord(spec);
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(readAll(cut, 1).ok) << "settings one byte short";
}

// An option bit the keyer does not name costs the job nothing: the image is keyed without it and the log says so.
TEST(ObjectRecords, UnnamedKeyOptionBitsAreLoggedAndDropped) {
  test::ImageSpec spec;
  spec.key = test::KeySettingsSpec{};
  spec.key->options = 0x10 | 0x1;
  testing::internal::CaptureStderr();
  const auto result = readAll(test::imageRecord(spec), 1);
  const std::string log = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(result.ok);
  const auto& image = static_cast<const TImageObject&>(*result.objects[0]);
  EXPECT_EQ(image.chromaKeySettings()->coefficients.options, 0x10u);
  EXPECT_NE(log.find("option bits 0x1 not known here"), std::string::npos) << log;
}

TEST(ObjectRecords, TextFamilyDescriptorsArriveFieldByField) {
  const test::TextSpec textSpec;
  const auto textRead = readAll(test::textRecord(textSpec), 1);
  const auto& text = only<TTextObject>(textRead, kTextObjectType);
  expectPlacement(text, textSpec.at);
  EXPECT_EQ(text.text().macRoman(), textSpec.text);
  expectStyle(text.style(), textSpec.style);
  EXPECT_EQ(text.rotation(), textSpec.rotation);
  EXPECT_EQ(text.skipFlag(), textSpec.skipFlag);
  EXPECT_EQ(text.keptValue(), textSpec.keptValue);
  EXPECT_EQ(text.codeType(), textSpec.codeType);

  const test::EditTextSpec editSpec;
  const auto editRead = readAll(test::editTextRecord(editSpec), 1);
  const auto& edit = only<TEditTextObject>(editRead, kEditTextObjectType);
  EXPECT_EQ(edit.text().macRoman(), editSpec.text);
  expectStyle(edit.style(), editSpec.style);
  EXPECT_EQ(edit.rotation(), editSpec.rotation);
  EXPECT_EQ(edit.editValue(), editSpec.editValue);
  EXPECT_EQ(edit.skipFlag(), editSpec.skipFlag);
  EXPECT_EQ(edit.codeType(), 0) << "edit text never prints as a code";

  const test::DatabaseSpec databaseSpec;
  const auto databaseRead = readAll(test::databaseRecord(databaseSpec), 1);
  const auto& database = only<TDatabaseObject>(databaseRead, kDatabaseObjectType);
  EXPECT_EQ(database.text().macRoman(), databaseSpec.text);
  EXPECT_EQ(database.rotation(), databaseSpec.rotation);
  EXPECT_EQ(database.databaseValue1(), databaseSpec.value1);
  EXPECT_EQ(database.databaseValue2(), databaseSpec.value2);
  EXPECT_EQ(database.skipFlag(), 0) << "database text never skips itself";
  EXPECT_EQ(database.codeType(), 0);
}

TEST(ObjectRecords, StampDescriptorArrivesFieldByField) {
  const test::StampSpec spec;
  const auto stampRead = readAll(test::stampRecord(spec), 1);
  const auto& stamp = only<TStampObject>(stampRead, kStampObjectType);
  expectPlacement(stamp, spec.at);
  EXPECT_EQ(stamp.text().macRoman(), spec.text);
  expectStyle(stamp.style(), spec.style);
  EXPECT_EQ(stamp.rotation(), spec.rotation);
  EXPECT_EQ(stamp.stampValue(), spec.stampValue);
  EXPECT_TRUE(stamp.firstStampFlag());
  EXPECT_FALSE(stamp.secondStampFlag());
  EXPECT_EQ(stamp.skipFlag(), spec.skipFlag) << "stored little-endian";
  EXPECT_EQ(stamp.keptValue(), spec.keptValue);
  EXPECT_EQ(stamp.codeType(), spec.codeType);
}

TEST(ObjectRecords, OverlayDescriptorsArriveFieldByField) {
  test::OverlaySpec spec;
  spec.mode = 4;
  for (const char* type : {"fovl", "tran"}) {
    SCOPED_TRACE(type);
    const Bytes record =
        std::string_view(type) == "fovl" ? test::fileOverlayRecord(spec) : test::transparentOverlayRecord(spec);
    const auto result = readAll(record, 1);
    ASSERT_TRUE(result.ok);
    const TLayoutObject& object = *result.objects.at(0);
    expectPlacement(object, spec.at);
    const auto& fields = object.type() == kFileOverlayObjectType
                             ? static_cast<const OverlayFileFields&>(static_cast<const TFileOverlayObject&>(object))
                             : static_cast<const TTransparentOverlayObject&>(object);
    EXPECT_EQ(object.type(), fourCharCode(type));
    EXPECT_EQ(fields.graphicFile().vRefNum, spec.volume);
    EXPECT_EQ(fields.graphicFile().parID, spec.folder);
    EXPECT_EQ(fields.graphicFile().name.macRoman(), spec.name);
    EXPECT_EQ(fields.category().macRoman(), spec.category);
    EXPECT_TRUE(fields.flagA());
    EXPECT_TRUE(fields.flagB());
    EXPECT_EQ(fields.overlayMode(), 4);
    EXPECT_EQ(static_cast<const TOverlayObject&>(object).skipFlag(), spec.skipFlag);
    EXPECT_EQ(static_cast<const TOverlayObject&>(object).overlayValue(), 1);
  }
}

TEST(ObjectRecords, AStoredOverlayModeOfZeroFollowsTheFlags) {
  const struct {
    std::int16_t flagA, flagB, mode, expected;
  } cases[] = {{1, 1, 0, 3}, {0, 1, 0, 3}, {1, 0, 0, 2}, {0, 0, 0, 1}, {1, 1, 5, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flagA << c.flagB << c.mode);
    test::OverlaySpec spec;
    spec.flagA = c.flagA;
    spec.flagB = c.flagB;
    spec.mode = c.mode;
    const auto overlayRead = readAll(test::fileOverlayRecord(spec), 1);
    const auto& overlay = only<TFileOverlayObject>(overlayRead, kFileOverlayObjectType);
    EXPECT_EQ(overlay.overlayMode(), c.expected);
  }
}

TEST(ObjectRecords, GroupPhotoAttributeAndBackColorArriveFieldByField) {
  const test::GroupPhotoSpec groupSpec;
  const auto groupRead = readAll(test::groupPhotoRecord(groupSpec), 1);
  const auto& group = only<TGroupPhotoObject>(groupRead, kGroupPhotoObjectType);
  expectPlacement(group, groupSpec.at);
  EXPECT_EQ(group.photoFile().vRefNum, groupSpec.volume);
  EXPECT_EQ(group.photoFile().parID, groupSpec.folder);
  EXPECT_EQ(group.photoFile().name.macRoman(), groupSpec.name);
  EXPECT_EQ(group.category().macRoman(), groupSpec.category);

  test::AttributeSpec attributeSpec;
  attributeSpec.subjobResizeMode = 2;
  attributeSpec.saveOriginal = 0;
  const auto attributeRead = readAll(test::attributeRecord(attributeSpec), 1);
  const auto& attribute = only<TAttributeObject>(attributeRead, kAttributeObjectType);
  EXPECT_EQ(attribute.subjobResizeMode(), 2);
  EXPECT_EQ(attribute.saveTemplateAsIs(), 1);
  EXPECT_EQ(attribute.ignoreOverlays(), 1);
  EXPECT_EQ(attribute.saveOriginal(), 0);

  test::BackColorSpec colorSpec;
  colorSpec.skipFlag = 1;
  const auto backgroundRead = readAll(test::backColorRecord(colorSpec), 1);
  const auto& background = only<TBackColorObject>(backgroundRead, kBackColorObjectType);
  expectPlacement(background, colorSpec.at);
  EXPECT_EQ(background.color().red, colorSpec.color[0]);
  EXPECT_EQ(background.color().green, colorSpec.color[1]);
  EXPECT_EQ(background.color().blue, colorSpec.color[2]);
  EXPECT_EQ(background.skipFlag(), 1);
}

TEST(ObjectRecords, NodeReadsItsOwnListAndKeepsTheLowBytesOfItsSwitches) {
  test::NodeSpec spec;
  test::ImageSpec keyed;
  keyed.key = test::KeySettingsSpec{};
  spec.records = {test::backColorRecord({}), test::imageRecord(keyed), test::textRecord({})};
  const auto result = readAll(joined({test::nodeRecord(spec), test::attributeRecord({})}), 2);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.objects.size(), 2u);
  EXPECT_EQ(result.objects[1]->type(), kAttributeObjectType) << "the page list goes on after the node's records";
  const auto& node = static_cast<const TNodeViewObject&>(*result.objects[0]);
  expectPlacement(node, spec.at);
  EXPECT_EQ(node.jobFile().name.macRoman(), spec.jobFileName);
  EXPECT_EQ(node.jobFile().parID, spec.folder);
  EXPECT_EQ(node.rotationCode(), spec.rotationCode);
  EXPECT_EQ(node.keptValue(), spec.keptValue);
  EXPECT_TRUE(node.mirror());
  EXPECT_FALSE(node.color()) << "0x0100 has a clear low byte";
  EXPECT_TRUE(node.sepia());
  EXPECT_EQ(node.oldTimeBlend(), spec.oldTimeBlend) << "stored little-endian";
  EXPECT_EQ(node.cacheSwitch(), 1) << "a node from a record always has the switch set";
  ASSERT_NE(node.objects(), nullptr);
  ASSERT_EQ(node.objects()->size(), 3u);
  EXPECT_EQ(node.objects()->at(0)->type(), kBackColorObjectType);
  EXPECT_EQ(node.objects()->at(2)->type(), kTextObjectType);
  const TImageObject* first = node.GetImageObjectFromNode();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->keyed());
  EXPECT_EQ(first->defocus(), keyed.key->defocus) << "nested keyed images take the matte values too";
  EXPECT_FALSE(node.HasNoObjects());
}

TEST(ObjectRecords, NodeListCountsOutsideTheFormatFailTheRecord) {
  const struct {
    std::int32_t count;
    bool readable;
    bool empty;
  } cases[] = {{0, true, true}, {-1, false, false}, {32768, false, false}, {1, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    test::NodeSpec spec;
    spec.count = c.count;  // no records follow, so a count of 1 runs off the end
    const auto result = readAll(test::nodeRecord(spec), 1);
    EXPECT_EQ(result.ok, c.readable);
    if (result.ok) {
      EXPECT_EQ(static_cast<const TNodeViewObject&>(*result.objects.at(0)).HasNoObjects(), c.empty);
    }
  }
}

TEST(ObjectRecords, NodeInsideANodeListIsReportedAndFailsTheRecord) {
  test::MessageRecorder messages;
  test::NodeSpec inner;
  test::NodeSpec outer;
  outer.records = {test::nodeRecord(inner)};
  EXPECT_FALSE(readAll(test::nodeRecord(outer), 1).ok);
  EXPECT_EQ(messages.messages().size(), 2u) << "the unknown-object messages";
}

TEST(ObjectRecords, UnknownTypesAreReportedAndSkippedWhole) {
  for (std::int32_t size : {0, 10, 4096, 5000}) {
    SCOPED_TRACE(size);
    test::MessageRecorder messages;
    const auto result = readAll(joined({test::unknownRecord("xxxx", size), test::backColorRecord({})}), 2);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.objects.at(0), nullptr);
    EXPECT_EQ(result.objects.at(1)->type(), kBackColorObjectType);
    char details[64];
    std::snprintf(details, sizeof details, "Object type is: [0x%02x] with size [0x%x]", fourCharCode("xxxx"),
                  static_cast<unsigned>(size));
    EXPECT_EQ(messages.messages(), (std::vector<std::string>{"Unknown Object; object will be ignored\u2026", details}));
  }
}

TEST(ObjectRecords, ARecordShorterThanItsDescriptorLeavesTheRestZero) {
  // A full text record, then one cut before its tail: the second must not inherit the first's code type.
  const Bytes full = test::textRecord({});
  Bytes descriptor = test::textDescriptor({});
  descriptor.resize(432);
  const auto result = readAll(joined({full, test::objectRecord("text", descriptor)}), 2);
  ASSERT_TRUE(result.ok);
  const auto& shortText = static_cast<const TTextObject&>(*result.objects.at(1));
  EXPECT_EQ(shortText.rotation(), test::TextSpec{}.rotation);
  EXPECT_EQ(shortText.skipFlag(), 0);
  EXPECT_EQ(shortText.codeType(), 0);
}

TEST(ObjectRecords, ARecordLongerThanItsDescriptorIsReadToItsSizeAndTheRestSkipped) {
  Bytes descriptor = test::backColorDescriptor({});
  descriptor.resize(descriptor.size() + 100, 0x99);
  const auto result = readAll(joined({test::objectRecord("bkco", descriptor), test::textRecord({})}), 2);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.objects.at(0)->type(), kBackColorObjectType);
  EXPECT_EQ(result.objects.at(1)->type(), kTextObjectType);
}

TEST(ObjectRecords, BrokenRecordsFail) {
  test::ImageSpec longName;
  Bytes imageWithLongName = test::imageDescriptor(longName);
  imageWithLongName[168] = 64;  // the photo name's length byte, one more than a Str63 holds
  Bytes imageWithLongCategory = test::imageDescriptor(longName);
  imageWithLongCategory[254] = 32;
  Bytes overlayWithLongCategory = test::overlayDescriptor({});
  overlayWithLongCategory[230] = 40;
  Bytes nodeWithLongName = test::nodeDescriptor({});
  nodeWithLongName[166] = 200;
  Bytes truncated = test::stampRecord({});
  truncated.resize(truncated.size() - 1);

  const struct {
    const char* name;
    Bytes record;
  } cases[] = {
      {"negative size", test::objectRecord("text", test::textDescriptor({}), -1)},
      {"negative size of an unknown type", test::unknownRecord("zzzz", -4)},
      {"size past the end", test::objectRecord("bkco", test::backColorDescriptor({}), 425)},
      {"unknown type past the end", test::objectRecord("zzzz", test::Bytes(10), 11)},
      {"record cut short", truncated},
      {"header only", Bytes(40, 0)},
      {"photo name too long", test::objectRecord("imag", imageWithLongName)},
      {"graphic category too long", test::objectRecord("imag", imageWithLongCategory)},
      {"overlay category too long", test::objectRecord("tran", overlayWithLongCategory)},
      {"node file name too long", test::objectRecord("node", nodeWithLongName, {}, Bytes(4, 0))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::MessageRecorder messages;
    EXPECT_FALSE(readAll(c.record, 1).ok);
  }
}

}  // namespace
}  // namespace vorl
