#include "anonymize_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

#include "app/dicom_file_listing.h"
#include "dicom/dicom_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace veltor {

namespace {

QString fromLocal(const std::string& s) {
    return QString::fromLocal8Bit(s.c_str());
}
std::string toLocal(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

// A small window while the folders are walked.
class ScanningWindow {
  public:
    explicit ScanningWindow(QWidget* parent) : m_label(parent, Qt::Tool | Qt::FramelessWindowHint) {
        m_label.setText(QObject::tr("Scanning directories..."));
        m_label.setMargin(16);
        m_label.setFrameStyle(QFrame::Box);
        m_label.adjustSize();
        if (parent != nullptr)
            m_label.move(parent->mapToGlobal(parent->rect().center()) - m_label.rect().center());
        m_label.show();
        QApplication::processEvents();
    }

  private:
    QLabel m_label;
};

} // namespace

// --- Attention!

AttentionDialog::AttentionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Attention!"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QString::fromLatin1(kCriticalFieldsWarning), this);
    text->setWordWrap(true);
    text->setMinimumWidth(360);
    layout->addWidget(text);
    m_dontShow = new QCheckBox(tr("Do not show this message again"), this);
    layout->addWidget(m_dontShow);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AttentionDialog::showIfDue(const AnonymizeOptions& options, SettingsStore& settings,
                                QWidget* parent) {
    if (!options.criticalWarningDue()) return;
    AttentionDialog dialog(parent);
    dialog.exec();
    // However the window was closed, a checked box turns the warning off.
    if (dialog.m_dontShow->isChecked()) settings.writeInt(kAnonymizeSection, kAttentionKey, 0);
}

bool showBurnedInWarning(const std::string& source, QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, QObject::tr("Burned-in annotation"),
                    fromLocal(burnedInWarning(source)), QMessageBox::Ok, parent);
    auto* dontShow = new QCheckBox(QObject::tr("Do not show this message again"), &box);
    box.setCheckBox(dontShow);
    box.exec();
    return !dontShow->isChecked();
}

void showAnonymizeFailure(const AnonymizeReport& report, QWidget* parent) {
    const QString text = fromLocal(anonymizeMessage(report));
    if (report.failure == AnonymizeFailure::SourceNotFound)
        QMessageBox::critical(parent, QString(), text);
    else
        QMessageBox::warning(parent, QString(), text);
}

// --- The run

AnonymizeRunWindow::AnonymizeRunWindow(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {}

AnonymizeBatchCallbacks AnonymizeRunWindow::callbacks(size_t total) {
    AnonymizeBatchCallbacks c;
    c.progress = [this](size_t done, size_t all) {
        if (m_progress) m_progress->setValue(static_cast<int>(done));
        emit fileDone(static_cast<int>(done), static_cast<int>(all));
        QApplication::processEvents();
        return !(m_progress && m_progress->wasCanceled());
    };
    c.written = [this](const std::string& source, const std::string&,
                       const AnonymizeReport& report) { copied(source, report); };
    c.failed = [this](const std::string&, const AnonymizeReport& report) {
        showAnonymizeFailure(report, this);
    };
    // Files that do not parse are passed over silently.
    c.notDicom = [](const std::string&, const AnonymizeReport&) {};
    c.burnedIn = [this](const std::string& source) {
        if (m_burnedInWarnings) m_burnedInWarnings = showBurnedInWarning(source, this);
    };
    m_progress =
        new QProgressDialog(tr("Please wait..."), tr("Cancel"), 0, static_cast<int>(total), this);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setValue(0);
    m_progress->show();
    QApplication::processEvents();
    return c;
}

void AnonymizeRunWindow::beginRun() {
    m_running = true;
    m_burnedInWarnings = true;
}

void AnonymizeRunWindow::endRun(const BatchResult& result) {
    delete m_progress;
    m_running = false;
    if (result.status == BatchStatus::ProfileNotReady)
        QMessageBox::warning(
            this, QString(),
            tr("De-identification cannot start: %1").arg(fromLocal(result.message)));
    emit runFinished();
}

void AnonymizeRunWindow::copied(const std::string&, const AnonymizeReport&) {}

void AnonymizeRunWindow::closeEvent(QCloseEvent* event) {
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void AnonymizeRunWindow::reject() {
    if (!m_running) QDialog::reject();
}

// --- Anonymize Selected Files

AnonymizeSelectedDialog::AnonymizeSelectedDialog(SettingsStore& settings, QWidget* parent)
    : AnonymizeRunWindow(settings, parent) {
    setWindowTitle(tr("Anonymize Selected Files"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_scan = new QComboBox(this);
    m_scan->setEditable(true);
    m_scan->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* scanButton = new QPushButton(tr("Scan Directory..."), this);
    m_export = new QComboBox(this);
    m_export->setEditable(true);
    auto* exportButton = new QPushButton(tr("Export Directory..."), this);
    grid->addWidget(m_scan, 0, 0);
    grid->addWidget(scanButton, 0, 1);
    grid->addWidget(m_export, 1, 0);
    grid->addWidget(exportButton, 1, 1);
    layout->addLayout(grid);
    auto* boxes = new QHBoxLayout;
    m_subdirectories = new QCheckBox(tr("Search Subdirectories"), this);
    m_subdirectories->setChecked(true);
    m_icons = new QCheckBox(tr("Load Icons"), this);
    m_icons->setChecked(true);
    m_suffix = new QCheckBox(tr("Use \"_anon\" suffix"), this);
    m_suffix->setChecked(true);
    boxes->addWidget(m_subdirectories);
    boxes->addWidget(m_icons);
    boxes->addWidget(m_suffix);
    boxes->addStretch(1);
    layout->addLayout(boxes);
    m_list = new QTreeWidget(this);
    setUpDicomFileColumns(m_list);
    layout->addWidget(m_list, 1);
    m_status = new QLabel(this);
    layout->addWidget(m_status);
    auto* buttons = new QHBoxLayout;
    m_anonymize = new QPushButton(tr("Anonymize"), this);
    m_anonymizeAll = new QPushButton(tr("Anonymize all"), this);
    auto* close = new QPushButton(tr("Close"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_anonymize);
    buttons->addWidget(m_anonymizeAll);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    const QString scanFolder = fromLocal(settings::currentWorkingDirectory(settings));
    m_scan->setEditText(scanFolder);
    m_export->setEditText(fromLocal(settings::batchExportDirectory(settings)));

    connect(scanButton, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, tr("Scan Directory"), m_scan->currentText());
        if (!folder.isEmpty()) scan(folder);
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Export Directory"),
                                                                 m_export->currentText());
        if (!folder.isEmpty()) m_export->setEditText(folder);
    });
    connect(m_scan->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { scan(m_scan->currentText()); });
    connect(m_scan, &QComboBox::activated, this,
            [this](int index) { scan(m_scan->itemText(index)); });
    connect(m_subdirectories, &QCheckBox::toggled, this, [this] { scan(m_scan->currentText()); });
    connect(m_icons, &QCheckBox::toggled, this, [this] { scan(m_scan->currentText()); });
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { m_status->setText(dicomRowPath(item)); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_anonymize, &QPushButton::clicked, this, [this] { anonymizeRows(false); });
    connect(m_anonymizeAll, &QPushButton::clicked, this, [this] { anonymizeRows(true); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in a folder field scans; it never presses a button.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    resize(920, 560);
    if (!scanFolder.isEmpty() && QFileInfo(scanFolder).isDir()) scan(scanFolder);
    updateButtons();
}

void AnonymizeSelectedDialog::scan(const QString& folder) {
    if (running()) return;
    m_list->clear();
    m_status->clear();
    if (m_scan->currentText() != folder) m_scan->setEditText(folder);
    if (m_scan->findText(folder) < 0) m_scan->insertItem(0, folder);
    appendDicomFiles(m_list, folder, m_subdirectories->isChecked(), m_icons->isChecked());
    updateButtons();
}

void AnonymizeSelectedDialog::updateButtons() {
    m_anonymize->setEnabled(!m_list->selectedItems().isEmpty());
    m_anonymizeAll->setEnabled(m_list->topLevelItemCount() > 0);
}

void AnonymizeSelectedDialog::anonymizeRows(bool all) {
    if (running()) return;
    const QString exportFolder = m_export->currentText().trimmed();
    if (exportFolder.isEmpty()) {
        QMessageBox::warning(this, QString(), QString::fromLatin1(kNoExportDirectoryMessage));
        return;
    }
    std::vector<std::string> files;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (all || row->isSelected()) files.push_back(toLocal(dicomRowPath(row)));
    }
    if (files.empty()) return;
    settings::setBatchExportDirectory(m_settings,
                                      settings::withTrailingSeparator(toLocal(exportFolder)));
    beginRun();
    const AnonymizeOptions options = AnonymizeOptions::load(m_settings);
    AttentionDialog::showIfDue(options, m_settings, this);
    const AnonymizeBatchCallbacks c = callbacks(files.size());
    const BatchResult result =
        anonymizeSelectedFiles(files, toLocal(exportFolder), m_suffix->isChecked(), options, c);
    endRun(result);
}

// --- Batch Anonymize

BatchAnonymizeDialog::BatchAnonymizeDialog(SettingsStore& settings, QWidget* parent)
    : AnonymizeRunWindow(settings, parent) {
    setWindowTitle(tr("Batch Anonymize"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_directory = new QLineEdit(this);
    auto* browse = new QPushButton(tr("Browse..."), this);
    row->addWidget(m_directory, 1);
    row->addWidget(browse);
    layout->addLayout(row);
    m_subdirectories = new QCheckBox(tr("Include Subdirectories"), this);
    m_subdirectories->setChecked(true);
    m_overwrite = new QCheckBox(tr("Overwrite prompt"), this);
    m_overwrite->setChecked(true);
    layout->addWidget(m_subdirectories);
    layout->addWidget(m_overwrite);
    layout->addWidget(new QLabel(tr("Anonymized files:"), this));
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_log, 1);
    auto* buttons = new QHBoxLayout;
    m_anonymize = new QPushButton(tr("Anonymize"), this);
    m_close = new QPushButton(tr("Close"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_anonymize);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    m_directory->setText(
        fromLocal(settings::withTrailingSeparator(settings::currentWorkingDirectory(settings))));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, tr("Batch Anonymize"), m_directory->text());
        if (!folder.isEmpty())
            m_directory->setText(fromLocal(settings::withTrailingSeparator(toLocal(folder))));
    });
    connect(m_anonymize, &QPushButton::clicked, this, &BatchAnonymizeDialog::anonymize);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    resize(640, 480);
}

void BatchAnonymizeDialog::anonymize() {
    if (running()) return;
    const QString folder = m_directory->text().trimmed();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        QMessageBox::information(this, QString(), QString::fromLatin1(kInvalidDirectoryMessage));
        return;
    }
    beginRun();
    std::vector<std::string> files;
    BatchStatus scan;
    {
        std::unique_ptr<ScanningWindow> scanning;
        if (m_subdirectories->isChecked()) scanning = std::make_unique<ScanningWindow>(this);
        scan = collectDicomFiles(toLocal(folder), m_subdirectories->isChecked(), files, [] {
            QApplication::processEvents();
            return true;
        });
    }
    if (scan == BatchStatus::InvalidDirectory || files.empty()) {
        BatchResult none;
        endRun(none);
        QMessageBox::information(this, QString(),
                                 QString::fromLatin1(scan == BatchStatus::InvalidDirectory
                                                         ? kInvalidDirectoryMessage
                                                         : kNothingToDoMessage));
        return;
    }
    const AnonymizeOptions options = AnonymizeOptions::load(m_settings);
    AttentionDialog::showIfDue(options, m_settings, this);
    m_logText.clear();
    m_log->clear();
    AnonymizeBatchCallbacks c = callbacks(files.size());
    if (m_overwrite->isChecked()) {
        c.confirmOverwrite = [this](const std::string& target) {
            return QMessageBox::question(this, QString(), fromLocal(overwriteQuestion(target)),
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        };
    }
    const BatchResult result = anonymizeBesideSources(files, options, c);
    endRun(result);
}

void BatchAnonymizeDialog::copied(const std::string& source, const AnonymizeReport& report) {
    // "%s%s\r\n": the log so far and the source's path; in the profile mode
    // the path is followed by what was changed.
    m_logText += fromLocal(source);
    if (report.profileApplied)
        m_logText += QStringLiteral("  (") + fromLocal(anonymizeSummary(report)) + ")";
    m_logText += QStringLiteral("\r\n");
    QString shown = m_logText;
    shown.remove(QLatin1Char('\r'));
    m_log->setPlainText(shown);
}

} // namespace veltor
