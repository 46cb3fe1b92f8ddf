// Small helpers shared by the browsing windows: file names between Qt and the
// core (byte-exact, whatever their encoding) and thumbnails as images.
#pragma once

#include <QFile>
#include <QImage>
#include <QString>
#include <functional>
#include <string>

#include "browse/thumbnail.h"

namespace veltor {

inline std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
inline QString displayPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline QImage thumbnailImage(const browse::Thumbnail& t) {
    if (t.empty()) return {};
    QImage image(t.rgb.data(), t.size, t.size, t.size * 3, QImage::Format_RGB888);
    return image.copy(); // detached from the thumbnail's bytes
}

// `text` cut so that, ended with "...", it fits `width` pixels of `metrics`.
QString fittedText(const QString& text, int width, const class QFontMetrics& metrics);

// The status line of a folder walk: "Search (N) : " and the file reached.
QString walkStatusText(int count, const std::string& folder, const std::string& name);

// Calls `tick` every 20 ms from a local event loop (the window keeps
// answering meanwhile) until it returns true or `owner` is destroyed.
void pollUntil(class QObject* owner, const std::function<bool()>& tick);

} // namespace veltor
