// veltor-viewer: the desktop application.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include "app/child_frame.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"

#include "app/main_window.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"

namespace {

// `veltor-viewer --benchmark FILE`: the time from opening a file to its first
// painted frame, and the frame rate cine keeps at 10 ms per frame.
int runBenchmark(veltor::CMainFrame& window, const QString& path) {
    window.resize(1280, 900);
    window.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    if (!window.openFile(path)) return 1;
    veltor::CChildFrame* child = window.activeChild();
    child->imageView()->viewport()->repaint();
    const double firstPaint = double(clock.nsecsElapsed()) / 1e6;
    std::printf("first paint: %.1f ms (%s)\n", firstPaint, qPrintable(path));
    veltor::CKelvoDoc& doc = child->document();
    if (doc.frameCount() > 1) {
        doc.setFrameTime(10.0);
        QAction* movie = nullptr;
        for (QAction* a : window.findChildren<QAction*>())
            if (a->text() == QStringLiteral("&Movie")) movie = a;
        if (movie == nullptr) return 1;
        QTimer::singleShot(3000, movie, &QAction::trigger);
        clock.restart();
        movie->trigger();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("cine: %d frames in %.3f s = %.1f frames/s (asked 100)\n", window.framesPlayed(), seconds,
                    window.framesPlayed() / seconds);
    }
    return 0;
}

} // namespace

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
    if (args.size() > 2 && args.at(1) == QStringLiteral("--benchmark")) return runBenchmark(window, args.at(2));
    if (args.size() > 1) {
        // A file named on the command line that cannot be opened ends the start.
        if (!window.openFile(args.at(1))) return 1;
    }
    window.showMaximized();
    return QApplication::exec();
}
