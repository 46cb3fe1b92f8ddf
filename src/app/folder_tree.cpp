#include "folder_tree.h"

#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>

#include <string>
#include <vector>

#include "app/browse_support.h"
#include "browse/natural_sort.h"

namespace veltor {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
const char kPlaceholder[] = "...";

QStringList sortedNames(QStringList names) {
    std::vector<std::string> raw;
    for (const QString& n : names)
        raw.push_back(localPath(n));
    browse::naturalSort(raw);
    QStringList out;
    for (const std::string& r : raw)
        out << displayPath(r);
    return out;
}

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::expandNode);
    connect(this, &QTreeWidget::itemCollapsed, this, &FolderTree::collapseNode);
}

bool FolderTree::hasSomethingToShow(const QString& folder) const {
    // Hidden entries are left out, as the file managers of this desktop do.
    const QDir::Filters filters =
        QDir::Dirs | QDir::NoDotAndDotDot | (m_listFiles ? QDir::Files : QDir::Filters());
    QDirIterator it(folder, filters);
    return it.hasNext();
}

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const QString& label,
                                     const QString& path, bool folder) {
    static const QFileIconProvider icons;
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, label);
    item->setData(0, kPathRole, path);
    item->setData(0, kFolderRole, folder);
    item->setIcon(0, icons.icon(folder ? QFileIconProvider::Folder : QFileIconProvider::File));
    if (folder && hasSomethingToShow(path))
        new QTreeWidgetItem(item, QStringList(QString::fromLatin1(kPlaceholder)));
    return item;
}

bool FolderTree::fill(const QString& root) {
    clear();
    m_error.clear();
    if (root.isEmpty()) {
        addNode(nullptr, QStringLiteral("/"), QStringLiteral("/"), true);
        return true;
    }
    const QFileInfo info(root);
    if (!info.isDir()) {
        m_error = tr("%1 is not a folder").arg(root);
        return false;
    }
    QTreeWidgetItem* node =
        addNode(nullptr, info.absoluteFilePath(), info.absoluteFilePath(), true);
    node->setExpanded(true);
    return true;
}

void FolderTree::expandNode(QTreeWidgetItem* item) {
    if (!isFolder(item)) return;
    const QString folder = item->data(0, kPathRole).toString();
    setUpdatesEnabled(false);
    qDeleteAll(item->takeChildren());
    const QDir dir(folder);
    for (const QString& name : sortedNames(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)))
        addNode(item, name, dir.filePath(name), true);
    if (m_listFiles)
        for (const QString& name : sortedNames(dir.entryList(QDir::Files)))
            addNode(item, name, dir.filePath(name), false);
    setUpdatesEnabled(true);
}

void FolderTree::collapseNode(QTreeWidgetItem* item) {
    if (!isFolder(item)) return;
    qDeleteAll(item->takeChildren());
    if (hasSomethingToShow(item->data(0, kPathRole).toString()))
        new QTreeWidgetItem(item, QStringList(QString::fromLatin1(kPlaceholder)));
}

bool FolderTree::selectPath(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo(clean).exists()) return false;
    for (int r = 0; r < topLevelItemCount(); ++r) {
        QTreeWidgetItem* node = topLevelItem(r);
        const QString rootPath = node->data(0, kPathRole).toString();
        if (!clean.toUpper().startsWith(rootPath.toUpper())) continue;
        QString rest = clean.mid(rootPath.size());
        const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            node->setExpanded(true);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < node->childCount() && next == nullptr; ++i)
                if (node->child(i)->text(0).toUpper() == part.toUpper()) next = node->child(i);
            if (next == nullptr) break;
            node = next;
        }
        setCurrentItem(node);
        scrollToItem(node);
        return true;
    }
    return false;
}

QString FolderTree::fullPath(const QTreeWidgetItem* item) const {
    return item != nullptr ? item->data(0, kPathRole).toString() : QString();
}

bool FolderTree::isFolder(const QTreeWidgetItem* item) const {
    return item != nullptr && item->data(0, kFolderRole).toBool();
}

} // namespace veltor
