#include "foundation/records/byte_order.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

namespace vorl {
namespace {

// Every expectation below is written for the little-endian hosts the program is built for.
static_assert(isRunningOnIntelCPU());

// The byte reversal worked out here, independently of the converters.
template <class Bits>
Bits reversed(Bits bits) {
  Bits result = 0;
  for (std::size_t i = 0; i < sizeof(Bits); ++i) {
    result = static_cast<Bits>((result << 8) | (bits & 0xFF));
    bits = static_cast<Bits>(bits >> 8);
  }
  return result;
}

// One overload of a primitive, seen through the bit pattern of its field.
template <class Bits>
struct Primitive {
  const char* name;
  Bits (*convert)(Bits, bool);
};

template <class Value, class Bits>
Value as(Bits bits) {
  return std::bit_cast<Value>(bits);
}

// Each primitive reverses the field with true, leaves it alone with false, and undoes itself.
template <class Bits, std::size_t N, std::size_t M>
void expectEveryFormReverses(const Primitive<Bits> (&forms)[N], const Bits (&patterns)[M]) {
  for (const Primitive<Bits>& form : forms) {
    SCOPED_TRACE(form.name);
    for (Bits bits : patterns) {
      SCOPED_TRACE(testing::Message() << std::hex << "bits 0x" << +bits);
      EXPECT_EQ(form.convert(bits, true), reversed(bits));
      EXPECT_EQ(form.convert(bits, false), bits);
      EXPECT_EQ(form.convert(form.convert(bits, true), true), bits);
    }
  }
}

const Primitive<std::uint16_t> kSixteenBitForms[] = {
    {"swapUInt16(uint16_t&)",
     [](std::uint16_t b, bool f) {
       swapUInt16(b, f);
       return b;
     }},
    {"swapUInt16(int16_t&)",
     [](std::uint16_t b, bool f) {
       auto v = as<std::int16_t>(b);
       swapUInt16(v, f);
       return as<std::uint16_t>(v);
     }},
    {"swapUInt16(UInt16Field&)",
     [](std::uint16_t b, bool f) {
       UInt16Field v(b);
       swapUInt16(v, f);
       return v.value();
     }},
    {"swapUInt16(SInt16Field&)",
     [](std::uint16_t b, bool f) {
       SInt16Field v(as<std::int16_t>(b));
       swapUInt16(v, f);
       return as<std::uint16_t>(v.value());
     }},
    {"swapFromHost_UInt16(uint16_t&)",
     [](std::uint16_t b, bool f) {
       swapFromHost_UInt16(b, f);
       return b;
     }},
    {"swapFromHost_UInt16(UInt16Field&)",
     [](std::uint16_t b, bool f) {
       UInt16Field v(b);
       swapFromHost_UInt16(v, f);
       return v.value();
     }},
    {"swapFromHost_UInt16(SInt16Field&)",
     [](std::uint16_t b, bool f) {
       SInt16Field v(as<std::int16_t>(b));
       swapFromHost_UInt16(v, f);
       return as<std::uint16_t>(v.value());
     }},
};

const Primitive<std::uint32_t> kThirtyTwoBitForms[] = {
    {"swapUInt32(uint32_t&)",
     [](std::uint32_t b, bool f) {
       swapUInt32(b, f);
       return b;
     }},
    {"swapUInt32(int32_t&)",
     [](std::uint32_t b, bool f) {
       auto v = as<std::int32_t>(b);
       swapUInt32(v, f);
       return as<std::uint32_t>(v);
     }},
    {"swapUInt32(UInt32Field&)",
     [](std::uint32_t b, bool f) {
       UInt32Field v(b);
       swapUInt32(v, f);
       return v.value();
     }},
    {"swapUInt32(SInt32Field&)",
     [](std::uint32_t b, bool f) {
       SInt32Field v(as<std::int32_t>(b));
       swapUInt32(v, f);
       return as<std::uint32_t>(v.value());
     }},
    {"swapFromHost_UInt32(uint32_t&)",
     [](std::uint32_t b, bool f) {
       swapFromHost_UInt32(b, f);
       return b;
     }},
    {"swapFromHost_UInt32(UInt32Field&)",
     [](std::uint32_t b, bool f) {
       UInt32Field v(b);
       swapFromHost_UInt32(v, f);
       return v.value();
     }},
    {"swapFromHost_UInt32(SInt32Field&)",
     [](std::uint32_t b, bool f) {
       SInt32Field v(as<std::int32_t>(b));
       swapFromHost_UInt32(v, f);
       return as<std::uint32_t>(v.value());
     }},
    {"swapToHost_UInt32(uint32_t&)",
     [](std::uint32_t b, bool f) {
       swapToHost_UInt32(b, f);
       return b;
     }},
    {"swapToHost_UInt32(UInt32Field&)",
     [](std::uint32_t b, bool f) {
       UInt32Field v(b);
       swapToHost_UInt32(v, f);
       return v.value();
     }},
    {"swapToHost_UInt32(SInt32Field&)",
     [](std::uint32_t b, bool f) {
       SInt32Field v(as<std::int32_t>(b));
       swapToHost_UInt32(v, f);
       return as<std::uint32_t>(v.value());
     }},
};

// The float forms, seen through the float's 32-bit pattern. The Float32Field forms never hold a float value;
// the float& forms receive and give back a real float, as the callers do.
const Primitive<std::uint32_t> kFloatForms[] = {
    {"swapFloat32(float&)",
     [](std::uint32_t b, bool f) {
       auto v = as<float>(b);
       swapFloat32(v, f);
       return as<std::uint32_t>(v);
     }},
    {"swapFloat32(Float32Field&)",
     [](std::uint32_t b, bool f) {
       Float32Field v;
       v.bytes() = std::bit_cast<Float32Field::Bytes>(b);
       swapFloat32(v, f);
       return std::bit_cast<std::uint32_t>(v.bytes());
     }},
    {"swapFromHost_Float32(float&)",
     [](std::uint32_t b, bool f) {
       auto v = as<float>(b);
       swapFromHost_Float32(v, f);
       return as<std::uint32_t>(v);
     }},
    {"swapFromHost_Float32(Float32Field&)",
     [](std::uint32_t b, bool f) {
       Float32Field v;
       v.bytes() = std::bit_cast<Float32Field::Bytes>(b);
       swapFromHost_Float32(v, f);
       return std::bit_cast<std::uint32_t>(v.bytes());
     }},
};

TEST(BytePrimitives, SixteenBitFormsReverseTheTwoBytes) {
  // -9999 (no folder) is 0xD8F1; the byte-symmetric patterns must come through unchanged.
  const std::uint16_t patterns[] = {0x1234, 0x00FF, 0x8001, 0xD8F1, 0xFFFF, 0x0000};
  expectEveryFormReverses(kSixteenBitForms, patterns);
}

TEST(BytePrimitives, ThirtyTwoBitFormsReverseTheFourBytes) {
  const std::uint32_t patterns[] = {0x12345678, 0xFFFFD8F1, 0x000000FF, 0x80000001, 0x00FF00FF, 0xFFFFFFFF};
  expectEveryFormReverses(kThirtyTwoBitForms, patterns);
}

TEST(BytePrimitives, FloatFormsReverseTheBitPattern) {
  // Bit patterns as the host reads them: 1.5f stored big-endian (3F C0 00 00) reads as 0x0000C03F; negative
  // zero, the smallest subnormal and infinity have their own exponents and signs.
  const std::uint32_t patterns[] = {0x0000C03F, 0x3FC00000, 0x80000000, 0x00000001, 0x7F800000, 0x0000807F};
  expectEveryFormReverses(kFloatForms, patterns);

  for (const Primitive<std::uint32_t>& form : kFloatForms) {
    SCOPED_TRACE(form.name);
    EXPECT_EQ(as<float>(form.convert(0x0000C03F, true)), 1.5f);
    EXPECT_EQ(as<float>(form.convert(0x000080BF, true)), -1.0f);
  }
}

TEST(BytePrimitives, SignallingNaNPatternsKeepEveryBit) {
  // Signalling NaNs (exponent all ones, quiet bit clear) before the reversal, after it, or both; a reversal
  // through a float load would set the quiet bit (0x00400000) or lose the payload.
  const std::uint32_t patterns[] = {
      0x7F800001,  // smallest signalling NaN payload; reversed it is an ordinary small number
      0x0100807F,  // reads as a number, becomes the signalling NaN 0x7F800001
      0xFF800001,  // negative signalling NaN
      0x7FBFFFFF,  // largest signalling payload
      0x7F817F81,  // the pattern the record tests fill floats with, and its reversal
      0x817F817F,
      0x01008FFF,  // becomes 0xFF8F0001, a negative signalling NaN
      0x7FC00000,  // the quiet NaN, for comparison
  };
  expectEveryFormReverses(kFloatForms, patterns);
}

}  // namespace
}  // namespace vorl
