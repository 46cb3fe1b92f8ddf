// Objects without pixel data (structured reports and the like) open as a
// document of their header: the header pane shows, the frame pane says so,
// and the frame commands find nothing to act on.
#include <QAction>
#include <QImage>
#include <QMdiArea>
#include <QTest>

#include "app/child_frame.h"
#include "app/header_grid.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/qt_document_ui.h"
#include "app_test_support.h"
#include "dicom_bytes.h"
#include "document/kelvo_doc.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using namespace veltor::apptest;

namespace {

// A small structured report: SOP class, a title and a content sequence.
QString writeReport(const QString& folder) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0016, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.88.11"));
    b.element(0x0008, 0x0060, "CS", "SR");
    b.element(0x0010, 0x0010, "PN", "DOE^JANE");
    b.element(0x0040, 0xA040, "CS", "CONTAINER ");
    b.sequence(0x0040, 0xA730, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x0040, 0xA040, "CS", "TEXT");
    b.element(0x0040, 0xA160, "UT", "No acute findings ");
    b.itemEnd().sequenceEnd();
    const QString path = folder + "/report.dcm";
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

// A file the reader refuses, with the reason it gives.
QString writeJpegXl(const QString& folder) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.4.112");
    b.element(0x0008, 0x0016, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.7"));
    b.element(0x0028, 0x0010, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    const QString path = folder + "/jxl.dcm";
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

bool uniform(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return false;
    return true;
}

} // namespace

class NoPixelDataTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QtDocumentUi::failureMilliseconds = 50; }

    void reportOpensOnItsHeader() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeReport(dir.path())));
        CChildFrame* child = w.activeChild();
        QVERIFY(child != nullptr);
        QCOMPARE(child->document().frameCount(), 0);
        QCOMPARE(child->currentPane(), CChildFrame::HeaderPane);
        QVERIFY(child->headerView()->rowCount() >= 5);

        // The frame pane paints its note over the background.
        child->showPane(CChildFrame::FramePane);
        child->resize(400, 300);
        QTest::qWait(20);
        const QImage shot = child->imageView()->viewport()->grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(!uniform(shot));

        // Frame commands have nothing to act on, and do not fail.
        for (const char* caption : {"&Next Frame", "&Previous Frame", "&Zoom In", "Zoom &Out"}) {
            QAction* a = actionNamed(w, caption);
            if (a != nullptr && a->isEnabled()) a->trigger();
        }
        QCOMPARE(child->document().frameCount(), 0);
        QVERIFY(w.statusTexts().size() > 4);
        QCOMPARE(w.statusTexts()[4], QString("000"));
    }

    void refusalCarriesItsReasonOnASecondLine() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(!w.openFile(writeJpegXl(dir.path())));
        QtDocumentUi ui(&w);
        CKelvoDoc doc(settings, options, ui);
        QVERIFY(!doc.load(writeJpegXl(dir.path()).toStdString()));
        QCOMPARE(QString::fromStdString(doc.errorText()),
                 QString("Unsupported Dicom file format   \nJPEG XL is not supported"));
    }
};

QTEST_MAIN(NoPixelDataTest)
#include "test_no_pixel_data.moc"
