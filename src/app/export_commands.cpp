#include "app/export_commands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QToolBar>
#include <QUrl>
#include <cstring>

#include "app/app_icons.h"
#include "app/batch_export_dialogs.h"
#include "app/child_frame.h"
#include "app/document_exports.h"
#include "app/export_frames_dialog.h"
#include "app/export_rendering.h"
#include "app/image_view.h"
#include "app/kelvo_editor.h"
#include "app/main_window.h"
#include "app/page_setup_dialog.h"
#include "app/select_copy_dialog.h"
#include "app/video_setup_dialog.h"
#include "document/kelvo_doc.h"
#include "export/export_names.h"
#include "export/video_export.h"
#include "imglib/imglib.h"
#include "settings/settings_keys.h"
#include "settings/user_options.h"
#include "view/view_document.h"

namespace veltor {

namespace {

settings::ExportKind kindOf(ExportFormat format) {
    switch (format) {
    case ExportFormat::Tiff: return settings::ExportKind::Tiff;
    case ExportFormat::Jpeg: return settings::ExportKind::Jpeg;
    case ExportFormat::Bmp: return settings::ExportKind::Bmp;
    case ExportFormat::Raw: return settings::ExportKind::Raw;
    }
    return settings::ExportKind::Tiff;
}

std::string folderOf(const QString& path) {
    const std::string p = path.toStdString();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

// A save dialog starting in the stored folder with the offered name.
QString askSavePath(QWidget* parent, const std::string& folder, const std::string& name, const QString& filter,
                    const QString& suffix) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    dialog.selectFile(QString::fromStdString(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void stopMessage(QWidget* parent, const QString& text, const QString& reason = {}) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Veltor Dicom Viewer"), text, QMessageBox::Ok, parent);
    if (!reason.isEmpty()) box.setInformativeText(reason);
    box.exec();
}

QString reasonOf(const ExportResult& result) { return QString::fromStdString(exportErrorText(result)); }

// Frames of one size and form, as a video needs them.
bool framesAlikeForVideo(CKelvoDoc& doc) {
    const ImageBuffer* first = doc.frameAt(0);
    if (first == nullptr) return false;
    for (int i = 1; i < doc.frameCount(); ++i) {
        const ImageBuffer* f = doc.frameAt(i);
        if (f == nullptr || f->width() != first->width() || f->height() != first->height() ||
            f->isColour() != first->isColour())
            return false;
    }
    return true;
}

} // namespace

ExportCommands::ExportCommands(CMainFrame& frame, SettingsStore& settings, const UserOptions& options)
    : QObject(&frame), m_frame(frame), m_settings(settings), m_options(options) {}

ExportCommands::~ExportCommands() = default;

CChildFrame* ExportCommands::child() const { return m_frame.activeChild(); }

QAction* ExportCommands::action(const char* objectName) const {
    return findChild<QAction*>(QString::fromLatin1(objectName));
}

QPrinter& ExportCommands::printer() {
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void ExportCommands::addToMenus(QMenu* file, QAction* before, QMenu* edit) {
    auto make = [this](const QString& text, const char* name, auto slot) {
        auto* a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* exportMenu = new QMenu(tr("&Export"), file);
    file->insertMenu(before, exportMenu);
    m_exportFrames = make(tr("Export &frames..."), "exportFrames", [this] {
        if (CChildFrame* c = child()) {
            ExportFramesDialog dialog(*c, m_settings, &m_frame);
            dialog.exec();
        }
    });
    QAction* tiff = make(tr("Export as &TIFF..."), "exportTiff", [this] { exportSingle(ExportFormat::Tiff); });
    QAction* jpeg = make(tr("Export as &JPEG..."), "exportJpeg", [this] { exportSingle(ExportFormat::Jpeg); });
    QAction* bmp = make(tr("Export as &BMP..."), "exportBmp", [this] { exportSingle(ExportFormat::Bmp); });
    QAction* raw = make(tr("Export as &Raw file..."), "exportRaw", [this] { exportSingle(ExportFormat::Raw); });
    QAction* html = make(tr("Export as &HTML..."), "exportHtml", [this] { exportHtml(); });
    m_exportAvi = make(tr("Export as &AVI..."), "exportAvi", [this] { exportAvi(); });
    m_batchConvert = make(tr("&Batch Convert..."), "batchConvert", [this] {
        BatchExportDialog dialog(m_settings, m_options.anonExports(), &m_frame);
        dialog.exec();
    });
    m_exportSelected = make(tr("&Export selected files..."), "exportSelectedFiles", [this] {
        ExportSelectedDialog dialog(m_settings, m_options.anonExports(), &m_frame);
        dialog.exec();
    });
    exportMenu->addAction(m_batchConvert);
    exportMenu->addAction(m_exportSelected);
    exportMenu->addSeparator();
    exportMenu->addAction(m_exportFrames);
    exportMenu->addSeparator();
    for (QAction* a : {tiff, jpeg, bmp, raw, html, m_exportAvi}) exportMenu->addAction(a);

    m_print = make(tr("&Print..."), "print", [this] { print(); });
    m_print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_printPreview = make(tr("Print Pre&view"), "printPreview", [this] { printPreview(); });
    m_printSetup = make(tr("P&rint Setup..."), "printSetup", [this] { printSetup(); });
    m_pageSetup = make(tr("Page Set&up..."), "pageSetup", [this] { pageSetup(); });
    file->insertSeparator(before);
    for (QAction* a : {m_print, m_printPreview, m_printSetup, m_pageSetup}) file->insertAction(before, a);
    file->insertSeparator(before);

    // Edit: the copies. "&Copy Frame" is the one Copy ROI hands over to.
    QAction* copyFrameAction = make(tr("&Copy Frame"), "copyFrame", [this] { copyFrame(); });
    copyFrameAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_copyAllFrames = make(tr("Copy all &Frames"), "copyAllFrames", [this] { copyReport(RtfVariant::AllFrames); });
    m_copyAllFrames->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction* copyHeader = make(tr("Copy &Header"), "copyHeader", [this] { copyReport(RtfVariant::Header); });
    copyHeader->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    QAction* copyAll = make(tr("Copy &All"), "copyAll", [this] { copyReport(RtfVariant::HeaderAndFrames); });
    copyAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QAction* copySelectedAction = make(tr("Copy S&elected Frames..."), "copySelected", [this] { copySelected(); });
    copySelectedAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    edit->addSeparator();
    for (QAction* a : {copyFrameAction, m_copyAllFrames, copyHeader, copyAll, copySelectedAction}) edit->addAction(a);

    m_documentActions = {tiff, jpeg, bmp, raw, html, copyFrameAction, copyHeader, copyAll, copySelectedAction,
                         m_print, m_printPreview};
}

void ExportCommands::addToToolBar(QToolBar* file) {
    // The main window starts a new toolbar row where a bar would not fit, so
    // the File toolbar carries all its print commands.
    const std::pair<QAction*, CommandIcon> icons[] = {{m_exportFrames, CommandIcon::ExportFrames},
                                                      {m_print, CommandIcon::Print},
                                                      {m_printPreview, CommandIcon::PrintPreview},
                                                      {m_printSetup, CommandIcon::PrintSetup},
                                                      {m_pageSetup, CommandIcon::PageSetup}};
    for (const auto& [a, id] : icons) {
        QIcon icon = commandIcon(id);
        const QIcon large = commandIcon(id, true);
        for (const QSize& size : large.availableSizes())
            for (qreal ratio : {1.0, 2.0}) icon.addPixmap(large.pixmap(size, ratio));
        a->setIcon(icon);
        file->addAction(a);
    }
    if (QAction* copy = action("copyFrame")) copy->setIcon(commandIcon(CommandIcon::Copy));
}

void ExportCommands::update() {
    CChildFrame* c = child();
    CKelvoDoc* doc = c != nullptr ? &c->document() : nullptr;
    const bool frame = doc != nullptr && doc->frameAt(-1) != nullptr;
    for (QAction* a : m_documentActions) a->setEnabled(frame);
    m_exportFrames->setEnabled(frame);
    m_copyAllFrames->setEnabled(frame && doc->frameCount() >= 2);
    m_pageSetup->setEnabled(doc != nullptr);
    m_exportAvi->setEnabled(frame && doc->frameCount() > 1 && doc->frameTime() > 0 && framesAlikeForVideo(*doc));
}

bool ExportCommands::exportFrameFile(ExportFormat format, const QString& path) {
    CChildFrame* c = child();
    if (c == nullptr) return false;
    const std::vector<uint8_t> bitmap = RenderFrameForExport(*c->imageView(), -1);
    ExportResult result;
    if (bitmap.empty())
        result.status = ExportStatus::BadImage;
    else
        result = writeExportBitmap(format, path.toLocal8Bit().constData(), bitmap.data(), bitmap.size(),
                                   settings::exportJpegQuality(m_settings));
    if (!result.ok()) {
        const char* message = format == ExportFormat::Tiff   ? kFileCreationError
                              : format == ExportFormat::Jpeg ? kJpegWriteError
                              : format == ExportFormat::Bmp  ? kBmpWriteError
                                                             : kRawWriteError;
        stopMessage(&m_frame, QString::fromLatin1(message), reasonOf(result));
        return false;
    }
    settings::setExportDirectory(m_settings, kindOf(format), folderOf(path));
    return true;
}

void ExportCommands::exportSingle(ExportFormat format) {
    CChildFrame* c = child();
    if (c == nullptr) return;
    static const char* const filters[] = {"TIFF File (*.tif)", "JPEG File (*.jpg)", "Bitmap File (*.bmp)",
                                          "Raw File (*.raw)"};
    static const char* const suffixes[] = {"tif", "jpg", "bmp", "raw"};
    const int i = format == ExportFormat::Tiff ? 0 : format == ExportFormat::Jpeg ? 1 : format == ExportFormat::Bmp ? 2 : 3;
    const QString path =
        askSavePath(&m_frame, settings::exportDirectory(m_settings, kindOf(format)),
                    defaultExportName(format, documentFileName(*c)), QString::fromLatin1(filters[i]),
                    QString::fromLatin1(suffixes[i]));
    if (!path.isEmpty()) exportFrameFile(format, path);
}

bool ExportCommands::exportHtmlPage(const QString& path) {
    CChildFrame* c = child();
    if (c == nullptr) return false;
    const std::string page = path.toStdString();
    const std::string folder = folderOf(path);
    const std::string name = nameWithoutExtension(QFileInfo(path).fileName().toStdString()) + "_files";
    DocumentHtmlRequest request;
    request.pagePath = page;
    request.imageFolder = folder + name;
    request.sourcePrefix = name + "/";
    request.title = defaultDocumentExportName(documentFileName(*c), ".html");
    request.jpegQuality = settings::exportJpegQuality(m_settings);
    for (int i = 0; i < c->document().frameCount(); ++i) {
        request.frames.push_back(i);
        request.numbers.push_back(i + 1);
    }
    const ExportResult result = writeDocumentHtml(*c, m_settings, request);
    if (!result.ok()) {
        stopMessage(&m_frame, QString::fromLatin1(kFileCreationError), reasonOf(result));
        return false;
    }
    settings::setExportDirectory(m_settings, settings::ExportKind::Html, folder);
    return true;
}

void ExportCommands::exportHtml() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    const QString path =
        askSavePath(&m_frame, settings::exportDirectory(m_settings, settings::ExportKind::Html),
                    defaultDocumentExportName(documentFileName(*c), ".html"), QStringLiteral("HTML File (*.html)"),
                    QStringLiteral("html"));
    if (!path.isEmpty()) exportHtmlPage(path);
}

bool ExportCommands::writeVideo(const QString& path, const VideoRun& run) {
    CChildFrame* c = child();
    if (c == nullptr) return false;
    CKelvoDoc& doc = c->document();
    const VideoState& state = doc.exportState().video;
    std::vector<int> frames;
    for (int i = 0; i < doc.frameCount(); ++i)
        if (size_t(i) >= state.include.size() || state.include[size_t(i)] != 0) frames.push_back(i);
    if (frames.empty()) return false;
    const ImageBuffer* first = doc.frameAt(0);
    VideoFrameOptions options;
    options.colour = state.colour < 0 ? first != nullptr && first->isColour() : state.colour == 1;
    options.scale = run.scale;
    options.width = state.size.width;
    options.height = state.size.height;
    options.method = run.method;
    if (options.scale) {
        const std::string problem = checkExportSize(options.width, options.height);
        if (!problem.empty()) {
            stopMessage(&m_frame, QString::fromLatin1(kAviCreateError), QString::fromStdString(problem));
            return false;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QProgressDialog progress(tr("Please wait..."), QString(), 0, int(frames.size()), &m_frame);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    AviWriter writer(videoRate(run.frameTime), run.motionJpeg ? AviCodec::MotionJpeg : AviCodec::Uncompressed,
                     run.jpegQuality);
    if (!writer.open(path.toStdString())) {
        QApplication::restoreOverrideCursor();
        progress.close();
        stopMessage(&m_frame, QString::fromLatin1(kAviCreateError),
                    QString::fromLocal8Bit(std::strerror(writer.systemError())));
        return false;
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::vector<uint8_t> rendered = RenderFrameForExport(*c->imageView(), frames[i]);
        const std::vector<uint8_t> bitmap = videoFrameBitmap(rendered.data(), rendered.size(), options);
        if (!bitmap.empty()) writer.addFrame(bitmap.data(), bitmap.size()); // a frame unlike the first is left out
        progress.setValue(int(i + 1));
        QApplication::processEvents();
    }
    const int finished = writer.finish();
    QApplication::restoreOverrideCursor();
    progress.close();
    if (finished == 0) {
        if (writer.status() == AviStatus::NotEnoughSpace) {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Veltor Dicom Viewer"),
                            QString::fromLatin1(kAviDiskFullError), QMessageBox::Ok, &m_frame);
            box.exec();
        } else {
            stopMessage(&m_frame, QString::fromLatin1(kAviCreateError), QString::fromStdString(aviErrorText(writer)));
        }
        return false;
    }
    settings::setExportDirectory(m_settings, settings::ExportKind::Avi, folderOf(path));
    return true;
}

void ExportCommands::exportAvi() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    CKelvoDoc& doc = c->document();
    const QString path = askSavePath(&m_frame, settings::exportDirectory(m_settings, settings::ExportKind::Avi),
                                     defaultDocumentExportName(documentFileName(*c), ".avi"),
                                     QStringLiteral("AVI File (*.avi)"), QStringLiteral("avi"));
    if (path.isEmpty()) return;
    const int before = doc.currentFrame();
    const KelvoViewDocument adapter(doc);
    VideoSetupDialog setup(doc, adapter.headerFrameTime(), settings::showCodecs(m_settings),
                           settings::openVideo(m_settings), &m_frame);
    const bool accepted = setup.exec() == QDialog::Accepted;
    c->goToFrame(before);
    if (!accepted) return;
    doc.exportState().video = setup.videoState();
    doc.setFrameTime(setup.frameTime());
    settings::setOpenVideo(m_settings, setup.openVideo());
    settings::setShowCodecs(m_settings, setup.showCodecs());
    settings::setUseScalingInVideo(m_settings, setup.videoState().size.mode != ExportSizeMode::Actual);
    settings::setVideoScalingMethod(m_settings, setup.method());

    VideoRun run;
    run.frameTime = doc.frameTime();
    run.scale = settings::useScalingInVideo(m_settings);
    run.method = settings::videoScalingMethod(m_settings);
    run.jpegQuality = settings::exportJpegQuality(m_settings);
    if (settings::showCodecs(m_settings)) {
        // The codecs this system writes; declining the choice writes full frames.
        const QStringList codecs = {tr("Full Frames (Uncompressed)"), tr("Motion JPEG")};
        bool ok = false;
        const QString codec =
            QInputDialog::getItem(&m_frame, tr("Video Compression"), tr("Compressor:"), codecs, 0, false, &ok);
        run.motionJpeg = ok && codec == codecs[1];
    }
    if (writeVideo(path, run) && settings::openVideo(m_settings))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool ExportCommands::copyFrame() {
    CChildFrame* c = child();
    if (c == nullptr || c->document().frameAt(-1) == nullptr) return false;
    // The frame as exported: its own size, annotations burned in where they
    // lie when Page Setup prints them.
    CKelvoDoc& doc = c->document();
    std::vector<uint8_t> bitmap;
    if (doc.exportState().print.printAnnotations) {
        bitmap = RenderFrameForExport(*c->imageView(), -1);
    } else {
        const ImageBuffer* f = doc.frameAt(-1);
        if (f->displayBitmap() != nullptr)
            bitmap.assign(f->displayBitmap(), f->displayBitmap() + f->displayBitmapSize());
    }
    // The same frame as a complete BMP file (file header in front of the
    // packed bitmap) goes on as image/bmp: programs that paste it read a file.
    // The header is only made for a bitmap whose rows all lie in `bitmap`.
    DibLayout layout;
    const std::vector<uint8_t> fileHeader = bmpFileHeader(bitmap.data(), bitmap.size());
    if (fileHeader.empty() || !dibLayout(bitmap.data(), layout)) {
        stopMessage(&m_frame, tr("Clipboard error"));
        return false;
    }
    const uint8_t* rows = bitmap.data() + layout.pixelOffset;
    QImage image;
    if (layout.bitCount == 8) {
        image = QImage(rows, layout.width, layout.height, int(layout.stride), QImage::Format_Indexed8);
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < layout.paletteEntries && i < 256; ++i) {
            const uint8_t* e = bitmap.data() + kDibHeaderSize + 4 * i;
            table[int(i)] = qRgb(e[2], e[1], e[0]);
        }
        image.setColorTable(table);
    } else {
        image = QImage(rows, layout.width, layout.height, int(layout.stride), QImage::Format_BGR888);
    }
    QByteArray bmp(reinterpret_cast<const char*>(fileHeader.data()), qsizetype(fileHeader.size()));
    bmp.append(reinterpret_cast<const char*>(bitmap.data()), qsizetype(layout.totalSize));
    auto* data = new QMimeData;
    data->setImageData(image.mirrored(false, true));
    data->setData(QStringLiteral("image/bmp"), bmp);
    QApplication::clipboard()->setMimeData(data);
    return true;
}

bool ExportCommands::copyReport(RtfVariant variant, const std::vector<int>& frames) {
    CChildFrame* c = child();
    if (c == nullptr || c->document().frameAt(-1) == nullptr) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string report = documentRtfReport(*c, m_settings, variant, frames, &m_frame);
    const bool ok = putRtfOnClipboard(report);
    QApplication::restoreOverrideCursor();
    if (!ok) stopMessage(&m_frame, tr("Clipboard error"));
    return ok;
}

void ExportCommands::copySelected() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    SelectCopyDialog dialog(c->document(), m_settings, &m_frame);
    if (dialog.exec() != QDialog::Accepted) return;
    if (dialog.copyFrames())
        copyReport(dialog.copyHeader() ? RtfVariant::HeaderAndMarkedFrames : RtfVariant::MarkedFrames, dialog.frames());
    else if (dialog.copyHeader())
        copyReport(RtfVariant::Header);
}

void ExportCommands::print() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    QPrintDialog dialog(&printer(), &m_frame);
    if (dialog.exec() != QDialog::Accepted) return;
    printDocumentReport(*c, m_settings, printer());
}

void ExportCommands::printPreview() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    CKelvoEditor* editor = CKelvoEditor::of(*c);
    editor->loadReport(*c, m_settings);
    QPrintPreviewDialog preview(&printer(), &m_frame);
    preview.setObjectName(QStringLiteral("printPreviewDialog"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, editor, [editor](QPrinter* p) { editor->print(p); });
    preview.resize(900, 700);
    preview.exec();
}

void ExportCommands::printSetup() {
    QPrintDialog dialog(&printer(), &m_frame);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.exec();
}

void ExportCommands::pageSetup() {
    CChildFrame* c = child();
    if (c == nullptr) return;
    PageSetupDialog dialog(c->document().exportState().print, &m_frame);
    if (dialog.exec() == QDialog::Accepted) c->document().exportState().print = dialog.settings();
}

} // namespace veltor
