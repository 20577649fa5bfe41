// Screenshots of the windows for the build's artifacts, so a person can look at what the tests drove.
#pragma once

#include <QString>

class QWidget;

namespace vorl::test {

// Saves the widget as "<artifacts>/<name>.png" and answers the path; empty when it could not be written.
QString saveScreenshot(QWidget& widget, const QString& name);

}  // namespace vorl::test
