// app/preferences/: the preferences window (this unit), one panel per group of settings built from the records in
// preferences/, the folder chooser, and the commands that save the preferences to a file and load them back.
//
// The preferences window: the categories in a list, and next to them the panel of the chosen one.
//
// The categories are those of the table below, shown in that order; a row's text names its category, and a
// text that names none shows an empty panel. The window opens on the category shown last. Its buttons: factory
// settings ('fact') and Revert ('rvrt') for the panel shown, OK and Cancel for the whole window. What OK and
// Cancel do to the stored preferences is the application's (the menu command that opens the window); the window
// only ends the panel shown, writing it back when asked to.
//
// Switching to another category writes the panel shown into the live records first, so no edit is lost on the
// way to OK; Cancel reloads every record from the store and so drops them all.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QLabel;
class QPushButton;

namespace vorl {

class TPreferencesView;

// The category names (row k shows item k), as the window compares them.
inline constexpr std::array<const char*, 6> kPreferenceCategoryNames{
    "General Settings", "Print To File", "Vorl-Print Center", "Print To File Sets", "Output Files", "For Web Upload"};

inline constexpr std::int16_t kGeneralSettingsCategory = 1;
inline constexpr std::int16_t kPrintToFileCategory = 2;
inline constexpr std::int16_t kPrintCenterCategory = 3;
inline constexpr std::int16_t kPrintToFileSetsCategory = 4;
inline constexpr std::int16_t kOutputFilesCategory = 6;
inline constexpr std::int16_t kWebUploadCategory = 7;

// The category of a row's text: 1, 2, 3, 4, 6 or 7; 0 for a text that names none.
std::int16_t GetPrefFromItemText(const QString& text);
// The title shown above a category's panel: item k of the names, item k - 1 above 5; empty for none.
QString preferenceTitle(std::int16_t category);
// A new panel for the category; an empty one for a category without its own.
std::unique_ptr<TPreferencesView> makePreferencesPanel(std::int16_t category);

// The category shown last; the window opens on it. Not stored between runs.
extern std::int16_t gLastSelectedPreference;

class TPreferencesListView final : public QListWidget {
  Q_OBJECT

 public:
  // `container` is where panels are placed ('view'), `title` the text above them.
  TPreferencesListView(QWidget* container, QLabel* title, QPushButton* factory, QPushButton* revert,
                       QWidget* parent = nullptr);
  ~TPreferencesListView() override;

  // Ends the panel shown (writing it back when `doSave`) and shows the category's panel.
  void PrepareView(std::int16_t category);
  TPreferencesView* currentPanel() const noexcept { return panel_.get(); }
  // Ends the panel shown, writing it back when `doSave`; afterwards no panel is shown.
  void closePanel(bool doSave);
  void setControlsEnabled(bool on);

 private:
  QWidget* container_;
  QLabel* title_;
  QPushButton* factory_;
  QPushButton* revert_;
  std::unique_ptr<TPreferencesView> panel_;
  bool controlsEnabled_ = true;
};

class TPreferencesWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit TPreferencesWindow(QWidget* parent = nullptr);
  ~TPreferencesWindow() override;

  TPreferencesListView& categories() noexcept { return *list_; }
  TPreferencesView* currentPanel() const noexcept { return list_->currentPanel(); }
  // Shows the category's row and panel, as a click on its row does.
  void selectCategory(std::int16_t category);
  // While processing is on, the settings it reads cannot be changed.
  void setProcessingOn(bool on);
  // Ends the dialog's panel: written back for OK, dropped for Cancel (two panels write back always).
  void endPanel(bool ok);

  QPushButton* factoryButton() const noexcept { return factory_; }
  QPushButton* revertButton() const noexcept { return revert_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  TPreferencesListView* list_ = nullptr;
  QPushButton* factory_ = nullptr;
  QPushButton* revert_ = nullptr;
};

}  // namespace vorl
