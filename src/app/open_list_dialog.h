// "Open List": files picked from a folder tree into a list that can be saved,
// loaded again (one path per line) and opened as separate documents or as one.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QListWidget;

namespace veltor {

class FolderTree;
class SettingsStore;

// A list file: one path per line; empty lines are skipped, a trailing '\r'
// is dropped. False when the file cannot be read.
bool readPathList(const QString& file, QStringList& paths);
bool writePathList(const QString& file, const QStringList& paths);

class OpenListDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OpenListDialog(SettingsStore& settings, QWidget* parent = nullptr);

    QStringList chosenPaths() const;
    bool openAsSingle() const;
    FolderTree* tree() const { return m_tree; }
    QListWidget* list() const { return m_list; }
    // "Add >>": the file chosen in the tree, or every file of a chosen folder.
    void addFromTree();
    void removeChosen();
    bool loadList(const QString& file);

  private:
    void showPreview(QLabel* picture, const QString& path, bool on);
    SettingsStore& m_settings;
    FolderTree* m_tree = nullptr;
    QListWidget* m_list = nullptr;
    QCheckBox* m_treePreview = nullptr;
    QCheckBox* m_listPreview = nullptr;
    QLabel* m_treePicture = nullptr;
    QLabel* m_listPicture = nullptr;
    QCheckBox* m_single = nullptr;
};

} // namespace veltor
