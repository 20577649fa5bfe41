// The folder tree the processor finds or makes at start-up, in the application folder (the user's home folder):
// the spooler root "Vorl-Zeverezoz Folder ƒ" with its working folders, the print-to-file, print-centre,
// print-to-file set, CD and web-upload folders, and "VORL PREFERENCES FOLDER ƒ". A folder the operator chose is
// found again through its stored reference; a missing one is made only where its record allows it. Existing
// folders are reused, never duplicated.
#pragma once

#include <chrono>
#include <filesystem>

namespace vorl {

// The application folder's volume and id (`appvRefNum`, `appDirID`) from `applicationFolder`.
void setApplicationFolder(const std::filesystem::path& applicationFolder);
// Finds or makes the spooler root and its working folders (alias 4506).
void setUpSpoolerRoot();
// Finds or makes each output folder whose record allows it, storing the references of the ones made.
void setUpOutputFolders();
// Makes (or finds) "VORL PREFERENCES FOLDER ƒ" and makes it the folder temporary files are written in.
void setUpPreferencesFolder();
// Removes the temporary files an earlier run that was stopped half-way left in the folders the program writes
// (the root, the print-centre, print-to-file, set, CD, web-upload and preferences folders, the defaults'
// folder), when they are older than `start`. After the folders are set up, before processing starts.
void removeLeftoversOfEarlierRuns(std::chrono::system_clock::time_point start);

}  // namespace vorl
