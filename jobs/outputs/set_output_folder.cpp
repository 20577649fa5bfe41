#include "jobs/outputs/set_output_folder.h"

#include <algorithm>
#include <optional>

#include "foundation/files/aliases.h"
#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/output_file_utilities.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Byte offsets of the switches in the print-to-file item.
constexpr std::size_t kMakeSubFolders = 4;
constexpr std::size_t kRuleAFolderA = 6;
constexpr std::size_t kRuleAOrderThenCustomer = 8;
constexpr std::size_t kRuleB = 10;
constexpr std::size_t kRuleBFolderB = 12;
constexpr std::size_t kRuleBFolderA = 14;
constexpr std::size_t kRuleBCustomer = 16;

std::string folderNameOf(std::string_view macRoman) { return std::string(Str31(macRoman).macRoman()); }

// Folder text A up to its first "_"; the whole text when it has none or starts with one.
std::string_view orderPart(std::string_view text) {
  const std::size_t underscore = text.find('_');
  if (underscore == std::string_view::npos || underscore == 0) return text;
  return text.substr(0, underscore);
}

}  // namespace

bool print2FileItemSwitch(const tPrint2FileItem& item, std::size_t offset) noexcept {
  if (offset + 2 > sizeof(tPrint2FileItem)) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&item);
  return bytes[offset] != 0 || bytes[offset + 1] != 0;
}

bool makesSubFolders(const tPrint2FileItem& item) noexcept { return print2FileItemSwitch(item, kMakeSubFolders); }

std::vector<std::string> subFolderNames(const tPrint2FileItem& item, const tSpecialPrintToFilePref& jobRecord,
                                        std::int16_t setNamingMode, const CStr255_AC& baseName) {
  std::vector<std::string> names;
  if (!makesSubFolders(item)) return names;
  const std::string_view textA = jobRecord.folderTextA.macRoman();
  const std::string_view textB = jobRecord.folderTextB.macRoman();
  const CStr255_AC customer = getCustomerNameFromFileName(baseName);

  if (print2FileItemSwitch(item, kRuleB)) {
    if (print2FileItemSwitch(item, kRuleBFolderB)) names.push_back(folderNameOf(textB));
    if (print2FileItemSwitch(item, kRuleBFolderA)) names.push_back(folderNameOf(textA));
    if (print2FileItemSwitch(item, kRuleBCustomer)) names.push_back(folderNameOf(customer.macRoman()));
  } else if (print2FileItemSwitch(item, kRuleAFolderA)) {
    names.push_back(folderNameOf(textA));
  } else if (print2FileItemSwitch(item, kRuleAOrderThenCustomer)) {
    names.push_back(folderNameOf(orderPart(textA)));
    names.push_back(folderNameOf(customer.macRoman()));
  } else {
    names.push_back(kCustomerOrdersFolderName);
    if (customer.macRoman() != textA && setNamingMode != 6) names.push_back(folderNameOf(customer.macRoman()));
  }
  return names;
}

bool usableFolderName(std::string_view macRoman) noexcept {
  if (macRoman.empty() || macRoman.front() == '.') return false;  // also ".", ".." and hidden folders
  return std::none_of(macRoman.begin(), macRoman.end(), [](char c) { return c == '/' || c == '\0'; });
}

std::int16_t GetSetOutputFolder(const TBGPrintView& view, tSpecialPrintToFilePref& set, const CStr255_AC& baseName,
                                SetOutputFolder& folder) {
  if (validateIfAliasHandle(set.folder) == 0) {
    systemLog("GetSetOutputFolder: the print-to-file set folder cannot be found");
    return kPrintToFileFolderMissing;
  }
  std::int16_t vRefNum = set.folder.spec.vRefNum;
  std::int32_t dirID = GetFolderDirID(set.folder.spec);
  if (dirID == -9999) return kPrintToFileFolderMissing;

  const JobFileSettings& job = view.settings();
  const std::vector<std::string> names =
      subFolderNames(job.print2FileItem, job.printToFileRecord, set.namingScheme.value(), baseName);
  // Every name is checked before the first folder is made, so a refused name leaves no folder behind either. An
  // empty name is no danger: the job simply did not fill that text, and its files go into the folder above.
  for (const std::string& name : names) {
    if (name.empty() || usableFolderName(name)) continue;
    const std::string shown = Str255(name).toUtf8();
    systemLogf("GetSetOutputFolder: refused the sub-folder name \"%s\"", shown.c_str());
    DisplayNormalMessage(("The job names the output sub-folder \"" + shown +
                          "\", which cannot be made inside the print-to-file set folder; nothing was saved.")
                             .c_str());
    return kOutputFailed;
  }
  for (const std::string& name : names) {
    FSSpec made;
    if (createNewFolder(Str31(name), vRefNum, dirID, &made) != noErr || made.parID == -9999) return kOutputFailed;
    if (name.empty()) continue;  // told by createNewFolder; nothing was made, so the folder stays the parent
    vRefNum = made.vRefNum;
    dirID = made.parID;
  }
  const std::optional<std::filesystem::path> path = FSFolderPath(vRefNum, dirID);
  if (!path) return kOutputFailed;
  folder = {*path, vRefNum, dirID};
  return 0;
}

}  // namespace vorl
