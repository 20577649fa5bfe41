// "Print To File": the single print-to-file destination folder and its two switches. The format, naming and
// orientation controls only show what they would give: the record keeps none of them.
#pragma once

#include "preferences/preference_records.h"
#include "app/preferences/print_to_file_set_view.h"

namespace vorl {

class TPrintToFilePrefs final : public TPrintToFileSetView {
  Q_OBJECT

 public:
  explicit TPrintToFilePrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  void DoPostCreate() override;

  void SetSettings(const tPrintToFilePrefs& prefs);

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override;

 private:
  tPrintToFilePrefs snapshot_{};
};

}  // namespace vorl
