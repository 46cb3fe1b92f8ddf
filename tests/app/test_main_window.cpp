// The main window as a user drives it: open, look at the status bar, switch
// panes, step through frames, play a movie.
#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "app/child_frame.h"
#include "app/header_grid.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/qt_document_ui.h"
#include "app/window_tool.h"
#include "app/video_speed_dialog.h"
#include "app/frames_dialog.h"
#include "app/dicom_tags_widget.h"
#include "app/open_by_header_dialog.h"
#include "dicom/dicom_file.h"
#include <QTreeWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include "app_test_support.h"
#include "dicom_bytes.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using namespace veltor::apptest;


class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void menusFollowTheDocuments() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        auto shownMenus = [&w = w] {
            QStringList out;
            for (QAction* a : w.menuBar()->actions())
                if (a->isVisible()) out << a->text();
            return out;
        };
        QCOMPARE(shownMenus(), (QStringList{"&File", "&Options", "&Tools", "&Toolbars", "&Help"}));
        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        QCOMPARE(shownMenus(), (QStringList{"&File", "&Edit", "&View", "&Options", "&Tools", "&Image", "&Zoom",
                                            "&Toolbars", "&Window", "&Help"}));
        QStringList bars;
        for (QAction* a : actionNamed(w, "&Toolbars")->menu()->actions()) bars << a->text();
        QVERIFY(bars.contains("Status Bar"));
        QVERIFY(bars.contains("Tools Mini Toolbar"));
        QVERIFY(bars.contains("Window"));
        w.activeChild()->parentWidget()->close();
        QCOMPARE(shownMenus(), (QStringList{"&File", "&Options", "&Tools", "&Toolbars", "&Help"}));
    }

    void windowMenuTilesAndLinesUpIcons() {
        MainWindowUnderTest fixture;
        CMainFrame& w = fixture.w;
        for (int i = 0; i < 3; ++i) QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        w.resize(1400, 1000);
        QMdiArea* area = w.findChild<QMdiArea*>();
        QTRY_VERIFY(area->viewport()->width() > 3 * 160);
        const QRect free = area->viewport()->rect();
        const QList<QMdiSubWindow*> windows = area->subWindowList();
        QCOMPARE(windows.size(), 3);
        windows[0]->showMaximized();
        actionNamed(w, "Tile &Vertically")->trigger();
        int widths = 0;
        for (QMdiSubWindow* sub : windows) {
            QVERIFY(!sub->isMaximized());
            QCOMPARE(sub->geometry().top(), 0);
            QCOMPARE(sub->height(), free.height());
            widths += sub->width();
        }
        QCOMPARE(widths, free.width());
        windows[2]->showMinimized();
        actionNamed(w, "Tile &Horizontally")->trigger();
        for (QMdiSubWindow* sub : {windows[0], windows[1]}) QCOMPARE(sub->width(), free.width());
        QCOMPARE(windows[0]->height() + windows[1]->height(), free.height());
        // the minimised one sits in the bottom-left corner
        QCOMPARE(windows[2]->geometry().left(), 0);
        QCOMPARE(windows[2]->geometry().bottom(), free.bottom());
    }

    void statusBarOfASingleFrame() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        const QStringList t = w.statusTexts();
        QCOMPARE(t[0], QString("sample_ct.dcm"));
        QCOMPARE(t[3], QString("256x256"));
        QCOMPARE(t[4], QString("001"));
        QCOMPARE(t[5], QString("   1"));
        QCOMPARE(w.recentFiles().size(), 1);
        QVERIFY(!actionNamed(w, "&Next Frame")->isEnabled());

        // the header pane lists the elements
        CChildFrame* child = w.activeChild();
        QVERIFY(child != nullptr);
        actionNamed(w, "&Header")->trigger();
        QCOMPARE(child->currentPane(), CChildFrame::HeaderPane);
        QVERIFY(child->headerView()->rowCount() > 40);
        QCOMPARE(child->headerView()->rowTexts(0)[0], QString("0x0002, 0x0000"));
        actionNamed(w, "&Single Frame")->trigger();
        QCOMPARE(child->currentPane(), CChildFrame::FramePane);
    }

    void unreadableFileLeavesNoWindow() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        UserOptions options;
        CMainFrame w(settings, options);
        QVERIFY(!w.openFile(dir.path() + "/missing.dcm"));
        QCOMPARE(w.mdiArea()->subWindowList().size(), 0);
        QVERIFY(w.statusTexts()[0].isEmpty());
    }

    void framesStepAndPlay() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        CKelvoDoc& doc = w.activeChild()->document();
        QCOMPARE(doc.frameCount(), 3);
        QCOMPARE(w.statusTexts()[4], QString("003"));
        actionNamed(w, "&Next Frame")->trigger();
        QCOMPARE(doc.currentFrame(), 1);
        QCOMPARE(w.statusTexts()[5], QString("   2"));
        actionNamed(w, "&Last Frame")->trigger();
        QCOMPARE(doc.currentFrame(), 2);
        QVERIFY(!actionNamed(w, "&Next Frame")->isEnabled());
        actionNamed(w, "&First Frame")->trigger();
        QCOMPARE(doc.currentFrame(), 0);

        // the movie runs until the command comes again and returns to its start
        actionNamed(w, "&Next Frame")->trigger();
        QAction* movie = actionNamed(w, "&Movie");
        QTimer::singleShot(150, movie, &QAction::trigger);
        movie->trigger();
        QCOMPARE(doc.currentFrame(), 1);
        QVERIFY(!movie->isChecked());

        // the "Frames" dialog: a click on the third thumbnail makes it current
        FramesDialog frames(doc, &w);
        frames.resize(700, 520);
        frames.show();
        const FramesGridLayout grid = frames.layout();
        QCOMPARE(grid.count, 3);
        const ViewRect third = grid.thumbnailRect(2);
        QVERIFY(frames.clickAt(QPoint(third.left + 1, third.top + 1)));
        QCOMPARE(doc.currentFrame(), 2);
        QVERIFY(!frames.clickAt(QPoint(-50, -50)));
    }

    void imageCommandsWithUndo() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeMultiFrame(dir.path())));
        QCOMPARE(w.statusTexts()[3], QString("4x2"));
        QAction* undo = actionNamed(w, "&Undo");
        QVERIFY(!undo->isEnabled());
        actionNamed(w, "&90° Clock Wise")->trigger();
        QCOMPARE(w.statusTexts()[3], QString("2x4"));
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(w.statusTexts()[3], QString("4x2"));
        QVERIFY(actionNamed(w, "&Redo")->isEnabled());

        // palettes on a grey frame: the chosen one is checked
        QAction* hotiron = actionNamed(w, "&Hotiron");
        QVERIFY(hotiron->isEnabled());
        hotiron->trigger();
        QVERIFY(hotiron->isChecked());
        QCOMPARE(w.activeChild()->document().frameAt(-1)->paletteNumber(), 8);
        QVERIFY(!actionNamed(w, "&RGB")->isEnabled());
    }

    void windowToolAndPresets() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        WindowToolDock* tool = w.windowTool();
        QCOMPARE(tool->shownWindow(), (Window{40, 400}));
        QCOMPARE(tool->presetButton(0)->text(), QString("CT - Abdomen"));
        QCOMPARE(tool->presetButton(13)->text(), QString("User 14"));
        QVERIFY(!tool->presetsShown());

        ImageBuffer* frame = w.activeChild()->document().frameAt(-1);
        tool->applyPreset(3); // CT - Brain
        QCOMPARE(frame->windowCenter(), 40);
        QCOMPARE(frame->windowWidth(), 80);
        QCOMPARE(tool->shownWindow(), (Window{40, 80}));
        QVERIFY(actionNamed(w, "&Undo")->isEnabled());

        // a centre outside the frame's range is ignored
        QVERIFY(!tool->requestWindow({frame->maxValue() + 10, 100}));
        QVERIFY(tool->requestWindow({100, 300}));
        QCOMPARE(frame->windowCenter(), 100);

        // Default goes back to the window the frame was created with
        for (QPushButton* b : tool->findChildren<QPushButton*>())
            if (b->text() == "Default") b->click();
        QCOMPARE(frame->windowCenter(), 40);
        QCOMPARE(frame->windowWidth(), 400);

        // with "AutoClose" the panel hides after a preset
        options.setAutoClose(true);
        tool->showPresets(true);
        QVERIFY(tool->presetsShown());
        tool->applyPreset(0);
        QVERIFY(!tool->presetsShown());
    }

    void zoomFromKeysMenusAndTheZoomBox() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        UserOptions options;
        CMainFrame w(settings, options);
        w.resize(1000, 800);
        w.show();
        QVERIFY(w.openFile(VELTOR_SAMPLE_FILE));
        CKelvoDoc& doc = w.activeChild()->document();
        CKelvoView* view = w.activeChild()->imageView();
        QCOMPARE(w.zoomBoxText(), QString("100.00%"));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Plus);
        QCOMPARE(doc.zoomFactor(), 1.1f);
        QCOMPARE(w.zoomBoxText(), QString("110.00%"));
        QVERIFY(actionNamed(w, "&Previous Zoom")->isEnabled());
        actionNamed(w, "Zoom &Normal")->trigger();
        QCOMPARE(doc.zoomFactor(), 1.0f);
        actionNamed(w, "&Previous Zoom")->trigger();
        QCOMPARE(doc.zoomFactor(), 1.1f);
        // the zoom tools are exclusive and shown checked
        QAction* window = actionNamed(w, "Zoom &Window");
        window->trigger();
        QVERIFY(window->isChecked());
        QVERIFY(!actionNamed(w, "&Pan Hand")->isChecked());
        QCOMPARE(view->model().tool(), ViewTool::ZoomWindow);
    }

    void videoSpeedDialogLinksItsEdits() {
        VideoSpeedDialog dialog(10.0, 33.3);
        QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
        QCOMPARE(edits.size(), 2);
        QCOMPARE(edits[0]->text(), QString("10.00"));
        QCOMPARE(edits[1]->text(), QString("100.00"));
        QVERIFY(!edits[1]->isEnabled());
        dialog.findChild<QComboBox*>()->setCurrentIndex(1);
        QVERIFY(edits[1]->isEnabled());
        QTest::keyClicks(edits[1], "");
        edits[1]->setText("25");
        emit edits[1]->textEdited("25");
        QCOMPARE(edits[0]->text(), QString("40.00"));
        QCOMPARE(dialog.frameTime(), 40.0);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "From Header") b->click();
        QCOMPARE(dialog.frameTime(), 33.3);
    }

    void dicomTagsAndOpenByHeader() {
        DicomFile file;
        QVERIFY(file.openFile(VELTOR_SAMPLE_FILE, true));
        DicomTagsDialog dialog(file, QString());
        DicomTagsWidget* tags = dialog.tags();
        // group lengths are never listed
        QCOMPARE(tags->rowCount(), file.elementCount() - 1);
        tags->setTopic(1); // Patient
        QCOMPARE(tags->rowCount(), 4);
        tags->list()->setCurrentItem(tags->list()->topLevelItem(0));
        QCOMPARE(tags->list()->topLevelItem(0)->text(0), QString("0x0010, 0x0010"));
        QCOMPARE(tags->selectedValue(), QString("\"QUILL^ADA \""));
        QCOMPARE(dialog.pickedValue(), QString("QUILL^ADA "));
        tags->setTopic(4); // Image: group 0028 and a few more
        QVERIFY(tags->rowCount() > 10);

        QTemporaryDir dir;
        OpenByHeaderDialog open(dir.path());
        QVERIFY(open.selectFile(VELTOR_SAMPLE_FILE));
        QVERIFY(open.openEnabled());
        QVERIFY(open.tags()->rowCount() > 40);
        QFile text(dir.path() + "/notes.txt");
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray(300, 'x'));
        text.close();
        QVERIFY(!open.selectFile(text.fileName()));
        QVERIFY(!open.openEnabled());
        QCOMPARE(open.tags()->rowCount(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
