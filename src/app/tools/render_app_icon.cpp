// Renders the viewer's emblem (data/icons/veltor-viewer.svg, the window
// icon's drawing) into PNG files for the desktop's icon theme: render_app_icon FOLDER SIZE...
// writes FOLDER/SIZExSIZE/apps/veltor-viewer.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "app/app_icons.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_app_icon FOLDER SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "render_app_icon: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QImage image = veltor::applicationEmblem(size).toImage();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = dir + QStringLiteral("/veltor-viewer.png");
        if (!QDir().mkpath(dir) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "render_app_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
