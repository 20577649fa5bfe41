// Numbers inside stored records.
//
// The job, template and settings files written by the studio programs hold their records byte for byte, with
// 32-bit numbers at 16-bit boundaries (a directory id at offset 2 of a file specification, a float at offset 66
// of the job information). Declaring such a field as a plain `int32_t` would need `#pragma pack`, and a packed
// field cannot bind to a reference, which every byte-order converter takes. So each number in a record is an
// `Unaligned<T>`: sizeof(T) bytes with alignment 1, read and written through memcpy-safe bit casts. Records made
// of them have no padding, so their offsets are exactly the declared ones.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

namespace vorl {

template <class T>
class Unaligned {
  static_assert(std::is_arithmetic_v<T>);

 public:
  constexpr Unaligned() noexcept = default;
  constexpr Unaligned(T value) noexcept : bytes_(std::bit_cast<Bytes>(value)) {}  // NOLINT: implicit on purpose

  constexpr operator T() const noexcept { return std::bit_cast<T>(bytes_); }  // NOLINT
  constexpr T value() const noexcept { return std::bit_cast<T>(bytes_); }

  constexpr Unaligned& operator=(T value) noexcept {
    bytes_ = std::bit_cast<Bytes>(value);
    return *this;
  }

  // The bytes as they lie in memory, for the byte-order converters.
  using Bytes = std::array<unsigned char, sizeof(T)>;
  constexpr Bytes& bytes() noexcept { return bytes_; }
  constexpr const Bytes& bytes() const noexcept { return bytes_; }

 private:
  Bytes bytes_{};
};

using SInt16Field = Unaligned<std::int16_t>;
using UInt16Field = Unaligned<std::uint16_t>;
using SInt32Field = Unaligned<std::int32_t>;
using UInt32Field = Unaligned<std::uint32_t>;
using Float32Field = Unaligned<float>;

static_assert(sizeof(SInt32Field) == 4 && alignof(SInt32Field) == 1);
static_assert(sizeof(Float32Field) == 4 && alignof(Float32Field) == 1);

}  // namespace vorl
