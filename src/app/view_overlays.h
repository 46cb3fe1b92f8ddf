// The overlays of one image view: the document's overlay stores, the
// annotation, measurement, selection and crop tools, their painting over the
// frame, the marching ants, the crop panel, the item context menus and the
// selection and annotation commands. The view owns it and forwards painting,
// cursors, keys and context menus to it.
#pragma once

#include <QObject>
#include <QPoint>
#include <memory>
#include <optional>

#include <QCursor>

#include "view/annotation_tools.h"
#include "view/crop_tool.h"
#include "view/document_overlays.h"
#include "view/measure_tools.h"
#include "view/selection_tool.h"

class QPainter;
class QTimer;

namespace veltor {

class CKelvoDoc;
class CKelvoView;
class CropPanelWidget;
class ImageViewModel;
class UserOptions;

class ViewOverlays : public QObject {
    Q_OBJECT
  public:
    ViewOverlays(CKelvoView& view, CKelvoDoc& doc, const UserOptions& options);
    ~ViewOverlays() override;

    DocumentOverlays& overlays() { return *m_overlays; }
    CropTool& cropTool() { return m_crop; }
    MeasureLengthTool& lengthTool() { return m_length; }
    MeasureAngleTool& angleTool() { return m_angle; }
    MoveAnnotationTool& moveTool() { return m_move; }
    SelectionTool& selectionTool() { return m_selection; }
    CropPanelWidget* cropPanel() const { return m_panel; }
    // The marching ants are running (the frame has a selection).
    bool antsRunning() const;
    int antsPhase() const { return m_phase; }

    // Painting steps 3 to 7 over the displayed frame, then what the tools
    // show while they are used.
    void paint(QPainter& painter);
    // The cursor of a tool that draws its own, or nothing.
    std::optional<QCursor> cursorAt(QPoint pane, Qt::KeyboardModifiers modifiers) const;
    // "I" and Delete typed into the view; true when used.
    bool key(int key);
    // The context menu a right-button release (or the menu key) asked for.
    void contextMenu(QPoint pane, bool selectionMenu);
    // The frame, its size or the tool changed.
    void documentChanged();
    void toolChanged();
    // The tool panels beside the views (the crop panel) are shown while this
    // application-wide switch is on; views update themselves when told.
    static bool toolPanelsShown();
    static void setToolPanelsShown(bool shown);

    // --- commands (true when they changed something) ----------------------
    bool inverseSelection();
    bool unselect();
    bool clearSelected();
    bool cropToSelection();
    // Copies the selection's pixels to the clipboard; false (after "Clipboard
    // error") when they could not be put there. Without a selection nothing
    // happens and the caller copies the frame.
    bool copyRoi();
    // The context menu's commands on the item under the cursor.
    void editAnnotation(int index);
    void deleteItem(OverlayHit item);
    void addToAllFrames(OverlayHit item);
    void measurementFont(OverlayHit item);
    void measurementColour(OverlayHit item);
    // Undo and Redo hide the crop rectangle.
    void afterUndoRedo();
    // The last font and colour of the annotation dialog (the settings' font
    // and the document's annotation colour at first).
    TextAnnotation lastAnnotationStyle() const;

  signals:
    // Overlays, selection or frame sizes changed: menus and status follow.
    void edited();
    // A right-button release over the view with Pan Hand or Selection
    // Rectangle: the main window shows the selection menu.
    void selectionMenuRequested(QPoint globalPos);

  private:
    void newAnnotation(const ToolInput& press);
    void syncAnts();
    void repaint(bool now = false);
    void changed();
    void updatePanel();
    QRect imageOnPane() const;

    CKelvoView& m_view;
    CKelvoDoc& m_doc;
    const UserOptions& m_options;
    ImageViewModel& m_model;
    std::unique_ptr<DocumentOverlays> m_overlays;
    AnnotationTextTool m_text;
    MoveAnnotationTool m_move;
    DeleteAnnotationTool m_delete;
    MeasureLengthTool m_length;
    MeasureAngleTool m_angle;
    SelectionTool m_selection;
    CropTool m_crop;
    CropPanelWidget* m_panel = nullptr;
    QTimer* m_ants = nullptr;
    int m_phase = 0;
    std::optional<TextAnnotation> m_lastStyle;
};

} // namespace veltor
