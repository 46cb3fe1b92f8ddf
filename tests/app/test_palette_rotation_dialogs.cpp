// The Custom Rotation dialog with its preview on the frame, the View Palettes
// window with its colour strip, and Extract Palette with its name window.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include "app/custom_rotation_dialog.h"
#include "app/save_custom_palette_dialog.h"
#include "app/view_palettes_dialog.h"
#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "document/custom_palettes.h"
#include "imaging/image_buffer.h"
#include "imaging/palettes.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

// A grey frame whose samples differ from pixel to pixel, so that any
// rotation left behind shows.
std::vector<uint8_t> gradient(int width, int height) {
    std::vector<uint8_t> v(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) v[size_t(y) * size_t(width) + size_t(x)] = uint8_t((x * 7 + y * 13) & 0xFF);
    return v;
}

bool makeFrame(ImageBuffer& frame, int width, int height) {
    const std::vector<uint8_t> v = gradient(width, height);
    return frame.createFromCopy8(width, height, int32_t(v.size()), 0, v.data()) == 1;
}

std::vector<uint8_t> samples(const ImageBuffer& frame) {
    const ImageLevel* level = frame.currentLevel();
    if (level == nullptr) return {};
    return {level->pixels, level->pixels + level->dataSize};
}

// Runs `handle` on the first modal window of type T that opens, from the
// event loop of the modal window itself.
template <typename T>
void whenModalOpens(std::function<void(T*)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            handle(w);
        }
    });
    timer->start();
}

// A PALETTE COLOR file of 2 x 1 pixels with 8-bit tables red = k,
// green = 255 - k, blue = k / 2, made by `manufacturer` (none when empty).
DicomFile* paletteFile(DicomFile& f, const std::string& manufacturer, bool palette = true) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    if (!manufacturer.empty()) b.element(0x0008, 0x0070, "LO", manufacturer);
    b.element(0x0028, 0x0004, "CS", palette ? "PALETTE COLOR " : "MONOCHROME2 ");
    b.element(0x0028, 0x0010, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    std::string red(256, '\0'), green(256, '\0'), blue(256, '\0');
    for (int k = 0; k < 256; ++k) {
        red[size_t(k)] = char(k);
        green[size_t(k)] = char(255 - k);
        blue[size_t(k)] = char(k / 2);
    }
    b.element(0x0028, 0x1201, "OW", red);
    b.element(0x0028, 0x1202, "OW", green);
    b.element(0x0028, 0x1203, "OW", blue);
    b.element(0x7FE0, 0x0010, "OB", std::string("\x01\x02", 2));
    return f.openMemory(b.bytes().data(), b.size(), false) ? &f : nullptr;
}

PaletteBlock block(const std::string& name, int red, int green, int blue) {
    PaletteBlock b;
    b.name = name;
    for (int k = 0; k < 256; ++k) {
        b.red[size_t(k)] = (red + k) & 0xFF;
        b.green[size_t(k)] = green;
        b.blue[size_t(k)] = (blue * k) & 0xFF;
    }
    return b;
}

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'));
}

} // namespace

class PaletteRotationDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void rotationCancelAfterPreviewsRestoresFrame();
    void rotationCancelWithoutPreviewKeepsEarlierEdits();
    void rotationClosingWindowUndoesPreview();
    void rotationOkKeepsPreviewedRotation();
    void rotationOkWithoutPreviewAndWithChangedValues();
    void rotationAngleZeroChangesNothing();
    void rotationMethodListAndSetting();
    void palettesListAndSelection();
    void palettesStripShowsSelectedTable();
    void saveCustomPaletteWindow();
    void extractWritesFileAndAppends();
    void extractThroughNameWindow();
    void extractCancelledOrWithoutPalette();
    void extractUnwritablePathReports();
};

void PaletteRotationDialogsTest::rotationCancelAfterPreviewsRestoresFrame() {
    ImageBuffer frame;
    QVERIFY(makeFrame(frame, 100, 50));
    const std::vector<uint8_t> before = samples(frame);
    MemorySettingsStore settings;
    int repaints = 0;
    CustomRotationDialog dialog(frame, settings, [&] { ++repaints; });
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Custom Rotation"));

    dialog.setAngle(10);
    QCOMPARE(dialog.preview(), 1);
    dialog.setAngle(20);
    dialog.setClockwise(false);
    QCOMPARE(dialog.preview(), 1);
    dialog.setAngle(30);
    dialog.setClockwise(true);
    dialog.setMethod(2);
    QCOMPARE(dialog.preview(), 1);
    QVERIFY(dialog.previewed());
    // Each preview replaced the previous one: a single rotation of the original.
    QCOMPARE(frame.width(), 112);
    QCOMPARE(frame.height(), 93);
    QCOMPARE(frame.canUndo(), 1);
    QCOMPARE(repaints, 3);

    dialog.reject();
    QCOMPARE(dialog.applied(), false);
    QCOMPARE(repaints, 4);
    QCOMPARE(frame.width(), 100);
    QCOMPARE(frame.height(), 50);
    QVERIFY(samples(frame) == before);
    QCOMPARE(frame.canUndo(), 0);
    // The last preview stays as a redo step.
    QCOMPARE(frame.canRedo(), 1);
    QCOMPARE(frame.redo(), 1);
    QCOMPARE(frame.width(), 112);
    QCOMPARE(frame.height(), 93);
    // Cancel does not store the method.
    QCOMPARE(settings::rotateScalingMethod(settings), 1);
}

void PaletteRotationDialogsTest::rotationCancelWithoutPreviewKeepsEarlierEdits() {
    ImageBuffer frame;
    QVERIFY(makeFrame(frame, 8, 6));
    QCOMPARE(frame.invert(), 1);
    const std::vector<uint8_t> inverted = samples(frame);
    MemorySettingsStore settings;
    int repaints = 0;
    {
        CustomRotationDialog dialog(frame, settings, [&] { ++repaints; });
        dialog.setAngle(45);
        dialog.reject();
    }
    QCOMPARE(repaints, 0);
    QVERIFY(samples(frame) == inverted);
    QCOMPARE(frame.canUndo(), 1);
    QCOMPARE(frame.canRedo(), 0);
}

void PaletteRotationDialogsTest::rotationClosingWindowUndoesPreview() {
    ImageBuffer frame;
    QVERIFY(makeFrame(frame, 20, 10));
    const std::vector<uint8_t> before = samples(frame);
    MemorySettingsStore settings;
    CustomRotationDialog dialog(frame, settings, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setAngle(60);
    QCOMPARE(dialog.preview(), 1);
    QVERIFY(frame.width() != 20);
    QVERIFY(dialog.close());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(frame.width(), 20);
    QVERIFY(samples(frame) == before);
}

void PaletteRotationDialogsTest::rotationOkKeepsPreviewedRotation() {
    ImageBuffer frame;
    QVERIFY(makeFrame(frame, 100, 50));
    frame.setBackground8(200);
    const std::vector<uint8_t> before = samples(frame);
    MemorySettingsStore settings;
    int repaints = 0;
    CustomRotationDialog dialog(frame, settings, [&] { ++repaints; });
    dialog.setAngle(30);
    dialog.setClockwise(true);
    QCOMPARE(dialog.preview(), 1);
    const std::vector<uint8_t> previewed = samples(frame);
    dialog.accept();
    QVERIFY(dialog.applied());
    QCOMPARE(frame.width(), 112);
    QCOMPARE(frame.height(), 93);
    QVERIFY(samples(frame) == previewed);
    // Corners are outside the rotated original: background fill.
    PixelValue corner;
    QVERIFY(frame.sampleAt(0, 0, corner));
    QCOMPARE(corner.red, 200);
    // The rotation is one edit: one undo gives the original back.
    QCOMPARE(frame.undo(), 1);
    QCOMPARE(frame.canUndo(), 0);
    QVERIFY(samples(frame) == before);

    // The same values for the other frames.
    QCOMPARE(dialog.angle(), 30);
    QVERIFY(dialog.clockwise());
    QCOMPARE(dialog.method(), 1);
    ImageBuffer other;
    QVERIFY(makeFrame(other, 100, 50));
    other.setBackground8(200);
    QCOMPARE(dialog.operation()(other), 1);
    QVERIFY(samples(other) == previewed);
}

void PaletteRotationDialogsTest::rotationOkWithoutPreviewAndWithChangedValues() {
    ImageBuffer reference;
    QVERIFY(makeFrame(reference, 40, 30));
    QCOMPARE(reference.rotateCounterClockwise(25.0f, 0), 1);

    // OK without a preview applies the rotation.
    {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 40, 30));
        MemorySettingsStore settings;
        int repaints = 0;
        CustomRotationDialog dialog(frame, settings, [&] { ++repaints; });
        dialog.setAngle(25);
        dialog.setClockwise(false);
        dialog.setMethod(0);
        dialog.accept();
        QVERIFY(dialog.applied());
        QCOMPARE(repaints, 1);
        QVERIFY(samples(frame) == samples(reference));
        QCOMPARE(frame.undo(), 1);
        QCOMPARE(frame.canUndo(), 0);
    }
    // Values changed after the preview: the frame ends with the values shown,
    // applied once to the original, the same as operation() gives.
    {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 40, 30));
        MemorySettingsStore settings;
        CustomRotationDialog dialog(frame, settings, {});
        dialog.setAngle(70);
        QCOMPARE(dialog.preview(), 1);
        dialog.setAngle(25);
        dialog.setClockwise(false);
        dialog.setMethod(0);
        dialog.accept();
        QVERIFY(dialog.applied());
        QCOMPARE(frame.width(), reference.width());
        QCOMPARE(frame.height(), reference.height());
        QVERIFY(samples(frame) == samples(reference));
        QCOMPARE(frame.undo(), 1);
        QCOMPARE(frame.canUndo(), 0);
    }
}

void PaletteRotationDialogsTest::rotationAngleZeroChangesNothing() {
    for (const bool previewFirst : {false, true}) {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 100, 50));
        const std::vector<uint8_t> before = samples(frame);
        MemorySettingsStore settings;
        CustomRotationDialog dialog(frame, settings, {});
        QCOMPARE(dialog.angle(), 0);
        if (previewFirst) {
            dialog.setAngle(30);
            QCOMPARE(dialog.preview(), 1);
            dialog.setAngle(0);
            QCOMPARE(dialog.preview(), 0);
            QVERIFY(!dialog.previewed());
        }
        dialog.accept();
        QVERIFY(!dialog.applied());
        QCOMPARE(frame.width(), 100);
        QCOMPARE(frame.height(), 50);
        QVERIFY(samples(frame) == before);
        QCOMPARE(frame.canUndo(), 0);
        ImageBuffer other;
        QVERIFY(makeFrame(other, 10, 10));
        QCOMPARE(dialog.operation()(other), 0);
    }
}

void PaletteRotationDialogsTest::rotationMethodListAndSetting() {
    ImageBuffer frame;
    QVERIFY(makeFrame(frame, 10, 10));
    MemorySettingsStore settings;
    {
        CustomRotationDialog dialog(frame, settings, {});
        auto* list = dialog.findChild<QComboBox*>();
        QVERIFY(list != nullptr);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(0), QStringLiteral("Nearest Neighbour "));
        QCOMPARE(list->itemText(1), QStringLiteral("Bilinear"));
        QCOMPARE(list->itemText(2), QStringLiteral("Bicubic"));
        // Nothing stored yet: bilinear.
        QCOMPARE(dialog.method(), 1);
        dialog.setMethod(2);
        dialog.setAngle(5);
        dialog.accept();
    }
    QCOMPARE(settings::rotateScalingMethod(settings), 2);
    {
        CustomRotationDialog dialog(frame, settings, {});
        QCOMPARE(dialog.method(), 2);
        dialog.setMethod(0);
        dialog.accept(); // angle 0: no rotation, but the method is kept
    }
    QCOMPARE(settings::rotateScalingMethod(settings), 0);
    settings::setRotateScalingMethod(settings, 7);
    CustomRotationDialog dialog(frame, settings, {});
    QCOMPARE(dialog.method(), 1);
    // The slider and the spin edit move together, within 0 .. 90.
    auto* slider = dialog.findChild<QSlider*>();
    QVERIFY(slider != nullptr);
    slider->setValue(40);
    QCOMPARE(dialog.angle(), 40);
    dialog.setAngle(120);
    QCOMPARE(dialog.angle(), 90);
    QCOMPARE(slider->value(), 90);
}

void PaletteRotationDialogsTest::palettesListAndSelection() {
    const std::vector<PaletteBlock> custom = {block("Warm", 10, 20, 3), block("Cold", 200, 5, 1)};
    {
        ViewPalettesDialog dialog(8, -1, custom);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("View Palettes"));
        QComboBox* list = dialog.list();
        QCOMPARE(list->count(), 13);
        QCOMPARE(list->itemText(0), QStringLiteral("Blackbody"));
        QCOMPARE(list->itemText(5), QStringLiteral("GE_Color"));
        QCOMPARE(list->itemText(10), QStringLiteral("Spectrum"));
        QCOMPARE(list->itemText(11), QStringLiteral("Warm"));
        QCOMPARE(list->itemText(12), QStringLiteral("Cold"));
        QCOMPARE(dialog.selectedPalette(), 8);
        list->setCurrentIndex(12);
        QCOMPARE(dialog.selectedPalette(), 12);
    }
    // A frame showing a custom palette: the one chosen last.
    QCOMPARE(ViewPalettesDialog(11, 1, custom).selectedPalette(), 12);
    QCOMPARE(ViewPalettesDialog(11, 0, custom).selectedPalette(), 11);
    // Nothing to point at: "Grayscale".
    QCOMPARE(ViewPalettesDialog(11, -1, custom).selectedPalette(), 7);
    QCOMPARE(ViewPalettesDialog(11, 2, custom).selectedPalette(), 7);
    QCOMPARE(ViewPalettesDialog(11, 0, {}).selectedPalette(), 7);
    QCOMPARE(ViewPalettesDialog(-3, -1, {}).selectedPalette(), 7);
    QCOMPARE(ViewPalettesDialog(0, -1, {}).selectedPalette(), 0);
}

void PaletteRotationDialogsTest::palettesStripShowsSelectedTable() {
    const std::vector<PaletteBlock> custom = {block("Warm", 10, 20, 3), block("Cold", 200, 5, 1)};
    ViewPalettesDialog dialog(8, -1, custom);
    dialog.resize(700, dialog.sizeHint().height());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    PaletteStrip* strip = dialog.strip();
    QVERIFY(strip->width() > 256);

    // The first column whose colour is wrong, as text; empty when all match.
    const auto mismatch = [&](const PaletteTable& table) -> QString {
        const QImage image = strip->grab().toImage();
        const int left = (strip->width() - 256) / 2;
        if (strip->firstColumn() != left) return QStringLiteral("strip not centred");
        for (int y : {strip->height() / 2, strip->contentsRect().top(), strip->contentsRect().bottom()})
            for (int k = 0; k < 256; ++k) {
                const PaletteEntry& e = table[size_t(k)];
                const QRgb got = image.pixel(left + k, y);
                if (qRed(got) != e.red || qGreen(got) != e.green || qBlue(got) != e.blue)
                    return QStringLiteral("entry %1 row %2: got %3,%4,%5 want %6,%7,%8")
                        .arg(k).arg(y)
                        .arg(qRed(got)).arg(qGreen(got)).arg(qBlue(got))
                        .arg(e.red).arg(e.green).arg(e.blue);
            }
        return {};
    };
    QString error = mismatch(builtinPalette(8));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    dialog.list()->setCurrentIndex(10);
    error = mismatch(builtinPalette(10));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    dialog.list()->setCurrentIndex(12);
    error = mismatch(custom[1].table());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Wider window: still centred.
    dialog.resize(900, dialog.height());
    QTest::qWait(20);
    error = mismatch(custom[1].table());
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void PaletteRotationDialogsTest::saveCustomPaletteWindow() {
    SaveCustomPaletteDialog dialog(QStringLiteral("Acme_Scan"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save As Custom Palette"));
    bool labelled = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labelled = labelled || (label->text() == QStringLiteral("Palette's Name") && label->buddy() == dialog.nameEdit());
    QVERIFY(labelled);
    QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("Acme_Scan"));
    QStringList captions;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) captions << b->text();
    captions.sort();
    QCOMPARE(captions, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Save...")}));
    QCOMPARE(dialog.saveButton()->text(), QStringLiteral("Save..."));
    QVERIFY(dialog.saveButton()->isEnabled());
    dialog.nameEdit()->setText(QStringLiteral("  "));
    QVERIFY(!dialog.saveButton()->isEnabled());
    dialog.nameEdit()->setText(QStringLiteral(" My warm one "));
    QVERIFY(dialog.saveButton()->isEnabled());
    QCOMPARE(dialog.name(), QStringLiteral("My_warm_one"));
}

void PaletteRotationDialogsTest::extractWritesFileAndAppends() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path() + QStringLiteral("/Palettes");
    DicomFile file;
    QVERIFY(paletteFile(file, "Acme Scan ") != nullptr);
    std::vector<PaletteBlock> custom = {block("Warm", 1, 2, 3)};

    QString offeredName, askedFolder, askedDefault;
    const bool done = extractPaletteToFile(
        nullptr, file, folder, custom,
        [&](const QString& f, const QString& name) {
            askedFolder = f;
            askedDefault = name;
            return f + QLatin1Char('/') + name + QStringLiteral(".txt");
        },
        [&](QWidget*, QString& name) {
            offeredName = name;
            name = QStringLiteral("Acme Scan v2");
            return true;
        });
    QVERIFY(done);
    QCOMPARE(offeredName, QStringLiteral("Acme_Scan"));
    QCOMPARE(askedFolder, folder);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(askedDefault, QStringLiteral("Acme_Scan_v2"));

    const QString path = folder + QStringLiteral("/Acme_Scan_v2.txt");
    const QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 258); // the name, 256 entries, nothing after the last newline
    QCOMPARE(lines.front(), QStringLiteral("Acme_Scan_v2"));
    QCOMPARE(lines.back(), QString());
    for (int k = 0; k < 256; ++k)
        QCOMPARE(lines[k + 1], QStringLiteral("%1\t%2\t%3").arg(k).arg(255 - k).arg(k / 2));

    QCOMPARE(custom.size(), size_t(2));
    QCOMPARE(custom[1].name, std::string("Acme_Scan_v2"));
    QCOMPARE(custom[1].green[10], 245);
    // The file reads back as the block appended.
    const std::vector<PaletteBlock> loaded = loadCustomPalettes(folder.toStdString());
    QCOMPARE(loaded.size(), size_t(1));
    QCOMPARE(loaded[0].name, custom[1].name);
    QVERIFY(loaded[0].red == custom[1].red && loaded[0].green == custom[1].green &&
            loaded[0].blue == custom[1].blue);
}

void PaletteRotationDialogsTest::extractThroughNameWindow() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path() + QStringLiteral("/Palettes");
    DicomFile file;
    QVERIFY(paletteFile(file, "") != nullptr);
    std::vector<PaletteBlock> custom;

    QString shownName, shownTitle;
    whenModalOpens<SaveCustomPaletteDialog>([&](SaveCustomPaletteDialog* d) {
        shownTitle = d->windowTitle();
        shownName = d->nameEdit()->text();
        d->nameEdit()->setText(QStringLiteral("Mine"));
        QTest::mouseClick(d->saveButton(), Qt::LeftButton);
    });
    QString askedDefault;
    const bool done = extractPaletteToFile(nullptr, file, folder, custom, [&](const QString& f, const QString& n) {
        askedDefault = n;
        return f + QStringLiteral("/mine.txt");
    });
    QVERIFY(done);
    QCOMPARE(shownTitle, QStringLiteral("Save As Custom Palette"));
    QCOMPARE(shownName, QStringLiteral("NewPalette"));
    QCOMPARE(askedDefault, QStringLiteral("Mine"));
    QCOMPARE(custom.size(), size_t(1));
    QCOMPARE(readLines(folder + QStringLiteral("/mine.txt")).front(), QStringLiteral("Mine"));

    // Cancel in the name window ends it.
    whenModalOpens<SaveCustomPaletteDialog>([](SaveCustomPaletteDialog* d) { d->reject(); });
    bool askedPath = false;
    QVERIFY(!extractPaletteToFile(nullptr, file, folder, custom, [&](const QString&, const QString&) {
        askedPath = true;
        return QString();
    }));
    QVERIFY(!askedPath);
    QCOMPARE(custom.size(), size_t(1));
}

void PaletteRotationDialogsTest::extractCancelledOrWithoutPalette() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path() + QStringLiteral("/Palettes");
    std::vector<PaletteBlock> custom;
    int askedNames = 0, askedPaths = 0;
    const AskPaletteName keepName = [&](QWidget*, QString&) {
        ++askedNames;
        return true;
    };
    const AskPalettePath cancelPath = [&](const QString&, const QString&) {
        ++askedPaths;
        return QString();
    };

    DicomFile file;
    QVERIFY(paletteFile(file, "Acme ") != nullptr);
    QVERIFY(!extractPaletteToFile(nullptr, file, folder, custom, cancelPath, keepName));
    QCOMPARE(askedNames, 1);
    QCOMPARE(askedPaths, 1);
    QVERIFY(custom.empty());
    QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());

    // A name emptied in the window gives no palette file.
    QVERIFY(!extractPaletteToFile(nullptr, file, folder, custom, cancelPath, [](QWidget*, QString& name) {
        name = QStringLiteral("   ");
        return true;
    }));
    QCOMPARE(askedPaths, 1);

    // A grey file has no palette to extract: nothing is asked.
    DicomFile grey;
    QVERIFY(paletteFile(grey, "Acme ", false) != nullptr);
    QVERIFY(!extractPaletteToFile(nullptr, grey, folder, custom, cancelPath, keepName));
    QCOMPARE(askedNames, 1);
    QVERIFY(custom.empty());
}

void PaletteRotationDialogsTest::extractUnwritablePathReports() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.path() + QStringLiteral("/Palettes");
    DicomFile file;
    QVERIFY(paletteFile(file, "Acme ") != nullptr);
    std::vector<PaletteBlock> custom = {block("Warm", 1, 2, 3)};

    QString message;
    int boxes = 0;
    whenModalOpens<QMessageBox>([&](QMessageBox* box) {
        ++boxes;
        message = box->text();
        box->accept();
    });
    const bool done = extractPaletteToFile(
        nullptr, file, folder, custom,
        [](const QString& f, const QString&) { return f + QStringLiteral("/missing/sub/p.txt"); },
        [](QWidget*, QString&) { return true; });
    QVERIFY(!done);
    QCOMPARE(boxes, 1);
    QCOMPARE(message, QStringLiteral("I can n't create the file!    "));
    QCOMPARE(custom.size(), size_t(1));
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/missing")));
}

QTEST_MAIN(PaletteRotationDialogsTest)
#include "test_palette_rotation_dialogs.moc"
