#include "app/preferences/folder_chooser.h"

#include <utility>

#include "platform/core/baton.h"

namespace vorl {
namespace {

FolderChooser& installedChooser() {
  static FolderChooser chooser;
  return chooser;
}

}  // namespace

void setFolderChooser(FolderChooser chooser) { installedChooser() = std::move(chooser); }

std::int16_t myChooseFolder(std::int16_t& vRefNum, std::int32_t& dirID, bool /*unused*/, std::int16_t prompt) {
  const FolderChooser& chooser = installedChooser();
  if (!chooser) return 0;
  // The worker may go on with the records' owner away at the dialog.
  BatonRelease release;
  return chooser(vRefNum, dirID, prompt);
}

}  // namespace vorl
