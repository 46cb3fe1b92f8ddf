#include "app/dicom_file_listing.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPixmap>

#include <atomic>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "export/anonymize_batch.h"

namespace veltor {

namespace {
// A full open of a long cine to draw a few pixels would stall the list.
constexpr qint64 kIconFileLimit = qint64{32} << 20;
std::atomic<bool> previewsKeepFileWindow{false};
} // namespace

void setPreviewsKeepFileWindow(bool keep) { previewsKeepFileWindow = keep; }

WindowChoice previewWindow() {
    WindowChoice choice;
    choice.mode = previewsKeepFileWindow ? WindowMode::File : WindowMode::Auto;
    return choice;
}

QIcon dicomThumbnail(const QString& path, int size) {
    if (QFileInfo(path).size() > kIconFileLimit) return {};
    DicomFile file;
    if (!file.openFile(path.toLocal8Bit().toStdString().c_str(), false)) return {};
    const std::vector<uint8_t> pixels = file.frame8(1, previewWindow());
    const int w = file.columns(), h = file.rows();
    if (w <= 0 || h <= 0) return {};
    const bool colour = pixels.size() == size_t(w) * size_t(h) * 3;
    if (!colour && pixels.size() != size_t(w) * size_t(h)) return {};
    const QImage image(pixels.data(), w, h, colour ? w * 3 : w,
                       colour ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    return QIcon(QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void appendDicomFiles(QListWidget* list, const QString& folder, bool recursive, bool icons, int iconSize) {
    std::vector<std::string> files;
    if (!folder.isEmpty())
        collectDicomFiles(folder.toLocal8Bit().toStdString(), recursive, files, [] {
            QApplication::processEvents();
            return true;
        });
    for (const std::string& f : files) {
        const QString path = QString::fromLocal8Bit(f.c_str());
        auto* item = new QListWidgetItem(QFileInfo(path).fileName(), list);
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
        if (icons) {
            item->setIcon(dicomThumbnail(path, iconSize));
            QApplication::processEvents();
        }
    }
}

} // namespace veltor
