#include "jobs/engine/job_queue.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "foundation/text/pascal_strings.h"
#include "platform/files/file_specs.h"

namespace vorl {

TSortedFileList* gJobFileList = nullptr;

std::optional<QueuedJob> makeQueuedJob(const FSSpec& file) {
  std::filesystem::path path;
  if (FSpMakePath(file, path) != noErr) return std::nullopt;
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &info) != 0) return std::nullopt;
  QueuedJob job;
  job.spec = file;
  // Read once: a date read again at every comparison would reorder the queue under a file that vanished.
  const auto seconds = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
  job.created = static_cast<std::uint32_t>(seconds);
  if (FSpGetCatalogName(file, job.longName) != noErr) job.longName = path.filename().string();
  return job;
}

int TSortedFileList::Compare(const QueuedJob& a, const QueuedJob& b) {
  if (a.created != b.created) return a.created > b.created ? 1 : -1;
  const auto nameA = a.spec.name.text();
  const auto nameB = b.spec.name.text();
  // Over the full length of both names, so that the order is the same whichever name comes first; where one
  // name begins the other, the shorter one comes first.
  const std::size_t common = std::min(nameA.size(), nameB.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char ca = upperMacRomanByte(nameA[i]);
    const unsigned char cb = upperMacRomanByte(nameB[i]);
    if (ca != cb) return ca > cb ? 1 : -1;
  }
  if (nameA.size() != nameB.size()) return nameA.size() > nameB.size() ? 1 : -1;
  return 0;
}

namespace {

bool sameFile(const FSSpec& a, const FSSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && a.name == b.name;
}

}  // namespace

bool TSortedFileList::Insert(QueuedJob job) {
  if (!fCurrentFile.empty() && job.spec.name == fCurrentFile) return false;
  if (std::any_of(fItems.begin(), fItems.end(), [&](const QueuedJob& queued) { return sameFile(queued.spec, job.spec); }))
    return false;
  const auto place = std::upper_bound(fItems.begin(), fItems.end(), job,
                                      [](const QueuedJob& a, const QueuedJob& b) { return Compare(a, b) < 0; });
  fItems.insert(place, std::move(job));
  return true;
}

void TSortedFileList::SetCurrentFile(const Str255& name) { fCurrentFile = name; }

std::optional<QueuedJob> TSortedFileList::TakeFirst() {
  if (fItems.empty()) return std::nullopt;
  QueuedJob first = std::move(fItems.front());
  fItems.erase(fItems.begin());
  return first;
}

void TSortedFileList::DeleteItem(std::size_t index) {
  if (index < fItems.size()) fItems.erase(fItems.begin() + static_cast<std::ptrdiff_t>(index));
}

std::vector<std::string> TSortedFileList::longNames() const {
  std::vector<std::string> names;
  names.reserve(fItems.size());
  for (const QueuedJob& job : fItems) names.push_back(job.longName);
  return names;
}

}  // namespace vorl
