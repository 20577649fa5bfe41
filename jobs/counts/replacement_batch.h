// New contents for a few files of one folder, replaced together. Each file is still replaced whole (a temporary
// file beside it, flushed, then renamed over it), so a reader or a crash sees its old content or its new one; but
// the flushes are shared: the temporary files are all written before any is flushed, so the file system can make
// them durable in one journal commit, and the folder is flushed once after all the renames.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/core/os_errors.h"

namespace vorl {

class ReplacementBatch {
 public:
  ReplacementBatch() = default;
  // Whatever was not committed is removed.
  ~ReplacementBatch();
  ReplacementBatch(const ReplacementBatch&) = delete;
  ReplacementBatch& operator=(const ReplacementBatch&) = delete;

  // Writes the bytes to a temporary file beside `file` (with these permission bits, whatever the umask). On a
  // failure nothing of this file is kept and the others are not affected.
  OSErr add(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, mode_t mode);
  bool empty() const noexcept { return entries_.empty(); }

  // Flushes every temporary file, then renames each over its file, then flushes the folders. When a flush fails
  // nothing is renamed: every file keeps its old content.
  OSErr commit();

 private:
  struct Entry {
    int fd = -1;
    std::filesystem::path temp;
    std::filesystem::path file;
  };
  void discard() noexcept;
  std::vector<Entry> entries_;
};

}  // namespace vorl
