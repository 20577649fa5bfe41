// The job queue: the job files waiting in "All Files", in the order they will be processed.
//
// Intake inserts the files it moves into "All Files", the state machine takes the first one (the oldest) and puts
// failed jobs back, the main window lists them and the folder-emptying commands clear them. The order is by
// creation date, oldest first, and within one second by name without regard to letter case (shorter name first
// where one name begins the other). The date is read once, when the file is queued, so the order never changes
// under a file that vanished. Shared by the worker and the main thread under the baton; no lock of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

struct QueuedJob {
  FSSpec spec{};           // the file in "All Files"
  std::string longName;    // its name as the folder lists it (UTF-8), shown in the job list
  std::uint32_t created{};  // creation date in seconds (birth time, else the modification time)
};

// A queue entry for an existing file: its specification, long name and creation date; nullopt when it is gone.
std::optional<QueuedJob> makeQueuedJob(const FSSpec& file);

class TSortedFileList {
 public:
  // 1 when `a` comes after `b`, -1 before, 0 for the same date and name.
  static int Compare(const QueuedJob& a, const QueuedJob& b);

  // Puts the file at its place (after the files that compare equal). Refused, answering false, when it is named
  // like the job in hand or is queued already: a job is taken once.
  bool Insert(QueuedJob job);
  // The name (Mac Roman, as the file specification holds it) of the job in hand; empty when none.
  void SetCurrentFile(const Str255& name);
  const Str255& currentFile() const noexcept { return fCurrentFile; }

  std::size_t size() const noexcept { return fItems.size(); }
  bool empty() const noexcept { return fItems.empty(); }
  // Items count from 0; item 0 is the next job.
  const QueuedJob& item(std::size_t index) const { return fItems.at(index); }
  // Removes and answers the next job; nullopt when the queue is empty.
  std::optional<QueuedJob> TakeFirst();
  void DeleteItem(std::size_t index);
  void DeleteAll() noexcept { fItems.clear(); }
  // The long names, next job first: what the job list shows.
  std::vector<std::string> longNames() const;

 private:
  std::vector<QueuedJob> fItems;
  Str255 fCurrentFile{};
};

// The one queue; null until the processing behaviour made it.
extern TSortedFileList* gJobFileList;

}  // namespace vorl
