#include "video_speed_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltor {

VideoSpeedDialog::VideoSpeedDialog(double frameTimeMs, double headerFrameTimeMs, QWidget* parent)
    : QDialog(parent), m_state(frameTimeMs, headerFrameTimeMs) {
    setWindowTitle(QString::fromLatin1(VideoSpeedSetup::kTitle));
    auto* layout = new QVBoxLayout(this);
    m_selector = new QComboBox(this);
    m_selector->addItem(QString::fromLatin1(VideoSpeedSetup::kFrameTimeEntry));
    m_selector->addItem(QString::fromLatin1(VideoSpeedSetup::kFramesPerSecondEntry));
    layout->addWidget(m_selector);
    auto* form = new QFormLayout;
    m_frameTime = new QLineEdit(this);
    m_fps = new QLineEdit(this);
    form->addRow(QString::fromLatin1(VideoSpeedSetup::kFrameTimeLabel), m_frameTime);
    form->addRow(QString::fromLatin1(VideoSpeedSetup::kFramesPerSecondLabel), m_fps);
    layout->addLayout(form);
    m_fromHeader = new QPushButton(QString::fromLatin1(VideoSpeedSetup::kFromHeader), this);
    layout->addWidget(m_fromHeader);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_selector, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        m_state.select(i == 0 ? SpeedField::FrameTime : SpeedField::FramesPerSecond);
        showState();
        QLineEdit* edit = i == 0 ? m_frameTime : m_fps;
        edit->setFocus();
        edit->selectAll();
    });
    connect(m_frameTime, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_state.frameTimeTyped(t.toStdString());
        showState();
    });
    connect(m_fps, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_state.framesPerSecondTyped(t.toStdString());
        showState();
    });
    connect(m_fromHeader, &QPushButton::clicked, this, [this] {
        m_state.fromHeader();
        showState();
    });
    showState();
}

void VideoSpeedDialog::showState() {
    // Only the edit not being typed in is rewritten.
    if (!m_frameTime->hasFocus() || !m_state.frameTimeEnabled())
        m_frameTime->setText(QString::fromStdString(m_state.frameTimeText()));
    if (!m_fps->hasFocus() || !m_state.framesPerSecondEnabled())
        m_fps->setText(QString::fromStdString(m_state.framesPerSecondText()));
    m_frameTime->setEnabled(m_state.frameTimeEnabled());
    m_fps->setEnabled(m_state.framesPerSecondEnabled());
    m_fromHeader->setEnabled(m_state.fromHeaderEnabled());
}

} // namespace veltor
