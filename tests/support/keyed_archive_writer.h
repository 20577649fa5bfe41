// Writing keyed archives for fixtures, in the form Foundation's NSKeyedArchiver gives them: "$archiver",
// "$version", "$objects" (with "$null" first) and "$top" with the root under "root". Dictionaries, arrays,
// dates and objects of other classes become archived objects with a "$class" reference; strings, numbers and
// data sit in "$objects" as plain values.
#pragma once

#include "platform/plists/keyed_archive.h"
#include "tests/support/record_bytes.h"

namespace vorl::test {

enum class PlistFormat { Binary, Xml };

Bytes encodeKeyedArchive(const ArchivedValue& root, PlistFormat format = PlistFormat::Binary);

}  // namespace vorl::test
