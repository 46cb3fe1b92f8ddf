// "Open File" (Open by Header): a folder and file tree, the header of the
// selected file by topic, an optional picture of its first frame, and Open.
#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace veltor {

class DicomFile;
class DicomTagsWidget;
class FolderTree;

class OpenByHeaderDialog : public QDialog {
    Q_OBJECT
  public:
    OpenByHeaderDialog(const QString& startFolder, QWidget* parent = nullptr);
    ~OpenByHeaderDialog() override;
    // Shows the header of `path`; false (list cleared, Open disabled) when
    // the file cannot be read.
    bool selectFile(const QString& path);
    QString selectedPath() const { return m_path; }
    DicomTagsWidget* tags() const { return m_tags; }
    bool openEnabled() const;

  private:
    void showPreview();

    FolderTree* m_tree = nullptr;
    DicomTagsWidget* m_tags = nullptr;
    QCheckBox* m_previewBox = nullptr;
    QLabel* m_preview = nullptr;
    QPushButton* m_open = nullptr;
    std::unique_ptr<DicomFile> m_file;
    QString m_path;
};

} // namespace veltor
