// The windows over a DicomFileList: "Directory Contents" (a folder's DICOM
// files with their key values and thumbnails) and "Search..." (the files of a
// folder tree whose headers match six criteria).
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <thread>

#include "browse/dicom_file_list.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace veltor {

class SettingsStore;

class FileListDialog : public QDialog {
    Q_OBJECT
  public:
    enum class Mode { Contents, Search };
    using OpenFile = std::function<void(const QString& path)>;

    FileListDialog(Mode mode, SettingsStore& settings, OpenFile open, QWidget* parent = nullptr);
    ~FileListDialog() override;

    Mode mode() const { return m_mode; }
    QComboBox* folderBox() const { return m_folders; }
    QTreeWidget* list() const { return m_list; }
    QLabel* statusLine() const { return m_status; }
    QPushButton* scanButton() const { return m_scan; }
    QPushButton* openButton() const { return m_open; }
    QCheckBox* subdirectories() const { return m_subdirectories; }
    QCheckBox* loadIcons() const { return m_icons; }
    // The six criteria fields of the Search window (null in Directory Contents).
    QLineEdit* criterion(int index) const {
        return index >= 0 && index < 6 ? m_criteria[index] : nullptr;
    }
    bool scanning() const { return m_fileList.scanning(); }
    const browse::DicomFileList& fileList() const { return m_fileList; }

    // The Stop/Refresh (Search) button: stops a running scan, or starts one.
    void scanOrStop();
    // Adds a folder to the combo (unless held, without regard to case),
    // selects it and shows its cached rows.
    void addFolder(const QString& folder);
    // Opens the selected rows in list order.
    void openSelected();
    // The full paths of the selected rows, in list order.
    QStringList selectedPaths() const;

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void runScan();
    void showFolder(const QString& folder);
    void addRow(const browse::DirectoryRecord& record, const browse::FileListItem& item,
                bool icons);
    void updateButtons();
    void closeWindow();

    Mode m_mode;
    SettingsStore& m_settings;
    OpenFile m_openFile;
    browse::DicomFileList m_fileList;
    browse::SearchCriteria m_searchCriteria;
    QString m_savedWorkingFolder;
    QComboBox* m_folders = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_scan = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_close = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_icons = nullptr;
    QLineEdit* m_criteria[6] = {};
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_wait = nullptr;
    // The walk runs here so that slow files (a long cine's thumbnail) never
    // stall the window; rows arrive in walk order, as a sequential scan gives them.
    std::thread m_worker;
};

} // namespace veltor
