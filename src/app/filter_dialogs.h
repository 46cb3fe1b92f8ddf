// Dialogs of the neighbourhood filters: the slider dialogs (unsharp
// filtering, smoothing, edge enhancement, dust and scratches, local
// averaging) and the user-defined mask.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <vector>

#include "app/preview_dialog.h"
#include "imaging/neighbourhood_filters.h"

class QComboBox;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace veltor {

class SliderWithValue;

// A dialog of sliders and choice lists whose values make the operation;
// every change previews.
class SliderFilterDialog : public PreviewDialog {
    Q_OBJECT
  public:
    using Build = std::function<FrameOperation(const std::vector<int>& values)>;

    SliderFilterDialog(const QString& title, ImageBuffer& frame, PreviewSession::Mode mode, Build build,
                       std::function<void()> repaint, QWidget* parent = nullptr);
    // Rows are added in the order of the values handed to `build`.
    void addSlider(const QString& label, int minimum, int maximum, int value);
    void addChoice(const QString& label, const QStringList& items, int index);
    // Call after the rows: shows the values last confirmed with OK in a
    // dialog of the same title during this session, and adds the buttons.
    void finish();

    int value(int row) const;
    void setValue(int row, int value);
    FrameOperation operation() const override;

    // The dialogs of the commands. Unsharp, smoothing, edge enhancement and
    // dust and scratches preview plainly; local averaging in a trial.
    static SliderFilterDialog* unsharp(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent);
    static SliderFilterDialog* smoothing(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent);
    static SliderFilterDialog* edgeEnhancement(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent);
    static SliderFilterDialog* dustAndScratches(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent);
    static SliderFilterDialog* localAveraging(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent);

    // The next dialogs open with their defaults again.
    static void forgetKeptValues();

  protected:
    std::vector<double> values() const override;
    void keepValues() override;

  private:
    std::vector<int> rawValues() const;
    Build m_build;
    QVBoxLayout* m_layout = nullptr;
    std::vector<SliderWithValue*> m_sliders; // null for choice rows
    std::vector<QComboBox*> m_choices;       // null for slider rows
};

// The user-defined mask: a radius of 1 to 3 shared by one to three passes,
// each a 7 x 7 grid of integer weights of which the (2r + 1) square centre
// counts, and a divisor. Each pass has its page; the pass count shows the
// pages that run. The dialog opens with the mask last confirmed with OK
// during the session.
class CustomMaskDialog : public PreviewDialog {
    Q_OBJECT
  public:
    CustomMaskDialog(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent = nullptr);

    // The radius and the passes that run.
    CustomMask mask() const;
    void setRadius(int radius);
    void setPassCount(int count); // 1 .. CustomMask::kMaxPasses
    int passCount() const;
    // grid[row * 7 + column]
    void setWeights(const std::array<int32_t, 49>& grid, int pass = 0);
    void setDivisor(int divisor, int pass = 0);
    FrameOperation operation() const override;

    // The message for a mask that cannot run (empty when it can).
    static QString problemText(CustomMaskProblem problem);
    // The next dialogs open with the box mean again.
    static void forgetKeptValues();

  protected:
    std::vector<double> values() const override;
    bool validate(bool tell) override;
    void keepValues() override;

  private:
    struct PassPage {
        std::array<QSpinBox*, 49> cells{};
        QSpinBox* divisor = nullptr;
    };
    void showMask(const CustomMask& mask);
    void updateEnabled();
    QSpinBox* m_radius = nullptr;
    QSpinBox* m_passCount = nullptr;
    QTabWidget* m_pages = nullptr;
    std::array<PassPage, CustomMask::kMaxPasses> m_passes{};
};

} // namespace veltor
