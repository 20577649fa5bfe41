// jobs/outputs/: pages and photos written as files into folders: the print-to-file sets (their page treatment,
// staging and output formats), the single print-to-file folder, the yearbook folder and its log, saved originals
// with their upright JPEGs, the upload metadata inside output JPEGs, and the job's video copied or merged with the
// studio's clips. Every file appears under its final name complete or not at all.
//
// The folder an output of a print-to-file set goes into: the set's own folder, or sub-folders in it named after
// the order and the customer when the job asks for them. The page outputs and the saving of original images
// share it, so a job's page and its originals land side by side.
//
// Sub-folder names come from the job (its folder texts and the customer part of the base name), so each is checked
// before it touches the disk: ".", "..", a name starting with "." or holding "/" or NUL is refused and no folder is
// made, so no job can write outside its set folder or into a hidden one. An empty name makes no folder: the
// operator is told, and the files go into the folder it would have been made in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/records/print_to_file_record.h"
#include "foundation/records/printer_settings_records.h"
#include "platform/files/file_specs.h"
#include "platform/text/pascal_string.h"

namespace vorl {

class TBGPrintView;

inline constexpr const char* kCustomerOrdersFolderName = "Customer Orders Folder";

// Where the folder an output writes into is.
struct SetOutputFolder {
  std::filesystem::path path;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;  // the folder's own id
};

// The sub-folder switches of the job's print-to-file item (bytes 4 to 16). Only the first three fields are
// converted when read, so the others are only ever tested for zero, whatever their byte order.
bool makesSubFolders(const tPrint2FileItem& item) noexcept;
bool print2FileItemSwitch(const tPrint2FileItem& item, std::size_t offset) noexcept;

// The names of the sub-folders in the order they are made inside each other, each cut to 31 characters (Mac
// Roman), for the job's print-to-file item, its record's folder texts, the set's naming mode and the base name.
// Empty when the item asks for none. A name may be empty (no folder at that level) or refused later by
// `usableFolderName`.
std::vector<std::string> subFolderNames(const tPrint2FileItem& item, const tSpecialPrintToFilePref& jobRecord,
                                        std::int16_t setNamingMode, const CStr255_AC& baseName);

// True for a Mac Roman folder name that may become one path component inside the set folder.
bool usableFolderName(std::string_view macRoman) noexcept;

// Finds the output folder of the set for the job and the base name, making the sub-folders that are missing. The
// set's folder reference is validated first (its file specification is refreshed). 0 with `folder` filled (an
// empty name is skipped, with the operator told); 106 when the set's folder cannot be found; 107 when a sub-folder
// name is refused or a sub-folder cannot be made (shown to the operator), and nothing is made from the refused
// name on.
[[nodiscard]] std::int16_t GetSetOutputFolder(const TBGPrintView& view, tSpecialPrintToFilePref& set,
                                              const CStr255_AC& baseName, SetOutputFolder& folder);

}  // namespace vorl
