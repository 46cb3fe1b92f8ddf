#include "file_list_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <deque>
#include <memory>
#include <mutex>

#include "app/browse_support.h"
#include "app/dicom_file_listing.h"
#include "settings/settings_keys.h"

namespace veltor {

QString fittedText(const QString& text, int width, const QFontMetrics& metrics) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    QString cut = text;
    while (!cut.isEmpty() && metrics.horizontalAdvance(cut + QStringLiteral("...")) > width)
        cut.chop(1);
    return cut + QStringLiteral("...");
}

QString walkStatusText(int count, const std::string& folder, const std::string& name) {
    return QString::asprintf("Search (%d) : ", count) + displayPath(folder) + displayPath(name);
}

void pollUntil(QObject* owner, const std::function<bool()>& tick) {
    QEventLoop loop;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, owner, [&] {
        if (tick()) loop.quit();
    });
    QObject::connect(owner, &QObject::destroyed, &loop, &QEventLoop::quit);
    timer.start(20);
    loop.exec();
    timer.stop();
}

namespace {

const char* const kCriteria[] = {
    "Patient's name (0x0010,0x0010)",     "Patient ID (0x0010,0x0020)",
    "Physician's Name (0x0008,0x1050)",   "Study ID (0x0020,0x0010)",
    "Study date (0x0008,0x0020) from...", "Study date (0x0008,0x0020) to..."};

} // namespace

FileListDialog::FileListDialog(Mode mode, SettingsStore& settings, OpenFile open, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_settings(settings), m_openFile(std::move(open)) {
    const bool search = mode == Mode::Search;
    setWindowTitle(search ? tr("Search...") : tr("Directory Contents"));
    setObjectName(search ? QStringLiteral("SearchWindow") : QStringLiteral("DirectoryContents"));
    m_savedWorkingFolder = QDir::currentPath();

    m_folders = new QComboBox(this);
    m_folders->setMinimumContentsLength(40);
    m_folders->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_browse = new QPushButton(tr("Directory..."), this);
    m_scan = new QPushButton(search ? tr("Search") : tr("Refresh"), this);
    m_open = new QPushButton(tr("Open"), this);
    m_close = new QPushButton(tr("Close"), this);
    m_subdirectories = new QCheckBox(tr("Search Subdirectories"), this);
    m_icons = new QCheckBox(tr("Load Icons"), this);
    m_subdirectories->setChecked(true);
    m_icons->setChecked(true);
    m_list = new QTreeWidget(this);
    setUpDicomFileColumns(m_list);
    m_status = new QLabel(this);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(m_folders, 1);
    top->addWidget(m_browse);
    top->addWidget(m_scan);
    top->addWidget(m_open);
    top->addWidget(m_close);
    auto* switches = new QHBoxLayout;
    switches->addWidget(m_subdirectories);
    switches->addWidget(m_icons);
    switches->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(switches);
    if (search) {
        auto* grid = new QGridLayout;
        for (int i = 0; i < 6; ++i) {
            m_criteria[i] = new QLineEdit(this);
            if (i >= 4) m_criteria[i]->setPlaceholderText(QStringLiteral(" YYYYMMDD"));
            grid->addWidget(new QLabel(tr(kCriteria[i]), this), i / 2, (i % 2) * 2);
            grid->addWidget(m_criteria[i], i / 2, (i % 2) * 2 + 1);
        }
        layout->addLayout(grid);
    }
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);
    resize(900, 600);

    const QString start = displayPath(settings::currentWorkingDirectory(m_settings));
    if (!start.isEmpty()) {
        m_folders->addItem(start);
        m_folders->setCurrentIndex(0);
    }
    if (search) m_status->setText(start);

    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, tr("Directory..."), m_folders->currentText());
        if (folder.isEmpty()) return;
        QDir::setCurrent(folder);
        addFolder(folder);
    });
    connect(m_folders, &QComboBox::activated, this, [this](int) {
        showFolder(m_folders->currentText());
        m_status->clear();
        updateButtons();
    });
    connect(m_folders, &QComboBox::currentTextChanged, this, [this] { updateButtons(); });
    connect(m_scan, &QPushButton::clicked, this, &FileListDialog::scanOrStop);
    connect(m_open, &QPushButton::clicked, this, &FileListDialog::openSelected);
    connect(m_close, &QPushButton::clicked, this, &FileListDialog::closeWindow);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &FileListDialog::updateButtons);
    connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        m_status->setText(dicomRowPath(item));
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { openSelected(); });
    updateButtons();
}

FileListDialog::~FileListDialog() {
    m_fileList.stop();
    if (m_worker.joinable()) m_worker.join();
}

void FileListDialog::updateButtons() {
    m_open->setEnabled(!m_list->selectedItems().isEmpty());
    if (m_mode == Mode::Search)
        m_scan->setEnabled(scanning() || !m_folders->currentText().trimmed().isEmpty());
    m_scan->setText(scanning()               ? tr("Stop")
                    : m_mode == Mode::Search ? tr("Search")
                                             : tr("Refresh"));
}

void FileListDialog::addFolder(const QString& chosen) {
    QString folder = chosen;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    int index = -1;
    for (int i = 0; i < m_folders->count(); ++i) {
        QString held = m_folders->itemText(i);
        if (!held.endsWith(QLatin1Char('/'))) held += QLatin1Char('/');
        if (held.compare(folder, Qt::CaseInsensitive) == 0) index = i;
    }
    if (index < 0) {
        m_folders->addItem(folder);
        index = m_folders->count() - 1;
    }
    m_folders->setCurrentIndex(index);
    showFolder(m_folders->currentText());
    updateButtons();
}

void FileListDialog::showFolder(const QString& folder) {
    if (scanning()) return; // the cache belongs to the walk until it ends
    m_list->clear();
    const browse::DirectoryRecord* record = m_fileList.record(localPath(folder));
    if (record == nullptr) return;
    for (const browse::FileListItem& item : record->items)
        addRow(*record, item, record->iconsMade);
}

void FileListDialog::addRow(const browse::DirectoryRecord& record, const browse::FileListItem& item,
                            bool icons) {
    addDicomFileRow(m_list, displayPath(record.path + item.fileName), item, icons);
}

void FileListDialog::scanOrStop() {
    if (scanning()) {
        m_fileList.stop();
        return;
    }
    runScan();
}

void FileListDialog::runScan() {
    QString root = m_folders->currentText().trimmed();
    if (root.isEmpty()) return;
    if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
    browse::DicomFileList::ScanOptions options;
    options.subdirectories = m_subdirectories->isChecked();
    options.loadIcons = m_icons->isChecked();
    options.window = previewWindow();
    if (m_mode == Mode::Search) {
        // A search starts afresh from the folder shown.
        m_folders->clear();
        m_folders->addItem(root);
        m_fileList.clear();
        m_searchCriteria.patientName = m_criteria[0]->text().toStdString();
        m_searchCriteria.patientId = m_criteria[1]->text().toStdString();
        m_searchCriteria.physicianName = m_criteria[2]->text().toStdString();
        m_searchCriteria.studyId = m_criteria[3]->text().toStdString();
        m_searchCriteria.dateFrom = m_criteria[4]->text().toStdString();
        m_searchCriteria.dateTo = m_criteria[5]->text().toStdString();
        m_searchCriteria.normalize();
        options.criteria = &m_searchCriteria;
    }
    m_list->clear();
    const QString selectedBefore = m_folders->currentText();

    // "Please wait..." with Cancel while the walk runs.
    auto* wait = new QDialog(this, Qt::Tool);
    wait->setWindowTitle(tr("Please wait..."));
    auto* waitLayout = new QVBoxLayout(wait);
    waitLayout->addWidget(new QLabel(tr("Please wait..."), wait));
    auto* cancel = new QPushButton(tr("Cancel"), wait);
    waitLayout->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { m_fileList.stop(); });
    wait->show();
    m_wait = wait;

    const std::string working = localPath(QDir::currentPath());
    QPointer<FileListDialog> alive(this);
    const bool icons = options.loadIcons;

    // What the worker found, handed to this thread in order.
    struct Found {
        std::string folder;
        browse::FileListItem item;
        bool first = false;
    };
    struct Shared {
        std::mutex lock;
        std::deque<Found> found;
        int count = 0;
        std::string folder, name;
        bool done = false;
    };
    auto shared = std::make_shared<Shared>();
    m_worker = std::thread([this, shared, root = localPath(root), options] {
        m_fileList.scan(
            root, options,
            [&](int count, const std::string& folder, const std::string& name) {
                std::lock_guard<std::mutex> hold(shared->lock);
                shared->count = count;
                shared->folder = folder;
                shared->name = name;
            },
            [&](const browse::DirectoryRecord& record, const browse::FileListItem& item,
                bool first) {
                std::lock_guard<std::mutex> hold(shared->lock);
                shared->found.push_back({record.path, item, first});
            });
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->done = true;
    });
    updateButtons();
    pollUntil(this, [&] {
        std::deque<Found> found;
        bool done = false;
        QString status;
        {
            std::lock_guard<std::mutex> hold(shared->lock);
            found.swap(shared->found);
            done = shared->done;
            if (shared->count > 0)
                status = walkStatusText(shared->count, shared->folder, shared->name);
        }
        if (!status.isEmpty()) m_status->setText(status);
        for (const Found& f : found) {
            if (f.first) m_list->clear();
            browse::DirectoryRecord record;
            record.path = f.folder;
            addRow(record, f.item, icons);
        }
        if (!found.empty()) updateButtons();
        return done;
    });
    if (!alive) return; // the destructor has stopped and joined the worker
    m_worker.join();
    delete m_wait;
    m_wait = nullptr;
    QDir::setCurrent(displayPath(working));

    m_folders->clear();
    for (const browse::DirectoryRecord& r : m_fileList.records())
        m_folders->addItem(displayPath(r.path));
    int index = m_folders->findText(selectedBefore);
    if (index < 0 && m_folders->count() > 0) index = 0;
    if (index < 0) {
        m_folders->addItem(root);
        index = 0;
    }
    m_folders->setCurrentIndex(index);
    showFolder(m_folders->currentText());
    m_status->setText(tr("Finished!"));
    updateButtons();
}

QStringList FileListDialog::selectedPaths() const {
    QStringList paths;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (row->isSelected()) paths << dicomRowPath(row);
    }
    return paths;
}

void FileListDialog::openSelected() {
    if (!m_openFile) return;
    for (const QString& path : selectedPaths())
        m_openFile(path);
}

void FileListDialog::closeWindow() {
    if (scanning()) {
        m_fileList.stop();
        return;
    }
    QDir::setCurrent(m_savedWorkingFolder);
    QDialog::reject();
}

void FileListDialog::reject() {
    closeWindow();
}

void FileListDialog::closeEvent(QCloseEvent* event) {
    if (scanning()) {
        m_fileList.stop();
        event->ignore();
        return;
    }
    QDir::setCurrent(m_savedWorkingFolder);
    QDialog::closeEvent(event);
}

} // namespace veltor
