// The older streamed form of the page objects and making them by class name. Every stream here is put together
// byte by byte by the test's own encoder from the documented field lists, in both byte orders, so a reader that
// took a field in the wrong order, width or place would not read it back.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "layout/attribute_objects.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/object_class_registry.h"
#include "layout/object_stream.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "preferences/preference_globals.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

// Typed numbers in the stream's order; raw numbers little-endian, as the producer's memory held them.
class HandMadeStream {
 public:
  explicit HandMadeStream(StreamByteOrder order) : order_(order) {}

  HandMadeStream& typed16(int value) { return word(static_cast<std::uint16_t>(value), 2, bigEndian()); }
  HandMadeStream& typed32(std::int64_t value) { return word(static_cast<std::uint32_t>(value), 4, bigEndian()); }
  HandMadeStream& boolean(bool value) { return byte(value ? 1 : 0); }
  HandMadeStream& raw16(int value) { return word(static_cast<std::uint16_t>(value), 2, false); }
  HandMadeStream& raw32(std::int64_t value) { return word(static_cast<std::uint32_t>(value), 4, false); }
  HandMadeStream& rawFloat(float value) { return word(std::bit_cast<std::uint32_t>(value), 4, false); }
  HandMadeStream& byte(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  HandMadeStream& zeros(std::size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
  }
  // A length-prefixed string in a field of `fieldSize` bytes, length byte included.
  HandMadeStream& pascal(const std::string& text, std::size_t fieldSize) {
    byte(static_cast<std::uint8_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return zeros(fieldSize - 1 - text.size());
  }
  HandMadeStream& fsspec(int volume, std::int64_t folder, const std::string& name) {
    return raw16(volume).raw32(folder).pascal(name, 64);
  }
  HandMadeStream& className(const std::string& name) {
    byte(static_cast<std::uint8_t>(name.size()));
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    return *this;
  }
  // The part every object's form opens with.
  HandMadeStream& base(const char* type, float x = 1.5f, float y = 2.25f, float width = 3.0f, float height = 0.5f) {
    raw32(10).raw32(20).raw32(110).raw32(220);
    typed32(std::int64_t{fourCharCode(type)});
    return rawFloat(x).rawFloat(y).rawFloat(width).rawFloat(height);
  }
  HandMadeStream& append(const std::vector<std::uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  bool bigEndian() const { return order_ == StreamByteOrder::bigEndian; }

 private:
  HandMadeStream& word(std::uint32_t value, int width, bool bigEndianWord) {
    for (int i = 0; i < width; ++i) byte(static_cast<std::uint8_t>(value >> (bigEndianWord ? 8 * (width - 1 - i) : 8 * i)));
    return *this;
  }

  StreamByteOrder order_;
  std::vector<std::uint8_t> bytes_;
};

const char* orderName(StreamByteOrder order) { return order == StreamByteOrder::bigEndian ? "big" : "little"; }

void expectCommonPart(const TLayoutObject& object, const char* type) {
  CLongRect_AC bounds;
  object.GetBounds(bounds);
  EXPECT_EQ(bounds, (CLongRect_AC{10, 20, 110, 220}));
  EXPECT_EQ(object.type(), fourCharCode(type));
  EXPECT_EQ(object.x(), 1.5f);
  EXPECT_EQ(object.y(), 2.25f);
  EXPECT_EQ(object.width(), 3.0f);
  EXPECT_EQ(object.height(), 0.5f);
}

template <class Object>
const Object& as(const TLayoutObject& object) {
  const auto* typed = dynamic_cast<const Object*>(&object);
  EXPECT_NE(typed, nullptr);
  return *typed;
}

// One class's stream after its name, and what the object read from it holds.
struct StreamCase {
  const char* className;
  const char* type;
  std::function<void(HandMadeStream&)> write;
  std::function<void(const TLayoutObject&)> check;
};

std::vector<StreamCase> streamCases() {
  return {
      {"TTextObject", "text",
       [](HandMadeStream& s) {
         s.base("text").pascal("Class of 2026", 256);
         s.raw16(0x1111).raw16(0x2222).raw16(0x3333).raw16(18).raw16(21).raw16(1).raw16(2);  // style
         s.typed16(90).zeros(1022);
       },
       [](const TLayoutObject& o) {
         const auto& text = as<TTextObject>(o);
         EXPECT_EQ(text.text().toUtf8(), "Class of 2026");
         EXPECT_EQ(text.style().color.red, 0x1111);
         EXPECT_EQ(text.style().color.blue, 0x3333);
         EXPECT_EQ(text.style().size, 18);
         EXPECT_EQ(text.style().font, 21);
         EXPECT_EQ(text.style().justification, 2);
         EXPECT_EQ(text.rotation(), 90);
       }},
      {"TEditTextObject", "edtx",
       [](HandMadeStream& s) {
         s.base("edtx").pascal("Name", 256).zeros(14).typed16(270).typed16(-7).zeros(1022);
       },
       [](const TLayoutObject& o) {
         const auto& text = as<TEditTextObject>(o);
         EXPECT_EQ(text.text().toUtf8(), "Name");
         EXPECT_EQ(text.rotation(), 270);
         EXPECT_EQ(text.editValue(), -7);
       }},
      {"TDatabaseObject", "dtbs",
       [](HandMadeStream& s) { s.base("dtbs").pascal("Grade", 256).zeros(14).typed16(180).typed16(4).zeros(1022); },
       [](const TLayoutObject& o) {
         const auto& text = as<TDatabaseObject>(o);
         EXPECT_EQ(text.text().toUtf8(), "Grade");
         EXPECT_EQ(text.rotation(), 180);
         EXPECT_EQ(text.databaseValue1(), 4);
       }},
      {"TStampObject", "stmp",
       [](HandMadeStream& s) {
         s.base("stmp").raw16(0).raw16(0).raw16(0xFFFF).raw16(36).raw16(3).raw16(0).raw16(1);
         s.typed16(12).pascal("PROOF", 256).typed16(90).boolean(true).boolean(false).zeros(1020);
       },
       [](const TLayoutObject& o) {
         const auto& stamp = as<TStampObject>(o);
         EXPECT_EQ(stamp.style().color.blue, 0xFFFF);
         EXPECT_EQ(stamp.style().size, 36);
         EXPECT_EQ(stamp.stampValue(), 12);
         EXPECT_EQ(stamp.text().toUtf8(), "PROOF");
         EXPECT_EQ(stamp.rotation(), 90);
         EXPECT_TRUE(stamp.firstStampFlag());
         EXPECT_FALSE(stamp.secondStampFlag());
       }},
      {"TOverlayObject", "ovly",
       [](HandMadeStream& s) {
         s.base("ovly").boolean(true).raw32(0x01020304).fsspec(-3, 77, "frame.png").pascal("one", 32).pascal("two", 32);
         s.raw16(5).raw16(-6).raw16(1).raw16(2).raw16(3).raw16(4).zeros(1024);
       },
       [](const TLayoutObject& o) {
         const auto& overlay = as<TOverlayObject>(o);
         EXPECT_EQ(overlay.overlayValue(), 1);
         const tNewOverlaySettings& settings = overlay.overlaySettings();
         EXPECT_EQ(settings.value, 0x01020304);
         EXPECT_EQ(settings.overlayFile.name.toUtf8(), "frame.png");
         // Put in the database folder, whatever the stream said.
         EXPECT_EQ(settings.overlayFile.vRefNum, getMyPrintServerPrefs()->databaseFolder.vRefNum);
         EXPECT_EQ(settings.overlayFile.parID, getMyPrintServerPrefs()->databaseFolder.dirID);
         EXPECT_EQ(settings.firstText.toUtf8(), "one");
         EXPECT_EQ(settings.secondText.toUtf8(), "two");
         EXPECT_EQ(settings.firstValue, 5);
         EXPECT_EQ(settings.secondValue, -6);
         EXPECT_EQ(settings.rect.top, 1);
         EXPECT_EQ(settings.rect.right, 4);
       }},
      {"TGroupPhotoObject", "grou",
       [](HandMadeStream& s) { s.base("grou").boolean(true).fsspec(-1, 99, "class.jpg").pascal("GROUPS", 32).zeros(1023); },
       [](const TLayoutObject& o) {
         const auto& group = as<TGroupPhotoObject>(o);
         EXPECT_EQ(group.overlayValue(), 1);
         EXPECT_EQ(group.photoFile().vRefNum, -1);
         EXPECT_EQ(group.photoFile().parID, 99);
         EXPECT_EQ(group.photoFile().name.toUtf8(), "class.jpg");
         EXPECT_EQ(group.category().toUtf8(), "GROUPS");
       }},
      {"TFileOverlayObject", "fovl",
       [](HandMadeStream& s) {
         s.base("fovl").boolean(true).fsspec(-2, 1234567, "border.tif").pascal("BORDERS", 32).boolean(true);
         s.fsspec(-4, 89, "second").raw16(0x8000).raw16(0x4000).raw16(0x2000).zeros(1017);
       },
       [](const TLayoutObject& o) {
         const auto& overlay = as<TFileOverlayObject>(o);
         EXPECT_EQ(overlay.overlayValue(), 1);
         EXPECT_EQ(overlay.graphicFile().parID, 1234567);
         EXPECT_EQ(overlay.graphicFile().name.toUtf8(), "border.tif");
         EXPECT_EQ(overlay.category().toUtf8(), "BORDERS");
         EXPECT_TRUE(overlay.flagA());
         EXPECT_EQ(overlay.secondFile().vRefNum, -4);
         EXPECT_EQ(overlay.secondFile().name.toUtf8(), "second");
         EXPECT_EQ(overlay.color().red, 0x8000);
         EXPECT_EQ(overlay.color().blue, 0x2000);
       }},
      {"TAttributeObject", "attr",
       [](HandMadeStream& s) { s.base("attr").typed16(2).typed16(1).zeros(1022); },
       [](const TLayoutObject& o) {
         const auto& attribute = as<TAttributeObject>(o);
         EXPECT_EQ(attribute.subjobResizeMode(), 2);
         EXPECT_EQ(attribute.saveTemplateAsIs(), 1);
         EXPECT_EQ(attribute.ignoreOverlays(), 0);
       }},
      {"TBackColorObject", "bkco",
       [](HandMadeStream& s) { s.base("bkco").raw16(0xFFFF).raw16(0x7FFF).raw16(0x0001).zeros(1024); },
       [](const TLayoutObject& o) {
         const auto& back = as<TBackColorObject>(o);
         EXPECT_EQ(back.color().red, 0xFFFF);
         EXPECT_EQ(back.color().green, 0x7FFF);
         EXPECT_EQ(back.color().blue, 0x0001);
       }},
      {"TNodeViewObject", "node",
       [](HandMadeStream& s) {
         s.base("node").fsspec(-1, 5, "inner.job").typed16(2).typed16(9).fsspec(0, 0, "ignored");
         s.boolean(true).boolean(false).boolean(true).typed16(0).typed16(3).zeros(1018);
         s.typed32(2);
         s.className("TBackColorObject").base("bkco").raw16(1).raw16(2).raw16(3).zeros(1024);
         s.className("TAttributeObject").base("attr").typed16(5).typed16(6).zeros(1022);
       },
       [](const TLayoutObject& o) {
         const auto& node = as<TNodeViewObject>(o);
         EXPECT_EQ(node.jobFile().name.toUtf8(), "inner.job");
         EXPECT_EQ(node.rotationCode(), 2);
         EXPECT_EQ(node.keptValue(), 9);
         EXPECT_TRUE(node.mirror());
         EXPECT_FALSE(node.color());
         EXPECT_TRUE(node.sepia());
         EXPECT_EQ(node.cacheSwitch(), 1);  // read as 0, always 1 afterwards
         EXPECT_EQ(node.oldTimeBlend(), 3);
         ASSERT_NE(node.objects(), nullptr);
         ASSERT_EQ(node.objects()->size(), 2u);
         EXPECT_EQ(as<TBackColorObject>(*node.objects()->at(0)).color().blue, 3);
         EXPECT_EQ(as<TAttributeObject>(*node.objects()->at(1)).saveTemplateAsIs(), 6);
       }},
  };
}

TEST(StreamedForm, ElevenClassesAreMadeByName) {
  const char* const registered[] = {"TAttributeObject", "TDatabaseObject",   "TGroupPhotoObject", "TBackColorObject",
                                    "TFileOverlayObject", "TNodeViewObject", "TStampObject",      "TTextObject",
                                    "TEditTextObject",  "TOverlayObject",    "TImageObject"};
  ASSERT_EQ(registeredLayoutObjectClasses().size(), std::size(registered));
  for (std::size_t i = 0; i < std::size(registered); ++i) {
    SCOPED_TRACE(registered[i]);
    EXPECT_EQ(registeredLayoutObjectClasses()[i].className, registered[i]);
    const std::unique_ptr<TLayoutObject> object = newLayoutObjectByClassName(registered[i]);
    ASSERT_NE(object, nullptr);
    // The class's own name, not a relative: a file overlay is an overlay too, but not the other way round.
    const std::string made = typeid(*object).name();
    EXPECT_NE(made.find(registered[i]), std::string::npos) << made;
  }
  for (const char* unknown : {"TTransparentOverlayObject", "TLayoutObject", "TTextObjectX", ""}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(newLayoutObjectByClassName(unknown), nullptr);
  }
  // A default-made text object carries the sample text until it is read.
  EXPECT_EQ(as<TTextObject>(*newLayoutObjectByClassName("TTextObject")).text().toUtf8(), "test String");
}

TEST(StreamedForm, EachClassReadsItsHandMadeStreamInEitherByteOrder) {
  for (const StreamByteOrder order : {StreamByteOrder::bigEndian, StreamByteOrder::littleEndian}) {
    for (const StreamCase& c : streamCases()) {
      SCOPED_TRACE(std::string(c.className) + ", " + orderName(order) + "-endian");
      HandMadeStream stream(order);
      stream.className(c.className);
      c.write(stream);
      ObjectStreamReader reader(stream.bytes(), order);
      const std::unique_ptr<TLayoutObject> object = ReadObject(reader);
      ASSERT_NE(object, nullptr);
      expectCommonPart(*object, c.type);
      c.check(*object);
      EXPECT_EQ(reader.position(), stream.bytes().size());  // the padding is read to the end, no further

      // Cut short by one byte, the same stream reads nothing.
      std::vector<std::uint8_t> cut = stream.bytes();
      cut.pop_back();
      ObjectStreamReader shortReader(cut, order);
      EXPECT_EQ(ReadObject(shortReader), nullptr);
    }
  }
}


// The image object's stream up to its image number; `keyed` sets its keyed flag.
void writeImageFields(HandMadeStream& s, bool keyed, int borderFlag, int borderWidth) {
  s.base("imag").typed16(1).fsspec(-100, 42, "IMG_0001.JPG").rawFloat(90.0f).raw16(-5).raw16(7).typed16(3);
  s.raw16(1).raw16(-2).raw16(3).raw16(-4).raw16(5).raw16(-6);  // colour adjustment
  s.pascal("FRAMES", 32).pascal("gold", 32).boolean(keyed);
  s.typed16(borderFlag).typed16(borderWidth).raw16(0x1000).raw16(0x2000).raw16(0x3000);
  s.typed16(1).typed16(15).typed16(2);
  for (int mask = 0; mask < 4; ++mask) s.raw16(mask).raw16(mask + 1).raw16(mask + 2).raw16(mask + 3).raw32(mask * 100);
  s.zeros(871).typed16(6);
}

// A key block whose backing colour and matte values are known.
void writeKeyBlock(HandMadeStream& s) {
  std::vector<std::uint8_t> coefficients(kFixcoefSize, 0);
  const float backing[3] = {1000.0f, 30000.0f, 2000.0f};
  std::memcpy(coefficients.data(), backing, sizeof backing);  // little-endian host, as the producer's
  s.append(coefficients).typed16(1).typed16(12).rawFloat(0.25f);
  s.raw16(5).raw16(6).raw16(50).raw16(60).raw32(0);  // exclusion rectangle
}

TEST(StreamedForm, TheImageObjectBoundsItsBorderAndKeepsItsKeyBlock) {
  test::MessageRecorder messages;
  for (const StreamByteOrder order : {StreamByteOrder::bigEndian, StreamByteOrder::littleEndian}) {
    SCOPED_TRACE(orderName(order));
    HandMadeStream plain(order);
    writeImageFields(plain.className("TImageObject"), false, 7, 30);
    ObjectStreamReader reader(plain.bytes(), order);
    std::unique_ptr<TLayoutObject> read = ReadObject(reader);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(reader.position(), plain.bytes().size());
    expectCommonPart(*read, "imag");
    const auto& image = as<TImageObject>(*read);
    EXPECT_EQ(image.fitMode(), 1);
    EXPECT_EQ(image.photoFile().name.toUtf8(), "IMG_0001.JPG");
    EXPECT_EQ(image.photoFile().parID, 42);
    EXPECT_EQ(image.rotationAngle(), 90.0f);
    EXPECT_EQ(image.offset().v, -5);
    EXPECT_EQ(image.offset().h, 7);
    EXPECT_EQ(image.insetSteps(), 3);
    EXPECT_EQ(image.colorAdjust().red, 1);
    EXPECT_EQ(image.colorAdjust().gamma, -6);
    EXPECT_EQ(image.graphicCategory().toUtf8(), "FRAMES");
    EXPECT_EQ(image.graphicName().toUtf8(), "gold");
    EXPECT_EQ(image.borderFlag(), 0);   // 7 is neither 0 nor 1
    EXPECT_EQ(image.borderWidth(), 3);  // over 25
    EXPECT_EQ(image.borderColor().green, 0x2000);
    EXPECT_EQ(image.angledFlag(), 1);
    EXPECT_EQ(image.angle(), 15);
    EXPECT_EQ(image.angleDirection(), 2);
    EXPECT_EQ(image.junkMasks()[3].rect.top, 3);
    EXPECT_EQ(image.junkMasks()[3].rect.right, 6);
    EXPECT_EQ(image.junkMasks()[3].word8, 300);
    EXPECT_EQ(image.imageNumber(), 6);
    EXPECT_FALSE(image.keyed());
    EXPECT_EQ(image.chromaKeySettings(), nullptr);

    HandMadeStream keyed(order);
    writeImageFields(keyed.className("TImageObject"), true, 1, 25);
    writeKeyBlock(keyed);
    ObjectStreamReader keyedReader(keyed.bytes(), order);
    read = ReadObject(keyedReader);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(keyedReader.position(), keyed.bytes().size());
    const auto& keyedImage = as<TImageObject>(*read);
    EXPECT_EQ(keyedImage.borderFlag(), 1);
    EXPECT_EQ(keyedImage.borderWidth(), 25);
    EXPECT_TRUE(keyedImage.keyed());
    ASSERT_NE(keyedImage.chromaKeySettings(), nullptr);
    EXPECT_EQ(keyedImage.chromaKeySettings()->coefficients.backing[1], 30000.0f);
    EXPECT_EQ(keyedImage.inwardFlag(), 1);
    EXPECT_EQ(keyedImage.defocus(), 12);
    EXPECT_EQ(keyedImage.shrink(), 0.25f);
    EXPECT_EQ(keyedImage.exclusionRect().rect.bottom, 50);
    EXPECT_EQ(keyedImage.chromaKeySettings()->junkMasks[2].rect.left, 3);

    // A key block cut short: the stream goes back to where the block began and the photo is not keyed.
    HandMadeStream cut(order);
    writeImageFields(cut.className("TImageObject"), true, 0, 3);
    const std::size_t keyBlockStart = cut.bytes().size();
    cut.zeros(100);
    ObjectStreamReader cutReader(cut.bytes(), order);
    read = ReadObject(cutReader);
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(as<TImageObject>(*read).keyed());
    EXPECT_EQ(cutReader.position(), keyBlockStart);
    EXPECT_FALSE(cutReader.failed());
  }
  const std::vector<std::string> shown = messages.messages();
  EXPECT_NE(std::find(shown.begin(), shown.end(), "aaaa"), shown.end());
}

// The two writers: a stream read and written again is the same bytes (the padding written as zeros).
TEST(StreamedForm, TheAttributeAndFileOverlayWriteWhatTheyRead) {
  const struct {
    const char* className;
    std::function<void(HandMadeStream&)> fields;  // after the common part
  } cases[] = {
      {"TAttributeObject", [](HandMadeStream& s) { s.typed16(3).typed16(-1).zeros(1022); }},
      {"TFileOverlayObject",
       [](HandMadeStream& s) {
         s.boolean(true).fsspec(-2, 70000, "border.tif").pascal("BORDERS", 32).boolean(true);
         s.fsspec(-4, 89, "second").raw16(0x8000).raw16(0x4000).raw16(0x2000).zeros(1017);
       }},
  };
  for (const StreamByteOrder order : {StreamByteOrder::bigEndian, StreamByteOrder::littleEndian}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.className) + ", " + orderName(order) + "-endian");
      HandMadeStream fields(order);
      c.fields(fields);
      HandMadeStream whole(order);
      whole.className(c.className).base(std::string(c.className) == "TAttributeObject" ? "attr" : "fovl");
      whole.append(fields.bytes());
      ObjectStreamReader reader(whole.bytes(), order);
      const std::unique_ptr<TLayoutObject> object = ReadObject(reader);
      ASSERT_NE(object, nullptr);
      ObjectStreamWriter writer(order);
      object->WriteTo(writer);
      EXPECT_EQ(writer.bytes(), fields.bytes());
    }
  }
  // Objects made from descriptors write their values too; the other classes write nothing.
  CAttributeDesc desc;
  desc.subjobResizeMode = 0x0102;
  desc.saveTemplateAsIs = 1;
  ObjectStreamWriter writer(StreamByteOrder::bigEndian);
  TAttributeObject::New(desc)->WriteTo(writer);
  ASSERT_EQ(writer.bytes().size(), 1026u);
  EXPECT_EQ((std::vector<std::uint8_t>(writer.bytes().begin(), writer.bytes().begin() + 4)),
            (std::vector<std::uint8_t>{0x01, 0x02, 0x00, 0x01}));
  ObjectStreamWriter nothing(StreamByteOrder::bigEndian);
  newLayoutObjectByClassName("TTextObject")->WriteTo(nothing);
  EXPECT_TRUE(nothing.bytes().empty());
}

TEST(StreamedForm, StreamsThatCannotBeReadMakeNoObject) {
  const StreamByteOrder order = StreamByteOrder::bigEndian;
  const struct {
    const char* name;
    std::function<void(HandMadeStream&)> write;
  } cases[] = {
      {"an unregistered class", [](HandMadeStream& s) { s.className("TTransparentOverlayObject").base("tran"); }},
      {"another class's type", [](HandMadeStream& s) { s.className("TBackColorObject").base("attr").zeros(1030); }},
      {"a category longer than its field",
       [](HandMadeStream& s) {
         s.className("TGroupPhotoObject").base("grou").boolean(true).fsspec(0, 0, "x").byte(40).zeros(31 + 1023);
       }},
      {"a file name longer than its field",
       [](HandMadeStream& s) {
         s.className("TGroupPhotoObject").base("grou").boolean(true).raw16(0).raw32(0).byte(64).zeros(63 + 32 + 1023);
       }},
      {"a node list of -1 objects",
       [](HandMadeStream& s) {
         s.className("TNodeViewObject").base("node").fsspec(0, 0, "").typed16(3).typed16(0).fsspec(0, 0, "");
         s.zeros(3 + 4 + 1018).typed32(-1);
       }},
      {"a node list of more objects than the stream holds",
       [](HandMadeStream& s) {
         s.className("TNodeViewObject").base("node").fsspec(0, 0, "").typed16(3).typed16(0).fsspec(0, 0, "");
         s.zeros(3 + 4 + 1018).typed32(3).className("TAttributeObject").base("attr").zeros(1026);
       }},
      {"a node list with an object that cannot be read",
       [](HandMadeStream& s) {
         s.className("TNodeViewObject").base("node").fsspec(0, 0, "").typed16(3).typed16(0).fsspec(0, 0, "");
         s.zeros(3 + 4 + 1018).typed32(2).className("TNoSuchObject").className("TAttributeObject").base("attr");
         s.zeros(1026);
       }},
      {"nodes nested nine deep",
       [](HandMadeStream& s) {
         for (int depth = 0; depth < 9; ++depth) {
           s.className("TNodeViewObject").base("node").fsspec(0, 0, "").typed16(3).typed16(0).fsspec(0, 0, "");
           s.zeros(3 + 4 + 1018).typed32(1);
         }
         s.className("TAttributeObject").base("attr").zeros(1026);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HandMadeStream stream(order);
    c.write(stream);
    ObjectStreamReader reader(stream.bytes(), order);
    EXPECT_EQ(ReadObject(reader), nullptr);
  }
  // Eight deep is within bounds.
  HandMadeStream nested(order);
  for (int depth = 0; depth < 7; ++depth) {
    nested.className("TNodeViewObject").base("node").fsspec(0, 0, "").typed16(3).typed16(0).fsspec(0, 0, "");
    nested.zeros(3 + 4 + 1018).typed32(1);
  }
  nested.className("TAttributeObject").base("attr").zeros(1026);
  ObjectStreamReader nestedReader(nested.bytes(), order);
  EXPECT_NE(ReadObject(nestedReader), nullptr);
}

// Not registered, the transparent overlay still reads the plain overlay's form under its own type.
TEST(StreamedForm, TheTransparentOverlayReadsTheOverlaysForm) {
  HandMadeStream stream(StreamByteOrder::littleEndian);
  stream.base("tran").boolean(false).raw32(9).fsspec(0, 0, "cut.png").pascal("", 32).pascal("", 32);
  stream.raw16(0).raw16(0).zeros(8).zeros(1024);
  TTransparentOverlayObject overlay;
  ObjectStreamReader reader(stream.bytes(), StreamByteOrder::littleEndian);
  ASSERT_TRUE(overlay.ReadFrom(reader));
  expectCommonPart(overlay, "tran");
  EXPECT_EQ(overlay.overlayValue(), 0);
  EXPECT_EQ(overlay.overlaySettings().overlayFile.name.toUtf8(), "cut.png");
  EXPECT_EQ(reader.position(), stream.bytes().size());
}

}  // namespace
}  // namespace vorl
