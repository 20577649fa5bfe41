// The About window, and the application's version text.
//
// The window shows the version ('txt1'), the fixed version text ('txt2'), a status line ('stat') and two links
// ('url1', 'url2') that open in the desktop's browser. It is built in code and posed modally; nothing of it
// survives between openings. Its status line doubles as the start-up status panel.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/pascal_string.h"

class QLabel;

namespace vorl {

// The version text for a bundle short version string: "Cant CFDictionaryGetValue" when there is none,
// "Unknown Version" when it is empty, else the string (at most 253 characters).
std::string GetSoftwareVersion2(std::optional<std::string_view> shortVersion);
// The application's version text (Mac Roman); answers 0.
std::int16_t GetSoftwareVersion(Str255& text);
// "2.1.1 13".
std::string fixedVersionText();

class TAboutWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutWindow(QWidget* parent = nullptr);

 protected:
  // A click on a link opens its URL.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DoPostCreate();
  void onLinkClicked(QLabel* link);
};

// Poses the About window modally and deletes it when closed.
void showAboutBox();

// Writes the status text into the view's 'stat' line, gives it 10 ticks to be read and redraws. Nothing for a
// null view or an empty text.
void MyStartUpSplashWindowUpdateStatus(QWidget* view, const Str255& text);
// 'txt1' gets the version text, 'txt2' the fixed one; the view is redrawn. Nothing for a null view.
void MyStartupSplashWindowUpdateCurrentVersions(QWidget* view);
// Opens the URL in the text with the desktop's default program; a text that is no URL opens nothing.
void GotoURL(const QString& text);

}  // namespace vorl
