#include "tests/app/screenshots.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>

namespace vorl::test {

QString saveScreenshot(QWidget& widget, const QString& name) {
  const char* configured = std::getenv("VORL_ARTIFACTS_DIR");
  const QString folder = configured != nullptr && *configured != '\0' ? QString::fromLocal8Bit(configured)
                                                                      : QStringLiteral(VORL_DEFAULT_ARTIFACTS_DIR);
  if (!QDir().mkpath(folder)) return {};
  const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
  return widget.grab().save(path, "PNG") ? path : QString();
}

}  // namespace vorl::test
