// Annotations, measurements, selection, crop, rulers and the statistics
// dialogs from the GUI: tools driven by mouse events, undo and redo in turn
// with image edits, the menus' toggles, context menus and the drawing of
// overlays into an image as exports use it.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/annotation_dialog.h"
#include "app/child_frame.h"
#include "app/crop_panel_widget.h"
#include "app/histogram_dialog.h"
#include "app/image_view.h"
#include "app/info_dialog.h"
#include "app/main_window.h"
#include "app/overlay_painting.h"
#include "app/pixel_spacing_dialog.h"
#include "app/qt_document_ui.h"
#include "app/rulers_setup_dialog.h"
#include "app/view_overlays.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    QApplication::sendEvent(target, &event);
}

void click(QWidget* pane, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    mouse(pane, QEvent::MouseButtonPress, at, button);
    mouse(pane, QEvent::MouseButtonRelease, at, button);
}

void drag(QWidget* pane, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    mouse(pane, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
    mouse(pane, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, modifiers);
    mouse(pane, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
    mouse(pane, QEvent::MouseButtonRelease, to, Qt::LeftButton, modifiers);
}

// Runs `answer` on the next modal dialog of type D once it shows.
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

// The texts of the next popup menu, which is then closed.
void readPopup(QStringList& texts, const QString& trigger = {}) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &texts, trigger] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        timer->stop();
        timer->deleteLater();
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) texts << a->text();
        for (QAction* a : menu->actions())
            if (a->text() == trigger) {
                menu->setActiveAction(a);
                a->trigger();
            }
        menu->close();
    });
    timer->start();
}

struct Opened {
    CChildFrame* child;
    CKelvoView* view;
    QWidget* pane;
    ViewOverlays* overlays;
    QPoint origin; // the image's top-left pixel in the pane
};

QPoint originOf(CKelvoView* view) {
    const ViewRect r = view->model().imageRect();
    const ViewPoint s = view->model().scrollPosition();
    return QPoint(r.left - s.x, r.top - s.y);
}

Opened open(CMainFrame& w, const QString& path) {
    w.resize(900, 700);
    if (!w.openFile(path)) return {};
    QApplication::processEvents();
    CChildFrame* child = w.activeChild();
    CKelvoView* view = child->imageView();
    return {child, view, view->viewport(), &view->overlayView(), originOf(view)};
}

} // namespace

class OverlaysTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void overlayEditsUndoInTurnWithImageEdits() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        const Opened o = open(w, writeSixteenBit(dir.path(), 2, 64));
        QVERIFY(o.child != nullptr);
        CKelvoDoc& doc = o.child->document();
        const auto level = [](ViewOverlays* v) -> const OverlayLevel& { return *v->overlays().level(-1); };

        actionNamed(w, "Mesure &Length")->trigger();
        QCOMPARE(o.view->model().tool(), ViewTool::MeasureLength);
        click(o.pane, o.origin + QPoint(10, 20));
        mouse(o.pane, QEvent::MouseMove, o.origin + QPoint(25, 20), Qt::NoButton);
        QCOMPARE(o.overlays->lengthTool().liveLabel(), std::string("16mm"));
        click(o.pane, o.origin + QPoint(29, 20));
        QCOMPARE(level(o.overlays).lengths.size(), size_t(1));
        QCOMPARE(level(o.overlays).lengths[0].label, std::string("20mm"));

        PixelValue before, v;
        QVERIFY(doc.frameAt(0)->sampleAt(3, 3, before));
        actionNamed(w, "I&nverse")->trigger();

        actionNamed(w, "&Annotation Text")->trigger();
        answerDialog<AnnotationDialog>([](AnnotationDialog& d) {
            QVERIFY(d.allFramesBox()->isEnabled()); // two frames alike
            QVERIFY(!d.allFramesBox()->isChecked());
            d.textEdit()->setText(QStringLiteral("<b>not bold</b>"));
            d.accept();
        });
        click(o.pane, o.origin + QPoint(5, 40));
        QTRY_COMPARE(level(o.overlays).annotations.size(), size_t(1));
        const TextAnnotation& a = level(o.overlays).annotations[0];
        QCOMPARE(a.text, std::string("<b>not bold</b>"));
        QCOMPARE(a.box.x, 5);
        QCOMPARE(a.box.y, 40 - a.box.height);
        QCOMPARE(doc.frameAt(1)->width(), 64);
        QVERIFY(o.overlays->overlays().level(1)->annotations.empty()); // one frame only

        QAction* undo = actionNamed(w, "&Undo");
        QAction* redo = actionNamed(w, "&Redo");
        QVERIFY(undo->isEnabled());
        undo->trigger(); // the annotation
        QVERIFY(level(o.overlays).annotations.empty());
        QCOMPARE(level(o.overlays).lengths.size(), size_t(1));
        undo->trigger(); // the image edit
        QVERIFY(doc.frameAt(0)->sampleAt(3, 3, v));
        QCOMPARE(v, before);
        QCOMPARE(level(o.overlays).lengths.size(), size_t(1));
        undo->trigger(); // the length
        QVERIFY(level(o.overlays).lengths.empty());
        QVERIFY(!undo->isEnabled());
        redo->trigger();
        redo->trigger();
        QVERIFY(doc.frameAt(0)->sampleAt(3, 3, v));
        QVERIFY(!(v == before));
        QVERIFY(level(o.overlays).annotations.empty());
        redo->trigger();
        QCOMPARE(level(o.overlays).annotations.size(), size_t(1));
        QVERIFY(!redo->isEnabled());

        // the move tool drags the annotation; a drag on another frame's empty spot does nothing
        actionNamed(w, "Mo&ve Annotation")->trigger();
        const QPoint grab = o.origin + QPoint(a.box.x + 2, a.box.y + 2);
        drag(o.pane, grab, grab + QPoint(10, 5), Qt::ShiftModifier);
        QCOMPARE(level(o.overlays).annotations[0].box.x, 5);
        QCOMPARE(level(o.overlays).annotations[0].box.y, 40 - a.box.height + 5);
        undo->trigger();
        QCOMPARE(level(o.overlays).annotations[0].box.y, 40 - a.box.height);
    }

    void togglesSwitchToolsAndFollowTheDocument() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        const Opened o = open(w, writeSixteenBit(dir.path(), 1, 32));
        CKelvoDoc& doc = o.child->document();
        QAction* annotations = actionNamed(w, "&Annotations");
        QAction* measurements = actionNamed(w, "&Measurments");
        QAction* rulers = actionNamed(w, "&Rulers");
        QVERIFY(annotations->isChecked());
        QVERIFY(measurements->isChecked());
        QCOMPARE(rulers->isChecked(), options.rulersOn());

        actionNamed(w, "Mo&ve Annotation")->trigger();
        annotations->trigger();
        QVERIFY(!doc.annotationsVisible());
        QVERIFY(!annotations->isChecked());
        QCOMPARE(o.view->model().tool(), ViewTool::PanHand);
        QVERIFY(!actionNamed(w, "&Annotation Text")->isEnabled());
        QVERIFY(actionNamed(w, "Mesure &Length")->isEnabled());

        actionNamed(w, "M&esure Angle")->trigger();
        measurements->trigger();
        QCOMPARE(o.view->model().tool(), ViewTool::PanHand);
        QVERIFY(!actionNamed(w, "M&esure Angle")->isEnabled());
        measurements->trigger();
        QVERIFY(actionNamed(w, "M&esure Angle")->isEnabled());

        rulers->trigger();
        QCOMPARE(doc.rulersOn(), !options.rulersOn());
        QVERIFY(!actionNamed(w, "&Inverse Selection")->isEnabled()); // nothing selected yet
    }

    void selectionKeysCommandsAndCrop() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        Opened o = open(w, writeSixteenBit(dir.path(), 1, 64));
        CKelvoDoc& doc = o.child->document();
        ImageBuffer* frame = doc.frameAt(0);

        actionNamed(w, "&Selection Rectangle")->trigger();
        drag(o.pane, o.origin + QPoint(30, 30), o.origin + QPoint(10, 10));
        QCOMPARE(frame->selection()->boundingBox(), (ImageRect{10, 10, 31, 31}));
        QVERIFY(o.overlays->antsRunning());
        QVERIFY(actionNamed(w, "&Inverse Selection")->isEnabled());
        // Shift adds a second rectangle
        drag(o.pane, o.origin + QPoint(40, 40), o.origin + QPoint(50, 50), Qt::ShiftModifier);
        QVERIFY(frame->selection()->selected(45, 45));
        QVERIFY(frame->selection()->selected(20, 20));

        QTest::keyClick(o.view, Qt::Key_I);
        QVERIFY(!frame->selection()->selected(20, 20));
        QVERIFY(frame->selection()->selected(60, 5));
        QTest::keyClick(o.view, Qt::Key_Delete); // Clear
        PixelValue v;
        QVERIFY(frame->sampleAt(60, 5, v));
        QCOMPARE(v.red, frame->background16());
        QVERIFY(frame->sampleAt(20, 20, v));
        QVERIFY(v.red != frame->background16());

        actionNamed(w, "&Unselect")->trigger();
        QVERIFY(!frame->selection()->hasOutline());
        QTRY_VERIFY(!o.overlays->antsRunning());
        actionNamed(w, "&Undo")->trigger();
        QVERIFY(frame->selection()->hasOutline());

        drag(o.pane, o.origin + QPoint(5, 8), o.origin + QPoint(24, 17));
        actionNamed(w, "Crop To &Selection")->trigger();
        QCOMPARE(frame->width(), 20);
        QCOMPARE(frame->height(), 10);
        QVERIFY(!frame->selection()->hasOutline());
        actionNamed(w, "&Undo")->trigger();
        QCOMPARE(frame->width(), 64);

        // the Crop tool: its panel, Escape, Undo and a click inside
        actionNamed(w, "&Crop")->trigger();
        QVERIFY(o.overlays->cropPanel()->isVisible());
        o.origin = originOf(o.view); // the panel takes room beside the pane
        drag(o.pane, o.origin + QPoint(10, 10), o.origin + QPoint(40, 30));
        QVERIFY(o.overlays->cropTool().shown());
        QCOMPARE(o.overlays->cropPanel()->sizeBox(CropAxis::X)->value(), 31);
        o.overlays->cropPanel()->sizeBox(CropAxis::X)->setValue(21); // the view's rectangle follows
        QCOMPARE(o.overlays->cropTool().rect(), (ImageRect{10, 10, 30, 30}));
        o.overlays->cropPanel()->sizeBox(CropAxis::X)->setValue(100); // refused: back to 21
        QCOMPARE(o.overlays->cropPanel()->sizeBox(CropAxis::X)->value(), 21);
        QTest::keyClick(o.view, Qt::Key_Escape);
        QVERIFY(!o.overlays->cropTool().shown());
        drag(o.pane, o.origin + QPoint(10, 10), o.origin + QPoint(40, 30));
        QVERIFY(o.overlays->cropTool().shown());
        click(o.pane, o.origin + QPoint(25, 20));
        QCOMPARE(frame->width(), 31);
        QCOMPARE(frame->height(), 21);
        o.origin = originOf(o.view); // the smaller frame is centred again
        drag(o.pane, o.origin + QPoint(2, 2), o.origin + QPoint(20, 18));
        QVERIFY(o.overlays->cropTool().shown());
        actionNamed(w, "&Undo")->trigger();
        QVERIFY(!o.overlays->cropTool().shown());
        QCOMPARE(frame->width(), 64);
        // Tools Palettes hides the panel and gives its room back to the pane.
        QAction* palettes = actionNamed(w, "&Tools Palettes");
        QVERIFY(palettes->isChecked());
        const int narrow = o.view->viewport()->width();
        palettes->trigger();
        QVERIFY(!o.overlays->cropPanel()->isVisible());
        QVERIFY(o.view->viewport()->width() > narrow);
        palettes->trigger();
        QVERIFY(o.overlays->cropPanel()->isVisible());
        actionNamed(w, "&Pan Hand")->trigger();
        QVERIFY(!o.overlays->cropPanel()->isVisible());
    }

    void contextMenusAndCopyRoi() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        const Opened o = open(w, writeSixteenBit(dir.path(), 2, 64));
        actionNamed(w, "&Selection Rectangle")->trigger();
        drag(o.pane, o.origin + QPoint(10, 10), o.origin + QPoint(29, 19));
        QStringList texts;
        readPopup(texts);
        click(o.pane, o.origin + QPoint(15, 15), Qt::RightButton);
        QTRY_VERIFY(!texts.isEmpty());
        QVERIFY(texts.contains("Copy &ROI"));
        QVERIFY(texts.contains("Cl&ear"));
        QVERIFY(texts.contains("&Inverse Selection"));
        QVERIFY(texts.contains("&Unselect"));
        QVERIFY(texts.contains("Crop To &Selection"));

        QApplication::clipboard()->clear();
        actionNamed(w, "Copy &ROI")->trigger();
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(20, 10));

        // the item menu of a length with its tool, and Delete from it
        actionNamed(w, "Mesure &Length")->trigger();
        click(o.pane, o.origin + QPoint(50, 40));
        click(o.pane, o.origin + QPoint(20, 40));
        const LengthMeasurement m = o.overlays->overlays().level(-1)->lengths.at(0);
        texts.clear();
        readPopup(texts, "Delete");
        click(o.pane, o.origin + QPoint(m.labelBox.x + 2, m.labelBox.y + 2), Qt::RightButton);
        QTRY_VERIFY(!texts.isEmpty());
        QCOMPARE(texts, (QStringList{"Font...", "Color...", "Delete", "Add to all frames"}));
        QTRY_VERIFY(o.overlays->overlays().level(-1)->lengths.empty());
        // other tools open no item menu
        actionNamed(w, "&Undo")->trigger();
        actionNamed(w, "M&esure Angle")->trigger();
        bool opened = false;
        QTimer::singleShot(0, [&] { opened = QApplication::activePopupWidget() != nullptr; });
        click(o.pane, o.origin + QPoint(m.labelBox.x + 2, m.labelBox.y + 2), Qt::RightButton);
        QApplication::processEvents();
        QVERIFY(!opened);
    }

    void overlaysDrawIntoAnImageAsExportsUseThem() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        const Opened o = open(w, writeSixteenBit(dir.path(), 1, 200));
        DocumentOverlays& overlays = o.overlays->overlays();
        CKelvoDoc& doc = o.child->document();
        TextAnnotation a;
        a.text = "marker";
        a.colour = rgbColour(0, 255, 0);
        a.box = {100, 100, 40, 16};
        overlays.addAnnotation(0, a);
        overlays.addLength(0, overlays.makeLength({10, 150}, {90, 150}));
        QVERIFY(overlaysShown(overlays, 0));
        const auto render = [&] {
            QImage image(200, 200, QImage::Format_RGB32);
            image.fill(Qt::black);
            QPainter p(&image);
            paintFrameOverlays(p, overlays, 0, QPoint(0, 0), 1.0f);
            return image;
        };
        const auto lit = [](const QImage& image, QRect r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) != 0 ? 1 : 0;
            return n;
        };
        QImage image = render();
        QVERIFY(lit(image, QRect(100, 100, 40, 16)) > 10);                // the text
        QCOMPARE(image.pixel(50, 150) & 0xFFFFFF, QColor(255, 0, 0).rgb() & 0xFFFFFF); // the length
        QCOMPARE(lit(image, QRect(0, 0, 90, 90)), 0);
        doc.setRulersOn(true);
        overlays.setRulers(0, {AxisCorner::UpperLeft, rgbColour(255, 255, 255)});
        image = render();
        QCOMPARE(image.pixel(100, 25) & 0xFFFFFF, 0xFFFFFFu); // the horizontal axis at b + 25
        doc.setAnnotationsVisible(false);
        doc.setMeasurementsVisible(false);
        image = render();
        QCOMPARE(lit(image, QRect(100, 100, 40, 16)), 0);
        doc.setRulersOn(false);
        QVERIFY(!overlaysShown(overlays, 0));
    }

    void histogramInfoSpacingAndRulersDialogs() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        const Opened o = open(w, writeSixteenBit(dir.path(), 2, 64));
        CKelvoDoc& doc = o.child->document();
        ImageBuffer* frame = doc.frameAt(0);
        QVERIFY(frame->fillValue(1000) == 1);
        HistogramDialog histogram(*frame);
        QCOMPARE(histogram.channelBox()->count(), 1);
        QCOMPARE(histogram.slider()->value(), 99);
        QCOMPARE(histogram.meanText(), QString("Mean Value: 1000.00"));
        QCOMPARE(histogram.deviationText(), QString("Std. Deviation: 0.00"));
        QCOMPARE(histogram.graph().width(), 260);

        // a selection of 400 pixels at 0.5 x 0.5 mm and 2 mm: 1.00 cm2 and 0.20 cm3
        doc.setCurrentFrame(1);
        QVERIFY(doc.frameAt(1)->selectRectangle({0, 0, 19, 19}) == 1);
        PixelSpacingDialog spacing(doc);
        QVERIFY(!spacing.fromHeaderButton()->isEnabled()); // the file gave no spacing
        spacing.horizontalEdit()->setText("0.5");
        spacing.verticalEdit()->setText(" 0,5 ");
        spacing.thicknessEdit()->setText("2");
        spacing.accept();
        QCOMPARE(doc.pixelSpacingRow(), 0.5);
        InfoDialog info(doc);
        QTreeWidget* list = info.list();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(6), QString());
        QCOMPARE(list->topLevelItem(1)->text(1), QString("400"));
        QCOMPARE(list->topLevelItem(1)->text(6), QString("1.00"));
        QCOMPARE(list->topLevelItem(1)->text(7), QString("0.20"));
        QCOMPARE(list->topLevelItem(2)->text(0), QString("Total"));
        QCOMPARE(list->topLevelItem(2)->text(6), QString("1.00"));

        // text that is no number is refused with a message; a negative spacing means pixels
        PixelSpacingDialog bad(doc);
        bad.horizontalEdit()->setText("abc");
        answerDialog<QMessageBox>([](QMessageBox& box) { box.accept(); });
        bad.accept();
        QCOMPARE(doc.pixelSpacingColumn(), 0.5);
        bad.horizontalEdit()->setText("-2");
        bad.accept();
        QCOMPARE(doc.pixelSpacingColumn(), 1.0);
        QCOMPARE(doc.pixelSpacingRow(), 1.0);

        RulersSetupDialog rulers({AxisCorner::LowerLeft, 0x00FFFFFF}, options);
        rulers.setCorner(AxisCorner::UpperRight);
        rulers.setColour(rgbColour(255, 255, 0));
        QCOMPARE(options.axisStart(), AxisCorner::LowerLeft);
        rulers.defaultButton()->click();
        QCOMPARE(options.axisStart(), AxisCorner::UpperRight);
        QCOMPARE(options.axisColor(), rgbColour(255, 255, 0));
    }
};

QTEST_MAIN(OverlaysTest)
#include "test_overlays.moc"
