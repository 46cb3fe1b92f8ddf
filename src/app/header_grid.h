// CMyListView: the tag grid beside the image, one row per top-level element
// of the document's current file.
#pragma once

#include <QAbstractScrollArea>
#include <QStringList>
#include <array>
#include <vector>

namespace veltor {

class CKelvoDoc;

class CMyListView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    CMyListView(CKelvoDoc& doc, QWidget* parent = nullptr);

    // Re-reads the current file and measures the columns.
    void documentChanged();
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // The cell texts of a row: tag, name, VR, length, value (as drawn).
    QStringList rowTexts(int row) const;
    const std::array<int, 5>& columnWidths() const { return m_widths; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void updateScrollBars();
    int rowHeight() const;

    CKelvoDoc& m_doc;
    std::vector<std::array<QString, 5>> m_rows;
    std::array<int, 5> m_widths{100, 200, 50, 100, 200};
};

} // namespace veltor
