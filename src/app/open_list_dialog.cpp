#include "open_list_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

#include "app/browse_support.h"
#include "app/dicom_file_listing.h"
#include "app/dicom_tags_widget.h"
#include "app/folder_tree.h"
#include "browse/thumbnail.h"
#include "dicom/dicom_file.h"
#include "settings/settings_keys.h"

namespace veltor {

bool readPathList(const QString& file, QStringList& paths) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return false;
    paths.clear();
    while (!in.atEnd()) {
        QByteArray line = in.readLine(1 << 16);
        while (!line.isEmpty() && (line.endsWith('\n') || line.endsWith('\r')))
            line.chop(1);
        if (!line.isEmpty()) paths << QFile::decodeName(line);
    }
    return true;
}

bool writePathList(const QString& file, const QStringList& paths) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (const QString& p : paths) {
        out.write(QFile::encodeName(p));
        out.write("\n");
    }
    return out.flush();
}

OpenListDialog::OpenListDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Open List"));
    m_tree = new FolderTree(this);
    m_tree->setListFiles(true);
    m_tree->fill();
    const QString current = displayPath(settings::currentWorkingDirectory(m_settings));
    m_tree->selectPath(current.isEmpty() ? QDir::currentPath() : current);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_treePreview = new QCheckBox(tr("Show Preview"), this);
    m_listPreview = new QCheckBox(tr("Show Preview"), this);
    m_treePicture = new QLabel(this);
    m_listPicture = new QLabel(this);
    for (QLabel* p : {m_treePicture, m_listPicture}) {
        p->setFixedSize(128, 128);
        p->setAlignment(Qt::AlignCenter);
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    auto* add = new QPushButton(tr("Add >>"), this);
    auto* remove = new QPushButton(tr("<< Remove"), this);
    auto* treeHeader = new QPushButton(tr("<< View Header..."), this);
    auto* listHeader = new QPushButton(tr("View Header...>>"), this);
    m_single = new QCheckBox(tr("Open as single"), this);
    auto* openList = new QPushButton(tr("Open List..."), this);
    auto* saveList = new QPushButton(tr("Save List..."), this);
    auto* open = new QPushButton(tr("Open"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    open->setDefault(true);

    auto* left = new QVBoxLayout;
    left->addWidget(m_tree, 1);
    left->addWidget(m_treePreview);
    left->addWidget(m_treePicture);
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{add, remove, treeHeader, listHeader, m_single})
        middle->addWidget(w);
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_list, 1);
    right->addWidget(m_listPreview);
    right->addWidget(m_listPicture);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openList);
    buttons->addWidget(saveList);
    buttons->addStretch(1);
    buttons->addWidget(open);
    buttons->addWidget(cancel);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(middle);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(820, 560);

    connect(add, &QPushButton::clicked, this, &OpenListDialog::addFromTree);
    connect(remove, &QPushButton::clicked, this, &OpenListDialog::removeChosen);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { addFromTree(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] {
        const QTreeWidgetItem* item = m_tree->currentItem();
        showPreview(m_treePicture, m_tree->isFolder(item) ? QString() : m_tree->fullPath(item),
                    m_treePreview->isChecked());
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        const QListWidgetItem* item = m_list->currentItem();
        showPreview(m_listPicture, item != nullptr ? item->text() : QString(),
                    m_listPreview->isChecked());
    });
    auto header = [this](const QString& path) {
        if (path.isEmpty()) return;
        DicomFile file;
        if (!file.openFile(localPath(path).c_str(), true)) {
            QMessageBox::information(this, windowTitle(),
                                     tr("%1 is not a file that can be read.").arg(path));
            return;
        }
        DicomTagsDialog dialog(file, path, this);
        dialog.exec();
    };
    connect(treeHeader, &QPushButton::clicked, this, [this, header] {
        const QTreeWidgetItem* item = m_tree->currentItem();
        if (item != nullptr && !m_tree->isFolder(item)) header(m_tree->fullPath(item));
    });
    connect(listHeader, &QPushButton::clicked, this, [this, header] {
        if (m_list->currentItem() != nullptr) header(m_list->currentItem()->text());
    });
    connect(openList, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, tr("Open List..."), QString(), tr("File lists (*.txt *.lst);;All Files (*)"));
        if (!file.isEmpty() && !loadList(file))
            QMessageBox::warning(this, windowTitle(), tr("The list %1 cannot be read.").arg(file));
    });
    connect(saveList, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getSaveFileName(
            this, tr("Save List..."), QString(), tr("File lists (*.txt *.lst);;All Files (*)"));
        if (!file.isEmpty() && !writePathList(file, chosenPaths()))
            QMessageBox::warning(this, windowTitle(),
                                 tr("The list %1 cannot be written.").arg(file));
    });
    connect(open, &QPushButton::clicked, this, [this] {
        if (m_list->count() == 0) addFromTree();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void OpenListDialog::addFromTree() {
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (item == nullptr) return;
    const QString path = m_tree->fullPath(item);
    QStringList files;
    if (m_tree->isFolder(item)) {
        const QDir dir(path);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            files << dir.filePath(name);
    } else {
        files << path;
    }
    for (const QString& f : files)
        if (m_list->findItems(f, Qt::MatchExactly).isEmpty()) m_list->addItem(f);
}

void OpenListDialog::removeChosen() {
    qDeleteAll(m_list->selectedItems());
}

bool OpenListDialog::loadList(const QString& file) {
    QStringList paths;
    if (!readPathList(file, paths)) return false;
    m_list->clear();
    m_list->addItems(paths);
    return true;
}

QStringList OpenListDialog::chosenPaths() const {
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out << m_list->item(i)->text();
    return out;
}

bool OpenListDialog::openAsSingle() const {
    return m_single->isChecked();
}

void OpenListDialog::showPreview(QLabel* picture, const QString& path, bool on) {
    picture->clear();
    if (!on || path.isEmpty()) return;
    DicomFile file;
    if (!file.openFile(localPath(path).c_str(), false)) return;
    const browse::Thumbnail t = browse::makeThumbnail(file, 128, previewWindow());
    if (!t.empty()) picture->setPixmap(QPixmap::fromImage(thumbnailImage(t)));
}

} // namespace veltor
