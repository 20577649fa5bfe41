#include "jobs/outputs/print_to_file_staging.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

#include "foundation/files/file_naming.h"
#include "foundation/files/unique_names.h"
#include "imaging/image_files/image_import_export.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// Hidden, so the studio's programs that watch the folders pass it by, and unique within the process.
std::string stagingName() {
  static std::atomic<unsigned> counter{0};
  return ".vorl-output-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

constexpr int kCommitAttempts = 3;
constexpr std::size_t kShortPrefixLength = 23;
constexpr std::int16_t kNumberWidth = 4;
constexpr std::int32_t kNumberedTries = 100000;

}  // namespace

StagedPageFile::~StagedPageFile() { discard(); }

bool StagedPageFile::save(std::int16_t saveType, Offscreen* page, const fs::path& folder, std::int16_t resolution,
                          std::int16_t quality) {
  discard();
  if (page == nullptr) return false;
  const fs::path staged = folder / stagingName();
  FSSpec spec;
  if (FSMakeFSSpecFromPath(staged, spec) != noErr) {
    systemLogf("StagedPageFile: no staging file can be named in %s", folder.c_str());
    return false;
  }
  path_ = staged;
  spec_ = spec;
  // The form that knows save type 10; the file is written in place, it is a staging file already.
  const bool written = NewSaveOffscreenToFile(saveType, page, spec, false, resolution, quality, 0);
  std::error_code error;
  // A save type without a writer answers true and writes nothing: that is no file either.
  if (!written || !fs::is_regular_file(staged, error) || fs::file_size(staged, error) == 0) {
    systemLogf("StagedPageFile: the page could not be saved as type %d in %s", saveType, folder.c_str());
    discard();
    return false;
  }
  return true;
}

bool StagedPageFile::saveBytes(std::span<const std::uint8_t> bytes, const fs::path& folder) {
  discard();
  const fs::path staged = folder / stagingName();
  FSSpec spec;
  if (bytes.empty() || FSMakeFSSpecFromPath(staged, spec) != noErr) {
    systemLogf("StagedPageFile: no staging file can be named in %s", folder.c_str());
    return false;
  }
  // Complete and flushed under the staging name, or not there at all.
  if (const OSErr error = writeFileAtomically(staged, bytes, false); error != noErr) {
    systemLogf("StagedPageFile: the page could not be written in %s (error %d)", folder.c_str(), error);
    return false;
  }
  path_ = staged;
  spec_ = spec;
  return true;
}

OSErr StagedPageFile::commit(std::string_view macName, bool replace, fs::path& written) {
  if (path_.empty()) return fnfErr;
  if (!usableOutputFileName(macName)) return bdNamErr;
  const fs::path target = path_.parent_path() / macNameToDiskName(macName);
  const OSErr error = renameItem(path_, target, replace);
  if (error != noErr) return error;
  static_cast<void>(syncFolder(target.parent_path()));  // the new name reaches the disk with the file
  path_.clear();
  written = target;
  return noErr;
}

OSErr StagedPageFile::commitUnique(const CStr255_AC& base, const CStr255_AC& extension, fs::path& written) {
  // Another program may take the free name between the search and the rename: search again then.
  for (int attempt = 0; attempt < kCommitAttempts; ++attempt) {
    CStr255_AC name;
    if (!freeCopyName(path_.parent_path(), base, extension, name)) return -1;
    const OSErr error = commit(name.macRoman(), false, written);
    if (error != dupFNErr) return error;
  }
  return dupFNErr;
}

void StagedPageFile::discard() noexcept {
  if (path_.empty()) return;
  std::error_code ignored;
  fs::remove(path_, ignored);
  path_.clear();
}

bool usableOutputFileName(std::string_view macRoman) {
  const std::string disk = macNameToDiskName(macRoman);
  return isUsableDiskName(disk) && disk.front() != '.';
}

bool freeCopyName(const fs::path& folder, const CStr255_AC& base, const CStr255_AC& extension, CStr255_AC& name) {
  FSRef parent;
  if (FSPathMakeRef(folder, parent) != noErr) return false;
  return newGetUniqueNameWithCopy(&parent, base, extension, name) == 0;
}

void splitExtension(std::string_view macRoman, CStr255_AC& base, CStr255_AC& extension) {
  const std::size_t dot = macRoman.rfind('.');
  if (dot == std::string_view::npos || dot == 0) {
    base = CStr255_AC(macRoman);
    extension = CStr255_AC();
    return;
  }
  base = CStr255_AC(macRoman.substr(0, dot));
  extension = CStr255_AC(macRoman.substr(dot));
}

OSErr commitNumbered(StagedPageFile& staged, const CStr255_AC& prefix, bool longNames, std::int32_t& counter,
                     const CStr255_AC& extension, fs::path& written) {
  const bool longForm = longNames && prefix.length() > kShortPrefixLength;
  CStr255_AC previous;
  for (std::int32_t tried = 0; tried < kNumberedTries; ++tried, ++counter) {
    const CStr255_AC name = longForm ? FormFileNameNew(prefix, counter, extension, true, kNumberWidth)
                                     : FormFileNameOld(prefix, counter, extension, true, kNumberWidth);
    if (tried > 0 && name == previous) break;  // the number is capped by its width: no new names come
    previous = name;
    const OSErr error = staged.commit(name.macRoman(), false, written);
    if (error != dupFNErr) return error;
  }
  return -1;
}

OSErr commitOutputName(StagedPageFile& staged, const tSpecialPrintToFilePref& record, bool fixedName,
                       std::size_t fixedLength, bool longNames, std::int32_t& counter, fs::path& written) {
  if (fixedName) {
    const CStr255_AC base(record.fileNamePrefix.macRoman().substr(0, fixedLength));
    return staged.commitUnique(base, CStr255_AC(record.fileNameExtension.macRoman()), written);
  }
  return commitNumbered(staged, CStr255_AC(record.fileNamePrefix.macRoman()), longNames, counter,
                        CStr255_AC(record.fileNameExtension.macRoman()), written);
}

}  // namespace vorl
