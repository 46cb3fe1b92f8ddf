// The "System Info" sheet: a "General" page with the operating system,
// screen, memory and disk figures, and an "OpenGL" page only when an OpenGL
// context can be made and its strings read.
#pragma once

#include <QDialog>
#include <QStringList>
#include <optional>

class QScreen;

namespace veltor {

struct OpenGlStrings {
    QString renderer;
    QString vendor;
    QString version;
    QStringList extensions;
};

// The renderer strings of an offscreen OpenGL context, or nothing.
std::optional<OpenGlStrings> readOpenGlStrings();

// The General page's text for this machine and `screen`.
QString generalSystemText(const QScreen* screen);

class SystemInfoDialog : public QDialog {
    Q_OBJECT
  public:
    // `openGl` is read once by the caller (it may be slow); without it the
    // sheet has no OpenGL page.
    SystemInfoDialog(const std::optional<OpenGlStrings>& openGl, QWidget* parent = nullptr);
};

} // namespace veltor
