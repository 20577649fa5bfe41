// "Output Files": the compression quality of the files the processor writes (10 to 100). A change reaches the
// record at once, and the panel writes it back whenever it closes; Cancel reloads the record from the store.
#pragma once

#include "preferences/preference_records.h"
#include "app/preferences/preference_panel.h"

namespace vorl {

class TOutputFilePrefs final : public TPreferencesView {
  Q_OBJECT

 public:
  explicit TOutputFilePrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  void DoPostCreate() override;

  void SetSettings(const tOutputFilePrefs& prefs);

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override;
  bool writesBackAlways() const override { return true; }

 private:
  tOutputFilePrefs snapshot_{};
};

}  // namespace vorl
