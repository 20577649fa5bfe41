#include "foundation/records/byte_order.h"

#include <algorithm>

namespace vorl {
namespace {

template <class T>
void reverseField(Unaligned<T>& field, bool doSwap) noexcept {
  if (doSwap && isRunningOnIntelCPU()) std::ranges::reverse(field.bytes());
}

template <class T>
void reverseValue(T& value, bool doSwap) noexcept {
  Unaligned<T> field(value);
  reverseField(field, doSwap);
  value = field.value();
}

}  // namespace

void swapUInt16(std::uint16_t& value, bool doSwap) noexcept { reverseValue(value, doSwap); }
void swapUInt16(std::int16_t& value, bool doSwap) noexcept { reverseValue(value, doSwap); }
void swapUInt16(UInt16Field& value, bool doSwap) noexcept { reverseField(value, doSwap); }
void swapUInt16(SInt16Field& value, bool doSwap) noexcept { reverseField(value, doSwap); }

void swapUInt32(std::uint32_t& value, bool doSwap) noexcept { reverseValue(value, doSwap); }
void swapUInt32(std::int32_t& value, bool doSwap) noexcept { reverseValue(value, doSwap); }
void swapUInt32(UInt32Field& value, bool doSwap) noexcept { reverseField(value, doSwap); }
void swapUInt32(SInt32Field& value, bool doSwap) noexcept { reverseField(value, doSwap); }

// The float is moved as bytes only: Unaligned<float> holds bytes, and a swapped pattern is never loaded into a
// float register by the reversal.
void swapFloat32(Float32Field& value, bool doSwap) noexcept { reverseField(value, doSwap); }

void swapFloat32(float& value, bool doSwap) noexcept {
  std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  reverseValue(bits, doSwap);
  value = std::bit_cast<float>(bits);
}

}  // namespace vorl
