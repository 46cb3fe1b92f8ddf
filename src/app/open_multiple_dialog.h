// "Open Multiple Files": a folder's DICOM files grouped into images by chosen
// header keys; a whole group, or chosen files of it, open as one document.
#pragma once

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "browse/thumbnail.h"
#include "document/series_grouping.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace veltor {

class SettingsStore;

class OpenMultipleDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OpenMultipleDialog(SettingsStore& settings, QWidget* parent = nullptr);
    ~OpenMultipleDialog() override;

    QLineEdit* folderEdit() const { return m_folder; }
    QComboBox* groupBox() const { return m_groups; }
    QTreeWidget* fileList() const { return m_files; }
    QSpinBox* minimumFiles() const { return m_minimum; }
    QLabel* statusLine() const { return m_status; }
    QCheckBox* subdirectories() const { return m_subdirectories; }
    QCheckBox* loadIcons() const { return m_icons; }
    const SeriesScanner* scanner() const { return m_scanner.get(); }

    // The scan button: stops a running scan or scans the folder. The folder
    // is walked on a worker thread (with "Load Icons", a small picture of
    // each file is made there too) while this window keeps answering.
    void scanOrStop();
    // "Open all" (every file of the group) or "Open Selected".
    void openGroup(bool all);

  signals:
    void openRequested(const QStringList& paths, const QString& title);

  protected:
    void reject() override;

  private:
    void fillGroups();
    void showGroup();
    void showPicture();
    GroupingKeys tickedKeys() const;
    const browse::Thumbnail* iconOf(FileRef ref) const;

    SettingsStore& m_settings;
    std::unique_ptr<SeriesScanner> m_scanner;
    // Per folder and file of the scanner, the icons "Load Icons" made.
    std::vector<std::vector<browse::Thumbnail>> m_fileIcons;
    std::thread m_worker; // the scanner and the icons are its own while it runs
    bool m_scanning = false;
    std::atomic<bool> m_stop{false};
    QLineEdit* m_folder = nullptr;
    QPushButton* m_scan = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_icons = nullptr;
    QCheckBox* m_keys[settings::kGroupingKeyCount] = {};
    QComboBox* m_groups = nullptr;
    QSpinBox* m_minimum = nullptr;
    QTreeWidget* m_files = nullptr;
    QLabel* m_picture = nullptr;
    QPushButton* m_viewHeader = nullptr;
    QPushButton* m_openAll = nullptr;
    QPushButton* m_openSelected = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace veltor
