// The About box: the viewer's emblem, name, version and build, its author and
// the warning that it is no medical device.
#pragma once

#include <QDialog>

namespace veltor {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // "Version 4.0.1 (built Dec 10 2026 with Qt 6.4.2)".
    static QString versionText();
};

} // namespace veltor
