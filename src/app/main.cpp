// veltor-viewer: the desktop application.
#include <QApplication>
#include <QDir>
#include <QStringList>

#include "app/main_window.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltor Dicom Viewer"));

    // Settings first: recent files, the current folder, then the user options.
    veltor::QSettingsStore settings;
    const std::string folder = veltor::settings::currentWorkingDirectory(settings);
    if (!folder.empty()) QDir::setCurrent(QString::fromStdString(folder));
    veltor::UserOptions options;
    options.load(settings);

    veltor::CMainFrame window(settings, options);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        // A file named on the command line that cannot be opened ends the start.
        if (!window.openFile(args.at(1))) return 1;
    }
    window.showMaximized();
    return QApplication::exec();
}
