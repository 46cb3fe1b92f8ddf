#include "qt_document_ui.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>

#include <unistd.h>

namespace veltor {

int QtDocumentUi::failureMilliseconds = 1500;

QtDocumentUi::~QtDocumentUi() {
    delete m_message;
    delete m_progress;
}

void QtDocumentUi::showLoadMessage(const std::string& text) {
    if (!m_message) {
        m_message = new QLabel(m_parent, Qt::ToolTip | Qt::FramelessWindowHint);
        m_message->setMargin(16);
        m_message->setFrameStyle(QFrame::Box);
    }
    m_message->setText(QString::fromStdString(text));
    m_message->adjustSize();
    if (m_parent != nullptr) {
        const QPoint centre = m_parent->mapToGlobal(m_parent->rect().center());
        m_message->move(centre - m_message->rect().center());
    }
    m_message->show();
    QApplication::processEvents();
}

void QtDocumentUi::showLoadFailure(const std::string& text) {
    showLoadMessage(text);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < failureMilliseconds) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(10);
    }
    closeLoadMessage();
}

void QtDocumentUi::closeLoadMessage() {
    if (m_message) m_message->hide();
}

void QtDocumentUi::messageBox(const std::string& text, MessageIcon icon) {
    const QString t = QString::fromStdString(text);
    switch (icon) {
    case MessageIcon::Information: QMessageBox::information(m_parent, QString(), t); break;
    case MessageIcon::Warning: QMessageBox::warning(m_parent, QString(), t); break;
    case MessageIcon::Error: QMessageBox::critical(m_parent, QString(), t); break;
    }
}

void QtDocumentUi::beginProgress(const std::string& text, int maximum) {
    delete m_progress;
    m_progress = new QProgressDialog(QString::fromStdString(text), QObject::tr("Cancel"), 0, std::max(maximum, 0),
                                     m_parent);
    m_progress->setMinimumDuration(0);
    m_progress->setValue(0);
    QApplication::processEvents();
}

void QtDocumentUi::stepProgress(int value) {
    if (m_progress) m_progress->setValue(value);
    QApplication::processEvents();
}

void QtDocumentUi::endProgress() {
    delete m_progress;
    m_progress = nullptr;
}

bool QtDocumentUi::progressCancelled() { return m_progress && m_progress->wasCanceled(); }

void QtDocumentUi::setWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtDocumentUi::processEvents() { QApplication::processEvents(); }

void QtDocumentUi::setCurrentFolder(const std::string& folder) {
    if (folder.empty()) return;
    QDir::setCurrent(QString::fromStdString(folder));
}

void QtDocumentUi::redrawViews() {
    if (m_parent != nullptr) m_parent->update();
}

} // namespace veltor
