// Code 128 symbols made from the symbology's own table, for texts of any length a text object holds.
//
// A symbol is a start character, the data characters, a modulo-103 check character and the stop character.
// Each character but the stop is eleven modules: three bars and three spaces of one to four modules; the stop
// is thirteen. The data switch between the three code sets where that makes the symbol shorter: set A carries
// ASCII 0-95 (control characters and upper case), set B ASCII 32-127 (lower case), set C two digits a
// character. A lone character of the other letter set goes in with a shift instead of a switch when that is
// shorter. The fewest characters win; on a tie the set in use is kept, so a text always gives the same symbol.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "layout/code_symbols.h"

namespace vorl {

// The symbol characters' values for the bytes (each 0-127): start, data, check, stop. Empty for an empty text
// or a byte above 127.
std::vector<std::uint8_t> code128Values(std::span<const unsigned char> bytes);

// The symbol of the values at one pixel a module: `quietModules` light modules on either side, `heightModules`
// rows.
CodeImage code128Image(std::span<const std::uint8_t> values, int quietModules, int heightModules);

}  // namespace vorl
