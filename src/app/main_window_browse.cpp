// Folder navigation, search, the open dialogs, Open from Internet, pasting
// from the clipboard, Open Multiple Files and Sort File Frames.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QToolBar>

#include "app/app_icons.h"
#include "app/browse_support.h"
#include "app/child_frame.h"
#include "app/file_list_dialog.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/mc_file_dialog.h"
#include "app/open_list_dialog.h"
#include "app/open_multiple_dialog.h"
#include "app/open_url_dialog.h"
#include "app/qt_document_ui.h"
#include "app/sort_frames_dialog.h"
#include "browse/download.h"
#include "browse/navigation_model.h"
#include "browse/recent_urls.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"

namespace veltor {

namespace {

const char kFileNotFound[] = "File not found!   ";
const char kSaveLocally[] = "Do you want to save this file locally?   ";
const char kMultipleFiles[] = "(Multiple files)";

// A packed bitmap (header, no colour table, bottom-up rows padded to 4
// bytes) of a clipboard image, 24 bits per pixel.
std::vector<uint8_t> packedBitmap(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const int w = image.width(), h = image.height();
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> dib(40 + stride * size_t(h), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, uint32_t(w));
    put32(8, uint32_t(h));
    dib[12] = 1;
    dib[14] = 24;
    put32(20, uint32_t(stride * size_t(h)));
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = image.constScanLine(y);
        uint8_t* out = &dib[40 + stride * size_t(h - 1 - y)];
        for (int x = 0; x < w; ++x) { // BGR order
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    return dib;
}

} // namespace

struct CMainFrame::BrowseState {
    browse::NavigationModel navigation;
    QAction* firstFile = nullptr;
    QAction* previousFile = nullptr;
    QAction* nextFile = nullptr;
    QAction* lastFile = nullptr;
    QAction* selectDirectory = nullptr;
    QAction* refresh = nullptr;
    QAction* directoryContents = nullptr;
    QAction* search = nullptr;
    QAction* openMultiple = nullptr;
    QAction* openInternet = nullptr;
    QAction* openList = nullptr;
    QAction* paste = nullptr;
    QAction* sortFrames = nullptr;
    QComboBox* folders = nullptr;
    QComboBox* files = nullptr;
    QLabel* position = nullptr;
    FileListDialog* contents = nullptr;
    bool filling = false; // combos being refilled: their signals are not choices
};

void CMainFrame::createBrowseActions(QMenu* file) {
    m_browse = std::make_shared<BrowseState>();
    m_browse->navigation = browse::NavigationModel([](const std::string& folder) {
        return browse::readableFiles(
            folder, [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    });
    BrowseState& b = *m_browse;
    auto make = [this](const QString& text, QKeySequence key, auto slot) {
        auto* a = new QAction(text, this);
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    using Step = browse::NavigationModel::Step;
    b.firstFile = make(tr("&First File"), QKeySequence(Qt::CTRL | Qt::Key_Up),
                       [this] { stepFile(int(Step::First)); });
    b.previousFile = make(tr("&Previous  File"), QKeySequence(Qt::CTRL | Qt::Key_Left),
                          [this] { stepFile(int(Step::Previous)); });
    b.nextFile = make(tr("&Next  File"), QKeySequence(Qt::CTRL | Qt::Key_Right),
                      [this] { stepFile(int(Step::Next)); });
    b.lastFile = make(tr("&Last File"), QKeySequence(Qt::CTRL | Qt::Key_Down),
                      [this] { stepFile(int(Step::Last)); });
    b.selectDirectory = make(tr("Select &current directory..."), {}, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, tr("Select current directory"),
            displayPath(settings::currentWorkingDirectory(m_settings)));
        if (folder.isEmpty()) return;
        QDir::setCurrent(folder);
        selectNavigationFolder(folder);
    });
    b.refresh = make(tr("&Refresh"), {}, [this] {
        m_browse->navigation.refresh();
        refillNavigationBar();
    });
    b.directoryContents = make(tr("&Directory Contents..."), {}, [this] {
        if (m_browse->contents == nullptr) {
            m_browse->contents = new FileListDialog(
                FileListDialog::Mode::Contents, m_settings,
                [this](const QString& p) { openFile(p); }, this);
            m_browse->contents->setModal(false);
        }
        FileListDialog* d = m_browse->contents;
        if (d->isVisible() && !d->scanning())
            d->hide();
        else {
            d->show();
            d->raise();
        }
    });
    b.search = make(tr("&Search..."), {}, [this] {
        FileListDialog dialog(
            FileListDialog::Mode::Search, m_settings, [this](const QString& p) { openFile(p); },
            this);
        dialog.exec();
    });
    b.openMultiple = make(tr("Open &Multiple Files..."), QKeySequence(Qt::ALT | Qt::Key_O), [this] {
        OpenMultipleDialog dialog(m_settings, this);
        connect(
            &dialog, &OpenMultipleDialog::openRequested, this,
            [this](const QStringList& paths, const QString& title) { openPathList(paths, title); });
        dialog.exec();
    });
    b.openInternet = make(tr("Open from &Internet..."), QKeySequence(Qt::CTRL | Qt::Key_I),
                          [this] { openFromInternet(); });
    b.openList = make(tr("Open file list"), {}, [this] {
        OpenListDialog dialog(m_settings, this);
        if (dialog.exec() != QDialog::Accepted || dialog.chosenPaths().isEmpty()) return;
        const QStringList paths = dialog.chosenPaths();
        if (paths.size() > 1 && dialog.openAsSingle())
            openPathList(paths, QString::fromLatin1(kMultipleFiles));
        else
            for (auto it = paths.crbegin(); it != paths.crend(); ++it)
                openFile(*it);
    });
    b.paste = make(tr("Insert Clipboard contents"), QKeySequence(Qt::CTRL | Qt::Key_V),
                   [this] { pasteImage(); });
    b.sortFrames = make(tr("Sort File Frames"), {}, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr || child->document().frameCount() < 2) return;
        SortFramesDialog dialog(child->document(), this);
        if (dialog.exec() != QDialog::Accepted) return;
        child->document().reorderFrames(dialog.order(), dialog.currentRow());
        child->goToFrame(dialog.currentRow());
        child->imageView()->documentChanged();
        updateActions();
        updateStatus();
    });

    QAction* beforeClose = m_close;
    file->insertAction(beforeClose, b.openMultiple);
    file->insertAction(beforeClose, b.openInternet);
    file->insertAction(beforeClose, b.openList);
    file->insertAction(beforeClose, b.paste);
    file->insertAction(m_recentMenu->menuAction(), b.sortFrames);
    QMenu* directory = new QMenu(tr("&Directory"), file);
    directory->addAction(b.search);
    directory->addAction(b.directoryContents);
    directory->addAction(b.selectDirectory);
    directory->addAction(b.refresh);
    directory->addSeparator();
    directory->addAction(b.firstFile);
    directory->addAction(b.previousFile);
    directory->addAction(b.nextFile);
    directory->addAction(b.lastFile);
    file->insertMenu(m_recentMenu->menuAction(), directory);
    file->insertSeparator(m_recentMenu->menuAction());

    const std::pair<QAction*, CommandIcon> icons[] = {
        {b.search, CommandIcon::Search},
        {b.selectDirectory, CommandIcon::SelectDirectory},
        {b.refresh, CommandIcon::Refresh},
        {b.firstFile, CommandIcon::FirstFile},
        {b.previousFile, CommandIcon::PreviousFile},
        {b.nextFile, CommandIcon::NextFile},
        {b.lastFile, CommandIcon::LastFile},
    };
    for (const auto& [action, id] : icons)
        action->setIcon(commandIcon(id));
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { updateBrowseActions(); });
}

void CMainFrame::createBrowseToolBars() {
    BrowseState& b = *m_browse;
    if (auto* fileBar = findChild<QToolBar*>(QStringLiteral("FileToolbar")))
        fileBar->addAction(b.search);

    QToolBar* bar = addToolBar(tr("Select file in current dirctory"));
    bar->setObjectName(QStringLiteral("SelectFileToolbar"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    const QFontMetrics metrics(font);
    const QScreen* s = screen();
    const int characters = s != nullptr && s->geometry().width() >= 1024 ? 56 : 40;
    const int width = metrics.averageCharWidth() * characters;
    b.folders = new QComboBox(bar);
    b.files = new QComboBox(bar);
    for (QComboBox* combo : {b.folders, b.files}) {
        combo->setFont(font);
        combo->setFixedWidth(width);
        combo->setMaxVisibleItems(10);
    }
    b.folders->setToolTip(tr("Current Directory"));
    b.files->setToolTip(tr("Current File"));
    b.folders->setObjectName(QStringLiteral("CurrentDirectory"));
    b.files->setObjectName(QStringLiteral("CurrentFile"));
    b.position = new QLabel(QStringLiteral("0/0"), bar);
    b.position->setFont(font);
    b.position->setObjectName(QStringLiteral("FilePosition"));
    b.position->setToolTip(tr("Current File / Number of Files"));
    b.position->setAlignment(Qt::AlignCenter);
    b.position->setFixedWidth(metrics.averageCharWidth() * 9 + 6);
    bar->addAction(b.selectDirectory);
    bar->addAction(b.refresh);
    bar->addWidget(b.folders);
    bar->addWidget(b.files);
    bar->addAction(b.firstFile);
    bar->addAction(b.previousFile);
    bar->addWidget(b.position);
    bar->addAction(b.nextFile);
    bar->addAction(b.lastFile);
    QToolBar* mini = addToolBar(tr("Select File Toolbar"));
    mini->setObjectName(QStringLiteral("SelectFileMiniToolbar"));
    for (QAction* a :
         {b.selectDirectory, b.refresh, b.firstFile, b.previousFile, b.nextFile, b.lastFile})
        mini->addAction(a);
    mini->hide();
    m_barsMenu->addAction(bar->toggleViewAction());
    m_barsMenu->addAction(mini->toggleViewAction());

    connect(b.folders, &QComboBox::activated, this, [this](int index) {
        m_browse->navigation.selectEntry(index);
        refillNavigationBar();
        // A folder with a current file opens it.
        const std::string path = m_browse->navigation.currentPath();
        if (!path.empty()) openFile(displayPath(path));
    });
    connect(b.files, &QComboBox::activated, this, [this](int index) {
        const std::string path = m_browse->navigation.choose(index);
        refillNavigationBar();
        if (!path.empty()) openFile(displayPath(path));
    });
    refillNavigationBar();
}

void CMainFrame::refillNavigationBar() {
    BrowseState& b = *m_browse;
    b.filling = true;
    const auto& entries = b.navigation.entries();
    b.folders->clear();
    for (const browse::NavigationEntry& e : entries)
        b.folders->addItem(displayPath(e.folder));
    b.folders->setCurrentIndex(b.navigation.selected());
    b.files->clear();
    if (const browse::NavigationEntry* e = b.navigation.current()) {
        for (const std::string& name : e->files)
            b.files->addItem(displayPath(name));
        b.files->setCurrentIndex(e->position);
        b.folders->setToolTip(displayPath(browse::comboTip(e->folder)));
        b.files->setToolTip(e->position >= 0
                                ? displayPath(browse::comboTip(e->files[size_t(e->position)]))
                                : tr("Current File"));
    }
    b.position->setText(QString::fromStdString(b.navigation.positionText()));
    b.filling = false;
    updateBrowseActions();
}

void CMainFrame::selectNavigationFolder(const QString& folder) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_browse->navigation.selectFolder(localPath(folder))) {
        settings::setCurrentWorkingDirectory(m_settings,
                                             settings::withTrailingSeparator(localPath(folder)));
    }
    QApplication::restoreOverrideCursor();
    refillNavigationBar();
}

void CMainFrame::syncToOpenedFile(const QString& path) {
    if (!m_browse) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const size_t folders = m_browse->navigation.entries().size();
    m_browse->navigation.syncToOpenedFile(localPath(QFileInfo(path).absoluteFilePath()));
    // A folder new to the bar becomes the working folder of the next dialogs.
    if (m_browse->navigation.entries().size() > folders)
        settings::setCurrentWorkingDirectory(m_settings, m_browse->navigation.current()->folder);
    QApplication::restoreOverrideCursor();
    refillNavigationBar();
}

void CMainFrame::stepFile(int how) {
    const auto step = static_cast<browse::NavigationModel::Step>(how);
    if (!m_browse->navigation.canStep(step)) return;
    m_mdi->closeActiveSubWindow();
    const std::string path = m_browse->navigation.step(step);
    refillNavigationBar();
    if (!path.empty()) openFile(displayPath(path));
}

void CMainFrame::updateBrowseActions() {
    if (!m_browse) return;
    BrowseState& b = *m_browse;
    using Step = browse::NavigationModel::Step;
    b.firstFile->setEnabled(b.navigation.canStep(Step::First));
    b.previousFile->setEnabled(b.navigation.canStep(Step::Previous));
    b.nextFile->setEnabled(b.navigation.canStep(Step::Next));
    b.lastFile->setEnabled(b.navigation.canStep(Step::Last));
    b.refresh->setEnabled(!b.navigation.entries().empty());
    CChildFrame* child = activeChild();
    b.sortFrames->setEnabled(child != nullptr && child->document().frameCount() > 1);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    b.paste->setEnabled(clip != nullptr && clip->hasImage());
}

bool CMainFrame::openPathList(const QStringList& paths, const QString& title) {
    if (paths.isEmpty()) return false;
    std::vector<std::string> list;
    for (const QString& p : paths)
        list.push_back(localPath(p));
    auto doc = std::make_unique<CKelvoDoc>(m_settings, m_options, *m_ui);
    if (!doc->loadFromPaths(list, title.toStdString())) {
        QMessageBox::warning(this, QStringLiteral("Veltor Dicom Viewer"),
                             tr("None of the %1 files could be read.").arg(paths.size()));
        return false;
    }
    addChild(std::move(doc));
    return true;
}

void CMainFrame::openFromInternet() {
    OpenUrlDialog dialog(m_settings, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString address = dialog.address();
    if (!browse::allowedScheme(address.toStdString())) {
        QMessageBox::critical(
            this, QStringLiteral("Veltor Dicom Viewer"),
            tr("%1 cannot be opened: only http, https, ftp and file addresses are.").arg(address));
        return;
    }
    QProgressDialog progress(tr("Downloading %1").arg(address), tr("Cancel"), 0, 0, this);
    progress.setWindowTitle(tr("Open from Internet"));
    progress.setMinimumDuration(300);
    progress.setWindowModality(Qt::WindowModal);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    browse::DownloadOptions options;
    options.progress = [&progress](uint64_t received, uint64_t total) {
        if (total > 0) {
            progress.setMaximum(1000);
            progress.setValue(int(received * 1000 / total));
        }
        QApplication::processEvents();
        return !progress.wasCanceled();
    };
    const browse::DownloadResult result = browse::download(address.toStdString(), options);
    QApplication::restoreOverrideCursor();
    progress.close();
    if (!result.ok) {
        if (result.reason == "Cancelled") return;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Veltor Dicom Viewer"),
                        QString::fromLatin1(kFileNotFound), QMessageBox::Ok, this);
        box.setInformativeText(QString::fromStdString(result.reason));
        box.exec();
        return;
    }
    QString entry = displayPath(result.path);
    QString title = address;
    const auto answer = QMessageBox::question(this, QStringLiteral("Veltor Dicom Viewer"),
                                              QString::fromLatin1(kSaveLocally),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        const QString offered = displayPath(browse::offeredFileName(address.toStdString()));
        QFileDialog save(this, tr("Save As"), offered);
        save.setAcceptMode(QFileDialog::AcceptSave);
        save.setNameFilter(tr("All Files (*)"));
        save.setOption(QFileDialog::DontUseNativeDialog, true);
        if (save.exec() == QDialog::Accepted && !save.selectedFiles().isEmpty()) {
            const QString chosen = save.selectedFiles().front();
            QFile::remove(chosen);
            QFile::copy(entry, chosen);
            entry = chosen;
            title = QFileInfo(chosen).fileName();
            syncToOpenedFile(chosen);
        }
    }
    openPathList({entry}, title);
}

void CMainFrame::pasteImage() {
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    if (clip == nullptr || !clip->hasImage()) return;
    const QImage image = qvariant_cast<QImage>(clip->imageData());
    if (image.isNull()) return;
    const std::vector<uint8_t> dib = packedBitmap(image);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto doc = std::make_unique<CKelvoDoc>(m_settings, m_options, *m_ui);
    const bool ok = doc->loadFromBitmaps({dib.data()});
    QApplication::restoreOverrideCursor();
    if (ok) addChild(std::move(doc));
}

} // namespace veltor

namespace veltor {

void CMainFrame::openDialog() {
    const QString folder = displayPath(settings::currentWorkingDirectory(m_settings));
    MCFileDialog dialog(m_settings, true, folder.isEmpty() ? QDir::currentPath() : folder, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return;
    if (files.size() == 1) {
        QDir::setCurrent(QFileInfo(files[0]).absolutePath());
        settings::setCurrentWorkingDirectory(m_settings, settings::withTrailingSeparator(localPath(
                                                             QFileInfo(files[0]).absolutePath())));
        openFile(files[0]);
        return;
    }
    if (dialog.openAsSingleFile()) {
        openPathList(files, QString::fromLatin1(kMultipleFiles));
        return;
    }
    // Several files open as separate documents, starting with the last.
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        openFile(*it);
}

} // namespace veltor
