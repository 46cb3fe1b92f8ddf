// The export, copy, print and video commands of the main window: File's
// Export submenu, Print, Print Preview, Print Setup and Page Setup, and
// Edit's Copy Frame and rich-text copies. Each acts on the active document
// window.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "export/frame_export.h"
#include "export/rtf_report.h"

class QAction;
class QMenu;
class QPrinter;
class QToolBar;

namespace veltor {

class CChildFrame;
class CMainFrame;
class SettingsStore;
struct VideoState;

class ExportCommands : public QObject {
    Q_OBJECT
  public:
    ExportCommands(CMainFrame& frame, SettingsStore& settings);
    ~ExportCommands() override;

    // Adds the commands to the File and Edit menus; `before` is the File
    // entry they go in front of.
    void addToMenus(QMenu* file, QAction* before, QMenu* edit);
    void addToToolBar(QToolBar* file);
    void update();

    // The commands without their file dialogs (the dialogs call these).
    // Each shows its failure message and returns false when nothing was written.
    bool exportFrameFile(ExportFormat format, const QString& path);
    bool exportHtmlPage(const QString& path);
    // The video of the document's video state with these settings.
    struct VideoRun {
        double frameTime = 0.0;
        bool scale = false;
        int method = 0;
        bool motionJpeg = false;
        int jpegQuality = 90;
    };
    bool writeVideo(const QString& path, const VideoRun& run);
    bool copyFrame();
    bool copyReport(RtfVariant variant, const std::vector<int>& frames = {});
    // The printer Print, Print Preview and Print Setup share.
    QPrinter& printer();

    QAction* action(const char* objectName) const;

  private:
    CChildFrame* child() const;
    void exportSingle(ExportFormat format);
    void exportHtml();
    void exportAvi();
    void copySelected();
    void print();
    void printPreview();
    void printSetup();
    void pageSetup();
    void batchConvert();
    void exportSelectedFiles();

    CMainFrame& m_frame;
    SettingsStore& m_settings;
    std::unique_ptr<QPrinter> m_printer;
    std::vector<QAction*> m_documentActions; // enabled with a frame
    QAction* m_exportFrames = nullptr;
    QAction* m_exportAvi = nullptr;
    QAction* m_copyAllFrames = nullptr;
    QAction* m_pageSetup = nullptr;
    QAction* m_print = nullptr;
    QAction* m_printPreview = nullptr;
    QAction* m_printSetup = nullptr;
    QAction* m_batchConvert = nullptr;
    QAction* m_exportSelected = nullptr;
};

} // namespace veltor
