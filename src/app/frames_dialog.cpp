#include "frames_dialog.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/kelvo_doc.h"
#include "app/display_image.h"
#include "imaging/display_bitmap.h"

namespace veltor {

class FramesDialog::Area : public QFrame {
  public:
    explicit Area(FramesDialog& owner) : QFrame(&owner), m_owner(owner) {
        setFrameStyle(QFrame::Sunken | QFrame::Panel);
        setMinimumSize(600, 400);
    }

  protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        QPainter p(this);
        const FramesGridLayout grid = m_owner.layout();
        CKelvoDoc& doc = m_owner.m_doc;
        for (int32_t k = 0; k < grid.count; ++k) {
            const ViewRect r = grid.thumbnailRect(k);
            const QRect dest(r.left + kFramesGridInset, r.top + kFramesGridInset, r.width(), r.height());
            const ImageBuffer* frame = doc.frameAt(k);
            const DisplayBitmap* bitmap = frame != nullptr ? frame->display() : nullptr;
            if (bitmap == nullptr || bitmap->empty()) continue;
            p.save();
            p.translate(dest.left(), dest.top() + dest.height());
            p.scale(double(dest.width()) / bitmap->width(), -double(dest.height()) / bitmap->height());
            p.drawImage(QPointF(0, 0), displayImageOf(*bitmap));
            p.restore();
            if (k == doc.currentFrame()) {
                p.setPen(QPen(palette().highlight().color(), 2));
                p.drawRect(dest.adjusted(1, 1, -1, -1));
            }
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        m_owner.clickAt(e->position().toPoint() - QPoint(kFramesGridInset, kFramesGridInset));
    }

  private:
    FramesDialog& m_owner;
};

FramesDialog::FramesDialog(CKelvoDoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setWindowTitle(tr("Frames"));
    auto* layout = new QVBoxLayout(this);
    m_area = new Area(*this);
    layout->addWidget(m_area, 1);
    m_label = new QLabel(QString::fromStdString(currentFrameLabel(doc.currentFrame() + 1)), this);
    layout->addWidget(m_label);
    layout->addWidget(new QLabel(tr("Click to select a frame / Double click to view the frame"), this));
    auto* close = new QPushButton(tr("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}

FramesGridLayout FramesDialog::layout() const {
    int32_t cw = 0, ch = 0;
    for (int32_t k = 0; k < m_doc.frameCount(); ++k) {
        const ImageBuffer* f = const_cast<CKelvoDoc&>(m_doc).frameAt(k);
        cw = std::max(cw, f->width());
        ch = std::max(ch, f->height());
    }
    const ViewSize area = framesGridArea({m_area->contentsRect().width(), m_area->contentsRect().height()});
    return layoutFramesGrid(area, {cw, ch}, m_doc.frameCount());
}

bool FramesDialog::clickAt(QPoint areaPoint) {
    const int32_t k = layout().frameAt({areaPoint.x(), areaPoint.y()});
    if (k < 0) return false;
    m_doc.setCurrentFrame(k);
    m_label->setText(QString::fromStdString(currentFrameLabel(k + 1)));
    m_area->update();
    emit frameChosen(k);
    return true;
}

} // namespace veltor
