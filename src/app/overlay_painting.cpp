#include "app/overlay_painting.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVector>

#include <cmath>

#include "document/kelvo_doc.h"
#include "imaging/selection_region.h"

namespace veltor {

namespace {

int scaled(float zoom, int32_t v) { return static_cast<int>(std::trunc(double(zoom) * v + 0.5)); }

QPoint toPane(const QRect& image, float zoom, int32_t x, int32_t y) {
    return {scaled(zoom, x) + image.left(), scaled(zoom, y) + image.top()};
}

} // namespace

QColor overlayColour(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

uint32_t colourRefOf(const QColor& c) { return rgbColour(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())); }

int overlayDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? int(std::lround(screen->logicalDotsPerInchY())) : 96;
    return dpi > 0 && dpi < 1000 ? dpi : 96;
}

QFont overlayQFont(const OverlayFont& f, float zoom, int dotsPerInch) {
    QFont font(QString::fromStdString(f.faceName));
    font.setPixelSize(zoomedFontPixelHeight(f.pointSize, dotsPerInch, zoom));
    font.setWeight(QFont::Weight(std::clamp(f.weight, 1, 1000)));
    font.setItalic(f.italic != 0);
    font.setUnderline(f.underline != 0);
    font.setStrikeOut(f.strikeOut != 0);
    return font;
}

TextMeasurer overlayTextMeasurer(int dotsPerInch) {
    return [dotsPerInch](const OverlayFont& f, const std::string& text) {
        const QFontMetrics m(overlayQFont(f, 1.0f, dotsPerInch));
        return TextExtent{m.horizontalAdvance(QString::fromStdString(text)), m.height()};
    };
}

void paintText(QPainter& painter, const std::string& text, const OverlayFont& font, uint32_t colour,
               QPoint topLeft, const QRect& image, float zoom, int dotsPerInch) {
    // Left- and top-aligned in the rest of the image, clipped to it; the text
    // is drawn as it is, never read as markup or mnemonics.
    const QRect box(topLeft, QPoint(image.right(), image.bottom()));
    if (box.isEmpty() || text.empty()) return;
    painter.setFont(overlayQFont(font, zoom, dotsPerInch));
    painter.setPen(overlayColour(colour));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(text));
}

namespace {

void endCircles(QPainter& painter, uint32_t colour, std::initializer_list<QPoint> points) {
    painter.setPen(QPen(overlayColour(colour), 1));
    painter.setBrush(Qt::NoBrush);
    for (const QPoint& p : points) painter.drawEllipse(p, 2, 2);
}

QPen linePen(uint32_t colour, int32_t width) {
    QPen pen(overlayColour(colour), std::max(width, 1));
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

} // namespace

void paintLength(QPainter& painter, const LengthMeasurement& m, const std::string& label, const QRect& image,
                 float zoom, int dotsPerInch) {
    const QPoint a = toPane(image, zoom, m.x1, m.y1), b = toPane(image, zoom, m.x2, m.y2);
    painter.setPen(linePen(m.colour, m.lineWidth));
    painter.drawLine(a, b);
    endCircles(painter, m.colour, {a, b});
    paintText(painter, label, m.font, m.colour, toPane(image, zoom, m.labelBox.x, m.labelBox.y), image, zoom,
              dotsPerInch);
}

void paintAngle(QPainter& painter, const AngleMeasurement& m, const QRect& image, float zoom, int dotsPerInch) {
    const QPoint v = toPane(image, zoom, m.x1, m.y1), a = toPane(image, zoom, m.x2, m.y2),
                 b = toPane(image, zoom, m.x3, m.y3);
    painter.setPen(linePen(m.colour, m.lineWidth));
    painter.drawLine(v, a);
    painter.drawLine(v, b);
    endCircles(painter, m.colour, {v, a, b});
    paintText(painter, m.label, m.font, m.colour, toPane(image, zoom, m.labelBox.x, m.labelBox.y), image, zoom,
              dotsPerInch);
}

void paintOverlays(QPainter& painter, const OverlayLevel& level, const QRect& image, float zoom,
                   const OverlayPaintOptions& options) {
    if ((!options.annotations || level.annotations.empty()) &&
        (!options.measurements || (level.lengths.empty() && level.angles.empty())))
        return;
    painter.save();
    painter.setClipRect(image, Qt::IntersectClip);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (options.annotations) {
        for (size_t i = 0; i < level.annotations.size(); ++i) {
            if (int(i) == options.skipAnnotation) continue;
            const TextAnnotation& a = level.annotations[i];
            paintText(painter, a.text, a.font, a.colour, toPane(image, zoom, a.box.x, a.box.y), image, zoom,
                      options.dotsPerInch);
        }
    }
    if (options.measurements) {
        // Lengths show the current spacing, so a new spacing changes them all.
        for (const LengthMeasurement& m : level.lengths)
            paintLength(painter, m, lengthLabel(lengthMillimetres(m.x1, m.y1, m.x2, m.y2, options.spacing)), image,
                        zoom, options.dotsPerInch);
        for (const AngleMeasurement& m : level.angles) paintAngle(painter, m, image, zoom, options.dotsPerInch);
    }
    painter.restore();
}

void paintRulers(QPainter& painter, const QRect& image, float zoom, const PixelSpacing& spacing,
                 const RulerSettings& rulers, int dotsPerInch) {
    const QFont font = overlayQFont(rulerFont(), 1.0f, dotsPerInch);
    const QFontMetrics metrics(font);
    const ViewRect r{image.left(), image.top(), image.left() + image.width(), image.top() + image.height()};
    const RulerGeometry g = rulerGeometry(r, zoom, spacing, rulers.corner, [&](const std::string& text) {
        return TextExtent{metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
    });
    painter.save();
    const QColor colour = overlayColour(rulers.colour);
    painter.setPen(QPen(colour, 2));
    QVector<QLine> lines;
    lines.reserve(qsizetype(g.lines.size()));
    for (const RulerLine& l : g.lines) lines.append(QLine(l.from.x, l.from.y, l.to.x, l.to.y));
    painter.drawLines(lines);
    painter.setFont(font);
    painter.setPen(colour);
    for (const RulerLabel& label : g.labels)
        painter.drawText(QPoint(label.at.x, label.at.y + metrics.ascent()), QString::fromStdString(label.text));
    painter.restore();
}

QRect selectionOutlineBounds(const SelectionRegion& region, const QRect& image, float zoom) {
    if (!region.hasOutline()) return {};
    const QPoint a = toPane(image, zoom, region.left(), region.top());
    const QPoint b = toPane(image, zoom, region.right() + 1, region.bottom() + 1);
    return QRect(a, b).adjusted(-1, -1, 1, 1);
}

void paintSelectionOutline(QPainter& painter, const SelectionRegion& region, const QRect& image, float zoom,
                           int phase) {
    if (!region.hasOutline()) return;
    QVector<QRect> white, black;
    const QRect visible = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() : QRect();
    for (const SelectionPoint& p : region.outline()) {
        const int x0 = int(std::trunc(double(zoom) * p.x)) + image.left();
        const int y0 = int(std::trunc(double(zoom) * p.y)) + image.top();
        const int x1 = int(std::trunc(double(zoom) * (p.x + 1))) + image.left();
        const int y1 = int(std::trunc(double(zoom) * (p.y + 1))) + image.top();
        const QRect cell(x0, y0, std::max(x1 - x0, 1), std::max(y1 - y0, 1));
        if (visible.isValid() && !visible.intersects(cell)) continue;
        const int stripe = ((x0 + y0 + phase) % 12 + 12) % 12;
        (stripe < 6 ? white : black).append(cell);
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRects(white);
    painter.setBrush(Qt::black);
    painter.drawRects(black);
    painter.restore();
}

bool overlaysShown(DocumentOverlays& overlays, int frame) {
    CKelvoDoc& doc = overlays.document();
    const OverlayLevel* level = overlays.level(frame);
    const bool items = level != nullptr && ((doc.annotationsVisible() && !level->annotations.empty()) ||
                                            (doc.measurementsVisible() && (!level->lengths.empty() || !level->angles.empty())));
    return doc.rulersOn() || items;
}

void paintFrameOverlays(QPainter& painter, DocumentOverlays& overlays, int frame, QPoint origin, float scale,
                        int skipAnnotation) {
    CKelvoDoc& doc = overlays.document();
    const ImageBuffer* f = doc.frameAt(frame);
    const OverlayLevel* level = overlays.level(frame);
    if (f == nullptr || level == nullptr) return;
    const ViewSize size = displayedSize(f->width(), f->height(), scale);
    const QRect image(origin, QSize(size.width, size.height));
    const int dpi = overlayDotsPerInch();
    const PixelSpacing spacing = overlays.spacing();
    if (doc.rulersOn()) paintRulers(painter, image, scale, spacing, overlays.rulers(frame), dpi);
    OverlayPaintOptions options;
    options.annotations = doc.annotationsVisible();
    options.measurements = doc.measurementsVisible();
    options.spacing = spacing;
    options.skipAnnotation = skipAnnotation;
    options.dotsPerInch = dpi;
    paintOverlays(painter, *level, image, scale, options);
}

} // namespace veltor
