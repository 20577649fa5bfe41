// "Print To File Sets": the eight print-to-file sets, one at a time, chosen in the pop-up 'path'. Choosing
// another set writes the one shown into its record at once. Which options show follows the set's naming and
// format.
#pragma once

#include <array>

#include "foundation/records/print_to_file_record.h"
#include "preferences/preference_records.h"
#include "app/preferences/print_to_file_set_view.h"

namespace vorl {

class TPrintToFileSetPrefs final : public TPrintToFileSetView {
  Q_OBJECT

 public:
  explicit TPrintToFileSetPrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  bool IsChanged() const override { return false; }
  void DoPostCreate() override;

  void SetSettings(const tSpecialPrintToFilePref& set);
  // Reads every control into set `setNumber`.
  void GetSettings(std::int16_t setNumber);
  std::int16_t currentSet() const noexcept { return currentSet_; }

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override;

 private:
  void applyNamingRules(std::int16_t naming);
  void applyFormatRules(std::int16_t format);
  // Dialog 1007: the three sets a page of this set is copied into as well.
  void editLinkedSets(tSpecialPrintToFilePref& set);

  // Every set as the panel found it; Revert goes back to the one shown.
  std::array<tSpecialPrintToFilePref, kPrintToFileSetCount> snapshot_{};
  std::int16_t currentSet_ = 1;
};

}  // namespace vorl
