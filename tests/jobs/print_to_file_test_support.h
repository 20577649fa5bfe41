// Shared by the print-to-file tests: a job view whose settings a test fills in directly, print-to-file sets
// pointed at test folders, and a folder tree as sorted text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/engine/job_view.h"
#include "tests/jobs/job_test_support.h"
#include "tests/jobs/output_test_tools.h"

namespace vorl::test {

// A view whose job a test writes field by field instead of through a job file.
class EditableJobView : public TBGPrintView {
 public:
  using TBGPrintView::TBGPrintView;
  JobFileSettings& edit() noexcept { return editableSettings(); }
};

// Sets a 16-bit switch of the print-to-file item at its byte offset (only ever tested for zero).
void setItemSwitch(tPrint2FileItem& item, std::size_t offset, bool on = true);

// Points print-to-file set 1..8 at the folder, as the preferences window would (its reference stored under its
// alias id), and clears the set's other settings.
tSpecialPrintToFilePref& pointSetAt(int set, const std::filesystem::path& folder);
// The same for the single print-to-file folder and the web-upload folder.
void pointPrintToFileFolderAt(const std::filesystem::path& folder);
void pointWebUploadFolderAt(const std::filesystem::path& folder);
// Forgets every stored folder reference of the sets, the single folder and the web upload.
void forgetOutputFolders();

// Every item under the folder, relative, sorted; folders end in "/". Hidden names included, so a staging file
// left behind shows.
std::vector<std::string> folderTree(const std::filesystem::path& folder);

// A white page of that size, alpha 0.
OffscreenPtr makePage(int width, int height);

}  // namespace vorl::test
