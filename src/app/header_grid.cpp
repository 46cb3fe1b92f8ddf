#include "header_grid.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

#include "document/header_format.h"
#include "document/kelvo_doc.h"

namespace veltor {

namespace {

int measure(const std::string& text, void* context) {
    return static_cast<const QFontMetrics*>(context)->horizontalAdvance(QString::fromLatin1(text.c_str()));
}

} // namespace

CMyListView::CMyListView(CKelvoDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    setFont(font);
    viewport()->setFont(font);
}

int CMyListView::rowHeight() const { return QFontMetrics(font()).boundingRect(QStringLiteral("Test")).height() + 4; }

QStringList CMyListView::rowTexts(int row) const {
    QStringList out;
    if (row < 0 || row >= rowCount()) return out;
    for (const QString& s : m_rows[size_t(row)]) out << s;
    return out;
}

void CMyListView::documentChanged() {
    m_rows.clear();
    DicomFile* file = m_doc.fileAt(-1);
    if (file != nullptr) {
        DicomElement r;
        for (int32_t i = 0; file->elementAt(i, r); ++i) {
            // Values are shown as stored; Latin-1 covers the usual character sets.
            m_rows.push_back({QString::fromStdString(tagText(r.group, r.element)), QString::fromLatin1(r.name),
                              QString::fromLatin1(r.vr), QString::number(r.length),
                              QString::fromLatin1(gridValueText(r).c_str())});
        }
        const QFontMetrics metrics(font());
        m_widths = gridColumnWidths(file->elements().data(), file->elements().size(), file->implicitVr(),
                                    measure, const_cast<QFontMetrics*>(&metrics));
    }
    updateScrollBars();
    viewport()->update();
}

void CMyListView::updateScrollBars() {
    int width = 0;
    for (int w : m_widths) width += w;
    const int height = (rowCount() + 1) * rowHeight();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(rowHeight());
}

void CMyListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CMyListView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().base());
    p.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const int h = rowHeight();
    int total = 0;
    for (int w : m_widths) total += w;
    // Header row in the button colours.
    p.fillRect(0, 0, total, h, palette().button());
    p.setPen(palette().buttonText().color());
    int x = 0;
    for (size_t c = 0; c < m_widths.size(); ++c) {
        p.drawText(QRect(x, 0, m_widths[c], h), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("  ") + QString::fromLatin1(kGridColumns[c]) + QStringLiteral("  "));
        x += m_widths[c];
    }
    const QColor gridLine = palette().mid().color();
    const int first = std::max(0, verticalScrollBar()->value() / h - 1);
    const int last = std::min(rowCount(), (verticalScrollBar()->value() + viewport()->height()) / h + 1);
    for (int row = first; row < last; ++row) {
        const int y = (row + 1) * h;
        x = 0;
        p.setPen(palette().text().color());
        for (size_t c = 0; c < m_widths.size(); ++c) {
            const QString text = c == 4 ? m_rows[size_t(row)][c] : QStringLiteral("  ") + m_rows[size_t(row)][c];
            p.drawText(QRect(x, y, m_widths[c], h), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
            x += m_widths[c];
        }
    }
    p.setPen(gridLine);
    for (int row = 0; row <= rowCount() + 1; ++row) p.drawLine(0, row * h, total, row * h);
    x = 0;
    for (int w : m_widths) {
        x += w;
        p.drawLine(x - 1, 0, x - 1, (rowCount() + 1) * h);
    }
}

} // namespace veltor
