// Builds a panel's controls in code, each named by its four-character id, in a two-column form.
#pragma once

#include <QString>
#include <QList>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vorl {

class PanelBuilder {
 public:
  // Lays out the rows in `panel`'s form, made when it has none.
  explicit PanelBuilder(QWidget& panel);

  QCheckBox* check(const char* id, const QString& label);
  // A pop-up whose items stand for the stored values 1, 2, 3, … or, when given, for `values` (one per item).
  QComboBox* popup(const char* id, const QString& label, const QStringList& items, const QList<int>& values = {});
  QLineEdit* field(const char* id, const QString& label);
  QLabel* value(const char* id, const QString& label);
  QPushButton* button(const char* id, const QString& label);
  // A folder: its choose button, folder and volume texts.
  void folder(const char* buttonId, const char* folderId, const char* volumeId, const QString& label);
  // Two radio buttons in one group box.
  void radioPair(const char* groupId, const char* firstId, const QString& first, const char* secondId,
                 const QString& second, const QString& label);
  // A group the next rows go into until `endGroup`.
  QGroupBox* beginGroup(const char* id, const QString& title);
  void endGroup();
  // A row of its own for a widget made elsewhere; `labelId` names the row's label when not null.
  void row(const QString& label, QWidget* widget, const char* labelId = nullptr);

 private:
  QWidget& panel_;
  QFormLayout* form_;
  QFormLayout* outer_;
};

}  // namespace vorl
