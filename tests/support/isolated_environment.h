// Points HOME, the XDG folders and TMPDIR at a new temporary folder and sets TZ=UTC for the whole test program.
#pragma once

#include <filesystem>

namespace vorl::test {

void isolateEnvironment();
// The temporary folder made by isolateEnvironment (removed at exit).
const std::filesystem::path& testRoot();
// A new empty folder under the test root.
std::filesystem::path makeTempFolder(const char* prefix);

}  // namespace vorl::test
