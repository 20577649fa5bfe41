#include "foundation/files/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "foundation/services/event_pump.h"
#include "foundation/files/file_errors.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "foundation/text/string_lists.h"
#include "foundation/files/unique_names.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_manager.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::int32_t kNoDirID = -9999;
constexpr std::int16_t kTakenFolderNameItem = 7;
constexpr std::int16_t kFolderNotMadeItem = 8;
constexpr std::int16_t kSourceUnreadableItem = 10;
constexpr std::int16_t kNoMemoryItem = 11;
constexpr std::int16_t kSourceNotOpenedItem = 12;
constexpr std::int16_t kReadFailedItem = 13;
constexpr std::int16_t kCreateFailedItem = 14;
constexpr std::int16_t kDestinationNotOpenedItem = 15;
constexpr std::int16_t kWriteFailedItem = 16;
constexpr std::int16_t kNoFreeNameItem = 50;

bool isFolder(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool sameItem(const fs::path& a, const fs::path& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// The item of a list, then the name it concerns.
void showWithName(std::int16_t list, std::int16_t item, const std::string& utf8Name) {
  Str255 text;
  if (!GetIndString(text, list, item))
    text = Str255::fromUtf8("Message " + std::to_string(list) + "/" + std::to_string(item));
  DisplayNormalMessage(Str255::fromUtf8(text.toUtf8() + " " + utf8Name));
}

// A folder the operator's other programs write into: every account may read and write it. The set-id and
// sticky bits a parent passed on are kept.
void openFolderToEveryone(const fs::path& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return;
  if (::chmod(folder.c_str(), (info.st_mode & 07000) | 0777) != 0)
    systemLogf("setPermissionFolder failed for %s with error %d", folder.c_str(), errno);
}

enum class CopyRule { kChunked, kWhole };

// Reads exactly `wanted` bytes; false on a failure or when the file ends first.
bool readChunk(ReadOnlyFile& input, std::span<std::uint8_t> chunk) {
  std::size_t got = 0;
  while (got < chunk.size()) {
    std::size_t count = 0;
    if (input.read(chunk.subspan(got), count) != noErr || count == 0) return false;
    got += count;
  }
  return true;
}

std::int16_t copyFile(FSSpec* source, FSSpec* destination, bool replace, CopyRule rule) {
  if (!source || !destination) return -1;
  fs::path sourcePath, target;
  if (const OSErr error = FSpMakePath(*source, sourcePath); error != noErr) {
    DisplayNormalMessage(kFileCopyErrorStrings, kSourceUnreadableItem);
    return -1;
  }
  if (const OSErr error = FSpMakePath(*destination, target); error != noErr) {
    displayFileResultCode(error);
    return -1;
  }
  // Replacing a file by itself would first lose it.
  if (replace && (sourcePath == target || sameItem(sourcePath, target))) {
    DisplayNormalMessage("Source directory is the same as destination directory");
    return -1;
  }
  CInfoPBRec info;
  if (!getXFileInfoStuff(source, &info) || IsFolder(&info)) {
    DisplayNormalMessage(kFileCopyErrorStrings, kSourceUnreadableItem);
    return -1;
  }
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(kCopyChunkSize);
  } catch (const std::bad_alloc&) {
    DisplayNormalMessage(kFileCopyErrorStrings, kNoMemoryItem);
    return -1;
  }

  const fs::path folder = target.parent_path();
  if (!replace && itemExists(target)) {
    std::string freeName;
    if (findFreeCopyName(folder, diskNameToMacName(target.filename().string()), rule == CopyRule::kWhole, freeName) !=
        noErr) {
      showWithName(kFileCopyErrorStrings, kNoFreeNameItem, target.filename().string());
      return -1;
    }
    target = folder / macNameToDiskName(freeName);
  }

  ReadOnlyFile input;
  struct stat sourceStatus {};
  if (input.open(sourcePath) != noErr || ::fstat(input.fd(), &sourceStatus) != 0) {
    DisplayNormalMessage(kFileCopyErrorStrings, kSourceNotOpenedItem);
    return -1;
  }
  TempFile copy;
  if (const OSErr error = copy.open(folder); error != noErr) {
    if (rule == CopyRule::kChunked) {
      systemLogf("An error occured when attempting to open de destination file:%s, error=%d", target.c_str(), error);
      displayFileResultCode(error);
    } else {
      DisplayNormalMessage(kFileCopyErrorStrings, kDestinationNotOpenedItem);
    }
    return -1;
  }

  for (auto remaining = static_cast<std::uint64_t>(sourceStatus.st_size); remaining > 0;) {
    const auto chunk =
        std::span(buffer).first(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunkSize, remaining)));
    if (!readChunk(input, chunk)) {
      DisplayNormalMessage(kFileCopyErrorStrings, kReadFailedItem);
      return -1;
    }
    if (const OSErr error = copy.write(chunk); error != noErr) {
      if (error == dskFulErr)
        DisplayNormalMessage("Disk is full!");
      else
        DisplayNormalMessage(kFileCopyErrorStrings, kWriteFailedItem);
      return -1;
    }
    remaining -= chunk.size();
  }
  if (const OSErr error = copy.commit(target, replace); error != noErr) {
    if (error == dskFulErr)
      DisplayNormalMessage("Disk is full!");
    else
      displayFileResultCode(error);
    return -1;
  }

  // The copy is a new file: the source's type and creator, and nothing left from a file it replaced.
  AppleDouble sidecar;
  sidecar.setFinder(FInfo{info.ioFlFndrInfo.fdType, info.ioFlFndrInfo.fdCreator});
  if (const OSErr error = writeAppleDouble(target, sidecar); error != noErr)
    systemLogf("The type and creator of %s could not be set (error %d)", target.c_str(), error);
  if (const OSErr error = FSMakeFSSpecFromPath(target, *destination); error != noErr)
    systemLogf("The copy %s was made but cannot be named by a file specification (error %d)", target.c_str(), error);
  return 0;
}

}  // namespace

OSErr createNewFolder(const Str31& name, std::int16_t vRefNum, std::int32_t parentID, FSSpec* folder) {
  if (!folder) return paramErr;
  if (name.empty()) {
    DisplayNormalMessage("createNewFolder => theName is nil");
    return noErr;
  }
  FSSpec spec;
  spec.vRefNum = vRefNum;
  spec.parID = parentID;
  spec.name.assign(name.text());
  OSErr result = FSMakeFSSpec(vRefNum, parentID, name.macRoman(), spec);
  fs::path path;
  if (result == noErr || result == fnfErr) result = FSpMakePath(spec, path) == noErr ? result : dirNFErr;

  if (result == noErr && isFolder(path)) {
    std::int16_t ownVolume = 0;
    std::int32_t ownID = kNoDirID;
    result = FSFolderIDs(path, ownVolume, ownID);
    spec.parID = result == noErr ? ownID : kNoDirID;
    *folder = spec;
    return result;
  }
  if (result == fnfErr) {
    std::int32_t createdID = kNoDirID;
    result = FSpDirCreate(spec, createdID);
    if (result == noErr) {
      openFolderToEveryone(path);
      spec.parID = createdID;
      *folder = spec;
      return noErr;
    }
  } else if (result == noErr) {
    result = dupFNErr;  // a file has the folder's name
  }
  displayFileResultCode(result);
  DisplayNormalMessage(kFolderErrorStrings, result == dupFNErr ? kTakenFolderNameItem : kFolderNotMadeItem);
  spec.parID = kNoDirID;
  *folder = spec;
  return result;
}

OSErr createNewFile(FSSpec* spec) {
  if (!spec) return paramErr;
  fs::path path;
  if (const OSErr error = FSpMakePath(*spec, path); error != noErr) {
    myNewFileError(error);
    return error;
  }
  if (!itemExists(path)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      const OSErr error = osErrFromErrno(errno);
      myNewFileError(error);
      return error;
    }
    if (fd >= 0) {
      ::close(fd);
      static_cast<void>(writeAppleDouble(path, AppleDouble{}));  // a sidecar left by a former file goes
    }
  }
  return FSMakeFSSpecFromPath(path, *spec);
}

OSErr CreateUniqueFSSpec(FSSpec* spec, OSType creator, OSType type, std::int16_t /*script*/, bool replace) {
  if (!spec) return paramErr;
  if (IsExistingFile(spec)) {
    if (replace) {
      if (const OSErr error = FSpDelete(*spec); error != noErr) {
        systemLogf("FSpDelete failed with error code = %d", error);
        fs::path path;
        if (FSpMakePath(*spec, path) == noErr) {
          systemLogf("dstPath Path = %s", path.c_str());
          if (deleteItem(path) != noErr) systemLogf("Cocoa Delete failed");
        }
      }
    } else if (const OSErr error = getUniqueNameWithCopyBeforeExtForLongNames(spec); error != noErr) {
      return error;
    }
  }
  if (const OSErr error = createNewFile(spec); error != noErr) return error;
  if (creator == 0 && type == 0) return noErr;
  fs::path path;
  if (const OSErr error = FSpMakePath(*spec, path); error != noErr) return error;
  return setFinderInfo(path, FInfo{type, creator});
}

OSErr CreateUniqueFSSpecNew(FSSpec* spec, OSType creator, OSType type, std::int16_t /*script*/, bool replace) {
  if (!spec) return paramErr;
  OSErr result = FSpCreate(*spec, creator, type);
  if (result == dupFNErr) {
    if (replace) {
      result = FSpDelete(*spec);
      if (result == noErr) result = FSpCreate(*spec, creator, type);
    } else {
      FSSpec renamed = *spec;
      if (getUniqueNameWithCopyBeforeExtension(&renamed) != noErr) {
        showWithName(kFileCopyErrorStrings, kNoFreeNameItem, spec->name.toUtf8());
        return dupFNErr;
      }
      *spec = renamed;
      result = FSpCreate(*spec, creator, type);
    }
  }
  if (result != noErr) {
    DisplayNormalMessage(kFileCopyErrorStrings, kCreateFailedItem);
    DisplayNormalMessage(("Problem with creating file: " + std::to_string(result)).c_str());
  }
  return result;
}

std::int16_t doCopyTheFileInChunks(FSSpec* source, FSSpec* destination, bool replace) {
  return copyFile(source, destination, replace, CopyRule::kChunked);
}

std::int16_t doCopyTheFile(FSSpec* source, FSSpec* destination, bool replace) {
  return doCopyTheFileInChunks(source, destination, replace);
}

std::int16_t copyTheFile(FSSpec* source, FSSpec* destination, bool replace) {
  return copyFile(source, destination, replace, CopyRule::kWhole);
}

OSErr myTFileMoveFile(const FSSpec* file, std::int32_t dirID) {
  if (!file) return paramErr;
  const auto fail = [](OSErr error) {
    DisplayNormalMessage(("Cannot Copy and Move File!\rError Code = " + std::to_string(error)).c_str());
    return error;
  };
  fs::path from;
  if (const OSErr error = FSpMakePath(*file, from); error != noErr) return fail(error);
  const auto folder = FSFolderPath(file->vRefNum, dirID);
  if (!folder) return fail(dirNFErr);
  myPollEvent();
  if (!itemExists(from)) return fail(fnfErr);

  fs::path target = *folder / from.filename();
  if (itemExists(target)) {
    std::string freeName;
    if (const OSErr error = findFreeCopyName(*folder, diskNameToMacName(from.filename().string()), true, freeName);
        error != noErr)
      return fail(error);
    target = *folder / macNameToDiskName(freeName);
  }
  bool sourceKept = false;
  if (const OSErr error = moveItem(from, target, false, &sourceKept); error != noErr) {
    if (!sourceKept) return fail(error);
    // The copy is in place; only the source could not be removed.
    systemLogf("Deleting the job file in myTFileMoveFile failed with error code %d", error);
    if (const OSErr again = deleteItem(from); again != noErr) {
      systemLogf("Cocoa deleting of job file in myTFileMoveFile failed with error code %d", again);
      return error;
    }
  }
  static_cast<void>(syncFolder(*folder));
  static_cast<void>(syncFolder(from.parent_path()));
  return noErr;
}

OSErr doNSStringPathCopy(std::string_view sourcePath, std::string_view folderPath, std::string_view newName,
                         bool overwrite) {
  const fs::path source{std::string(sourcePath)};
  const fs::path folder{std::string(folderPath)};
  systemLogf("my source Path = %s, my dest path = %s", source.c_str(), folder.c_str());
  if (!isUsableDiskName(newName) || newName.starts_with('.')) {
    systemLogf("doNSStringPathCopy: [%.*s] is no file name", static_cast<int>(newName.size()), newName.data());
    return bdNamErr;
  }
  const fs::path target = folder / std::string(newName);
  systemLogf("my source Path = %s, my dest path = %s", source.c_str(), target.c_str());
  const OSErr error = moveItem(source, target, overwrite);
  if (error != noErr) systemLogf("doNSStringPathCopy: moving failed with error %d", error);
  return error;
}

}  // namespace vorl
