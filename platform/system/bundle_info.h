// What the Mac read from the application bundle's information list: the program's names, version and
// identifier. The log file, the user-defaults file and the relaunch entry are named after them.
#pragma once

#include <string_view>

namespace vorl {

inline constexpr std::string_view kBundleExecutable = "Vorl-Zeverezoz";
inline constexpr std::string_view kBundleDisplayName = "Vorl-Zeverezoz";
inline constexpr std::string_view kBundleShortVersionString = "14.0";
// Reverse-domain, as a desktop-entry id; also the base of the user-defaults file name.
inline constexpr std::string_view kBundleIdentifier = "com.vorl.Vorl-Zeverezoz";

}  // namespace vorl
