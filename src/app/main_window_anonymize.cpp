// The anonymization commands of the main window: the File menu's Anonymize
// submenu, the File toolbar's button and the Options menu's check item.
#include <QAction>
#include <QFileDialog>
#include <QMenu>

#include "app/anonymize_dialogs.h"
#include "app/anonymize_options_dialog.h"
#include "app/child_frame.h"
#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "export/anonymizer.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

namespace veltor {

void CMainFrame::createAnonymizeActions(QMenu* file, QMenu* options) {
    QMenu* anonymize = new QMenu(tr("A&nonymize"), file);
    file->insertMenu(m_recentMenu->menuAction(), anonymize);
    file->insertSeparator(m_recentMenu->menuAction());

    m_anonymizeCurrent = anonymize->addAction(tr("&Anonymize current file..."), this, [this] {
        CChildFrame* child = activeChild();
        DicomFile* dataset = child != nullptr ? child->document().fileAt(-1) : nullptr;
        if (dataset == nullptr) return;
        const std::string source = dataset->filePath();
        const QString target = QFileDialog::getSaveFileName(
            this, tr("Anonymize current file"),
            QString::fromLocal8Bit(anonymizedPath(source).c_str()), tr("All Files (*.*)"));
        if (!target.isEmpty()) anonymizeCurrentFileTo(target);
    });
    anonymize->addAction(tr("&Batch Anonymize..."), this, [this] {
        BatchAnonymizeDialog dialog(m_settings, this);
        dialog.exec();
    });
    anonymize->addAction(tr("&Anonymize selected files..."), this, [this] {
        AnonymizeSelectedDialog dialog(m_settings, this);
        dialog.exec();
    });
    anonymize->addAction(tr("Anonymizing &Options..."), this, [this] {
        AnonymizeOptionsDialog dialog(m_settings, this);
        dialog.exec();
    });

    // The document's flag when one is active, else the stored value.
    m_anonymizedExports = new QAction(tr("&Anonymized copies and exports"), this);
    m_anonymizedExports->setCheckable(true);
    options->insertAction(options->actions().value(0), m_anonymizedExports);
    connect(m_anonymizedExports, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild()) {
            CKelvoDoc& doc = child->document();
            doc.setAnonymizeExports(!doc.anonymizeExports());
            m_options.setAnonExports(doc.anonymizeExports());
        } else {
            m_options.setAnonExports(!m_options.anonExports());
        }
        updateAnonymizeActions();
    });
}

void CMainFrame::updateAnonymizeActions() {
    CChildFrame* child = activeChild();
    if (m_anonymizeCurrent != nullptr) m_anonymizeCurrent->setEnabled(child != nullptr);
    if (m_anonymizedExports != nullptr)
        m_anonymizedExports->setChecked(child != nullptr ? child->document().anonymizeExports()
                                                         : m_options.anonExports());
}

bool CMainFrame::anonymizeCurrentFileTo(const QString& target) {
    CChildFrame* child = activeChild();
    DicomFile* dataset = child != nullptr ? child->document().fileAt(-1) : nullptr;
    if (dataset == nullptr) return false;
    // Options are read afresh at every run; the open document never changes.
    const AnonymizeOptions options = AnonymizeOptions::load(m_settings);
    AnonymizeReport report;
    const int written = AnonymizeFileBytes(dataset->filePath(), *dataset,
                                           target.toLocal8Bit().constData(), options, report);
    if (report.burnedIn) showBurnedInWarning(dataset->filePath(), this);
    if (written == 0) {
        showAnonymizeFailure(report, this);
        return false;
    }
    AttentionDialog::showIfDue(options, m_settings, this);
    return true;
}

} // namespace veltor
