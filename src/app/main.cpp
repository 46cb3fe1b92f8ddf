// veltor-viewer: the desktop application.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QCheckBox>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/child_frame.h"
#include "app/file_list_dialog.h"
#include "app/app_icons.h"
#include "app/image_view.h"
#include "app/overlay_benchmark.h"
#include "app/single_instance.h"
#include "document/kelvo_doc.h"

#include "app/main_window.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_store.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Drags the Level-Window tool over a grey frame and reports the time from
// each mouse move to the repainted pane (the tool paints before returning).
void benchmarkWindowDrag(veltor::CMainFrame& window, veltor::CChildFrame* child) {
    QAction* tool = nullptr;
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == QStringLiteral("Level-&Window")) tool = a;
    const veltor::ImageBuffer* shown = child->document().frameAt(-1);
    // Colour frames are shown without a window.
    if (tool == nullptr || !tool->isEnabled() || shown == nullptr || shown->isColour()) return;
    tool->trigger();
    QWidget* pane = child->imageView()->viewport();
    const veltor::ViewRect r = child->imageView()->model().imageRect();
    const QPoint press((std::max(r.left, 0) + std::min(r.right, pane->width())) / 2,
                       (std::max(r.top, 0) + std::min(r.bottom, pane->height())) / 2);
    sendMouse(pane, QEvent::MouseButtonPress, press, Qt::LeftButton);
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 1; i <= 200; ++i) {
        // a back-and-forth sweep, every position a new window
        const int dx = (i % 100) - 50;
        const int dy = ((i * 7) % 60) - 30;
        clock.start();
        sendMouse(pane, QEvent::MouseMove, press + QPoint(dx, dy), Qt::LeftButton);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    sendMouse(pane, QEvent::MouseButtonRelease, press, Qt::NoButton);
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    const veltor::ImageBuffer* frame = child->document().frameAt(-1);
    std::printf("window drag %dx%d, pane %dx%d: mean %.2f ms, median %.2f ms, worst %.2f ms per move\n",
                frame->width(), frame->height(), pane->width(), pane->height(), sum / double(times.size()),
                times[times.size() / 2], times.back());
}

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
    benchmarkWindowDrag(window, child);
    veltor::benchmarkOverlays(window, child);
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

// `veltor-viewer --benchmark-folder DIR`: Directory Contents over DIR with
// icons, the time to the first row shown with its thumbnail and to the whole
// list, and the longest the window went without handling its events.
int runFolderBenchmark(const QString& folder) {
    veltor::MemorySettingsStore settings; // the user's folder history stays as it is
    veltor::FileListDialog dialog(veltor::FileListDialog::Mode::Contents, settings, [](const QString&) {});
    dialog.show();
    QApplication::processEvents();
    dialog.subdirectories()->setChecked(false);
    dialog.loadIcons()->setChecked(true);
    dialog.addFolder(folder);
    QElapsedTimer clock, sinceTick;
    double firstRow = -1.0, longestGap = 0.0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        QTreeWidget* list = dialog.list();
        if (firstRow < 0 && list->topLevelItemCount() > 0 && !list->topLevelItem(0)->icon(0).isNull())
            firstRow = double(clock.nsecsElapsed()) / 1e6;
    });
    clock.start();
    sinceTick.start();
    tick.start();
    dialog.scanOrStop(); // returns when the scan has ended
    const double total = double(clock.nsecsElapsed()) / 1e6;
    tick.stop();
    const int rows = dialog.list()->topLevelItemCount();
    std::printf("Directory Contents of %s: first row with its thumbnail %.1f ms, %d rows in %.1f ms, "
                "longest pause of the window %.1f ms\n",
                qPrintable(folder), firstRow, rows, total, longestGap);
    return rows > 0 ? 0 : 1;
}

const char kUsage[] =
    "Usage: veltor-viewer [OPTIONS] [FILE...]\n"
    "\n"
    "Veltor Dicom Viewer: views, measures, annotates, exports and anonymizes DICOM\n"
    "files and common raster images.\n"
    "\n"
    "Each FILE opens in its own document window. While a viewer of the same user\n"
    "runs on the same display with the same settings file, a new start hands its\n"
    "files to that viewer and ends.\n"
    "\n"
    "Options:\n"
    "  --new-instance     start a viewer of its own even when one is running\n"
    "  --benchmark FILE   time the opening, window dragging, overlays and cine of FILE\n"
    "  --benchmark-folder DIR\n"
    "                     time Directory Contents with thumbnails over DIR\n"
    "  --help             show this help\n"
    "  --version          print the product name and version\n"
    "\n"
    "Environment:\n"
    "  VELTOR_SETTINGS    the settings file to use instead of\n"
    "                     ~/.config/Veltor/Dicom Viewer V4.0.1.ini\n"
    "\n"
    "Exit status: 0 on a normal exit, 1 when no file named on the command line could\n"
    "be opened, 2 for an unknown option.\n";

} // namespace

int main(int argc, char** argv) {
    // Options that need no display come first.
    bool newInstance = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("Veltor Dicom Viewer %s\n", VELTOR_VERSION);
            return 0;
        }
        if (a == "--new-instance") newInstance = true;
        else if (a == "--benchmark" || a == "--benchmark-folder") ++i;
        else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "veltor-viewer: unknown option '%s'\n\n%s", a.c_str(), kUsage);
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltor Dicom Viewer"));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltor-viewer"));
    {
        // The window icon: the viewer's emblem.
        QIcon icon;
        for (int size : {16, 32, 48, 64}) icon.addPixmap(veltor::applicationEmblem(size));
        QApplication::setWindowIcon(icon);
    }

    // Paths on the command line are the shell's, whatever folder the settings
    // make current below.
    const QStringList args = QApplication::arguments();
    QString benchmarkFile, benchmarkFolder;
    QStringList files;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--benchmark") && i + 1 < args.size()) benchmarkFile = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--benchmark-folder") && i + 1 < args.size())
            benchmarkFolder = QFileInfo(args[++i]).absoluteFilePath();
        else if (!args[i].startsWith(QLatin1Char('-'))) files << QFileInfo(args[i]).absoluteFilePath();
    }

    // A viewer already running takes the files.
    veltor::SingleInstance instance;
    // Without a screen of its own (offscreen runs of scripts and tests) every
    // viewer stands alone.
    const QString platform = QGuiApplication::platformName();
    const bool headless = platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal");
    if (!benchmarkFolder.isEmpty()) return runFolderBenchmark(benchmarkFolder);
    if (!newInstance && benchmarkFile.isEmpty() && !headless) {
        if (instance.handOver(files)) return 0;
        instance.listen(); // without it, this viewer simply runs on its own
    }

    // Settings first: recent files, the current folder, then the user options.
    veltor::QSettingsStore settings;
    const std::string folder = veltor::settings::currentWorkingDirectory(settings);
    if (!folder.empty()) QDir::setCurrent(QString::fromStdString(folder));
    veltor::UserOptions options;
    options.load(settings);

    veltor::CMainFrame window(settings, options);
    if (!benchmarkFile.isEmpty()) return runBenchmark(window, benchmarkFile);
    if (!files.isEmpty()) {
        // Each file in its own window; the start ends only when none of them
        // could be opened (each failure has shown its reason).
        int opened = 0;
        for (const QString& f : files) opened += window.openFile(f) ? 1 : 0;
        if (opened == 0) return 1;
    }
    QObject::connect(&instance, &veltor::SingleInstance::filesReceived, &window, [&window](const QStringList& handed) {
        for (const QString& f : handed) window.openFile(f);
        if (window.isMinimized()) window.showMaximized();
        window.raise();
        window.activateWindow();
    });
    window.showAtStart();
    return QApplication::exec();
}
