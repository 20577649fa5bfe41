#include "foundation/files/path_conversions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

OSErr folderReference(const FSSpec& folder, FSRef& ref) {
  if (folder.parID == fsRtParID) {
    systemLog("GetValidFileFSSpec = Must Be At ROOT Level!!!");
    return FSpMakeFSRef(folder, ref);
  }
  // The parent-id field holds the folder's own id: make the folder's real specification first.
  FSSpec own;
  if (const OSErr error = FSMakeFSSpec(folder.vRefNum, folder.parID, {}, own); error != noErr) return error;
  return FSpMakeFSRef(own, ref);
}

}  // namespace

OSErr GetValidFileFSSpec(const Str255& name, FSSpec& folder, bool create, bool makeFSSpec) {
  FSRef folderRef;
  fs::path folderPath;
  OSErr status = folderReference(folder, folderRef);
  if (status == noErr) status = FSRefMakePath(folderRef, folderPath);
  if (status != noErr) {
    systemLogf("GetValidFileFSSpec Failed with ErrorCode = [%i] = [0x%02x]", status, static_cast<unsigned>(status));
    return status;
  }
  const std::string diskName = macNameToDiskName(name.macRoman());
  if (!isUsableDiskName(diskName)) return bdNamErr;
  const fs::path file = folderPath / diskName;

  struct stat info {};
  status = ::lstat(file.c_str(), &info) == 0 ? noErr : osErrFromErrno(errno);
  if (create && status == fnfErr) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    status = fd >= 0 ? noErr : osErrFromErrno(errno);
    if (fd >= 0) ::close(fd);
    systemLogf(status == noErr ? "GetValidFileFSSpec => FSCreateFileUnicode2 SUCCEEDED with ErrorCode = [%i] = "
                                 "[0x%02x]"
                               : "GetValidFileFSSpec => FSCreateFileUnicode2 Failed with ErrorCode = [%i] = [0x%02x]",
               status, static_cast<unsigned>(status));
  }
  if (makeFSSpec && status == noErr) {
    FSSpec made;
    status = FSMakeFSSpecFromPath(file, made);
    if (status == noErr) folder = made;
  }
  return status;
}

std::optional<std::string> FSSpecToNSStringPath(const FSSpec& spec) {
  FSRef ref;
  fs::path path;
  if (FSpMakeFSRef(spec, ref) != noErr || FSRefMakePath(ref, path) != noErr) {
    systemLog("FSpMakeFSRef fails in FSSpecToNSStringPath");
    return std::nullopt;
  }
  return path.string();
}

FSSpec* NSStringFilePathToFSSpec(FSSpec* spec, std::string_view path) {
  FSRef ref;
  if (path.empty() || FSPathMakeRef(fs::path(path), ref) != noErr) {
    systemLog("CFURLGetFSRef fails in NSStringFilePathToFSSpec");
    return spec;
  }
  if (spec) {
    *spec = FSSpec{};
    static_cast<void>(FSRefMakeFSSpec(ref, spec));  // as on the Mac, this step's result is not passed on
  }
  return spec;
}

Str255 NSStringToCStr255(std::string_view utf8) { return Str255::fromUtf8(utf8); }

std::string CStr255ToNSString(const Str255& text) { return text.toUtf8(); }

}  // namespace vorl
