// The application's drawn pictures: command icons, cursors, the autoscroll
// marker and the background behind the document windows.
//
// Set VELTOR_ICON_SHEET to a PNG path to also write a contact sheet of every
// icon and cursor there, and a shot of the pictured background beside it
// (the same name ending in -background.png), for looking at them.
#include <QImage>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTest>

#include <vector>

#include "app/app_icons.h"
#include "app/mdi_background.h"

using namespace veltor;

namespace {

std::vector<CommandIcon> allIcons() {
    std::vector<CommandIcon> ids;
    for (int i = 0; i < kCommandIconCount; ++i)
        ids.push_back(static_cast<CommandIcon>(i));
    return ids;
}

int opaqueCount(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) ++n;
    return n;
}

// Opaque pixels on either side of the centre line of a 32 x 32 cursor.
struct Halves {
    int top = 0, bottom = 0, left = 0, right = 0;
};
Halves halves(const QImage& image) {
    Halves h;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0) continue;
            if (y < 14) ++h.top;
            if (y > 16) ++h.bottom;
            if (x < 14) ++h.left;
            if (x > 16) ++h.right;
        }
    return h;
}

bool isDark(QRgb c) {
    return qAlpha(c) > 200 && qGray(c) < 100;
}

// The first fully opaque pixel of a picture, scanning from its middle row.
QPoint opaquePixel(const QImage& image) {
    for (int y = image.height() / 2; y < image.height(); ++y)
        for (int x = image.width() / 2; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) return {x, y};
    return {-1, -1};
}

QRgb rgbAt(const QImage& image, QPoint p) {
    return image.pixel(p) | 0xff000000u;
}

void writeContactSheet(const QString& path) {
    const int cell = 56;
    const int columns = 10;
    std::vector<QPixmap> items;
    for (CommandIcon id : allIcons()) {
        items.push_back(commandIcon(id).pixmap(16, 16));
        items.push_back(commandIcon(id, true).pixmap(24, 24));
    }
    for (int c = 0; c <= static_cast<int>(ViewCursor::ToolDefined); ++c)
        items.push_back(viewCursor(static_cast<ViewCursor>(c)).pixmap());
    items.push_back(levelWindowCursor().pixmap());
    for (int c = 0; c <= static_cast<int>(AutoscrollCursor::NorthWest); ++c)
        items.push_back(autoscrollCursor(static_cast<AutoscrollCursor>(c)).pixmap());
    for (AutoscrollAxes a :
         {AutoscrollAxes::Both, AutoscrollAxes::Horizontal, AutoscrollAxes::Vertical})
        items.push_back(autoscrollMarkerPicture(a));
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    // Each item twice: on a light and on a dark ground, scaled up 2x.
    QImage sheet(columns * cell * 2, rows * cell, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&sheet);
    for (size_t i = 0; i < items.size(); ++i) {
        const int x = static_cast<int>(i % columns) * cell * 2;
        const int y = static_cast<int>(i / columns) * cell;
        p.fillRect(x + cell, y, cell, cell, QColor(0x20, 0x20, 0x20));
        if (items[i].isNull()) continue;
        const QSize s = items[i].size() * 2;
        p.drawPixmap(
            QRect(x + (cell - s.width()) / 2, y + (cell - s.height()) / 2, s.width(), s.height()),
            items[i]);
        p.drawPixmap(QRect(x + cell + (cell - s.width()) / 2, y + (cell - s.height()) / 2,
                           s.width(), s.height()),
                     items[i]);
    }
    p.end();
    sheet.save(path);

    MdiBackgroundArea area;
    area.setBackgroundMode(true, QColor(0, 70, 100));
    area.resize(900, 600);
    area.show();
    if (!QTest::qWaitForWindowExposed(&area)) return;
    QString shot = path;
    shot.replace(QStringLiteral(".png"), QString()).append(QStringLiteral("-background.png"));
    area.viewport()->grab().save(shot);
}

} // namespace

class AppIconsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        const QByteArray sheet = qgetenv("VELTOR_ICON_SHEET");
        if (!sheet.isEmpty()) writeContactSheet(QString::fromLocal8Bit(sheet));
    }

    void everyIconIsDrawnAndDistinct() {
        for (bool large : {false, true}) {
            const int size = large ? kLargeIconSize : kSmallIconSize;
            std::vector<QImage> images;
            for (CommandIcon id : allIcons()) {
                const QIcon icon = commandIcon(id, large);
                QVERIFY(!icon.isNull());
                const QImage image = icon.pixmap(size, size).toImage();
                QCOMPARE(image.size(), QSize(size, size));
                // Not blank and not a plain square: something is drawn, with
                // some transparency around it or more than one colour.
                const int drawn = opaqueCount(image);
                QVERIFY2(drawn >= size * size / 8,
                         qPrintable(QStringLiteral("icon %1 nearly blank").arg(int(id))));
                // The sharp version for double-density screens is drawn at
                // its own size, not scaled up.
                const QPixmap sharp = icon.pixmap(QSize(size, size), 2.0);
                QCOMPARE(sharp.size(), QSize(2 * size, 2 * size));
                QCOMPARE(sharp.devicePixelRatio(), 2.0);
                images.push_back(image);
            }
            for (size_t a = 0; a < images.size(); ++a)
                for (size_t b = a + 1; b < images.size(); ++b)
                    QVERIFY2(
                        images[a] != images[b],
                        qPrintable(QStringLiteral("icons %1 and %2 look the same").arg(a).arg(b)));
        }
    }

    void iconsAreBuiltOnce() {
        const QIcon first = commandIcon(CommandIcon::Open);
        QCOMPARE(commandIcon(CommandIcon::Open).cacheKey(), first.cacheKey());
        QVERIFY(commandIcon(CommandIcon::Open, true).cacheKey() != first.cacheKey());
    }

    void unknownIconIsNull() {
        QVERIFY(commandIcon(static_cast<CommandIcon>(kCommandIconCount)).isNull());
        QVERIFY(commandIcon(static_cast<CommandIcon>(-1)).isNull());
    }

    void screenWithoutResolutionGetsTheLargePalette() {
        QVERIFY(useLargeToolPalette(static_cast<const QScreen*>(nullptr)));
    }

    void cursorsAreDrawnWithContrastingOutlines() {
        std::vector<QCursor> drawn;
        for (int c = 0; c <= static_cast<int>(ViewCursor::ToolDefined); ++c) {
            const auto which = static_cast<ViewCursor>(c);
            const QCursor cursor = viewCursor(which);
            if (which == ViewCursor::Arrow || which == ViewCursor::ToolDefined) {
                QCOMPARE(cursor.shape(), Qt::ArrowCursor);
                continue;
            }
            drawn.push_back(cursor);
        }
        drawn.push_back(levelWindowCursor());
        for (int c = 0; c <= static_cast<int>(AutoscrollCursor::NorthWest); ++c)
            drawn.push_back(autoscrollCursor(static_cast<AutoscrollCursor>(c)));

        std::vector<QImage> images;
        for (size_t i = 0; i < drawn.size(); ++i) {
            const QCursor& cursor = drawn[i];
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            const QImage image = cursor.pixmap().toImage();
            QCOMPARE(image.size(), QSize(kCursorSize, kCursorSize));
            const QPoint hot = cursor.hotSpot();
            QVERIFY(QRect(0, 0, kCursorSize, kCursorSize).contains(hot));
            // Both shades are there: the shape and its outline.
            int black = 0, white = 0;
            for (int y = 0; y < kCursorSize; ++y)
                for (int x = 0; x < kCursorSize; ++x) {
                    const QRgb px = image.pixel(x, y);
                    if (qAlpha(px) != 255) continue;
                    if (qGray(px) < 40) ++black;
                    if (qGray(px) > 215) ++white;
                }
            QVERIFY2(black > 10 && white > 10, qPrintable(QStringLiteral("cursor %1").arg(i)));
            // The edge of the picture stays clear so the outline is never cut.
            for (int k = 0; k < kCursorSize; ++k) {
                QCOMPARE(qAlpha(image.pixel(k, 0)), 0);
                QCOMPARE(qAlpha(image.pixel(0, k)), 0);
            }
            images.push_back(image);
        }
        for (size_t a = 0; a < images.size(); ++a)
            for (size_t b = a + 1; b < images.size(); ++b)
                QVERIFY(images[a] != images[b]);
    }

    void hotSpotsSitWhereTheCursorPoints() {
        // Magnifiers point with the centre of the lens: the pixel under the
        // hot spot of Zoom Out lies on the minus bar.
        const QCursor out = viewCursor(ViewCursor::ZoomOut);
        QVERIFY(isDark(out.pixmap().toImage().pixel(out.hotSpot())));
        const QCursor in = viewCursor(ViewCursor::ZoomIn);
        QCOMPARE(in.hotSpot(), out.hotSpot());
        // The cross points with its centre.
        const QCursor cross = viewCursor(ViewCursor::Cross);
        QVERIFY(isDark(cross.pixmap().toImage().pixel(cross.hotSpot())));
        QVERIFY(qAbs(cross.hotSpot().x() - kCursorSize / 2) <= 1);
        QVERIFY(qAbs(cross.hotSpot().y() - kCursorSize / 2) <= 1);
    }

    void autoscrollArrowsPointTheirWay() {
        const Halves north = halves(autoscrollCursor(AutoscrollCursor::North).pixmap().toImage());
        QVERIFY(north.top > 2 * north.bottom);
        const Halves south = halves(autoscrollCursor(AutoscrollCursor::South).pixmap().toImage());
        QVERIFY(south.bottom > 2 * south.top);
        const Halves east = halves(autoscrollCursor(AutoscrollCursor::East).pixmap().toImage());
        QVERIFY(east.right > 2 * east.left);
        const Halves west = halves(autoscrollCursor(AutoscrollCursor::West).pixmap().toImage());
        QVERIFY(west.left > 2 * west.right);
        const Halves ne = halves(autoscrollCursor(AutoscrollCursor::NorthEast).pixmap().toImage());
        QVERIFY(ne.top > 2 * ne.bottom && ne.right > 2 * ne.left);
        const Halves sw = halves(autoscrollCursor(AutoscrollCursor::SouthWest).pixmap().toImage());
        QVERIFY(sw.bottom > 2 * sw.top && sw.left > 2 * sw.right);
        const Halves still = halves(autoscrollCursor(AutoscrollCursor::Neutral).pixmap().toImage());
        QCOMPARE(still.top, still.bottom);
        QCOMPARE(still.left, still.right);
    }

    void markerPicturesShowTheScrollingAxes() {
        const int s = kAutoscrollPictureSize;
        const int mid = s / 2;
        struct Case {
            AutoscrollAxes axes;
            bool horizontal;
            bool vertical;
        };
        for (const Case& c :
             {Case{AutoscrollAxes::Both, true, true}, Case{AutoscrollAxes::Horizontal, true, false},
              Case{AutoscrollAxes::Vertical, false, true}}) {
            const QImage image = autoscrollMarkerPicture(c.axes).toImage();
            QCOMPARE(image.size(), QSize(s, s));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // round, clear outside
            QVERIFY(isDark(image.pixel(mid, mid))); // the centre dot
            QCOMPARE(isDark(image.pixel(5, mid)), c.horizontal);
            QCOMPARE(isDark(image.pixel(s - 6, mid)), c.horizontal);
            QCOMPARE(isDark(image.pixel(mid, 5)), c.vertical);
            QCOMPARE(isDark(image.pixel(mid, s - 6)), c.vertical);
        }
    }

    void picturesAreLaidOutBehindTheWindows() {
        const QImage tile = backgroundTilePicture().toImage();
        const QImage centre = backgroundCentrePicture().toImage();
        const QImage corner = backgroundCornerPicture().toImage();
        QCOMPARE(tile.size(), QSize(64, 64));
        QCOMPARE(centre.size(), QSize(256, 128));
        QCOMPARE(corner.size(), QSize(96, 32));
        const QPoint centreInk = opaquePixel(centre);
        const QPoint cornerInk = opaquePixel(corner);
        QVERIFY(centreInk.x() >= 0 && cornerInk.x() >= 0);
        // The centre picture is clear at its top-left corner: the tile shows.
        QCOMPARE(qAlpha(centre.pixel(0, 0)), 0);

        MdiBackgroundArea area;
        area.setBackgroundMode(true, QColor(0, 70, 100));
        area.resize(820, 620);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QWidget* port = area.viewport();
        const QSize size = port->size();
        QImage shot = port->grab().toImage();
        QCOMPARE(rgbAt(shot, {0, 0}), rgbAt(tile, {0, 0}));
        // Columns from the left, rows from the top.
        QCOMPARE(rgbAt(shot, {64 * 3 + 5, 64 + 9}), rgbAt(tile, {5, 9}));
        const QPoint centreAt((size.width() - 256) / 2, (size.height() - 128) / 2);
        QCOMPARE(rgbAt(shot, centreAt + centreInk), rgbAt(centre, centreInk));
        QCOMPARE(rgbAt(shot, centreAt), rgbAt(tile, {centreAt.x() % 64, centreAt.y() % 64}));
        const QPoint cornerAt(size.width() - 96, size.height() - 32);
        QCOMPARE(rgbAt(shot, cornerAt + cornerInk), rgbAt(corner, cornerInk));

        // Room for the centre picture but not for the corner one below it.
        area.resize(area.width() - size.width() + 300, area.height() - size.height() + 191);
        QTest::qWait(20);
        QCOMPARE(port->size(), QSize(300, 191));
        shot = port->grab().toImage();
        const QPoint smallCentre((300 - 256) / 2, (191 - 128) / 2);
        QCOMPARE(rgbAt(shot, smallCentre + centreInk), rgbAt(centre, centreInk));
        const QPoint smallCorner = QPoint(300 - 96, 191 - 32) + cornerInk;
        QCOMPARE(rgbAt(shot, smallCorner),
                 rgbAt(tile, {smallCorner.x() % 64, smallCorner.y() % 64}));

        // No room for the centre picture: the tile alone.
        area.resize(area.width() - 300 + 255, area.height() - 191 + 400);
        QTest::qWait(20);
        QCOMPARE(port->size(), QSize(255, 400));
        shot = port->grab().toImage();
        for (int y = 0; y < 400; y += 7)
            for (int x = 0; x < 255; x += 5)
                QCOMPARE(rgbAt(shot, {x, y}), rgbAt(tile, {x % 64, y % 64}));
    }

    void documentWindowsStayOnTopOfThePictures() {
        MdiBackgroundArea area;
        area.setBackgroundMode(true, QColor(0, 70, 100));
        area.resize(700, 500);
        auto* content = new QLabel;
        content->setAutoFillBackground(true);
        QPalette palette = content->palette();
        palette.setColor(QPalette::Window, QColor(250, 0, 250));
        content->setPalette(palette);
        QMdiSubWindow* child = area.addSubWindow(content);
        child->setGeometry(0, 0, 700, 500);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        child->showMaximized();
        QTest::qWait(20);
        const QImage shot = area.viewport()->grab().toImage();
        const QPoint middle = content->mapTo(area.viewport(), content->rect().center());
        QCOMPARE(rgbAt(shot, middle), QColor(250, 0, 250).rgb());
    }

    void picturesOffFillTheColour() {
        MdiBackgroundArea area;
        const QColor colour(12, 34, 56);
        area.setBackgroundMode(true, colour);
        area.setBackgroundMode(false, colour);
        QVERIFY(!area.picturesShown());
        area.resize(640, 480);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        const QImage shot = area.viewport()->grab().toImage();
        for (const QPoint p : {QPoint(0, 0), QPoint(shot.width() / 2, shot.height() / 2),
                               QPoint(shot.width() - 1, shot.height() - 1)})
            QCOMPARE(rgbAt(shot, p), colour.rgb());
    }
};

QTEST_MAIN(AppIconsTest)
#include "test_app_icons.moc"
