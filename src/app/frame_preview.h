// A small picture of a frame's display bitmap, scaled to fit, for the dialogs
// that preview an operation on a copy of the frame.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPointF>

class QLabel;

namespace veltor {

class ImageBuffer;

class FramePreview : public QFrame {
    Q_OBJECT
  public:
    explicit FramePreview(QWidget* parent = nullptr);

    // The frame shown; not owned, and null shows nothing. Call update() after
    // the frame changed.
    void setFrame(const ImageBuffer* frame);
    const ImageBuffer* frame() const { return m_frame; }

    // With zoom on, the wheel and zoomIn()/zoomOut() enlarge the picture
    // around its centre and a drag pans it. Zoom 1 fits the whole frame.
    void setZoomable(bool on);
    bool zoomable() const { return m_zoomable; }
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();

    // The frame's display bitmap as an upright image (null without a frame).
    QImage shownImage() const;

    QSize sizeHint() const override { return {260, 260}; }

  signals:
    void zoomChanged(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // Pane pixels per frame pixel at the current zoom.
    double scale() const;
    // Keeps the centre where the picture still covers the pane.
    void clampCentre();

    const ImageBuffer* m_frame = nullptr;
    bool m_zoomable = false;
    double m_zoom = 1.0;
    // The frame point shown at the middle of the pane.
    QPointF m_centre;
    QPointF m_dragFrom;
};

// The red line under a size dialog's controls that says why OK is refused;
// hidden until there is something to say.
QLabel* newProblemLabel(QWidget* parent);

} // namespace veltor
