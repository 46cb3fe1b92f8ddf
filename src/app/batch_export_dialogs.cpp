#include "app/batch_export_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dicom_tags_widget.h"
#include "app/dicom_file_listing.h"
#include "dicom/dicom_file.h"
#include "export/anonymize_batch.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

constexpr const char* kInvalidDirectory = "Invalid Directory      ";
constexpr const char* kNothingToDo = "Nothing to do      ";
constexpr const char* kNoExportDirectory = "Please select an export directory   ";

QString fromLocal(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
std::string toLocal(const QString& s) { return s.toLocal8Bit().toStdString(); }

const char* const kFormatNames[] = {"TIFF", "JPEG", "BMP", "HTML", "RAW"};

QComboBox* formatCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    for (const char* name : kFormatNames) combo->addItem(QString::fromLatin1(name));
    return combo;
}


} // namespace

ConvertRunWindow::ConvertRunWindow(SettingsStore& settings, bool anonymizeExports, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_anonymizeExports(anonymizeExports) {}

ConvertRunResult ConvertRunWindow::run(const std::vector<std::string>& files, const std::string& outputDirectory,
                                       int formatIndex, ConvertCommand command, bool overwritePrompt) {
    m_running = true;
    ConvertOptions options;
    static const ExportFormat formats[] = {ExportFormat::Tiff, ExportFormat::Jpeg, ExportFormat::Bmp,
                                           ExportFormat::Tiff, ExportFormat::Raw};
    options.format = formats[formatIndex >= 0 && formatIndex < 5 ? formatIndex : 0];
    options.html = formatIndex == 3;
    options.command = command;
    options.anonymizeExports = m_anonymizeExports;
    options.anonymize = AnonymizeOptions::load(m_settings);
    QProgressDialog progress(tr("Please wait..."), tr("Cancel"), 0, int(files.size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    ConvertCallbacks callbacks;
    if (overwritePrompt)
        callbacks.confirmOverwrite = [this](const std::string& target) {
            return QMessageBox::question(this, windowTitle(),
                                         QStringLiteral("File %1 exists! \nOverwrite existing file?").arg(fromLocal(target)),
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        };
    callbacks.writeFailed = [this](const std::string& target, const ExportResult& result) {
        QMessageBox box(QMessageBox::Critical, windowTitle(), QStringLiteral("File creation error"), QMessageBox::Ok,
                        this);
        box.setInformativeText(fromLocal(target) + QStringLiteral(": ") + QString::fromStdString(exportErrorText(result)));
        box.exec();
    };
    callbacks.progress = [&progress](size_t done, size_t) {
        progress.setValue(int(done));
        QApplication::processEvents();
        return !progress.wasCanceled();
    };
    const ConvertRunResult result =
        convertFiles(files, outputDirectory, options, callbacks, [this](const std::string& source, const ConvertReport& r) {
            if (r.converted()) converted(source);
            QApplication::processEvents();
        });
    m_running = false;
    return result;
}

void ConvertRunWindow::closeEvent(QCloseEvent* event) {
    if (m_running)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void ConvertRunWindow::reject() {
    if (!m_running) QDialog::reject();
}

// --- Batch Export

BatchExportDialog::BatchExportDialog(SettingsStore& settings, bool anonymizeExports, QWidget* parent)
    : ConvertRunWindow(settings, anonymizeExports, parent) {
    setWindowTitle(tr("Batch Export"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    QString start = QDir::currentPath();
    if (!start.endsWith(QLatin1Char('/'))) start += QLatin1Char('/');
    m_directory = new QLineEdit(start, this);
    auto* browse = new QPushButton(tr("Browse..."), this);
    row->addWidget(m_directory);
    row->addWidget(browse);
    layout->addLayout(row);
    m_subdirectories = new QCheckBox(tr("Include Subdirectories"), this);
    m_overwrite = new QCheckBox(tr("Overwrite prompt"), this);
    m_subdirectories->setChecked(true);
    m_overwrite->setChecked(true);
    layout->addWidget(m_subdirectories);
    layout->addWidget(m_overwrite);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(tr("Export as"), this));
    m_format = formatCombo(this);
    formatRow->addWidget(m_format);
    formatRow->addStretch();
    layout->addLayout(formatRow);
    layout->addWidget(new QLabel(tr("Exported files:"), this));
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    layout->addWidget(m_log);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* exportButton = new QPushButton(tr("Export"), this);
    auto* close = new QPushButton(tr("Close"), this);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(520, 420);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Browse"), m_directory->text());
        if (!folder.isEmpty()) m_directory->setText(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
    });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportFiles(); });
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
}

void BatchExportDialog::exportFiles() {
    if (running()) return;
    const QString folder = m_directory->text().trimmed();
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isExecutable()) {
        QMessageBox::information(this, windowTitle(), QString::fromLatin1(kInvalidDirectory));
        return;
    }
    std::vector<std::string> files;
    {
        QLabel scanning(tr("Scanning directories..."), this, Qt::Tool | Qt::FramelessWindowHint);
        scanning.setMargin(16);
        scanning.show();
        QApplication::processEvents();
        const BatchStatus status = collectDicomFiles(toLocal(folder), m_subdirectories->isChecked(), files, [] {
            QApplication::processEvents();
            return true;
        });
        if (status == BatchStatus::InvalidDirectory) {
            QMessageBox::information(this, windowTitle(), QString::fromLatin1(kInvalidDirectory));
            return;
        }
    }
    if (files.empty()) {
        QMessageBox::information(this, windowTitle(), QString::fromLatin1(kNothingToDo));
        return;
    }
    m_log->clear();
    run(files, std::string(), m_format->currentIndex(), ConvertCommand::BatchConvert, m_overwrite->isChecked());
}

void BatchExportDialog::converted(const std::string& source) {
    m_log->moveCursor(QTextCursor::End);
    m_log->insertPlainText(fromLocal(source) + QStringLiteral("\n"));
}

// --- Batch Convert (export selected files)

ExportSelectedDialog::ExportSelectedDialog(SettingsStore& settings, bool anonymizeExports, QWidget* parent)
    : ConvertRunWindow(settings, anonymizeExports, parent) {
    setWindowTitle(tr("Batch Convert"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_scan = new QComboBox(this);
    m_scan->setEditable(true);
    m_scan->addItem(fromLocal(settings::currentWorkingDirectory(settings)));
    auto* scanButton = new QPushButton(tr("Scan Directory..."), this);
    m_export = new QComboBox(this);
    m_export->setEditable(true);
    m_export->addItem(fromLocal(settings::batchExportDirectory(settings)));
    auto* exportDirButton = new QPushButton(tr("Export Directory..."), this);
    grid->addWidget(m_scan, 0, 0);
    grid->addWidget(scanButton, 0, 1);
    grid->addWidget(m_export, 1, 0);
    grid->addWidget(exportDirButton, 1, 1);
    grid->setColumnStretch(0, 1); // the folder fields take the width
    layout->addLayout(grid);
    auto* boxes = new QHBoxLayout;
    m_subdirectories = new QCheckBox(tr("Search Subdirectories"), this);
    m_icons = new QCheckBox(tr("Load Icons"), this);
    m_subdirectories->setChecked(true);
    m_icons->setChecked(true);
    boxes->addWidget(m_subdirectories);
    boxes->addWidget(m_icons);
    boxes->addStretch();
    layout->addLayout(boxes);
    m_list = new QTreeWidget(this);
    setUpDicomFileColumns(m_list);
    layout->addWidget(m_list);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("Export as"), this));
    m_format = formatCombo(this);
    bottom->addWidget(m_format);
    bottom->addStretch();
    m_exportButton = new QPushButton(tr("Export"), this);
    m_viewHeader = new QPushButton(tr("View Header..."), this);
    bottom->addWidget(m_exportButton);
    bottom->addWidget(m_viewHeader);
    layout->addLayout(bottom);
    m_status = new QLabel(this);
    layout->addWidget(m_status);
    resize(920, 560);

    connect(scanButton, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Scan Directory"), m_scan->currentText());
        if (!folder.isEmpty()) scan(folder);
    });
    connect(exportDirButton, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Export Directory"), m_export->currentText());
        if (folder.isEmpty()) return;
        m_export->setEditText(folder);
        if (m_export->findText(folder) < 0) m_export->insertItem(0, folder);
    });
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { m_status->setText(dicomRowPath(item)); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { exportRows(); });
    connect(m_viewHeader, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem* item = m_list->currentItem();
        if (item == nullptr && !m_list->selectedItems().isEmpty()) item = m_list->selectedItems().first();
        if (item == nullptr) return;
        DicomFile file;
        const QString path = dicomRowPath(item);
        if (!file.openFile(toLocal(path).c_str(), true)) return;
        DicomTagsDialog dialog(file, QFileInfo(path).fileName(), this);
        dialog.exec();
    });
    updateButtons();
}

void ExportSelectedDialog::scan(const QString& folder) {
    if (running()) return;
    m_list->clear();
    m_status->clear();
    if (m_scan->currentText() != folder) m_scan->setEditText(folder);
    if (m_scan->findText(folder) < 0) m_scan->insertItem(0, folder);
    appendDicomFiles(m_list, folder, m_subdirectories->isChecked(), m_icons->isChecked());
    updateButtons();
}

void ExportSelectedDialog::updateButtons() {
    const bool rows = m_list->topLevelItemCount() > 0;
    m_exportButton->setEnabled(rows);
    m_viewHeader->setEnabled(rows);
}

void ExportSelectedDialog::exportRows() {
    if (running()) return;
    const QString folder = m_export->currentText().trimmed();
    if (folder.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromLatin1(kNoExportDirectory));
        return;
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        QMessageBox::critical(this, windowTitle(), QStringLiteral("File creation error"),
                              QMessageBox::Ok);
        return;
    }
    settings::setBatchExportDirectory(m_settings, settings::withTrailingSeparator(toLocal(folder)));
    std::vector<std::string> files;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (m_list->topLevelItem(i)->isSelected()) files.push_back(toLocal(dicomRowPath(m_list->topLevelItem(i))));
    if (files.empty()) return;
    run(files, toLocal(folder), m_format->currentIndex(), ConvertCommand::ExportSelectedFiles, false);
}

} // namespace veltor
