// The DICOM files of a folder as rows of a QTreeWidget with the file lists'
// columns: "Icon", "Patient Name", "ID", "Study Date", "Modality", "Frames"
// and "File Name". Directory Contents, the search and the anonymize and
// export selection dialogs all show their files this way.
#pragma once

#include <QString>

#include "browse/dicom_file_list.h"
#include "dicom/voi.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace veltor {

// Files larger than this get no icon: a full open of a long cine to draw a
// few pixels would stall the list.
constexpr qint64 kIconFileLimit = qint64{32} << 20;

// The columns (with their widths), full-row extended selection, grid lines
// and 64 x 64 icons.
void setUpDicomFileColumns(QTreeWidget* list);

// The window thumbnails and previews of files show grey frames through, the
// same choice documents make: the file's window as stored while "Keep the
// file's window" is on, else the automatic one. The main window sets it at
// start-up and whenever Preferences change; it may be read from any thread.
void setPreviewsKeepFileWindow(bool keep);
WindowChoice previewWindow();

// Appends the row of `item`, the file at `path`; the path goes into column
// 0's Qt::UserRole (see dicomRowPath) and, with `icons`, the thumbnail into
// the icon column. The row is scrolled into view.
QTreeWidgetItem* addDicomFileRow(QTreeWidget* list, const QString& path, const browse::FileListItem& item,
                                 bool icons);

// The full path a row was made for.
QString dicomRowPath(const QTreeWidgetItem* row);

// Appends a row for each DICOM file found in `folder` (and below it with
// `recursive`), in walk order. Pending events are processed while the
// folders are walked and between files.
void appendDicomFiles(QTreeWidget* list, const QString& folder, bool recursive, bool icons);

} // namespace veltor
