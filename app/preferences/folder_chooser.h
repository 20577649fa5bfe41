// The folder chooser the preference panels ask. The application installs its own (the desktop's folder
// dialog); until then every question answers "cancelled".
#pragma once

#include <cstdint>
#include <functional>

namespace vorl {

// Opens in the folder (vRefNum, dirID) with the prompt of that index. 1 when a folder was chosen, and the two
// values now name it; 0 when the operator cancelled, and both stay as they were.
using FolderChooser = std::function<std::int16_t(std::int16_t& vRefNum, std::int32_t& dirID, std::int16_t prompt)>;

void setFolderChooser(FolderChooser chooser);

// Asks the installed chooser, letting go of the baton while the operator chooses.
std::int16_t myChooseFolder(std::int16_t& vRefNum, std::int32_t& dirID, bool unused, std::int16_t prompt);

// The prompts of the panels' folder questions.
inline constexpr std::int16_t kServerRootPrompt = 9;
inline constexpr std::int16_t kOutputFolderPrompt = 23;
inline constexpr std::int16_t kPrintCenterPrompt = 34;

}  // namespace vorl
