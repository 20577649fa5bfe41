#include "jobs/delivery/print_centre_folder.h"

#include <algorithm>
#include <system_error>

#include "foundation/text/date_time.h"
#include "foundation/files/files.h"
#include "foundation/services/os_services.h"
#include "platform/files/file_specs.h"

namespace vorl {
namespace {

constexpr std::size_t kTemplateCharactersInName = 15;

}  // namespace

OSErr resolvePrintCentreFolder(const FSSpec& folder, PrintCentreFolder& resolved) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (const OSErr error = getFolderVolumeAndID(folder, vRefNum, dirID); error != noErr) return error;
  const std::optional<std::filesystem::path> path = FSFolderPath(vRefNum, dirID);
  if (!path) return dirNFErr;
  std::error_code error;
  if (!std::filesystem::is_directory(*path, error)) return dirNFErr;
  resolved = {*path, vRefNum, dirID};
  return noErr;
}

std::string macAddressForNames() {
  std::string address = QAVLOR_MUID::mainMACAddress();
  std::erase(address, ':');
  return address;
}

std::string printJobBaseName(const std::string& macAddress, const Str31& templateName) {
  const std::string_view templateText = templateName.macRoman();
  std::string name(getCurrentDateString(99).macRoman());
  name += '_';
  name += getCurrentTimeString().macRoman();
  name += '_';
  name += macAddress;
  name += '_';
  name += templateText.substr(0, std::min(templateText.size(), kTemplateCharactersInName));
  return name;
}

}  // namespace vorl
