#include "view_palettes_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace veltor {

namespace {

constexpr int kEntries = 256;
constexpr int kStripHeight = 32;

} // namespace

PaletteStrip::PaletteStrip(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumSize(kEntries + 2 * frameWidth(), kStripHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PaletteStrip::setTable(const PaletteTable& table) {
    m_table = table;
    update();
}

int PaletteStrip::firstColumn() const {
    const QRect r = contentsRect();
    return r.left() + (r.width() - kEntries) / 2;
}

QSize PaletteStrip::sizeHint() const {
    return {kEntries + 16, kStripHeight};
}

void PaletteStrip::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect r = contentsRect();
    p.setClipRect(r);
    const int left = firstColumn();
    for (int k = 0; k < kEntries; ++k) {
        const PaletteEntry& c = m_table[size_t(k)];
        p.setPen(QColor(c.red, c.green, c.blue));
        p.drawLine(left + k, r.top(), left + k, r.bottom());
    }
}

ViewPalettesDialog::ViewPalettesDialog(int currentPalette, int lastCustom, const std::vector<PaletteBlock>& custom,
                                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("View Palettes"));
    for (const PaletteBlock& block : custom)
        m_customTables.push_back(block.table());

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_list = new QComboBox(this);
    for (const std::string& name : paletteListNames(custom))
        m_list->addItem(QString::fromStdString(name));
    m_strip = new PaletteStrip(this);
    row->addWidget(m_list);
    row->addWidget(m_strip, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    int selected = currentPalette;
    if (currentPalette >= kCustomPaletteNumber)
        selected = lastCustom >= 0 ? kCustomPaletteNumber + lastCustom : -1;
    if (selected < 0 || selected >= m_list->count())
        selected = kGreyscalePalette;
    m_list->setCurrentIndex(selected);
    showSelected();
    connect(m_list, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { showSelected(); });
}

int ViewPalettesDialog::selectedPalette() const {
    return m_list->currentIndex();
}

void ViewPalettesDialog::selectPalette(int number) {
    if (number >= 0 && number < m_list->count())
        m_list->setCurrentIndex(number);
}

void ViewPalettesDialog::showSelected() {
    const int n = selectedPalette();
    if (n >= kCustomPaletteNumber && size_t(n - kCustomPaletteNumber) < m_customTables.size())
        m_strip->setTable(m_customTables[size_t(n - kCustomPaletteNumber)]);
    else
        m_strip->setTable(builtinPalette(n));
}

} // namespace veltor
