#include "canvas_size_dialog.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "frame_preview.h"
#include "imaging/level_copy.h"
#include "resample_dialog.h"
#include "view/image_size_setup.h"

namespace veltor {

namespace {

// Longest side of the copy the preview is worked out on.
constexpr int32_t kPreviewSide = 256;

// Arrows pointing away from the anchor, as the frame grows from it.
QString anchorMark(int anchor, int cell) {
    if (anchor == cell) return QStringLiteral("\u25A0");
    const int dx = cell % 3 - anchor % 3;
    const int dy = cell / 3 - anchor / 3;
    if (std::abs(dx) > 1 || std::abs(dy) > 1) return QString();
    static const QString arrows[3][3] = {
        {QStringLiteral("\u2196"), QStringLiteral("\u2191"), QStringLiteral("\u2197")},
        {QStringLiteral("\u2190"), QString(), QStringLiteral("\u2192")},
        {QStringLiteral("\u2199"), QStringLiteral("\u2193"), QStringLiteral("\u2198")}};
    return arrows[dy + 1][dx + 1];
}

QColor unpackColour(int packed) {
    return QColor(packed & 255, (packed >> 8) & 255, (packed >> 16) & 255);
}

} // namespace

CanvasSizeDialog::CanvasSizeDialog(const ImageBuffer& frame, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Canvas Size"));
    copyCurrentLevel(frame, m_original);
    const bool sixteen = frame.image16() != nullptr;
    m_fill = sixteen ? canvasFillStart16(frame.background16(), frame.minValue(), frame.maxValue())
                     : frame.background8();

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);

    auto* left = new QVBoxLayout;
    auto* form = new QFormLayout;
    m_width = new QSpinBox(this);
    m_width->setObjectName("width");
    m_height = new QSpinBox(this);
    m_height->setObjectName("height");
    for (QSpinBox* box : {m_width, m_height}) {
        box->setRange(kMinImageSide, kMaxImageSide);
        box->setAlignment(Qt::AlignRight);
        box->setSuffix(tr(" pixels"));
    }
    m_width->setValue(clampImageSide(frame.width()));
    m_height->setValue(clampImageSide(frame.height()));
    form->addRow(tr("Width:"), m_width);
    form->addRow(tr("Height:"), m_height);
    form->addRow(
        QString(),
        new QLabel(tr("Frame: %1 x %2 pixels").arg(frame.width()).arg(frame.height()), this));

    if (sixteen) {
        m_fillValue = new QSpinBox(this);
        m_fillValue->setObjectName("fillValue");
        m_fillValue->setRange(frame.minValue(), std::max(frame.minValue(), frame.maxValue()));
        m_fillValue->setValue(m_fill);
        m_fillValue->setAlignment(Qt::AlignRight);
        form->addRow(tr("Fill value:"), m_fillValue);
        connect(m_fillValue, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
            m_fill = v;
            changed();
        });
    } else {
        m_swatch = new QPushButton(this);
        m_swatch->setObjectName("fillColour");
        m_swatch->setToolTip(tr("Choose the colour of the added area"));
        form->addRow(tr("Fill colour:"), m_swatch);
        connect(m_swatch, &QPushButton::clicked, this, &CanvasSizeDialog::chooseColour);
    }
    left->addLayout(form);

    auto* anchorBox = new QGroupBox(tr("Anchor"), this);
    auto* grid = new QGridLayout(anchorBox);
    grid->setSpacing(2);
    m_anchors = new QButtonGroup(this);
    for (int cell = 0; cell < 9; ++cell) {
        auto* button = new QToolButton(anchorBox);
        button->setCheckable(true);
        button->setFixedSize(28, 28);
        m_anchors->addButton(button, cell);
        grid->addWidget(button, cell / 3, cell % 3);
    }
    m_anchors->button(4)->setChecked(true);
    left->addWidget(anchorBox, 0, Qt::AlignLeft);
    left->addStretch(1);
    columns->addLayout(left);

    m_picture = new FramePreview(this);
    m_picture->setObjectName("preview");
    m_picture->setFixedSize(200, 200);
    columns->addWidget(m_picture, 0, Qt::AlignTop);

    m_message = newProblemLabel(this);
    layout->addWidget(m_message);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CanvasSizeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_width, qOverload<int>(&QSpinBox::valueChanged), this, [this] { changed(); });
    connect(m_height, qOverload<int>(&QSpinBox::valueChanged), this, [this] { changed(); });
    connect(m_anchors, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) changed();
    });
    showFill();
    changed();
}

int CanvasSizeDialog::newWidth() const {
    return m_width->value();
}

int CanvasSizeDialog::newHeight() const {
    return m_height->value();
}

int CanvasSizeDialog::anchor() const {
    return m_anchors->checkedId();
}

void CanvasSizeDialog::setNewWidth(int width) {
    m_width->setValue(width);
}

void CanvasSizeDialog::setNewHeight(int height) {
    m_height->setValue(height);
}

void CanvasSizeDialog::setAnchor(int anchor) {
    if (QAbstractButton* button = m_anchors->button(anchor)) button->setChecked(true);
}

void CanvasSizeDialog::setFill(int fill) {
    if (m_fillValue != nullptr) {
        m_fillValue->setValue(fill); // held to the frame's range
        return;
    }
    m_fill = packColour(fill & 255, (fill >> 8) & 255, (fill >> 16) & 255);
    showFill();
    changed();
}

QString CanvasSizeDialog::problem() const {
    return imageSizeProblem({newWidth(), newHeight()}, m_original);
}

void CanvasSizeDialog::chooseColour() {
    const QColor chosen = QColorDialog::getColor(unpackColour(m_fill), this, tr("Fill colour"));
    if (!chosen.isValid()) return;
    setFill(packColour(chosen.red(), chosen.green(), chosen.blue()));
}

void CanvasSizeDialog::showFill() {
    if (m_swatch == nullptr) return;
    QPixmap swatch(40, 14);
    swatch.fill(unpackColour(m_fill));
    QPainter p(&swatch);
    p.setPen(Qt::black);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    p.end();
    m_swatch->setIcon(swatch);
    m_swatch->setIconSize(swatch.size());
}

void CanvasSizeDialog::changed() {
    const int a = anchor();
    for (int cell = 0; cell < 9; ++cell)
        m_anchors->button(cell)->setText(anchorMark(a, cell));

    const QString why = problem();
    m_message->setText(why);
    m_message->setVisible(!why.isEmpty());
    m_ok->setEnabled(why.isEmpty());

    if (copyCurrentLevel(m_original, m_preview) == 0) {
        m_picture->setFrame(nullptr);
        return;
    }
    // Large canvases are previewed on a reduced copy of the frame.
    const PixelSize frame{m_original.width(), m_original.height()};
    const PixelSize canvas{newWidth(), newHeight()};
    const double factor = previewFactor(kPreviewSide, frame, canvas);
    if (factor < 1.0)
        m_preview.resample(reducedSide(frame.width, factor), reducedSide(frame.height, factor), 1);
    m_preview.resizeCanvas(reducedSide(canvas.width, factor), reducedSide(canvas.height, factor), a,
                           m_fill);
    m_picture->setFrame(&m_preview);
}

void CanvasSizeDialog::accept() {
    const QString why = problem();
    if (!why.isEmpty()) {
        m_message->setText(why);
        m_message->show();
        return;
    }
    QDialog::accept();
}

} // namespace veltor
