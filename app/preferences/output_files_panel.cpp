#include "app/preferences/output_files_panel.h"

#include <QSlider>

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "app/preferences/panel_builder.h"

namespace vorl {
namespace {

constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 100;

}  // namespace

TOutputFilePrefs::TOutputFilePrefs(QWidget* parent) : TPreferencesView(parent) {
  PanelBuilder form(*this);
  auto* quality = new QSlider(Qt::Horizontal, this);
  quality->setObjectName(QStringLiteral("scqu"));
  quality->setRange(kLowestQuality, kHighestQuality);
  form.row(QStringLiteral("Compression quality:"), quality);
  form.value("qual", QStringLiteral("Quality:"));
  watchControls();
}

void TOutputFilePrefs::SetSettings(const tOutputFilePrefs& prefs) {
  Filling filling(*this);
  auto* quality = findChild<QSlider*>(QStringLiteral("scqu"));
  quality->setValue(prefs.outputQuality);
  setText("qual", QString::number(quality->value()));
}

void TOutputFilePrefs::DoPostCreate() {
  TPreferencesView::DoPostCreate();
  snapshot_ = *getMyOutputFilePrefs();
  SetSettings(snapshot_);
}

void TOutputFilePrefs::SetFactorySettings() {
  setMyOutputFilePrefToFactoryDefaults(getMyOutputFilePrefs());
  SetSettings(*getMyOutputFilePrefs());
}

void TOutputFilePrefs::Revert() { SetSettings(snapshot_); }

void TOutputFilePrefs::DoEvent(const QString& id) {
  if (id != QLatin1String("scqu")) return;
  const int value = findChild<QSlider*>(QStringLiteral("scqu"))->value();
  getMyOutputFilePrefs()->outputQuality = static_cast<std::int16_t>(value);
  setText("qual", QString::number(value));
}

void TOutputFilePrefs::writeBack() {
  const int value = findChild<QSlider*>(QStringLiteral("scqu"))->value();
  getMyOutputFilePrefs()->outputQuality = static_cast<std::int16_t>(value);
}

}  // namespace vorl
