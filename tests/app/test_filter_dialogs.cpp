// The filter and FFT filter dialogs: previews that undo each other, Cancel
// that leaves the frame byte-identical, OK with values never previewed,
// the user-defined mask's refusals, ".fft" files, and the Image > Filters and
// Image > FFT Filters commands on all frames.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include "app/child_frame.h"
#include "app/fft_dialogs.h"
#include "app/filter_dialogs.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "document/kelvo_doc.h"
#include "imaging/fft.h"
#include "imaging/image_buffer.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

std::vector<uint8_t> levelBytes(const ImageBuffer& f) {
    const ImageLevel* level = f.currentLevel();
    return {level->pixels, level->pixels + level->dataSize};
}

bool makeFrame(ImageBuffer& frame, int width, int height) {
    // Smooth in places and steep in others, so that every filter changes something.
    std::vector<uint8_t> v(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) v[size_t(y * width + x)] = uint8_t((x * x / 3 + y * 5) & 0xFF);
    return frame.createFromCopy8(width, height, int32_t(v.size()), 0, v.data()) == 1;
}

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

} // namespace

class FilterDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        // Every test starts from the dialogs' defaults.
        SliderFilterDialog::forgetKeptValues();
        FftFilterDialog::forgetKeptValues();
        CustomMaskDialog::forgetKeptValues();
    }

    void cancelAfterSliderMovesLeavesFrameIdentical() {
        using Make = std::function<SliderFilterDialog*(ImageBuffer&)>;
        // Each dialog with the row of its slider.
        const std::pair<Make, int> makers[] = {
            {[](ImageBuffer& f) { return SliderFilterDialog::unsharp(f, {}, nullptr); }, 0},
            {[](ImageBuffer& f) { return SliderFilterDialog::smoothing(f, {}, nullptr); }, 0},
            {[](ImageBuffer& f) { return SliderFilterDialog::edgeEnhancement(f, {}, nullptr); }, 0},
            {[](ImageBuffer& f) { return SliderFilterDialog::dustAndScratches(f, {}, nullptr); }, 1},
            {[](ImageBuffer& f) { return SliderFilterDialog::localAveraging(f, {}, nullptr); }, 0},
        };
        for (const auto& [make, row] : makers) {
            ImageBuffer frame;
            QVERIFY(makeFrame(frame, 40, 30));
            QCOMPARE(frame.invert(), 1); // an earlier edit the dialog must not touch
            const std::vector<uint8_t> before = levelBytes(frame);
            std::unique_ptr<SliderFilterDialog> d(make(frame));
            d->show();
            for (int move : {3, 12, 90}) {
                d->setValue(row, move);
                QTRY_VERIFY(d->previewed());
                QCOMPARE(frame.currentLevelIndex(), 2); // one preview at a time
            }
            QVERIFY2(levelBytes(frame) != before, qPrintable(d->windowTitle()));
            d->reject();
            QCOMPARE(levelBytes(frame), before);
            QCOMPARE(frame.currentLevelIndex(), 1);
            QCOMPARE(frame.history()->position, 1);
            if (d->trial()) QCOMPARE(frame.lastLevelIndex(), 1); // the trial puts everything back
        }
    }

    void okKeepsTheValuesShown() {
        ImageBuffer frame, reference;
        QVERIFY(makeFrame(frame, 40, 30));
        QVERIFY(makeFrame(reference, 40, 30));
        std::unique_ptr<SliderFilterDialog> d(SliderFilterDialog::unsharp(frame, {}, nullptr));
        d->preview();                 // the defaults, 15 % and radius 50
        d->setValue(0, 200);          // not previewed yet when OK comes
        d->accept();
        QVERIFY(d->applied());
        QCOMPARE(frame.currentLevelIndex(), 1);
        QCOMPARE(reference.unsharp(200, 50), 1);
        QCOMPARE(levelBytes(frame), levelBytes(reference));

        // Local averaging: OK leaves the frame as it was; the caller applies.
        ImageBuffer local;
        QVERIFY(makeFrame(local, 40, 30));
        const std::vector<uint8_t> before = levelBytes(local);
        std::unique_ptr<SliderFilterDialog> l(SliderFilterDialog::localAveraging(local, {}, nullptr));
        l->preview();
        l->accept();
        QVERIFY(l->applied());
        QCOMPARE(levelBytes(local), before);
        QCOMPARE(local.history()->position, 0);
        QCOMPARE(l->operation()(local), 1);
    }

    void dialogsOpenWithTheValuesLastConfirmed() {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 64, 48));
        {
            std::unique_ptr<SliderFilterDialog> d(SliderFilterDialog::smoothing(frame, {}, nullptr));
            QCOMPARE(d->value(0), 50);
            d->setValue(0, 80);
            d->accept();
        }
        {
            std::unique_ptr<SliderFilterDialog> d(SliderFilterDialog::smoothing(frame, {}, nullptr));
            QCOMPARE(d->value(0), 80);
            d->show();
            QTest::qWait(30);
            QVERIFY(!d->previewed()); // opening with kept values does not preview
            d->setValue(0, 10);
            QTRY_VERIFY(d->previewed());
            d->reject();
        }
        std::unique_ptr<SliderFilterDialog> again(SliderFilterDialog::smoothing(frame, {}, nullptr));
        QCOMPARE(again->value(0), 80); // Cancel kept nothing
        std::unique_ptr<SliderFilterDialog> other(SliderFilterDialog::edgeEnhancement(frame, {}, nullptr));
        QCOMPARE(other->value(0), 50);

        {
            FftFilterDialog low(FftFilterDialog::Filter::LowPass, frame, {});
            low.setFamily(1);
            low.setOrder(3);
            low.setCutOff(30);
            low.setShiftHundredths(20);
            low.accept();
        }
        {
            FftFilterDialog low(FftFilterDialog::Filter::LowPass, frame, {});
            QCOMPARE(low.caption(), QStringLiteral("Chebyshev Low pass Fco=30 Shift=0.20"));
            std::vector<double> expected = fft::buildCurve(1, 64, 0, 3, 30, 0);
            fft::applyShift(expected, 0.2);
            QCOMPARE(low.plottedCurve(), expected); // the order came back too
            low.setCutOff(4);
            low.reject();
        }
        FftFilterDialog high(FftFilterDialog::Filter::HighPass, frame, {});
        QCOMPARE(high.caption(), QStringLiteral("Butterworth High pass Fco=8 Shift=0.50"));
        // A smaller frame limits the kept cut-off to its own range, 0 .. 7.
        ImageBuffer small;
        QVERIFY(makeFrame(small, 16, 10));
        FftFilterDialog lowSmall(FftFilterDialog::Filter::LowPass, small, {});
        QCOMPARE(lowSmall.caption(), QStringLiteral("Chebyshev Low pass Fco=7 Shift=0.20"));
    }

    void customMaskRefusesWhatCannotRun() {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 20, 20));
        CustomMaskDialog d(frame, {});
        QCOMPARE(d.mask().passes.at(0).divisor, 9); // the box mean to start with
        d.setDivisor(0);
        answerDialog<QMessageBox>([](QMessageBox& box) {
            QCOMPARE(box.text(), CustomMaskDialog::problemText(CustomMaskProblem::Divisor));
            box.accept();
        });
        d.accept(); // refused: the dialog stays open, the frame untouched
        QVERIFY(!d.applied());
        QCOMPARE(frame.currentLevelIndex(), 0);
        d.setDivisor(1);
        std::array<int32_t, 49> right{};
        right[4 * 7 + 3] = 1;
        d.setWeights(right);
        d.accept();
        QVERIFY(d.applied());
        QCOMPARE(frame.currentLevelIndex(), 1);
    }

    void customMaskRunsTheChosenPasses() {
        ImageBuffer frame, twoPasses, onePass;
        for (ImageBuffer* f : {&frame, &twoPasses, &onePass}) QVERIFY(makeFrame(*f, 24, 18));
        // A second pass that is no box: the neighbour to the right counts twice.
        CustomMaskPass second;
        second.grid[3 * 7 + 3] = 1;
        second.grid[4 * 7 + 3] = 2;
        second.divisor = 3;
        {
            CustomMaskDialog d(frame, {});
            QCOMPARE(d.passCount(), 1);
            d.setWeights(second.grid, 1); // a page that does not run yet
            d.setDivisor(3, 1);
            QCOMPARE(d.mask().passes.size(), size_t(1));
            d.setPassCount(2);
            d.setDivisor(0, 1);
            answerDialog<QMessageBox>([](QMessageBox& box) {
                QCOMPARE(box.text(), QStringLiteral("Pass 2: ") +
                                         CustomMaskDialog::problemText(CustomMaskProblem::Divisor));
                box.accept();
            });
            d.accept(); // refused, naming the pass
            QVERIFY(!d.applied());
            d.setDivisor(3, 1);
            d.accept();
            QVERIFY(d.applied());
        }
        QCOMPARE(twoPasses.customMask(CustomMask{1, {CustomMaskPass::boxMean(), second}}), 1);
        QCOMPARE(onePass.customMask(CustomMask{1, {CustomMaskPass::boxMean()}}), 1);
        QCOMPARE(frame.currentLevelIndex(), 1); // both passes in one level
        QCOMPARE(levelBytes(frame), levelBytes(twoPasses));
        QVERIFY(levelBytes(frame) != levelBytes(onePass));

        // The next opening shows both passes again.
        CustomMaskDialog again(frame, {});
        QCOMPARE(again.passCount(), 2);
        QCOMPARE(again.mask().passes.at(1).grid, second.grid);
        QCOMPARE(again.mask().passes.at(1).divisor, 3);
    }

    void fftDialogsCaptionPlotAndCancel() {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 64, 48));
        const std::vector<uint8_t> before = levelBytes(frame);
        FftFilterDialog low(FftFilterDialog::Filter::LowPass, frame, {});
        QCOMPARE(low.windowTitle(), QStringLiteral("FFT Low pass"));
        QCOMPARE(low.caption(), QStringLiteral("Butterworth Low pass Fco=8 Shift=0.50"));
        std::vector<double> expected = fft::buildCurve(0, 64, 0, 1, 8, 0);
        fft::applyShift(expected, 0.5);
        QCOMPARE(low.plottedCurve(), expected);
        low.show();
        low.setCutOff(3);
        QTRY_VERIFY(low.previewed());
        low.setShiftHundredths(10);
        QTRY_COMPARE(low.caption(), QStringLiteral("Butterworth Low pass Fco=3 Shift=0.10"));
        low.reject();
        QCOMPARE(levelBytes(frame), before);
        QCOMPARE(frame.currentLevelIndex(), 0);

        FftFilterDialog band(FftFilterDialog::Filter::BandReject, frame, {});
        band.setFamily(1);
        band.setBand(20, 10); // the edges stay apart
        QCOMPARE(band.caption(), QStringLiteral("Chebyshev Band reject LFco=20 HFco=21 Shift=0.50"));
        FftFilterDialog inverse(FftFilterDialog::Filter::Inverse, frame, {});
        QCOMPARE(inverse.caption(), QStringLiteral("Inverse Fco=8 Shift=0.50"));
        inverse.accept();
        QVERIFY(inverse.applied());
        QCOMPARE(frame.currentLevelIndex(), 1);
    }

    void customFilterFiles() {
        ImageBuffer frame;
        QVERIFY(makeFrame(frame, 16, 10));
        QTemporaryDir dir;
        FftCustomDialog d(frame, {});
        QCOMPARE(d.curve(), std::vector<double>(16, 1.0));
        QVERIFY(writeFile(dir.path() + "/bad.fft", "0.5\nfoo\n"));
        QCOMPARE(d.loadFile(dir.path() + "/bad.fft"), FftCustomDialog::LoadResult::Invalid);
        QCOMPARE(d.loadFile(dir.path() + "/missing.fft"), FftCustomDialog::LoadResult::NotOpened);
        QCOMPARE(d.curve(), std::vector<double>(16, 1.0));
        QVERIFY(writeFile(dir.path() + "/ramp.fft", "2\n4\n-1\n"));
        QCOMPARE(d.loadFile(dir.path() + "/ramp.fft"), FftCustomDialog::LoadResult::Loaded);
        QCOMPARE(d.curve().front(), 0.5);
        QCOMPARE(d.curve().back(), 0.5);
        QVERIFY(d.saveFile(dir.path() + "/saved.fft"));
        QFile saved(dir.path() + "/saved.fft");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().count('\n'), 8); // n / 2 lines
        QVERIFY(!d.saveFile(dir.path() + "/no/such/folder/x.fft"));
        d.accept();
        QVERIFY(d.applied());
    }

    void menuCommandsReachEveryFrame() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QVERIFY(w.openFile(writeSixteenBit(dir.path(), 3, 16)));
        CKelvoDoc& doc = w.activeChild()->document();
        actionNamed(w, "&Apply to all")->trigger();
        std::vector<std::vector<uint8_t>> before;
        for (int i = 0; i < 3; ++i) before.push_back(levelBytes(*doc.frameAt(i)));

        QVERIFY(actionNamed(w, "&Filters") != nullptr);
        QVERIFY(actionNamed(w, "FFT Filte&rs") != nullptr);
        QCOMPARE(actionNamed(w, "&Sobel Masks")->statusTip(), QStringLiteral("Apply the Sobel Masks to image"));
        answerDialog<FftFilterDialog>([](FftFilterDialog& d) {
            d.preview();
            d.preview();
            d.accept();
        });
        actionNamed(w, "&Low pass...")->trigger();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(levelBytes(*doc.frameAt(i)) != before[size_t(i)]);
            QCOMPARE(doc.frameHistory().frame(i)->position, 1); // once on each frame
            QCOMPARE(doc.frameAt(i)->currentLevelIndex(), 1);
        }
        actionNamed(w, "&Undo")->trigger();
        for (int i = 0; i < 3; ++i) QCOMPARE(levelBytes(*doc.frameAt(i)), before[size_t(i)]);

        // Local averaging cancelled after a preview: nothing anywhere.
        answerDialog<SliderFilterDialog>([](SliderFilterDialog& d) {
            d.preview();
            d.reject();
        });
        actionNamed(w, "Local &Averaging...")->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(levelBytes(*doc.frameAt(i)), before[size_t(i)]);
            QCOMPARE(doc.frameHistory().frame(i)->position, 0);
        }
    }
};

QTEST_MAIN(FilterDialogsTest)
#include "test_filter_dialogs.moc"
