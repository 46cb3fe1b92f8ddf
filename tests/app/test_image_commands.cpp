// The Image menu as a user drives it: commands on one or all frames with
// undo frame by frame, dialogs reached from the menu and the "B" key, the
// palette commands' enabling and checks, and custom palettes from the
// "Palettes" folder beside the program.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/brightness_contrast_dialog.h"
#include "app/child_frame.h"
#include "app/custom_rotation_dialog.h"
#include "app/resample_dialog.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/qt_document_ui.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

// Answers the next modal dialog of type D with `answer` once it shows.
template <typename D> void answerDialog(std::function<void(D&)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(*d);
        }
    });
    timer->start();
}

std::vector<uint8_t> bytesOf(const ImageBuffer& f) {
    const size_t n = size_t(f.width()) * size_t(f.height()) * (f.isColour() ? 3 : 1);
    return {f.pixels(), f.pixels() + n};
}

} // namespace

class ImageCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void applyToAllActsOnEveryFrameAndUndoesFrameByFrame() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        CKelvoDoc& doc = w.activeChild()->document();
        QAction* all = actionNamed(w, "&Apply to all");
        QVERIFY(all->isEnabled());
        all->trigger();
        QVERIFY(all->isChecked());

        actionNamed(w, "&90° Clock Wise")->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(doc.frameAt(i)->width(), 2);
        actionNamed(w, "I&nverse")->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(int(doc.frameAt(i)->pixels()[0]), 255 - 0x10);

        // one undo steps every frame back once
        QAction* undo = actionNamed(w, "&Undo");
        undo->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(int(doc.frameAt(i)->pixels()[0]), 0x10);
        undo->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(doc.frameAt(i)->width(), 4);
            QCOMPARE(doc.frameAt(i)->height(), 2);
        }
        QVERIFY(!undo->isEnabled());

        // off: only the frame shown
        all->trigger();
        QVERIFY(!doc.applyToAll());
        actionNamed(w, "Flip &Vertical")->trigger();
        QCOMPARE(doc.frameHistory().frame(0)->position, 1);
        QCOMPARE(doc.frameHistory().frame(1)->position, 0);
    }

    void dialogCommandsFromTheMenuAndTheBKey() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        ImageBuffer* frame = w.activeChild()->document().frameAt(-1);
        const std::vector<uint8_t> before = bytesOf(*frame);

        // Cancel changes nothing
        answerDialog<BrightnessContrastDialog>([](BrightnessContrastDialog& d) {
            d.setBrightness(40);
            d.reject();
        });
        actionNamed(w, "&Brightness - Contrast...")->trigger();
        QCOMPARE(bytesOf(*frame), before);
        QVERIFY(!actionNamed(w, "&Undo")->isEnabled());

        // "B" in the pane opens the same dialog; OK applies it to the frame
        answerDialog<BrightnessContrastDialog>([](BrightnessContrastDialog& d) {
            d.setBrightness(100); // + trunc(255.5): every value 255
            d.accept();
        });
        QTest::keyClick(w.activeChild()->imageView(), Qt::Key_B);
        QCOMPARE(int(frame->pixels()[0]), 255);
        QVERIFY(actionNamed(w, "&Undo")->isEnabled());
        actionNamed(w, "&Undo")->trigger();
        QCOMPARE(bytesOf(*frame), before);
    }

    void resampleAndCustomRotationOnEveryFrame() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        CKelvoDoc& doc = w.activeChild()->document();
        actionNamed(w, "&Apply to all")->trigger();

        answerDialog<ResampleDialog>([](ResampleDialog& d) {
            QVERIFY(d.applyToAll()); // the dialog starts from the document's flag
            d.setPercent(false);
            d.setConstrained(true);
            d.setWidthValue(8);
            d.accept();
        });
        actionNamed(w, "&Resample...")->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(doc.frameAt(i)->width(), 8);
            QCOMPARE(doc.frameAt(i)->height(), 4);
        }

        // the rotation previews on the frame shown, then reaches the others
        doc.setCurrentFrame(1);
        answerDialog<CustomRotationDialog>([](CustomRotationDialog& d) {
            d.setAngle(30);
            d.setClockwise(true);
            d.preview();
            d.preview();
            d.accept();
        });
        actionNamed(w, "&Custom...")->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(doc.frameAt(i)->width(), doc.frameAt(1)->width());
        QVERIFY(doc.frameAt(0)->width() != 8);
        // a single undo per frame takes the rotation back
        actionNamed(w, "&Undo")->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(doc.frameAt(i)->width(), 8);

        // cancelled after previews: nothing changes, no history
        answerDialog<CustomRotationDialog>([](CustomRotationDialog& d) {
            d.setAngle(45);
            d.preview();
            d.setAngle(10);
            d.preview();
            d.reject();
        });
        const int position = doc.frameHistory().frame(1)->position;
        actionNamed(w, "&Custom...")->trigger();
        QCOMPARE(doc.frameAt(1)->width(), 8);
        QCOMPARE(doc.frameHistory().frame(1)->position, position);
    }

    void aCancelledRotationIsNotOfferedAsRedo() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        ImageBuffer* frame = w.activeChild()->document().frameAt(-1);
        const std::vector<uint8_t> before = bytesOf(*frame);
        actionNamed(w, "I&nverse")->trigger();
        actionNamed(w, "&Undo")->trigger();
        QAction* redo = actionNamed(w, "&Redo");
        QVERIFY(redo->isEnabled());
        answerDialog<CustomRotationDialog>([](CustomRotationDialog& d) {
            d.setAngle(30);
            d.preview();
            d.reject();
        });
        actionNamed(w, "&Custom...")->trigger();
        QCOMPARE(frame->width(), 4);
        QCOMPARE(bytesOf(*frame), before);
        // the inverse's redo level went with the preview; the rotation was cancelled
        QVERIFY(!redo->isEnabled());
        redo->trigger();
        QCOMPARE(frame->width(), 4);
    }

    void paletteCommandsAndCustomPalettes() {
        // custom palettes are read from "Palettes" beside the program
        const QString folder = QCoreApplication::applicationDirPath() + "/Palettes";
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "/warm.txt", "Warm\n255 0 0\n0 255 0\n0 0 255\n"));
        QVERIFY(writeFile(folder + "/blank.txt", "   \n"));
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        UserOptions options;
        CMainFrame w(settings, options);
        QDir(folder).removeRecursively();
        w.show();
        QAction* warm = actionNamed(w, "Warm");
        QVERIFY(warm != nullptr);
        QMenu* customMenu = actionNamed(w, "Custom &Palettes")->menu();
        QCOMPARE(customMenu->actions().size(), 1); // the blank file is no palette
        QCOMPARE(customMenu->actions()[0], warm);

        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        ImageBuffer* frame = w.activeChild()->document().frameAt(-1);
        QVERIFY(actionNamed(w, "&View Palettes...")->isEnabled());
        QVERIFY(!actionNamed(w, "&Extract Palette...")->isEnabled()); // not a PALETTE COLOR file
        QVERIFY(!actionNamed(w, "Grayscale &Weighted")->isEnabled());
        QVERIFY(actionNamed(w, "&Grayscale")->isChecked());
        QVERIFY(warm->isEnabled());
        warm->trigger();
        QCOMPARE(frame->paletteNumber(), 11);
        QVERIFY(warm->isChecked());
        QVERIFY(!actionNamed(w, "&Grayscale")->isChecked());
        const PaletteTable* colours = frame->palette();
        QVERIFY(colours != nullptr);
        actionNamed(w, "&Nih")->trigger();
        QCOMPARE(frame->paletteNumber(), 9);
        QVERIFY(!warm->isChecked());
        actionNamed(w, "&Undo")->trigger();
        QCOMPARE(frame->paletteNumber(), 11);
    }

    void colourFramesTakeNoPalette() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(QStringLiteral(VELTOR_DICOM_TEST_DATA) + "/rgb8.dcm"));
        ImageBuffer* frame = w.activeChild()->document().frameAt(-1);
        QVERIFY(frame->isColour());
        QAction* rgb = actionNamed(w, "&RGB");
        QVERIFY(rgb->isEnabled() && rgb->isChecked());
        QVERIFY(!actionNamed(w, "&Hotiron")->isEnabled());
        QVERIFY(!actionNamed(w, "&View Palettes...")->isEnabled());
        QVERIFY(actionNamed(w, "Grayscale &Weighted")->isEnabled());
        // "&Grayscale" turns the frame grey; chosen again it is the palette
        QAction* grey = actionNamed(w, "&Grayscale");
        QVERIFY(grey->isEnabled());
        grey->trigger();
        QVERIFY(!frame->isColour());
        QVERIFY(!rgb->isEnabled());
        QVERIFY(actionNamed(w, "&Hotiron")->isEnabled());
        grey->trigger();
        QCOMPARE(frame->paletteNumber(), 7);
        QVERIFY(grey->isChecked());
    }
};

QTEST_MAIN(ImageCommandsTest)
#include "test_image_commands.moc"
