// The export, copy, print and video commands on a real document window:
// overlays burned into exported frames, the Export frames window's names and
// sizes, rich-text copies, a report printed to PDF, and videos (ffprobe).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QtEndian>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QtTest>

#include "app/batch_export_dialogs.h"
#include "app/child_frame.h"
#include "app/export_commands.h"
#include "app/export_controls.h"
#include "app/export_frames_dialog.h"
#include "app/export_rendering.h"
#include "app/image_view.h"
#include "app/kelvo_editor.h"
#include "app/page_setup_dialog.h"
#include "app/view_overlays.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"
#include "imglib/imglib.h"
#include "view/overlay_records.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

CChildFrame* openIn(CMainFrame& w, const QString& path) {
    w.resize(900, 700);
    if (!w.openFile(path)) return nullptr;
    QApplication::processEvents();
    return w.activeChild();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString probe(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-show_entries",
                                        "stream=codec_name,width,height,r_frame_rate,nb_read_frames", "-of", "csv=p=0",
                                        path});
    p.waitForFinished(20000);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// With VELTOR_SCREENSHOTS set to a folder, `w` is saved there as `name`: the
// whole screen under an X server (xvfb-run), the window itself otherwise.
void saveShot(QWidget& w, const QString& name) {
    const QString folder = qEnvironmentVariable("VELTOR_SCREENSHOTS");
    if (folder.isEmpty()) return;
    const QString path = folder + QLatin1Char('/') + name;
    const QRect r = w.frameGeometry();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QProcess::execute(QStringLiteral("import"),
                          {"-window", "root", "-crop",
                           QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                           "+repage", path});
    else
        w.grab().save(path);
}

struct PreviewLook {
    int pages = -1;
    int inked = 0; // pixels of the preview pane darker than its grey backdrop
};

// Opens Print Preview of the active document, looks at the laid-out pages
// (saving the window as `shot` when that is not empty), and closes it.
PreviewLook lookAtPrintPreview(CMainFrame& w, const QString& shot) {
    PreviewLook look;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&seen, &look, shot] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (preview == nullptr || seen) return;
        seen = true;
        QTimer::singleShot(500, preview, [preview, &look, shot] {
            if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) {
                look.pages = widget->pageCount();
                const QImage image = widget->grab().toImage();
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) look.inked += qGray(image.pixel(x, y)) < 128;
            }
            if (!shot.isEmpty()) saveShot(*preview, shot);
            preview->close();
        });
    });
    poll.start(20);
    if (QAction* action = actionNamed(w, QStringLiteral("Print Pre&view")); action != nullptr && action->isEnabled())
        action->trigger();
    return look;
}

} // namespace

class ExportCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void framesCarryTheirOverlaysOnlyWhenShown() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        CChildFrame* child = openIn(w, writeSixteenBit(dir.path(), 1, 64));
        QVERIFY(child != nullptr);
        CKelvoDoc& doc = child->document();
        doc.setRulersOn(false);
        doc.setAnnotationsVisible(false);
        doc.setMeasurementsVisible(false);
        DocumentOverlays& overlays = child->imageView()->overlayView().overlays();
        std::vector<uint8_t> plain = RenderFrameForExport(*child->imageView(), 0);
        QCOMPARE(readDibHeader(plain.data()).bitCount, uint16_t(8));
        QCOMPARE(plain.size(), doc.frameAt(0)->displayBitmapSize());

        TextAnnotation a;
        a.text = "X";
        a.colour = rgbColour(255, 0, 0);
        a.box = {10, 10, 20, 16};
        overlays.addAnnotation(0, a);
        doc.setAnnotationsVisible(true);
        const std::vector<uint8_t> burned = RenderFrameForExport(*child->imageView(), 0);
        QCOMPARE(readDibHeader(burned.data()).bitCount, uint16_t(24));
        PackedPixels before, after;
        QVERIFY(GetPackedPixels(plain.data(), plain.size(), before));
        QVERIFY(GetPackedPixels(burned.data(), burned.size(), after));
        int red = 0, blackened = 0;
        for (int i = 0; i < 64 * 64; ++i) {
            const uint8_t* p = &after.bytes[size_t(3 * i)];
            red += p[0] == 255 && p[1] == 0 && p[2] == 0;
            blackened += (p[0] | p[1] | p[2]) == 0 && before.bytes[size_t(i)] != 0;
        }
        QVERIFY(red > 0);
        QCOMPARE(blackened, 0); // black overlay pixels leave the frame as it was

        // Export as TIFF writes that frame: 24 bits give the 188-byte header.
        const QString tif = dir.path() + "/scan.tif";
        QVERIFY(w.exportCommands()->exportFrameFile(ExportFormat::Tiff, tif));
        QCOMPARE(readAll(tif).size(), 188 + 3 * 64 * 64);
        QCOMPARE(QString::fromStdString(settings.readText("Settings", "TIFF Export Directory", "")), dir.path() + "/");
    }

    void exportFramesNumbersAndSizesTheFiles() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        CChildFrame* child = openIn(w, writeSixteenBit(dir.path(), 6, 16));
        QVERIFY(child != nullptr);
        ExportFramesDialog dialog(*child, settings);
        dialog.setDirectory(dir.path());
        dialog.setBaseName(QStringLiteral("scan.dcm"));
        dialog.frameChoice()->setChoice(FrameChoiceGroup::Selected);
        dialog.frameChoice()->setMarked(child->document().currentFrame(), false);
        dialog.frameChoice()->setMarked(1, true);
        dialog.frameChoice()->setMarked(4, true);
        dialog.frameChoice()->setContinualNumeration(true);
        QCOMPARE(dialog.exportFrames(), 2);
        QVERIFY(QFile::exists(dir.path() + "/scan.dcm_0001.tif"));
        QVERIFY(QFile::exists(dir.path() + "/scan.dcm_0002.tif"));
        dialog.frameChoice()->setContinualNumeration(false);
        dialog.sizeGroup()->setMode(ExportSizeMode::UserDefined);
        dialog.sizeGroup()->setPixels(8, 4);
        dialog.setFormat(ExportFramesDialog::Bmp);
        dialog.setDirectory(dir.path());
        QCOMPARE(dialog.exportFrames(), 2);
        const QByteArray bmp = readAll(dir.path() + "/scan.dcm_0005.bmp");
        QVERIFY(bmp.size() > 54);
        const DibHeader h = readDibHeader(reinterpret_cast<const uint8_t*>(bmp.constData()) + 14);
        QCOMPARE(h.width, 8);
        QCOMPARE(h.height, 4);
        // A folder that does not exist: refused before anything is written.
        dialog.setDirectory(dir.path() + "/missing");
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        QCOMPARE(dialog.exportFrames(), 0);
        dialog.storeAndClose();
        QCOMPARE(settings.readInt("Settings", "Use Scaling at Export", 0), 1);
        QCOMPARE(child->document().exportState().frames.mode, ExportSizeMode::UserDefined);
    }

    void copiesAndPrintedReport() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        CChildFrame* child = openIn(w, writeSixteenBit(dir.path(), 2, 32));
        QVERIFY(child != nullptr);
        ExportCommands* commands = w.exportCommands();
        QVERIFY(commands->copyReport(RtfVariant::Header));
        const QByteArray rtf = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1253"));
        QVERIFY(rtf.contains("0x0028,0x0010"));
        QVERIFY(rtf.endsWith("\\par}}"));
        QVERIFY(commands->copyFrame());
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(32, 32));
        // image/bmp holds a whole BMP file: read as one, it is the same frame.
        const QByteArray bmp = QApplication::clipboard()->mimeData()->data(QStringLiteral("image/bmp"));
        QVERIFY(bmp.startsWith("BM"));
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 2), quint32(bmp.size()));
        const QImage pasted = QImage::fromData(bmp, "BMP");
        QCOMPARE(pasted.size(), QSize(32, 32));
        QCOMPARE(pasted.convertToFormat(QImage::Format_RGB32), copied.convertToFormat(QImage::Format_RGB32));
        QVERIFY(qGray(pasted.pixel(0, 0)) < qGray(pasted.pixel(31, 31))); // the ramp's top row is its dark end
        QVERIFY(actionNamed(w, QStringLiteral("&Copy Frame"))->isEnabled());

        // Page Setup: clearing the images clears and disables the annotations,
        // and brings them back as they were.
        PageSetupDialog setup(child->document().exportState().print);
        setup.printImagesBox()->setChecked(false);
        QVERIFY(!setup.printAnnotationsBox()->isChecked() && !setup.printAnnotationsBox()->isEnabled());
        setup.printImagesBox()->setChecked(true);
        QVERIFY(setup.printAnnotationsBox()->isChecked());

        // The header and frames printed to PDF, its first page rendered.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir.path() + "/report.pdf";
        printer.setOutputFileName(pdf);
        QVERIFY(printDocumentReport(*child, settings, printer));
        QVERIFY(readAll(pdf).startsWith("%PDF"));
        if (QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "40", "-f", "1", "-l", "1", "-png", pdf,
                                                            dir.path() + "/page"}) == 0) {
            const QImage page(dir.path() + "/page-1.png");
            QVERIFY(!page.isNull());
            int dark = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
            QVERIFY(dark > 50); // the table's lines and text
            if (!qEnvironmentVariableIsEmpty("VELTOR_KEEP_PAGE")) page.save(qEnvironmentVariable("VELTOR_KEEP_PAGE"));
        }
        child->document().exportState().print.printHeader = false;
        child->document().exportState().print.printImages = false;
        QVERIFY(!printDocumentReport(*child, settings, printer)); // nothing to print
    }

    void printPreviewShowsTheReport() {
        MainWindowUnderTest fixture;
        fixture.w.show();
        CChildFrame* child = openIn(fixture.w, QStringLiteral(VELTOR_SAMPLE_FILE));
        QVERIFY(child != nullptr);
        child->showMaximized();
        // Nothing to print: one blank sheet, its edges and shadow the only ink.
        PrintSettings& print = child->document().exportState().print;
        const PrintSettings chosen = print;
        print.printHeader = false;
        print.printImages = false;
        const PreviewLook blank = lookAtPrintPreview(fixture.w, QString());
        QCOMPARE(blank.pages, 1);
        print = chosen;
        const PreviewLook report = lookAtPrintPreview(fixture.w, QStringLiteral("print_preview.png"));
        QVERIFY(report.pages >= 1);
        QVERIFY2(report.inked > 2 * blank.inked, qPrintable(QStringLiteral("%1 dark pixels, %2 on a blank sheet")
                                                                    .arg(report.inked)
                                                                    .arg(blank.inked)));
    }

    void videoOfTheIncludedFrames() {
        QProcess check;
        check.start(QStringLiteral("ffprobe"), {"-version"});
        if (!check.waitForFinished(10000) || check.exitCode() != 0) QSKIP("ffprobe is not installed");
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        CChildFrame* child = openIn(w, writeSixteenBit(dir.path(), 5, 24));
        QVERIFY(child != nullptr);
        VideoState& video = child->document().exportState().video;
        video.include = {1, 0, 1, 1, 0};
        video.colour = 1;
        video.size = {ExportSizeMode::UserDefined, false, 40, 20};
        ExportCommands::VideoRun run;
        run.frameTime = 40.0;
        run.scale = true;
        run.method = 1;
        const QString avi = dir.path() + "/clip.avi";
        QVERIFY(w.exportCommands()->writeVideo(avi, run));
        QCOMPARE(probe(avi), QStringLiteral("rawvideo,40,20,25/1,3"));
        run.motionJpeg = true;
        run.scale = false;
        QVERIFY(w.exportCommands()->writeVideo(avi, run));
        QCOMPARE(probe(avi), QStringLiteral("mjpeg,24,24,25/1,3"));
    }

    void batchExportBesideTheSources() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QDir(dir.path()).mkdir(QStringLiteral("tree"));
        const QString source = writeSixteenBit(dir.path() + "/tree", 3, 8);
        BatchExportDialog dialog(settings, true);
        dialog.directory()->setText(dir.path() + "/tree");
        dialog.overwritePrompt()->setChecked(false);
        dialog.exportFiles();
        for (const char* name : {"ramp16_dcm_0000.tif", "ramp16_dcm_0002.tif"})
            QVERIFY(QFile::exists(dir.path() + "/tree/" + name));
        QCOMPARE(dialog.log()->toPlainText().trimmed(), source);
        dialog.format()->setCurrentText(QStringLiteral("HTML"));
        dialog.exportFiles();
        QVERIFY(readAll(dir.path() + "/tree/ramp16.dcm.html").contains("Frame : 0003 <BR>\r\n</TD>"));
        QVERIFY(QFile::exists(dir.path() + "/tree/ramp16.dcm_files/ramp16.dcm_0002.jpg"));
        // An empty folder: "Nothing to do", nothing written.
        QDir(dir.path()).mkdir(QStringLiteral("empty"));
        dialog.directory()->setText(dir.path() + "/empty");
        QString message;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&message] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text();
                box->close();
            }
        });
        closer.start(20);
        dialog.exportFiles();
        QCOMPARE(message, QStringLiteral("Nothing to do      "));
    }
};

QTEST_MAIN(ExportCommandsTest)
#include "test_export_commands.moc"
