#include "app/preview_dialog.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "imaging/image_buffer.h"

namespace veltor {

PreviewDialog::PreviewDialog(ImageBuffer& frame, PreviewSession::Mode mode, std::function<void()> repaint,
                             QWidget* parent)
    : QDialog(parent), m_frame(frame), m_mode(mode), m_repaint(std::move(repaint)), m_session(frame, mode) {
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, [this] { previewWith(false); });
}

void PreviewDialog::schedulePreview() {
    if (!m_ended) m_timer->start();
}

void PreviewDialog::addButtons(QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* previewButton = buttons->addButton(tr("Preview"), QDialogButtonBox::ActionRole);
    previewButton->setAutoDefault(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(previewButton, &QPushButton::clicked, this, [this] { preview(); });
}

int PreviewDialog::preview() {
    return previewWith(true);
}

int PreviewDialog::previewWith(bool tell) {
    m_timer->stop();
    if (m_ended || !validate(tell)) return 0;
    const bool hadPreview = m_session.previewed();
    const int result = m_session.preview(operation());
    m_previewedValues = values();
    if ((result != 0 || hadPreview) && m_repaint) m_repaint();
    return result;
}

void PreviewDialog::done(int result) {
    if (!m_ended) {
        if (result == QDialog::Accepted && !validate(true)) return; // the dialog stays open
        if (result == QDialog::Accepted) keepValues();
        m_timer->stop();
        m_ended = true;
        const bool hadPreview = m_session.previewed();
        if (result == QDialog::Accepted) {
            // The frame must hold what operation() gives the other frames.
            if (m_mode == PreviewSession::Mode::Plain && hadPreview && m_previewedValues != values())
                m_session.preview(operation());
            m_applied = m_session.accept(operation()) != 0;
        } else {
            m_session.cancel();
        }
        if ((hadPreview || m_applied) && m_repaint) m_repaint();
    }
    QDialog::done(result);
}

} // namespace veltor
