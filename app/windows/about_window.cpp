#include "app/windows/about_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "foundation/text/date_time.h"
#include "foundation/services/event_pump.h"
#include "platform/system/bundle_info.h"
#include "platform/text/mac_roman.h"

namespace vorl {
namespace {

constexpr std::size_t kLongestVersionText = 253;
constexpr std::int32_t kStatusReadingTicks = 10;
constexpr int kNarrowest = 360;
constexpr int kTitleBarButtons = 160;
constexpr const char* kLinks[][2] = {{"url1", "https://www.vorl.org/"}, {"url2", "https://www.vorl.org/support/"}};

QString fromMacRoman(const Str255& text) { return QString::fromStdString(macRomanToUtf8(text.macRoman())); }

QLabel* makeText(QWidget* parent, const char* id, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(id));
  return label;
}

}  // namespace

std::string GetSoftwareVersion2(std::optional<std::string_view> shortVersion) {
  if (!shortVersion) return "Cant CFDictionaryGetValue";
  if (shortVersion->empty()) return "Unknown Version";
  return std::string(shortVersion->substr(0, kLongestVersionText));
}

std::int16_t GetSoftwareVersion(Str255& text) {
  text = Str255(utf8ToMacRoman(GetSoftwareVersion2(kBundleShortVersionString)));
  return 0;
}

std::string fixedVersionText() {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%d.%d%c%d", 2, 1, 1, 32, 13);
  return text;
}

TAboutWindow::TAboutWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("about"));
  setWindowTitle(QStringLiteral("About Vorl-Zeverezoz"));
  DoPostCreate();
}

void TAboutWindow::DoPostCreate() {
  // The content: the name, the status line, the two version texts and the frame the links sit in.
  auto* content = new QWidget(this);
  auto* contentLayout = new QVBoxLayout(content);
  auto* name = new QLabel(
      QString::fromUtf8(kBundleDisplayName.data(), static_cast<qsizetype>(kBundleDisplayName.size())), content);
  QFont large = name->font();
  large.setPointSize(large.pointSize() + 8);
  large.setBold(true);
  name->setFont(large);
  name->setAlignment(Qt::AlignHCenter);
  contentLayout->addWidget(name);
  // The two numbers, each with what it is.
  auto* numbers = new QFormLayout;
  numbers->setFormAlignment(Qt::AlignHCenter);
  numbers->addRow(makeText(content, "lbl1", tr("Program version:")), makeText(content, "txt1", QString()));
  numbers->addRow(makeText(content, "lbl2", tr("Release and build:")), makeText(content, "txt2", QString()));
  contentLayout->addLayout(numbers);
  auto* vueB = new QFrame(content);
  vueB->setObjectName(QStringLiteral("vueB"));
  contentLayout->addWidget(vueB);
  QLabel* stat = makeText(content, "stat", QString());
  stat->setAlignment(Qt::AlignHCenter);
  contentLayout->addWidget(stat);

  // The links, in the frame the content keeps for them.
  auto* vueC = new QWidget(vueB);
  vueC->setObjectName(QStringLiteral("vueC"));
  auto* links = new QVBoxLayout(vueC);
  for (const auto& link : kLinks) {
    QLabel* url = makeText(vueC, link[0], QString::fromLatin1(link[1]));
    url->setAlignment(Qt::AlignHCenter);
    url->setCursor(Qt::PointingHandCursor);
    url->setStyleSheet(QStringLiteral("color: #1F5FBF; text-decoration: underline;"));
    url->installEventFilter(this);
    links->addWidget(url);
  }
  auto* frameLayout = new QVBoxLayout(vueB);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  frameLayout->addWidget(vueC);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(content);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok  "));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(ok);
  outer->addLayout(buttons);

  MyStartUpSplashWindowUpdateStatus(this, Str255(" "));
  MyStartupSplashWindowUpdateCurrentVersions(this);
  // A window manager cuts a title that is wider than its window; room for the title and its buttons.
  QFont titleFont = font();
  titleFont.setBold(true);
  setMinimumWidth(std::max(kNarrowest, QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarButtons));
  adjustSize();
  vueC->show();
}

bool TAboutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (auto* link = qobject_cast<QLabel*>(watched); link != nullptr && link->parent() != nullptr) {
      onLinkClicked(link);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutWindow::onLinkClicked(QLabel* link) {
  std::cerr << "TAboutWindow::DoEvent => '" << link->objectName().toStdString() << "'\n";
  GotoURL(link->text());
}

void showAboutBox() {
  TAboutWindow window(QApplication::activeWindow());
  window.exec();
}

void MyStartUpSplashWindowUpdateStatus(QWidget* view, const Str255& text) {
  if (view == nullptr || text.macRoman().empty()) return;
  auto* stat = view->findChild<QLabel*>(QStringLiteral("stat"));
  if (stat == nullptr) return;
  stat->setText(fromMacRoman(text));
  stat->repaint();
  // Only worth the wait when someone can see it.
  if (view->isVisible()) {
    waitfor(kStatusReadingTicks);
    myNewApplicationPollEvent();
  }
}

void MyStartupSplashWindowUpdateCurrentVersions(QWidget* view) {
  if (view == nullptr) return;
  Str255 version;
  static_cast<void>(GetSoftwareVersion(version));
  if (auto* txt1 = view->findChild<QLabel*>(QStringLiteral("txt1"))) txt1->setText(fromMacRoman(version));
  if (auto* txt2 = view->findChild<QLabel*>(QStringLiteral("txt2")))
    txt2->setText(QString::fromStdString(fixedVersionText()));
  view->update();
}

void GotoURL(const QString& text) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  if (!url.isValid() || url.scheme().isEmpty()) {
    std::cerr << "GotoURL: \"" << text.toStdString() << "\" is no URL\n";
    return;
  }
  QDesktopServices::openUrl(url);
}

}  // namespace vorl
