// The "Preferences" dialog: edits a copy of the user options (colours, fonts,
// line width, ruler corner, backgrounds and a few switches); the caller
// copies the result back on OK with applyTo.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>

#include "settings/user_options.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace veltor {

class PreferencesDialog : public QDialog {
    Q_OBJECT
  public:
    enum Colour { Annotation, Distance, Angle, Rulers, MainBackground, DocumentBackground, ColourCount };
    enum Font { AnnotationFont, MeasurementFont };

    explicit PreferencesDialog(const UserOptions& options, QWidget* parent = nullptr);

    // The dialog's copy, as the controls stand.
    UserOptions edited() const;
    // Copies the fields the dialog edits into `options` (the others, such as
    // "AnonExports" or "AutoClose", are left alone).
    void applyTo(UserOptions& options) const;

    // What the swatch and font buttons do after their system dialogs.
    void setColour(Colour which, uint32_t colourRef);
    uint32_t colour(Colour which) const { return m_colours[size_t(which)]; }
    void setFont(Font which, const FontOptions& font);

    // A font as the sample fields show it: the face at 10 points with the
    // chosen style; a face the system lacks falls back to the desktop's.
    static QFont sampleFont(const FontOptions& font);

  private:
    QWidget* swatchRow(Colour which, const QString& label);
    void chooseColour(Colour which);
    void chooseFont(Font which);
    void showFont(Font which);

    UserOptions m_copy;
    std::array<uint32_t, ColourCount> m_colours{};
    std::array<QPushButton*, ColourCount> m_swatches{};
    std::array<FontOptions, 2> m_fonts;
    std::array<QLineEdit*, 2> m_samples{};
    QCheckBox* m_rulersOn = nullptr;
    QCheckBox* m_defaultAnnotations = nullptr;
    QCheckBox* m_bgImage = nullptr;
    QCheckBox* m_aspectRatio = nullptr;
    QCheckBox* m_useMButton = nullptr;
    QCheckBox* m_keepFileWindow = nullptr;
    QSpinBox* m_lineWidth = nullptr;
    std::array<QRadioButton*, 4> m_corners{}; // indexed by AxisCorner
};

} // namespace veltor
