// Timings of the overlays for `veltor-viewer --benchmark`: full repaints of
// a frame carrying many annotations and measurements, rulers and a selection
// at 100 % and 400 %, the repaint of a measurement's end point following the
// mouse, and the opening of the Histogram and Info dialogs.
#include "app/overlay_benchmark.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/child_frame.h"
#include "app/histogram_dialog.h"
#include "app/image_view.h"
#include "app/info_dialog.h"
#include "app/main_window.h"
#include "app/view_overlays.h"
#include "document/kelvo_doc.h"

namespace veltor {

namespace {

struct Figures {
    double mean = 0, median = 0, worst = 0;
};

Figures summarise(std::vector<double> times) {
    Figures f;
    if (times.empty()) return f;
    std::sort(times.begin(), times.end());
    for (double t : times) f.mean += t;
    f.mean /= double(times.size());
    f.median = times[times.size() / 2];
    f.worst = times.back();
    return f;
}

template <class Fn>
Figures timeEach(int count, Fn fn) {
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        clock.start();
        fn(i);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return summarise(times);
}

// 50 annotations, 20 lengths and 20 angles spread over the frame.
void addOverlays(DocumentOverlays& overlays, int32_t w, int32_t h) {
    const TextMeasurer& measure = overlays.measurer();
    const int32_t frame = overlays.document().currentFrame();
    for (int i = 0; i < 50; ++i) {
        TextAnnotation a;
        a.font = overlayFontFrom(overlays.options().annotationFont());
        a.colour = overlays.document().annotationColor();
        a.text = "Annotation " + std::to_string(i + 1);
        const TextExtent e = measure(a.font, a.text);
        a.box = {(i % 5) * w / 5, (i / 5) * h / 10, e.width, e.height};
        overlays.addAnnotation(frame, a);
    }
    for (int i = 0; i < 20; ++i) {
        const int32_t y = (i + 1) * h / 22;
        overlays.addLength(frame, overlays.makeLength({w / 10, y}, {w / 10 + (i + 3) * w / 40, y + i}));
        overlays.addAngle(frame, overlays.makeAngle({w / 2 + (i % 4) * w / 10, y}, {w - 5, y + 20}, {w / 2, y - 30}));
    }
}

void mouse(QWidget* pane, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), pane->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pane, &event);
}

} // namespace

void benchmarkOverlays(CMainFrame& window, CChildFrame* child) {
    CKelvoView* view = child->imageView();
    ViewOverlays& o = view->overlayView();
    CKelvoDoc& doc = child->document();
    ImageBuffer* frame = doc.frameAt(-1);
    if (frame == nullptr) return;
    const int32_t w = frame->width(), h = frame->height();
    QWidget* pane = view->viewport();
    ImageViewModel& model = view->model();

    // Histogram and Info open with the statistics of the whole frame.
    const Figures histogram = timeEach(5, [&](int) { HistogramDialog d(*frame, &window); });
    const Figures info = timeEach(5, [&](int) { InfoDialog d(doc, &window); });
    std::printf("Histogram dialog %dx%d: mean %.1f ms, worst %.1f ms; Info dialog (%d frames): mean %.1f ms, worst "
                "%.1f ms\n",
                w, h, histogram.mean, histogram.worst, doc.frameCount(), info.mean, info.worst);

    pane->repaint();
    const Figures bare = timeEach(50, [&](int) { pane->repaint(); });
    std::printf("repaint without overlays at %.0f %%: mean %.2f ms, worst %.2f ms\n", double(model.zoom()) * 100.0,
                bare.mean, bare.worst);

    addOverlays(o.overlays(), w, h);
    doc.setRulersOn(true);
    frame->selectRectangle({w / 4, h / 4, w / 2, h / 2});
    o.documentChanged();
    for (float zoom : {1.0f, 4.0f}) {
        model.zoomBoxEntry(zoom == 1.0f ? "100%" : "400%");
        QApplication::processEvents();
        // warm-up, then whole repaints of the pane
        pane->repaint();
        const Figures plain = timeEach(100, [&](int) { pane->repaint(); });
        std::printf("repaint with 50 annotations, 20 lengths, 20 angles, rulers and selection at %.0f %%, pane "
                    "%dx%d: mean %.2f ms, median %.2f ms, worst %.2f ms\n",
                    double(zoom) * 100.0, pane->width(), pane->height(), plain.mean, plain.median, plain.worst);
    }
    model.zoomBoxEntry("100%");
    QApplication::processEvents();

    // A length's end point following the mouse: each move repaints at once.
    model.setTool(ViewTool::MeasureLength);
    const ViewRect r = model.imageRect();
    const ViewPoint s = model.scrollPosition();
    const QPoint origin(r.left - s.x, r.top - s.y);
    mouse(pane, QEvent::MouseButtonPress, origin + QPoint(w / 3, h / 3));
    mouse(pane, QEvent::MouseButtonRelease, origin + QPoint(w / 3, h / 3));
    const Figures follow = timeEach(200, [&](int i) {
        mouse(pane, QEvent::MouseMove, origin + QPoint(w / 3 + (i % 100) - 20, h / 3 + (i * 7) % 60));
    });
    model.setTool(ViewTool::PanHand);
    std::printf("measurement end point following the mouse: mean %.2f ms, median %.2f ms, worst %.2f ms per move\n",
                follow.mean, follow.median, follow.worst);
    // one tick of the marching ants repaints only the outline's box
    const Figures ants = timeEach(50, [&](int) {
        QApplication::sendPostedEvents();
        pane->repaint(pane->rect().intersected(QRect(origin + QPoint(w / 4 - 1, h / 4 - 1), QSize(w / 4 + 3, h / 4 + 3))));
    });
    std::printf("marching-ants tick: mean %.2f ms, worst %.2f ms\n", ants.mean, ants.worst);
}

} // namespace veltor
