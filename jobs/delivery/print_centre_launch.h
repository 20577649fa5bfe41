// Starting the print-centre application after a print-data file or hand-off pair was delivered.
//
// The two print-centre applications (one reads print-data files, the other the JPEG and property-list pairs) are
// started in the background, never through a shell: by the argument vector configured in the user defaults
// ("PrintCenterCommand", "NewPrintCenterCommand": arrays of strings), else by the Exec line of their desktop
// entries ("vorl-print-center", "vorl-print-center-new"). The application itself keeps to one instance. A program
// that is missing or does not start is logged; the delivery it follows stands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorl {

inline constexpr std::string_view kPrintCenterCommandKey = "PrintCenterCommand";
inline constexpr std::string_view kNewPrintCenterCommandKey = "NewPrintCenterCommand";
inline constexpr std::string_view kPrintCenterDesktopEntry = "vorl-print-center";
inline constexpr std::string_view kNewPrintCenterDesktopEntry = "vorl-print-center-new";

// The command that starts the print centre of the mode; none when nothing is configured or installed.
std::optional<std::vector<std::string>> printCentreCommand(bool newMode);

// Starts it in the background; true when the program started.
bool startPrintCentreApplication(bool newMode);

}  // namespace vorl
