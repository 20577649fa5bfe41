// Helpers for the output-file tests: outside programs as independent readers of what we wrote, files as bytes,
// and a small picture whose pixels differ everywhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl::test {

// Whether an executable of that name lies in PATH.
bool toolAvailable(const char* program);

// The program's standard output; empty (with a test failure) when it did not run successfully.
std::string toolOutput(const std::vector<std::string>& arguments);

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
void writeText(const std::filesystem::path& file, const std::string& text);

// The names in the folder, sorted.
std::vector<std::string> folderNames(const std::filesystem::path& folder);

// An XML or binary property list as JSON with sorted keys, through Python's plistlib; dates as ISO text,
// data as "bytes:<hex>".
std::string plistAsJson(const std::string& plist);

// A picture whose every pixel differs from its neighbours, so any change of the pixels shows.
OffscreenPtr makeGradientPicture(int width, int height);

}  // namespace vorl::test
