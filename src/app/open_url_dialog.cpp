#include "open_url_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>

#include "browse/recent_urls.h"

namespace veltor {

OpenUrlDialog::OpenUrlDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Open a file from Internet"));
    m_url = new QLineEdit(this);
    m_url->setMinimumWidth(420);
    m_recent = new QComboBox(this);
    for (const std::string& u : browse::RecentUrls(m_settings).newestFirst())
        m_recent->addItem(QString::fromStdString(u));
    m_recent->setCurrentIndex(-1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* form = new QFormLayout(this);
    form->addRow(tr("URL"), m_url);
    form->addRow(tr("Recent URLs"), m_recent);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &OpenUrlDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OpenUrlDialog::reject);
    connect(m_recent, &QComboBox::activated, this, [this](int) {
        m_url->setText(m_recent->currentText());
        m_url->setFocus();
        m_url->selectAll();
    });
    m_url->setFocus();
}

QString OpenUrlDialog::address() const {
    return m_url->text();
}

void OpenUrlDialog::accept() {
    const std::string typed = m_url->text().trimmed().toStdString();
    if (typed.empty()) {
        reject();
        return;
    }
    const std::string address = browse::completeAddress(typed);
    m_url->setText(QString::fromStdString(address));
    // A refused scheme never reaches the history; the window stays open so
    // the address can be corrected.
    if (!browse::allowedScheme(address)) {
        QMessageBox::critical(
            this, QStringLiteral("Veltor Dicom Viewer"),
            tr("%1 cannot be opened: only http, https, ftp and file addresses are.").arg(m_url->text()));
        m_url->setFocus();
        m_url->selectAll();
        return;
    }
    browse::RecentUrls(m_settings).remember(address);
    QDialog::accept();
}

} // namespace veltor
