// Image > Filters (neighbourhood filters) and Image > FFT Filters: plain
// commands run like the other image commands; the dialogs preview on the
// current frame.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QProgressDialog>

#include <memory>

#include "app/child_frame.h"
#include "app/fft_dialogs.h"
#include "app/filter_dialogs.h"
#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "imaging/image_buffer.h"
#include "settings/qt/qsettings_store.h"
#include "settings/settings_keys.h"

namespace veltor {

void CMainFrame::createFilterActions(QMenu* image) {
    QMenu* filters = image->addMenu(tr("&Filters"));
    // Captions come from the commands' prompt texts, which stay their status
    // tips and tooltips.
    auto plain = [&](const QString& caption, const char* prompt, FrameOperation op) {
        QAction* a = filters->addAction(caption, this, [this, op] { runImageCommand(op); });
        if (prompt != nullptr) {
            a->setStatusTip(QString::fromLatin1(prompt));
            a->setToolTip(QString::fromLatin1(prompt));
        }
        m_imageCommands.push_back(a);
    };
    using Make = std::function<PreviewDialog*(ImageBuffer&, std::function<void()>)>;
    auto dialog = [&](QMenu* menu, const QString& caption, const char* prompt, Make make) {
        QAction* a = menu->addAction(caption, this, [this, make] { runPreviewDialog(make); });
        if (prompt != nullptr) {
            a->setStatusTip(QString::fromLatin1(prompt));
            a->setToolTip(QString::fromLatin1(prompt));
        }
        m_imageCommands.push_back(a);
    };

    plain(tr("&Laplacian Mask"), "Apply the Laplacian Mask to image", [](ImageBuffer& f) { return f.laplacian(3); });
    plain(tr("&Prewitt Masks"), "Apply the Prewitt Masks to image", [](ImageBuffer& f) { return f.prewitt(); });
    plain(tr("&Sobel Masks"), "Apply the Sobel Masks to image", [](ImageBuffer& f) { return f.sobel(); });
    plain(tr("&Kirsch Masks"), "Apply the Kirsch Masks to image", [](ImageBuffer& f) { return f.kirsch(); });
    filters->addSeparator();
    plain(tr("&Blur Mask"), "Apply a Blur Mask to image", [](ImageBuffer& f) { return f.blur(4); });
    plain(tr("S&harp Mask"), "Apply a Sharp Mask to image", [](ImageBuffer& f) { return f.sharpen(1); });
    plain(tr("M&inimum Mask"), "Apply the Minimum Mask to image", [](ImageBuffer& f) { return f.minimumFilter(1); });
    plain(tr("&Median Mask"), "Apply the Median Mask to image", [](ImageBuffer& f) { return f.medianFilter(1); });
    plain(tr("Ma&ximum Mask"), "Apply the Maximum Mask to image", [](ImageBuffer& f) { return f.maximumFilter(1); });
    plain(tr("&Geometric Mean"), nullptr, [](ImageBuffer& f) { return f.geometricMean(); });
    filters->addSeparator();
    dialog(filters, tr("&Unsharp filtering..."), "Unsharp filtering",
           [this](ImageBuffer& f, std::function<void()> r) { return SliderFilterDialog::unsharp(f, std::move(r), this); });
    dialog(filters, tr("Sm&oothing..."), nullptr, [this](ImageBuffer& f, std::function<void()> r) {
        return SliderFilterDialog::smoothing(f, std::move(r), this);
    });
    dialog(filters, tr("Local &Averaging..."), nullptr, [this](ImageBuffer& f, std::function<void()> r) {
        return SliderFilterDialog::localAveraging(f, std::move(r), this);
    });
    dialog(filters, tr("&Edge Enhacement..."), nullptr, [this](ImageBuffer& f, std::function<void()> r) {
        return SliderFilterDialog::edgeEnhancement(f, std::move(r), this);
    });
    dialog(filters, tr("&Dust And Scratches..."), nullptr, [this](ImageBuffer& f, std::function<void()> r) {
        return SliderFilterDialog::dustAndScratches(f, std::move(r), this);
    });
    dialog(filters, tr("User-Defined Mas&k..."), nullptr,
           [this](ImageBuffer& f, std::function<void()> r) { return new CustomMaskDialog(f, std::move(r), this); });
    filters->addSeparator();
    QAction* chain = filters->addAction(tr("E&nhancement Chain"), this, [this] {
        // The factors of the weighted grey conversion, read when the command runs.
        const settings::GreyFactors g = settings::greyFactors(m_settings);
        const auto r = float(g.red), gr = float(g.green), b = float(g.blue);
        runImageCommand([=](ImageBuffer& f) { return f.enhancementChain(r, gr, b); });
    });
    m_imageCommands.push_back(chain);

    QMenu* fftMenu = image->addMenu(tr("FFT Filte&rs"));
    using Filter = FftFilterDialog::Filter;
    const std::pair<Filter, QString> kinds[] = {
        {Filter::LowPass, tr("&Low pass...")},       {Filter::HighPass, tr("&High pass...")},
        {Filter::BandPass, tr("&Band pass...")},     {Filter::BandReject, tr("Band &reject...")},
        {Filter::Inverse, tr("&Inverse Filtering...")},
    };
    for (const auto& [kind, caption] : kinds) {
        const Filter k = kind;
        dialog(fftMenu, caption, nullptr, [this, k](ImageBuffer& f, std::function<void()> r) {
            return new FftFilterDialog(k, f, std::move(r), this);
        });
    }
    fftMenu->addSeparator();
    dialog(fftMenu, tr("&Custom Filtering..."), nullptr,
           [this](ImageBuffer& f, std::function<void()> r) { return new FftCustomDialog(f, std::move(r), this); });
}

void CMainFrame::runPreviewDialog(const std::function<PreviewDialog*(ImageBuffer&, std::function<void()>)>& makeDialog) {
    CChildFrame* child = activeChild();
    ImageBuffer* frame = child != nullptr ? child->document().frameAt(-1) : nullptr;
    if (frame == nullptr || !frame->hasStore()) return;
    CKelvoDoc& doc = child->document();
    // Decided before any preview changes the frame.
    const bool allFrames = doc.commandsReachAllFrames();
    std::unique_ptr<PreviewDialog> dialog(makeDialog(*frame, [child] { child->documentChanged(); }));
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (dialog->trial()) {
        // The frame is as it was before the dialog; OK applies the values
        // like a plain command.
        if (accepted && dialog->applied()) runImageCommand(dialog->operation(), child);
    } else {
        if (!accepted && dialog->everPreviewed()) {
            // The preview replaced the frame's redo levels, and the cancelled
            // preview is not an edit of the document.
            doc.frameHistory().dropRedo(doc.currentFrame());
        }
        if (accepted && dialog->applied()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QProgressDialog* box = nullptr;
            doc.finishPreviewedCommand(dialog->operation(), allFrames, [&](int32_t n, int32_t count) {
                if (box == nullptr) {
                    box = new QProgressDialog(QString::fromLatin1(kProgressWaitText), QString(), 1, count, this);
                    box->setMinimumDuration(0);
                }
                box->setLabelText(QString::fromStdString(frameProgressText(n)));
                box->setValue(n);
                QCoreApplication::processEvents();
            });
            delete box;
            QApplication::restoreOverrideCursor();
        }
    }
    child->documentChanged();
    updateActions();
    updateStatus();
}

} // namespace veltor
