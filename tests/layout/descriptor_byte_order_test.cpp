// The descriptor converters reverse exactly the fields listed for their class and nothing else, and a
// hand-assembled descriptor reads as the numbers it was written with.
#include "layout/descriptor_byte_order.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::Bytes;

// (offset, width) of every field a converter reverses, as the file layout of each descriptor gives them.
using FieldList = std::vector<std::pair<std::size_t, int>>;

FieldList head() {
  FieldList fields;
  for (std::size_t offset = 0; offset < 32; offset += 4) fields.push_back({offset, 4});
  return fields;
}

FieldList with(FieldList fields, std::initializer_list<std::pair<std::size_t, int>> more) {
  fields.insert(fields.end(), more);
  return fields;
}

FieldList words(FieldList fields, std::size_t first, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) fields.push_back({first + 2 * i, 2});
  return fields;
}

// The style at 416 (seven words) and the words from 430.
FieldList textFields(std::size_t wordsFrom430) { return words(words(head(), 416, 7), 430, wordsFrom430); }

template <class Desc>
std::function<Bytes(Bytes)> converter(void (*swap)(Desc&, bool) noexcept, bool doSwap = true) {
  return [swap, doSwap](Bytes bytes) {
    Desc desc;
    std::memcpy(&desc, bytes.data(), sizeof desc);
    swap(desc, doSwap);
    std::memcpy(bytes.data(), &desc, sizeof desc);
    return bytes;
  };
}

struct ConverterCase {
  const char* name;
  std::size_t size;
  FieldList converted;
  std::function<Bytes(Bytes)> convert;
};

std::vector<ConverterCase> converterCases() {
  return {
      {"tLayoutInfo", 32, head(), converter(swapLayoutInfo)},
      {"CImageDesc", 592,
       with(words(head(), 242, 6), {{160, 2},
                                    {162, 2},
                                    {164, 4},
                                    {232, 4},
                                    {236, 2},
                                    {238, 2},
                                    {240, 2},
                                    {320, 2},
                                    {322, 2},
                                    {330, 2},
                                    {334, 2},
                                    {336, 2},
                                    {338, 2},
                                    {340, 2},
                                    {342, 2},
                                    {344, 4},
                                    {348, 4},
                                    {352, 4},
                                    {356, 4}}),
       converter(swapImageDesc)},
      {"CTextDesc", 688, textFields(4), converter(swapTextDesc)},
      {"CEditTextDesc", 692, textFields(4), converter(swapEditTextDesc)},
      {"CDatabaseDesc", 692, textFields(3), converter(swapDatabaseDesc)},
      {"CStampDesc", 700, with(textFields(6), {{452, 2}, {454, 2}}), converter(swapStampDesc)},
      {"CGroupPhotoDesc", 520, with(head(), {{160, 2}, {162, 4}, {262, 2}}), converter(swapGroupPhotoDesc)},
      {"COverlayDesc", 524, with(head(), {{160, 2}, {162, 4}, {262, 2}, {266, 2}, {268, 2}}),
       converter(swapFileOverlayDesc)},
      {"CNodeDesc", 496, words(with(head(), {{160, 2}, {162, 4}}), 230, 6), converter(swapNodeDesc)},
      {"CAttributeDesc", 676, words(head(), 160, 4), converter(swapAttributeDesc)},
      {"CBackColorDesc", 424, words(head(), 160, 4), converter(swapBackColorDesc)},
  };
}

// Every byte differs from its neighbours, so any reversal shows.
Bytes patterned(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

TEST(DescriptorByteOrder, EachConverterReversesExactlyItsListedFields) {
  for (const ConverterCase& c : converterCases()) {
    SCOPED_TRACE(c.name);
    const Bytes stored = patterned(c.size);
    Bytes expected = stored;
    for (const auto& [offset, width] : c.converted)
      std::reverse(expected.begin() + static_cast<std::ptrdiff_t>(offset),
                   expected.begin() + static_cast<std::ptrdiff_t>(offset) + width);
    const Bytes converted = c.convert(stored);
    EXPECT_EQ(test::differingOffsets(converted, expected), std::vector<std::size_t>{});
    EXPECT_EQ(c.convert(converted), stored) << "converting twice gives the stored bytes back";
  }
}

TEST(DescriptorByteOrder, NothingChangesWithoutTheFlag) {
  const Bytes stored = patterned(sizeof(CImageDesc));
  EXPECT_EQ(converter(swapImageDesc, false)(stored), stored);
  EXPECT_EQ(converter(swapStampDesc, false)(patterned(sizeof(CStampDesc))), patterned(sizeof(CStampDesc)));
}

// A background-colour descriptor assembled by hand, byte by byte.
TEST(DescriptorByteOrder, HandAssembledBackColorDescriptorReadsAsWritten) {
  Bytes bytes(424, 0);
  const std::uint8_t head[32] = {
      0x00, 0x00, 0x00, 0x12,  // top 18
      0xFF, 0xFF, 0xFF, 0xFE,  // left -2
      0x01, 0x02, 0x03, 0x04,  // bottom 16909060
      0x00, 0x00, 0x01, 0x2C,  // right 300
      0x3F, 0x80, 0x00, 0x00,  // x 1.0
      0xC0, 0x20, 0x00, 0x00,  // y -2.5
      0x3F, 0x00, 0x00, 0x00,  // width 0.5
      0x41, 0x00, 0x00, 0x00,  // height 8.0
  };
  std::memcpy(bytes.data(), head, sizeof head);
  const std::uint8_t tail[8] = {0xFF, 0xFE, 0x00, 0x01, 0x80, 0x00, 0x00, 0x01};  // colour, skip flag
  std::memcpy(bytes.data() + 160, tail, sizeof tail);

  CBackColorDesc desc;
  std::memcpy(&desc, bytes.data(), sizeof desc);
  swapBackColorDesc(desc, true);
  EXPECT_EQ(desc.layout.top, 18);
  EXPECT_EQ(desc.layout.left, -2);
  EXPECT_EQ(desc.layout.bottom, 16909060);
  EXPECT_EQ(desc.layout.right, 300);
  EXPECT_EQ(desc.layout.x, 1.0f);
  EXPECT_EQ(desc.layout.y, -2.5f);
  EXPECT_EQ(desc.layout.width, 0.5f);
  EXPECT_EQ(desc.layout.height, 8.0f);
  EXPECT_EQ(desc.color.red, 0xFFFE);
  EXPECT_EQ(desc.color.green, 0x0001);
  EXPECT_EQ(desc.color.blue, 0x8000);
  EXPECT_EQ(desc.skipFlag, 1);
}

}  // namespace
}  // namespace vorl
