// The base of every panel of the preferences window.
//
// A panel shows the fields of one or more preference records in controls found by their four-character ids
// (the child widgets' object names). Its life: `DoPostCreate` takes the snapshot Revert goes back to and fills
// the controls from the live records; the operator's changes reach `DoEvent` with the control's id; at the end
// the window sets whether to save and calls `finish`, which reads the controls into the live records when it is
// set (two panels do so always). Panels never write back from a destructor.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/records/folder_records.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace vorl {

class TPreferencesView : public QWidget {
  Q_OBJECT

 public:
  explicit TPreferencesView(QWidget* parent = nullptr);

  // Puts the record(s) the panel shows back to their factory values and shows them.
  virtual void SetFactorySettings() {}
  // Shows the snapshot taken when the panel opened; the live records are not touched until write-back.
  virtual void Revert() {}
  // Enables the Revert button exactly while `IsChanged` says so.
  void CheckIfChanged();
  // Whether the controls differ from the snapshot; panels that do not compare answer true.
  virtual bool IsChanged() const { return true; }
  // Enables or disables the controls that must not change while processing is on.
  virtual void ViewsEnable(bool on) { static_cast<void>(on); }
  void SetDoSave(bool doSave) noexcept { doSave_ = doSave; }
  bool doSave() const noexcept { return doSave_; }

  // Runs once the panel's controls exist and the window has given it its Revert button.
  virtual void DoPostCreate();
  // The end of the panel: writes the controls into the records when `doSave` is set (or the panel always does).
  void finish();
  void setRevertButton(QAbstractButton* button) noexcept { revert_ = button; }

 signals:
  // A control changed or was pressed, after the panel handled it.
  void controlEvent(const QString& id);

 protected:
  // An operator's change to, or press of, the control with that id.
  virtual void DoEvent(const QString& id) { static_cast<void>(id); }
  // Reads the controls into the live records.
  virtual void writeBack() {}
  virtual bool writesBackAlways() const { return false; }

  // Routes the change signals of every child control to `DoEvent`; called once the controls are built.
  void watchControls();
  // True while the panel itself fills its controls: such changes are no operator events.
  bool filling() const noexcept { return filling_ > 0; }
  class Filling {
   public:
    explicit Filling(TPreferencesView& view) : view_(view) { ++view_.filling_; }
    ~Filling() { --view_.filling_; }
    Filling(const Filling&) = delete;
    Filling& operator=(const Filling&) = delete;

   private:
    TPreferencesView& view_;
  };

  // Typed access to the controls by id; an absent control reads as off, item 1 or empty and ignores writes.
  bool hasControl(const char* id) const;
  bool isChecked(const char* id) const;
  void setChecked(const char* id, bool on);
  // A pop-up's stored value: the value its chosen item stands for (item numbers from 1 unless it was built with
  // values). A value that no item stands for is shown as an extra item "Other (n)" that keeps it, so a pop-up the
  // operator did not touch reads back what was stored.
  int popupItem(const char* id) const;
  void setPopupItem(const char* id, int value);
  QString text(const char* id) const;
  void setText(const char* id, const QString& text);
  void showControl(const char* id, bool shown);
  void enableControls(std::initializer_list<const char*> ids, bool on);

  // The folder display of a panel with one folder ('fldr' and 'volu'): takes `folder` into `live` when it exists,
  // storing its reference with `storeAlias`, and shows what `live` names.
  void UpdateFolderString(tFolderFSSpec& live, const tFolderFSSpec& folder, bool storeAlias);
  // Asks for a folder, starting in the record's; a chosen folder that may hold output is shown and stored.
  // True when the record now names the chosen folder.
  bool chooseRecordFolder(tFolderFSSpec& live, std::int16_t prompt);

  // Mac Roman record text <-> what a control shows.
  static QString fromMacRoman(std::string_view macRoman);
  // The control's text as Mac Roman for a field of `capacity` characters; empty with a message shown when it is
  // too long or holds characters the records cannot store, and then the field keeps its value.
  std::optional<std::string> macRomanField(const char* id, std::size_t capacity, const char* fieldName) const;

 private:
  bool doSave_ = false;
  int filling_ = 0;
  QAbstractButton* revert_ = nullptr;
};

}  // namespace vorl
