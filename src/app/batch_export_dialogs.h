// The batch conversion windows: "Batch Export" (every DICOM file of a
// directory tree, outputs beside each file) and "Batch Convert" (files
// picked from a scanned folder into one export directory). Both convert
// through the same code as `veltor convert`.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "export/batch_convert.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QPlainTextEdit;
class QPushButton;

namespace veltor {

class SettingsStore;

// What both windows share: the run with its progress window and Cancel,
// the overwrite question and the per-file messages.
class ConvertRunWindow : public QDialog {
    Q_OBJECT
  public:
    ConvertRunWindow(SettingsStore& settings, bool anonymizeExports, QWidget* parent);
    bool running() const { return m_running; }

  protected:
    // Converts `files` (into `outputDirectory`, or beside each when empty)
    // in the format of `formatIndex` ("TIFF", "JPEG", "BMP", "HTML", "RAW").
    ConvertRunResult run(const std::vector<std::string>& files, const std::string& outputDirectory, int formatIndex,
                         ConvertCommand command, bool overwritePrompt);
    // A file was converted.
    virtual void converted(const std::string&) {}
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    SettingsStore& m_settings;

  private:
    bool m_anonymizeExports;
    bool m_running = false;
};

class BatchExportDialog : public ConvertRunWindow {
    Q_OBJECT
  public:
    BatchExportDialog(SettingsStore& settings, bool anonymizeExports, QWidget* parent = nullptr);
    QLineEdit* directory() const { return m_directory; }
    QCheckBox* includeSubdirectories() const { return m_subdirectories; }
    QCheckBox* overwritePrompt() const { return m_overwrite; }
    QComboBox* format() const { return m_format; }
    QPlainTextEdit* log() const { return m_log; }
    // "Export": nothing while a run is in progress.
    void exportFiles();

  protected:
    void converted(const std::string& source) override;

  private:
    QLineEdit* m_directory = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QComboBox* m_format = nullptr;
    QPlainTextEdit* m_log = nullptr;
};

class ExportSelectedDialog : public ConvertRunWindow {
    Q_OBJECT
  public:
    ExportSelectedDialog(SettingsStore& settings, bool anonymizeExports, QWidget* parent = nullptr);
    QComboBox* scanDirectory() const { return m_scan; }
    QComboBox* exportDirectory() const { return m_export; }
    QComboBox* format() const { return m_format; }
    QTreeWidget* fileList() const { return m_list; }
    void scan(const QString& folder);
    // "Export": the selected rows, in list order.
    void exportRows();

  private:
    void updateButtons();
    QComboBox* m_scan = nullptr;
    QComboBox* m_export = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_icons = nullptr;
    QTreeWidget* m_list = nullptr;
    QComboBox* m_format = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_viewHeader = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace veltor
