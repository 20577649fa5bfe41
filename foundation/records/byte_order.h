// Byte-order primitives.
//
// Job files, print-data files and image property resources hold their numbers big-endian; the program runs on
// little-endian processors. Each primitive reverses one field in place when its flag is set (and the host is
// little-endian; on a big-endian host the stored order already is the host's). A float is reversed as its bit
// pattern and never passes through a float register unconverted, so no NaN pattern is disturbed.
// The "FromHost"/"ToHost" forms are the same reversal; the name says in which direction the caller uses it.
#pragma once

#include <bit>
#include <cstdint>

#include "platform/core/unaligned.h"

namespace vorl {

constexpr bool isRunningOnIntelCPU() noexcept { return std::endian::native == std::endian::little; }

void swapUInt16(std::uint16_t& value, bool doSwap) noexcept;
void swapUInt16(std::int16_t& value, bool doSwap) noexcept;
void swapUInt16(UInt16Field& value, bool doSwap) noexcept;
void swapUInt16(SInt16Field& value, bool doSwap) noexcept;

void swapUInt32(std::uint32_t& value, bool doSwap) noexcept;
void swapUInt32(std::int32_t& value, bool doSwap) noexcept;
void swapUInt32(UInt32Field& value, bool doSwap) noexcept;
void swapUInt32(SInt32Field& value, bool doSwap) noexcept;

void swapFloat32(float& value, bool doSwap) noexcept;
void swapFloat32(Float32Field& value, bool doSwap) noexcept;

inline void swapFromHost_UInt16(UInt16Field& value, bool doSwap) noexcept { swapUInt16(value, doSwap); }
inline void swapFromHost_UInt16(SInt16Field& value, bool doSwap) noexcept { swapUInt16(value, doSwap); }
inline void swapFromHost_UInt16(std::uint16_t& value, bool doSwap) noexcept { swapUInt16(value, doSwap); }
inline void swapFromHost_UInt32(UInt32Field& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapFromHost_UInt32(SInt32Field& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapFromHost_UInt32(std::uint32_t& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapToHost_UInt32(UInt32Field& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapToHost_UInt32(SInt32Field& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapToHost_UInt32(std::uint32_t& value, bool doSwap) noexcept { swapUInt32(value, doSwap); }
inline void swapFromHost_Float32(Float32Field& value, bool doSwap) noexcept { swapFloat32(value, doSwap); }
inline void swapFromHost_Float32(float& value, bool doSwap) noexcept { swapFloat32(value, doSwap); }

}  // namespace vorl
