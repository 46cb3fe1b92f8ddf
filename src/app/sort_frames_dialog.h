// "Sort File Frames": the frames of a document in a list the user reorders.
#pragma once

#include <QDialog>
#include <vector>

class QListWidget;

namespace veltor {

class CKelvoDoc;
class FramePreview;

class SortFramesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SortFramesDialog(CKelvoDoc& doc, QWidget* parent = nullptr);
    // The frame indexes in the list's order (for CKelvoDoc::reorderFrames).
    std::vector<int32_t> order() const;
    int currentRow() const;
    QListWidget* list() const { return m_list; }
    // The buttons: 0 top, 1 up, 2 down, 3 bottom, 4 order of load.
    void move(int how);

  private:
    void showFrame();
    CKelvoDoc& m_doc;
    QListWidget* m_list = nullptr;
    FramePreview* m_picture = nullptr;
};

} // namespace veltor
