// Drawing of a frame's overlays with QPainter: rulers, text annotations,
// lengths and angles, and the selection's animated outline. The image view
// paints them over the displayed frame; exports burn them into frames with
// paintFrameOverlays (at scale 1 into a black image of the frame's size, say),
// so both show the same pictures.
#pragma once

#include <QFont>
#include <QRect>

#include "view/document_overlays.h"
#include "view/overlay_records.h"
#include "view/rulers.h"

class QPainter;

namespace veltor {

class SelectionRegion;

// The screen's vertical dots per inch that font sizes in points are turned
// into pixels with (96 without a screen).
int overlayDotsPerInch();
// The font of an overlay drawn at `zoom`: pixel size trunc(zoom x the point
// size's pixel height), at least 1.
QFont overlayQFont(const OverlayFont& font, float zoom, int dotsPerInch = overlayDotsPerInch());
// Measures text as the overlays draw it at zoom 1.
TextMeasurer overlayTextMeasurer(int dotsPerInch = overlayDotsPerInch());

struct OverlayPaintOptions {
    bool annotations = true;
    bool measurements = true;
    PixelSpacing spacing; // lengths are recomputed with it
    int skipAnnotation = -1; // the one being dragged
    int dotsPerInch = overlayDotsPerInch();
};

// Text annotations, then lengths, then angles of `level`, for an image drawn
// at `image` (painter coordinates, exclusive right and bottom) at `zoom`.
// Text is clipped to the image.
void paintOverlays(QPainter& painter, const OverlayLevel& level, const QRect& image, float zoom,
                   const OverlayPaintOptions& options);
void paintText(QPainter& painter, const std::string& text, const OverlayFont& font, uint32_t colour,
               QPoint topLeft, const QRect& image, float zoom, int dotsPerInch);
void paintLength(QPainter& painter, const LengthMeasurement& m, const std::string& label, const QRect& image,
                 float zoom, int dotsPerInch);
void paintAngle(QPainter& painter, const AngleMeasurement& m, const QRect& image, float zoom, int dotsPerInch);
// The rulers of a frame.
void paintRulers(QPainter& painter, const QRect& image, float zoom, const PixelSpacing& spacing,
                 const RulerSettings& rulers, int dotsPerInch = overlayDotsPerInch());
// The selection outline, each outline pixel scaled to the zoom and coloured
// by diagonal stripes of 6 white and 6 black pixels shifted by `phase`
// (0..11): the marching ants.
void paintSelectionOutline(QPainter& painter, const SelectionRegion& region, const QRect& image, float zoom,
                           int phase);
// The pane rectangle the outline covers (for repainting the ants only).
QRect selectionOutlineBounds(const SelectionRegion& region, const QRect& image, float zoom);

// Everything the view shows over frame `frame` of the document (rulers,
// annotations and measurements, as far as the document shows them) with the
// frame's top-left pixel at `origin` and `scale` pane pixels per image
// pixel. Meant for the view and for exports alike.
// `skipAnnotation` leaves out one annotation (the view's, while it is dragged).
void paintFrameOverlays(QPainter& painter, DocumentOverlays& overlays, int frame, QPoint origin, float scale,
                        int skipAnnotation = -1);
// Whether any overlay of the document is switched on (exports copy the
// display bitmap as it is otherwise).
bool overlaysShown(DocumentOverlays& overlays, int frame = -1);

QColor overlayColour(uint32_t colourRef);
uint32_t colourRefOf(const QColor& colour);

} // namespace veltor
