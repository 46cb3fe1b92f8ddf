// Preferences, start-up placement, the hand-over to a running viewer and the
// small utilities.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWidgetAction>

#include "app/annotation_dialog.h"
#include "app/child_frame.h"
#include "app/desktop_calculator.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/preferences_dialog.h"
#include "app/qt_document_ui.h"
#include "app/single_instance.h"
#include "app/system_info.h"
#include "app/system_info_dialog.h"
#include "app/view_overlays.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

template <class W> W* widgetNamed(QWidget& parent, const QString& text) {
    for (W* w : parent.findChildren<W*>())
        if (w->text() == text) return w;
    return nullptr;
}

// Clicks `button`; the font dialog it opens is inspected and cancelled.
// Returns the dialog's check boxes as "visible/all" ("none" when no font
// dialog opened).
QString fontDialogCheckBoxes(QPushButton* button) {
    QString seen = QStringLiteral("none");
    QTimer::singleShot(0, [&seen] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
        int visible = 0;
        for (QCheckBox* b : boxes) visible += b->isVisible() ? 1 : 0;
        seen = QStringLiteral("%1/%2").arg(visible).arg(boxes.size());
        dialog->reject();
    });
    button->click();
    return seen;
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void everyControlRoundTripsThroughTheIniFile() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        options.setDefaultAnnotations(true);
        PreferencesDialog dialog(options);
        // the hidden box carries "DefAnnotations" unchanged
        QCheckBox* hidden = widgetNamed<QCheckBox>(dialog, "Start witth default annotations");
        QVERIFY(hidden != nullptr && hidden->isHidden());
        widgetNamed<QCheckBox>(dialog, "Start with rulers on")->setChecked(true);
        widgetNamed<QCheckBox>(dialog, "Show background image")->setChecked(true);
        widgetNamed<QCheckBox>(dialog, "Automatic Pixel Aspect Ratio")->setChecked(false);
        widgetNamed<QCheckBox>(dialog, "Zoom with middle mouse button")->setChecked(true);
        widgetNamed<QCheckBox>(dialog, "Keep the file's window")->setChecked(true);
        widgetNamed<QRadioButton>(dialog, "Upper right")->setChecked(true);
        dialog.findChild<QSpinBox*>("LineWidth")->setValue(3);
        for (int c = 0; c < PreferencesDialog::ColourCount; ++c)
            dialog.setColour(PreferencesDialog::Colour(c), rgbColour(uint8_t(10 + c), uint8_t(20 + c), uint8_t(30 + c)));
        FontOptions anno{14, 700, 1, 0, 0, 161, "DejaVu Serif"};
        FontOptions meas{9, 400, 0, 1, 1, 161, "DejaVu Sans Mono"};
        dialog.setFont(PreferencesDialog::AnnotationFont, anno);
        dialog.setFont(PreferencesDialog::MeasurementFont, meas);
        QCOMPARE(dialog.findChild<QLineEdit*>("AnnotationFontSample")->text(), QString("DejaVu Serif"));
        QCOMPARE(dialog.findChild<QLineEdit*>("AnnotationFontSample")->font().pointSize(), 10);
        w.applyPreferences(dialog.edited());
        w.saveState();

        QSettingsStore reread((dir.path() + "/s.ini").toStdString());
        UserOptions o;
        o.load(reread);
        QVERIFY(o.rulersOn() && o.bgImage() && o.useMButton() && o.defaultAnnotations() && o.keepFileWindow());
        QVERIFY(!o.aspectRatio());
        QCOMPARE(o.axisStart(), AxisCorner::UpperRight);
        QCOMPARE(o.lineWidth(), 3);
        const uint32_t got[] = {o.annotationColor(), o.distanceColor(), o.angleColor(),
                                o.axisColor(),       o.mainBgColor(),   o.docBgColor()};
        for (int c = 0; c < PreferencesDialog::ColourCount; ++c)
            QCOMPARE(got[c], rgbColour(uint8_t(10 + c), uint8_t(20 + c), uint8_t(30 + c)));
        QCOMPARE(o.annotationFont().faceName, anno.faceName);
        QCOMPARE(o.annotationFont().height, 14);
        QCOMPARE(o.annotationFont().weight, 700);
        QCOMPARE(o.annotationFont().italic, 1);
        QCOMPARE(o.measurementFont().faceName, meas.faceName);
        QCOMPARE(o.measurementFont().underline, 1);
        QCOMPARE(o.measurementFont().strikeOut, 1);

        // Cancel changes nothing; a line width out of range opens clamped
        o.setLineWidth(9);
        PreferencesDialog again(o);
        QSpinBox* width = again.findChild<QSpinBox*>("LineWidth");
        QCOMPARE(width->value(), 3);
        width->setValue(0);
        QCOMPARE(width->value(), 1);
        width->stepDown();
        QCOMPARE(again.edited().lineWidth(), 1);
        width->setValue(4);
        QCOMPARE(again.edited().lineWidth(), 3);
        QCOMPARE(o.lineWidth(), 9);
    }

    void fontDialogsOfferNoEffects() {
        // Underline and strike-out (the effects' check boxes) are the record's
        // own, so neither font button offers them.
        UserOptions options;
        PreferencesDialog preferences(options);
        preferences.show();
        QCOMPARE(fontDialogCheckBoxes(widgetNamed<QPushButton>(preferences, "Select Default Font...")),
                 QStringLiteral("0/2"));
        AnnotationDialog annotation(QStringLiteral("Add Annotation"), TextAnnotation{}, false, nullptr);
        annotation.show();
        QCOMPARE(fontDialogCheckBoxes(widgetNamed<QPushButton>(annotation, "Font...")), QStringLiteral("0/2"));
    }

    void okRecoloursOpenViewsAndNewItemsOnly() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        CChildFrame* child = w.activeChild();
        CKelvoView* view = child->imageView();
        QTest::qWait(20);
        auto marginPixel = [view] { return view->viewport()->grab().toImage().pixelColor(1, 1); };
        QCOMPARE(marginPixel(), QColor(0, 70, 100));
        DocumentOverlays& overlays = view->overlayView().overlays();
        TextAnnotation a;
        a.text = "kept";
        a.colour = child->document().annotationColor();
        overlays.addAnnotation(0, a);

        UserOptions edited = options;
        edited.setDocBgColor(rgbColour(200, 10, 40));
        edited.setAnnotationColor(rgbColour(1, 2, 3));
        edited.setAxisColor(rgbColour(9, 8, 7));
        w.applyPreferences(edited);
        QTest::qWait(20);
        QCOMPARE(marginPixel(), QColor(200, 10, 40));
        QCOMPARE(child->document().annotationColor(), rgbColour(1, 2, 3));
        QCOMPARE(overlays.level(0)->annotations.at(0).colour, rgbColour(0, 255, 0));
        QCOMPARE(overlays.rulers(0).colour, rgbColour(9, 8, 7));
        QCOMPARE(options.docBgColor(), rgbColour(200, 10, 40));
    }

    void fileToolbarHoldsItsCommandsInOrder() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        UserOptions options;
        CMainFrame w(settings, options);
        QStringList shown;
        for (QAction* a : w.findChild<QToolBar*>("FileToolbar")->actions()) {
            if (a->isSeparator()) continue;
            QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
            shown << a->text().remove('&').remove("...");
        }
        QCOMPARE(shown, (QStringList{"Open", "Reload", "Close", "Anonymize current file", "Export frames",
                                     "Search", "Print", "Print Preview", "Print Setup", "Page Setup",
                                     "About Veltor Dicom Viewer"}));
        // no bar shows a command as a bare text button
        for (QToolBar* bar : w.findChildren<QToolBar*>())
            for (QAction* a : bar->actions())
                if (!a->isSeparator() && qobject_cast<QWidgetAction*>(a) == nullptr)
                    QVERIFY2(!a->icon().isNull(), qPrintable(bar->windowTitle() + ": " + a->text()));
    }

    void startsOverTheAvailableAreaWithEveryToolbarWhole() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        UserOptions options;
        // Also run on a screen of a set size (see the test list): the
        // platform has to have given it.
        const QSize expected(qEnvironmentVariableIntValue("VELTOR_TEST_SCREEN_WIDTH"),
                             qEnvironmentVariableIntValue("VELTOR_TEST_SCREEN_HEIGHT"));
        if (!expected.isEmpty()) QCOMPARE(QGuiApplication::primaryScreen()->size(), expected);
        auto everyBarWhole = [](CMainFrame& w) {
            for (QToolBar* bar : w.findChildren<QToolBar*>()) {
                if (bar->isHidden()) continue;
                QVERIFY2(bar->geometry().right() < w.width(), qPrintable(bar->windowTitle()));
                QVERIFY2(bar->width() >= bar->sizeHint().width() || bar->orientation() == Qt::Vertical,
                         qPrintable(bar->windowTitle()));
            }
        };
        {
            CMainFrame w(settings, options);
            w.showAtStart();
            QTest::qWait(20);
            QCOMPARE(w.frameGeometry(), w.screen()->availableGeometry());
            everyBarWhole(w);
            w.findChild<QToolBar*>("ContactToolbar")->hide();
            // a layout saved on a wide screen: every bar in one row
            for (QToolBar* bar : w.findChildren<QToolBar*>()) w.removeToolBarBreak(bar);
            w.close();
        }
        // the layout comes back at the next start, in the rows this screen needs
        CMainFrame again(settings, options);
        again.showAtStart();
        QTest::qWait(20);
        QVERIFY(again.findChild<QToolBar*>("ContactToolbar")->isHidden());
        QVERIFY(!again.findChild<QToolBar*>("FileToolbar")->isHidden());
        everyBarWhole(again);
    }

    void aSecondStartHandsItsFilesOver() {
        const QString name = QStringLiteral("veltor-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance client(name);
        QVERIFY(!client.handOver({"/tmp/a.dcm"}, 200)); // nobody listens yet
        SingleInstance server(name);
        QVERIFY(server.listen());
        QSignalSpy received(&server, &SingleInstance::filesReceived);
        QStringList files{"/data/one.dcm", QString::fromUtf8("/data/\xc3\xa9t\xc3\xa9 two.dcm")};
        QVERIFY(client.handOver(files));
        QVERIFY(received.wait(2000));
        QCOMPARE(received.at(0).at(0).toStringList(), files);
    }

    void calculatorAndSystemFigures() {
        QTemporaryDir dir;
        QCOMPARE(findDesktopCalculator(dir.path()), QString());
        QFile calc(dir.path() + "/galculator");
        QVERIFY(calc.open(QIODevice::WriteOnly));
        calc.write("#!/bin/sh\n");
        calc.close();
        QCOMPARE(findDesktopCalculator(dir.path()), QString()); // not executable
        calc.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(findDesktopCalculator("/nonexistent:" + dir.path()), dir.path() + "/galculator");

        QCOMPARE(osNameFromOsRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
                 std::string("Debian GNU/Linux 12 (bookworm)"));
        std::optional<uint64_t> total, free;
        memoryFromMeminfo("MemTotal:       16318412 kB\nMemFree:  100 kB\n", total, free);
        QCOMPARE(*total, uint64_t(16318412));
        QCOMPARE(*free, uint64_t(100)); // MemFree when MemAvailable is missing
        int major = 0, minor = 0, build = 0;
        kernelNumbers("6.1.0-18-amd64", major, minor, build);
        QCOMPARE(major * 10000 + minor * 100 + build, 60100);
        kernelNumbers("garbage", major, minor, build);
        QCOMPARE(major + minor + build, 0);

        SystemFigures f;
        f.osName = "Debian";
        f.kernelMajor = 6;
        f.kernelMinor = 1;
        f.kernelBuild = 0;
        f.kernelText = "Linux";
        f.screenWidth = 1280;
        f.screenHeight = 1024;
        f.bitsPerPixel = 24;
        f.totalMemoryKb = 2048;
        f.disks = {{"/", 1000}, {"/home", 5}};
        QCOMPARE(formatSystemFigures(f), std::string("OS Version Info:\nDebian Version 6.1\nBuild 0 Linux\n\n"
                                                     "Screen:\n1280x1024 (24 bits per pixel)\n\n"
                                                     "Total Memory:\n2048 KB\n\nFree Memory:\nunknown\n\n"
                                                     "Free disk space:\n1000 KB Free on /\n5 KB Free on /home\n\n"));
    }

    void systemInfoHasAnOpenGlPageOnlyWithItsStrings() {
        SystemInfoDialog without(std::nullopt);
        QCOMPARE(without.findChild<QTabWidget*>()->count(), 1);
        QVERIFY(without.findChild<QPlainTextEdit*>("GeneralText")->toPlainText().startsWith("OS Version Info:\n"));
        SystemInfoDialog with(OpenGlStrings{"llvmpipe", "Mesa", "4.5", {"GL_ARB_a"}});
        QCOMPARE(with.findChild<QTabWidget*>()->tabText(1), QString("OpenGL"));
    }

    void anUnwritableSettingsFileIsReported() {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        // the folder of the settings file is a plain file: nothing can be written
        QSettingsStore settings((dir.path() + "/file/s.ini").toStdString());
        settings.writeInt("UserOptions", "LineWidth", 3);
        settings.sync();
        QVERIFY(settings.writeFailed());
    }
};

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
