#include "app/preferences/panel_builder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vorl {

PanelBuilder::PanelBuilder(QWidget& panel) : panel_(panel), form_(qobject_cast<QFormLayout*>(panel.layout())) {
  // A second builder on the same panel goes on with its rows.
  if (form_ == nullptr) {
    form_ = new QFormLayout(&panel);
    form_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  }
  outer_ = form_;
}

void PanelBuilder::row(const QString& label, QWidget* widget, const char* labelId) {
  if (label.isEmpty()) {
    form_->addRow(widget);
    return;
  }
  auto* text = new QLabel(label, &panel_);
  if (labelId != nullptr) text->setObjectName(QString::fromLatin1(labelId));
  form_->addRow(text, widget);
}

QCheckBox* PanelBuilder::check(const char* id, const QString& label) {
  auto* box = new QCheckBox(label, &panel_);
  box->setObjectName(QString::fromLatin1(id));
  row({}, box);
  return box;
}

QComboBox* PanelBuilder::popup(const char* id, const QString& label, const QStringList& items,
                               const QList<int>& values) {
  auto* menu = new QComboBox(&panel_);
  menu->setObjectName(QString::fromLatin1(id));
  for (qsizetype i = 0; i < items.size(); ++i)
    menu->addItem(items[i], i < values.size() ? values[i] : static_cast<int>(i + 1));
  row(label, menu);
  return menu;
}

QLineEdit* PanelBuilder::field(const char* id, const QString& label) {
  auto* edit = new QLineEdit(&panel_);
  edit->setObjectName(QString::fromLatin1(id));
  row(label, edit);
  return edit;
}

QLabel* PanelBuilder::value(const char* id, const QString& label) {
  auto* text = new QLabel(&panel_);
  text->setObjectName(QString::fromLatin1(id));
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row(label, text);
  return text;
}

QPushButton* PanelBuilder::button(const char* id, const QString& label) {
  auto* push = new QPushButton(label, &panel_);
  push->setObjectName(QString::fromLatin1(id));
  row({}, push);
  return push;
}

void PanelBuilder::folder(const char* buttonId, const char* folderId, const char* volumeId, const QString& label) {
  auto* line = new QWidget(&panel_);
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* choose = new QPushButton(QStringLiteral("Choose…"), line);
  choose->setObjectName(QString::fromLatin1(buttonId));
  auto* folderText = new QLabel(line);
  folderText->setObjectName(QString::fromLatin1(folderId));
  folderText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* volumeText = new QLabel(line);
  volumeText->setObjectName(QString::fromLatin1(volumeId));
  volumeText->setStyleSheet(QStringLiteral("color: gray"));
  layout->addWidget(choose);
  layout->addWidget(folderText, 1);
  layout->addWidget(volumeText);
  row(label, line);
}

void PanelBuilder::radioPair(const char* groupId, const char* firstId, const QString& first, const char* secondId,
                             const QString& second, const QString& label) {
  auto* box = new QWidget(&panel_);
  box->setObjectName(QString::fromLatin1(groupId));
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* a = new QRadioButton(first, box);
  a->setObjectName(QString::fromLatin1(firstId));
  auto* b = new QRadioButton(second, box);
  b->setObjectName(QString::fromLatin1(secondId));
  auto* group = new QButtonGroup(box);
  group->addButton(a);
  group->addButton(b);
  layout->addWidget(a);
  layout->addWidget(b);
  layout->addStretch(1);
  row(label, box);
}

QGroupBox* PanelBuilder::beginGroup(const char* id, const QString& title) {
  auto* group = new QGroupBox(title, &panel_);
  group->setObjectName(QString::fromLatin1(id));
  outer_->addRow(group);
  form_ = new QFormLayout(group);
  return group;
}

void PanelBuilder::endGroup() { form_ = outer_; }

}  // namespace vorl
