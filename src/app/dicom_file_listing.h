// The DICOM files of a folder in a QListWidget, with small first-frame icons:
// the file lists of the anonymize and export selection dialogs.
#pragma once

#include <QIcon>
#include <QString>

#include "dicom/voi.h"

class QListWidget;

namespace veltor {

// The window thumbnails and previews of files show grey frames through, the
// same choice documents make: the file's window as stored while "Keep the
// file's window" is on, else the automatic one. The main window sets it at
// start-up and whenever Preferences change; it may be read from any thread.
void setPreviewsKeepFileWindow(bool keep);
WindowChoice previewWindow();

// The first frame of a DICOM file as a `size` x `size` icon, or a null icon
// (unreadable, no pixels, or too large to open just for an icon).
QIcon dicomThumbnail(const QString& path, int size);

// Appends the DICOM files found in `folder` (and below it with `recursive`) to
// `list`, each item holding its path in Qt::UserRole; with `icons` each gets
// its thumbnail. Pending events are processed while the folders are walked.
void appendDicomFiles(QListWidget* list, const QString& folder, bool recursive, bool icons, int iconSize);

} // namespace veltor
