// Windowing from the GUI: the Level-Window tool dragged over the image, the
// Tools menu and mini toolbar, and presets on one or every frame.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "app/browse_support.h"
#include "app/child_frame.h"
#include "app/dicom_file_listing.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/preferences_dialog.h"
#include "app/qt_document_ui.h"
#include "app/window_tool.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class WindowLevelTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void levelWindowToolDragsTheWindow() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        w.resize(900, 700);
        QVERIFY(w.openFile(writeSixteenBit(dir.path(), 2, 64)));
        CChildFrame* child = w.activeChild();
        CKelvoDoc& doc = child->document();
        ImageBuffer* frame0 = doc.frameAt(0);
        ImageBuffer* frame1 = doc.frameAt(1);
        QCOMPARE(frame0->minValue(), 0);
        QCOMPARE(frame0->maxValue(), 4095);
        const Window start{frame0->windowCenter(), frame0->windowWidth()};

        QAction* tool = actionNamed(w, "Level-&Window");
        QVERIFY(tool != nullptr);
        QVERIFY(tool->isEnabled());
        bool onMiniBar = false;
        for (QToolBar* bar : w.findChildren<QToolBar*>())
            if (bar->windowTitle() == "Tools Mini Toolbar") onMiniBar = bar->actions().contains(tool);
        QVERIFY(onMiniBar);
        tool->trigger();
        QVERIFY(tool->isChecked());
        QCOMPARE(child->imageView()->model().tool(), ViewTool::LevelWindow);

        QWidget* pane = child->imageView()->viewport();
        const ViewRect r = child->imageView()->model().imageRect();
        const QPoint press((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        sendMouse(pane, QEvent::MouseButtonPress, press, Qt::LeftButton);
        // range = 2 x 4095 - 0 + 1 = 8191: 128 pixels widen by 4095
        sendMouse(pane, QEvent::MouseMove, press + QPoint(128, 0), Qt::LeftButton);
        QCOMPARE(frame0->windowWidth(), std::min(start.width + 4095, 8191));
        QCOMPARE(w.windowTool()->shownWindow(), (Window{frame0->windowCenter(), frame0->windowWidth()}));
        QVERIFY(!actionNamed(w, "&Undo")->isEnabled());
        sendMouse(pane, QEvent::MouseMove, press + QPoint(-100000, 0), Qt::LeftButton);
        QCOMPARE(frame0->windowWidth(), 1);
        // 256 pixels: 8191 wider, which the range caps at 8191
        sendMouse(pane, QEvent::MouseMove, press + QPoint(256, 0), Qt::LeftButton);
        QCOMPARE(frame0->windowWidth(), 8191);
        // release 64 pixels lower: the centre rises by trunc(8191 / 4) = 2047
        sendMouse(pane, QEvent::MouseButtonRelease, press + QPoint(256, 64), Qt::NoButton);
        QCOMPARE(frame0->windowCenter(), std::min(start.center + 2047, 4095));
        QCOMPARE(frame0->windowWidth(), 8191);
        QCOMPARE(frame1->windowWidth(), start.width); // "Apply to all" is off
        QAction* undo = actionNamed(w, "&Undo");
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(frame0->windowWidth(), start.width);
        QCOMPARE(frame0->windowCenter(), start.center);

        // with "Apply to all" the release sets every frame
        actionNamed(w, "&Apply to all")->trigger();
        QVERIFY(doc.applyToAll());
        sendMouse(pane, QEvent::MouseButtonPress, press, Qt::LeftButton);
        sendMouse(pane, QEvent::MouseMove, press + QPoint(0, -64), Qt::LeftButton);
        QCOMPARE(frame1->windowCenter(), start.center); // only the shown frame while dragging
        sendMouse(pane, QEvent::MouseButtonRelease, press + QPoint(0, -64), Qt::NoButton);
        QCOMPARE(frame0->windowCenter(), std::max(start.center - 2047, 0));
        QCOMPARE(frame1->windowCenter(), frame0->windowCenter());

        // the frame dragged keeps the window even when another is shown by the release
        actionNamed(w, "&Apply to all")->trigger();
        const Window second{frame1->windowCenter(), frame1->windowWidth()};
        sendMouse(pane, QEvent::MouseButtonPress, press, Qt::LeftButton);
        sendMouse(pane, QEvent::MouseMove, press + QPoint(-64, 0), Qt::LeftButton);
        doc.setCurrentFrame(1);
        sendMouse(pane, QEvent::MouseButtonRelease, press + QPoint(-64, 0), Qt::NoButton);
        QCOMPARE(frame0->windowWidth(), std::max(second.width - 2047, 1));
        QCOMPARE(frame1->windowWidth(), second.width);
        doc.setCurrentFrame(0);

        // closing the document in the middle of a drag
        sendMouse(pane, QEvent::MouseButtonPress, press, Qt::LeftButton);
        sendMouse(pane, QEvent::MouseMove, press + QPoint(30, 30), Qt::LeftButton);
        child->parentWidget()->close();
        QApplication::processEvents();
        QVERIFY(w.activeChild() == nullptr);
    }

    void presetsOnTheCurrentOrEveryFrame() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeSixteenBit(dir.path(), 3, 16)));
        CKelvoDoc& doc = w.activeChild()->document();
        WindowToolDock* dock = w.windowTool();
        QCheckBox* all = nullptr;
        for (QCheckBox* c : dock->findChildren<QCheckBox*>())
            if (c->text() == "Apply to all frames") all = c;
        QVERIFY(all != nullptr);
        QVERIFY(!all->isChecked());

        dock->showPresets(true);
        dock->presetButton(0)->click(); // CT - Abdomen
        QCOMPARE(doc.frameAt(0)->windowCenter(), 40);
        QCOMPARE(doc.frameAt(0)->windowWidth(), 400);
        QVERIFY(doc.frameAt(1)->windowWidth() != 400);

        all->click();
        QVERIFY(doc.applyToAll());
        dock->presetButton(2)->click(); // CT - Bone 750/3500
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(doc.frameAt(i)->windowCenter(), 750);
            QCOMPARE(doc.frameAt(i)->windowWidth(), 3500);
        }
        // each frame keeps its own undo step
        actionNamed(w, "&Undo")->trigger();
        QCOMPARE(doc.frameAt(0)->windowWidth(), 400);
        QVERIFY(doc.frameAt(2)->windowWidth() != 3500);
    }

    // A file's windows as extra preset buttons; "Keep the file's window" of
    // Preferences for new documents, open ones and file icons; MONOCHROME1
    // shown inverted; the value readout's unit.
    void windowsOfTheFile() {
        MainWindowUnderTest fixture;
        QTemporaryDir& dir = fixture.dir;
        veltor::CMainFrame& w = fixture.w;
        veltor::UserOptions& options = fixture.options;
        auto write = [&](const char* name, const char* photometric) {
            veltor::testing::DicomBytes b;
            b.preamble("1.2.840.10008.1.2.1");
            b.element(0x0028, 0x0004, "CS", photometric);
            b.element(0x0028, 0x0010, "US", std::string("\x01\x00", 2));
            b.element(0x0028, 0x0011, "US", std::string("\x03\x00", 2));
            b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
            b.element(0x0028, 0x0101, "US", std::string("\x10\x00", 2));
            b.element(0x0028, 0x0102, "US", std::string("\x0F\x00", 2));
            b.element(0x0028, 0x1050, "DS", "1000\\40\\-600");
            b.element(0x0028, 0x1051, "DS", "4000\\400\\1500 ");
            b.element(0x0028, 0x1055, "LO", "\\SOFT\\");
            b.element(0x0028, 0x1054, "LO", "OD");
            b.element(0x7FE0, 0x0010, "OW", std::string("\x00\x00\x90\x01\x20\x03", 6)); // 0, 400, 800
            const QString path = dir.path() + "/" + name;
            writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
            return path;
        };
        const QString m2 = write("m2.dcm", "MONOCHROME2 ");
        QVERIFY(w.openFile(m2));
        // the grey of a file icon's left end: sample 0
        auto iconGrey = [&m2] {
            browse::FileListItem item;
            if (!browse::readListItem(m2.toStdString(), true, nullptr, item, nullptr, previewWindow())) return -1;
            const QImage icon = thumbnailImage(item.thumbnail);
            return icon.isNull() ? -1 : qGray(icon.pixel(0, icon.height() / 2));
        };
        const int fittedGrey = iconGrey();
        QVERIFY(fittedGrey >= 0 && fittedGrey < 20); // 1000/4000 does not fit 0 .. 800
        WindowToolDock* dock = w.windowTool();
        dock->refresh();
        QCOMPARE(int(dock->fileWindows().size()), 3);
        QCOMPARE(dock->fileWindowButton(0)->text(), QString("File 1"));
        QCOMPARE(dock->fileWindowButton(1)->text(), QString("SOFT"));
        QCOMPARE(dock->fileWindowButton(2)->text(), QString("File 3"));
        ImageBuffer* frame = w.activeChild()->document().frameAt(0);
        QCOMPARE(frame->windowWidth(), 801); // fitted to the samples
        dock->fileWindowButton(1)->click();
        QCOMPARE(frame->windowCenter(), 40);
        QCOMPARE(frame->windowWidth(), 400);
        QCOMPARE(CMainFrame::valueReadout(w.activeChild()->document(), 400), QString("400 OD"));
        ImageBuffer* windowed = frame;

        PreferencesDialog preferences(options);
        QCheckBox* keep = nullptr;
        for (QCheckBox* c : preferences.findChildren<QCheckBox*>())
            if (c->text() == "Keep the file's window") keep = c;
        QVERIFY(keep != nullptr && !keep->isChecked());
        keep->setChecked(true);
        w.applyPreferences(preferences.edited());
        QVERIFY(options.keepFileWindow());
        QVERIFY(iconGrey() > 40); // 0 in 1000/4000 as stored
        QVERIFY(w.openFile(write("m1.dcm", "MONOCHROME1 ")));
        frame = w.activeChild()->document().frameAt(0);
        QCOMPARE(frame->windowWidth(), 4000); // as stored
        QVERIFY(frame->invertedDisplay());
        PixelValue v;
        QVERIFY(frame->sampleAt(2, 0, v));
        QCOMPARE(v.red, 800); // the stored value
        QVERIFY(frame->displayedValueAt(0, 0, v));
        QVERIFY(v.red > 128); // 0 lies low in 1000/4000: light once inverted

        // Turning the switch off refits the untouched frame at once; the frame
        // windowed from its file's button keeps that window.
        PreferencesDialog again(options);
        for (QCheckBox* c : again.findChildren<QCheckBox*>())
            if (c->text() == "Keep the file's window") c->setChecked(false);
        w.applyPreferences(again.edited());
        QVERIFY(!options.keepFileWindow());
        QCOMPARE(frame->windowWidth(), 801);
        QCOMPARE(frame->firstLevel()->windowWidth, 801);
        QVERIFY(frame->displayedValueAt(2, 0, v));
        QVERIFY(v.red < 5); // the largest sample, inverted
        QCOMPARE(windowed->windowCenter(), 40);
        QCOMPARE(windowed->windowWidth(), 400);
        QCOMPARE(iconGrey(), fittedGrey);
    }
};

QTEST_MAIN(WindowLevelTest)
#include "test_window_level.moc"
