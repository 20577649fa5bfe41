// How the print-to-file outputs put a file into a folder without anyone seeing half of it.
//
// A page is saved under a hidden staging name in the folder it is meant for, the metadata writers rewrite that
// file, and only the complete file takes its final name, by a rename: one that never replaces an existing file,
// or, when the set asks for overwriting, one atomic rename over the old file. Whatever goes wrong, the staging
// file is removed and the files already in the folder stay as they were.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "foundation/records/print_to_file_record.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/files/file_specs.h"
#include "platform/text/pascal_string.h"

namespace vorl {

class StagedPageFile {
 public:
  StagedPageFile() = default;
  ~StagedPageFile();  // removes the staging file unless it took its final name
  StagedPageFile(const StagedPageFile&) = delete;
  StagedPageFile& operator=(const StagedPageFile&) = delete;

  // Saves the page as an image file of the save type into a new staging file in the folder. False when the
  // file could not be written whole (a full disk, a folder that cannot be written, a save type that writes
  // nothing); nothing is left behind then.
  [[nodiscard]] bool save(std::int16_t saveType, Offscreen* page, const std::filesystem::path& folder,
                          std::int16_t resolution, std::int16_t quality);
  // Writes bytes already encoded (a JPEG with its metadata) as the staging file, with the same guarantees.
  [[nodiscard]] bool saveBytes(std::span<const std::uint8_t> bytes, const std::filesystem::path& folder);
  const std::filesystem::path& path() const noexcept { return path_; }
  const FSSpec& spec() const noexcept { return spec_; }

  // Gives the file the Mac Roman name in its folder, replacing a file of that name only with `replace`.
  // dupFNErr when the name is taken; bdNamErr for a name that no file may bear here (empty, "..", a leading ".").
  OSErr commit(std::string_view macName, bool replace, std::filesystem::path& written);
  // Gives the file the first free name of base + extension, base + " copy" + extension, base + " copy 1" +
  // extension and so on (5000 names at most). -1 when none is free (the staging file stays for `discard`).
  OSErr commitUnique(const CStr255_AC& base, const CStr255_AC& extension, std::filesystem::path& written);
  void discard() noexcept;

 private:
  std::filesystem::path path_;
  FSSpec spec_;
};

// Gives the staged file the next free numbered name "<prefix>_0001<ext>" from `counter` on; a prefix longer than
// 23 characters uses the long form (names up to 63 characters) when `longNames` is set. The counter is left at the
// number used. -1 when every number is taken.
OSErr commitNumbered(StagedPageFile& staged, const CStr255_AC& prefix, bool longNames, std::int32_t& counter,
                     const CStr255_AC& extension, std::filesystem::path& written);
// The single-folder and yearbook names: with `fixedName` the first `fixedLength` characters of the record's
// prefix and its extension (a free " copy" name when that is taken), else the next numbered name.
OSErr commitOutputName(StagedPageFile& staged, const tSpecialPrintToFilePref& record, bool fixedName,
                       std::size_t fixedLength, bool longNames, std::int32_t& counter, std::filesystem::path& written);

// True for a Mac Roman file name that may be given to an output file: one path component, not hidden.
bool usableOutputFileName(std::string_view macRoman);

// The first free name of base + extension, then base + " copy" + extension and so on in the folder; false
// when none of 5000 is free.
bool freeCopyName(const std::filesystem::path& folder, const CStr255_AC& base, const CStr255_AC& extension,
                  CStr255_AC& name);

// The Mac Roman name split before its last "." (the extension keeps its "."); no extension when there is none.
void splitExtension(std::string_view macRoman, CStr255_AC& base, CStr255_AC& extension);

}  // namespace vorl
