// What every page object shares: its rectangle at a resolution, the print-to-file skip rule, the defaults of a
// new object, copies, and the answer of objects that cannot draw yet.
#include "layout/layout_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "layout/attribute_objects.h"
#include "layout/descriptor_byte_order.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/object_records.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

std::unique_ptr<TLayoutObject> backColorAt(float x, float y, float width, float height) {
  CBackColorDesc desc;
  desc.layout.x = x;
  desc.layout.y = y;
  desc.layout.width = width;
  desc.layout.height = height;
  return TBackColorObject::New(desc);
}

TEST(LayoutObject, RectangleIsTheSinglePrecisionProductTruncatedTowardZero) {
  const struct {
    float x, y, width, height;
    std::int16_t resolution;
    std::int16_t top, left, bottom, right;
  } cases[] = {
      {0.0f, 0.0f, 1.0f, 1.0f, 300, 0, 0, 300, 300},
      // In single precision 100 x 0.29f is 29.0; in double it would be 28.99999917 and truncate to 28.
      {0.29f, 0.57f, 0.29f, 0.7f, 100, 57, 29, 127, 58},
      // x + width is summed before the product: 100 x 0.01f reaches 1, twice 100 x 0.005f does not.
      {0.005f, 0.005f, 0.005f, 0.005f, 100, 0, 0, 1, 1},
      // Negative places truncate toward zero, not down.
      {-0.5f, -0.01f, 1.0f, 1.0f, 300, -3, -150, 297, 150},
      {100.0f, 0.0f, 9.0f, 1.0f, 300, 0, 30000, 300, 32700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.width << "x" << c.height << " @" << c.resolution);
    const auto rect = backColorAt(c.x, c.y, c.width, c.height)->objectRectangle(c.resolution);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->top, c.top);
    EXPECT_EQ(rect->left, c.left);
    EXPECT_EQ(rect->bottom, c.bottom);
    EXPECT_EQ(rect->right, c.right);
  }
}

TEST(LayoutObject, RectangleThatCannotBeA16BitRectangleIsRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const struct {
    const char* name;
    float x, y, width, height;
  } cases[] = {
      {"right edge past 32767", 100.0f, 0.0f, 10.0f, 1.0f},
      {"left edge below -32768", -110.0f, 0.0f, 1.0f, 1.0f},
      {"not a number", nan, 0.0f, 1.0f, 1.0f},
      {"infinite height", 0.0f, 0.0f, 1.0f, infinity},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(backColorAt(c.x, c.y, c.width, c.height)->objectRectangle(300).has_value());
  }
}

TEST(LayoutObject, SkipFlagLeavesObjectsOutOnlyOnPrintToFileSetPrinters) {
  const struct {
    std::int16_t printerType;
    bool setPrinter;
  } cases[] = {{25, true},  {26, true},  {27, true},  {28, true},  {49, true},  {50, true},  {51, true}, {52, true},
               {24, false}, {29, false}, {30, false}, {48, false}, {53, false}, {17, false}, {8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.printerType);
    EXPECT_EQ(skipsOnPrinter(1, c.printerType), c.setPrinter);
    EXPECT_EQ(skipsOnPrinter(-7, c.printerType), c.setPrinter) << "any non-zero flag counts";
    EXPECT_FALSE(skipsOnPrinter(0, c.printerType));
  }
}

TEST(LayoutObject, NewObjectsStartWithTheirDefaults) {
  const TTextObject text;
  EXPECT_EQ(text.text().macRoman(), "test String");
  EXPECT_EQ(text.style().size, 12);
  EXPECT_EQ(text.style().font, 3);
  EXPECT_EQ(text.style().color.red, 0);

  TDatabaseObject database;
  database.IDatabaseObject({});
  EXPECT_TRUE(database.text().empty()) << "a database text never shows the sample text";
  EXPECT_EQ(database.databaseValue1(), 1);
  EXPECT_EQ(TEditTextObject().editValue(), 1);
  EXPECT_EQ(TStampObject().stampValue(), 1);
  EXPECT_TRUE(TStampObject().text().empty());

  const TImageObject image;
  EXPECT_EQ(image.photoFile().vRefNum, -100);
  EXPECT_EQ(image.photoFile().parID, 0);

  TGroupPhotoObject group;
  group.IGroupPhotoObject({});
  EXPECT_EQ(group.photoFile().vRefNum, -999);
  EXPECT_EQ(group.photoFile().parID, -999);
  EXPECT_EQ(group.overlayValue(), 1);
  EXPECT_EQ(TTransparentOverlayObject().overlayMode(), 1);

  TBackColorObject background;
  background.IBackColorObject({});
  EXPECT_EQ(background.color().red, 0xFFFF);
  EXPECT_EQ(background.color().blue, 0xFFFF);

  TNodeViewObject node;
  node.INodeViewObject({}, FSSpec{});
  EXPECT_EQ(node.rotationCode(), 3);
  EXPECT_FALSE(node.HasNoObjects()) << "a node without a list is not an empty node";
  EXPECT_EQ(node.GetImageObjectFromNode(), nullptr);
}

TEST(LayoutObject, CloneCopiesANodeWithItsOwnObjects) {
  test::NodeSpec spec;
  spec.records = {test::imageRecord({}), test::textRecord({})};
  const test::Bytes bytes = test::nodeRecord(spec);
  JobFileStream stream(bytes);
  std::unique_ptr<TLayoutObject> original;
  ASSERT_TRUE(readObjectRecord(stream, ObjectListKind::Page, original));

  const std::unique_ptr<TLayoutObject> copy = original->Clone();
  const auto& node = static_cast<const TNodeViewObject&>(*original);
  const auto& copied = static_cast<const TNodeViewObject&>(*copy);
  EXPECT_EQ(copied.type(), kNodeObjectType);
  EXPECT_EQ(copied.rotationCode(), node.rotationCode());
  EXPECT_EQ(copied.x(), node.x());
  ASSERT_EQ(copied.objects()->size(), 2u);
  EXPECT_NE(copied.objects()->at(0).get(), node.objects()->at(0).get()) << "the copy owns objects of its own";
  EXPECT_EQ(copied.GetImageObjectFromNode()->photoFile().name.macRoman(), test::ImageSpec{}.photoName);
}

// Given no page, the objects that put ink on it fail the page rather than print without it; an empty node has
// nothing to draw, and background colours and attributes never fail.
TEST(LayoutObject, WithoutAPageOnlyObjectsThatInkItFail) {
  const struct {
    test::Bytes record;
    bool succeeds;
  } cases[] = {
      {test::imageRecord({}), false}, {test::textRecord({}), false}, {test::editTextRecord({}), false},
      {test::databaseRecord({}), false}, {test::stampRecord({}), false}, {test::nodeRecord({}), true},
      {test::backColorRecord({}), true},
  };
  for (const auto& c : cases) {
    JobFileStream stream(c.record);
    std::unique_ptr<TLayoutObject> object;
    ASSERT_TRUE(readObjectRecord(stream, ObjectListKind::Page, object));
    SCOPED_TRACE(object->type());
    EXPECT_EQ(object->Draw4Printing(nullptr, 300, nullptr), c.succeeds);
  }
  TAttributeObject attribute;
  EXPECT_TRUE(attribute.Draw4Printing(nullptr, 300, nullptr));
}

}  // namespace
}  // namespace vorl
