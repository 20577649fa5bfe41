// "General Settings": the print-server record's processing switches and its two root folders. Choosing a root
// folder makes the working folders under it at once.
#pragma once

#include "preferences/preference_records.h"
#include "app/preferences/preference_panel.h"

namespace vorl {

class TPrintServerPrefs final : public TPreferencesView {
  Q_OBJECT

 public:
  explicit TPrintServerPrefs(QWidget* parent = nullptr);

  void SetFactorySettings() override;
  void Revert() override;
  bool IsChanged() const override;
  void ViewsEnable(bool on) override;
  void DoPostCreate() override;

  void SetSettings(const tPrintServerPrefs& prefs);

 protected:
  void DoEvent(const QString& id) override;
  void writeBack() override;

 private:
  // The root folder (first) or the second root: chooses on a click, then shows it.
  void rootFolderEvent(bool second, bool clicked);

  tPrintServerPrefs snapshot_{};
};

}  // namespace vorl
