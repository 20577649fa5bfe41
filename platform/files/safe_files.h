// Writing, renaming and moving files so that nothing is lost or seen half-written.
//
// The Mac's File Manager refused to rename onto an existing name; Linux's rename(2) silently replaces the file
// there. Every rename and move here refuses an existing target (RENAME_NOREPLACE) unless the caller asks for the
// replacement. New content is written to a hidden temporary file in the target's own folder, flushed to the disk
// and then renamed into place, so a reader (the print centre, a sibling program, the next start after a crash)
// sees the old file or the new one, never part of one. A move to another file system copies, flushes and only
// then deletes the source. A file's AppleDouble sidecar ("._<name>") goes wherever the file goes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "platform/core/os_errors.h"

namespace vorl {

// A new file under a hidden temporary name (".vorl-<random>.tmp") in its folder, which takes its real name only
// when complete. Whatever is not committed is removed when the object goes.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Makes the file in the folder with these permission bits, narrowed by the umask as for any new file.
  OSErr open(const std::filesystem::path& folder, mode_t mode = 0666);
  bool isOpen() const noexcept { return fd_ >= 0; }
  int fd() const noexcept { return fd_; }
  const std::filesystem::path& path() const noexcept { return path_; }

  // Writes all the bytes or fails: dskFulErr when the disk, the quota or the file-size limit is reached.
  OSErr write(std::span<const std::uint8_t> bytes);
  // Flushes the data to the disk and renames the file to `finalPath` (in the same folder). dupFNErr when the name
  // is taken and `replace` is false; the temporary file then stays, for another name or for `discard`.
  OSErr commit(const std::filesystem::path& finalPath, bool replace);
  void discard() noexcept;

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// A regular file opened for reading, closed when the object goes. Anything else (a folder, a named pipe, a
// device) is refused with afpObjectTypeErr, without waiting on it.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  OSErr open(const std::filesystem::path& file);
  bool isOpen() const noexcept { return fd_ >= 0; }
  int fd() const noexcept { return fd_; }
  // Reads up to the buffer's size; `count` is what was read, 0 at the end of the file.
  OSErr read(std::span<std::uint8_t> buffer, std::size_t& count);

 private:
  int fd_ = -1;
};

// The whole file; fnfErr when it does not exist, afpObjectTypeErr when it is not a regular file, paramErr when it
// is larger than `limit` bytes.
OSErr readFileBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes, std::size_t limit = 64u << 20);

// Writes the bytes as the file's content through a temporary file. Without `replace`, an existing file is kept
// and dupFNErr answered. On failure the old file is untouched and no temporary file is left.
OSErr writeFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, bool replace,
                          mode_t mode = 0666);
OSErr writeFileAtomically(const std::filesystem::path& file, std::string_view text, bool replace, mode_t mode = 0666);

// Renames a file that cannot be understood to "<name>.<tag>-<yyyyMMdd-HHmmss>" beside it (a number is added when
// that is taken; an existing file is never replaced), so what the operator had is kept, and answers the new path
// in `setAside`.
OSErr setFileAside(const std::filesystem::path& file, std::string_view tag, std::filesystem::path& setAside);

// Renames within one file system. dupFNErr when `to` exists and `replace` is false. The sidecar follows; a
// sidecar left at the new name by a former file is removed.
OSErr renameItem(const std::filesystem::path& from, const std::filesystem::path& to, bool replace);

// Moves a file anywhere: a rename on one file system, else `copyAcrossThenDelete`.
OSErr moveItem(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
               bool* sourceKept = nullptr);

// Copies the regular file (permission bits and modification time kept) through a temporary file in the target's
// folder, flushes it, gives it its name, copies the sidecar, and only then deletes the source. When the source
// cannot be deleted afterwards the copy stays, `sourceKept` is set and the error is answered.
OSErr copyAcrossThenDelete(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
                           bool* sourceKept = nullptr);

// Whether anything has this name: a file, a folder or a link, even one that points nowhere. Never throws.
bool itemExists(const std::filesystem::path& item) noexcept;

// Deletes a file (or an empty folder) and its sidecar.
OSErr deleteItem(const std::filesystem::path& item);

// Flushes a folder's entries (new, renamed and removed names) to the disk.
OSErr syncFolder(const std::filesystem::path& folder);

}  // namespace vorl
