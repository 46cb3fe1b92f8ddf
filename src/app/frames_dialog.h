// The "Frames" dialog: every frame of the document as a thumbnail; a click
// makes that frame current.
#pragma once

#include <QDialog>

#include "view/frames_grid.h"

class QLabel;

namespace veltor {

class CKelvoDoc;

class FramesDialog : public QDialog {
    Q_OBJECT
  public:
    FramesDialog(CKelvoDoc& doc, QWidget* parent = nullptr);
    // The layout for the current size of the thumbnail area.
    FramesGridLayout layout() const;
    // What a click at an area point does; false when it hits no thumbnail.
    bool clickAt(QPoint areaPoint);

  signals:
    void frameChosen(int index);

  private:
    class Area;
    CKelvoDoc& m_doc;
    Area* m_area = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace veltor
