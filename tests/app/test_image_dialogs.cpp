// The four image-command dialogs that preview on a copy of the frame:
// "Brightness - Contrast", "Thresholding", "Resample" and "Canvas Size".
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <numeric>
#include <vector>

#include "app/brightness_contrast_dialog.h"
#include "app/canvas_size_dialog.h"
#include "app/frame_preview.h"
#include "app/resample_dialog.h"
#include "app/slider_with_value.h"
#include "app/thresholding_dialog.h"
#include "imaging/image_buffer.h"

using namespace veltor;

namespace {

std::vector<uint8_t> levelBytes(const ImageBuffer& f) {
    return {f.pixels(), f.pixels() + f.currentLevel()->dataSize};
}

// Everything a preview must leave alone in the frame it was opened on.
struct FrameState {
    std::vector<uint8_t> samples;
    std::vector<uint8_t> display;
    int level = 0;
    int lastLevel = 0;
    int historyLength = 0;
    int windowCenter = 0;

    explicit FrameState(const ImageBuffer& f)
        : samples(levelBytes(f)),
          display(f.displayBitmap(), f.displayBitmap() + f.displayBitmapSize()),
          level(f.currentLevelIndex()), lastLevel(f.lastLevelIndex()),
          historyLength(f.history()->length()), windowCenter(f.windowCenter()) {}
    bool operator==(const FrameState&) const = default;
};

std::vector<int> samplesOf(const ImageBuffer& f) {
    std::vector<int> out;
    PixelValue v;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x) {
            f.sampleAt(x, y, v);
            out.push_back(v.red);
        }
    return out;
}

// The preview widget paints exactly the preview copy's display bitmap.
bool showsDisplayOf(const FramePreview& preview, const ImageBuffer& f) {
    if (preview.frame() != &f) return false;
    const QImage image = preview.shownImage();
    if (image.width() != f.width() || image.height() != f.height()) return false;
    PixelValue v;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x) {
            f.displayedValueAt(x, y, v);
            if (image.pixel(x, y) != qRgb(v.red, v.green, v.blue)) return false;
        }
    return true;
}

template <typename Button> Button* buttonNamed(QWidget& dialog, const QString& text) {
    for (Button* b : dialog.findChildren<Button*>())
        if (b->text() == text) return b;
    return nullptr;
}

void makeGrey(ImageBuffer& f, int width, int height, const std::vector<uint8_t>& samples) {
    QCOMPARE_EQ(f.createFromCopy8(width, height, int(samples.size()), 0, samples.data()), 1);
}

void make16(ImageBuffer& f, int width, int height, const std::vector<int16_t>& samples) {
    QCOMPARE_EQ(f.createFromCopy16(width, height, 16, 0, 0, samples.data()), 1);
}

} // namespace

class ImageDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void brightnessContrastPreviewsOnACopy();
    void brightnessContrastPreviewZooms();
    void thresholdingLimitsAndModes();
    void thresholdingHistogramAndPreviewChoice();
    void thresholdingColourFrame();
    void resampleSizes();
    void resamplePreviewAndOptions();
    void resampleRefusesTooLargeSizes();
    void canvasSizeDefaultsAndPreview();
    void canvasSizeSixteenBitFill();
    void framesWithoutPixelsOpenEmpty();
};

void ImageDialogsTest::brightnessContrastPreviewsOnACopy() {
    ImageBuffer frame;
    makeGrey(frame, 4, 2, {0, 20, 40, 60, 100, 150, 200, 250});
    const FrameState before(frame);

    BrightnessContrastDialog d(frame, nullptr);
    d.show();
    QCOMPARE(d.windowTitle(), QString("Brightness - Contrast"));
    QCOMPARE(d.brightness(), 0);
    QCOMPARE(d.contrast(), 0);
    auto* brightness = d.findChild<SliderWithValue*>("brightness");
    auto* contrast = d.findChild<SliderWithValue*>("contrast");
    QVERIFY(brightness && contrast);
    QCOMPARE(brightness->slider()->minimum(), -100);
    QCOMPARE(brightness->slider()->maximum(), 100);
    QCOMPARE(contrast->spinBox()->minimum(), -100);
    auto* preview = d.findChild<FramePreview*>("preview");
    QVERIFY(preview);
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{0, 20, 40, 60, 100, 150, 200, 250}));

    // Brightness 20 adds 51 (20 x 2.55 + 0.5 = 51.5), held to 255.
    brightness->slider()->setValue(20);
    QCOMPARE(d.brightness(), 20);
    QCOMPARE(brightness->spinBox()->value(), 20);
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{51, 71, 91, 111, 151, 201, 251, 255}));
    QVERIFY(showsDisplayOf(*preview, d.previewFrame()));

    // Each change starts from the untouched copy: brightness 20 then 40 is
    // 40, not 60; the spin box drives the slider too.
    brightness->spinBox()->setValue(40);
    QCOMPARE(brightness->slider()->value(), 40);
    QCOMPARE(samplesOf(d.previewFrame()),
             (std::vector<int>{102, 122, 142, 162, 202, 252, 255, 255}));
    d.setBrightness(0);
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{0, 20, 40, 60, 100, 150, 200, 250}));

    // Contrast -100 compresses 0 .. 255 to its middle.
    d.setContrast(-100);
    const std::vector<int> flat = samplesOf(d.previewFrame());
    QVERIFY(*std::max_element(flat.begin(), flat.end()) -
                *std::min_element(flat.begin(), flat.end()) <=
            1);
    QVERIFY(showsDisplayOf(*preview, d.previewFrame()));
    d.setContrast(35);
    d.setBrightness(-10);
    QCOMPARE(frame.currentLevelIndex(), 0);
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.brightness(), -10);
    QCOMPARE(d.contrast(), 35);
    QVERIFY(FrameState(frame) == before);

    // The caller's operation with the dialog's values gives what was previewed.
    QCOMPARE(frame.brightnessContrast(int16_t(d.brightness()), int16_t(d.contrast())), 1);
    QCOMPARE(samplesOf(frame), samplesOf(d.previewFrame()));
}

void ImageDialogsTest::brightnessContrastPreviewZooms() {
    std::vector<int16_t> samples(64 * 32);
    std::iota(samples.begin(), samples.end(), int16_t(-100));
    ImageBuffer frame;
    make16(frame, 64, 32, samples);
    frame.setWindow(500, 800);
    frame.rebuildDisplay();
    const FrameState before(frame);
    {
        BrightnessContrastDialog d(frame, nullptr);
        d.show();
        auto* preview = d.findChild<FramePreview*>("preview");
        QVERIFY(preview->zoomable());
        QCOMPARE(preview->zoom(), 1.0);
        preview->zoomIn();
        QVERIFY(preview->zoom() > 1.0);
        QWheelEvent wheel(QPointF(10, 10), preview->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview, &wheel);
        QCOMPARE(preview->zoom(), 1.0); // never below the whole frame
        // The preview copy keeps the frame's window.
        QCOMPARE(d.previewFrame().windowCenter(), 500);
        d.setBrightness(50);
        QVERIFY(samplesOf(d.previewFrame()) != samplesOf(frame));
        QVERIFY(showsDisplayOf(*preview, d.previewFrame()));
        d.reject();
    }
    QVERIFY(FrameState(frame) == before);
}

void ImageDialogsTest::thresholdingLimitsAndModes() {
    // 0 .. 4095 in steps of 65 (and 4095 itself): 64 samples.
    std::vector<int16_t> samples(64);
    for (int i = 0; i < 63; ++i)
        samples[size_t(i)] = int16_t(i * 65);
    samples[63] = 4095;
    ImageBuffer frame;
    make16(frame, 8, 8, samples);
    QCOMPARE(frame.minValue(), 0);
    QCOMPARE(frame.maxValue(), 4095);
    const FrameState before(frame);

    ThresholdingDialog d(frame, nullptr);
    d.show();
    QCOMPARE(d.windowTitle(), QString("Thresholding"));
    QCOMPARE(d.lower(), 1365);
    QCOMPARE(d.upper(), 2730);
    QCOMPARE(d.mode(), 0);
    auto* lower = d.findChild<SliderWithValue*>("lower");
    auto* upper = d.findChild<SliderWithValue*>("upper");
    QCOMPARE(lower->slider()->minimum(), 0);
    QCOMPARE(lower->slider()->maximum(), 4095);
    QCOMPARE(lower->value(), 1365);
    QCOMPARE(upper->value(), 2730);

    // Neither limit passes the other, whichever control moves it.
    lower->slider()->setValue(3000);
    QCOMPARE(d.lower(), 2730);
    QCOMPARE(lower->slider()->value(), 2730);
    QCOMPARE(lower->spinBox()->value(), 2730);
    upper->spinBox()->setValue(100);
    QCOMPARE(d.upper(), 2730);
    QCOMPARE(upper->slider()->value(), 2730);
    d.setLower(1000);
    d.setUpper(2000);
    QCOMPARE(d.lower(), 1000);
    QCOMPARE(d.upper(), 2000);

    // The modes in their group, in order.
    auto* group = d.findChild<QGroupBox*>();
    QCOMPARE(group->title(), QString("Between Limits"));
    const QList<QRadioButton*> modes = group->findChildren<QRadioButton*>();
    QStringList names;
    for (QRadioButton* b : modes)
        names << b->text();
    QCOMPARE(names, (QStringList{"Keep Values", "Apply Window", "Black and White", "Stretch"}));
    QVERIFY(modes[0]->isChecked());

    // Black and White: inside the limits the maximum, outside the minimum.
    modes[2]->click();
    QCOMPARE(d.mode(), 2);
    std::vector<int> expected;
    for (int16_t s : samples)
        expected.push_back(s >= 1000 && s <= 2000 ? 4095 : 0);
    QCOMPARE(samplesOf(d.previewFrame()), expected);
    QVERIFY(showsDisplayOf(*d.findChild<FramePreview*>("preview"), d.previewFrame()));

    // Keep Values: inside unchanged, outside the minimum.
    d.setMode(0);
    expected.clear();
    for (int16_t s : samples)
        expected.push_back(s >= 1000 && s <= 2000 ? s : 0);
    QCOMPARE(samplesOf(d.previewFrame()), expected);

    d.setMode(3);
    d.reject();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(d.mode(), 3);
    QVERIFY(FrameState(frame) == before);
}

void ImageDialogsTest::thresholdingHistogramAndPreviewChoice() {
    // 0 .. 4095: 4096 values, 16 per bin.
    std::vector<int16_t> samples = {0, 15, 16, 31, 32, 4095, 4080, 2000};
    ImageBuffer frame;
    make16(frame, 4, 2, samples);
    ThresholdingDialog d(frame, nullptr);
    d.show();
    const Histogram256& h = d.histogram();
    QCOMPARE(h[0], 2u);
    QCOMPARE(h[1], 2u);
    QCOMPARE(h[2], 1u);
    QCOMPARE(h[125], 1u);
    QCOMPARE(h[255], 2u);
    QCOMPARE(std::accumulate(h.begin(), h.end(), 0u), 8u);
    QVERIFY(d.findChild<QWidget*>("histogram"));

    auto* preview = d.findChild<FramePreview*>("preview");
    QVERIFY(!d.showingOriginal());
    QCOMPARE(preview->frame(), &d.previewFrame());
    QRadioButton* original = buttonNamed<QRadioButton>(d, "Original");
    QVERIFY(original && buttonNamed<QRadioButton>(d, "Processed"));
    original->click();
    QVERIFY(d.showingOriginal());
    QVERIFY(showsDisplayOf(*preview, d.originalFrame()));
    QCOMPARE(samplesOf(d.originalFrame()), samplesOf(frame));
    // Changes made while the original shows still reach the processed copy.
    d.setMode(2);
    QCOMPARE(samplesOf(d.previewFrame())[7], 4095);
    d.showOriginal(false);
    QVERIFY(showsDisplayOf(*preview, d.previewFrame()));
}

void ImageDialogsTest::thresholdingColourFrame() {
    // Colour frames are compared by luminance over 0 .. 255.
    const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 200, 200, 200};
    ImageBuffer frame;
    QCOMPARE(frame.createFromCopy8(2, 2, 12, 1, rgb.data()), 1);
    ThresholdingDialog d(frame, nullptr);
    QCOMPARE(d.lower(), 85);
    QCOMPARE(d.upper(), 170);
    d.setMode(2);
    // Luminances 76.7, 150.2, 29.6, 200.5: only green lies inside.
    PixelValue v;
    d.previewFrame().sampleAt(1, 0, v);
    QCOMPARE(v, (PixelValue{255, 255, 255}));
    d.previewFrame().sampleAt(0, 0, v);
    QCOMPARE(v, (PixelValue{0, 0, 0}));
    d.previewFrame().sampleAt(1, 1, v);
    QCOMPARE(v, (PixelValue{0, 0, 0}));
    QCOMPARE(levelBytes(frame), rgb);
}

void ImageDialogsTest::resampleSizes() {
    ImageBuffer frame;
    makeGrey(frame, 400, 200, std::vector<uint8_t>(400 * 200, 7));
    ResampleDialog d(frame, 1.5, false, true, nullptr);
    d.show();
    QCOMPARE(d.windowTitle(), QString("Resample"));
    QCOMPARE(d.newWidth(), 400);
    QCOMPARE(d.newHeight(), 200);
    auto* width = d.findChild<QDoubleSpinBox*>("width");
    auto* height = d.findChild<QDoubleSpinBox*>("height");
    QCOMPARE(width->minimum(), 1.0);
    QCOMPARE(width->maximum(), 32767.0);

    // Constrained proportions: the other side follows the frame's aspect.
    QVERIFY(buttonNamed<QCheckBox>(d, "Constrain Proportions")->isChecked());
    QVERIFY(!buttonNamed<QCheckBox>(d, "Scaled size")->isChecked());
    width->setValue(200);
    QCOMPARE(d.newWidth(), 200);
    QCOMPARE(d.newHeight(), 100);
    QCOMPARE(height->value(), 100.0);
    d.setHeightValue(33);
    QCOMPARE(d.newWidth(), 66);

    // Percent of the frame size.
    buttonNamed<QRadioButton>(d, "Percent")->click();
    QVERIFY(d.percent());
    QCOMPARE(width->value(), 16.5);
    QCOMPARE(height->suffix(), QString(" %"));
    d.setWidthValue(50);
    QCOMPARE(d.newWidth(), 200);
    QCOMPARE(d.newHeight(), 100);
    QCOMPARE(height->value(), 50.0);

    // Free proportions.
    d.setConstrained(false);
    d.setHeightValue(25);
    QCOMPARE(d.newWidth(), 200);
    QCOMPARE(d.newHeight(), 50);
    buttonNamed<QRadioButton>(d, "Pixels")->click();
    QCOMPARE(width->value(), 200.0);
    QCOMPARE(height->value(), 50.0);

    // Scaled size starts from the displayed size, 1.5 x the frame.
    d.setScaledSize(true);
    QCOMPARE(d.newWidth(), 600);
    QCOMPARE(d.newHeight(), 300);
    QCOMPARE(width->value(), 600.0);
    d.setScaledSize(false);
    QCOMPARE(d.newWidth(), 400);

    ImageBuffer square;
    makeGrey(square, 512, 512, std::vector<uint8_t>(512 * 512, 1));
    ResampleDialog p(square, 20.0, false, true, nullptr);
    p.setPercent(true);
    p.setWidthValue(50);
    QCOMPARE(p.newWidth(), 256);
    QCOMPARE(p.newHeight(), 256);
    p.setScaledSize(true); // the display scale stops at 8
    QCOMPARE(p.newWidth(), 4096);
    QCOMPARE(p.widthValue(), 800.0);
}

void ImageDialogsTest::resamplePreviewAndOptions() {
    std::vector<uint8_t> samples(16);
    std::iota(samples.begin(), samples.end(), uint8_t(0));
    ImageBuffer frame;
    makeGrey(frame, 4, 4, samples);
    const FrameState before(frame);

    ResampleDialog d(frame, 1.0, true, true, nullptr);
    d.show();
    auto* method = d.findChild<QComboBox*>();
    QCOMPARE(method->count(), 3);
    QCOMPARE(method->itemText(0), QString("Nearest Neighbour "));
    QCOMPARE(method->itemText(1), QString("Bilinear"));
    QCOMPARE(method->itemText(2), QString("Bicubic"));
    QCOMPARE(d.method(), 1);
    QVERIFY(d.applyToAll());

    // Nearest neighbour 4 x 4 -> 2 x 2 takes (0, 0), (2, 0), (0, 2), (2, 2).
    d.setMethod(0);
    d.setWidthValue(2);
    QCOMPARE(d.newHeight(), 2);
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{0, 2, 8, 10}));
    QVERIFY(showsDisplayOf(*d.findChild<FramePreview*>("preview"), d.previewFrame()));

    // A size beyond the preview's is previewed reduced, in proportion.
    d.setConstrained(false);
    d.setWidthValue(1024);
    d.setHeightValue(512);
    QCOMPARE(d.previewFrame().width(), 256);
    QCOMPARE(d.previewFrame().height(), 128);

    QCheckBox* all = buttonNamed<QCheckBox>(d, "Apply to all frames");
    QVERIFY(all && all->isEnabled() && all->isChecked());
    all->setChecked(false);
    QVERIFY(!d.applyToAll());
    d.setMethod(2);
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.method(), 2);
    QVERIFY(FrameState(frame) == before);

    // Apply to all is offered only when the frames allow it.
    ResampleDialog single(frame, 1.0, true, false, nullptr);
    QVERIFY(!buttonNamed<QCheckBox>(single, "Apply to all frames")->isEnabled());
    QVERIFY(!single.applyToAll());
    QVERIFY(!ResampleDialog(frame, 1.0, false, true, nullptr).applyToAll());
}

void ImageDialogsTest::resampleRefusesTooLargeSizes() {
    const std::vector<uint8_t> rgb(10 * 10 * 3, 50);
    ImageBuffer frame;
    QCOMPARE(frame.createFromCopy8(10, 10, int(rgb.size()), 1, rgb.data()), 1);
    ResampleDialog d(frame, 1.0, false, true, nullptr);
    d.show();
    d.setWidthValue(32767); // constrained: 32767 x 32767 RGB is over 2 GB
    QCOMPARE(d.newHeight(), 32767);
    QVERIFY(!d.problem().isEmpty());
    auto* message = d.findChild<QLabel*>("message");
    QVERIFY(message->isVisible());
    QVERIFY(message->text().contains("32767 x 32767"));
    d.accept();
    QVERIFY(d.isVisible());
    QCOMPARE(d.result(), 0);
    d.setWidthValue(20000); // 1.2 GB: allowed
    QVERIFY(d.problem().isEmpty());
    QVERIFY(!message->isVisible());
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(levelBytes(frame), rgb);

    // The same size is fine for a grey frame.
    ImageBuffer grey;
    makeGrey(grey, 10, 10, std::vector<uint8_t>(100, 3));
    ResampleDialog g(grey, 1.0, false, true, nullptr);
    g.setWidthValue(32767);
    QVERIFY(g.problem().isEmpty());
}

void ImageDialogsTest::canvasSizeDefaultsAndPreview() {
    ImageBuffer frame;
    makeGrey(frame, 2, 2, {1, 2, 3, 4});
    frame.setBackground8(0x302010);
    const FrameState before(frame);

    CanvasSizeDialog d(frame, nullptr);
    d.show();
    QCOMPARE(d.windowTitle(), QString("Canvas Size"));
    QCOMPARE(d.newWidth(), 2);
    QCOMPARE(d.newHeight(), 2);
    QCOMPARE(d.anchor(), 4);
    QCOMPARE(d.fill(), 0x302010);
    QVERIFY(d.findChild<QPushButton*>("fillColour"));
    QVERIFY(!d.findChild<QSpinBox*>("fillValue"));
    auto* width = d.findChild<QSpinBox*>("width");
    QCOMPARE(width->minimum(), 1);
    QCOMPARE(width->maximum(), 32767);

    // Centred: the added ring takes the fill's low byte (0x10).
    d.setNewWidth(4);
    d.setNewHeight(4);
    QCOMPARE(samplesOf(d.previewFrame()),
             (std::vector<int>{16, 16, 16, 16, 16, 1, 2, 16, 16, 3, 4, 16, 16, 16, 16, 16}));
    QVERIFY(showsDisplayOf(*d.findChild<FramePreview*>("preview"), d.previewFrame()));

    // The anchor buttons: 8 keeps the frame at the bottom right.
    QList<QToolButton*> cells = d.findChildren<QToolButton*>();
    QCOMPARE(cells.size(), 9);
    cells[8]->click();
    QCOMPARE(d.anchor(), 8);
    d.setFill(0x0000FF);
    QCOMPARE(d.fill(), 0xFF);
    d.setNewWidth(3);
    QCOMPARE(samplesOf(d.previewFrame()),
             (std::vector<int>{255, 255, 255, 255, 255, 255, 255, 1, 2, 255, 3, 4}));

    // Smaller than the frame crops it.
    d.setAnchor(0);
    d.setNewWidth(1);
    d.setNewHeight(1);
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{1}));
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.newWidth(), 1);
    QCOMPARE(d.anchor(), 0);
    QVERIFY(FrameState(frame) == before);

    // An RGB canvas too large for a frame is refused.
    const std::vector<uint8_t> rgb(12, 9);
    ImageBuffer colour;
    QCOMPARE(colour.createFromCopy8(2, 2, 12, 1, rgb.data()), 1);
    CanvasSizeDialog c(colour, nullptr);
    c.show();
    c.setNewWidth(32767);
    c.setNewHeight(32767);
    QVERIFY(!c.problem().isEmpty());
    c.accept();
    QVERIFY(c.isVisible());
    // Its preview is worked out reduced.
    QVERIFY(c.previewFrame().width() <= 256);
    c.setNewHeight(2);
    QVERIFY(c.problem().isEmpty());
    PixelValue v;
    c.previewFrame().sampleAt(0, 0, v);
    QCOMPARE(v, (PixelValue{0, 0, 0}));
}

void ImageDialogsTest::canvasSizeSixteenBitFill() {
    ImageBuffer frame;
    make16(frame, 2, 1, {-500, 1500});
    frame.setBackground16(4000); // outside the range: the minimum is used
    CanvasSizeDialog d(frame, nullptr);
    QVERIFY(!d.findChild<QPushButton*>("fillColour"));
    auto* value = d.findChild<QSpinBox*>("fillValue");
    QVERIFY(value);
    QCOMPARE(value->minimum(), -500);
    QCOMPARE(value->maximum(), 1500);
    QCOMPARE(d.fill(), -500);
    value->setValue(700);
    QCOMPARE(d.fill(), 700);
    d.setAnchor(3);
    d.setNewWidth(3);
    d.setNewHeight(2);
    // Middle-left: one row added, split 0 above and 1 below (dh / 2 = 0).
    QCOMPARE(samplesOf(d.previewFrame()), (std::vector<int>{-500, 1500, 700, 700, 700, 700}));
    d.setFill(99999);
    QCOMPARE(d.fill(), 1500);

    frame.setBackground16(20);
    QCOMPARE(CanvasSizeDialog(frame, nullptr).fill(), 20);
}

// A frame that failed to load has no store: the dialogs open with nothing to
// preview instead of failing.
void ImageDialogsTest::framesWithoutPixelsOpenEmpty() {
    const ImageBuffer empty;
    BrightnessContrastDialog b(empty, nullptr);
    b.setBrightness(30);
    QVERIFY(!b.previewFrame().hasStore());
    QVERIFY(b.findChild<FramePreview*>("preview")->shownImage().isNull());
    ThresholdingDialog t(empty, nullptr);
    t.setMode(1);
    QCOMPARE(t.lower(), 0);
    QCOMPARE(t.upper(), 0);
    ResampleDialog r(empty, 2.0, false, false, nullptr);
    r.setWidthValue(10);
    QCOMPARE(r.newWidth(), 10);
    QVERIFY(!r.previewFrame().hasStore());
    CanvasSizeDialog c(empty, nullptr);
    c.setNewWidth(5);
    QCOMPARE(c.newWidth(), 5);
    QVERIFY(!c.previewFrame().hasStore());
}

QTEST_MAIN(ImageDialogsTest)
#include "test_image_dialogs.moc"
