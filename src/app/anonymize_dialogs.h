// The anonymization windows of the viewer: the "Attention!" warning, the
// burned-in annotation warning, "Anonymize Selected Files" and "Batch
// Anonymize". The copying itself is the engine's (export/anonymize_batch.h),
// the same code path as `veltor anonymize`.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include "export/anonymize_batch.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace veltor {

class SettingsStore;

// "Attention!": the critical-fields warning with "Do not show this message
// again"; closing it with the box checked sets "Attention" to 0.
class AttentionDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AttentionDialog(QWidget* parent = nullptr);
    QCheckBox* dontShowBox() const { return m_dontShow; }

    // Shows the warning when `options` make it due; writes "Attention" 0
    // when the box was checked.
    static void showIfDue(const AnonymizeOptions& options, SettingsStore& settings,
                          QWidget* parent);

  private:
    QCheckBox* m_dontShow = nullptr;
};

// The burned-in annotation warning for `source`; false when the user checked
// its "Do not show this message again" (which lasts for the run in hand).
bool showBurnedInWarning(const std::string& source, QWidget* parent);

// Shows the failure of one copy (its message text, with the stop icon when
// the source was not found).
void showAnonymizeFailure(const AnonymizeReport& report, QWidget* parent);

// What both batch windows share: the progress window with Cancel, the
// per-file messages and warnings, the run's state.
class AnonymizeRunWindow : public QDialog {
    Q_OBJECT
  public:
    AnonymizeRunWindow(SettingsStore& settings, QWidget* parent);
    bool running() const { return m_running; }
    // The progress window of the run in hand, or null.
    QProgressDialog* progress() const { return m_progress; }

  signals:
    // After each file of a run: `done` of `total`.
    void fileDone(int done, int total);
    void runFinished();

  protected:
    // The callbacks of a run with this window's progress and messages (the
    // window shows the critical-fields warning itself, before the run).
    AnonymizeBatchCallbacks callbacks(size_t total);
    // Before and after a run.
    void beginRun();
    void endRun(const BatchResult& result);
    // A copy was written (the batch window logs it).
    virtual void copied(const std::string& source, const AnonymizeReport& report);

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    SettingsStore& m_settings;

  private:
    bool m_running = false;
    bool m_burnedInWarnings = true;
    QPointer<QProgressDialog> m_progress;
};

// "Anonymize Selected Files": DICOM files of a scan directory into an export
// directory.
class AnonymizeSelectedDialog : public AnonymizeRunWindow {
    Q_OBJECT
  public:
    AnonymizeSelectedDialog(SettingsStore& settings, QWidget* parent = nullptr);

    QComboBox* scanDirectory() const { return m_scan; }
    QComboBox* exportDirectory() const { return m_export; }
    QCheckBox* searchSubdirectories() const { return m_subdirectories; }
    QCheckBox* loadIcons() const { return m_icons; }
    QCheckBox* useSuffix() const { return m_suffix; }
    QTreeWidget* fileList() const { return m_list; }
    QLabel* statusLine() const { return m_status; }
    QPushButton* anonymizeButton() const { return m_anonymize; }
    QPushButton* anonymizeAllButton() const { return m_anonymizeAll; }

    // Lists the DICOM files of `folder` (and of its subdirectories when
    // "Search Subdirectories" is on).
    void scan(const QString& folder);
    // "Anonymize" (the selected rows) or "Anonymize all", in list order.
    void anonymizeRows(bool all);

  private:
    void updateButtons();

    QComboBox* m_scan = nullptr;
    QComboBox* m_export = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_icons = nullptr;
    QCheckBox* m_suffix = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_anonymize = nullptr;
    QPushButton* m_anonymizeAll = nullptr;
};

// "Batch Anonymize": every DICOM file of a directory tree, each copy beside
// its source.
class BatchAnonymizeDialog : public AnonymizeRunWindow {
    Q_OBJECT
  public:
    BatchAnonymizeDialog(SettingsStore& settings, QWidget* parent = nullptr);

    QLineEdit* directory() const { return m_directory; }
    QCheckBox* includeSubdirectories() const { return m_subdirectories; }
    QCheckBox* overwritePrompt() const { return m_overwrite; }
    QPlainTextEdit* log() const { return m_log; }
    QPushButton* anonymizeButton() const { return m_anonymize; }
    QPushButton* closeButton() const { return m_close; }

    // "Anonymize": nothing while a run is in progress.
    void anonymize();

  protected:
    void copied(const std::string& source, const AnonymizeReport& report) override;

  private:
    QLineEdit* m_directory = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_anonymize = nullptr;
    QPushButton* m_close = nullptr;
    QString m_logText;
};

} // namespace veltor
