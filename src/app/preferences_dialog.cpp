#include "app/preferences_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/font_choice.h"
#include "app/overlay_painting.h"

namespace veltor {

namespace {

constexpr int kMinLineWidth = 1;
constexpr int kMaxLineWidth = 3;

} // namespace

PreferencesDialog::PreferencesDialog(const UserOptions& options, QWidget* parent)
    : QDialog(parent), m_copy(options) {
    setWindowTitle(QStringLiteral("Preferences"));
    m_colours = {options.annotationColor(), options.distanceColor(), options.angleColor(),
                 options.axisColor(),       options.mainBgColor(),   options.docBgColor()};
    m_fonts = {options.annotationFont(), options.measurementFont()};

    auto fontRow = [this](Font which, QWidget* parentBox) {
        auto* row = new QWidget(parentBox);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        m_samples[which] = new QLineEdit(row);
        m_samples[which]->setReadOnly(true);
        m_samples[which]->setObjectName(which == AnnotationFont ? QStringLiteral("AnnotationFontSample")
                                                                : QStringLiteral("MeasurementFontSample"));
        auto* select = new QPushButton(QStringLiteral("Select Default Font..."), row);
        select->setAutoDefault(false);
        connect(select, &QPushButton::clicked, this, [this, which] { chooseFont(which); });
        h->addWidget(m_samples[which], 1);
        h->addWidget(select);
        return row;
    };

    // "Startup"
    auto* startup = new QGroupBox(QStringLiteral("Startup"), this);
    auto* startupLayout = new QVBoxLayout(startup);
    m_rulersOn = new QCheckBox(QStringLiteral("Start with rulers on"), startup);
    m_rulersOn->setChecked(options.rulersOn());
    startupLayout->addWidget(m_rulersOn);
    // Carries "DefAnnotations" unchanged; the dialog does not show it.
    m_defaultAnnotations = new QCheckBox(QStringLiteral("Start witth default annotations"), startup);
    m_defaultAnnotations->setChecked(options.defaultAnnotations());
    m_defaultAnnotations->hide();
    startupLayout->addWidget(swatchRow(Annotation, QStringLiteral("Default annotation color ")));
    startupLayout->addWidget(fontRow(AnnotationFont, startup));
    startupLayout->addStretch(1);

    // "Measurements"
    auto* measurements = new QGroupBox(QStringLiteral("Measurements"), this);
    auto* measLayout = new QVBoxLayout(measurements);
    measLayout->addWidget(swatchRow(Distance, QStringLiteral("Default distance color ")));
    measLayout->addWidget(swatchRow(Angle, QStringLiteral("Default angle color ")));
    auto* widthRow = new QHBoxLayout;
    m_lineWidth = new QSpinBox(measurements);
    m_lineWidth->setRange(kMinLineWidth, kMaxLineWidth);
    m_lineWidth->setValue(std::clamp(options.lineWidth(), kMinLineWidth, kMaxLineWidth));
    m_lineWidth->setObjectName(QStringLiteral("LineWidth"));
    auto* widthLabel = new QLabel(QStringLiteral("Line Width"), measurements);
    widthLabel->setBuddy(m_lineWidth);
    widthRow->addWidget(m_lineWidth);
    widthRow->addWidget(widthLabel);
    widthRow->addStretch(1);
    measLayout->addLayout(widthRow);
    measLayout->addWidget(fontRow(MeasurementFont, measurements));
    measLayout->addStretch(1);

    // "Rulers"
    auto* rulers = new QGroupBox(QStringLiteral("Rulers"), this);
    auto* rulersLayout = new QVBoxLayout(rulers);
    auto* axis = new QGroupBox(QStringLiteral("Start of axis"), rulers);
    auto* axisLayout = new QGridLayout(axis);
    const std::pair<AxisCorner, const char*> corners[] = {{AxisCorner::UpperLeft, "Upper left"},
                                                          {AxisCorner::UpperRight, "Upper right"},
                                                          {AxisCorner::LowerLeft, "Lower left"},
                                                          {AxisCorner::LowerRight, "Lower right"}};
    int at = 0;
    for (const auto& [corner, text] : corners) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), axis);
        m_corners[size_t(corner)] = radio;
        axisLayout->addWidget(radio, at / 2, at % 2);
        ++at;
    }
    m_corners[size_t(options.axisStart())]->setChecked(true);
    rulersLayout->addWidget(axis);
    rulersLayout->addWidget(swatchRow(Rulers, QStringLiteral("Rulers' color")));
    rulersLayout->addStretch(1);

    // "Main Window and Document"
    auto* windows = new QGroupBox(QStringLiteral("Main Window and Document"), this);
    auto* windowsLayout = new QVBoxLayout(windows);
    m_bgImage = new QCheckBox(QStringLiteral("Show background image"), windows);
    m_bgImage->setChecked(options.bgImage());
    windowsLayout->addWidget(m_bgImage);
    windowsLayout->addWidget(swatchRow(MainBackground, QStringLiteral("Main background color")));
    windowsLayout->addWidget(swatchRow(DocumentBackground, QStringLiteral("Document background color")));
    windowsLayout->addStretch(1);

    // Untitled switches.
    auto* switches = new QVBoxLayout;
    m_aspectRatio = new QCheckBox(QStringLiteral("Automatic Pixel Aspect Ratio"), this);
    m_aspectRatio->setChecked(options.aspectRatio());
    m_useMButton = new QCheckBox(QStringLiteral("Zoom with middle mouse button"), this);
    m_useMButton->setChecked(options.useMButton());
    // New documents start with the window of the file as stored, instead of
    // one fitted to the samples.
    m_keepFileWindow = new QCheckBox(QStringLiteral("Keep the file's window"), this);
    m_keepFileWindow->setChecked(options.keepFileWindow());
    switches->addWidget(m_aspectRatio);
    switches->addWidget(m_useMButton);
    switches->addWidget(m_keepFileWindow);

    auto* grid = new QGridLayout;
    grid->addWidget(startup, 0, 0);
    grid->addWidget(measurements, 1, 0);
    grid->addWidget(rulers, 0, 1);
    grid->addWidget(windows, 1, 1);
    grid->addLayout(switches, 2, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    for (int i = 0; i < ColourCount; ++i) setColour(Colour(i), m_colours[size_t(i)]);
    showFont(AnnotationFont);
    showFont(MeasurementFont);
}

QWidget* PreferencesDialog::swatchRow(Colour which, const QString& label) {
    // The swatch and its label both open the colour dialog.
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* swatch = new QPushButton(row);
    swatch->setFixedSize(28, 18);
    swatch->setAutoDefault(false);
    swatch->setAccessibleName(label);
    auto* text = new QPushButton(label, row);
    text->setFlat(true);
    text->setAutoDefault(false);
    text->setStyleSheet(QStringLiteral("text-align: left; padding: 1px 2px"));
    connect(swatch, &QPushButton::clicked, this, [this, which] { chooseColour(which); });
    connect(text, &QPushButton::clicked, this, [this, which] { chooseColour(which); });
    h->addWidget(swatch);
    h->addWidget(text, 1);
    m_swatches[size_t(which)] = swatch;
    return row;
}

void PreferencesDialog::setColour(Colour which, uint32_t colourRef) {
    m_colours[size_t(which)] = colourRef & 0x00FFFFFFu;
    if (QPushButton* swatch = m_swatches[size_t(which)])
        swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black")
                                  .arg(overlayColour(m_colours[size_t(which)]).name()));
}

void PreferencesDialog::chooseColour(Colour which) {
    const QColor c = QColorDialog::getColor(overlayColour(m_colours[size_t(which)]), this);
    if (c.isValid()) setColour(which, colourRefOf(c));
}

QFont PreferencesDialog::sampleFont(const FontOptions& f) {
    const QString face = QString::fromStdString(f.faceName);
    QFont font = QApplication::font();
    // fontconfig answers every family with some font; a face it does not
    // list at all shows in the desktop's font rather than an arbitrary one.
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) font.setFamily(face);
    font.setPointSize(10);
    font.setWeight(QFont::Weight(std::clamp(f.weight, 1, 1000)));
    font.setItalic(f.italic != 0);
    font.setUnderline(f.underline != 0);
    font.setStrikeOut(f.strikeOut != 0);
    return font;
}

void PreferencesDialog::showFont(Font which) {
    const FontOptions& f = m_fonts[size_t(which)];
    m_samples[size_t(which)]->setFont(sampleFont(f));
    m_samples[size_t(which)]->setText(QString::fromStdString(f.faceName));
}

void PreferencesDialog::setFont(Font which, const FontOptions& font) {
    m_fonts[size_t(which)] = font;
    if (m_fonts[size_t(which)].faceName.size() > UserOptions::kMaxFaceName)
        m_fonts[size_t(which)].faceName.resize(UserOptions::kMaxFaceName);
    showFont(which);
}

void PreferencesDialog::chooseFont(Font which) {
    const FontOptions& current = m_fonts[size_t(which)];
    QFont start = sampleFont(current);
    start.setPointSize(std::clamp(current.height, 1, 500));
    bool ok = false;
    const QFont chosen = chooseFontWithoutEffects(&ok, start, this, QStringLiteral("Font"));
    if (!ok) return;
    // The face, size, weight and slant come from the dialog; underline,
    // strike-out and the character set stay as they were.
    FontOptions f = current;
    f.faceName = chosen.family().toStdString();
    f.height = chosen.pointSize() > 0 ? chosen.pointSize()
                                      : std::max(1, int(std::lround(chosen.pointSizeF())));
    f.weight = int(chosen.weight());
    f.italic = chosen.italic() ? 1 : 0;
    setFont(which, f);
}

UserOptions PreferencesDialog::edited() const {
    UserOptions o = m_copy;
    applyTo(o);
    return o;
}

void PreferencesDialog::applyTo(UserOptions& o) const {
    o.setAnnotationColor(m_colours[Annotation]);
    o.setDistanceColor(m_colours[Distance]);
    o.setAngleColor(m_colours[Angle]);
    o.setAxisColor(m_colours[Rulers]);
    o.setMainBgColor(m_colours[MainBackground]);
    o.setDocBgColor(m_colours[DocumentBackground]);
    for (size_t i = 0; i < m_corners.size(); ++i)
        if (m_corners[i]->isChecked()) o.setAxisStart(AxisCorner(i));
    o.setRulersOn(m_rulersOn->isChecked());
    o.setBgImage(m_bgImage->isChecked());
    o.setDefaultAnnotations(m_defaultAnnotations->isChecked());
    o.setAspectRatio(m_aspectRatio->isChecked());
    o.setUseMButton(m_useMButton->isChecked());
    o.setKeepFileWindow(m_keepFileWindow->isChecked());
    o.setLineWidth(std::clamp(m_lineWidth->value(), kMinLineWidth, kMaxLineWidth));
    o.setAnnotationFont(m_fonts[AnnotationFont]);
    o.setMeasurementFont(m_fonts[MeasurementFont]);
}

} // namespace veltor
