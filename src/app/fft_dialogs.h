// Dialogs of the FFT filters: low pass, high pass, band pass, band reject,
// inverse filtering, and the custom filter with its editable curve and
// ".fft" files.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

#include "app/preview_dialog.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace veltor {

class SliderWithValue;

// The response curve plotted against the frequency index (the first half of
// the curve; the second mirrors it), gain 0 .. 1 with the axis labelled
// "0.00" to "1.00". When editable, dragging draws the curve.
class CurvePlot : public QWidget {
    Q_OBJECT
  public:
    explicit CurvePlot(QWidget* parent = nullptr);
    void setCurve(std::vector<double> curve);
    const std::vector<double>& curve() const { return m_curve; }
    void setEditable(bool on) { m_editable = on; }
    QSize sizeHint() const override { return {420, 220}; }

  signals:
    // A drag changed the curve (emitted once, when the button is released).
    void edited();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QRect plotArea() const;
    void drawAt(QPoint position);
    std::vector<double> m_curve;
    bool m_editable = false;
    bool m_dragging = false;
    int m_lastIndex = -1;
};

// "FFT Low pass", "FFT High pass", "FFT Band pass", "FFT Band reject" and
// "FFT Inverse Filtering": family (not for the inverse), order, cut-off or
// band edges, shift; the caption and the plot follow every change, and every
// change previews. Each filter opens with the values last confirmed with OK
// during the session (cut-offs limited to the frame's range).
class FftFilterDialog : public PreviewDialog {
    Q_OBJECT
  public:
    enum class Filter { LowPass, HighPass, BandPass, BandReject, Inverse };

    FftFilterDialog(Filter filter, ImageBuffer& frame, std::function<void()> repaint, QWidget* parent = nullptr);

    FrameOperation operation() const override;
    // The caption built from the values shown.
    QString caption() const;
    const std::vector<double>& plottedCurve() const;

    void setFamily(int family);
    void setOrder(int order);
    void setCutOff(int fco);            // low pass, high pass, inverse
    void setBand(int lfco, int hfco);   // band pass, band reject
    void setShiftHundredths(int shift); // 0 .. 99

    static QString title(Filter filter);
    // The next dialogs open with their defaults again.
    static void forgetKeptValues();

  protected:
    std::vector<double> values() const override;
    void keepValues() override;

  private:
    bool isBand() const { return m_filter == Filter::BandPass || m_filter == Filter::BandReject; }
    void changed();
    Filter m_filter;
    int m_n = 1;
    QComboBox* m_family = nullptr;
    QSpinBox* m_order = nullptr;
    SliderWithValue* m_fco = nullptr;
    SliderWithValue* m_lfco = nullptr;
    SliderWithValue* m_hfco = nullptr;
    SliderWithValue* m_shift = nullptr;
    QLabel* m_caption = nullptr;
    CurvePlot* m_plot = nullptr;
};

// "FFT Custom Filtering": a curve of 1.0 to start with, edited on the plot
// or in the "No"/"Value" table, saved to and loaded from ".fft" files.
class FftCustomDialog : public PreviewDialog {
    Q_OBJECT
  public:
    FftCustomDialog(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent = nullptr);

    FrameOperation operation() const override;
    const std::vector<double>& curve() const;
    void setCurve(std::vector<double> curve);
    // Without dialogs: true when written / read (the messages are the
    // caller's); a file that cannot be opened leaves the curve as it was.
    bool saveFile(const QString& path) const;
    enum class LoadResult { Loaded, NotOpened, Invalid };
    LoadResult loadFile(const QString& path);

    // The folder of the filter files: "FFTFilters" beside the program when
    // it exists (and, for saving, is writable), else in the user's data
    // folder; created when missing.
    static QString filterFolder(bool forWriting);

  protected:
    std::vector<double> values() const override;

  private:
    void fillTable();
    void saveAs();
    void load();
    CurvePlot* m_plot = nullptr;
    QTableWidget* m_table = nullptr;
    bool m_filling = false;
};

} // namespace veltor
