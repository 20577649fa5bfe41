// The controls of a print-to-file destination (`tSpecialPrintToFilePref`), shared by the panel of the
// eight print-to-file sets, the web-upload panel and the single print-to-file panel: destination folder, switches,
// naming with its prefix, orientation and rotation, format and extension.
#pragma once

#include "foundation/records/print_to_file_record.h"
#include "app/preferences/preference_panel.h"

namespace vorl {

class TPrintToFileSetView : public TPreferencesView {
  Q_OBJECT

 public:
  using TPreferencesView::TPreferencesView;

  void ViewsEnable(bool on) override;

 protected:
  // The controls every destination has; the prefix goes into a group 'view' when `prefixInGroup`.
  void buildDestinationControls(bool prefixInGroup);
  // Fills and reads the controls that `buildDestinationControls` made.
  void showDestination(const tSpecialPrintToFilePref& record);
  // Texts that do not fit their fields leave those fields as they were (with a message).
  void readDestination(tSpecialPrintToFilePref& record) const;
  // 'exte' := the extension of the format chosen in 'frmt'.
  void showExtensionOfFormat();
};

}  // namespace vorl
