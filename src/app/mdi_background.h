// The area behind the document windows. With pictures on it shows a tile
// repeated from the top-left corner, the viewer's wordmark in the middle and
// a small mark in the bottom-right corner when they fit (the placement rule
// is backgroundLayout's); with pictures off, a plain colour.
#pragma once

#include <QColor>
#include <QMdiArea>
#include <QPixmap>

namespace veltor {

// The three pictures (SVG drawings of data/icons), built once: a 64 x 64
// tile, the 256 x 128 wordmark and the 96 x 32 corner mark. The wordmark and
// the mark are transparent around their drawing, so the tile shows through.
QPixmap backgroundTilePicture();
QPixmap backgroundCentrePicture();
QPixmap backgroundCornerPicture();

class MdiBackgroundArea : public QMdiArea {
    Q_OBJECT
  public:
    explicit MdiBackgroundArea(QWidget* parent = nullptr);

    // `pictures` follows "BgImage", `colour` "MainBgColor".
    void setBackgroundMode(bool pictures, const QColor& colour);
    bool picturesShown() const { return m_pictures; }
    QColor colour() const { return m_colour; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    bool m_pictures = false;
    QColor m_colour{0, 70, 100};
};

} // namespace veltor
