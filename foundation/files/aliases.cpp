#include "foundation/files/aliases.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "foundation/services/messages.h"
#include "platform/files/folder_reference.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

OSErr reportSaveFailure(OSErr error) {
  systemLogf("SaveFSSpecAsAliasHandle(FSRef,short) crapped out with error code = [%i]", error);
  DisplayNormalMessage("SaveFSSpecAsAliasHandle FAILED???");
  return error;
}

}  // namespace

std::string aliasHandleKey(std::int16_t aliasId) { return "AliasHandle " + std::to_string(aliasId); }

OSErr SaveFSSpecAsAliasHandle(const FSRef& item, std::int16_t aliasId) {
  fs::path path;
  if (const OSErr error = FSRefMakePath(item, path); error != noErr) return reportSaveFailure(error);
  std::vector<std::uint8_t> blob;
  if (const OSErr error = makeFolderReference(path, blob); error != noErr) return reportSaveFailure(error);
  UserDefaults& defaults = standardUserDefaults();
  defaults.setObject(aliasHandleKey(aliasId), PlistValue(std::move(blob)));
  // The original never looked at this result; a folder choice that silently fails to persist is lost at the
  // next start, so the failure is reported like any other.
  if (const OSErr error = defaults.synchronize(); error != noErr) return reportSaveFailure(error);
  return noErr;
}

void SaveFSSpecAsAliasHandle(const FSSpec& spec, std::int16_t aliasId) {
  FSRef item;
  if (FSpMakeFSRef(spec, item) == noErr) static_cast<void>(SaveFSSpecAsAliasHandle(item, aliasId));  // logged
}

void SaveFSSpecAsAliasHandle(const tFolderFSSpec& folder) {
  const FSSpec spec = folder.spec;
  SaveFSSpecAsAliasHandle(spec, folder.aliasId);
}

Handle ReadAliasHandle(std::int16_t aliasId) {
  const auto blob = standardUserDefaults().data(aliasHandleKey(aliasId));
  if (!blob) return nullptr;
  Handle handle = NewHandle(static_cast<std::int64_t>(blob->size()));
  if (!handle) return nullptr;
  if (!blob->empty()) std::memcpy(*handle, blob->data(), blob->size());
  return handle;
}

std::int16_t validateIfAliasHandle(FSSpec& spec, std::int16_t aliasId) {
  Handle alias = ReadAliasHandle(aliasId);
  if (!alias) return 0;
  const std::vector<std::uint8_t> blob(reinterpret_cast<const std::uint8_t*>(*alias),
                                       reinterpret_cast<const std::uint8_t*>(*alias) + GetHandleSize(alias));
  DisposeHandle(alias);
  ResolvedReference resolved;
  if (const OSErr error = resolveFolderReference(blob, resolved); error != noErr) {
    systemLogf("validateIfAliasHandle: the folder of alias %d cannot be found, error = [%i]", aliasId, error);
    return 0;
  }
  FSSpec found;
  if (const OSErr error = FSMakeFSSpecFromPath(resolved.path, found); error != noErr) {
    systemLogf("validateIfAliasHandle: no file specification for [%s], error = [%i]", resolved.path.c_str(), error);
    return 0;
  }
  // Registers the folder's own id too, so the callers' next look-up by volume and directory id finds it.
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  std::error_code ignored;
  if (fs::is_directory(resolved.path, ignored)) static_cast<void>(FSFolderIDs(resolved.path, vRefNum, dirID));
  spec = found;
  return 1;
}

std::int16_t validateIfAliasHandle(tFolderFSSpec& folder) {
  const std::int16_t aliasId = folder.aliasId;
  systemLogf("my alias handle id = %d", aliasId);
  FSSpec spec = folder.spec;
  const std::int16_t result = validateIfAliasHandle(spec, aliasId);
  if (result == 1) folder.spec = spec;
  return result;
}

}  // namespace vorl
