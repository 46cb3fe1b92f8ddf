// The Edit and Image menus of the main window: undo and redo, the image
// operations, palettes and "Apply to all".
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

#include "app/brightness_contrast_dialog.h"
#include "app/canvas_size_dialog.h"
#include "app/child_frame.h"
#include "app/custom_rotation_dialog.h"
#include "app/resample_dialog.h"
#include "app/save_custom_palette_dialog.h"
#include "app/thresholding_dialog.h"
#include "app/view_palettes_dialog.h"
#include "app/header_grid.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"

namespace veltor {

namespace {

struct PaletteItem {
    const char* caption;
    int number;
};
const PaletteItem kPaletteItems[] = {
    {"&Blackbody", 0}, {"&Cardiac", 1},   {"&Fiveramp", 2}, {"Flo&w", 3}, {"F&usion16", 4}, {"Ge_c&olor", 5},
    {"Gr&ayrain", 6},  {"&Grayscale", 7}, {"&Hotiron", 8},  {"&Nih", 9},  {"&Spectrum", 10},
};

// "Frame : %d" with a bar from 1 to the frame count, for multi-frame runs.
class FrameProgressBox {
  public:
    explicit FrameProgressBox(QWidget* parent) : m_parent(parent) {}
    ~FrameProgressBox() { delete m_box; }
    void step(int32_t frameNumber, int32_t count) {
        if (m_box == nullptr) {
            m_box = new QProgressDialog(QString::fromLatin1(kProgressWaitText), QString(), 1, count, m_parent);
            m_box->setMinimumDuration(0);
        }
        m_box->setLabelText(QString::fromStdString(frameProgressText(frameNumber)));
        m_box->setValue(frameNumber);
        QCoreApplication::processEvents();
    }

  private:
    QWidget* m_parent;
    QProgressDialog* m_box = nullptr;
};

// Custom palettes live in "Palettes" beside the program, else in the user's
// data folder; new ones go beside the program only when that folder is
// writable.
QString paletteFolder(bool forWriting = false) {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Palettes");
    const QFileInfo info(beside);
    if (info.isDir() && (!forWriting || info.isWritable())) return beside;
    return QDir::homePath() + QStringLiteral("/.local/share/veltor/Palettes");
}

} // namespace

void CMainFrame::createImageActions(QMenu* edit, QMenu* image) {
    m_undo = edit->addAction(tr("&Undo"), this, [this] { undoRedo(false); });
    m_undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    m_redo = edit->addAction(tr("&Redo"), this, [this] { undoRedo(true); });
    m_redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));

    image->addAction(m_applyToAll);
    QMenu* color = image->addMenu(tr("&Color"));
    m_rgb = color->addAction(tr("&RGB"));
    m_rgb->setCheckable(true); // shows that the frame is colour; choosing it changes nothing
    for (const PaletteItem& item : kPaletteItems) {
        const int number = item.number;
        QAction* a = color->addAction(tr(item.caption), this, [this, number] {
            CChildFrame* child = activeChild();
            if (child == nullptr) return;
            ImageBuffer* frame = child->document().frameAt(-1);
            if (number == kGreyscalePalette && frame != nullptr && frame->isColour()) {
                runImageCommand([](ImageBuffer& f) { return f.toGrey(); });
            } else {
                setBuiltinPalette(child->document(), number);
                child->imageView()->viewport()->update();
            }
            updateActions();
        });
        a->setCheckable(true);
        m_paletteActions.push_back(a);
    }
    m_greyWeighted = color->addAction(tr("Grayscale &Weighted"), this, [this] {
        CChildFrame* child = activeChild();
        if (child == nullptr) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        child->document().convertToGreyWeighted();
        QApplication::restoreOverrideCursor();
        child->documentChanged();
        updateActions();
        updateStatus();
    });
    m_customMenu = color->addMenu(tr("Custom &Palettes"));
    loadCustomPalettes();

    m_extractPalette = image->addAction(tr("&Extract Palette..."), this, [this] {
        CChildFrame* child = activeChild();
        DicomFile* file = child != nullptr ? child->document().fileAt(-1) : nullptr;
        if (file == nullptr || !file->isPaletteColor()) return;
        if (extractPaletteToFile(this, *file, paletteFolder(true), m_customPalettes)) rebuildCustomMenu();
    });
    m_viewPalettes = image->addAction(tr("&View Palettes..."), this, [this] {
        CChildFrame* child = activeChild();
        ImageBuffer* frame = child != nullptr ? child->document().frameAt(-1) : nullptr;
        if (frame == nullptr || frame->isColour()) return;
        ViewPalettesDialog dialog(frame->paletteNumber(), m_lastCustom, m_customPalettes, this);
        if (dialog.exec() != QDialog::Accepted) return;
        const int n = dialog.selectedPalette();
        if (n >= kCustomPaletteNumber && size_t(n - kCustomPaletteNumber) < m_customPalettes.size()) {
            setCustomPalette(child->document(), m_customPalettes[size_t(n - kCustomPaletteNumber)]);
            m_lastCustom = n - kCustomPaletteNumber;
        } else if (n >= 0 && n < kCustomPaletteNumber) {
            setBuiltinPalette(child->document(), n);
        }
        child->imageView()->viewport()->update();
        updateActions();
    });
    image->addSeparator();
    auto add = [&](QMenu* menu, const QString& text, std::function<int(ImageBuffer&)> op) {
        QAction* a = menu->addAction(text, this, [this, op] { runImageCommand(op); });
        m_imageCommands.push_back(a);
        return a;
    };
    // A command whose dialog previews on its own copy: on OK the chosen values
    // run like a plain command.
    auto dialogCommand = [&](QMenu* menu, const QString& text, std::function<std::function<int(ImageBuffer&)>(ImageBuffer&)> ask) {
        QAction* a = menu->addAction(text, this, [this, ask] {
            CChildFrame* child = activeChild();
            ImageBuffer* frame = child != nullptr ? child->document().frameAt(-1) : nullptr;
            if (frame == nullptr || !frame->hasStore()) return;
            const std::function<int(ImageBuffer&)> op = ask(*frame);
            if (op) runImageCommand(op, child);
        });
        m_imageCommands.push_back(a);
        return a;
    };
    m_brightnessContrast = dialogCommand(image, tr("&Brightness - Contrast..."), [this](ImageBuffer& frame) {
        BrightnessContrastDialog dialog(frame, this);
        if (dialog.exec() != QDialog::Accepted) return std::function<int(ImageBuffer&)>();
        const auto b = int16_t(dialog.brightness()), c = int16_t(dialog.contrast());
        return std::function<int(ImageBuffer&)>([b, c](ImageBuffer& f) { return f.brightnessContrast(b, c); });
    });
    add(image, tr("&Auto Levels"), [](ImageBuffer& f) { return f.autoLevels(); });
    add(image, tr("&Equalize"), [](ImageBuffer& f) { return f.equalize(0); });
    add(image, tr("Equalize per &Channel"), [](ImageBuffer& f) { return f.equalize(f.isColour() ? 1 : 0); });
    dialogCommand(image, tr("&Resample..."), [this](ImageBuffer& frame) {
        CKelvoDoc& doc = activeChild()->document();
        ResampleDialog dialog(frame, doc.zoomFactor(), doc.applyToAll(), doc.allFramesAlike(), this);
        if (dialog.exec() != QDialog::Accepted) return std::function<int(ImageBuffer&)>();
        // The dialog's "Apply to all frames" is the document's flag.
        doc.setApplyToAll(dialog.applyToAll());
        const int w = dialog.newWidth(), h = dialog.newHeight(), m = dialog.method();
        return std::function<int(ImageBuffer&)>([w, h, m](ImageBuffer& f) { return f.resample(w, h, m); });
    });
    QMenu* rotate = image->addMenu(tr("Rotate Canvas"));
    add(rotate, tr("&180°"), [](ImageBuffer& f) { return f.rotate180(); });
    add(rotate, tr("&90° Clock Wise"), [](ImageBuffer& f) { return f.rotate90Clockwise(); });
    add(rotate, tr("9&0° Counter CW"), [](ImageBuffer& f) { return f.rotate90CounterClockwise(); });
    QAction* custom = rotate->addAction(tr("&Custom..."), this, [this] { customRotation(); });
    m_imageCommands.push_back(custom);
    rotate->addSeparator();
    add(rotate, tr("Flip &Horizontal"), [](ImageBuffer& f) { return f.flipHorizontal(); });
    add(rotate, tr("Flip &Vertical"), [](ImageBuffer& f) { return f.flipVertical(); });
    rotate->addSeparator();
    dialogCommand(rotate, tr("Canvas &Size..."), [this](ImageBuffer& frame) {
        CanvasSizeDialog dialog(frame, this);
        if (dialog.exec() != QDialog::Accepted) return std::function<int(ImageBuffer&)>();
        const int w = dialog.newWidth(), h = dialog.newHeight(), a = dialog.anchor(), fill = dialog.fill();
        return std::function<int(ImageBuffer&)>([w, h, a, fill](ImageBuffer& f) { return f.resizeCanvas(w, h, a, fill); });
    });
    add(image, tr("I&nverse"), [](ImageBuffer& f) { return f.invert(); });
    m_thresholding = dialogCommand(image, tr("&Thresholding..."), [this](ImageBuffer& frame) {
        ThresholdingDialog dialog(frame, this);
        if (dialog.exec() != QDialog::Accepted) return std::function<int(ImageBuffer&)>();
        const int lo = dialog.lower(), hi = dialog.upper(), mode = dialog.mode();
        return std::function<int(ImageBuffer&)>([lo, hi, mode](ImageBuffer& f) { return f.threshold(lo, hi, mode); });
    });
    add(image, tr("Re&move Burned In Annotations"), [](ImageBuffer& f) { return f.removeBurnedIn(0); });
}

void CMainFrame::customRotation() {
    CChildFrame* child = activeChild();
    ImageBuffer* frame = child != nullptr ? child->document().frameAt(-1) : nullptr;
    if (frame == nullptr || !frame->hasStore()) return;
    // Decided before the preview may change the frame's size.
    const bool allFrames = child->document().commandsReachAllFrames();
    // The preview rotates the frame itself; the view follows each preview.
    CustomRotationDialog dialog(*frame, m_settings, [child] { child->documentChanged(); }, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!accepted && dialog.everPreviewed()) {
        // The preview replaced the frame's redo levels: what the document
        // could redo before is gone, and the cancelled preview is not an edit.
        child->document().frameHistory().dropRedo(child->document().currentFrame());
    }
    if (accepted && dialog.applied()) {
        FrameProgressBox box(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        child->document().finishPreviewedCommand(dialog.operation(), allFrames,
                                                 [&](int32_t n, int32_t count) { box.step(n, count); });
        QApplication::restoreOverrideCursor();
    }
    child->documentChanged();
    updateActions();
    updateStatus();
}

void CMainFrame::loadCustomPalettes() {
    m_customPalettes = veltor::loadCustomPalettes(paletteFolder().toStdString());
    rebuildCustomMenu();
}

void CMainFrame::rebuildCustomMenu() {
    m_customMenu->clear();
    if (m_customPalettes.empty()) {
        m_customMenu->addAction(QString::fromLatin1(kNoCustomPalettes))->setEnabled(false);
        return;
    }
    for (size_t i = 0; i < m_customPalettes.size(); ++i) {
        QAction* a = m_customMenu->addAction(QString::fromStdString(m_customPalettes[i].name), this, [this, i] {
            CChildFrame* child = activeChild();
            if (child == nullptr) return;
            setCustomPalette(child->document(), m_customPalettes[i]);
            m_lastCustom = int(i);
            child->imageView()->viewport()->update();
            updateActions();
        });
        a->setCheckable(true);
    }
}

void CMainFrame::runImageCommand(const std::function<int(ImageBuffer&)>& operation, CChildFrame* target) {
    CChildFrame* child = target != nullptr ? target : activeChild();
    if (child == nullptr || child->document().frameAt(-1) == nullptr) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FrameProgressBox box(this);
    child->document().runImageCommand(operation, [&](int32_t n, int32_t count) { box.step(n, count); });
    QApplication::restoreOverrideCursor();
    child->documentChanged(); // sizes may have changed
    updateActions();
    updateStatus();
}

void CMainFrame::undoRedo(bool redo) {
    CChildFrame* child = activeChild();
    if (child == nullptr) return;
    FrameProgressBox box(this);
    const auto progress = [&](int32_t n, int32_t count) { box.step(n, count); };
    if (redo)
        child->document().redo(progress);
    else
        child->document().undo(progress);
    child->documentChanged();
    updateActions();
    updateStatus();
}

void CMainFrame::updateImageActions() {
    CChildFrame* child = activeChild();
    ImageBuffer* frame = child != nullptr ? child->document().frameAt(-1) : nullptr;
    const bool hasFrame = frame != nullptr;
    const bool colour = hasFrame && frame->isColour();
    m_undo->setEnabled(hasFrame && child->document().canUndo());
    m_redo->setEnabled(hasFrame && child->document().canRedo());
    m_rgb->setEnabled(colour);
    m_rgb->setChecked(colour);
    const int number = hasFrame ? frame->paletteNumber() : -1;
    for (size_t i = 0; i < m_paletteActions.size(); ++i) {
        const bool grey = int(i) == kGreyscalePalette;
        m_paletteActions[i]->setEnabled(hasFrame && (grey || !colour));
        m_paletteActions[i]->setChecked(hasFrame && !colour && number == int(i));
    }
    const QList<QAction*> custom = m_customMenu->actions();
    for (int i = 0; i < custom.size() && !m_customPalettes.empty(); ++i) {
        custom[i]->setEnabled(hasFrame && !colour);
        custom[i]->setChecked(hasFrame && number == kCustomPaletteNumber && i == m_lastCustom);
    }
    for (QAction* a : m_imageCommands) a->setEnabled(hasFrame);
    m_greyWeighted->setEnabled(colour);
    m_viewPalettes->setEnabled(hasFrame && !colour);
    DicomFile* file = child != nullptr ? child->document().fileAt(-1) : nullptr;
    m_extractPalette->setEnabled(hasFrame && file != nullptr && file->isPaletteColor());
}

} // namespace veltor
