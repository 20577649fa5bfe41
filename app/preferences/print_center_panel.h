// "Vorl-Print Center": the folder the print-centre application takes its hand-overs from, and whether they are
// JPEG files with property lists (the new print centre) or print-data files. This panel writes its controls
// into the record whenever it closes; Cancel reloads the record from the store.
#pragma once

#include "preferences/preference_records.h"
#include "app/preferences/preference_panel.h"

namespace vorl {

class TProcessedJobsPrefs final : public TPreferencesView {
  Q_OBJECT

 public:
  explicit TProcessedJobsPrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  bool IsChanged() const override;
  void ViewsEnable(bool on) override;
  void DoPostCreate() override;

  void SetSettings(const tProcessedJobsPrefs& prefs);

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override;
  bool writesBackAlways() const override { return true; }

 private:
  tProcessedJobsPrefs snapshot_{};
};

}  // namespace vorl
