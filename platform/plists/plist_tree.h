// libplist trees parsed from bytes that other programs wrote.
//
// Debian 12's libplist (2.2) parses property lists that it cannot then survive, and each of these reaches us
// from a job file, the user defaults or a preference import:
// - a dictionary key holding a NUL (an ASCII key with a zero byte, a UTF-16 key with U+0000) aborts the process
//   on an assertion the moment the key is read, release build included;
// - containers nested some ten thousand deep overflow the stack, in the binary parser and in `plist_free`;
// - a binary list copies a shared container at every reference, so a few hundred bytes can expand to 2^30 nodes.
// `parsePlistTree` checks the bytes for all three before libplist sees them and refuses such input, so every key
// of a tree it answers can be read with libplist's own calls. Files our peers write never hold any of the three.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <span>

namespace vorl {

struct PlistFree {
  void operator()(plist_t node) const noexcept { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// Deeper nesting is refused before parsing. The readers above want far less (64 at most); this only keeps
// libplist's recursion short.
inline constexpr int kMaxPlistNesting = 128;

// Whether libplist may parse the bytes: false for a binary list with a key holding a NUL, nesting deeper than
// kMaxPlistNesting, a reference cycle, a reference or object outside the bytes, or more nodes once shared
// objects are expanded than the size of the bytes can honestly give; false for XML nested too deep.
[[nodiscard]] bool propertyListIsSafeToParse(std::span<const std::uint8_t> bytes) noexcept;

// The parsed tree (XML or binary), or null when the bytes are not a property list or are not safe to parse. A
// binary ASCII string holding a zero byte, which libplist would cut at that byte, comes as data holding all of it.
[[nodiscard]] PlistPtr parsePlistTree(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vorl
