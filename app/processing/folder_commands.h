// The folder-emptying commands: the print-jobs, unknown-jobs, images, finished-jobs and group-photo folders, and
// the whole working tree. Each asks the operator first and deletes only files; folders stay.
//
// They run only while processing is off and no step is in hand: a job being drawn reads its images and its
// job file from these folders, and the state machine moves files out of them when the job ends.
#pragma once

namespace vorl {

class Dialogs;
class TPrintBGBehavior;

inline constexpr long kCommandEmptyPrintJobs = 1003;
inline constexpr long kCommandEmptyUnknownJobs = 1004;
inline constexpr long kCommandEmptyImages = 1005;
inline constexpr long kCommandEmptyAll = 1006;
inline constexpr long kCommandEmptyFinishedJobs = 1010;
inline constexpr long kCommandEmptyGroupPhotos = 1011;

enum class FolderCommandResult {
  kEmptied,       // the operator agreed and the folders were emptied (failures were shown file by file)
  kCancelled,     // the operator said no: nothing was deleted
  kNoRootFolder,  // "Point to valid Printserver folder first" was shown
  kBusy,          // processing is on or a step is in hand: nothing was asked or deleted
  kNotAFolderCommand,
};

bool isFolderCommand(long command) noexcept;

// Whether the folders may be emptied now: processing off and no step in hand (no behaviour counts as off).
bool folderCommandsAllowed(TPrintBGBehavior* behaviour);

// Runs one folder command. `behaviour` (null before the start) has its queue emptied and its job in hand
// abandoned by the commands that empty the print-jobs folder. Main thread, without the baton.
FolderCommandResult EmptyFolderCommand(long command, TPrintBGBehavior* behaviour, Dialogs& dialogs);

}  // namespace vorl
