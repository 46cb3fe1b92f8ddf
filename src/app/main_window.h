// CMainFrame: the main window with the document windows, menus, toolbars and
// status bar.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "document/custom_palettes.h"
#include "view/image_view_model.h"
#include "view/window_arrangement.h"

class QAction;
class QComboBox;
class QToolBar;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace veltor {

class CChildFrame;
class PreviewDialog;
class CKelvoDoc;
class ExportCommands;
class ImageBuffer;
class OverlayActions;
class UtilityActions;
class QSettingsStore;
class QtDocumentUi;
class UserOptions;
class WindowToolDock;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    CMainFrame(QSettingsStore& settings, UserOptions& options, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // A grey value of the status bar with its unit when not HU
    // (main_window_display.cpp).
    static QString valueReadout(CKelvoDoc& doc, int32_t value);
    // Opens one file as a document window; false (message shown, no window
    // left) when it cannot be read.
    bool openFile(const QString& path);
    // The document window that has the focus, or null.
    CChildFrame* activeChild() const;
    QMdiArea* mdiArea() const { return m_mdi; }
    const QStringList& recentFiles() const { return m_recent; }
    WindowToolDock* windowTool() const { return m_windowTool; }
    // The zoom box's text ("%.2f%%" of the active view's zoom).
    QString zoomBoxText() const;
    // Status pane texts, left to right after the message pane.
    QStringList statusTexts() const;
    // Frames shown by the last (or current) movie.
    int framesPlayed() const { return m_framesPlayed; }
    // Saves the window layout and the user options (done on close too).
    void saveState();
    // Makes the folder of an opened file current in the navigation bar.
    void syncToOpenedFile(const QString& path);
    // One document from several files (unreadable ones skipped), titled `title`.
    bool openPathList(const QStringList& paths, const QString& title);
    // "Anonymize current file" into `target` without the save dialog; false
    // (message shown) when no copy was written.
    bool anonymizeCurrentFileTo(const QString& target);
    // Preferences confirmed: the options take `edited`'s values, the main
    // background repaints, and every open document takes the document
    // background, the colours of new items and the rulers' colour.
    void applyPreferences(const UserOptions& edited);
    // Shows the window maximised over the screen's available area (also where
    // no window manager carries out the request).
    void showAtStart();
    // Window menu: the document windows that are not minimised tiled over the
    // area, and the minimised ones lined up along its bottom edge.
    void tileDocuments(TileDirection direction);
    void arrangeDocumentIcons();

  public slots:
    void updateStatus();
    void updateActions();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void setCommandIcons();
    void addRecent(const QString& path);
    void rebuildRecentMenu();
    void openDialog();
    CChildFrame* addChild(std::unique_ptr<CKelvoDoc> doc);
    void stepFrame(int how);
    void playMovie(bool reverse);
    // Image and Edit menus (main_window_image.cpp).
    void createImageActions(QMenu* edit, QMenu* image);
    // On `target`, or the active document window when null.
    void runImageCommand(const std::function<int(ImageBuffer&)>& operation, CChildFrame* target = nullptr);
    void undoRedo(bool redo);
    void updateImageActions();
    void loadCustomPalettes();
    void rebuildCustomMenu();
    void customRotation();

    // Image > Filters and Image > FFT Filters (main_window_filters.cpp).
    void createFilterActions(QMenu* image);
    // Runs a dialog that previews on the current frame, then records the
    // result and repeats it on the other frames with "Apply to all".
    void runPreviewDialog(const std::function<PreviewDialog*(ImageBuffer&, std::function<void()>)>& makeDialog);
    // Zoom menu, tools and zoom box (main_window_zoom.cpp).
    void createZoomActions(QMenu* zoom, QMenu* tools, QToolBar* bar);
    void updateZoomActions();
    // Anonymize submenu and "Anonymized copies and exports" (main_window_anonymize.cpp).
    void createAnonymizeActions(QMenu* file, QMenu* options);
    void updateAnonymizeActions();
    // Annotations, measurements, selection, crop, rulers and statistics
    // (main_window_overlays.cpp).
    void createOverlayActions(QMenu* edit, QMenu* view, QMenu* options, QMenu* tools, QMenu* image);
    void addOverlayToolButtons();
    void updateOverlayActions();
    void connectOverlayView(CChildFrame* frame);
    // Folder navigation, search, open dialogs, Internet and clipboard
    // (main_window_browse.cpp).
    struct BrowseState;
    void createBrowseActions(QMenu* file);
    void createBrowseToolBars();
    void updateBrowseActions();
    void refillNavigationBar();
    void selectNavigationFolder(const QString& folder);
    void stepFile(int how);
    void openFromInternet();
    void pasteImage();

    // Preferences, Calculator, About, System Info (main_window_prefs.cpp).
    void createUtilityActions(QMenu* options, QMenu* tools, QMenu* help);
    void addUtilityToolButtons(QToolBar* file, QToolBar* view);
    void updateUtilityActions(bool hasDocument);
    void startCalculator();
    void arrangeDefaultToolBars(int width);
    void reportSettingsWriteFailure();

    QSettingsStore& m_settings;
    UserOptions& m_options;
    std::unique_ptr<QtDocumentUi> m_ui;
    QMdiArea* m_mdi = nullptr;
    QStringList m_recent;

    QMenu* m_recentMenu = nullptr;
    std::vector<QAction*> m_documentMenus;
    QMenu* m_barsMenu = nullptr;
    QToolBar* m_zoomBar = nullptr;
    QAction* m_open = nullptr;
    QAction* m_openByHeader = nullptr;
    QAction* m_close = nullptr;
    QAction* m_reload = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
    QAction* m_movie = nullptr;
    QAction* m_reverseMovie = nullptr;
    QAction* m_videoSetup = nullptr;
    QAction* m_allFrames = nullptr;
    QAction* m_singleFrame = nullptr;
    QAction* m_header = nullptr;
    QAction* m_cascade = nullptr;
    QAction* m_tileHorizontally = nullptr;
    QAction* m_tileVertically = nullptr;
    QAction* m_arrangeIcons = nullptr;
    QAction* m_applyToAll = nullptr;
    std::vector<QLabel*> m_panes;
    WindowToolDock* m_windowTool = nullptr;
    QAction* m_contactAuthor = nullptr;
    QAction* m_webSite = nullptr;
    QToolBar* m_viewBar = nullptr;
    QToolBar* m_toolPalette = nullptr;
    QAction* m_panHand = nullptr;
    QAction* m_levelWindowTool = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_rgb = nullptr;
    QAction* m_greyWeighted = nullptr;
    QAction* m_extractPalette = nullptr;
    QAction* m_viewPalettes = nullptr;
    QAction* m_brightnessContrast = nullptr;
    QAction* m_thresholding = nullptr;
    std::vector<QAction*> m_paletteActions; // 0 .. 10
    std::vector<QAction*> m_imageCommands;  // enabled while a frame is shown
    QMenu* m_customMenu = nullptr;
    std::vector<PaletteBlock> m_customPalettes;
    int m_lastCustom = -1;
    std::vector<std::pair<QAction*, ViewTool>> m_toolActions;
    std::vector<std::pair<QAction*, std::function<bool(ImageViewModel&)>>> m_zoomCommands;
    QComboBox* m_zoomBox = nullptr;
    bool m_playing = false;
    OverlayActions* m_overlayActions = nullptr;
    int m_framesPlayed = 0;
    QAction* m_anonymizeCurrent = nullptr;
    QAction* m_anonymizedExports = nullptr;
    UtilityActions* m_utilities = nullptr;
    std::shared_ptr<BrowseState> m_browse; // shared: complete only in main_window_browse.cpp
    // Export, copy, print and video commands (export_commands.cpp).
    ExportCommands* m_exportCommands = nullptr;

  public:
    ExportCommands* exportCommands() const { return m_exportCommands; }
};

} // namespace veltor
