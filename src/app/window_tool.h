// The "Window" tool window: centre and width sliders with spin edits, "Apply
// to all frames", "Default" (reset) and the presets panel with its editor.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <vector>

#include "document/windowing.h"

class QCheckBox;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class QVBoxLayout;
class QWidget;

namespace veltor {

class CChildFrame;
class SettingsStore;
class UserOptions;

class WindowToolDock : public QDockWidget {
    Q_OBJECT
  public:
    WindowToolDock(SettingsStore& settings, UserOptions& options, QWidget* parent = nullptr);

    // The document window whose current frame the tool shows and sets.
    void setChild(CChildFrame* child);
    // Re-reads the current frame's window and ranges.
    void refresh();
    bool presetsShown() const;
    void showPresets(bool show);
    const WindowPresetArray& presets() const { return m_presets; }
    // Sets a preset's window as pressing its button does.
    void applyPreset(int index);
    // What the spin edits and sliders show.
    Window shownWindow() const;
    // Requests a window as the spin edits do; ignored outside the ranges.
    bool requestWindow(Window w);
    QPushButton* presetButton(int index) { return m_presetButtons[size_t(index)]; }
    // The windows of the current frame's file, as extra buttons after the
    // presets ("File 1", "File 2", ... or their explanations).
    const std::vector<WindowPreset>& fileWindows() const { return m_fileWindows; }
    QPushButton* fileWindowButton(int index) { return m_fileButtons[size_t(index)]; }

  signals:
    void windowApplied();

  private:
    void apply(Window w);
    void editPresets();
    void renewPresetCaptions();
    void renewFileWindows();
    void applyWindowOf(const WindowPreset& preset);

    SettingsStore& m_settings;
    UserOptions& m_options;
    QPointer<CChildFrame> m_child;
    WindowPresetArray m_presets;
    WindowRanges m_ranges;
    QSlider* m_centerSlider = nullptr;
    QSlider* m_widthSlider = nullptr;
    QSpinBox* m_centerSpin = nullptr;
    QSpinBox* m_widthSpin = nullptr;
    QCheckBox* m_applyToAll = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_presetToggle = nullptr;
    QWidget* m_presetPanel = nullptr;
    std::vector<QPushButton*> m_presetButtons;
    QVBoxLayout* m_fileLayout = nullptr;
    std::vector<WindowPreset> m_fileWindows;
    std::vector<QPushButton*> m_fileButtons;
    QTimer* m_enableTimer = nullptr;
    bool m_updating = false;
};

} // namespace veltor
