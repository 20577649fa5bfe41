#include "foundation/files/unique_names.h"

#include <sys/stat.h>

#include <cerrno>
#include <limits>

#include "foundation/files/file_naming.h"
#include "foundation/files/files.h"
#include "foundation/files/long_names.h"
#include "foundation/services/messages.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::int32_t kPrintToFileTries = 100000;
constexpr int kBoundedCopyTries = 5000;  // " copy", then " copy 1" .. " copy 4999"
constexpr int kLongCopyTries = 4999;
constexpr int kNewCopyTries = 5000;
constexpr const char* kPrintToFileExhausted = "getUniqueNameForPrintToFile: counter > kMaxFileNameLoop value";

// fnfErr when no item of the folder bears the Mac Roman name, noErr when one does, else why it cannot be told.
OSErr probe(const fs::path& folder, std::string_view macName) {
  const std::string diskName = macNameToDiskName(macName);
  if (!isUsableDiskName(diskName)) return bdNamErr;
  struct stat info {};
  if (::lstat((folder / diskName).c_str(), &info) == 0) return noErr;
  return osErrFromErrno(errno);
}

// The same for a candidate set into the file specification.
OSErr probe(const FSSpec& spec) {
  fs::path path;
  if (const OSErr error = FSpMakePath(spec, path); error != noErr) return error;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) return noErr;
  return osErrFromErrno(errno);
}

// The numbered searches: candidates from the caller's number upwards, set into the file specification one by one.
template <class MakeName>
OSErr numberedSearch(std::int32_t& number, std::int32_t tries, FSSpec* spec, MakeName makeName,
                     const char* exhaustedMessage) {
  if (!spec) return paramErr;
  CStr255_AC previous;
  for (std::int32_t tried = 0; tried < tries; ++tried) {
    const CStr255_AC candidate = makeName(number);
    if (tried > 0 && candidate == previous) break;  // the number is capped: no new name is left to try
    spec->name.assign(candidate.text());
    const OSErr state = probe(*spec);
    if (state == fnfErr) return noErr;
    if (state != noErr) return state;
    previous = candidate;
    if (tried + 1 == tries || number == std::numeric_limits<std::int32_t>::max()) break;
    ++number;
  }
  DisplayNormalMessage(exhaustedMessage);
  return dupFNErr;
}

// True when the Mac Roman name can be held by a specification as it is.
bool fitsAnFSSpec(const std::string& macName) {
  return macName.size() <= Str63::kCapacity && isUsableDiskName(macNameToDiskName(macName));
}

std::int16_t freeNameWithCopy(const fs::path& folder, std::string_view base, std::string_view extension,
                              CStr255_AC& result) {
  CStr255_AC previous;
  for (int k = 0; k < kNewCopyTries; ++k) {
    std::string name(base);
    if (k >= 1) name += " copy";
    if (k >= 2) name += " " + std::to_string(k - 1);
    name.append(extension);
    const CStr255_AC candidate(name);
    if (k > 0 && candidate == previous) break;  // cut at 255 characters: every further candidate is the same
    previous = candidate;
    HFSUniStr255 unicode;
    if (ConvertCStringToHFSUniStr(std::string(candidate.macRoman()).c_str(), &unicode) != 0) {
      DisplayNormalMessage("newGetUniqueNameWithCopy - Should never be here either????");
      return -1;
    }
    const OSErr state = probe(folder, candidate.macRoman());
    if (state == fnfErr) {
      result = candidate;
      return 0;
    }
    // A candidate that cannot be looked up cannot be used, nor can the longer ones after it.
    if (state != noErr) {
      systemLogf("newGetUniqueNameWithCopy - cannot look up [%s] in %s: error %d", candidate.toUtf8().c_str(),
                 folder.c_str(), state);
      return -1;
    }
  }
  DisplayNormalMessage("newGetUniqueNameWithCopy - Cannot loop beyond 5000???");
  return -1;
}

}  // namespace

OSErr getUniqueName(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension, bool /*flag*/,
                    FSSpec* spec) {
  return numberedSearch(
      number, kMaxFileNameLoop, spec, [&](std::int32_t n) { return createNameForSittingImages(base, n, extension); },
      "getUniqueName: counter > kMaxFileNameLoop value");
}

OSErr getUniqueNameForPrintToFile(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension,
                                  std::int16_t width, FSSpec* spec) {
  return numberedSearch(
      number, kPrintToFileTries, spec, [&](std::int32_t n) { return FormFileNameOld(base, n, extension, true, width); },
      kPrintToFileExhausted);
}

OSErr getUniqueNameForPrintToFileNew(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension,
                                     std::int16_t width, FSSpec* spec) {
  if (!spec) return paramErr;
  fs::path current;
  if (const OSErr error = FSpMakePath(*spec, current); error != noErr) return error;
  CStr255_AC previous;
  for (std::int32_t tried = 0; tried < kPrintToFileTries; ++tried) {
    const CStr255_AC candidate = FormFileNameNew(base, number, extension, true, width);
    if (tried > 0 && candidate == previous) break;
    previous = candidate;
    const std::string diskName = macNameToDiskName(candidate.macRoman());
    if (!isUsableDiskName(diskName)) return bdNamErr;
    const fs::path target = current.parent_path() / diskName;
    const OSErr error = target == current ? noErr : renameItem(current, target, false);
    if (error == noErr) {
      spec->name.assign(candidate.text());
      return noErr;
    }
    if (error != dupFNErr) {
      systemLogf("getUniqueNameForPrintToFileNew: renaming %s to %s failed with error %d", current.c_str(),
                 target.c_str(), error);
      return error;
    }
    if (tried + 1 == kPrintToFileTries || number == std::numeric_limits<std::int32_t>::max()) break;
    ++number;
  }
  DisplayNormalMessage(kPrintToFileExhausted);
  return dupFNErr;
}

OSErr findFreeCopyName(const fs::path& folder, std::string_view macName, bool bounded, std::string& freeName) {
  const copy_names::Split split = copy_names::splitAtExtension(macName);
  const std::string base = copy_names::withoutCopySuffix(split.base);
  const std::string copyBase = base + " copy";
  const int tries = bounded ? kBoundedCopyTries : kLongCopyTries;
  for (int k = 0; k < tries; ++k) {
    freeName = bounded ? copy_names::boundedCopyName(base, split.extension, k)
                       : copy_names::longCopyName(copyBase, split.extension, k);
    const OSErr state = probe(folder, freeName);
    if (state == fnfErr) return noErr;
    if (state != noErr) return state;
  }
  systemLogf("No free copy name for [%s] in %s after %d tries", macRomanToUtf8(macName).c_str(), folder.c_str(), tries);
  return dupFNErr;
}

OSErr getUniqueNameWithCopyBeforeExtension(FSSpec* spec) {
  if (!spec) return paramErr;
  const auto folder = FSFolderPath(spec->vRefNum, spec->parID);
  if (!folder) return dirNFErr;
  std::string freeName;
  const OSErr error = findFreeCopyName(*folder, fsSpecToRealName(*spec).macRoman(), true, freeName);
  if (error == noErr || error == dupFNErr) spec->name.assign(freeName);
  return error;
}

OSErr getUniqueNameWithCopy(FSSpec* spec) { return getUniqueNameWithCopyBeforeExtension(spec); }

OSErr getUniqueNameWithCopyBeforeExtForLongNames(FSSpec* spec) {
  if (!spec) return paramErr;
  const auto folder = FSFolderPath(spec->vRefNum, spec->parID);
  if (!folder) return dirNFErr;
  std::string freeName;
  if (const OSErr error = findFreeCopyName(*folder, fsSpecToRealName(*spec).macRoman(), false, freeName);
      error != noErr)
    return error;
  if (!fitsAnFSSpec(freeName)) return bdNamErr;
  spec->name.assign(freeName);
  return noErr;
}

std::int16_t newGetUniqueNameWithCopy(const FSRef* parent, const CStr255_AC& base, const CStr255_AC& extension,
                                      CStr255_AC& result) {
  if (!parent) {
    DisplayNormalMessage("newGetUniqueNameWithCopy - parentRef -> Nil Pointer!");
    return -1;
  }
  fs::path folder;
  if (const OSErr error = FSRefMakePath(*parent, folder); error != noErr) {
    systemLogf("newGetUniqueNameWithCopy - the folder cannot be found: error %d", error);
    return -1;
  }
  return freeNameWithCopy(folder, base.macRoman(), extension.macRoman(), result);
}

std::int16_t newGetUniqueNameWithCopy(FSSpec* spec, const CStr255_AC& base, const CStr255_AC& extension) {
  if (!spec) {
    DisplayNormalMessage("newGetUniqueNameWithCopy - fileSpec -> Nil Pointer!");
    return -1;
  }
  const auto folder = FSFolderPath(spec->vRefNum, spec->parID);
  if (!folder) {
    systemLogf("newGetUniqueNameWithCopy - the folder cannot be found: error %d", dirNFErr);
    return -1;
  }
  CStr255_AC result;
  if (freeNameWithCopy(*folder, base.macRoman(), extension.macRoman(), result) != 0) return -1;
  if (!fitsAnFSSpec(std::string(result.macRoman()))) {
    systemLogf("newGetUniqueNameWithCopy - the free name [%s] is too long for a file specification",
               result.toUtf8().c_str());
    return -1;
  }
  spec->name.assign(result.text());
  return 0;
}

OSErr newFSpRename(FSRef* item, const char* newName) {
  if (!item) {
    DisplayNormalMessage("newFSpRename - existingFSRef -> Nil Pointer!");
    return -1;
  }
  if (!newName) {
    DisplayNormalMessage("newFSpRename - newName -> Nil Pointer!");
    return -1;
  }
  HFSUniStr255 unicode;
  if (ConvertCStringToHFSUniStr(newName, &unicode) != 0) {
    DisplayNormalMessage("newFSpRename - failed on ConvertCStringToHFSUniStr???");
    return bdNamErr;
  }
  const std::string diskName = macNameToDiskName(newName);
  if (!isUsableDiskName(diskName)) return bdNamErr;
  fs::path from;
  if (const OSErr error = FSRefMakePath(*item, from); error != noErr) return error;
  const fs::path to = from.parent_path() / diskName;
  if (to != from)
    if (const OSErr error = renameItem(from, to, false); error != noErr) return error;
  item->diskName = diskName;
  return noErr;
}

OSErr newFSpRename(FSSpec* item, const char* newName) {
  if (!item) {
    DisplayNormalMessage("newFSpRename - itemFSSpec -> Nil Pointer!");
    return -1;
  }
  if (!newName) {
    DisplayNormalMessage("newFSpRename - newName -> Nil Pointer!");
    return -1;
  }
  FSRef ref;
  if (const OSErr error = FSpMakeFSRef(*item, ref); error != noErr) {
    DisplayNormalMessage("newFSpRename - Cannot create FSpMakeFSRef from exisiting FSSpec???");
    return error;
  }
  if (const OSErr error = newFSpRename(&ref, newName); error != noErr) return error;
  return FSRefMakeFSSpec(ref, item);
}

OSErr convertFSRefToFSSpec(const FSRef* ref, FSSpec* spec) {
  if (!ref) {
    DisplayNormalMessage("convertFSRefToFSSpec - srcFSRef -> Nil Pointer!");
    return paramErr;
  }
  if (!spec) {
    DisplayNormalMessage("convertFSRefToFSSpec - retFSSpec -> Nil Pointer!");
    return paramErr;
  }
  if (const OSErr error = FSRefMakeFSSpec(*ref, spec); error != noErr) {
    const std::string text =
        "convertFSRefToFSSpec - Unable to convertFSRefToFSSpec -> error code = [" + std::to_string(error) + "]";
    DisplayNormalMessage(text.c_str());
    return error;
  }
  return noErr;
}

}  // namespace vorl
