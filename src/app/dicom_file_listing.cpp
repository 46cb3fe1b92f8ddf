#include "app/dicom_file_listing.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QTreeWidget>

#include <atomic>
#include <string>
#include <vector>

#include "app/browse_support.h"
#include "export/anonymize_batch.h"

namespace veltor {

namespace {

const char* const kColumns[] = {"Icon", "Patient Name", "ID", "Study Date", "Modality", "Frames", "File Name"};
const int kWidths[] = {68, 180, 100, 100, 70, 70, 250};
constexpr int kColumnCount = int(sizeof kWidths / sizeof kWidths[0]);

std::atomic<bool> previewsKeepFileWindow{false};

} // namespace

void setPreviewsKeepFileWindow(bool keep) { previewsKeepFileWindow = keep; }

WindowChoice previewWindow() {
    WindowChoice choice;
    choice.mode = previewsKeepFileWindow ? WindowMode::File : WindowMode::Auto;
    return choice;
}

void setUpDicomFileColumns(QTreeWidget* list) {
    list->setColumnCount(kColumnCount);
    QStringList headers;
    for (const char* c : kColumns)
        headers << QObject::tr(c);
    list->setHeaderLabels(headers);
    for (int i = 0; i < kColumnCount; ++i)
        list->setColumnWidth(i, kWidths[i]);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setIconSize(QSize(browse::kListThumbnailSize, browse::kListThumbnailSize));
    list->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid #d0d0d0; }")); // grid lines
}

QTreeWidgetItem* addDicomFileRow(QTreeWidget* list, const QString& path, const browse::FileListItem& item,
                                 bool icons) {
    auto* row = new QTreeWidgetItem(list);
    row->setText(1, QString::fromLatin1(item.patientName.c_str()));
    row->setText(2, QString::fromLatin1(item.studyId.c_str()));
    row->setText(3, QString::fromLatin1(item.studyDate.c_str()));
    row->setText(4, QString::fromLatin1(item.modality.c_str()));
    row->setText(5, QString::fromStdString(item.frames));
    row->setText(6, displayPath(item.fileName));
    row->setData(0, Qt::UserRole, path);
    row->setToolTip(6, path);
    if (icons && !item.thumbnail.empty()) row->setIcon(0, QIcon(QPixmap::fromImage(thumbnailImage(item.thumbnail))));
    list->scrollToItem(row);
    return row;
}

QString dicomRowPath(const QTreeWidgetItem* row) {
    return row == nullptr ? QString() : row->data(0, Qt::UserRole).toString();
}

void appendDicomFiles(QTreeWidget* list, const QString& folder, bool recursive, bool icons) {
    std::vector<std::string> files;
    if (!folder.isEmpty())
        collectDicomFiles(localPath(folder), recursive, files, [] {
            QApplication::processEvents();
            return true;
        });
    for (const std::string& f : files) {
        browse::FileListItem item;
        const bool icon = icons && QFileInfo(displayPath(f)).size() <= kIconFileLimit;
        if (!browse::readListItem(f, icon, nullptr, item, nullptr, previewWindow())) continue;
        addDicomFileRow(list, displayPath(f), item, icons);
        QApplication::processEvents();
    }
}

} // namespace veltor
