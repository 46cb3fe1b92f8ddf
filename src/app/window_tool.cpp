#include "window_tool.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/child_frame.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"
#include "settings/user_options.h"

namespace veltor {

namespace {
const char kPanelLabel[] = "Custom";
}

WindowToolDock::WindowToolDock(SettingsStore& settings, UserOptions& options, QWidget* parent)
    : QDockWidget(tr("Window"), parent), m_settings(settings), m_options(options) {
    setObjectName(QStringLiteral("WindowBar"));
    m_presets = loadWindowPresets(m_settings);

    auto* body = new QWidget(this);
    auto* row = new QHBoxLayout(body);
    auto* controls = new QGridLayout;
    m_centerSlider = new QSlider(Qt::Vertical, body);
    m_widthSlider = new QSlider(Qt::Vertical, body);
    m_centerSpin = new QSpinBox(body);
    m_widthSpin = new QSpinBox(body);
    controls->addWidget(new QLabel(QStringLiteral("L"), body), 0, 0, Qt::AlignHCenter);
    controls->addWidget(new QLabel(QStringLiteral("W"), body), 0, 1, Qt::AlignHCenter);
    controls->addWidget(m_centerSlider, 1, 0, Qt::AlignHCenter);
    controls->addWidget(m_widthSlider, 1, 1, Qt::AlignHCenter);
    controls->addWidget(m_centerSpin, 2, 0);
    controls->addWidget(m_widthSpin, 2, 1);
    m_applyToAll = new QCheckBox(tr("Apply to all frames"), body);
    m_reset = new QPushButton(tr("Default"), body);
    m_presetToggle = new QPushButton(body);
    controls->addWidget(m_applyToAll, 3, 0, 1, 2);
    controls->addWidget(m_reset, 4, 0);
    controls->addWidget(m_presetToggle, 4, 1);
    row->addLayout(controls);

    m_presetPanel = new QWidget(body);
    auto* panel = new QVBoxLayout(m_presetPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < settings::kWindowPresetCount; ++i) {
        auto* b = new QPushButton(m_presetPanel);
        connect(b, &QPushButton::clicked, this, [this, i] { applyPreset(i); });
        panel->addWidget(b);
        m_presetButtons.push_back(b);
    }
    m_fileLayout = new QVBoxLayout;
    m_fileLayout->setContentsMargins(0, 0, 0, 0);
    m_fileLayout->setSpacing(panel->spacing());
    panel->addLayout(m_fileLayout);
    auto* setup = new QPushButton(tr("Setup..."), m_presetPanel);
    connect(setup, &QPushButton::clicked, this, &WindowToolDock::editPresets);
    panel->addWidget(setup);
    row->addWidget(m_presetPanel);
    setWidget(body);
    renewPresetCaptions();
    showPresets(false);

    connect(m_centerSlider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_updating) m_centerSpin->setValue(v);
    });
    connect(m_widthSlider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_updating) m_widthSpin->setValue(v);
    });
    // Sliders apply when released; spin buttons and typed values at once.
    connect(m_centerSlider, &QSlider::sliderReleased, this, [this] { apply(shownWindow()); });
    connect(m_widthSlider, &QSlider::sliderReleased, this, [this] { apply(shownWindow()); });
    connect(m_centerSpin, &QSpinBox::editingFinished, this, [this] { apply(shownWindow()); });
    connect(m_widthSpin, &QSpinBox::editingFinished, this, [this] { apply(shownWindow()); });
    connect(m_centerSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        if (m_updating) return;
        m_updating = true;
        m_centerSlider->setValue(v);
        m_updating = false;
        if (!m_centerSlider->isSliderDown() && !m_centerSpin->hasFocus()) apply(shownWindow());
    });
    connect(m_widthSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        if (m_updating) return;
        m_updating = true;
        m_widthSlider->setValue(v);
        m_updating = false;
        if (!m_widthSlider->isSliderDown() && !m_widthSpin->hasFocus()) apply(shownWindow());
    });
    connect(m_applyToAll, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_updating && m_child) m_child->document().setApplyToAll(on);
    });
    connect(m_reset, &QPushButton::clicked, this, [this] {
        if (!m_child) return;
        resetWindow(m_child->document(), m_child->document().applyToAll());
        m_child->imageView()->viewport()->update();
        refresh();
        emit windowApplied();
    });
    connect(m_presetToggle, &QPushButton::clicked, this, [this] { showPresets(!presetsShown()); });

    // Preset buttons work only while an image view is active.
    m_enableTimer = new QTimer(this);
    m_enableTimer->setInterval(100);
    connect(m_enableTimer, &QTimer::timeout, this, [this] {
        const bool on = m_child && m_child->document().frameAt(-1) != nullptr;
        for (QPushButton* b : m_presetButtons) b->setEnabled(on);
        for (QPushButton* b : m_fileButtons) b->setEnabled(on);
    });
    m_enableTimer->start();
    setChild(nullptr);
}

void WindowToolDock::renewPresetCaptions() {
    for (size_t i = 0; i < m_presetButtons.size(); ++i)
        m_presetButtons[i]->setText(QString::fromStdString(m_presets[i].name));
}

bool WindowToolDock::presetsShown() const { return m_presetPanel->isVisibleTo(const_cast<WindowToolDock*>(this)); }

void WindowToolDock::showPresets(bool show) {
    m_presetPanel->setVisible(show);
    m_presetToggle->setText(show ? QStringLiteral("> Close") : QStringLiteral("< %1").arg(QString::fromLatin1(kPanelLabel)));
}

void WindowToolDock::setChild(CChildFrame* child) {
    m_child = child;
    refresh();
}

Window WindowToolDock::shownWindow() const { return {m_centerSpin->value(), m_widthSpin->value()}; }

void WindowToolDock::renewFileWindows() {
    std::vector<WindowPreset> windows;
    if (m_child && m_child->document().frameAt(-1) != nullptr)
        windows = fileWindowPresets(m_child->document(), m_child->document().currentFrame());
    const bool same = windows.size() == m_fileWindows.size() &&
                      std::equal(windows.begin(), windows.end(), m_fileWindows.begin(),
                                 [](const WindowPreset& a, const WindowPreset& b) {
                                     return a.name == b.name && a.window == b.window;
                                 });
    if (same) return;
    for (QPushButton* b : m_fileButtons) delete b;
    m_fileButtons.clear();
    m_fileWindows = std::move(windows);
    for (size_t i = 0; i < m_fileWindows.size(); ++i) {
        auto* b = new QPushButton(QString::fromStdString(m_fileWindows[i].name), m_presetPanel);
        b->setToolTip(QStringLiteral("%1 / %2").arg(m_fileWindows[i].window.center).arg(m_fileWindows[i].window.width));
        connect(b, &QPushButton::clicked, this, [this, i] {
            if (i < m_fileWindows.size()) applyWindowOf(m_fileWindows[i]);
        });
        m_fileLayout->addWidget(b);
        m_fileButtons.push_back(b);
    }
}

void WindowToolDock::refresh() {
    renewFileWindows();
    ImageBuffer* frame = m_child ? m_child->document().frameAt(-1) : nullptr;
    const bool on = frame != nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{m_centerSlider, m_widthSlider, m_centerSpin, m_widthSpin,
                                                      m_applyToAll, m_reset})
        w->setEnabled(on);
    if (!on) return;
    m_updating = true;
    m_ranges = windowRanges(frame->minValue(), frame->maxValue());
    // A flat frame has an empty centre range: keep the controls usable.
    const int cMin = std::min(m_ranges.centerMin, m_ranges.centerMax);
    const int cMax = std::max(m_ranges.centerMin, m_ranges.centerMax);
    m_centerSlider->setRange(cMin, cMax);
    m_centerSpin->setRange(cMin, cMax);
    m_widthSlider->setRange(m_ranges.widthMin, std::max(m_ranges.widthMin, m_ranges.widthMax));
    m_widthSpin->setRange(m_ranges.widthMin, std::max(m_ranges.widthMin, m_ranges.widthMax));
    m_centerSlider->setValue(frame->windowCenter());
    m_centerSpin->setValue(frame->windowCenter());
    m_widthSlider->setValue(frame->windowWidth());
    m_widthSpin->setValue(frame->windowWidth());
    m_applyToAll->setChecked(m_child->document().applyToAll());
    m_updating = false;
}

bool WindowToolDock::requestWindow(Window w) {
    if (!m_ranges.accepts(w)) return false;
    apply(w);
    return true;
}

void WindowToolDock::apply(Window w) {
    if (!m_child || m_updating) return;
    CKelvoDoc& doc = m_child->document();
    ImageBuffer* frame = doc.frameAt(-1);
    if (frame == nullptr) return;
    if (w.center == frame->windowCenter() && w.width == frame->windowWidth() && !doc.applyToAll()) return;
    applyWindow(doc, w, doc.applyToAll());
    m_child->imageView()->viewport()->update();
    refresh();
    emit windowApplied();
}

void WindowToolDock::applyPreset(int index) {
    if (index < 0 || index >= int(m_presets.size())) return;
    applyWindowOf(m_presets[size_t(index)]);
}

void WindowToolDock::applyWindowOf(const WindowPreset& preset) {
    if (!m_child) return;
    CKelvoDoc& doc = m_child->document();
    if (doc.frameAt(-1) == nullptr) return;
    applyWindow(doc, preset.window, m_applyToAll->isChecked());
    m_child->imageView()->viewport()->update();
    refresh();
    emit windowApplied();
    if (m_options.autoClose()) showPresets(false);
}

void WindowToolDock::editPresets() {
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Custom Windows Setup"));
    auto* grid = new QGridLayout(&dialog);
    grid->addWidget(new QLabel(tr("Name"), &dialog), 0, 0);
    grid->addWidget(new QLabel(tr("Center"), &dialog), 0, 1);
    grid->addWidget(new QLabel(tr("Width"), &dialog), 0, 2);
    std::vector<QLineEdit*> names;
    std::vector<QSpinBox*> centers, widths;
    for (int i = 0; i < settings::kWindowPresetCount; ++i) {
        auto* name = new QLineEdit(QString::fromStdString(m_presets[size_t(i)].name), &dialog);
        auto* c = new QSpinBox(&dialog);
        c->setRange(-32768, 65535);
        c->setValue(m_presets[size_t(i)].window.center);
        auto* w = new QSpinBox(&dialog);
        w->setRange(1, 131071);
        w->setValue(std::max(1, m_presets[size_t(i)].window.width));
        grid->addWidget(name, i + 1, 0);
        grid->addWidget(c, i + 1, 1);
        grid->addWidget(w, i + 1, 2);
        names.push_back(name);
        centers.push_back(c);
        widths.push_back(w);
    }
    auto* autoClose = new QCheckBox(tr("Automatic close"), &dialog);
    autoClose->setChecked(m_options.autoClose());
    grid->addWidget(autoClose, settings::kWindowPresetCount + 1, 0, 1, 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    grid->addWidget(buttons, settings::kWindowPresetCount + 2, 0, 1, 3);
    if (dialog.exec() != QDialog::Accepted) return;
    for (size_t i = 0; i < m_presets.size(); ++i)
        m_presets[i] = {names[i]->text().toStdString(), {centers[i]->value(), widths[i]->value()}};
    saveWindowPresets(m_settings, m_presets);
    m_options.setAutoClose(autoClose->isChecked());
    renewPresetCaptions();
}

} // namespace veltor
