#include "app/preferences/preference_panel.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "foundation/services/messages.h"
#include "foundation/files/files.h"
#include "platform/core/baton.h"
#include "platform/text/mac_roman.h"
#include "preferences/folder_display.h"
#include "app/preferences/folder_chooser.h"

namespace vorl {

TPreferencesView::TPreferencesView(QWidget* parent) : QWidget(parent) {}

void TPreferencesView::DoPostCreate() {
  if (revert_ != nullptr) revert_->setEnabled(false);
}

void TPreferencesView::CheckIfChanged() {
  if (revert_ != nullptr) revert_->setEnabled(IsChanged());
}

void TPreferencesView::finish() {
  if (!doSave_ && !writesBackAlways()) return;
  BatonHoldUnlessHeld records;
  writeBack();
}

void TPreferencesView::watchControls() {
  for (QWidget* child : findChildren<QWidget*>()) {
    const QString id = child->objectName();
    if (id.size() != 4) continue;
    auto report = [this, id] {
      if (filling()) return;
      {
        BatonHoldUnlessHeld records;  // the panels write some changes into the live records at once
        DoEvent(id);
      }
      emit controlEvent(id);
    };
    if (auto* button = qobject_cast<QAbstractButton*>(child)) {
      connect(button, &QAbstractButton::clicked, this, report);
    } else if (auto* popup = qobject_cast<QComboBox*>(child)) {
      connect(popup, &QComboBox::currentIndexChanged, this, report);
    } else if (auto* field = qobject_cast<QLineEdit*>(child)) {
      if (!field->isReadOnly()) connect(field, &QLineEdit::textChanged, this, report);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(child)) {
      connect(slider, &QAbstractSlider::valueChanged, this, report);
    }
  }
}

bool TPreferencesView::hasControl(const char* id) const { return findChild<QWidget*>(id) != nullptr; }

bool TPreferencesView::isChecked(const char* id) const {
  const auto* button = findChild<QAbstractButton*>(id);
  return button != nullptr && button->isChecked();
}

void TPreferencesView::setChecked(const char* id, bool on) {
  Filling filling(*this);
  if (auto* button = findChild<QAbstractButton*>(id)) button->setChecked(on);
}

namespace {

// Marks the extra item that shows a stored value the pop-up does not list.
constexpr int kOtherValueRole = Qt::UserRole + 1;

}  // namespace

int TPreferencesView::popupItem(const char* id) const {
  const auto* popup = findChild<QComboBox*>(id);
  if (popup == nullptr) return 1;
  const QVariant value = popup->currentData();
  return value.isValid() ? value.toInt() : popup->currentIndex() + 1;
}

void TPreferencesView::setPopupItem(const char* id, int value) {
  Filling filling(*this);
  auto* popup = findChild<QComboBox*>(id);
  if (popup == nullptr) return;
  for (int index = popup->count() - 1; index >= 0; --index) {
    if (popup->itemData(index, kOtherValueRole).toBool()) popup->removeItem(index);
  }
  const bool hasValues = popup->count() > 0 && popup->itemData(0).isValid();
  int index = hasValues ? popup->findData(value) : (value >= 1 && value <= popup->count() ? value - 1 : -1);
  if (index < 0) {
    popup->addItem(tr("Other (%1)").arg(value), value);
    index = popup->count() - 1;
    popup->setItemData(index, true, kOtherValueRole);
  }
  popup->setCurrentIndex(index);
}

QString TPreferencesView::text(const char* id) const {
  if (const auto* field = findChild<QLineEdit*>(id)) return field->text();
  if (const auto* label = findChild<QLabel*>(id)) return label->text();
  return {};
}

void TPreferencesView::setText(const char* id, const QString& text) {
  Filling filling(*this);
  if (auto* field = findChild<QLineEdit*>(id)) {
    field->setText(text);
  } else if (auto* label = findChild<QLabel*>(id)) {
    label->setText(text);
  }
}

void TPreferencesView::showControl(const char* id, bool shown) {
  auto* control = findChild<QWidget*>(id);
  if (control == nullptr) return;
  // A control in a form row takes its label with it.
  if (QWidget* holder = control->parentWidget()) {
    if (auto* form = qobject_cast<QFormLayout*>(holder->layout())) {
      int row = -1;
      QFormLayout::ItemRole role{};
      form->getWidgetPosition(control, &row, &role);
      if (row >= 0) {
        form->setRowVisible(row, shown);
        return;
      }
    }
  }
  control->setVisible(shown);
}

void TPreferencesView::enableControls(std::initializer_list<const char*> ids, bool on) {
  for (const char* id : ids) {
    if (auto* control = findChild<QWidget*>(id)) control->setEnabled(on);
  }
}

void TPreferencesView::UpdateFolderString(tFolderFSSpec& live, const tFolderFSSpec& folder, bool storeAlias) {
  const FolderTexts texts = vorl::UpdateFolderString(live, folder, storeAlias);
  setText("fldr", fromMacRoman(texts.folder));
  setText("volu", fromMacRoman(texts.volume));
}

bool TPreferencesView::chooseRecordFolder(tFolderFSSpec& live, std::int16_t prompt) {
  std::int16_t vRefNum = live.spec.vRefNum;
  std::int32_t dirID = kNoFolderDirID;
  if (!live.holdsNoFolder()) static_cast<void>(getFolderVolumeAndID(live.spec, vRefNum, dirID));
  if (myChooseFolder(vRefNum, dirID, true, prompt) != 1) return false;
  const std::optional<tFolderFSSpec> chosen = folderRecordFor(live, vRefNum, dirID);
  if (!chosen) return false;
  const std::optional<std::filesystem::path> path = existingFolderPath(vRefNum, dirID);
  const std::string refusal = path ? folderRefusal(*path) : std::string();
  if (!refusal.empty()) {
    DisplayNormalMessage(refusal.c_str());
    return false;
  }
  UpdateFolderString(live, *chosen, true);
  return true;
}

QString TPreferencesView::fromMacRoman(std::string_view macRoman) {
  return QString::fromStdString(macRomanToUtf8(macRoman));
}

std::optional<std::string> TPreferencesView::macRomanField(const char* id, std::size_t capacity,
                                                           const char* fieldName) const {
  const std::string utf8 = text(id).toStdString();
  const std::string macRoman = utf8ToMacRoman(utf8);
  std::string problem;
  if (macRomanToUtf8(macRoman) != utf8) {
    problem = std::string("The ") + fieldName + " \"" + utf8 +
              "\" holds characters that cannot be stored; the setting keeps its value.";
  } else if (macRoman.size() > capacity) {
    problem = std::string("The ") + fieldName + " may hold at most " + std::to_string(capacity) +
              " characters; \"" + utf8 + "\" has " + std::to_string(macRoman.size()) +
              ". The setting keeps its value.";
  }
  if (!problem.empty()) {
    DisplayNormalMessage(problem.c_str());
    return std::nullopt;
  }
  return macRoman;
}

}  // namespace vorl
