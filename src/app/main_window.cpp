#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QDesktopServices>
#include <QUrl>

#include "app/app_icons.h"
#include "app/child_frame.h"
#include "app/dicom_file_listing.h"
#include "app/export_commands.h"
#include "app/mdi_background.h"
#include "app/header_grid.h"
#include "app/image_view.h"
#include "app/qt_document_ui.h"
#include "app/video_speed_dialog.h"
#include "app/frames_dialog.h"
#include "app/open_by_header_dialog.h"
#include "view/view_document.h"
#include "app/window_tool.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"

namespace veltor {

namespace {

constexpr int kRecentCount = settings::kRecentFileCount;
const char* const kPaneSamples[] = {"filename.dcm", "00/00/0000", "000000KB", "0000x0000", "000 (000)",
                                    "000", "XPos", "YPos", "R:000 G:000 B:000"};

// Where Help's "Contact Author" and "Viewer's Web Site" lead.
constexpr const char* kContactAddress = "mailto:dicom-viewer@veltor.org";
constexpr const char* kWebSiteAddress = "https://veltor.org/dicom-viewer/";

QColor fromColourRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

} // namespace

CMainFrame::CMainFrame(QSettingsStore& settings, UserOptions& options, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_options(options) {
    setWindowTitle(QStringLiteral("Veltor Dicom Viewer"));
    setObjectName(QStringLiteral("CMainFrame"));
    m_ui = std::make_unique<QtDocumentUi>(this);
    auto* area = new MdiBackgroundArea(this);
    area->setBackgroundMode(m_options.bgImage(), fromColourRef(m_options.mainBgColor()));
    m_mdi = area;
    setCentralWidget(m_mdi);
    setAcceptDrops(true);
    for (const std::string& f : settings::recentFiles(m_settings)) m_recent << QString::fromStdString(f);
    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    setCommandIcons();
    setPreviewsKeepFileWindow(m_options.keepFileWindow());
    m_windowTool = new WindowToolDock(m_settings, m_options, this);
    addDockWidget(Qt::RightDockWidgetArea, m_windowTool);
    m_barsMenu->addAction(m_windowTool->toggleViewAction());
    connect(m_windowTool, &WindowToolDock::windowApplied, this, [this] {
        updateActions();
        updateStatus();
    });
    const std::string layout = m_settings.readText("Bars", "State", "");
    if (!layout.empty()) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(layout)));
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        updateActions();
        updateStatus();
    });
    updateActions();
    updateStatus();
}

CMainFrame::~CMainFrame() {
    // Closing the document windows during destruction activates others; the
    // status panes may already be gone by then.
    disconnect(m_mdi, nullptr, this, nullptr);
    m_panes.clear();
    m_mdi->closeAllSubWindows();
}

void CMainFrame::createActions() {
    m_open = new QAction(tr("&Open..."), this);
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_open, &QAction::triggered, this, &CMainFrame::openDialog);

    m_openByHeader = new QAction(tr("Open by &Header..."), this);
    connect(m_openByHeader, &QAction::triggered, this, [this] {
        OpenByHeaderDialog dialog(QString::fromStdString(settings::currentWorkingDirectory(m_settings)), this);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedPath().isEmpty()) return;
        const QString path = dialog.selectedPath();
        auto doc = std::make_unique<CKelvoDoc>(m_settings, m_options, *m_ui);
        // The file opens as a one-file list, titled with its name.
        if (!doc->loadFromPaths({path.toStdString()}, QFileInfo(path).fileName().toStdString())) return;
        addChild(std::move(doc));
    });

    m_close = new QAction(tr("&Close"), this);
    m_close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(m_close, &QAction::triggered, this, [this] { m_mdi->closeActiveSubWindow(); });

    m_reload = new QAction(tr("Relo&ad"), this);
    connect(m_reload, &QAction::triggered, this, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr || child->document().sourcePaths().empty()) return;
        const std::vector<std::string> paths = child->document().sourcePaths();
        const std::string title = child->document().title();
        auto doc = std::make_unique<CKelvoDoc>(m_settings, m_options, *m_ui);
        const bool ok = paths.size() == 1 ? doc->openDocument(paths.front()) : doc->loadFromPaths(paths, title);
        if (!ok) return;
        m_mdi->closeActiveSubWindow();
        addChild(std::move(doc));
    });

    m_exit = new QAction(tr("E&xit"), this);
    m_exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    connect(m_exit, &QAction::triggered, this, &QWidget::close);

    m_first = new QAction(tr("&First Frame"), this);
    connect(m_first, &QAction::triggered, this, [this] { stepFrame(0); });
    m_previous = new QAction(tr("&Previous Frame"), this);
    m_previous->setShortcut(QKeySequence(Qt::Key_Left));
    connect(m_previous, &QAction::triggered, this, [this] { stepFrame(1); });
    m_next = new QAction(tr("&Next Frame"), this);
    m_next->setShortcut(QKeySequence(Qt::Key_Right));
    connect(m_next, &QAction::triggered, this, [this] { stepFrame(2); });
    m_last = new QAction(tr("&Last Frame"), this);
    m_last->setShortcut(QKeySequence(Qt::Key_Down));
    connect(m_last, &QAction::triggered, this, [this] { stepFrame(3); });
    m_movie = new QAction(tr("&Movie"), this);
    m_movie->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_M));
    m_movie->setCheckable(true);
    connect(m_movie, &QAction::triggered, this, [this] { playMovie(false); });
    m_reverseMovie = new QAction(tr("&Reverse Movie"), this);
    m_reverseMovie->setCheckable(true);
    connect(m_reverseMovie, &QAction::triggered, this, [this] { playMovie(true); });

    m_videoSetup = new QAction(tr("&Video time setup..."), this);
    connect(m_videoSetup, &QAction::triggered, this, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        CKelvoDoc& doc = child->document();
        const KelvoViewDocument adapter(doc);
        VideoSpeedDialog dialog(doc.frameTime(), adapter.headerFrameTime(), this);
        if (dialog.exec() == QDialog::Accepted) doc.setFrameTime(dialog.frameTime());
        updateActions();
    });

    m_allFrames = new QAction(tr("&All Frames"), this);
    m_allFrames->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    connect(m_allFrames, &QAction::triggered, this, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr || child->document().frameCount() < 2) return;
        FramesDialog dialog(child->document(), this);
        connect(&dialog, &FramesDialog::frameChosen, this, [this, child](int) {
            child->imageView()->documentChanged();
            updateActions();
            updateStatus();
        });
        dialog.exec();
    });

    m_singleFrame = new QAction(tr("&Single Frame"), this);
    m_singleFrame->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F));
    m_singleFrame->setCheckable(true);
    connect(m_singleFrame, &QAction::triggered, this, [this] {
        if (CChildFrame* c = activeChild()) {
            c->showPane(CChildFrame::FramePane);
            c->imageView()->setFocus();
        }
        updateActions();
    });
    m_header = new QAction(tr("&Header"), this);
    m_header->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H));
    m_header->setCheckable(true);
    connect(m_header, &QAction::triggered, this, [this] {
        if (CChildFrame* c = activeChild()) {
            c->showPane(CChildFrame::HeaderPane);
            c->headerView()->setFocus();
        }
        updateActions();
    });
    m_cascade = new QAction(tr("&Cascade"), this);
    connect(m_cascade, &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    m_tileHorizontally = new QAction(tr("Tile &Horizontally"), this);
    connect(m_tileHorizontally, &QAction::triggered, this, [this] { tileDocuments(TileDirection::Horizontally); });
    m_tileVertically = new QAction(tr("Tile &Vertically"), this);
    connect(m_tileVertically, &QAction::triggered, this, [this] { tileDocuments(TileDirection::Vertically); });
    m_arrangeIcons = new QAction(tr("&Arrange Icons"), this);
    connect(m_arrangeIcons, &QAction::triggered, this, &CMainFrame::arrangeDocumentIcons);

    m_applyToAll = new QAction(tr("&Apply to all"), this);
    m_applyToAll->setCheckable(true);
    connect(m_applyToAll, &QAction::triggered, this, [this] {
        if (CChildFrame* c = activeChild()) c->document().toggleApplyToAll();
        updateActions();
    });
}

void CMainFrame::tileDocuments(TileDirection direction) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (sub->isVisible() && !sub->isMinimized()) windows.append(sub);
    const QRect area = m_mdi->viewport()->rect();
    const std::vector<ViewRect> rects =
        tileWindows(static_cast<int32_t>(windows.size()), area.width(), area.height(), direction);
    for (size_t i = 0; i < rects.size(); ++i) {
        QMdiSubWindow* sub = windows[static_cast<qsizetype>(i)];
        if (sub->isMaximized()) sub->showNormal();
        const ViewRect& r = rects[i];
        sub->setGeometry(r.left, r.top, r.width(), r.height());
    }
    arrangeDocumentIcons();
}

void CMainFrame::arrangeDocumentIcons() {
    QList<QMdiSubWindow*> icons;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (sub->isVisible() && sub->isMinimized()) icons.append(sub);
    if (icons.isEmpty()) return;
    const QSize icon = icons.first()->size();
    const QRect area = m_mdi->viewport()->rect();
    const std::vector<ViewRect> places =
        arrangeIcons(static_cast<int32_t>(icons.size()), area.width(), area.height(), icon.width(), icon.height());
    for (size_t i = 0; i < places.size(); ++i) icons[static_cast<qsizetype>(i)]->move(places[i].left, places[i].top);
}

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_open);
    file->addAction(m_openByHeader);
    file->addAction(m_close);
    file->addAction(m_reload);
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Files"));
    rebuildRecentMenu();
    file->addSeparator();
    file->addAction(m_exit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(m_first);
    view->addAction(m_previous);
    view->addAction(m_next);
    view->addAction(m_last);
    view->addSeparator();
    view->addAction(m_movie);
    view->addAction(m_reverseMovie);
    QMenu* optionsMenu = menuBar()->addMenu(tr("&Options"));
    optionsMenu->addAction(m_videoSetup);
    createAnonymizeActions(file, optionsMenu);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    QMenu* image = menuBar()->addMenu(tr("&Image"));
    createImageActions(edit, image);
    createFilterActions(image);
    QMenu* zoom = menuBar()->addMenu(tr("&Zoom"));
    m_zoomBar = new QToolBar(tr("Zoom Toolbar"), this);
    m_zoomBar->setObjectName(QStringLiteral("ZoomToolbar"));
    createZoomActions(zoom, tools, m_zoomBar);
    createOverlayActions(edit, view, optionsMenu, tools, image);
    m_exportCommands = new ExportCommands(*this, m_settings, m_options);
    m_exportCommands->addToMenus(file, m_recentMenu->menuAction(), edit);
    m_barsMenu = menuBar()->addMenu(tr("&Toolbars"));
    createBrowseActions(file);

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(m_cascade);
    window->addAction(m_tileHorizontally);
    window->addAction(m_tileVertically);
    window->addAction(m_arrangeIcons);
    window->addSeparator();
    window->addAction(m_singleFrame);
    window->addAction(m_header);
    window->addAction(m_allFrames);

    // Without a document the menu bar keeps File, Options, Toolbars and Help.
    m_documentMenus = {edit->menuAction(), view->menuAction(), tools->menuAction(), image->menuAction(),
                       zoom->menuAction(), window->menuAction()};

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    m_contactAuthor = help->addAction(tr("&Contact Author..."), this,
                                      [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kContactAddress))); });
    m_webSite = help->addAction(tr("Viewer's &Web Site..."), this,
                                [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSiteAddress))); });
    createUtilityActions(optionsMenu, tools, help);
}

void CMainFrame::createToolBars() {
    QToolBar* file = addToolBar(tr("File Toolbar"));
    file->setObjectName(QStringLiteral("FileToolbar"));
    file->addAction(m_open);
    file->addAction(m_reload);
    file->addAction(m_close);
    file->addAction(m_anonymizeCurrent);
    m_exportCommands->addToToolBar(file);
    addToolBar(m_zoomBar);
    QToolBar* nav = addToolBar(tr("Navigation Toolbar"));
    nav->setObjectName(QStringLiteral("NavigationToolbar"));
    nav->addAction(m_first);
    nav->addAction(m_previous);
    nav->addAction(m_next);
    nav->addAction(m_last);
    nav->addAction(m_movie);
    nav->addAction(m_reverseMovie);
    nav->addAction(m_videoSetup);
    nav->addAction(m_exportCommands->action("exportAvi"));
    QToolBar* edit = addToolBar(tr("Edit Toolbar"));
    edit->setObjectName(QStringLiteral("EditToolbar"));
    edit->addAction(m_undo);
    edit->addAction(m_redo);
    QToolBar* view = addToolBar(tr("View Toolbar"));
    view->setObjectName(QStringLiteral("ViewToolbar"));
    m_viewBar = view;
    QToolBar* contact = addToolBar(tr("Contact Toolbar"));
    contact->setObjectName(QStringLiteral("ContactToolbar"));
    contact->addAction(m_contactAuthor);
    contact->addAction(m_webSite);
    // The tool palette: a vertical bar at the left by default.
    m_toolPalette = new QToolBar(tr("Tools Toolbar"), this);
    m_toolPalette->setObjectName(QStringLiteral("ToolsToolbar"));
    m_toolPalette->setOrientation(Qt::Vertical);
    m_toolPalette->addAction(m_panHand);
    m_toolPalette->addAction(m_levelWindowTool);
    addToolBar(Qt::LeftToolBarArea, m_toolPalette);
    view->addAction(m_toolPalette->toggleViewAction());
    view->addAction(m_thresholding);
    view->addAction(m_allFrames);
    QToolBar* toolsMini = addToolBar(tr("Tools Mini Toolbar"));
    toolsMini->setObjectName(QStringLiteral("ToolsMiniToolbar"));
    toolsMini->addAction(m_panHand);
    toolsMini->addAction(m_levelWindowTool);
    m_barsMenu->addAction(file->toggleViewAction());
    m_barsMenu->addAction(edit->toggleViewAction());
    m_barsMenu->addAction(contact->toggleViewAction());
    QAction* status = m_barsMenu->addAction(tr("Status Bar"));
    status->setCheckable(true);
    status->setChecked(m_settings.readInt("Bars", "StatusBar", 1) != 0);
    statusBar()->setVisible(status->isChecked());
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    m_barsMenu->addAction(m_zoomBar->toggleViewAction());
    m_barsMenu->addAction(nav->toggleViewAction());
    m_barsMenu->addAction(view->toggleViewAction());
    m_barsMenu->addAction(m_toolPalette->toggleViewAction());
    m_barsMenu->addAction(toolsMini->toggleViewAction());
    addOverlayToolButtons();
    createBrowseToolBars();
    addUtilityToolButtons(file, view);
}

namespace {

// Both sizes in one icon: toolbars take the one that fits their icon size.
QIcon iconOf(CommandIcon id) {
    QIcon icon = commandIcon(id);
    const QIcon large = commandIcon(id, true);
    for (const QSize& size : large.availableSizes())
        for (qreal ratio : {1.0, 2.0}) icon.addPixmap(large.pixmap(size, ratio));
    return icon;
}

} // namespace

void CMainFrame::setCommandIcons() {
    const std::pair<QAction*, CommandIcon> icons[] = {
        {m_open, CommandIcon::Open},
        {m_reload, CommandIcon::Reload},
        {m_close, CommandIcon::Close},
        {m_undo, CommandIcon::Undo},
        {m_redo, CommandIcon::Redo},
        {m_first, CommandIcon::FirstFrame},
        {m_previous, CommandIcon::PreviousFrame},
        {m_next, CommandIcon::NextFrame},
        {m_last, CommandIcon::LastFrame},
        {m_movie, CommandIcon::Movie},
        {m_reverseMovie, CommandIcon::ReverseMovie},
        {m_videoSetup, CommandIcon::VideoSetup},
        {m_allFrames, CommandIcon::AllFrames},
        {m_singleFrame, CommandIcon::SingleFrame},
        {m_header, CommandIcon::Header},
        {m_panHand, CommandIcon::PanHand},
        {m_levelWindowTool, CommandIcon::LevelWindow},
        {m_contactAuthor, CommandIcon::ContactAuthor},
        {m_webSite, CommandIcon::WebSite},
        {m_toolPalette->toggleViewAction(), CommandIcon::ToolsPalette},
        {m_thresholding, CommandIcon::Thresholding},
        {m_anonymizeCurrent, CommandIcon::Anonymize},
    };
    for (const auto& [action, id] : icons)
        if (action != nullptr) action->setIcon(iconOf(id));
    for (auto& [action, tool] : m_toolActions) {
        switch (tool) {
        case ViewTool::ZoomInOut: action->setIcon(iconOf(CommandIcon::ZoomInOut)); break;
        case ViewTool::ZoomWindow: action->setIcon(iconOf(CommandIcon::ZoomWindow)); break;
        case ViewTool::ZoomDynamic: action->setIcon(iconOf(CommandIcon::ZoomDynamic)); break;
        default: break;
        }
    }
    const CommandIcon zoomIcons[] = {CommandIcon::ZoomLimits, CommandIcon::ZoomNormal, CommandIcon::PreviousZoom,
                                     CommandIcon::NextZoom};
    for (size_t i = 0; i < m_zoomCommands.size() && i < std::size(zoomIcons); ++i)
        m_zoomCommands[i].first->setIcon(iconOf(zoomIcons[i]));
    // The large tool palette on wide or low-resolution screens.
    const bool large = useLargeToolPalette(screen());
    m_toolPalette->setIconSize(large ? QSize(24, 24) : QSize(16, 16));
}

void CMainFrame::createStatusBar() {
    for (const char* sample : kPaneSamples) {
        auto* pane = new QLabel(this);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QString::fromLatin1(sample)) + 8);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
        m_panes.push_back(pane);
    }
}

CChildFrame* CMainFrame::activeChild() const {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (sub == nullptr && !m_mdi->subWindowList().isEmpty()) sub = m_mdi->subWindowList().last();
    return sub != nullptr ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

bool CMainFrame::openFile(const QString& path) {
    auto doc = std::make_unique<CKelvoDoc>(m_settings, m_options, *m_ui);
    if (!doc->openDocument(QFileInfo(path).absoluteFilePath().toStdString())) return false;
    addChild(std::move(doc));
    addRecent(QFileInfo(path).absoluteFilePath());
    syncToOpenedFile(path);
    updateActions();
    updateStatus();
    return true;
}

CChildFrame* CMainFrame::addChild(std::unique_ptr<CKelvoDoc> doc) {
    auto* frame = new CChildFrame(std::move(doc), m_options);
    QMdiSubWindow* sub = m_mdi->addSubWindow(frame);
    sub->showMaximized();
    connect(frame->imageView(), &CKelvoView::cursorMoved, this, &CMainFrame::updateStatus);
    connect(frame->imageView(), &CKelvoView::viewStateChanged, this, [this] {
        updateActions();
        updateStatus();
    });
    connect(frame, &CChildFrame::frameChanged, this, &CMainFrame::updateStatus);
    connect(frame->imageView(), &CKelvoView::brightnessContrastRequested, this, [this] {
        if (m_brightnessContrast->isEnabled()) m_brightnessContrast->trigger();
    });
    connect(frame->imageView(), &CKelvoView::windowDragged, this, [this](bool released) {
        m_windowTool->refresh();
        if (released) updateActions();
    });
    connectOverlayView(frame);
    // An image larger than the pane is fitted when its window opens.
    frame->imageView()->fitWhenShown();
    updateActions();
    updateStatus();
    return frame;
}

void CMainFrame::addRecent(const QString& path) {
    m_recent.removeAll(path);
    m_recent.prepend(path);
    while (m_recent.size() > kRecentCount) m_recent.removeLast();
    std::vector<std::string> files;
    for (const QString& f : m_recent) files.push_back(f.toStdString());
    settings::setRecentFiles(m_settings, files);
    rebuildRecentMenu();
}

void CMainFrame::rebuildRecentMenu() {
    m_recentMenu->clear();
    for (int i = 0; i < m_recent.size(); ++i) {
        const QString path = m_recent[i];
        QAction* a = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(a, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    m_recentMenu->setEnabled(!m_recent.isEmpty());
}

void CMainFrame::stepFrame(int how) {
    CChildFrame* child = activeChild();
    if (child == nullptr) return;
    CKelvoDoc& doc = child->document();
    const int current = doc.currentFrame(), count = doc.frameCount();
    switch (how) {
    case 0: child->goToFrame(0); break;
    case 1: child->goToFrame(current - 1); break;
    case 2: child->goToFrame(current + 1); break;
    default: child->goToFrame(count - 1); break;
    }
    child->imageView()->viewport()->update();
    updateActions();
    updateStatus();
}

void CMainFrame::playMovie(bool reverse) {
    CChildFrame* child = activeChild();
    if (m_playing) { // the command again stops playback
        m_playing = false;
        return;
    }
    if (child == nullptr || child->document().frameCount() < 2 || child->document().frameTime() <= 0) {
        m_movie->setChecked(false);
        m_reverseMovie->setChecked(false);
        return;
    }
    QPointer<CChildFrame> guard(child);
    CKelvoDoc& doc = child->document();
    const int start = doc.currentFrame();
    m_playing = true;
    (reverse ? m_reverseMovie : m_movie)->setChecked(true);
    // Frames follow a fixed rhythm from the start of playback, so painting
    // time does not add up frame after frame; a step more than a whole frame
    // late starts the rhythm again instead of catching up in a burst.
    QElapsedTimer clock;
    clock.start();
    double due = 0.0;
    m_framesPlayed = 0;
    while (m_playing && guard) {
        const int count = doc.frameCount();
        int next = doc.currentFrame() + (reverse ? -1 : 1);
        if (next >= count) next = 0;
        if (next < 0) next = count - 1;
        child->goToFrame(next);
        child->imageView()->viewport()->repaint();
        ++m_framesPlayed;
        const double frameTime = doc.frameTime();
        due += frameTime;
        if (double(clock.elapsed()) > due + frameTime) due = double(clock.elapsed());
        do {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        } while (m_playing && guard && double(clock.elapsed()) < due);
    }
    m_playing = false;
    m_movie->setChecked(false);
    m_reverseMovie->setChecked(false);
    if (guard) {
        child->goToFrame(start); // playback ends on the frame where it began
        child->imageView()->viewport()->update();
    }
    updateStatus();
}

void CMainFrame::updateActions() {
    CChildFrame* child = activeChild();
    const bool hasDoc = child != nullptr;
    const int count = hasDoc ? child->document().frameCount() : 0;
    const int current = hasDoc ? child->document().currentFrame() : 0;
    m_close->setEnabled(hasDoc);
    m_close->setVisible(hasDoc);
    m_reload->setVisible(hasDoc);
    for (QAction* menu : m_documentMenus) menu->setVisible(hasDoc);
    m_reload->setEnabled(hasDoc && !child->document().sourcePaths().empty());
    m_first->setEnabled(count > 1 && current > 0);
    m_previous->setEnabled(count > 1 && current > 0);
    m_next->setEnabled(count > 1 && current + 1 < count);
    m_last->setEnabled(count > 1 && current + 1 != count);
    const bool canPlay = count > 1 && hasDoc && child->document().frameTime() > 0;
    m_movie->setEnabled(canPlay);
    m_videoSetup->setEnabled(count > 1);
    m_allFrames->setEnabled(count > 1);
    m_reverseMovie->setEnabled(canPlay);
    m_singleFrame->setEnabled(hasDoc);
    m_header->setEnabled(hasDoc);
    m_singleFrame->setChecked(hasDoc && child->currentPane() == CChildFrame::FramePane);
    m_header->setChecked(hasDoc && child->currentPane() == CChildFrame::HeaderPane);
    m_applyToAll->setEnabled(hasDoc && child->document().allFramesAlike());
    m_applyToAll->setChecked(hasDoc && child->document().applyToAll());
    m_cascade->setEnabled(hasDoc);
    for (QAction* a : {m_tileHorizontally, m_tileVertically, m_arrangeIcons}) a->setEnabled(hasDoc);
    updateImageActions();
    updateZoomActions();
    updateAnonymizeActions();
    if (m_exportCommands != nullptr) m_exportCommands->update();
    updateOverlayActions();
    updateUtilityActions(hasDoc);
    updateBrowseActions();
    if (m_windowTool != nullptr) m_windowTool->setChild(child);
}

QStringList CMainFrame::statusTexts() const {
    QStringList out;
    for (const QLabel* pane : m_panes) out << pane->text();
    return out;
}

void CMainFrame::updateStatus() {
    CChildFrame* child = activeChild();
    QStringList t;
    for (size_t i = 0; i < m_panes.size(); ++i) t << QString();
    if (child != nullptr) {
        CKelvoDoc& doc = child->document();
        ImageBuffer* frame = doc.frameAt(-1);
        t[0] = QString::fromStdString(doc.title());
        t[1] = QString::fromStdString(doc.dateText());
        t[2] = QString::asprintf("%dKB", int(doc.fileSize() / 1024));
        if (frame != nullptr) t[3] = QString::asprintf("%dx%d", frame->width(), frame->height());
        t[4] = QString::asprintf("%03d", doc.frameCount());
        t[5] = QString::asprintf("%4d", doc.currentFrame() + 1);
        const CKelvoView* view = child->imageView();
        if (frame != nullptr && view->underMouse()) {
            const QPoint p = view->cursorImagePoint();
            t[6] = QString::asprintf("%04d", p.x());
            t[7] = QString::asprintf("%04d", p.y());
            PixelValue v;
            if (view->cursorInside() && frame->sampleAt(p.x(), p.y(), v)) {
                t[8] = frame->isColour() ? QString::asprintf("R:%d G:%d B:%d", v.red, v.green, v.blue)
                                         : valueReadout(doc, v.red);
            }
        }
    }
    for (size_t i = 0; i < m_panes.size(); ++i) m_panes[i]->setText(t[int(i)]);
}

QString CMainFrame::zoomBoxText() const { return m_zoomBox != nullptr ? m_zoomBox->currentText() : QString(); }

void CMainFrame::saveState() {
    m_settings.writeText("Bars", "State", QMainWindow::saveState().toBase64().toStdString());
    m_settings.writeInt("Bars", "StatusBar", statusBar()->isHidden() ? 0 : 1);
    m_options.save(m_settings);
    m_settings.sync();
    reportSettingsWriteFailure();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    m_playing = false;
    saveState();
    m_mdi->closeAllSubWindows();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) openFile(url.toLocalFile());
}

} // namespace veltor
