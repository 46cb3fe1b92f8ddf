#include "app/annotation_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dicom_tags_widget.h"
#include "app/font_choice.h"
#include "app/overlay_painting.h"

namespace veltor {

AnnotationDialog::AnnotationDialog(const QString& title, const TextAnnotation& start, bool allFramesAllowed,
                                   const DicomFile* file, QWidget* parent)
    : QDialog(parent), m_font(start.font), m_colour(start.colour), m_file(file) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Annotation"), this));
    m_text = new QLineEdit(QString::fromStdString(start.text), this);
    m_text->setMaxLength(int(kMaxAnnotationCharacters));
    m_text->setMinimumWidth(320);
    row->addWidget(m_text, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    m_fromHeader = new QPushButton(tr("From Header..."), this);
    m_fromHeader->setEnabled(file != nullptr);
    auto* font = new QPushButton(tr("Font..."), this);
    auto* colour = new QPushButton(tr("Color..."), this);
    buttons->addWidget(m_fromHeader);
    buttons->addWidget(font);
    buttons->addWidget(colour);
    m_sample = new QLabel(this);
    buttons->addWidget(m_sample, 1);
    layout->addLayout(buttons);

    m_allFrames = new QCheckBox(tr("Apply to all frames"), this);
    m_allFrames->setEnabled(allFramesAllowed);
    layout->addWidget(m_allFrames);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &AnnotationDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(font, &QPushButton::clicked, this, &AnnotationDialog::chooseFont);
    connect(colour, &QPushButton::clicked, this, &AnnotationDialog::chooseColour);
    connect(m_fromHeader, &QPushButton::clicked, this, [this] {
        if (m_file == nullptr) return;
        DicomTagsDialog tags(*m_file, tr("Dicom Tags"), this);
        if (tags.exec() == QDialog::Accepted) setTextFromHeader(tags.pickedValue());
    });
    showStyle();
    m_text->setFocus();
    m_text->selectAll();
}

void AnnotationDialog::setTextFromHeader(const QString& value) {
    m_text->setText(QString::fromStdString(annotationText(value.toStdString())));
    m_text->setFocus();
    m_text->selectAll();
}

void AnnotationDialog::showStyle() {
    m_sample->setText(QStringLiteral("%1, %2 pt").arg(QString::fromStdString(m_font.faceName)).arg(m_font.pointSize));
    QPalette p = m_sample->palette();
    p.setColor(QPalette::WindowText, overlayColour(m_colour));
    p.setColor(QPalette::Window, Qt::black);
    m_sample->setAutoFillBackground(true);
    m_sample->setPalette(p);
}

void AnnotationDialog::chooseFont() {
    QFont start(QString::fromStdString(m_font.faceName), m_font.pointSize);
    start.setWeight(QFont::Weight(std::clamp(m_font.weight, 1, 1000)));
    start.setItalic(m_font.italic != 0);
    bool ok = false;
    const QFont f = chooseFontWithoutEffects(&ok, start, this, tr("Font"), QFontDialog::ScalableFonts);
    if (!ok) return;
    // Face, size, weight and italic; the effects stay as they were.
    m_font.faceName = annotationText(f.family().toStdString(), UserOptions::kMaxFaceName);
    if (f.pointSize() > 0) m_font.pointSize = f.pointSize();
    m_font.weight = int32_t(f.weight());
    m_font.italic = f.italic() ? 1 : 0;
    showStyle();
}

void AnnotationDialog::chooseColour() {
    const QColor c = QColorDialog::getColor(overlayColour(m_colour), this, tr("Color"));
    if (!c.isValid()) return;
    m_colour = colourRefOf(c);
    showStyle();
}

void AnnotationDialog::accept() {
    const std::string text = m_text->text().toStdString();
    if (characterCount(text) > kMaxAnnotationCharacters) {
        QMessageBox::warning(this, windowTitle(),
                             tr("Please enter no more than %1 characters.").arg(kMaxAnnotationCharacters));
        return;
    }
    QDialog::accept();
}

TextAnnotation AnnotationDialog::annotation() const {
    TextAnnotation a;
    a.font = m_font;
    a.colour = m_colour;
    a.text = annotationText(m_text->text().toStdString());
    return a;
}

bool AnnotationDialog::applyToAllFrames() const { return m_allFrames->isEnabled() && m_allFrames->isChecked(); }

} // namespace veltor
