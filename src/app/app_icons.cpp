#include "app/app_icons.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace veltor {

namespace {

// The drawings, one SVG file per command under data/icons, compiled into the
// program's resources; each is designed on a 16 x 16 grid and scaled to the
// size asked for, so the small and large icons come from one drawing.
const char* const kIconFiles[kCommandIconCount] = {
    "open", "reload", "close", "print", "print-preview", "about", "undo", "redo", "copy", "zoom-in-out",
    "zoom-window", "zoom-dynamic", "zoom-limits", "zoom-normal", "previous-zoom", "next-zoom", "first-frame",
    "previous-frame", "next-frame", "last-frame", "movie", "reverse-movie", "video-setup", "all-frames",
    "single-frame", "header", "pan-hand", "level-window", "thresholding", "tools-palette", "rulers",
    "annotations", "measurements", "contact-author", "web-site", "anonymize", "export-frames", "search",
    "select-directory", "refresh", "first-file", "previous-file", "next-file", "last-file",
    "selection-rectangle", "crop", "annotation-text", "move-annotation", "erase-annotation", "measure-length",
    "measure-angle", "calculator", "print-setup", "page-setup",
    "copy-all-frames", "copy-header", "copy-all", "copy-selected-frames", "tool-panels", "export-avi",
};

} // namespace

QPixmap svgPicture(const QString& name, QSize size, qreal ratio) {
    const QSize device = (QSizeF(size) * ratio).toSize();
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    if (renderer.isValid() && !device.isEmpty()) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

QPixmap applicationEmblem(int size) { return svgPicture(QStringLiteral("veltor-viewer"), QSize(size, size)); }

QIcon commandIcon(CommandIcon id, bool large) {
    static QHash<int, QIcon> cache;
    const int index = static_cast<int>(id);
    if (index < 0 || index >= kCommandIconCount) return {};
    const int key = index * 2 + (large ? 1 : 0);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    const int size = large ? kLargeIconSize : kSmallIconSize;
    QIcon icon;
    const QString file = QString::fromLatin1(kIconFiles[index]);
    icon.addPixmap(svgPicture(file, QSize(size, size), 1.0));
    icon.addPixmap(svgPicture(file, QSize(size, size), 2.0));
    cache.insert(key, icon);
    return icon;
}

bool useLargeToolPalette(const QScreen* screen) {
    if (screen == nullptr) return true;
    return useLargeToolPalette(screen->geometry().width(), screen->logicalDotsPerInchX());
}

} // namespace veltor
