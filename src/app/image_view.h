// CKelvoView: the image pane of a document window. Paints the current frame's
// display bitmap at the document's zoom, centred when it is smaller than the
// pane and scrollable when it is larger.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

namespace veltor {

class CKelvoDoc;

class CKelvoView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    CKelvoView(CKelvoDoc& doc, QWidget* parent = nullptr);

    // Where the image lies in the viewport, after the scroll offsets.
    QRect imageRect() const;
    // The image pixel under a viewport point, clamped to the frame.
    QPoint imagePoint(QPoint viewportPoint) const;
    // The last mouse position over the image in image pixels (clamped), and
    // whether it lies inside the frame.
    QPoint cursorImagePoint() const { return m_cursorImage; }
    bool cursorInside() const { return m_cursorInside; }

    void documentChanged();

  signals:
    void cursorMoved();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    QSize displayedSize() const;
    void updateScrollBars();

    CKelvoDoc& m_doc;
    QPoint m_cursorImage;
    bool m_cursorInside = false;
};

} // namespace veltor
