// The Edit and Image menus of the main window: undo and redo, the image
// operations, palettes and "Apply to all".
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QProgressDialog>

#include "app/child_frame.h"
#include "app/header_grid.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "document/kelvo_doc.h"

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
// data folder.
QString paletteFolder() {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Palettes");
    if (QDir(beside).exists()) return beside;
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

    image->addSeparator();
    auto add = [&](QMenu* menu, const QString& text, std::function<int(ImageBuffer&)> op) {
        QAction* a = menu->addAction(text, this, [this, op] { runImageCommand(op); });
        m_imageCommands.push_back(a);
        return a;
    };
    add(image, tr("&Auto Levels"), [](ImageBuffer& f) { return f.autoLevels(); });
    add(image, tr("&Equalize"), [](ImageBuffer& f) { return f.equalize(0); });
    add(image, tr("Equalize per &Channel"), [](ImageBuffer& f) { return f.equalize(f.isColour() ? 1 : 0); });
    QMenu* rotate = image->addMenu(tr("Rotate Canvas"));
    add(rotate, tr("&180°"), [](ImageBuffer& f) { return f.rotate180(); });
    add(rotate, tr("&90° Clock Wise"), [](ImageBuffer& f) { return f.rotate90Clockwise(); });
    add(rotate, tr("9&0° Counter CW"), [](ImageBuffer& f) { return f.rotate90CounterClockwise(); });
    rotate->addSeparator();
    add(rotate, tr("Flip &Horizontal"), [](ImageBuffer& f) { return f.flipHorizontal(); });
    add(rotate, tr("Flip &Vertical"), [](ImageBuffer& f) { return f.flipVertical(); });
    add(image, tr("I&nverse"), [](ImageBuffer& f) { return f.invert(); });
    add(image, tr("Re&move Burned In Annotations"), [](ImageBuffer& f) { return f.removeBurnedIn(0); });
}

void CMainFrame::loadCustomPalettes() {
    m_customMenu->clear();
    m_customPalettes = veltor::loadCustomPalettes(paletteFolder().toStdString());
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

void CMainFrame::runImageCommand(const std::function<int(ImageBuffer&)>& operation) {
    CChildFrame* child = activeChild();
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
}

} // namespace veltor
