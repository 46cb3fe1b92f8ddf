#include "open_multiple_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <mutex>

#include "app/browse_support.h"
#include "app/dicom_file_listing.h"
#include "app/dicom_tags_widget.h"
#include "browse/thumbnail.h"
#include "dicom/dicom_file.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

using settings::GroupingKey;

// The check boxes under " Group by "; Series Instance UID has none.
const std::pair<GroupingKey, const char*> kKeyBoxes[] = {
    {GroupingKey::StudyIUID, "Study Instance UID"},
    {GroupingKey::Directory, "Directory"},
    {GroupingKey::PatientName, "Patient's Name"},
    {GroupingKey::Modality, "Modality"},
    {GroupingKey::StudyDate, "Study Date"},
    {GroupingKey::StudyID, "Study ID"},
    {GroupingKey::ImageRows, "Image Rows"},
    {GroupingKey::ImageColumns, "Image Columns"},
    {GroupingKey::BitsAllocated, "Bits Allocated"},
    {GroupingKey::BitsStored, "Bits Stored"},
    {GroupingKey::HighBit, "High Bit"},
};

const char* const kColumns[] = {"Patient Name", "Study ID", "Study Date",
                                "Modality",     "Frames",   "File Name"};
const int kWidths[] = {160, 80, 90, 70, 60, 120};

constexpr int kIconSize = 32;

// The small picture of a file's first frame; none for a file that does not
// open or is too large to open fully without stalling the scan.
browse::Thumbnail fileIcon(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size > kIconFileLimit) return {};
    DicomFile file;
    if (!file.openFile(path.c_str(), false)) return {};
    return browse::makeThumbnail(file, kIconSize, previewWindow());
}

} // namespace

OpenMultipleDialog::OpenMultipleDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Open Multiple Files"));
    m_folder = new QLineEdit(displayPath(settings::currentWorkingDirectory(m_settings)), this);
    auto* browse = new QPushButton(tr("Directory..."), this);
    m_scan = new QPushButton(tr("Search"), this);
    auto* close = new QPushButton(tr("Close"), this);
    m_subdirectories = new QCheckBox(tr("Search Subdirectories"), this);
    m_icons = new QCheckBox(tr("Load Icons"), this);
    m_subdirectories->setChecked(true);
    m_icons->setChecked(true);
    auto* keys = new QGroupBox(tr(" Group by "), this);
    auto* keyGrid = new QGridLayout(keys);
    const GroupingKeys stored = settings::groupingKeys(m_settings);
    int n = 0;
    for (const auto& [key, label] : kKeyBoxes) {
        auto* box = new QCheckBox(tr(label), keys);
        box->setChecked(stored[size_t(key)]);
        m_keys[int(key)] = box;
        keyGrid->addWidget(box, n / 4, n % 4);
        ++n;
    }
    m_groups = new QComboBox(this);
    m_minimum = new QSpinBox(this);
    m_minimum->setRange(0, 1000000);
    m_files = new QTreeWidget(this);
    m_files->setColumnCount(6);
    QStringList headers;
    for (const char* c : kColumns)
        headers << tr(c);
    m_files->setHeaderLabels(headers);
    for (int i = 0; i < 6; ++i)
        m_files->setColumnWidth(i, kWidths[i]);
    m_files->setRootIsDecorated(false);
    m_files->setUniformRowHeights(true);
    m_files->setIconSize(QSize(kIconSize, kIconSize));
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(128, 128);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_viewHeader = new QPushButton(tr("View Header..."), this);
    m_openAll = new QPushButton(tr("Open all"), this);
    m_openSelected = new QPushButton(tr("Open Selected"), this);
    m_status = new QLabel(this);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    auto* top = new QHBoxLayout;
    top->addWidget(m_folder, 1);
    top->addWidget(browse);
    top->addWidget(m_scan);
    top->addWidget(close);
    auto* switches = new QHBoxLayout;
    switches->addWidget(m_subdirectories);
    switches->addWidget(m_icons);
    switches->addStretch(1);
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(tr("File Groups:"), this));
    groupRow->addWidget(m_groups, 1);
    groupRow->addWidget(new QLabel(tr("Show groups with more than"), this));
    groupRow->addWidget(m_minimum);
    groupRow->addWidget(new QLabel(tr("images"), this));
    auto* side = new QVBoxLayout;
    side->addWidget(m_picture);
    side->addWidget(m_viewHeader);
    side->addStretch(1);
    side->addWidget(m_openAll);
    side->addWidget(m_openSelected);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_files, 1);
    middle->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(switches);
    layout->addWidget(keys);
    layout->addLayout(groupRow);
    layout->addLayout(middle, 1);
    layout->addWidget(m_status);
    resize(860, 600);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, tr("Directory..."), m_folder->text());
        if (!folder.isEmpty()) m_folder->setText(folder);
    });
    connect(m_scan, &QPushButton::clicked, this, &OpenMultipleDialog::scanOrStop);
    connect(close, &QPushButton::clicked, this, &OpenMultipleDialog::reject);
    connect(m_minimum, &QSpinBox::valueChanged, this, &OpenMultipleDialog::fillGroups);
    connect(m_groups, &QComboBox::currentIndexChanged, this, &OpenMultipleDialog::showGroup);
    connect(m_files, &QTreeWidget::currentItemChanged, this, &OpenMultipleDialog::showPicture);
    connect(m_openAll, &QPushButton::clicked, this, [this] { openGroup(true); });
    connect(m_openSelected, &QPushButton::clicked, this, [this] { openGroup(false); });
    connect(m_files, &QTreeWidget::itemDoubleClicked, this, [this] { openGroup(false); });
    connect(m_viewHeader, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem* row = m_files->currentItem();
        if (row == nullptr) return;
        const QString path = row->data(0, Qt::UserRole).toString();
        DicomFile file;
        if (!file.openFile(localPath(path).c_str(), true)) return;
        DicomTagsDialog dialog(file, path, this);
        dialog.exec();
    });
}

OpenMultipleDialog::~OpenMultipleDialog() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

GroupingKeys OpenMultipleDialog::tickedKeys() const {
    GroupingKeys keys = settings::groupingKeys(m_settings); // Series Instance UID as stored
    for (int i = 0; i < settings::kGroupingKeyCount; ++i)
        if (m_keys[i] != nullptr) keys[size_t(i)] = m_keys[i]->isChecked();
    return keys;
}

void OpenMultipleDialog::scanOrStop() {
    if (m_scanning) {
        m_stop = true;
        return;
    }
    const QString folder = m_folder->text().trimmed();
    if (folder.isEmpty()) return;
    const GroupingKeys keys = tickedKeys();
    settings::setGroupingKeys(m_settings, keys);
    m_scanner = std::make_unique<SeriesScanner>(keys);
    m_fileIcons.clear();
    m_groups->clear();
    m_files->clear();
    m_picture->clear();
    m_scanning = true;
    m_stop = false;
    m_scan->setText(tr("Stop"));

    // What the walk is at, for the status line.
    struct Progress {
        std::mutex lock;
        int count = 0;
        std::string folder, name;
        bool started = false;
        bool done = false;
    };
    auto progress = std::make_shared<Progress>();
    const std::string root = localPath(folder);
    const bool recursive = m_subdirectories->isChecked();
    const bool icons = m_icons->isChecked();
    m_worker = std::thread([this, progress, root, recursive, icons] {
        m_scanner->scan(
            root, recursive,
            [this, progress](int count, const std::string& dir, const std::string& name) {
                std::lock_guard<std::mutex> hold(progress->lock);
                progress->count = count;
                progress->folder = dir;
                progress->name = name;
                progress->started = true;
                return !m_stop;
            },
            [this, icons](FileRef ref, const std::string& path) {
                if (!icons) return;
                if (m_fileIcons.size() <= size_t(ref.folder)) m_fileIcons.resize(size_t(ref.folder) + 1);
                std::vector<browse::Thumbnail>& inFolder = m_fileIcons[size_t(ref.folder)];
                if (inFolder.size() <= size_t(ref.file)) inFolder.resize(size_t(ref.file) + 1);
                inFolder[size_t(ref.file)] = fileIcon(path);
            });
        std::lock_guard<std::mutex> hold(progress->lock);
        progress->done = true;
    });

    QPointer<OpenMultipleDialog> alive(this);
    // A window destroyed meanwhile (its owner closing) ends the wait too; its
    // destructor has stopped and joined the worker.
    pollUntil(this, [this, progress] {
        QString status;
        bool done = false;
        {
            std::lock_guard<std::mutex> hold(progress->lock);
            done = progress->done;
            if (progress->started) status = walkStatusText(progress->count, progress->folder, progress->name);
        }
        if (!status.isEmpty()) m_status->setText(status);
        return done;
    });
    if (!alive) return;
    m_worker.join();
    m_scanning = false;
    m_scan->setText(tr("Search"));
    fillGroups();
    m_status->setText(tr("Finished!"));
}

void OpenMultipleDialog::fillGroups() {
    if (m_scanning) return; // the scanner is the worker's until the scan ends
    m_groups->blockSignals(true);
    m_groups->clear();
    if (m_scanner) {
        for (int32_t g : m_scanner->groupsWithAtLeast(size_t(std::max(1, m_minimum->value()))))
            m_groups->addItem(QString::asprintf("%04d", g + 1), g);
    }
    m_groups->setCurrentIndex(m_groups->count() > 0 ? 0 : -1);
    m_groups->blockSignals(false);
    showGroup();
}

void OpenMultipleDialog::showGroup() {
    m_files->clear();
    m_picture->clear();
    if (m_scanning || !m_scanner || m_groups->currentIndex() < 0) return;
    const int32_t g = m_groups->currentData().toInt();
    m_groups->setToolTip(QString::fromLatin1(m_scanner->groups()[size_t(g)].label.c_str()));
    for (const FileRef& ref : m_scanner->orderedFiles(g)) {
        const ScannedFile& f = m_scanner->file(ref);
        auto* row = new QTreeWidgetItem(m_files);
        row->setText(0, QString::fromLatin1(f.patientName.c_str()));
        row->setText(1, QString::fromLatin1(f.studyId.c_str()));
        row->setText(2, QString::fromLatin1(f.studyDate.c_str()));
        row->setText(3, QString::fromLatin1(f.modality.c_str()));
        row->setText(4, QString::fromStdString(f.frames));
        row->setText(5, displayPath(f.fileName));
        row->setData(0, Qt::UserRole, displayPath(m_scanner->pathOf(ref)));
        if (const browse::Thumbnail* icon = iconOf(ref))
            row->setIcon(0, QIcon(QPixmap::fromImage(thumbnailImage(*icon))));
    }
}

const browse::Thumbnail* OpenMultipleDialog::iconOf(FileRef ref) const {
    if (size_t(ref.folder) >= m_fileIcons.size()) return nullptr;
    const std::vector<browse::Thumbnail>& inFolder = m_fileIcons[size_t(ref.folder)];
    if (size_t(ref.file) >= inFolder.size() || inFolder[size_t(ref.file)].empty()) return nullptr;
    return &inFolder[size_t(ref.file)];
}

void OpenMultipleDialog::showPicture() {
    m_picture->clear();
    QTreeWidgetItem* row = m_files->currentItem();
    if (row == nullptr || !m_icons->isChecked()) return;
    DicomFile file;
    if (!file.openFile(localPath(row->data(0, Qt::UserRole).toString()).c_str(), false)) return;
    const browse::Thumbnail t = browse::makeThumbnail(file, 128, previewWindow());
    if (!t.empty()) m_picture->setPixmap(QPixmap::fromImage(thumbnailImage(t)));
}

void OpenMultipleDialog::openGroup(bool all) {
    if (m_scanning || !m_scanner || m_groups->currentIndex() < 0) return;
    const int32_t g = m_groups->currentData().toInt();
    QStringList paths;
    for (int i = 0; i < m_files->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_files->topLevelItem(i);
        if (all || row->isSelected()) paths << row->data(0, Qt::UserRole).toString();
    }
    if (paths.isEmpty()) return;
    const QString title = QString::fromLatin1(m_scanner->groups()[size_t(g)].label.c_str()) +
                          QStringLiteral(", %1").arg(paths.size());
    emit openRequested(paths, title);
}

void OpenMultipleDialog::reject() {
    if (m_scanning) {
        m_stop = true;
        return;
    }
    QDialog::reject();
}

} // namespace veltor
