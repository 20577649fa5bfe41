// Mac Roman <-> UTF-8.
//
// Every text inside a stored record is Mac Roman, as the studio programs wrote it; file names, property lists and
// the windows speak UTF-8. These two functions are the only crossing. The working folders' names all end in
// "ƒ", Mac Roman 0xC4, UTF-8 C6 92, so a wrong table shows at once.
#pragma once

#include <string>
#include <string_view>

namespace vorl {

// The character that stands for anything with no Mac Roman form (and for malformed UTF-8).
inline constexpr char kMacRomanReplacement = '^';

std::string macRomanToUtf8(std::string_view macRoman);
std::string utf8ToMacRoman(std::string_view utf8);

}  // namespace vorl
