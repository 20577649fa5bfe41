#include "app/preferences/preferences_window.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <iostream>

#include "platform/core/baton.h"
#include "app/preferences/general_settings_panel.h"
#include "app/preferences/output_files_panel.h"
#include "app/preferences/preference_panel.h"
#include "app/preferences/print_center_panel.h"
#include "app/preferences/print_to_file_panel.h"
#include "app/preferences/print_to_file_sets_panel.h"
#include "app/preferences/web_upload_panel.h"

namespace vorl {

std::int16_t gLastSelectedPreference = kGeneralSettingsCategory;

std::int16_t GetPrefFromItemText(const QString& text) {
  static constexpr std::array<std::int16_t, 6> kCategories{1, 2, 3, 4, 6, 7};
  for (std::size_t i = 0; i < kPreferenceCategoryNames.size(); ++i) {
    if (text == QLatin1String(kPreferenceCategoryNames[i])) return kCategories[i];
  }
  return 0;
}

QString preferenceTitle(std::int16_t category) {
  const int item = category > 5 ? category - 1 : category;
  if (item < 1 || item > static_cast<int>(kPreferenceCategoryNames.size())) return {};
  return QString::fromLatin1(kPreferenceCategoryNames[static_cast<std::size_t>(item - 1)]);
}

std::unique_ptr<TPreferencesView> makePreferencesPanel(std::int16_t category) {
  switch (category) {
    case kGeneralSettingsCategory:
      return std::make_unique<TPrintServerPrefs>();
    case kPrintToFileCategory:
      return std::make_unique<TPrintToFilePrefs>();
    case kPrintCenterCategory:
      return std::make_unique<TProcessedJobsPrefs>();
    case kPrintToFileSetsCategory:
      return std::make_unique<TPrintToFileSetPrefs>();
    case kOutputFilesCategory:
      return std::make_unique<TOutputFilePrefs>();
    case kWebUploadCategory:
      return std::make_unique<TWebUploadPrefs>();
    default:
      return std::make_unique<TPreferencesView>();
  }
}

TPreferencesListView::TPreferencesListView(QWidget* container, QLabel* title, QPushButton* factory,
                                           QPushButton* revert, QWidget* parent)
    : QListWidget(parent), container_(container), title_(title), factory_(factory), revert_(revert) {
  setObjectName(QStringLiteral("cate"));
  for (const char* name : kPreferenceCategoryNames) addItem(QString::fromLatin1(name));
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A click on another row shows its category; the row already shown does nothing.
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    PrepareView(GetPrefFromItemText(item(row)->text()));
  });
}

TPreferencesListView::~TPreferencesListView() = default;

void TPreferencesListView::closePanel(bool doSave) {
  if (!panel_) return;
  panel_->SetDoSave(doSave);
  panel_->finish();
  panel_->hide();
  panel_.reset();
}

void TPreferencesListView::PrepareView(std::int16_t category) {
  BatonHoldUnlessHeld records;
  closePanel(true);
  panel_ = makePreferencesPanel(category);
  panel_->setParent(container_);
  container_->layout()->addWidget(panel_.get());
  panel_->setRevertButton(revert_);
  panel_->DoPostCreate();
  panel_->ViewsEnable(controlsEnabled_);
  panel_->show();
  factory_->setEnabled(true);
  connect(panel_.get(), &TPreferencesView::controlEvent, panel_.get(),
          [panel = panel_.get()](const QString&) { panel->CheckIfChanged(); });
  title_->setText(preferenceTitle(category));
  gLastSelectedPreference = category;
}

void TPreferencesListView::setControlsEnabled(bool on) {
  controlsEnabled_ = on;
  if (panel_) panel_->ViewsEnable(on);
}

TPreferencesWindow::TPreferencesWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("prefsWindow"));
  setWindowTitle(QStringLiteral("Preferences"));
  setModal(true);

  auto* title = new QLabel(this);
  title->setObjectName(QStringLiteral("text"));
  QFont titleFont = title->font();
  titleFont.setBold(true);
  title->setFont(titleFont);
  auto* container = new QWidget(this);
  container->setObjectName(QStringLiteral("view"));
  auto* containerLayout = new QVBoxLayout(container);
  containerLayout->setContentsMargins(1, 0, 0, 0);
  factory_ = new QPushButton(QStringLiteral("Factory Settings"), this);
  factory_->setObjectName(QStringLiteral("fact"));
  revert_ = new QPushButton(QStringLiteral("Revert"), this);
  revert_->setObjectName(QStringLiteral("rvrt"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  list_ = new TPreferencesListView(container, title, factory_, revert_, this);
  list_->setFixedWidth(170);
  // The panel side has room for the largest panel from the start, so showing another panel neither grows the
  // window nor leaves it to shrink.
  QSize largest;
  for (const std::int16_t category : {kGeneralSettingsCategory, kPrintToFileCategory, kPrintCenterCategory,
                                      kPrintToFileSetsCategory, kOutputFilesCategory, kWebUploadCategory}) {
    const std::unique_ptr<TPreferencesView> panel = makePreferencesPanel(category);
    largest = largest.expandedTo(panel->sizeHint());
  }
  container->setMinimumSize(largest + QSize(containerLayout->contentsMargins().left(), 0));

  connect(factory_, &QPushButton::clicked, this, [this] {
    if (TPreferencesView* panel = currentPanel()) {
      BatonHoldUnlessHeld records;
      panel->SetFactorySettings();
      panel->CheckIfChanged();
    }
  });
  connect(revert_, &QPushButton::clicked, this, [this] {
    if (TPreferencesView* panel = currentPanel()) {
      BatonHoldUnlessHeld records;
      panel->Revert();
      panel->CheckIfChanged();
    }
  });

  auto* panelSide = new QVBoxLayout;
  panelSide->addWidget(title);
  panelSide->addWidget(container, 1);
  auto* panelButtons = new QHBoxLayout;
  panelButtons->addWidget(factory_);
  panelButtons->addWidget(revert_);
  panelButtons->addStretch(1);
  panelSide->addLayout(panelButtons);
  auto* columns = new QHBoxLayout;
  columns->addWidget(list_);
  columns->addLayout(panelSide, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(buttons);

  selectCategory(gLastSelectedPreference);
}

void TPreferencesWindow::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    std::cout << "TPreferencesWindow::Activate" << std::endl;
    update();
  }
}

TPreferencesWindow::~TPreferencesWindow() {
  // A window closed without OK or Cancel (the program ending) keeps nothing of its panel.
  list_->closePanel(false);
}

void TPreferencesWindow::selectCategory(std::int16_t category) {
  // A category without a row shows its panel with no row selected.
  for (int row = 0; row < list_->count(); ++row) {
    if (GetPrefFromItemText(list_->item(row)->text()) == category) {
      if (list_->currentRow() == row) {
        list_->PrepareView(category);
      } else {
        list_->setCurrentRow(row);
      }
      return;
    }
  }
  list_->PrepareView(category);
}

void TPreferencesWindow::setProcessingOn(bool on) { list_->setControlsEnabled(!on); }

void TPreferencesWindow::endPanel(bool ok) { list_->closePanel(ok); }

}  // namespace vorl
