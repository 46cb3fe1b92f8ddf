// FolderTree: the file system as a tree filled on demand, with folders (and,
// when asked, files) under each node.
#pragma once

#include <QString>
#include <QTreeWidget>

namespace veltor {

class FolderTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit FolderTree(QWidget* parent = nullptr);

    // Whether files are listed beside the folders.
    void setListFiles(bool on) { m_listFiles = on; }
    bool listFiles() const { return m_listFiles; }
    // Removes every node; then one root per file-system root ("/"), or the
    // node of `root` when given. False (lastError set) when `root` is not a
    // folder.
    bool fill(const QString& root = QString());
    // Expands the nodes down to `path` and selects the last one; false when
    // the path does not begin at a root or the folder does not exist.
    bool selectPath(const QString& path);
    // The path of a node: the labels from the root down joined by '/'.
    QString fullPath(const QTreeWidgetItem* item) const;
    bool isFolder(const QTreeWidgetItem* item) const;
    const QString& lastError() const { return m_error; }

  private:
    void expandNode(QTreeWidgetItem* item);
    void collapseNode(QTreeWidgetItem* item);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& label, const QString& path,
                             bool folder);
    bool hasSomethingToShow(const QString& folder) const;

    bool m_listFiles = false;
    QString m_error;
};

} // namespace veltor
