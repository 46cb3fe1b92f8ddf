// The main window's commands for annotations, measurements, selection, crop,
// rulers and statistics: the Tools, View, Edit, Image and Options menu
// entries, the tool palette's buttons and colour button, the View toolbar's
// toggles and the selection context menu.
#include <QAction>
#include <QColorDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QToolBar>

#include "app/app_icons.h"
#include "app/child_frame.h"
#include "app/histogram_dialog.h"
#include "app/image_view.h"
#include "app/info_dialog.h"
#include "app/main_window.h"
#include "app/overlay_painting.h"
#include "app/pixel_spacing_dialog.h"
#include "app/rulers_setup_dialog.h"
#include "app/view_overlays.h"
#include "document/kelvo_doc.h"
#include "settings/user_options.h"
#include "view/selection_commands.h"

namespace veltor {

// The actions of this file, kept together (a child of the main window).
class OverlayActions : public QObject {
  public:
    using QObject::QObject;
    QAction* annotationText = nullptr;
    QAction* moveAnnotation = nullptr;
    QAction* deleteAnnotation = nullptr;
    QAction* crop = nullptr;
    QAction* selection = nullptr;
    QAction* lengthTool = nullptr;
    QAction* angleTool = nullptr;
    QAction* inverse = nullptr;
    QAction* unselect = nullptr;
    QAction* annotations = nullptr;
    QAction* measurements = nullptr;
    QAction* rulers = nullptr;
    QAction* toolPanels = nullptr;
    QAction* copyRoi = nullptr;
    QAction* clear = nullptr;
    QAction* cropToSelection = nullptr;
    QAction* histogram = nullptr;
    QAction* info = nullptr;
    QAction* rulersSetup = nullptr;
    QAction* spacingSetup = nullptr;
    QAction* colour = nullptr;
    // The window's Copy Frame, which Copy ROI hands over to without a
    // selection, once it exists.
    QPointer<QAction> copyFrame;
};

namespace {

QIcon toolIcon(CommandIcon id) {
    QIcon icon = commandIcon(id);
    const QIcon large = commandIcon(id, true);
    for (const QSize& size : large.availableSizes())
        for (qreal ratio : {1.0, 2.0}) icon.addPixmap(large.pixmap(size, ratio));
    return icon;
}

// The colour button shows the colour new items of the active tool take.
QIcon swatchIcon(const QColor& colour) {
    QIcon icon;
    for (int size : {kSmallIconSize, kLargeIconSize}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setPen(Qt::black);
        p.setBrush(colour);
        p.drawRect(QRect(1, 1, size - 3, size - 3));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

void CMainFrame::createOverlayActions(QMenu* edit, QMenu* view, QMenu* options, QMenu* tools, QMenu* image) {
    auto* a = new OverlayActions(this);
    m_overlayActions = a;
    auto overlays = [this]() -> ViewOverlays* {
        CChildFrame* child = activeChild();
        return child != nullptr && child->document().frameAt(-1) != nullptr ? &child->imageView()->overlayView()
                                                                            : nullptr;
    };
    auto after = [this] {
        updateActions();
        updateStatus();
    };
    auto tool = [this](const QString& text, ViewTool t, CommandIcon icon, const char* tip) {
        QAction* action = new QAction(text, this);
        connect(action, &QAction::triggered, this, [this, t] {
            if (CChildFrame* child = activeChild()) child->imageView()->model().setTool(t);
            updateActions();
        });
        action->setCheckable(true);
        action->setIcon(toolIcon(icon));
        action->setToolTip(QString::fromLatin1(tip));
        m_toolActions.push_back({action, t});
        return action;
    };
    auto command = [this, overlays, after](QMenu* menu, const QString& text, std::function<void(ViewOverlays&)> fn) {
        return menu->addAction(text, this, [overlays, after, fn] {
            if (ViewOverlays* o = overlays()) fn(*o);
            after();
        });
    };

    // Tools: after Pan Hand and Level-Window.
    a->annotationText = tool(tr("&Annotation Text"), ViewTool::AnnotationText, CommandIcon::AnnotationText,
                             "Add Annotation Text");
    a->moveAnnotation = tool(tr("Mo&ve Annotation"), ViewTool::MoveAnnotation, CommandIcon::MoveAnnotation,
                             "Move Annotation");
    a->deleteAnnotation = tool(tr("&Delete Annotation"), ViewTool::DeleteAnnotation, CommandIcon::EraseAnnotation,
                               "Erase Annotation");
    a->crop = tool(tr("&Crop"), ViewTool::Crop, CommandIcon::Crop, "Crop");
    a->selection = tool(tr("&Selection Rectangle"), ViewTool::SelectionRectangle, CommandIcon::SelectionRectangle,
                        "Selection Rectangle");
    tools->addAction(a->annotationText);
    tools->addAction(a->moveAnnotation);
    tools->addAction(a->deleteAnnotation);
    tools->addAction(a->crop);
    tools->addAction(a->selection);
    a->inverse = command(tools, tr("&Inverse Selection"), [](ViewOverlays& o) { o.inverseSelection(); });
    a->unselect = command(tools, tr("&Unselect"), [](ViewOverlays& o) { o.unselect(); });
    a->unselect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    a->lengthTool = tool(tr("Mesure &Length"), ViewTool::MeasureLength, CommandIcon::MeasureLength, "Mesure Length");
    a->angleTool = tool(tr("M&esure Angle"), ViewTool::MeasureAngle, CommandIcon::MeasureAngle, "Mesure Angle");
    tools->addAction(a->lengthTool);
    tools->addAction(a->angleTool);

    // View: the three toggles first.
    QAction* first = view->actions().value(0);
    a->annotations = new QAction(tr("&Annotations"), this);
    a->measurements = new QAction(tr("&Measurments"), this);
    a->rulers = new QAction(tr("&Rulers"), this);
    a->toolPanels = new QAction(tr("&Tools Palettes"), this);
    const std::pair<QAction*, CommandIcon> toggles[] = {{a->annotations, CommandIcon::Annotations},
                                                        {a->measurements, CommandIcon::Measurements},
                                                        {a->rulers, CommandIcon::Rulers},
                                                        {a->toolPanels, CommandIcon::ToolPanels}};
    for (const auto& [action, icon] : toggles) {
        action->setCheckable(true);
        action->setIcon(toolIcon(icon));
        view->insertAction(first, action);
    }
    if (first != nullptr) view->insertSeparator(first);
    connect(a->annotations, &QAction::triggered, this, [this, after] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        CKelvoDoc& doc = child->document();
        doc.setAnnotationsVisible(!doc.annotationsVisible());
        ImageViewModel& model = child->imageView()->model();
        const ViewTool t = model.tool();
        if (!doc.annotationsVisible() &&
            (t == ViewTool::AnnotationText || t == ViewTool::MoveAnnotation || t == ViewTool::DeleteAnnotation))
            model.setTool(ViewTool::PanHand);
        child->imageView()->viewport()->update();
        after();
    });
    connect(a->measurements, &QAction::triggered, this, [this, after] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        CKelvoDoc& doc = child->document();
        doc.setMeasurementsVisible(!doc.measurementsVisible());
        ImageViewModel& model = child->imageView()->model();
        if (!doc.measurementsVisible() &&
            (model.tool() == ViewTool::MeasureLength || model.tool() == ViewTool::MeasureAngle))
            model.setTool(ViewTool::PanHand);
        child->imageView()->viewport()->update();
        after();
    });
    connect(a->rulers, &QAction::triggered, this, [this, after] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        child->document().setRulersOn(!child->document().rulersOn());
        child->imageView()->viewport()->update();
        after();
    });
    // Tools Palettes: one switch for every window's tool panels.
    a->toolPanels->setChecked(ViewOverlays::toolPanelsShown());
    connect(a->toolPanels, &QAction::toggled, this, [this, after](bool on) {
        ViewOverlays::setToolPanelsShown(on);
        for (QMdiSubWindow* sub : m_mdi->subWindowList())
            if (auto* child = qobject_cast<CChildFrame*>(sub->widget()))
                child->imageView()->overlayView().toolChanged();
        after();
    });

    // Edit: Copy ROI after Undo and Redo. Without a selection it copies the
    // frame, through Copy Frame when the window has it.
    a->copyRoi = command(edit, tr("Copy &ROI"), [a](ViewOverlays& o) {
        if (hasSelection(o.overlays().document()))
            o.copyRoi();
        else if (a->copyFrame)
            a->copyFrame->trigger();
    });

    // Image: Clear, Crop To Selection, Info, Histogram at the end.
    image->addSeparator();
    a->clear = command(image, tr("Cl&ear"), [](ViewOverlays& o) { o.clearSelected(); });
    a->cropToSelection = command(image, tr("Crop To &Selection"), [](ViewOverlays& o) { o.cropToSelection(); });
    a->info = command(image, tr("In&fo..."), [this](ViewOverlays& o) {
        InfoDialog dialog(o.overlays().document(), this);
        connect(&dialog, &InfoDialog::spacingChanged, this, [this] {
            if (CChildFrame* child = activeChild()) child->imageView()->viewport()->update();
        });
        dialog.exec();
    });
    a->histogram = command(image, tr("&Histogram..."), [this](ViewOverlays& o) {
        const ImageBuffer* frame = o.overlays().document().frameAt(-1);
        if (frame == nullptr) return;
        HistogramDialog dialog(*frame, this);
        dialog.exec();
    });

    // Options: before "Video time setup".
    a->rulersSetup = new QAction(tr("R&ulers Setup..."), this);
    a->spacingSetup = new QAction(tr("&Pixel Spacing Setup..."), this);
    options->insertAction(m_videoSetup, a->rulersSetup);
    options->insertAction(m_videoSetup, a->spacingSetup);
    connect(a->rulersSetup, &QAction::triggered, this, [this, overlays] {
        ViewOverlays* o = overlays();
        if (o == nullptr) return;
        RulersSetupDialog dialog(o->overlays().rulers(-1), m_options, this);
        if (dialog.exec() != QDialog::Accepted) return;
        o->overlays().setRulers(-1, dialog.settings());
        if (CChildFrame* child = activeChild()) child->imageView()->viewport()->update();
    });
    connect(a->spacingSetup, &QAction::triggered, this, [this, overlays] {
        ViewOverlays* o = overlays();
        if (o == nullptr) return;
        PixelSpacingDialog dialog(o->overlays().document(), this);
        if (dialog.exec() == QDialog::Accepted)
            if (CChildFrame* child = activeChild()) child->imageView()->viewport()->update();
    });

    // The palette's colour button: the colour of new items of the active tool.
    a->colour = new QAction(tr("Select Annotation Color"), this);
    connect(a->colour, &QAction::triggered, this, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        CKelvoDoc& doc = child->document();
        const ViewTool t = child->imageView()->model().tool();
        const uint32_t now = t == ViewTool::MeasureLength  ? doc.distanceColor()
                             : t == ViewTool::MeasureAngle ? doc.angleColor()
                                                           : doc.annotationColor();
        const QColor c = QColorDialog::getColor(overlayColour(now), this, tr("Select Annotation Color"));
        if (!c.isValid()) return;
        const uint32_t chosen = colourRefOf(c);
        if (t == ViewTool::MeasureLength)
            doc.setDistanceColor(chosen);
        else if (t == ViewTool::MeasureAngle)
            doc.setAngleColor(chosen);
        else
            doc.setAnnotationColor(chosen);
        updateActions();
    });

    // Undo and Redo put away a crop rectangle.
    for (QAction* step : {m_undo, m_redo})
        connect(step, &QAction::triggered, this, [overlays] {
            if (ViewOverlays* o = overlays()) o->afterUndoRedo();
        });
}

void CMainFrame::addOverlayToolButtons() {
    OverlayActions* a = m_overlayActions;
    QAction* first = m_viewBar->actions().value(0);
    for (QAction* action : {a->annotations, a->measurements, a->rulers, a->toolPanels})
        m_viewBar->insertAction(first, action);
    for (QAction* action : {a->selection, a->crop, a->annotationText, a->moveAnnotation, a->deleteAnnotation,
                            a->lengthTool, a->angleTool})
        m_toolPalette->addAction(action);
    m_toolPalette->addSeparator();
    m_toolPalette->addAction(a->colour);
}

void CMainFrame::updateOverlayActions() {
    OverlayActions* a = m_overlayActions;
    if (a == nullptr) return;
    CChildFrame* child = activeChild();
    CKelvoDoc* doc = child != nullptr ? &child->document() : nullptr;
    const bool image = doc != nullptr && doc->frameAt(-1) != nullptr && child->imageView()->model().hasImage();
    const bool annotations = image && doc->annotationsVisible();
    const bool measurements = image && doc->measurementsVisible();
    const bool selection = image && hasSelection(*doc);
    // The tool actions' checks come with the other tools; the annotation and
    // measurement ones also need their items shown.
    for (QAction* t : {a->annotationText, a->moveAnnotation, a->deleteAnnotation})
        t->setEnabled(t->isEnabled() && annotations);
    for (QAction* t : {a->lengthTool, a->angleTool}) t->setEnabled(t->isEnabled() && measurements);
    a->annotations->setEnabled(image);
    a->annotations->setChecked(annotations);
    a->measurements->setEnabled(image);
    a->measurements->setChecked(measurements);
    a->rulers->setEnabled(image);
    a->rulers->setChecked(image && doc->rulersOn());
    for (QAction* c : {a->inverse, a->unselect, a->clear, a->cropToSelection}) c->setEnabled(selection);
    for (QAction* c : {a->histogram, a->info, a->rulersSetup, a->spacingSetup, a->colour}) c->setEnabled(image);
    if (a->copyFrame.isNull())
        for (QAction* action : findChildren<QAction*>())
            if (action->text() == QStringLiteral("&Copy Frame")) a->copyFrame = action;
    a->copyRoi->setEnabled(selection || (image && a->copyFrame && a->copyFrame->isEnabled()));
    uint32_t colour = UserOptions().annotationColor();
    if (image) {
        const ViewTool t = child->imageView()->model().tool();
        colour = t == ViewTool::MeasureLength  ? doc->distanceColor()
                 : t == ViewTool::MeasureAngle ? doc->angleColor()
                                               : doc->annotationColor();
    }
    if (a->colour->data().toUInt() != colour + 1) { // repaint the swatch only when it changes
        a->colour->setIcon(swatchIcon(overlayColour(colour)));
        a->colour->setData(colour + 1);
    }
}

void CMainFrame::connectOverlayView(CChildFrame* frame) {
    ViewOverlays& o = frame->imageView()->overlayView();
    connect(&o, &ViewOverlays::edited, this, [this] {
        updateActions();
        updateStatus();
    });
    connect(&o, &ViewOverlays::selectionMenuRequested, this, [this](QPoint global) {
        updateActions();
        OverlayActions* a = m_overlayActions;
        QMenu menu(this);
        menu.addAction(a->copyRoi);
        if (a->copyFrame) menu.addAction(a->copyFrame);
        menu.addAction(a->clear);
        menu.addAction(a->inverse);
        menu.addAction(a->unselect);
        menu.addAction(a->cropToSelection);
        menu.exec(global);
    });
}

} // namespace veltor
