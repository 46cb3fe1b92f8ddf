#include "app/view_overlays.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>

#include "app/annotation_dialog.h"
#include "app/crop_panel_widget.h"
#include "app/image_view.h"
#include "app/overlay_painting.h"
#include "document/kelvo_doc.h"
#include "imaging/display_bitmap.h"
#include "view/selection_commands.h"

namespace veltor {

namespace {

constexpr int kAntsMilliseconds = 75;
constexpr int kPanelWidth = 150;

// A crosshair with a small sign for the selection modes: "+" union, "-"
// difference, "x" intersection.
QCursor selectionCursor(SelectionMode mode) {
    static QHash<int, QCursor> cache;
    const int key = int(mode);
    if (cache.contains(key)) return cache.value(key);
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        const auto cross = [&](const QColor& c, int w) {
            p.setPen(QPen(c, w, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(10, 0, 10, 8);
            p.drawLine(10, 12, 10, 21);
            p.drawLine(0, 10, 8, 10);
            p.drawLine(12, 10, 21, 10);
            switch (mode) {
            case SelectionMode::Union:
                p.drawLine(24, 19, 24, 29);
                p.drawLine(19, 24, 29, 24);
                break;
            case SelectionMode::Difference: p.drawLine(19, 24, 29, 24); break;
            case SelectionMode::Intersection:
                p.drawLine(20, 20, 28, 28);
                p.drawLine(28, 20, 20, 28);
                break;
            case SelectionMode::New: break;
            }
        };
        cross(Qt::white, 3);
        cross(Qt::black, 1);
    }
    const QCursor c(QPixmap::fromImage(image), 10, 10);
    cache.insert(key, c);
    return c;
}

QCursor cropCursor(CropHandle h) {
    switch (h) {
    case CropHandle::TopLeft:
    case CropHandle::BottomRight: return Qt::SizeFDiagCursor;
    case CropHandle::TopRight:
    case CropHandle::BottomLeft: return Qt::SizeBDiagCursor;
    case CropHandle::Left:
    case CropHandle::Right: return Qt::SizeHorCursor;
    case CropHandle::Top:
    case CropHandle::Bottom: return Qt::SizeVerCursor;
    case CropHandle::Inside: return Qt::PointingHandCursor;
    default: return Qt::CrossCursor;
    }
}

// A packed bitmap (bottom-up rows, 8 bits with a colour table or 24 bits)
// as a QImage of its own.
QImage imageOfBitmap(const std::vector<uint8_t>& dib) {
    if (dib.size() < size_t(kBitmapInfoHeaderSize)) return {};
    const auto le32 = [&](size_t at) {
        return int32_t(uint32_t(dib[at]) | uint32_t(dib[at + 1]) << 8 | uint32_t(dib[at + 2]) << 16 |
                       uint32_t(dib[at + 3]) << 24);
    };
    const int32_t w = le32(4), h = le32(8);
    const int bits = dib[14] | dib[15] << 8;
    if (w <= 0 || h <= 0 || (bits != 8 && bits != 24)) return {};
    const size_t table = bits == 8 ? size_t(kColourTableSize) : 0;
    const size_t stride = size_t(bitmapStride(w, bits));
    if (dib.size() < size_t(kBitmapInfoHeaderSize) + table + stride * size_t(h)) return {};
    const uint8_t* rows = dib.data() + kBitmapInfoHeaderSize + table;
    QImage image;
    if (bits == 8) {
        image = QImage(rows, w, h, int(stride), QImage::Format_Indexed8);
        QList<QRgb> colours(256);
        const uint8_t* c = dib.data() + kBitmapInfoHeaderSize;
        for (int i = 0; i < 256; ++i) colours[i] = qRgb(c[4 * i + 2], c[4 * i + 1], c[4 * i]);
        image.setColorTable(colours);
    } else {
        image = QImage(rows, w, h, int(stride), QImage::Format_BGR888);
    }
    return image.mirrored(false, true); // a copy, with the rows top-down
}

} // namespace

ViewOverlays::ViewOverlays(CKelvoView& view, CKelvoDoc& doc, const UserOptions& options)
    : QObject(&view), m_view(view), m_doc(doc), m_options(options), m_model(view.model()),
      m_overlays(std::make_unique<DocumentOverlays>(doc, options, overlayTextMeasurer())), m_text(*m_overlays),
      m_move(*m_overlays), m_delete(*m_overlays), m_length(*m_overlays), m_angle(*m_overlays), m_selection(doc),
      m_crop(doc, *m_overlays) {
    m_overlays->afterLoad();
    m_model.setToolHandler(ViewTool::AnnotationText, &m_text);
    m_model.setToolHandler(ViewTool::MoveAnnotation, &m_move);
    m_model.setToolHandler(ViewTool::DeleteAnnotation, &m_delete);
    m_model.setToolHandler(ViewTool::MeasureLength, &m_length);
    m_model.setToolHandler(ViewTool::MeasureAngle, &m_angle);
    m_model.setToolHandler(ViewTool::SelectionRectangle, &m_selection);
    m_model.setToolHandler(ViewTool::Crop, &m_crop);

    m_text.setRequest([this](const ToolInput& press) {
        // After the release has been handled: the dialog runs its own loop.
        QTimer::singleShot(0, this, [this, press] { newAnnotation(press); });
    });
    m_move.setListener([this] {
        repaint(true);
        if (!m_move.dragging()) changed();
    });
    m_delete.setListener([this] { changed(); });
    const auto measured = [this](bool finished) {
        syncAnts();
        repaint(true);
        if (finished) changed();
    };
    m_length.setListener(measured);
    m_angle.setListener(measured);
    m_selection.setListener([this](bool released) {
        repaint();
        if (released) {
            syncAnts();
            changed();
        }
    });
    m_crop.setListener([this](bool cropped) {
        updatePanel();
        repaint();
        if (cropped) {
            m_view.documentChanged();
            changed();
        }
    });

    m_ants = new QTimer(this);
    m_ants->setInterval(kAntsMilliseconds);
    connect(m_ants, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % 12;
        const ImageBuffer* frame = m_doc.frameAt(-1);
        if (frame == nullptr || frame->selection() == nullptr || !frame->selection()->hasOutline()) {
            syncAnts();
            return;
        }
        // Only the outline is drawn again, not the whole pane.
        m_view.viewport()->update(selectionOutlineBounds(*frame->selection(), imageOnPane(), m_model.zoom()));
    });

    m_panel = new CropPanelWidget(&m_view);
    m_panel->hide();
    connect(m_panel, &CropPanelWidget::rectEdited, this, [this](const ImageRect& r) { m_crop.setRect(r); });
}

ViewOverlays::~ViewOverlays() {
    m_ants->stop();
    for (ViewTool t : {ViewTool::AnnotationText, ViewTool::MoveAnnotation, ViewTool::DeleteAnnotation,
                       ViewTool::MeasureLength, ViewTool::MeasureAngle, ViewTool::SelectionRectangle, ViewTool::Crop})
        m_model.setToolHandler(t, nullptr);
}

QRect ViewOverlays::imageOnPane() const {
    const ViewRect& r = m_model.paintPlan().destination;
    return QRect(r.left, r.top, r.width(), r.height());
}

void ViewOverlays::repaint(bool now) {
    if (now)
        m_view.viewport()->repaint();
    else
        m_view.viewport()->update();
}

void ViewOverlays::changed() { emit edited(); }

bool ViewOverlays::antsRunning() const { return m_ants->isActive(); }

void ViewOverlays::syncAnts() {
    const ImageBuffer* frame = m_doc.frameAt(-1);
    const bool outline = frame != nullptr && frame->selection() != nullptr && frame->selection()->hasOutline();
    // Playback and the measurement tools hold the ants still.
    const bool run = outline && !m_model.playing() && !m_length.placing() && !m_angle.placing();
    if (run && !m_ants->isActive()) m_ants->start();
    if (!run && m_ants->isActive()) m_ants->stop();
}

void ViewOverlays::documentChanged() {
    syncAnts();
    updatePanel();
}

namespace {
bool g_toolPanelsShown = true;
} // namespace

bool ViewOverlays::toolPanelsShown() { return g_toolPanelsShown; }

void ViewOverlays::setToolPanelsShown(bool shown) { g_toolPanelsShown = shown; }

void ViewOverlays::updatePanel() {
    const bool cropTool = m_model.tool() == ViewTool::Crop && m_model.hasImage() && g_toolPanelsShown;
    m_view.setPanelWidth(cropTool ? kPanelWidth : 0);
    if (!cropTool) {
        m_panel->hide();
        return;
    }
    const ImageBuffer* frame = m_doc.frameAt(-1);
    CropPanelModel& model = m_panel->model();
    if (frame != nullptr) model.setLimits(frame->width() - 1, frame->height() - 1);
    if (m_crop.shown())
        model.show(m_crop.rect());
    else
        model.clear();
    m_panel->refresh();
    const QRect vp = m_view.viewport()->geometry();
    m_panel->setGeometry(vp.right() + 1, vp.top(), kPanelWidth, vp.height());
    m_panel->show();
}

void ViewOverlays::toolChanged() {
    updatePanel();
    syncAnts();
    repaint();
}

TextAnnotation ViewOverlays::lastAnnotationStyle() const {
    if (m_lastStyle) return *m_lastStyle;
    TextAnnotation a;
    a.font = overlayFontFrom(m_options.annotationFont());
    a.colour = m_doc.annotationColor();
    return a;
}

// --- painting ---------------------------------------------------------------

void ViewOverlays::paint(QPainter& painter) {
    if (!m_model.hasImage()) return;
    const QRect image = imageOnPane();
    const float z = m_model.zoom();
    const int dpi = overlayDotsPerInch();
    paintFrameOverlays(painter, *m_overlays, -1, image.topLeft(), z, m_move.dragging() ? m_move.draggedIndex() : -1);

    painter.save();
    painter.setClipRect(image, Qt::IntersectClip);
    if (m_move.dragging() && m_doc.annotationsVisible()) {
        const TextAnnotation& a = m_move.dragged();
        const ViewPoint at = m_move.dragPosition();
        paintText(painter, a.text, a.font, a.colour, QPoint(at.x, at.y), image, z, dpi);
    }
    const MeasureTool* placing = m_length.placing() ? static_cast<const MeasureTool*>(&m_length)
                                 : m_angle.placing() ? static_cast<const MeasureTool*>(&m_angle)
                                                     : nullptr;
    if (placing != nullptr) {
        const std::vector<ViewPoint>& p = placing->points();
        if (placing == &m_length) {
            const LengthMeasurement m = m_overlays->makeLength(p[0], p[1]);
            paintLength(painter, m, m.label, image, z, dpi);
        } else if (p.size() == 3) {
            paintAngle(painter, m_overlays->makeAngle(p[0], p[1], p[2]), image, z, dpi);
        } else {
            AngleMeasurement ray = m_overlays->makeAngle(p[0], p[1], p[1]);
            ray.label.clear();
            paintAngle(painter, ray, image, z, dpi);
        }
    }
    painter.restore();

    const auto toPane = [&](int32_t x, int32_t y) {
        return QPoint(image.left() + int(std::trunc(double(z) * x)), image.top() + int(std::trunc(double(z) * y)));
    };
    const auto dashedRect = [&](const QRect& r) {
        painter.save();
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(r);
        QPen dash(Qt::black, 1, Qt::CustomDashLine);
        dash.setDashPattern({4, 4});
        painter.setPen(dash);
        painter.drawRect(r);
        painter.restore();
    };
    if (m_model.tool() == ViewTool::Crop) {
        if (m_crop.stretching()) {
            const ViewRect b = m_crop.band();
            dashedRect(QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom)));
        } else if (m_crop.shown()) {
            const ImageRect& r = m_crop.rect();
            const QRect box(toPane(r.left, r.top), toPane(r.right + 1, r.bottom + 1) - QPoint(1, 1));
            dashedRect(box);
            painter.save();
            painter.setPen(Qt::black);
            painter.setBrush(Qt::white);
            const int cx = (box.left() + box.right()) / 2, cy = (box.top() + box.bottom()) / 2;
            for (const QPoint& h : {box.topLeft(), QPoint(cx, box.top()), box.topRight(), QPoint(box.left(), cy),
                                    QPoint(box.right(), cy), box.bottomLeft(), QPoint(cx, box.bottom()),
                                    box.bottomRight()})
                painter.drawRect(QRect(h - QPoint(3, 3), QSize(6, 6)));
            painter.restore();
        }
    }
    if (m_selection.dragging()) {
        const ViewRect b = m_selection.band();
        dashedRect(QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom)));
    }
    const ImageBuffer* frame = m_doc.frameAt(-1);
    if (frame != nullptr && frame->selection() != nullptr && frame->selection()->hasOutline())
        paintSelectionOutline(painter, *frame->selection(), image, z, m_phase);
}

std::optional<QCursor> ViewOverlays::cursorAt(QPoint pane, Qt::KeyboardModifiers modifiers) const {
    const ViewPoint p{pane.x(), pane.y()};
    const ViewPoint image = m_model.imagePointAt(p);
    switch (m_model.tool()) {
    case ViewTool::AnnotationText: return QCursor(Qt::IBeamCursor);
    case ViewTool::SelectionRectangle:
        return selectionCursor(
            selectionModeFor({modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier)}));
    case ViewTool::MoveAnnotation:
        if (m_move.dragging()) return QCursor(Qt::SizeAllCursor);
        return QCursor(m_overlays->hitTest(-1, image) ? Qt::SizeAllCursor : Qt::ArrowCursor);
    case ViewTool::DeleteAnnotation:
        return QCursor(m_overlays->hitTest(-1, image) ? Qt::PointingHandCursor : Qt::CrossCursor);
    case ViewTool::MeasureLength:
    case ViewTool::MeasureAngle: return QCursor(Qt::CrossCursor);
    case ViewTool::Crop:
        if (m_crop.moving()) return QCursor(Qt::SizeAllCursor);
        if (m_crop.activeHandle() != CropHandle::None) return cropCursor(m_crop.activeHandle());
        return cropCursor(m_crop.shown() ? classifyCropPoint(m_crop.rect(), image) : CropHandle::None);
    default: return std::nullopt;
    }
}

// --- input ------------------------------------------------------------------

bool ViewOverlays::key(int key) {
    if (!m_model.hasImage()) return false;
    if (key == Qt::Key_I) return inverseSelection();
    if (key == Qt::Key_Delete) return clearSelected();
    return false;
}

void ViewOverlays::contextMenu(QPoint pane, bool selectionMenu) {
    const QPoint global = m_view.viewport()->mapToGlobal(pane);
    if (selectionMenu) {
        emit selectionMenuRequested(global);
        return;
    }
    const ViewPoint p{pane.x(), pane.y()};
    if (!m_model.isOverImage(p)) return;
    const OverlayHit hit = m_overlays->hitTest(-1, m_model.imagePointAt(p));
    if (!hit) return;
    const ViewTool tool = m_model.tool();
    const bool maker = (hit.kind == OverlayKind::Annotation && tool == ViewTool::AnnotationText) ||
                       (hit.kind == OverlayKind::Length && tool == ViewTool::MeasureLength) ||
                       (hit.kind == OverlayKind::Angle && tool == ViewTool::MeasureAngle);
    if (tool != ViewTool::MoveAnnotation && !maker) return;
    QMenu menu(&m_view);
    if (hit.kind == OverlayKind::Annotation) {
        menu.addAction(tr("Edit..."), this, [this, hit] { editAnnotation(hit.index); });
    } else {
        menu.addAction(tr("Font..."), this, [this, hit] { measurementFont(hit); });
        menu.addAction(tr("Color..."), this, [this, hit] { measurementColour(hit); });
    }
    menu.addAction(tr("Delete"), this, [this, hit] { deleteItem(hit); });
    QAction* all = menu.addAction(tr("Add to all frames"), this, [this, hit] { addToAllFrames(hit); });
    all->setEnabled(m_doc.allFramesAlike());
    menu.exec(global);
}

// --- commands ---------------------------------------------------------------

bool ViewOverlays::inverseSelection() {
    if (!hasSelection(m_doc)) return false;
    const bool done = veltor::inverseSelection(m_doc) > 0;
    syncAnts();
    repaint();
    changed();
    return done;
}

bool ViewOverlays::unselect() {
    if (!hasSelection(m_doc)) return false;
    const bool done = veltor::unselect(m_doc) > 0;
    syncAnts();
    repaint();
    changed();
    return done;
}

bool ViewOverlays::clearSelected() {
    if (!hasSelection(m_doc)) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<QProgressDialog> box;
    const int32_t done = veltor::clearSelected(m_doc, [&](int32_t n, int32_t count) {
        if (!box) {
            box = std::make_unique<QProgressDialog>(QString::fromLatin1(kProgressWaitText), QString(), 1, count,
                                                    &m_view);
            box->setMinimumDuration(0);
        }
        box->setLabelText(QString::fromStdString(frameProgressText(n)));
        box->setValue(n);
    });
    box.reset();
    QApplication::restoreOverrideCursor();
    repaint();
    changed();
    return done > 0;
}

bool ViewOverlays::cropToSelection() {
    if (!hasSelection(m_doc)) return false;
    const bool done = veltor::cropToSelection(m_doc, *m_overlays) > 0;
    m_view.documentChanged();
    syncAnts();
    changed();
    return done;
}

bool ViewOverlays::copyRoi() {
    const ImageBuffer* frame = m_doc.frameAt(-1);
    if (frame == nullptr || !hasSelection(m_doc)) return false;
    const QImage image = imageOfBitmap(roiBitmap(*frame));
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (image.isNull() || clipboard == nullptr) {
        QMessageBox::warning(&m_view, QStringLiteral("Veltor Dicom Viewer"), QStringLiteral("Clipboard error"));
        return false;
    }
    clipboard->setImage(image);
    return true;
}

void ViewOverlays::newAnnotation(const ToolInput& press) {
    if (!m_model.hasImage()) return;
    TextAnnotation style = lastAnnotationStyle();
    style.colour = m_doc.annotationColor();
    style.text.clear();
    AnnotationDialog dialog(tr("Add Annotation"), style, m_doc.frameCount() > 1 && m_doc.allFramesAlike(),
                            m_doc.fileAt(-1), &m_view);
    if (dialog.exec() != QDialog::Accepted) return;
    const TextAnnotation a = dialog.annotation();
    m_lastStyle = a;
    m_lastStyle->text.clear();
    m_text.placeNewAnnotation(press, a, dialog.applyToAllFrames());
    repaint();
    changed();
}

void ViewOverlays::editAnnotation(int index) {
    const OverlayLevel* level = m_overlays->level(-1);
    if (level == nullptr || index < 0 || size_t(index) >= level->annotations.size()) return;
    const TextAnnotation before = level->annotations[size_t(index)];
    AnnotationDialog dialog(tr("Edit Annotation"), before, m_doc.frameCount() > 1 && m_doc.allFramesAlike(),
                            m_doc.fileAt(-1), &m_view);
    if (dialog.exec() != QDialog::Accepted) return;
    TextAnnotation edited = dialog.annotation();
    m_lastStyle = edited;
    m_lastStyle->text.clear();
    if (edited.text.empty()) return; // an empty line is not an annotation
    const TextExtent e = m_overlays->measurer()(edited.font, edited.text);
    edited.box = {before.box.x, before.box.y, e.width, e.height};
    m_overlays->editAnnotation(index, edited, dialog.applyToAllFrames());
    repaint();
    changed();
}

void ViewOverlays::deleteItem(OverlayHit item) {
    if (m_overlays->deleteItem(item) > 0) {
        repaint();
        changed();
    }
}

void ViewOverlays::addToAllFrames(OverlayHit item) {
    if (m_overlays->addToAllFrames(item) > 0) changed();
}

void ViewOverlays::measurementFont(OverlayHit item) {
    const OverlayLevel* level = m_overlays->level(-1);
    if (level == nullptr) return;
    OverlayFont font;
    uint32_t colour = 0;
    if (item.kind == OverlayKind::Length && size_t(item.index) < level->lengths.size()) {
        font = level->lengths[size_t(item.index)].font;
        colour = level->lengths[size_t(item.index)].colour;
    } else if (item.kind == OverlayKind::Angle && size_t(item.index) < level->angles.size()) {
        font = level->angles[size_t(item.index)].font;
        colour = level->angles[size_t(item.index)].colour;
    } else {
        return;
    }
    QFont start(QString::fromStdString(font.faceName), font.pointSize);
    start.setWeight(QFont::Weight(std::clamp(font.weight, 1, 1000)));
    start.setItalic(font.italic != 0);
    start.setUnderline(font.underline != 0);
    start.setStrikeOut(font.strikeOut != 0);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, start, &m_view, tr("Font"));
    if (!ok) return;
    font.faceName = annotationText(f.family().toStdString(), UserOptions::kMaxFaceName);
    if (f.pointSize() > 0) font.pointSize = f.pointSize();
    font.weight = int32_t(f.weight());
    font.italic = f.italic() ? 1 : 0;
    font.underline = f.underline() ? 1 : 0;
    font.strikeOut = f.strikeOut() ? 1 : 0;
    if (m_overlays->restyleMeasurement(item, &font, colour) > 0) {
        repaint();
        changed();
    }
}

void ViewOverlays::measurementColour(OverlayHit item) {
    const OverlayLevel* level = m_overlays->level(-1);
    if (level == nullptr) return;
    uint32_t colour = 0;
    if (item.kind == OverlayKind::Length && size_t(item.index) < level->lengths.size())
        colour = level->lengths[size_t(item.index)].colour;
    else if (item.kind == OverlayKind::Angle && size_t(item.index) < level->angles.size())
        colour = level->angles[size_t(item.index)].colour;
    else
        return;
    const QColor c = QColorDialog::getColor(overlayColour(colour), &m_view, tr("Color"));
    if (!c.isValid()) return;
    if (m_overlays->restyleMeasurement(item, nullptr, colourRefOf(c)) > 0) {
        repaint();
        changed();
    }
}

void ViewOverlays::afterUndoRedo() {
    m_crop.hide();
    syncAnts();
    repaint();
}

} // namespace veltor
