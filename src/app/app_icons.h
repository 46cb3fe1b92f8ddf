// The application's own pictures: toolbar and palette icons and the emblem
// come from the SVG drawings under data/icons (compiled into the program);
// the image pane's cursors and the middle-button autoscroll marker are drawn
// in code.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include "view/autoscroll.h"
#include "view/image_view_model.h"
#include "view/tool_palette_size.h"

class QScreen;

namespace veltor {

// One picture per toolbar or palette command.
enum class CommandIcon {
    Open,
    Reload,
    Close,
    Print,
    PrintPreview,
    About,
    Undo,
    Redo,
    Copy,
    ZoomInOut,
    ZoomWindow,
    ZoomDynamic,
    ZoomLimits,
    ZoomNormal,
    PreviousZoom,
    NextZoom,
    FirstFrame,
    PreviousFrame,
    NextFrame,
    LastFrame,
    Movie,
    ReverseMovie,
    VideoSetup,
    AllFrames,
    SingleFrame,
    Header,
    PanHand,
    LevelWindow,
    Thresholding,
    ToolsPalette,
    Rulers,
    Annotations,
    Measurements,
    ContactAuthor,
    WebSite,
    Anonymize,
    ExportFrames,
    Search,
    SelectDirectory,
    Refresh,
    FirstFile,
    PreviousFile,
    NextFile,
    LastFile,
    SelectionRectangle,
    Crop,
    AnnotationText,
    MoveAnnotation,
    EraseAnnotation,
    MeasureLength,
    MeasureAngle,
    Calculator,
    PrintSetup,
    PageSetup,
    CopyAllFrames,
    CopyHeader,
    CopyAll,
    CopySelectedFrames,
    ToolPanels,
    ExportAvi,
};
constexpr int kCommandIconCount = static_cast<int>(CommandIcon::ExportAvi) + 1;

constexpr int kSmallIconSize = 16; // toolbars and the small tool palette
constexpr int kLargeIconSize = 24; // the large tool palette

// The icon of a command, 16 x 16 or (large) 24 x 24, with sharp versions for
// screens of device pixel ratio 2. Built once and kept.
QIcon commandIcon(CommandIcon id, bool large = false);

// An SVG drawing of data/icons (`name` without ".svg") rendered at `size`
// for a screen of device pixel ratio `ratio`; a transparent picture when the
// drawing is missing.
QPixmap svgPicture(const QString& name, QSize size, qreal ratio = 1.0);
// The viewer's emblem, `size` pixels square: the window icon, the About box,
// the desktop's icon.
QPixmap applicationEmblem(int size);

// The palette choice for a real screen: its width in pixels and its logical
// resolution (a null screen gets the large palette).
bool useLargeToolPalette(const QScreen* screen);

// --- cursors -----------------------------------------------------------------
// Every drawn cursor is 32 x 32 with a one-pixel outline of the contrasting
// shade, so it shows on black and on white images alike.
constexpr int kCursorSize = 32;

// The image pane's cursors; Arrow and ToolDefined give the standard arrow
// (a tool that defines its own cursor sets it itself).
QCursor viewCursor(ViewCursor c);
// The Level-Window tool: a half-black, half-white disc with arrows for the
// two drag directions.
QCursor levelWindowCursor();
// Middle-button autoscroll: eight directions and the neutral marker.
QCursor autoscrollCursor(AutoscrollCursor c);
// The marker window's picture, kAutoscrollPictureSize square: arrow heads for
// the axes that can scroll around a centre dot, transparent outside the disc.
QPixmap autoscrollMarkerPicture(AutoscrollAxes axes);

} // namespace veltor
