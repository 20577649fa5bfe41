// The temporary files this program writes a file under before renaming it into place (print-data files, staged
// pages, joined movies, count records, every atomically written file) stay behind when the program is killed in
// between: a complete page-sized copy each time. At start-up they are found by their names, which no other
// program makes, and removed.
#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>
#include <vector>

namespace vorl {

// Whether the name is one this program gives a file only while writing it: "Tempfile_<address>_<number>" of
// this machine's print-data files, ".vorl-<16 hex digits>.tmp", ".vorl-output-<process>-<number>.tmp",
// ".vorl-merge-<6 characters>.<extension>", and the AppleDouble sidecar ("._") of any of them. `macAddress` is
// the address as print-data names carry it; another machine's files in a shared folder are left alone.
bool isOwnTemporaryName(std::string_view name, std::string_view macAddress);

// Removes, directly in each folder, the plain files with such names last written before `start` (a file this
// run writes now is newer), one log line each. Symbolic links and folders are never followed or removed.
// Answers how many went.
int removeLeftoverTemporaryFiles(const std::vector<std::filesystem::path>& folders,
                                 std::chrono::system_clock::time_point start, std::string_view macAddress);

}  // namespace vorl
