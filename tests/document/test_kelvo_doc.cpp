// Loading documents: frames per bit depth, after-load values, failures,
// aspect correction, multi-file documents and "Apply to all".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dicom_bytes.h"
#include "document/kelvo_doc.h"
#include "document/windowing.h"
#include "settings/settings_keys.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

struct RecordingUi : DocumentUi {
    std::vector<std::string> failures, boxes, folders;
    int redraws = 0;
    void showLoadMessage(const std::string&) override {}
    void showLoadFailure(const std::string& t) override { failures.push_back(t); }
    void closeLoadMessage() override {}
    void messageBox(const std::string& t, MessageIcon) override { boxes.push_back(t); }
    void beginProgress(const std::string&, int) override {}
    void stepProgress(int) override {}
    void endProgress() override {}
    bool progressCancelled() override { return cancelAfter >= 0 && steps > cancelAfter; }
    void setWaitCursor(bool) override {}
    void processEvents() override { ++steps; }
    void setCurrentFolder(const std::string& f) override { folders.push_back(f); }
    int steps = 0;
    int cancelAfter = -1;
    void redrawViews() override { ++redraws; }
};

std::string fixture(const char* name) { return std::string(VELTOR_DICOM_TEST_DATA) + "/" + name; }

std::string us(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }

// An 8-bit grey image with the given spacing and aspect ratio texts.
std::string writeImage(const char* name, int rows, int columns, const std::string& spacing,
                       const std::string& aspect) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0010, "US", us(uint16_t(rows)));
    b.element(0x0028, 0x0011, "US", us(uint16_t(columns)));
    if (!spacing.empty()) b.element(0x0028, 0x0030, "DS", DicomBytes::padText(spacing));
    if (!aspect.empty()) b.element(0x0028, 0x0034, "IS", DicomBytes::padText(aspect));
    b.element(0x7FE0, 0x0010, "OB", std::string(size_t(rows * columns), '\x40'));
    const std::string path = ::testing::TempDir() + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.bytes().data(), 1, b.size(), f);
    std::fclose(f);
    return path;
}

struct DocumentTest : ::testing::Test {
    MemorySettingsStore settings;
    UserOptions options;
    RecordingUi ui;
};

} // namespace

TEST_F(DocumentTest, SixteenBitCtLoads) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.openDocument(VELTOR_SAMPLE_FILE));
    EXPECT_EQ(doc.frameCount(), 1);
    EXPECT_EQ(doc.fileCount(), 1);
    EXPECT_EQ(doc.title(), "sample_ct.dcm");
    ASSERT_NE(doc.frameAt(-1), nullptr);
    EXPECT_NE(doc.frameAt(-1)->image16(), nullptr);
    EXPECT_EQ(doc.frameAt(-1)->width(), 256);
    EXPECT_EQ(doc.frameAt(-1)->windowCenter(), 40);
    EXPECT_EQ(doc.regionTolerance(), 100);
    EXPECT_DOUBLE_EQ(doc.pixelSpacingRow(), 0.9765625);
    EXPECT_DOUBLE_EQ(doc.sliceThickness(), 5.0);
    EXPECT_DOUBLE_EQ(doc.frameTime(), kDefaultFrameTime);
    EXPECT_EQ(doc.dateText().size(), 10u);
    EXPECT_GT(doc.fileSize(), 130000u);
    EXPECT_EQ(doc.sourcePaths().size(), 1u);
    EXPECT_EQ(settings.readText("Settings", "Current Working Directory", "").back(), '/');
    EXPECT_FALSE(ui.folders.empty());
    EXPECT_EQ(doc.frameHistory().frameCount(), 1);
}

TEST_F(DocumentTest, ColourAndFrameTimeFromTheFile) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.openDocument(fixture("rgb8_rle.dcm")));
    EXPECT_TRUE(doc.frameAt(0)->isColour());
    EXPECT_EQ(doc.regionTolerance(), 10);
    ASSERT_TRUE(doc.openDocument(fixture("nested_evle.dcm")));
    EXPECT_DOUBLE_EQ(doc.frameTime(), 33.3);
    EXPECT_DOUBLE_EQ(doc.pixelSpacingColumn(), 0.5);
}

TEST_F(DocumentTest, UnreadableFileShowsTheFileMessage) {
    std::string path = ::testing::TempDir() + "veltor_doc_text.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::string text(300, 'x');
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    CKelvoDoc doc(settings, options, ui);
    EXPECT_FALSE(doc.openDocument(path));
    ASSERT_EQ(ui.failures.size(), 1u);
    // The message of the code, then the reason on a second line.
    EXPECT_EQ(ui.failures[0],
              "Unsupported Dicom file format   \nnot a DICOM file: no DICM marker and no data set at its start");
    EXPECT_EQ(doc.frameCount(), 0);
    EXPECT_EQ(doc.frameAt(-1), nullptr);
    EXPECT_EQ(doc.fileAt(-1), nullptr);
    std::remove(path.c_str());
}

TEST_F(DocumentTest, SpacingAsReadAndCorrected) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.load(writeImage("veltor_sp1.dcm", 4, 4, "0.5\\0.25", "")));
    EXPECT_DOUBLE_EQ(doc.pixelSpacingRow(), 0.5);
    EXPECT_DOUBLE_EQ(doc.pixelSpacingColumn(), 0.25);
    EXPECT_DOUBLE_EQ(doc.pixelSpacingColumnAsRead(), 0.25);
    ASSERT_TRUE(doc.load(writeImage("veltor_sp2.dcm", 4, 4, "0", "")));
    EXPECT_DOUBLE_EQ(doc.pixelSpacingRow(), 1.0);
    EXPECT_DOUBLE_EQ(doc.pixelSpacingColumn(), 1.0);
}

TEST_F(DocumentTest, AspectRatioCorrection) {
    const std::string path = writeImage("veltor_aspect.dcm", 100, 10, "", "2\\1");
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.load(path));
    EXPECT_EQ(doc.frameAt(0)->height(), 200);
    options.setAspectRatio(false);
    ASSERT_TRUE(doc.load(path));
    EXPECT_EQ(doc.frameAt(0)->height(), 100);
}

TEST_F(DocumentTest, MultiFileDocumentsAndApplyToAll) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.addFile(fixture("nested_evle.dcm")));
    ASSERT_TRUE(doc.addFile(fixture("nested_ivle.dcm")));
    EXPECT_FALSE(doc.addFile(fixture("missing.dcm")));
    EXPECT_EQ(doc.errorText(), "File not fount");
    doc.afterLoad();
    EXPECT_EQ(doc.frameCount(), 2);
    EXPECT_EQ(doc.frameFileIndex(1), 1);
    EXPECT_TRUE(doc.allFramesAlike());
    doc.toggleApplyToAll();
    EXPECT_TRUE(doc.applyToAll());
    doc.setCurrentFrame(1);
    EXPECT_EQ(doc.currentFrame(), 1);
    doc.setCurrentFrame(5);
    EXPECT_EQ(doc.currentFrame(), 1);

    // frames of different sizes
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    EXPECT_FALSE(doc.allFramesAlike());
    doc.setApplyToAll(false);
    doc.toggleApplyToAll();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "Images differ in width and/or height    ");
    doc.setApplyToAll(true);
    doc.toggleApplyToAll();
    EXPECT_FALSE(doc.applyToAll());

    // a single frame: nothing happens, nothing is shown
    CKelvoDoc single(settings, options, ui);
    ASSERT_TRUE(single.load(fixture("rgb8.dcm")));
    single.toggleApplyToAll();
    EXPECT_FALSE(single.applyToAll());
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(DocumentTest, DocumentFromPathsSkipsUnreadableFilesAndReorders) {
    CKelvoDoc doc(settings, options, ui);
    const std::vector<std::string> paths = {fixture("nested_evle.dcm"), fixture("gone.dcm"),
                                            fixture("nested_evbe.dcm"), fixture("nested_ivle.dcm")};
    ASSERT_TRUE(doc.loadFromPaths(paths, "ROE^JANE, , 20230101, CT, 4"));
    EXPECT_EQ(doc.frameCount(), 3);
    EXPECT_EQ(doc.sourcePaths().size(), 4u);
    EXPECT_EQ(doc.title(), "ROE^JANE, , 20230101, CT, 4");
    EXPECT_EQ(doc.frameFileIndex(2), 2);

    // move the last frame to the top
    ImageBuffer* last = doc.frameAt(2);
    ASSERT_TRUE(doc.reorderFrames({2, 0, 1}, 0));
    EXPECT_EQ(doc.frameAt(0), last);
    EXPECT_EQ(doc.loadIndexOfFrame(0), 2);
    EXPECT_EQ(doc.currentFrame(), 0);
    EXPECT_FALSE(doc.reorderFrames({0, 0, 1}, 0));
    EXPECT_FALSE(doc.reorderFrames({0, 1}, 0));

    EXPECT_FALSE(doc.loadFromPaths({fixture("gone.dcm")}, "x"));
    EXPECT_EQ(doc.frameCount(), 0);

    // Cancel in the progress window stops after the file in hand
    ui.steps = 0;
    ui.cancelAfter = 1;
    ASSERT_TRUE(doc.loadFromPaths(paths, "t"));
    EXPECT_EQ(doc.frameCount(), 1);
}

TEST_F(DocumentTest, ImageCommandsOnAllFramesWithUndoAndRedo) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.loadFromPaths({fixture("nested_evle.dcm"), fixture("nested_ivle.dcm")}, "two"));
    const std::vector<uint8_t> before(doc.frameAt(1)->pixels(), doc.frameAt(1)->pixels() + 16 * 16 * 2);
    doc.setApplyToAll(true);
    int progressCalls = 0;
    EXPECT_EQ(doc.runImageCommand([](ImageBuffer& f) { return f.rotate180(); },
                                  [&](int32_t, int32_t) { ++progressCalls; }),
              2);
    EXPECT_EQ(progressCalls, 2);
    EXPECT_TRUE(doc.canUndo());
    EXPECT_FALSE(doc.canRedo());
    EXPECT_EQ(doc.undo(), 2);
    const std::vector<uint8_t> after(doc.frameAt(1)->pixels(), doc.frameAt(1)->pixels() + 16 * 16 * 2);
    EXPECT_EQ(before, after);
    EXPECT_TRUE(doc.canRedo());
    EXPECT_EQ(doc.redo(), 2);

    // without apply-to-all only the current frame changes
    doc.setApplyToAll(false);
    EXPECT_EQ(doc.runImageCommand([](ImageBuffer& f) { return f.invert(); }), 1);
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 2u);
    EXPECT_EQ(doc.frameHistory().frame(1)->entries.size(), 1u);
}

namespace {

// A packed 24-bit DIB of w x h pixels of one colour (B, G, R order, rows padded).
std::vector<uint8_t> dib24(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> d(40 + size_t(stride * h), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) d[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, uint32_t(w));
    put32(8, uint32_t(h));
    d[12] = 1;
    d[14] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &d[40 + size_t(y * stride + x * 3)];
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return d;
}

} // namespace

TEST_F(DocumentTest, DocumentFromBitmapsAndRasterFiles) {
    const std::vector<uint8_t> a = dib24(4, 2, 255, 0, 0), b = dib24(4, 2, 0, 0, 255);
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.loadFromBitmaps({a.data(), b.data()}, 40000.0));
    EXPECT_EQ(doc.frameCount(), 2);
    EXPECT_TRUE(doc.frameAt(0)->isColour());
    EXPECT_DOUBLE_EQ(doc.frameTime(), 40.0);
    PixelValue v;
    ASSERT_TRUE(doc.frameAt(1)->sampleAt(0, 0, v));
    EXPECT_EQ(v, (PixelValue{0, 0, 255}));
    EXPECT_EQ(doc.dateText().size(), 10u); // the built data set's study date
    EXPECT_TRUE(ui.boxes.empty());

    const std::vector<uint8_t> other = dib24(2, 2, 1, 1, 1);
    EXPECT_FALSE(doc.loadFromBitmaps({a.data(), other.data()}));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "Error 1");
    EXPECT_FALSE(doc.loadFromBitmaps({}));
    EXPECT_EQ(ui.boxes.back(), "Error 1");

    // a BMP file opens through the raster path
    std::vector<uint8_t> file = {'B', 'M'};
    const uint32_t size = uint32_t(14 + a.size()), offset = 54;
    for (int i = 0; i < 4; ++i) file.push_back(uint8_t(size >> (8 * i)));
    for (int i = 0; i < 4; ++i) file.push_back(0);
    for (int i = 0; i < 4; ++i) file.push_back(uint8_t(offset >> (8 * i)));
    file.insert(file.end(), a.begin(), a.end());
    const std::string path = ::testing::TempDir() + "veltor_doc_red.bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    ASSERT_TRUE(doc.load(path));
    EXPECT_EQ(doc.frameAt(0)->width(), 4);
    ASSERT_TRUE(doc.frameAt(0)->sampleAt(3, 1, v));
    EXPECT_EQ(v, (PixelValue{255, 0, 0}));
    std::remove(path.c_str());
}

namespace {

TEST_F(DocumentTest, WeightedGreyConversionTakesColourFramesOnly) {
    veltor::settings::setGreyFactors(settings, {0.0, 0.0, 1.0}); // grey = blue
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    ASSERT_TRUE(doc.addFile(VELTOR_SAMPLE_FILE));
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    doc.afterLoad();
    ASSERT_EQ(doc.frameCount(), 3);
    PixelValue before;
    ASSERT_TRUE(doc.frameAt(0)->sampleAt(1, 1, before));
    const std::vector<uint8_t> grey(doc.frameAt(1)->pixels(),
                                    doc.frameAt(1)->pixels() + 2 * doc.frameAt(1)->width() * doc.frameAt(1)->height());

    // the grey frame is current: nothing to do
    doc.setCurrentFrame(1);
    EXPECT_EQ(doc.convertToGreyWeighted(), 0);
    // apply to all: both colour frames, frames unlike or not
    doc.setApplyToAll(true);
    EXPECT_EQ(doc.convertToGreyWeighted(), 2);
    for (int i : {0, 2}) {
        EXPECT_FALSE(doc.frameAt(i)->isColour());
        ASSERT_NE(doc.frameHistory().frame(i), nullptr);
        EXPECT_EQ(doc.frameHistory().frame(i)->entries.size(), 1u);
    }
    PixelValue after;
    ASSERT_TRUE(doc.frameAt(0)->sampleAt(1, 1, after));
    EXPECT_EQ(after.red, before.blue);
    EXPECT_EQ(doc.frameHistory().frame(1)->entries.size(), 0u);
    EXPECT_TRUE(std::equal(grey.begin(), grey.end(), doc.frameAt(1)->pixels()));
}

TEST_F(DocumentTest, APreviewedCommandReachesTheOtherFramesWithApplyToAll) {
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    ASSERT_TRUE(doc.addFile(fixture("rgb8.dcm")));
    doc.afterLoad();
    doc.setCurrentFrame(1);
    const FrameOperation invert = [](ImageBuffer& f) { return f.invert(); };
    // the dialog's preview already inverted the current frame
    ASSERT_EQ(invert(*doc.frameAt(1)), 1);
    EXPECT_EQ(doc.finishPreviewedCommand(invert, doc.commandsReachAllFrames()), 0); // "Apply to all" off
    EXPECT_EQ(doc.frameHistory().frame(1)->entries.size(), 1u);
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 0u);

    doc.setApplyToAll(true);
    ASSERT_TRUE(doc.commandsReachAllFrames());
    const bool allFrames = doc.commandsReachAllFrames();
    // a preview that changes the size leaves the frames unlike...
    const int32_t w = doc.frameAt(0)->width(), h = doc.frameAt(0)->height();
    const FrameOperation turn = [w, h](ImageBuffer& f) { return f.resample(w + 3, h, 0); };
    ASSERT_EQ(turn(*doc.frameAt(1)), 1);
    EXPECT_FALSE(doc.commandsReachAllFrames());
    // ...and still reaches the other frames, as decided before the dialog
    EXPECT_EQ(doc.finishPreviewedCommand(turn, allFrames), 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc.frameAt(i)->currentLevelIndex(), i == 1 ? 2 : 1) << i;
        EXPECT_EQ(doc.frameAt(i)->width(), doc.frameAt(1)->width()) << i;
    }
}

} // namespace

// An enhanced multi-frame file with a window per frame in its functional
// groups: each frame starts with its own; a VOI LUT shows as a lookup at its
// equivalent window.
TEST_F(DocumentTest, PerFrameWindowsAndVoiLut) {
    auto write = [](const char* name, const std::function<void(DicomBytes&)>& more) {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
        b.element(0x0028, 0x0008, "IS", "2 ");
        b.element(0x0028, 0x0010, "US", us(1));
        b.element(0x0028, 0x0011, "US", us(3));
        b.element(0x0028, 0x0100, "US", us(16));
        b.element(0x0028, 0x0101, "US", us(12));
        b.element(0x0028, 0x0102, "US", us(11));
        more(b);
        b.element(0x7FE0, 0x0010, "OW", us(0) + us(100) + us(200) + us(0) + us(100) + us(200));
        const std::string path = ::testing::TempDir() + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(b.bytes().data(), 1, b.size(), f);
        std::fclose(f);
        return path;
    };
    auto enhancedFile = [&write](const char* name, const char* first, const char* second) {
        return write(name, [first, second](DicomBytes& b) {
            b.sequence(0x5200, 0x9230, 0xFFFFFFFF);
            for (const char* center : {first, second}) {
                b.item(0xFFFFFFFF).sequence(0x0028, 0x9132, 0xFFFFFFFF).item(0xFFFFFFFF);
                b.element(0x0028, 0x1050, "DS", center).element(0x0028, 0x1051, "DS", "20");
                b.itemEnd().sequenceEnd().itemEnd();
            }
            b.sequenceEnd();
        });
    };
    const std::string enhanced = enhancedFile("enhanced.dcm", "50", "150 ");
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.openDocument(enhanced));
    EXPECT_EQ(doc.frameAt(0)->windowCenter(), 50);
    EXPECT_EQ(doc.frameAt(1)->windowCenter(), 150);
    PixelValue v;
    ASSERT_TRUE(doc.frameAt(1)->displayedValueAt(1, 0, v));
    EXPECT_EQ(v.red, 0); // 100 lies below 150/20
    // In a document of several such files each frame is offered the windows
    // of its own frame within its file.
    CKelvoDoc several(settings, options, ui);
    ASSERT_TRUE(several.addFile(enhanced));
    ASSERT_TRUE(several.addFile(enhancedFile("enhanced_b.dcm", "60", "160 ")));
    const int32_t centres[] = {50, 150, 60, 160};
    for (int32_t i = 0; i < 4; ++i) {
        const std::vector<WindowPreset> presets = fileWindowPresets(several, i);
        ASSERT_EQ(presets.size(), 1u) << i;
        EXPECT_EQ(presets[0].window.center, centres[i]) << i;
    }

    const std::string lut = write("voilut.dcm", [](DicomBytes& b) {
        b.sequence(0x0028, 0x3010, 0xFFFFFFFF).item(0xFFFFFFFF);
        b.element(0x0028, 0x3002, "US", us(3) + us(99) + us(8));
        b.element(0x0028, 0x3006, "OW", us(7) + us(9) + us(11));
        b.itemEnd().sequenceEnd();
    });
    CKelvoDoc withLut(settings, options, ui);
    ASSERT_TRUE(withLut.openDocument(lut));
    ImageBuffer* frame = withLut.frameAt(0);
    EXPECT_EQ(frame->windowCenter(), 100);
    EXPECT_EQ(frame->windowWidth(), 3);
    ASSERT_TRUE(frame->displayedValueAt(1, 0, v));
    EXPECT_EQ(v.red, 9); // the table's entry for 100
    ASSERT_TRUE(frame->displayedValueAt(2, 0, v));
    EXPECT_EQ(v.red, 11); // beyond the table: its last entry
    // another window leaves the table
    frame->setWindow(100, 200);
    frame->rebuildDisplay();
    ASSERT_TRUE(frame->displayedValueAt(2, 0, v));
    EXPECT_EQ(v.red, 255);
}

// "Keep the file's window" switched while a document is open: frames nobody
// has windowed take the window the option now chooses, also after the aspect
// correction added a level; a windowed frame keeps its own.
TEST_F(DocumentTest, FileWindowOptionReachesUntouchedFrames) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    b.element(0x0028, 0x0008, "IS", "2 ");
    b.element(0x0028, 0x0010, "US", us(1));
    b.element(0x0028, 0x0011, "US", us(3));
    b.element(0x0028, 0x0034, "IS", "2\\1 ");
    b.element(0x0028, 0x0100, "US", us(16));
    b.element(0x0028, 0x0101, "US", us(16));
    b.element(0x0028, 0x0102, "US", us(15));
    b.element(0x0028, 0x1050, "DS", "1000");
    b.element(0x0028, 0x1051, "DS", "4000");
    b.element(0x7FE0, 0x0010, "OW", us(0) + us(400) + us(800) + us(0) + us(400) + us(800));
    const std::string path = ::testing::TempDir() + "keep_window.dcm";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.bytes().data(), 1, b.size(), f);
    std::fclose(f);

    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.openDocument(path));
    ImageBuffer* untouched = doc.frameAt(0);
    ImageBuffer* windowed = doc.frameAt(1);
    ASSERT_EQ(untouched->height(), 2); // stretched by the aspect ratio
    EXPECT_EQ(untouched->windowCenter(), 400); // fitted to the samples
    EXPECT_EQ(untouched->windowWidth(), 801);
    doc.setCurrentFrame(1);
    ASSERT_EQ(applyWindow(doc, {10, 20}, false), 1);
    EXPECT_EQ(doc.applyFileWindowOption(), 0); // nothing changed

    options.setKeepFileWindow(true);
    EXPECT_EQ(doc.applyFileWindowOption(), 1);
    EXPECT_EQ(untouched->windowCenter(), 1000);
    EXPECT_EQ(untouched->windowWidth(), 4000);
    EXPECT_EQ(untouched->firstLevel()->windowWidth, 4000); // the reset window too
    PixelValue v;
    ASSERT_TRUE(untouched->displayedValueAt(2, 0, v));
    EXPECT_LT(v.red, 128); // 800 low in -1000 .. 3000
    EXPECT_EQ(windowed->windowCenter(), 10);
    EXPECT_EQ(windowed->windowWidth(), 20);

    options.setKeepFileWindow(false);
    EXPECT_EQ(doc.applyFileWindowOption(), 1);
    EXPECT_EQ(untouched->windowWidth(), 801);
    ASSERT_TRUE(untouched->displayedValueAt(2, 0, v));
    EXPECT_EQ(v.red, 255);
}
