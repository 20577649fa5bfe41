// Job intake: new job files move from the spooler (print-jobs) folder into its sub-folder "All Files" under a
// name unique there, and join the job queue.
//
// Producers write a job under a temporary name ("TempFile…" or a name beginning with ".") and rename it when it
// is complete; such names are never taken, and neither is a file that some process still holds open for
// writing. An unchanged folder (same modification time, to the nanosecond) is not listed again unless
// `gLastModDate` is cleared. The move is a rename within the folder's file system, so a
// job is always either in the spooler folder or in "All Files", whatever moment the process is stopped at.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "jobs/engine/job_queue.h"
#include "platform/core/mac_types.h"
#include "preferences/preference_records.h"

namespace vorl {

class JobObserver;

// The sub-folder of the spooler folder that holds the queued jobs.
inline constexpr char kJobFolderName[] = "All Files";

// The spooler folder's modification time (nanoseconds since the epoch) at its last listing; 0 means "list it
// next time whatever its time".
extern std::atomic<std::int64_t> gLastModDate;

// Takes new job files into the queue and, when the queue's length changed, tells `behaviour` the new list.
// Answers 0.
OSErr CheckForNewJobs(JobObserver* behaviour);
// Moves new job files of the print-jobs folder into the queue; true when the queue is not empty afterwards.
bool FindNewJobFiles(tPrintServerPrefs* prefs);
// Queues every job file already in "All Files" (left from an earlier run); true when the queue is not empty.
bool findAllJobFiles(tPrintServerPrefs* prefs);
// Removes the oldest job from the queue and makes its name the queue's current file; nullopt when empty.
std::optional<QueuedJob> GetNextNewJobFile(tPrintServerPrefs* prefs);

// The classic intake of the folder (vRefNum, dirID) into `list` (the path-based one where the system version
// asks for it). `count` is set to 0. Answers the last file-system result, 0 when it returned early.
OSErr GetAllFilesInDirectory(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count, TSortedFileList& list);
// Queues every visible file in "All Files" of that folder; nothing is moved or renamed.
OSErr getAllFilesInNewDirectory(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count,
                                TSortedFileList& list);
// The path-based intake (entries named "TempFile" in any case and dot-names skipped, clashes get " copy N").
OSErr CopyFromSourceToAllFilesCocoa(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count,
                                    TSortedFileList& list);
// The folder's modification date in nanoseconds since the epoch.
OSErr GetFolderModificationDate(std::int64_t& date, const FSSpec& folder);
// Whether the system is one that the path-based intake was meant for; never on this platform.
bool systemVersionIsGreaterOrEqualTo13();

}  // namespace vorl
