// "For Web Upload": the folder and file naming of the pictures prepared for web upload, in the same controls
// as a print-to-file set.
#pragma once

#include "foundation/records/print_to_file_record.h"
#include "app/preferences/print_to_file_set_view.h"

namespace vorl {

class TWebUploadPrefs final : public TPrintToFileSetView {
  Q_OBJECT

 public:
  explicit TWebUploadPrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  bool IsChanged() const override { return false; }
  void DoPostCreate() override;

  void SetSettings(const tSpecialPrintToFilePref& prefs);
  void GetSettings();

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override { GetSettings(); }

 private:
  tSpecialPrintToFilePref snapshot_{};
};

}  // namespace vorl
