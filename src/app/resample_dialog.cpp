#include "resample_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "frame_preview.h"
#include "imaging/level_copy.h"

namespace veltor {

namespace {

// Longest side of the resampled copy the preview shows.
constexpr int32_t kPreviewSide = 256;

} // namespace

QString imageSizeProblem(PixelSize size, const ImageBuffer& frame) {
    const int32_t channels = frame.isColour() ? 3 : 1;
    const int32_t bytes = frame.image16() != nullptr ? 2 : 1;
    if (levelSizeAllowed(size, channels, bytes)) return {};
    return QObject::
        tr("%1 x %2 pixels is too large for this image: a frame can hold at most 2 GB of samples.")
            .arg(size.width)
            .arg(size.height);
}

ResampleDialog::ResampleDialog(const ImageBuffer& frame, double displayScale, bool applyToAll,
                               bool applyToAllPossible, QWidget* parent)
    : QDialog(parent), m_setup({frame.width(), frame.height()}, displayScale) {
    setWindowTitle(QString::fromLatin1(ResampleSetup::kTitle));
    copyCurrentLevel(frame, m_original);
    m_channels = frame.isColour() ? 3 : 1;
    m_bytesPerSample = frame.image16() != nullptr ? 2 : 1;

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);

    auto* left = new QVBoxLayout;
    auto* units = new QHBoxLayout;
    m_pixels = new QRadioButton(QString::fromLatin1(ResampleSetup::kPixels), this);
    m_percent = new QRadioButton(QString::fromLatin1(ResampleSetup::kPercent), this);
    m_pixels->setChecked(true);
    units->addWidget(m_pixels);
    units->addWidget(m_percent);
    units->addStretch(1);
    left->addLayout(units);

    auto* form = new QFormLayout;
    m_width = new QDoubleSpinBox(this);
    m_width->setObjectName("width");
    m_height = new QDoubleSpinBox(this);
    m_height->setObjectName("height");
    for (QDoubleSpinBox* box : {m_width, m_height}) {
        box->setAlignment(Qt::AlignRight);
    }
    form->addRow(tr("Width:"), m_width);
    form->addRow(tr("Height:"), m_height);
    form->addRow(
        QString(),
        new QLabel(tr("Frame: %1 x %2 pixels").arg(frame.width()).arg(frame.height()), this));
    m_method = new QComboBox(this);
    for (const char* name : ResampleSetup::kMethodNames)
        m_method->addItem(QString::fromLatin1(name));
    m_method->setCurrentIndex(ResampleSetup::kDefaultMethod);
    form->addRow(tr("Method:"), m_method);
    left->addLayout(form);

    m_constrain = new QCheckBox(QString::fromLatin1(ResampleSetup::kConstrain), this);
    m_constrain->setChecked(m_setup.constrained());
    m_scaled = new QCheckBox(QString::fromLatin1(ResampleSetup::kScaledSize), this);
    m_scaled->setToolTip(tr("Start from the size shown on screen: %1 x %2 pixels")
                             .arg(m_setup.scaledStart().width)
                             .arg(m_setup.scaledStart().height));
    m_applyToAll = new QCheckBox(QString::fromLatin1(ResampleSetup::kApplyToAll), this);
    m_applyToAll->setChecked(applyToAll && applyToAllPossible);
    m_applyToAll->setEnabled(applyToAllPossible);
    left->addWidget(m_constrain);
    left->addWidget(m_scaled);
    left->addWidget(m_applyToAll);
    left->addStretch(1);
    columns->addLayout(left);

    m_picture = new FramePreview(this);
    m_picture->setObjectName("preview");
    m_picture->setFixedSize(180, 180);
    columns->addWidget(m_picture, 0, Qt::AlignTop);

    m_message = newProblemLabel(this);
    layout->addWidget(m_message);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ResampleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_percent, &QRadioButton::toggled, this, [this] { showSize(); });
    connect(m_width, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (percent())
            m_setup.setWidthPercent(v);
        else
            m_setup.setWidth(qRound(v));
        showSize(m_width);
        refreshPreview();
    });
    connect(m_height, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (percent())
            m_setup.setHeightPercent(v);
        else
            m_setup.setHeight(qRound(v));
        showSize(m_height);
        refreshPreview();
    });
    connect(m_constrain, &QCheckBox::toggled, this,
            [this](bool on) { m_setup.setConstrained(on); });
    connect(m_scaled, &QCheckBox::toggled, this, [this](bool on) {
        m_setup.setScaledSize(on);
        showSize();
        refreshPreview();
    });
    connect(m_method, &QComboBox::currentIndexChanged, this, [this] { refreshPreview(); });

    showSize();
    refreshPreview();
}

int ResampleDialog::method() const {
    return m_method->currentIndex();
}

bool ResampleDialog::applyToAll() const {
    return m_applyToAll->isEnabled() && m_applyToAll->isChecked();
}

void ResampleDialog::setPercent(bool percent) {
    (percent ? m_percent : m_pixels)->setChecked(true);
}

bool ResampleDialog::percent() const {
    return m_percent->isChecked();
}

void ResampleDialog::setConstrained(bool on) {
    m_constrain->setChecked(on);
}

void ResampleDialog::setScaledSize(bool on) {
    m_scaled->setChecked(on);
}

void ResampleDialog::setMethod(int method) {
    m_method->setCurrentIndex(method);
}

void ResampleDialog::setWidthValue(double value) {
    m_width->setValue(value);
}

void ResampleDialog::setHeightValue(double value) {
    m_height->setValue(value);
}

double ResampleDialog::widthValue() const {
    return m_width->value();
}

double ResampleDialog::heightValue() const {
    return m_height->value();
}

QString ResampleDialog::problem() const {
    return imageSizeProblem(m_setup.size(), m_original);
}

void ResampleDialog::showSize(const QDoubleSpinBox* editing) {
    // The box being typed in keeps the user's value; the other one follows.
    const bool inPercent = percent();
    const PixelSize frame = m_setup.frame();
    for (QDoubleSpinBox* box : {m_width, m_height}) {
        if (box == editing) continue;
        const bool isWidth = box == m_width;
        const QSignalBlocker block(box);
        if (inPercent) {
            const int32_t side = isWidth ? frame.width : frame.height;
            box->setDecimals(2);
            box->setSuffix(QStringLiteral(" %"));
            box->setRange(pixelsToPercent(kMinImageSide, side),
                          pixelsToPercent(kMaxImageSide, side));
            box->setValue(isWidth ? m_setup.widthPercent() : m_setup.heightPercent());
        } else {
            box->setDecimals(0);
            box->setSuffix(QString());
            box->setRange(kMinImageSide, kMaxImageSide);
            box->setValue(isWidth ? m_setup.width() : m_setup.height());
        }
    }
    const QString why = problem();
    m_message->setText(why);
    m_message->setVisible(!why.isEmpty());
    m_ok->setEnabled(why.isEmpty());
}

void ResampleDialog::refreshPreview() {
    if (copyCurrentLevel(m_original, m_preview) == 0) {
        m_picture->setFrame(nullptr);
        return;
    }
    // Large sizes are previewed reduced, keeping their proportions.
    const PixelSize size = m_setup.size();
    const double factor = previewFactor(kPreviewSide, size, size);
    m_preview.resample(reducedSide(size.width, factor), reducedSide(size.height, factor), method());
    m_picture->setFrame(&m_preview);
}

void ResampleDialog::accept() {
    const QString why = problem();
    if (!why.isEmpty()) {
        m_message->setText(why);
        m_message->show();
        return;
    }
    QDialog::accept();
}

} // namespace veltor
