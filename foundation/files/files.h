// foundation/files/: files and folders by file specification (this unit): existence, catalog information, long and
// unique names, paths, copying and moving, emptying folders, output file naming, volumes, default folders and the
// folder references kept in the user defaults, and the messages of file errors.
//
// Files and folders by file specification: existence tests, folder ids, catalog information, long names and
// the Finder's flags.
//
// A file specification names an item as (volume, folder id, name); a folder is also named by (volume, its own
// id), and a specification with an empty name stands for the folder whose id is in its parent-id field. Names
// are Mac Roman; a name too long for a specification is held in its short "#<inode>" form (see
// platform/files/file_specs.h), and the long-name functions here give the name the folder really lists.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/files/file_manager.h"
#include "platform/core/mac_types.h"

namespace vorl {

// Set to 1 once a folder's items had to be counted one by one.
extern std::int16_t gUsedSpecialGetNumOfFiles;

// False for an empty name; else whether the item exists (a folder of that name counts).
bool IsExistingFile(const FSSpec* spec);
// With a name: as IsExistingFile. With an empty name: the folder (vRefNum, parID).
bool IsExistingDirectory(const FSSpec* spec);
bool IsExistingDirectory(std::int16_t vRefNum, std::int32_t dirID);

// The folder a folder-valued specification stands for: (vRefNum, parID) when its name is empty, else the folder
// it names. dirNFErr when there is no such folder.
OSErr getFolderVolumeAndID(const FSSpec& folder, std::int16_t& vRefNum, std::int32_t& dirID);

// The folder's own id; -9999, with a log line, when it cannot be read.
std::int32_t GetFolderDirID(const FSSpec& folder);
// The file specification of the folder (vRefNum, dirID): its parent's id and its name. 0, or -1 when it cannot be read
// or `spec` is null. A volume's root has the parent id 1 and the volume's name.
OSErr GetFolderFSSpec(std::int16_t vRefNum, std::int32_t dirID, FSSpec* spec);
// Turns (vRefNum, dirID, empty name) into the folder's own specification.
OSErr GetParFSSpecInfoFromFSSpec(FSSpec& spec);
// Writes the name of the folder whose id is in `spec.parID` into `spec.name` and answers that folder's parent id;
// -1 when the folder cannot be read.
std::int32_t GetParIDFromDirID(FSSpec& spec);

// The id of the sub-folder of that name (letter case ignored) in the folder; -1 when there is none. The folder is
// (vRefNum, parID) when the file specification's name is empty, else the folder it names.
std::int32_t findFolder(const FSSpec& folder, const CStr255_AC& name);
std::int32_t FindFolderParID(const FSSpec& folder, const Str31& name);

// The number of visible items in the folder.
std::int32_t GetSpecialNumberOfFiles(std::int16_t vRefNum, std::int32_t dirID);

bool IsFolder(const CInfoPBRec* info);
bool IsVisible(const CInfoPBRec* info);
// Catalog information of the file the file specification names: 1, or 0 after showing what failed.
std::int16_t getXFileInfoStuff(const FSSpec* spec, CInfoPBRec* info);
// True for the program's temporary files: type and creator both 'tmp?'.
bool myFSSpecIsTempFSSpec(const FInfo& info);

// Clears (`visible`) or sets the Finder's invisible flag of the file, then flushes its volume.
OSErr myFSShowHideFile(const FSSpec* spec, bool visible);
// Closes the open file and clears the caller's reference number (0: nothing open).
OSErr myFSClose(std::int16_t* refNum);
// Sets the creator code of the file at the path (UTF-8) and logs the code read back; false when it failed.
bool WriteNSHFSCreatorCode(std::string_view path, OSType creator);

// A Unicode file name as the File Manager gave it.
struct HFSUniStr255 {
  std::uint16_t length = 0;
  std::array<char16_t, 255> unicode{};
};

// The name the file's folder lists, in Mac Roman ("^" for characters Mac Roman lacks), at most 255 characters;
// the file specification's own name when it cannot be had (a failure other than a missing file is logged).
CStr255_AC GetFullFileName(const FSSpec* spec);
// The Unicode name in Mac Roman, "^" for characters Mac Roman lacks, cut to 255 characters.
void unicodeToPascalString(const HFSUniStr255& name, CStr255_AC& text);
// Mac Roman text to a Unicode name: 0; 4 when there is no text; 5 when it does not fit 255 UTF-16 units.
std::int16_t ConvertCStringToHFSUniStr(const char* macRoman, HFSUniStr255* name);
// The file specification of the item at the POSIX path (UTF-8); the item need not exist when its name fits.
OSErr myMakeFSSpecFromPath(const char* path, FSSpec* spec);

}  // namespace vorl
