// "Info": per-frame pixel statistics of a document, areas and volumes of the
// selections, and the spacing and thickness they are computed with.
#pragma once

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace veltor {

class CKelvoDoc;

class InfoDialog : public QDialog {
    Q_OBJECT
  public:
    InfoDialog(CKelvoDoc& doc, QWidget* parent = nullptr);
    QTreeWidget* list() const { return m_list; }
    // Fills the list and the spacing texts from the document.
    void rebuild();

  signals:
    // The spacing dialog changed the document's values.
    void spacingChanged();

  private:
    CKelvoDoc& m_doc;
    QTreeWidget* m_list = nullptr;
    QLabel* m_spacing[3] = {};
};

} // namespace veltor
