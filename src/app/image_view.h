// CKelvoView: the image pane of a document window. A thin widget over the
// view model: it forwards input, keeps the scroll bars and timers in step
// with the model, and paints the current frame's display bitmap where the
// model's layout puts it.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <memory>

#include "view/image_view_model.h"
#include "view/level_window_tool.h"
#include "view/view_document.h"

class QTimer;

namespace veltor {

class CKelvoDoc;
class UserOptions;
class ViewOverlays;

class CKelvoView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    CKelvoView(CKelvoDoc& doc, const UserOptions& options, QWidget* parent = nullptr);
    ~CKelvoView() override;

    ImageViewModel& model() { return *m_model; }
    // Annotations, measurements, selection and crop over this view.
    ViewOverlays& overlayView() { return *m_overlays; }
    // Room beside the pane for a tool's panel (the crop panel); 0 for none.
    void setPanelWidth(int width);
    // The image pixel under the last mouse position (clamped), and whether
    // that position lies over the image.
    QPoint cursorImagePoint() const { return m_cursorImage; }
    bool cursorInside() const { return m_cursorInside; }
    // The document changed (frame, size, window): relayout and repaint.
    void documentChanged();
    // Fits an image larger than the pane once the pane shows at its real size
    // (a window opened before the main window is shown is still tiny).
    void fitWhenShown();

  signals:
    void cursorMoved();
    // Zoom, tool or frame changed: menus, zoom box and status follow.
    void viewStateChanged();
    // The Level-Window tool changed the window (`released`: the gesture ended
    // and the change was recorded).
    void windowDragged(bool released);
    // "B" typed into the pane: the brightness and contrast dialog.
    void brightnessContrastRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void onModelChange(uint32_t changes);
    void syncScrollBars();
    void updateCursor(QPoint pane, Qt::KeyboardModifiers modifiers);

    CKelvoDoc& m_doc;
    KelvoViewDocument m_viewDoc;
    std::unique_ptr<ImageViewModel> m_model;
    LevelWindowTool m_levelWindow;
    std::unique_ptr<ViewOverlays> m_overlays;
    QTimer* m_bandTimer = nullptr;
    QTimer* m_autoscrollTimer = nullptr;
    QPoint m_cursorImage;
    bool m_cursorInside = false;
    bool m_syncing = false;
    bool m_fitPending = false;
    bool m_imageOnly = false;
};

} // namespace veltor
