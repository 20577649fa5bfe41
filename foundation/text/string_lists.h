// The program's numbered string lists (the texts its resource file held): operator messages by list and item,
// prompts and names. `GetIndString` answers the item in Mac Roman, as the stored strings are.
#pragma once

#include <cstdint>

#include "platform/text/pascal_string.h"

namespace vorl {

// File Manager results (item by result code).
inline constexpr std::int16_t kFileErrorStrings = 4100;
// Memory and Resource Manager results.
inline constexpr std::int16_t kMemoryErrorStrings = 4102;

// The item, or an empty string with false when the list has no such item.
bool GetIndString(Str255& text, std::int16_t list, std::int16_t item);

}  // namespace vorl
