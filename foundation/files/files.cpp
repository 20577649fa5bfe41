#include "foundation/files/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/services/messages.h"
#include "foundation/text/pascal_strings.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/text/mac_roman.h"
#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {

std::int16_t gUsedSpecialGetNumOfFiles = 0;

namespace {

constexpr OSType kTempFileCode = fourCharCode("tmp?");
constexpr std::int32_t kNoDirID = -9999;

std::int32_t findSubFolder(const FSSpec& folder, const Str255& name) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (getFolderVolumeAndID(folder, vRefNum, dirID) != noErr) return -1;
  std::vector<CInfoPBRec> items;
  if (FSListFolder(vRefNum, dirID, items) != noErr) return -1;
  for (const CInfoPBRec& item : items)
    if (IsFolder(&item) && pstrcomp2(Str255(diskNameToMacName(item.diskName)), name)) return item.ioDrDirID;
  return -1;
}

// UTF-16 <-> UTF-8 for the Unicode names; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(const char16_t* units, std::size_t count) {
  std::string utf8;
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    if (c < 0x80) {
      utf8.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | c >> 6));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | c >> 12));
      utf8.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | c >> 18));
      utf8.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return utf8;
}

// Well-formed UTF-8 (what macRomanToUtf8 makes) to UTF-16 units.
std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  return units;
}

}  // namespace

OSErr getFolderVolumeAndID(const FSSpec& folder, std::int16_t& vRefNum, std::int32_t& dirID) {
  if (folder.name.empty()) {
    if (!FSFolderPath(folder.vRefNum, folder.parID)) return dirNFErr;
    vRefNum = folder.vRefNum;
    dirID = folder.parID;
    return noErr;
  }
  fs::path path;
  if (const OSErr error = FSpMakePath(folder, path); error != noErr) return error;
  return FSFolderIDs(path, vRefNum, dirID);
}

bool IsExistingFile(const FSSpec* spec) {
  if (!spec || spec->name.empty()) return false;
  fs::path path;
  return FSpMakePath(*spec, path) == noErr && itemExists(path);
}

bool IsExistingDirectory(const FSSpec* spec) {
  if (!spec) return false;
  if (spec->name.empty()) return IsExistingDirectory(spec->vRefNum, spec->parID);
  // A file that took the folder's name is no folder: finding it would store a folder id of -9999.
  fs::path path;
  return FSpMakePath(*spec, path) == noErr && fs::is_directory(fs::symlink_status(path));
}

bool IsExistingDirectory(std::int16_t vRefNum, std::int32_t dirID) {
  // The registry checks that the id still names the same folder; nothing needs to be listed.
  return FSFolderPath(vRefNum, dirID).has_value();
}

std::int32_t GetFolderDirID(const FSSpec& folder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (const OSErr error = getFolderVolumeAndID(folder, vRefNum, dirID); error != noErr) {
    systemLogf("GetFolderDirID failed with error code = [%i] = [0x%02x]\n", error, error);
    return kNoDirID;
  }
  return dirID;
}

OSErr GetFolderFSSpec(std::int16_t vRefNum, std::int32_t dirID, FSSpec* spec) {
  if (!spec) return -1;
  FSSpec own;
  if (const OSErr error = FSMakeFSSpec(vRefNum, dirID, {}, own); error != noErr) {
    systemLogf("GetFolderFSSpec failed for vRefNum = %d, dirID = %d with error code = %d", vRefNum, dirID, error);
    return -1;
  }
  *spec = own;
  return noErr;
}

OSErr GetParFSSpecInfoFromFSSpec(FSSpec& spec) {
  FSSpec own;
  if (const OSErr error = FSMakeFSSpec(spec.vRefNum, spec.parID, {}, own); error != noErr) return error;
  spec = own;
  return noErr;
}

std::int32_t GetParIDFromDirID(FSSpec& spec) {
  FSSpec own;
  if (const OSErr error = FSMakeFSSpec(spec.vRefNum, spec.parID, {}, own); error != noErr) {
    std::printf("GetParIDFromDirID failed with error code = %d\n", error);
    return -1;
  }
  spec.name = own.name;
  return own.parID;
}

std::int32_t findFolder(const FSSpec& folder, const CStr255_AC& name) { return findSubFolder(folder, name); }

std::int32_t FindFolderParID(const FSSpec& folder, const Str31& name) {
  return findSubFolder(folder, Str255(name.macRoman()));
}

std::int32_t GetSpecialNumberOfFiles(std::int16_t vRefNum, std::int32_t dirID) {
  gUsedSpecialGetNumOfFiles = 1;
  std::vector<CInfoPBRec> items;
  if (FSListFolder(vRefNum, dirID, items) != noErr) return 0;
  std::int32_t visible = 0;
  for (const CInfoPBRec& item : items)
    if (IsVisible(&item)) ++visible;
  return visible;
}

bool IsFolder(const CInfoPBRec* info) { return info && (info->ioFlAttrib & kioFlAttribDirMask) != 0; }

bool IsVisible(const CInfoPBRec* info) { return info && (info->ioFlFndrInfo.fdFlags & kIsInvisible) == 0; }

std::int16_t getXFileInfoStuff(const FSSpec* spec, CInfoPBRec* info) {
  if (!spec || !info) return 0;
  if (const OSErr error = PBGetCatInfoByName(*spec, *info); error != noErr) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "Inside getXFileInfoStuff ->\nError [%i] in getting dir cat...\nvRefNum = [%i]\nioDirID = [%i]\n"
                  "name = [%s] ",
                  error, static_cast<int>(spec->vRefNum), static_cast<int>(spec->parID), spec->name.toUtf8().c_str());
    DisplayNormalMessage(text);
    return 0;
  }
  return 1;
}

bool myFSSpecIsTempFSSpec(const FInfo& info) { return info.fdType == kTempFileCode && info.fdCreator == kTempFileCode; }

OSErr myFSShowHideFile(const FSSpec* spec, bool visible) {
  if (!spec) return paramErr;
  fs::path path;
  if (const OSErr error = FSpMakePath(*spec, path); error != noErr) return error;
  FInfo info;
  if (const OSErr error = getFinderInfo(path, info); error != noErr) return error;
  if (visible)
    info.fdFlags &= static_cast<std::uint16_t>(~kIsInvisible);
  else
    info.fdFlags |= kIsInvisible;
  if (const OSErr error = setFinderInfo(path, info); error != noErr) return error;
  return FlushVol(spec->vRefNum);
}

OSErr myFSClose(std::int16_t* refNum) {
  if (!refNum) return paramErr;
  const OSErr result = *refNum != 0 ? FSClose(*refNum) : noErr;
  *refNum = 0;
  return result;
}

bool WriteNSHFSCreatorCode(std::string_view path, OSType creator) {
  const fs::path file{std::string(path)};
  FInfo info;
  if (getFinderInfo(file, info) != noErr) return false;
  info.fdCreator = creator;
  if (setFinderInfo(file, info) != noErr) return false;
  FInfo readBack;
  const OSErr error = getFinderInfo(file, readBack);
  systemLogf("WriteNSHFSCreatorCode: the creator code of %s reads back as 0x%08X (error %d)", file.c_str(),
             readBack.fdCreator, error);
  return error == noErr && readBack.fdCreator == creator;
}

CStr255_AC GetFullFileName(const FSSpec* spec) {
  if (!spec) return {};
  CStr255_AC name(spec->name.macRoman());
  fs::path path;
  if (const OSErr error = FSpMakePath(*spec, path); error != noErr) {
    systemLogf("GetFullFileName: FSpMakeFSRef fails with error code %d", error);
    return name;
  }
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT)
      systemLogf("GetFullFileName: FSGetCatalogInfo fails with error code %d", osErrFromErrno(errno));
    return name;
  }
  return CStr255_AC(diskNameToMacName(path.filename().string()));
}

void unicodeToPascalString(const HFSUniStr255& name, CStr255_AC& text) {
  const std::size_t count = std::min<std::size_t>(name.length, name.unicode.size());
  text = CStr255_AC(utf8ToMacRoman(utf16ToUtf8(name.unicode.data(), count)));
}

std::int16_t ConvertCStringToHFSUniStr(const char* macRoman, HFSUniStr255* name) {
  if (!macRoman || !name) return 4;
  const std::u16string units = utf8ToUtf16(macRomanToUtf8(macRoman));
  if (units.size() > name->unicode.size()) return 5;
  name->length = static_cast<std::uint16_t>(units.size());
  std::copy(units.begin(), units.end(), name->unicode.begin());
  return 0;
}

OSErr myMakeFSSpecFromPath(const char* path, FSSpec* spec) {
  if (!path || !spec) return paramErr;
  return FSMakeFSSpecFromPath(fs::path(path), *spec);
}

}  // namespace vorl
